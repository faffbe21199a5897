#pragma once

// Small pieces of the movie database lookup that need no network: reading the
// texts the reply reader gives as numbers, shaping the search text, poster
// rendition sizes and the choice among cover candidates.

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QStringView>

#include <optional>
#include <span>

namespace tmdblookup {

// The service's "YYYY-MM-DD" as 12:00:00 UTC of that day; a null date for a
// text that names no day (the empty text, say).
QDateTime releaseDateFromText(const QString& text);

// The leading integer of a text as the service's numbers arrive (blanks, an
// optional sign, digits); 0 when there is none, clamped to the 32-bit range.
int intValueOfText(QStringView text);

// The leading decimal number of a text (blanks, sign, digits, fraction,
// exponent), read without regard to the user's locale; 0.0 when there is none.
double doubleValueOfText(QStringView text);

// Blanks, "-", "_", ".", ":" and "&" become "+", then runs of "+" are folded
// the way the service's query form expects ("+++" then "++" become "+").
QString foldSearchSeparators(QString text);

// Percent-escapes everything but ASCII letters, digits and
// ! $ & ' ( ) * + , - . / : ; = ? @ _ ~, byte by byte of the UTF-8 form.
QString percentEscaped(const QString& text);

// The text without any of `characters` at either end.
QString trimmedOf(const QString& text, QStringView characters);

// The width-to-height ratio used to size a poster's renditions. The reported
// ratio when it is a sane number; else the one of the reported pixel size;
// else the usual 2:3 poster shape, so no size is ever divided by zero.
double posterAspectRatio(double reported, double width, double height);

// A rendition `width` wide at the aspect ratio, its height rounded to whole
// pixels (halves away from zero).
QSizeF renditionSize(double width, double aspectRatio);

// What the cover choice looks at in each candidate.
struct CoverChoiceKey {
    QString language;
    int voteCount = 0;
};

// The index of the best candidate: those in `language` beat the others, more
// votes beat fewer, and on a tie the earlier one stays. None for no candidates.
std::optional<qsizetype> bestCoverIndex(std::span<const CoverChoiceKey> candidates, const QString& language);

}  // namespace tmdblookup
