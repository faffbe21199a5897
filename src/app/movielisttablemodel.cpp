#include "app/movielisttablemodel.h"

#include "app/statustoledimage.h"
#include "platform/localized.h"

#include <QIcon>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace {

// The light of a status as the list draws it. A selected row shows the same
// colours: the style's tint of selected icons turns yellow and green alike
// into olive, and the light is what the user reads the row by.
const QIcon& statusIcon(qint64 status)
{
    static const std::array<QIcon, 4> icons = [] {
        std::array<QIcon, 4> made;
        for (qint64 i = 0; i < 4; ++i) {
            const QPixmap light = QPixmap::fromImage(StatusToLedImage::ledImage(i))
                                      .scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            made[static_cast<std::size_t>(i)].addPixmap(light, QIcon::Normal);
            made[static_cast<std::size_t>(i)].addPixmap(light, QIcon::Selected);
        }
        return made;
    }();
    return icons[status >= 0 && status <= 3 ? static_cast<std::size_t>(status) : 0];
}

}  // namespace

MovieListTableModel::MovieListTableModel(MovieList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
    m_arrangement =
        m_list.addListener(QStringLiteral("arrangedObjects"), [this](const QString&) { arrangementChanged(); });
    appendRows(0);
}

MovieListTableModel::~MovieListTableModel() = default;

int MovieListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int MovieListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MovieListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()))
        return {};
    const MovieModel& movie = *m_rows[static_cast<std::size_t>(index.row())].record;
    switch (index.column()) {
        case StatusColumn:
            if (role == Qt::DecorationRole)
                return statusIcon(movie.status());
            break;
        case TitleColumn:
            if (role == Qt::DisplayRole)
                return movie.titleAndFile();
            if (role == Qt::ToolTipRole)
                return movie.fileUrl().toLocalFile();
            break;
        case DurationColumn:
            if (role == Qt::DisplayRole)
                return movie.duration();
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            break;
        default:
            break;
    }
    return {};
}

QVariant MovieListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
        case TitleColumn:
            return platform::localized(QStringLiteral("listColumnTitleAndFile"));
        case DurationColumn:
            return platform::localized(QStringLiteral("listColumnDuration"));
        default:
            return QString();
    }
}

void MovieListTableModel::arrangementChanged()
{
    using Kind = MovieList::ArrangementChange::Kind;
    const MovieList::ArrangementChange& change = m_list.lastArrangementChange();
    switch (change.kind) {
        case Kind::Appended:
            appendRows(change.first);
            break;
        case Kind::Removed:
            removeRows(change.removed);
            break;
        case Kind::Reordered:
            reloadRows();
            break;
        case Kind::Refreshed:
            refreshRows();
            break;
    }
}

MovieListTableModel::Row MovieListTableModel::followed(const std::shared_ptr<MovieModel>& record)
{
    const MovieModel* key = record.get();
    return Row{record, record->addListener(QString(), [this, key](const QString&) { recordChanged(key); })};
}

void MovieListTableModel::appendRows(qsizetype first)
{
    const MovieList::Records& now = m_list.arrangedObjects();
    if (first != static_cast<qsizetype>(m_rows.size())) {
        reloadRows();  // out of step with the list: never show rows that are not there
        return;
    }
    if (now.size() <= first)
        return;
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(now.size()) - 1);
    for (qsizetype row = first; row < now.size(); ++row) {
        m_rows.push_back(followed(now.at(row)));
        m_rowOf[now.at(row).get()] = static_cast<int>(row);
    }
    endInsertRows();
    if (m_rowOfValidBelow == static_cast<std::size_t>(first))
        m_rowOfValidBelow = m_rows.size();
}

void MovieListTableModel::removeRows(const MovieList::IndexSet& removed)
{
    // From the back, one run of neighbouring rows at a time, so earlier positions stay right.
    for (qsizetype end = removed.size(); end > 0;) {
        qsizetype begin = end - 1;
        while (begin > 0 && removed.at(begin - 1) == removed.at(begin) - 1)
            --begin;
        const int first = static_cast<int>(removed.at(begin));
        const int last = static_cast<int>(removed.at(end - 1));
        beginRemoveRows({}, first, last);
        for (int row = first; row <= last; ++row)
            m_rowOf.erase(m_rows[static_cast<std::size_t>(row)].record.get());
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
        end = begin;
    }
    if (!removed.isEmpty())
        m_rowOfValidBelow = std::min(m_rowOfValidBelow, static_cast<std::size_t>(removed.first()));
}

void MovieListTableModel::reloadRows()
{
    beginResetModel();
    m_rows.clear();
    m_rowOf.clear();
    m_rowOfValidBelow = 0;
    const MovieList::Records& now = m_list.arrangedObjects();
    m_rows.reserve(static_cast<std::size_t>(now.size()));
    for (const auto& record : now)
        m_rows.push_back(followed(record));
    endResetModel();
}

void MovieListTableModel::refreshRows()
{
    // Same records, changed behind their setters: read every row again.
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, ColumnCount - 1));
}

int MovieListTableModel::rowOf(const MovieModel* record)
{
    const auto found = m_rowOf.find(record);
    if (found != m_rowOf.end() && static_cast<std::size_t>(found->second) < m_rowOfValidBelow)
        return found->second;
    for (std::size_t row = m_rowOfValidBelow; row < m_rows.size(); ++row)
        m_rowOf[m_rows[row].record.get()] = static_cast<int>(row);
    m_rowOfValidBelow = m_rows.size();
    const auto again = m_rowOf.find(record);
    return again == m_rowOf.end() ? -1 : again->second;
}

void MovieListTableModel::recordChanged(const MovieModel* record)
{
    const int row = rowOf(record);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
