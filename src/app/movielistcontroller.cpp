#include "app/movielistcontroller.h"

#include "app/movielisttablemodel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>

#include <algorithm>

MovieListController::MovieListController(QTableView* tableView, QObject* parent)
    : QObject(parent), m_tableView(tableView), m_tableModel(std::make_unique<MovieListTableModel>(*this))
{
    m_tableView->setModel(m_tableModel.get());
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tableView->setSortingEnabled(false);
    QHeaderView* header = m_tableView->horizontalHeader();
    header->setSectionResizeMode(MovieListTableModel::StatusColumn, QHeaderView::Fixed);
    header->resizeSection(MovieListTableModel::StatusColumn, 24);
    header->setSectionResizeMode(MovieListTableModel::TitleColumn, QHeaderView::Stretch);
    // Every duration has the form h:mm:ss: the column is as wide as the longest one or its head,
    // known before any row is there (the table does not widen a column for rows added later).
    header->setSectionResizeMode(MovieListTableModel::DurationColumn, QHeaderView::Fixed);
    const int cellMargins = 2 * (m_tableView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 4;
    header->resizeSection(
        MovieListTableModel::DurationColumn,
        std::max(header->sectionSizeHint(MovieListTableModel::DurationColumn),
                 m_tableView->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + cellMargins));
    // Two lines per row: the title above the file name.
    m_tableView->verticalHeader()->setDefaultSectionSize(2 * m_tableView->fontMetrics().lineSpacing() + 6);
    // However narrow the pane, the column heads keep their words.
    m_tableView->setMinimumWidth(2 * m_tableView->frameWidth() + m_tableView->verticalScrollBar()->sizeHint().width() +
                                 header->sectionSize(MovieListTableModel::StatusColumn) +
                                 header->sectionSizeHint(MovieListTableModel::TitleColumn) +
                                 header->sectionSize(MovieListTableModel::DurationColumn));

    m_selectionListener =
        addListener(QStringLiteral("selectionIndexes"), [this](const QString&) { showSelectionInTable(); });
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MovieListController::takeSelectionFromTable);
    // A reload of the rows drops the table's selection; the list's stays.
    connect(m_tableModel.get(), &QAbstractItemModel::modelReset, this, &MovieListController::showSelectionInTable);
}

MovieListController::~MovieListController() = default;

MovieList::IndexSet MovieListController::tableSelectedRows() const
{
    IndexSet rows;
    for (const QModelIndex& index : m_tableView->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int MovieListController::tableSelectedRow() const
{
    const QModelIndex current = m_tableView->selectionModel()->currentIndex();
    if (current.isValid() && m_tableView->selectionModel()->isRowSelected(current.row(), {}))
        return current.row();
    const IndexSet rows = tableSelectedRows();
    return rows.isEmpty() ? -1 : static_cast<int>(rows.last());
}

void MovieListController::showSelectionInTable()
{
    if (m_syncing || !m_tableView)
        return;
    m_syncing = true;
    // One range per run of neighbouring rows: selecting a whole library is one range, not one per row.
    QItemSelection rows;
    const IndexSet& selected = selectionIndexes();
    for (qsizetype first = 0; first < selected.size();) {
        qsizetype last = first;
        while (last + 1 < selected.size() && selected.at(last + 1) == selected.at(last) + 1)
            ++last;
        rows.select(m_tableModel->index(static_cast<int>(selected.at(first)), 0),
                    m_tableModel->index(static_cast<int>(selected.at(last)), MovieListTableModel::ColumnCount - 1));
        first = last + 1;
    }
    QItemSelectionModel* selection = m_tableView->selectionModel();
    selection->select(rows, QItemSelectionModel::ClearAndSelect);
    if (!selectionIndexes().isEmpty())
        selection->setCurrentIndex(m_tableModel->index(static_cast<int>(selectionIndexes().last()), 0),
                                   QItemSelectionModel::NoUpdate);
    m_syncing = false;
}

void MovieListController::takeSelectionFromTable()
{
    if (m_syncing)
        return;
    m_syncing = true;
    setSelectionIndexes(tableSelectedRows());
    m_syncing = false;
}

void MovieListController::removeCurrent()
{
    const IndexSet selected = selectionIndexes();
    if (selected.isEmpty())
        return;
    const BulkChange removal(*this);
    const qsizetype first = selected.first();
    removeObjectsAtArrangedObjectIndexes(selected);
    if (first > 0) {
        updateTableViewSelection(IndexSet{first - 1});
    } else {
        emit updateSearchDrawer(nullptr);
        updateTableViewSelection(std::nullopt);
    }
}

void MovieListController::clearCurrent()
{
    for (const auto& movie : selectedObjects())
        movie->reset();
    updateTableViewSelection(selectionIndexes());
}

void MovieListController::pasteToCurrent(const std::shared_ptr<MovieModel>& movie)
{
    const int row = tableSelectedRow();
    if (!movie || row < 0 || row >= arrangedObjects().size())
        return;
    arrangedObjects().at(row)->paste(movie.get());
    updateTableViewSelection(IndexSet{row});
}

void MovieListController::removeAll()
{
    const BulkChange removal(*this);
    IndexSet all;
    for (qsizetype index = 0; index < arrangedObjects().size(); ++index)
        all << index;
    removeObjectsAtArrangedObjectIndexes(all);
    elementsHaveChanged();
    emit updateSearchDrawer(nullptr);
}

void MovieListController::selectAll()
{
    IndexSet all;
    for (qsizetype index = 0; index < arrangedObjects().size(); ++index)
        all << index;
    updateTableViewSelection(all);
}
