#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <optional>

class KorvalaneController;
class MovieListController;
class QMimeData;

// The movie table's delegate and drop target: takes movie files and folders
// dropped from a file manager (text/uri-list) and loads them, and answers a
// change of the table's selection by updating the search view, the genre
// list and the short description's colouring.
class MovieListDelegate : public QObject {
    Q_OBJECT
public:
    MovieListDelegate(QTableView* tableView, MovieListController& movieList, KorvalaneController& controller);
    ~MovieListDelegate() override;

    // The local paths that a drop offers; nullopt when it offers no file names.
    static std::optional<QStringList> droppedPaths(const QMimeData* data);
    // Whether a drop of `data` is welcome: some item is a movie file or folder
    // that the list does not hold yet.
    bool validateDrop(const QMimeData* data) const;
    // Loads the dropped items; false when nothing was loaded.
    bool acceptDrop(const QMimeData* data);

    void tableViewSelectionDidChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QTableView> m_tableView;
    MovieListController& m_movieListController;
    KorvalaneController& m_korvalaneController;
};
