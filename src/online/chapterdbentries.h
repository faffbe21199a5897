#pragma once

#include <QList>
#include <QString>

#include <memory>

class ChapterModel;

namespace online {

// One chapter as the chapter database lists it: an index text (browse page
// rows only), a name and a start time text. A null text is a missing one.
struct ChapterDbEntry {
    QString index;
    QString name;
    QString time;
};

enum class ChapterNumbering {
    Running,    // 1, 2, 3, ... in list order
    FromEntry,  // the integer value of the entry's index text
};

// A time text of the service in milliseconds: "hh:mm:ss" is read as
// "hh:mm:ss.0000000"; texts too short for a fraction give 0.
quint64 chapterDbMilliseconds(const QString& timeText);

// Turns start times into chapter lengths. Each chapter runs to the start of
// the next; the last one gets what remains of `length` after the distance
// from the first start to the last (0 when nothing remains). A start that
// is missing or not a time counts as 0; a start earlier than the latest one
// gives the chapter before it length 0 instead of a negative length, and the
// next chapter is measured from the latest start.
QList<std::shared_ptr<ChapterModel>> chaptersFromChapterDbEntries(const QList<ChapterDbEntry>& entries, quint64 length,
                                                                  ChapterNumbering numbering);

}  // namespace online
