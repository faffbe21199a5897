#pragma once

#include "model/movielist.h"

#include <QObject>
#include <QPointer>
#include <QTableView>

class MovieListTableModel;

// The movie list as the main window has it: the records and their selection
// (MovieList), shown in the window's table and kept in step with the table's
// selection both ways, and the list commands of the Edit menu.
class MovieListController : public QObject, public MovieList {
    Q_OBJECT
public:
    explicit MovieListController(QTableView* tableView, QObject* parent = nullptr);
    ~MovieListController() override;

    QTableView* movieListTableView() const { return m_tableView; }
    MovieListTableModel& tableModel() const { return *m_tableModel; }
    // The rows the table has selected, ascending.
    IndexSet tableSelectedRows() const;
    // The row the table selected last (its current row), or -1.
    int tableSelectedRow() const;

public slots:
    // Removes the selected records and selects the row before the first of them.
    void removeCurrent();
    // Resets every selected record to its file's state.
    void clearCurrent();
    // The record of the row selected last takes the fields of `movie`.
    void pasteToCurrent(const std::shared_ptr<MovieModel>& movie);
    void removeAll();
    void selectAll();

signals:
    // The search view is to show `result` (null: show nothing).
    void updateSearchDrawer(const std::shared_ptr<MovieModel>& result);
    // One of canTagMovies, canTagOneMovie, canSearchMovies, isMovieSelected may
    // have changed: once for each announcement of the four.
    void flagsChanged();

protected:
    void flagsAnnounced() override { emit flagsChanged(); }

private:
    void showSelectionInTable();
    void takeSelectionFromTable();

    QPointer<QTableView> m_tableView;
    std::unique_ptr<MovieListTableModel> m_tableModel;
    Observable::ListenerToken m_selectionListener;
    bool m_syncing = false;
};
