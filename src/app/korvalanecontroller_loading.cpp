// Loading movie files into the list.
#include "app/korvalanecontroller.h"

#include "app/filechooser.h"
#include "app/movielistcontroller.h"
#include "platform/settings.h"
#include "tagging/moviefilemanager.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QStandardPaths>

namespace {

// Where the open panel remembers its folder.
const QString kLastOpenDirectory = QStringLiteral("NSNavLastOpenDirectory");

}  // namespace

bool KorvalaneController::loadMoviesByURL(const QVariantList& items)
{
    if (items.isEmpty())
        return false;
    MovieListController& list = *m_movieListController;
    {
        // Every record read changes its status: the commands follow once, when the load is done.
        const MovieList::BulkChange load(list);
        const qsizetype countBefore = list.arrangedObjects().size();
        if (!MovieFileManager::loadFiles(items, list, m_languageId))
            return false;
        MovieList::IndexSet added;
        for (qsizetype index = countBefore; index < list.arrangedObjects().size(); ++index)
            added << index;
        list.updateTableViewSelection(added);
    }
    if (platform::Settings::shared().boolValue(QStringLiteral("AutomaticSearchForMovie")))
        findTmdbInfoAll();
    return true;
}

bool KorvalaneController::loadMoviesByURL(const QStringList& paths)
{
    QVariantList items;
    for (const QString& path : paths)
        items << path;
    return loadMoviesByURL(items);
}

void KorvalaneController::open()
{
    FileChooser::Request request;
    request.fileTypes = MovieFileManager::movieFileExtensions();
    request.canChooseFiles = true;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = true;
    request.startFolder = openPanelStartFolder();
    const QList<QUrl> chosen = FileChooser::current().choose(request, m_mainWindow.get());
    if (chosen.isEmpty())
        return;
    QVariantList items;
    for (const QUrl& url : chosen)
        items << url;
    loadMoviesByURL(items);
    // The folder that holds the first item, whether or not the load worked.
    platform::Settings& settings = platform::Settings::shared();
    settings.setValue(kLastOpenDirectory, QFileInfo(chosen.first().toLocalFile()).absolutePath());
    settings.synchronize();
}

QString KorvalaneController::openPanelStartFolder()
{
    const QString last = platform::Settings::shared().stringValue(kLastOpenDirectory);
    if (!last.isEmpty())
        return last;
    const QStringList movies = QStandardPaths::standardLocations(QStandardPaths::MoviesLocation);
    if (!movies.isEmpty() && QFileInfo(movies.first()).isDir())
        return movies.first();
    return QDir::homePath();
}
