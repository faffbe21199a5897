#pragma once

#include "model/movielist.h"

#include <QAbstractTableModel>

// The chapters of the one selected record, with their start times, as the
// record editor lists them; empty unless exactly one record is selected.
class ChapterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NumberColumn, StartColumn, NameColumn, ColumnCount };

    explicit ChapterListModel(MovieList& list, QObject* parent = nullptr);
    ~ChapterListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void reload();

    MovieList& m_list;
    ChapterList m_chapters;
    QList<quint64> m_starts;
    std::vector<Observable::ListenerToken> m_listeners;
    Observable::ListenerToken m_recordListener;
};
