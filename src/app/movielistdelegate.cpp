#include "app/movielistdelegate.h"

#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "online/moviegenre.h"
#include "platform/settings.h"
#include "tagging/moviefilemanager.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTableView>
#include <QTextEdit>

MovieListDelegate::MovieListDelegate(QTableView* tableView, MovieListController& movieList,
                                     KorvalaneController& controller)
    : m_tableView(tableView), m_movieListController(movieList), m_korvalaneController(controller)
{
    m_tableView->setAcceptDrops(true);
    m_tableView->setDragDropMode(QAbstractItemView::DropOnly);
    m_tableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tableView->viewport()->installEventFilter(this);
    // Connected after the list's own connection, so the list already holds the new selection.
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MovieListDelegate::tableViewSelectionDidChange);
}

MovieListDelegate::~MovieListDelegate() = default;

std::optional<QStringList> MovieListDelegate::droppedPaths(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}

bool MovieListDelegate::validateDrop(const QMimeData* data) const
{
    const std::optional<QStringList> paths = droppedPaths(data);
    return paths &&
           MovieFileManager::isValidMovieFileOrDirectoryInList(paths, m_movieListController.filesInMovieList());
}

bool MovieListDelegate::acceptDrop(const QMimeData* data)
{
    const std::optional<QStringList> paths = droppedPaths(data);
    return paths && m_korvalaneController.loadMoviesByURL(*paths);
}

void MovieListDelegate::tableViewSelectionDidChange()
{
    const MovieList::IndexSet rows = m_movieListController.tableSelectedRows();
    if (!rows.isEmpty())
        m_movieListController.setSelectionIndexes(rows);
    if (rows.size() == 1) {
        const auto& movie = m_movieListController.arrangedObjects().at(rows.first());
        emit m_movieListController.updateSearchDrawer(movie->searchResult());
        if (platform::Settings::shared().boolValue(QStringLiteral("UseTMDBGenres"))) {
            const std::optional<QStringList>& genres = movie->allGenres();
            m_korvalaneController.setMovieGenresNames(genres && !genres->isEmpty() ? *genres
                                                                                   : MovieGenre::genreNames());
        }
    }
    m_movieListController.elementsHaveChanged();
    m_korvalaneController.textDidChange(m_korvalaneController.shortDescTextView());
}

bool MovieListDelegate::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (validateDrop(drag->mimeData())) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::CopyAction);
            if (acceptDrop(drop->mimeData()))
                drop->accept();
            else
                drop->ignore();
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}
