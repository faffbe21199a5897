#pragma once

#include "model/movielist.h"

#include <QAbstractTableModel>
#include <QHash>

#include <vector>

// The rows of the main window's movie list: one per arranged record, with its
// status light, its title and file name on two lines and its duration. A
// record's change notices refresh exactly its own row; additions at the end
// insert rows, any other rearrangement reloads the rows.
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
    void arrangementChanged();
    void followRecords();
    void recordChanged(const MovieModel* record);

    MovieList& m_list;
    MovieList::Records m_shown;
    QHash<const MovieModel*, int> m_rows;
    Observable::ListenerToken m_arrangement;
    std::vector<Observable::ListenerToken> m_recordListeners;
};
