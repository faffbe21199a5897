#pragma once

#include "model/movielist.h"

#include <QAbstractTableModel>

#include <unordered_map>
#include <vector>

// The rows of the main window's movie list: one per arranged record, with its
// status light, its title and file name on two lines and its duration. A
// record's change notices refresh exactly its own row. The list says what each
// change of its records was, so rows are inserted, removed or refreshed one by
// one; only a real reordering reloads them all.
class MovieListTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { StatusColumn, TitleColumn, DurationColumn, ColumnCount };

    explicit MovieListTableModel(MovieList& list, QObject* parent = nullptr);
    ~MovieListTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // One shown record and what follows its changes.
    struct Row {
        std::shared_ptr<MovieModel> record;
        Observable::ListenerToken listener;
    };

    void arrangementChanged();
    void appendRows(qsizetype first);
    void removeRows(const MovieList::IndexSet& removed);
    void reloadRows();
    void refreshRows();
    Row followed(const std::shared_ptr<MovieModel>& record);
    void recordChanged(const MovieModel* record);
    // The row of `record`; the positions of rows behind a removal are found again when asked.
    int rowOf(const MovieModel* record);

    MovieList& m_list;
    std::vector<Row> m_rows;
    std::unordered_map<const MovieModel*, int> m_rowOf;
    // Rows from here on may have moved since m_rowOf was written.
    std::size_t m_rowOfValidBelow = 0;
    Observable::ListenerToken m_arrangement;
};
