#include "chapterdbentries.h"

#include "model/chaptermodel.h"
#include "model/helpers.h"
#include "online/jsonscalars.h"
#include "platform/textcut.h"

#include <algorithm>

namespace online {

namespace {

quint64 startOf(const QString& timeText)
{
    if (timeText.size() < 3 || timeText[2] != u':')
        return 0;
    return chapterDbMilliseconds(timeText);
}

}  // namespace

quint64 chapterDbMilliseconds(const QString& timeText)
{
    return millisecondsFromTimestamp(timeText.size() == 8 ? timeText + QStringLiteral(".0000000") : timeText);
}

QList<std::shared_ptr<ChapterModel>> chaptersFromChapterDbEntries(const QList<ChapterDbEntry>& entries, quint64 length,
                                                                  ChapterNumbering numbering)
{
    QList<std::shared_ptr<ChapterModel>> chapters;
    quint64 lastStart = 0;
    quint64 remaining = length;
    for (const ChapterDbEntry& entry : entries) {
        const quint64 start = startOf(entry.time);
        if (!chapters.isEmpty()) {
            const quint64 difference = start >= lastStart ? start - lastStart : 0;
            chapters.last()->setLength(difference);
            remaining = difference > remaining ? 0 : remaining - difference;
        }
        auto chapter = std::make_shared<ChapterModel>();
        chapter->setName(platform::leftWithoutSplittingPairs(entry.name, ChapterModel::kMaxNameLength));
        chapter->setLength(0);
        chapter->setIndex(numbering == ChapterNumbering::Running ? chapters.size() + 1 : leadingInteger(entry.index));
        chapters.append(chapter);
        // Measuring from the latest start keeps the lengths adding up to the movie.
        lastStart = std::max(lastStart, start);
    }
    if (remaining > 0 && !chapters.isEmpty())
        chapters.last()->setLength(remaining);
    return chapters;
}

}  // namespace online
