#pragma once

#include <QString>

namespace platform {

// At most `length` UTF-16 units, one fewer where the cut would split a
// surrogate pair: stored names and descriptions have fixed limits, and half
// a character is not text.
QString leftWithoutSplittingPairs(const QString& text, qsizetype length);

// Without leading and trailing spaces; unlike QString::trimmed, tabs and line
// breaks are kept.
QString trimmedOfSpaces(const QString& text);

}  // namespace platform
