// The four save commands. Saving may rename files and so rearrange the
// list: each command restores the selection it started with.
#include "app/korvalanecontroller.h"

#include "app/movielistcontroller.h"
#include "app/saveasmoviefilemanager.h"
#include "tagging/moviefilemanager.h"

#include <QMainWindow>

void KorvalaneController::save()
{
    saveFilesKeepingSelection(true, false);
}

void KorvalaneController::saveAnyway()
{
    saveFilesKeepingSelection(true, true);
}

void KorvalaneController::saveAll()
{
    saveAllRecords();
}

bool KorvalaneController::saveAllRecords()
{
    return saveFilesKeepingSelection(false, false);
}

void KorvalaneController::saveAs()
{
    MovieListController& list = *m_movieListController;
    const MovieList::IndexSet selection = list.selectionIndexes();
    SaveAsMovieFileManager::saveAs(list, m_mainWindow.get(), m_languageId, m_localeId);
    list.updateTableViewSelection(selection);
}

bool KorvalaneController::saveFilesKeepingSelection(bool selectedOnly, bool force)
{
    MovieListController& list = *m_movieListController;
    const MovieList::IndexSet selection = list.selectionIndexes();
    const bool saved = MovieFileManager::saveFiles(list, QUrl(), selectedOnly, force, m_languageId, m_localeId);
    list.updateTableViewSelection(selection);
    return saved;
}
