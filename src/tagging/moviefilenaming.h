#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

class MovieModel;

// Titles from file names and file names from titles: the naming half of the
// movie file manager. Every operation reads the settings each time it runs.
namespace MovieFileManager {

// The naming schemes of "FileNamePatternForSaving".
enum NamingScheme : qint64 {
    KeepFileName = 0,
    TitleAndPictureFormat = 1,
    CustomPattern = 2,
    TitleAndYear = 3,
};

// The title of a movie file's name, by the title-extraction settings; the
// empty text for an empty URL.
QString makeTitleFromFileURL(const QUrl& fileUrl);

// Splits "Title (1999) 720p.m4v": true when the name holds a year in
// parentheses. Outputs a step does not reach keep what the caller put in them;
// the year comes out as "1999-01-01 12:00:00 +0000".
bool parsePlexName(const QString& fileName, QString* title, QString* year, QString* hdflag);
// Splits the EyeTV export form "Title - D 2010, Genre.m4v"; the genre is the
// recognised genre of the last part (a null text when none is recognised).
bool parseEyeTVName(const QString& fileName, QString* title, QString* year, QString* genre);

// Fills the keywords of `pattern` from the record and the given texts. The
// title keyword stays as it is when the record has no title; any other keyword
// whose value is missing or empty (no release date, a null or unnamed
// `rating`, an empty `hd`) is left out, and the brackets, blanks and
// separators that leaves are tidied away.
QString getCustomPattern(const MovieModel& movie, const QString& pattern, const QString& year, const QString& hd,
                         const QString& format, const QString& rating, const QString& locale);

// The four-digit UTC year of `date`; a null text for no date or the empty-date
// value of a record.
QString extractYearFromReleaseDate(const QDateTime& date);

// The URL the record's file gets under the naming scheme, in `directory`
// (the file's own folder when empty); never outside that folder.
QUrl getNewFileURL(const MovieModel& movie, const QUrl& directory, bool caseSensitive, bool overwrite,
                   const QString& locale);

// A free name for `title` (or, with scheme 0, the file's own name) in
// `directory`, numbered "[1]", "[2]", ... when taken.
QUrl uniqueFileName(const QUrl& currentFileUrl, const QString& title, const QUrl& directory, qint64 useCustomNames,
                    qint64 hdSetting, bool overwrite, bool caseSensitive);

// The pattern keywords for title and year: "titel" and "jahr" when the first
// preferred language begins with "de", otherwise "title" and "year".
QString titleKeyword(const QString& preferredLanguage);
QString yearKeyword(const QString& preferredLanguage);
// The first of the system's preferred languages.
QString systemPreferredLanguage();

// ":" becomes " -" and "/" becomes "-"; no text gives "empty".
QString sanitizedFileName(const QString& text);

// `name` made safe as one file name: the sanitised text, with control
// characters blanked, leading dots removed, never empty, and short enough that
// the longest name built from it (plus `reservedBytes`) fits the file system.
QString safeFileName(const QString& name, qsizetype reservedBytes);

}  // namespace MovieFileManager
