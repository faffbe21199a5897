#include "app/chapterlistmodel.h"

#include "platform/localized.h"

#include <QTime>

#include <optional>

namespace {

QString clockTime(quint64 milliseconds)
{
    const quint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// Lists that look the same in the table: the same names at the same starts
// (the last chapter's length, which runs to each movie's end, is not shown).
bool sameChapters(const ChapterList& first, const ChapterList& second)
{
    if (first.size() != second.size())
        return false;
    for (qsizetype i = 0; i < first.size(); ++i) {
        const bool last = i + 1 == first.size();
        if (first[i]->name() != second[i]->name() || (!last && first[i]->length() != second[i]->length()))
            return false;
    }
    return true;
}

// The chapter list every record holds, or none when they differ.
std::optional<ChapterList> agreedChapters(const MovieList::Records& records)
{
    if (records.isEmpty())
        return std::nullopt;
    const ChapterList first = records.first()->listOfChapters().value_or(ChapterList());
    for (const auto& record : records)
        if (!sameChapters(record->listOfChapters().value_or(ChapterList()), first))
            return std::nullopt;
    return first;
}

}  // namespace

ChapterListModel::ChapterListModel(MovieList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
    // The list passes on the selected records' notices as "selection.<key>". A rearrangement
    // keeps the selected records (and the chapters they agree on): it needs no reload.
    for (const char* key : {"selectionIndexes", "selection.listOfChapters"})
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
    m_starts.clear();
    const MovieList::Records selected = m_list.selectedObjects();
    m_chapters = agreedChapters(selected).value_or(ChapterList());
    quint64 start = 0;
    for (const auto& chapter : m_chapters) {
        m_starts << start;
        start += chapter->length();
    }
    endResetModel();
}
