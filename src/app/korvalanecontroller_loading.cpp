// Loading movie files into the list.
#include "app/korvalanecontroller.h"

#include "app/movielistcontroller.h"
#include "platform/settings.h"
#include "tagging/moviefilemanager.h"

bool KorvalaneController::loadMoviesByURL(const QVariantList& items)
{
    if (items.isEmpty())
        return false;
    MovieListController& list = *m_movieListController;
    const qsizetype countBefore = list.arrangedObjects().size();
    if (!MovieFileManager::loadFiles(items, list, m_languageId))
        return false;
    MovieList::IndexSet added;
    for (qsizetype index = countBefore; index < list.arrangedObjects().size(); ++index)
        added << index;
    list.updateTableViewSelection(added);
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
}
