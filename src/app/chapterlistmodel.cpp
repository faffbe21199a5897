#include "app/chapterlistmodel.h"

#include "platform/localized.h"

#include <QTime>

namespace {

QString clockTime(quint64 milliseconds)
{
    const quint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

ChapterListModel::ChapterListModel(MovieList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
    for (const char* key : {"selectionIndexes", "arrangedObjects"})
        m_listeners.push_back(m_list.addListener(QString::fromLatin1(key), [this](const QString&) { reload(); }));
    reload();
}

ChapterListModel::~ChapterListModel() = default;

int ChapterListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_chapters.size());
}

int ChapterListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChapterListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_chapters.size())
        return {};
    const ChapterModel& chapter = *m_chapters.at(index.row());
    switch (index.column()) {
        case NumberColumn:
            return index.row() + 1;
        case StartColumn:
            return clockTime(m_starts.at(index.row()));
        case NameColumn:
            return chapter.name();
        default:
            return {};
    }
}

QVariant ChapterListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
        case NumberColumn:
            return QStringLiteral("#");
        case StartColumn:
            return platform::localized(QStringLiteral("chapterColumnStart"));
        case NameColumn:
            return platform::localized(QStringLiteral("chapterColumnName"));
        default:
            return {};
    }
}

void ChapterListModel::reload()
{
    beginResetModel();
    m_chapters.clear();
    m_starts.clear();
    m_recordListener.reset();
    const MovieList::Records selected = m_list.selectedObjects();
    if (selected.size() == 1) {
        const auto& movie = selected.first();
        m_chapters = movie->listOfChapters().value_or(ChapterList());
        quint64 start = 0;
        for (const auto& chapter : m_chapters) {
            m_starts << start;
            start += chapter->length();
        }
        m_recordListener = movie->addListener(QStringLiteral("listOfChapters"), [this](const QString&) { reload(); });
    }
    endResetModel();
}
