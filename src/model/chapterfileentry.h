#pragma once

#include <QString>

// One chapter as a chapter file states it, before its time stamp becomes a
// length. A null text means the file gave no such value.
struct ChapterFileEntry {
    QString start;  // time stamp text, such as 00:05:00.000
    QString name;
};
