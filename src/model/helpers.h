#pragma once

#include "platform/picture.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

// Small functions shared across the application. They keep no state; a few
// read the settings. (notifyValueChanged lives with the observation
// mechanism in model/observable.h.)

// The picture in `data`, one pixel per point, kept as the bytes it came in.
// Never a null pointer: data whose header reads as no picture gives a null
// picture. Nothing is decoded.
platform::PicturePtr imageFromData(const QByteArray& data);

// (imageFromURL, which reads from web addresses, is online/imagefromurl.h.)

// The working folder from the setting "WorkingDirectoryBookmark"; an empty
// QUrl when none is set or it no longer exists.
QUrl workingDirectoryURL();

// "HH:MM:SS.mmm..." to milliseconds: fields are read by position, further
// fraction digits are ignored, a text shorter than 12 characters gives 0.
quint64 millisecondsFromTimestamp(const QString& timestamp);

// Milliseconds as "HH:MM:SS.000000", rounded to whole seconds (halves up);
// hours are not wrapped.
QString timeStringFromMilliseconds(quint64 milliseconds);

// The day a date tag names, in the forms taggers write: a year alone ("2019",
// its first day), a date ("2019-5-6"), or a date with a time after "T" or a
// space, with or without "Z" ("2019-05-06T10:00:00Z", "2019-05-06 10:00:00");
// the time of day is left out. Nothing for any other text, or for a day
// outside the calendar.
struct TagDay {
    QDate day;
    bool yearOnly = false;  // the text names only the year
};
std::optional<TagDay> dayFromTagDateString(const QString& text);

// A date tag to 12:00:00 UTC of the day it names; anything else gives
// 2012-01-01 12:00:00 UTC, the date of an empty record.
QDateTime dateFromTagDateString(const QString& text);

// The UTC day of a release date as YYYY-MM-DD; empty for no date (the
// empty-date value stands for none).
QString dayText(const QDateTime& date);

// The UTC year of `date`; 0 for no date.
qint64 yearOfDate(const QDateTime& date);

// The title without one leading article ("The ", "L'", "Die ", ...) and
// trimmed of spaces, when "SortMovieNamesWithoutArticle" is on (its
// default); otherwise the title unchanged.
QString sortTitleWithoutArticle(const QString& title);

// The names in a text that lists them with `separator` between them, each
// trimmed of the white space around it; empty names are left out.
QStringList namesFromText(const QString& text, QChar separator);

// Removes parenthesised parts that follow a space and are followed by a
// space, full stop or comma: "Alien (1979) Director's Cut" -> "Alien Director's Cut".
QString removeParenthesizedText(const QString& text);
