#pragma once

#include "model/movielist.h"

#include <QAbstractTableModel>

// The chapters of the selected records, with their start times, as the
// record editor lists them: those of the one selected record, or those that
// all selected records agree on (same lengths and names); empty otherwise.
// Follows every change of the selected records' chapter lists.
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
};
