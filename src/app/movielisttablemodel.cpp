#include "app/movielisttablemodel.h"

#include "app/statustoledimage.h"
#include "platform/localized.h"

#include <QPixmap>

MovieListTableModel::MovieListTableModel(MovieList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_shown(list.arrangedObjects())
{
    m_arrangement =
        m_list.addListener(QStringLiteral("arrangedObjects"), [this](const QString&) { arrangementChanged(); });
    followRecords();
}

MovieListTableModel::~MovieListTableModel() = default;

int MovieListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int MovieListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MovieListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const MovieModel& movie = *m_shown.at(index.row());
    switch (index.column()) {
        case StatusColumn:
            if (role == Qt::DecorationRole)
                return QPixmap::fromImage(StatusToLedImage::ledImage(movie.status()))
                    .scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
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
    const MovieList::Records& now = m_list.arrangedObjects();
    const bool appended = now.size() > m_shown.size() && now.mid(0, m_shown.size()) == m_shown;
    if (appended) {
        beginInsertRows({}, static_cast<int>(m_shown.size()), static_cast<int>(now.size()) - 1);
        m_shown = now;
        endInsertRows();
    } else if (now != m_shown) {
        beginResetModel();
        m_shown = now;
        endResetModel();
    } else if (!m_shown.isEmpty()) {
        // Same records, changed behind their setters: read every row again.
        emit dataChanged(index(0, 0), index(static_cast<int>(m_shown.size()) - 1, ColumnCount - 1));
    }
    followRecords();
}

void MovieListTableModel::followRecords()
{
    m_recordListeners.clear();
    m_recordListeners.reserve(m_shown.size());
    m_rows.clear();
    for (int row = 0; row < m_shown.size(); ++row) {
        const MovieModel* record = m_shown.at(row).get();
        m_rows.insert(record, row);
        m_recordListeners.push_back(
            m_shown.at(row)->addListener(QString(), [this, record](const QString&) { recordChanged(record); }));
    }
}

void MovieListTableModel::recordChanged(const MovieModel* record)
{
    const int row = m_rows.value(record, -1);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
