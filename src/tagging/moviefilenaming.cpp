#include "tagging/moviefilenaming.h"

#include "model/contentrating.h"
#include "model/moviemodel.h"
#include "online/moviegenre.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "tagging/filepaths.h"
#include "tagging/filledpattern.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <optional>

namespace MovieFileManager {

namespace {

// The file system's limit for one name, in bytes.
constexpr qsizetype maxNameBytes = 255;
// Renaming passes through "<name>.tmp", which must fit as well.
constexpr qsizetype temporarySuffixBytes = 4;

platform::Settings& settings()
{
    return platform::Settings::shared();
}

QString trimBlanksAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

QString yearAsDateText(const QString& digits)
{
    return digits + QStringLiteral("-01-01 12:00:00 +0000");
}

QRegularExpressionMatch firstMatch(const QString& expression, const QString& text)
{
    return QRegularExpression(expression, QRegularExpression::CaseInsensitiveOption).match(text);
}

// Delimiters as regular expressions: the title is the group between them.
std::optional<QString> titleBetweenExpressions(const QString& text, const QString& begin, const QString& end)
{
    QString pattern = QStringLiteral("(.*)");
    int group = 1;
    if (!begin.isEmpty()) {
        pattern = QStringLiteral("(%1)%2").arg(begin, pattern);
        group = 2;
    }
    if (!end.isEmpty())
        pattern = QStringLiteral("%1(%2)").arg(pattern, end);
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    if (!expression.isValid())
        return std::nullopt;
    const QRegularExpressionMatch match = expression.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(group);
}

// The character at `i`, a surrogate pair taken whole; `length` gets its size.
char32_t characterAt(QStringView text, qsizetype i, qsizetype& length)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        length = 2;
        return QChar::surrogateToUcs4(text[i], text[i + 1]);
    }
    length = 1;
    return text[i].unicode();
}

// Delimiters as character sets: after the first begin character, before the
// last end character. Characters beyond the 16-bit range count whole.
QString titleBetweenCharacters(QString text, const QString& begin, const QString& end)
{
    const QList<uint> beginSet = begin.toUcs4();
    const QList<uint> endSet = end.toUcs4();
    qsizetype length = 1;
    for (qsizetype i = 0; i < text.size() && !beginSet.isEmpty(); i += length) {
        if (beginSet.contains(characterAt(text, i, length))) {
            text = text.mid(i + length);
            break;
        }
    }
    qsizetype last = -1;
    for (qsizetype i = 0; i < text.size() && !endSet.isEmpty(); i += length) {
        if (endSet.contains(characterAt(text, i, length)))
            last = i;
    }
    return last < 0 ? text : text.left(last);
}

struct Keyword {
    QString word;
    QString value;                 // empty: missing
    bool keptWhenMissing = false;  // the title keyword stays in the name without a title
};

// One pass over the pattern: a value put in is never searched for keywords,
// so a title holding "year" or "format" stays as it is. Any other keyword
// without a value is left out, and what that leaves is tidied; a pattern
// whose values are all there is filled as it stands.
QString fillKeywords(const QString& pattern, const QList<Keyword>& keywords)
{
    FilledPattern filled;
    bool leftOut = false;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const auto found = std::ranges::find_if(keywords, [&](const Keyword& keyword) {
            return (!keyword.value.isEmpty() || !keyword.keptWhenMissing) &&
                   QStringView(pattern).sliced(i).startsWith(keyword.word);
        });
        if (found == keywords.end()) {
            filled.appendPatternText(pattern[i++]);
            continue;
        }
        filled.appendValue(found->value);
        leftOut = leftOut || found->value.isEmpty();
        i += found->word.size();
    }
    if (leftOut)
        filled.tidy();
    return filled.text();
}

QString pictureFormatSuffix(qint64 hdSetting)
{
    if (hdSetting <= 0)
        return QString("");
    if (hdSetting == 1)
        return QStringLiteral(" (HD)");
    if (hdSetting == 2)
        return QStringLiteral(" (1080p HD)");
    return QStringLiteral(" (4K)");
}

struct PictureFormatWords {
    QString hd;
    QString format;
};

PictureFormatWords pictureFormatWords(qint64 hdVideo)
{
    switch (hdVideo) {
        case 3:
            return {QStringLiteral("4K"), QStringLiteral("2160p")};
        case 2:
            return {QStringLiteral("HD"), QStringLiteral("1080p")};
        case 1:
            return {QStringLiteral("HD"), QStringLiteral("720p")};
        default:
            return {QStringLiteral("SD"), QStringLiteral("480p")};
    }
}

qint64 currentScheme()
{
    if (settings().boolValue(QStringLiteral("WritePLEXFiles")))
        return TitleAndYear;
    return settings().integerValue(QStringLiteral("FileNamePatternForSaving"));
}

QString placeHolderPattern()
{
    const QString key = QStringLiteral("FileNamePlaceHolderPattern");
    return settings().contains(key) ? settings().stringValue(key)
                                    : platform::localized(QStringLiteral("startFilePattern"));
}

QString joinedName(const QString& stem, const QString& extension)
{
    return extension.isEmpty() ? stem : stem + u'.' + extension;
}

qsizetype utf8Size(const QString& text)
{
    return text.toUtf8().size();
}

}  // namespace

QString titleKeyword(const QString& preferredLanguage)
{
    return preferredLanguage.startsWith(QStringLiteral("de")) ? QStringLiteral("titel") : QStringLiteral("title");
}

QString yearKeyword(const QString& preferredLanguage)
{
    return preferredLanguage.startsWith(QStringLiteral("de")) ? QStringLiteral("jahr") : QStringLiteral("year");
}

QString systemPreferredLanguage()
{
    return QLocale::system().uiLanguages().value(0);
}

QString makeTitleFromFileURL(const QUrl& fileUrl)
{
    if (fileUrl.isEmpty())
        return QString("");
    QString text = FilePaths::deletingPathExtension(FilePaths::lastPathComponent(fileUrl));
    if (!settings().boolValue(QStringLiteral("DoNotReplaceUnderscoresAndDots"))) {
        text.replace(u'_', u' ');
        text.replace(u'.', u' ');
    }
    if (!settings().boolValue(QStringLiteral("UseFileNameDelimiterForTitle")))
        return text;
    const QString begin = settings().stringValue(QStringLiteral("ParseFileNameForTitleDelimiterBegin"));
    const QString end = settings().stringValue(QStringLiteral("ParseFileNameForTitleDelimiter"));
    if (begin.isEmpty() && end.isEmpty())
        return text;
    if (settings().boolValue(QStringLiteral("UseRegExForTitleExtraction"))) {
        const std::optional<QString> title = titleBetweenExpressions(text, begin, end);
        return title ? trimBlanksAndTabs(*title) : text;
    }
    return trimBlanksAndTabs(titleBetweenCharacters(text, begin, end));
}

bool parsePlexName(const QString& fileName, QString* title, QString* year, QString* hdflag)
{
    const QRegularExpressionMatch yearPart = firstMatch(QStringLiteral("[\\-\\,\\ ]*\\([0-9]{4}\\)"), fileName);
    if (!yearPart.hasMatch())
        return false;
    if (title)
        *title = fileName.left(yearPart.capturedStart());
    const QRegularExpressionMatch digits = firstMatch(QStringLiteral("\\([0-9]{4}\\)"), yearPart.captured());
    if (year && digits.hasMatch())
        *year = yearAsDateText(digits.captured().mid(1, 4));
    const QRegularExpressionMatch letters = firstMatch(QStringLiteral("[SHD]{2}\\.m[p4][4v]$"), fileName);
    if (hdflag && letters.hasMatch())
        *hdflag = letters.captured().left(2);
    const QRegularExpressionMatch lines = firstMatch(QStringLiteral("[0-9]{3,4}p\\.m[p4][4v]$"), fileName);
    if (hdflag && lines.hasMatch())
        *hdflag = lines.captured().chopped(4);
    return true;
}

bool parseEyeTVName(const QString& fileName, QString* title, QString* year, QString* genre)
{
    const QRegularExpressionMatch tail = firstMatch(
        QStringLiteral("\\ \\-\\ [A-Z\\,\\ ]+[0-9]{4}\\,\\ .+\\.m[p4][4v]$|\\ \\-\\ [A-Z\\,\\ ]+[0-9]{4}\\.m[p4][4v]$"),
        fileName);
    if (!tail.hasMatch())
        return false;
    if (title)
        *title = fileName.left(tail.capturedStart());
    const QString matched = tail.captured();
    const QRegularExpressionMatch yearPart = firstMatch(QStringLiteral("[0-9]{4}\\,|[0-9]{4}\\."), matched);
    if (year && yearPart.hasMatch())
        *year = yearAsDateText(yearPart.captured().chopped(1));
    const QRegularExpressionMatch genrePart = firstMatch(QStringLiteral("\\,\\ .+\\.m[p4][4v]$"), matched);
    if (genre && genrePart.hasMatch())
        *genre = MovieGenre::extractGenreFromString(genrePart.captured().mid(2).chopped(4));
    return true;
}

QString getCustomPattern(const MovieModel& movie, const QString& pattern, const QString& year, const QString& hd,
                         const QString& format, const QString& rating, const QString& locale)
{
    const QString language = systemPreferredLanguage();
    const QString ratingName =
        rating.isNull() ? QString() : ContentRating(locale).ratingNameForValue(rating).remove(QStringLiteral("---"));
    const bool dated = !MovieModel::isEmptyReleaseDate(movie.releaseDate());
    const QList<Keyword> keywords{
        {titleKeyword(language), movie.title(), true},
        {yearKeyword(language), dated ? year : QString()},
        {QStringLiteral("rating"), ratingName},
        {QStringLiteral("hd"), hd},
        {QStringLiteral("format"), format},
        {QStringLiteral("genre"), movie.genre()},
    };
    return trimBlanksAndTabs(fillKeywords(pattern, keywords));
}

QString extractYearFromReleaseDate(const QDateTime& date)
{
    if (MovieModel::isEmptyReleaseDate(date))
        return QString();
    return date.toTimeZone(QTimeZone::utc()).toString(QStringLiteral("yyyy"));
}

QString sanitizedFileName(const QString& text)
{
    if (text.isNull())
        return QStringLiteral("empty");
    QString name = text;
    name.replace(u':', QStringLiteral(" -"));
    name.replace(u'/', u'-');
    return name;
}

QString safeFileName(const QString& name, qsizetype reservedBytes)
{
    QString text = sanitizedFileName(name);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    // A leading dot would hide the file, and "." or ".." would name a folder.
    qsizetype dots = 0;
    while (dots < text.size() && text[dots] == u'.')
        ++dots;
    text.remove(0, dots);
    if (text.isEmpty())
        text = QStringLiteral("empty");
    const qsizetype budget = std::max<qsizetype>(maxNameBytes - reservedBytes, 16);
    while (utf8Size(text) > budget) {
        text.chop(1);
        if (!text.isEmpty() && text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QUrl uniqueFileName(const QUrl& currentFileUrl, const QString& title, const QUrl& directory, qint64 useCustomNames,
                    qint64 hdSetting, bool overwrite, bool caseSensitive)
{
    const QString currentName = FilePaths::lastPathComponent(currentFileUrl);
    const QString extension = FilePaths::pathExtension(currentName);
    const QString suffix = pictureFormatSuffix(hdSetting);
    const qsizetype extensionBytes = extension.isEmpty() ? 0 : utf8Size(extension) + 1;

    if (useCustomNames == TitleAndYear && settings().boolValue(QStringLiteral("SeparateFoldersForPLEXFiles")))
        return FilePaths::appendingPathComponent(
            directory, joinedName(safeFileName(title, extensionBytes + temporarySuffixBytes), extension));

    const QString currentPath = currentFileUrl.toLocalFile();
    const Qt::CaseSensitivity sensitivity = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qint64 counter = 0;; ++counter) {
        const QString number = counter > 0 ? QStringLiteral("[%1]").arg(counter) : QString("");
        QString stem;
        if (useCustomNames == KeepFileName) {
            stem = FilePaths::deletingPathExtension(currentName) + number;
        } else {
            const qsizetype reserved = utf8Size(suffix + number) + extensionBytes + temporarySuffixBytes;
            stem = safeFileName(title, reserved) + suffix + number;
        }
        const QUrl candidate = FilePaths::appendingPathComponent(directory, joinedName(stem, extension));
        const QString candidatePath = candidate.toLocalFile();
        const bool exists = FilePaths::entryExists(candidatePath);
        // Taking over a name the current file holds in another letter case is
        // only safe when it is this very file: a file system that tells cases
        // apart may hold another movie under that spelling.
        const bool sameName = candidate.toString().compare(currentFileUrl.toString(), sensitivity) == 0;
        if (sameName && overwrite &&
            (candidatePath == currentPath || !exists || FilePaths::isSameEntry(candidatePath, currentPath)))
            return candidate;
        if (!exists)
            return candidate;
    }
}

QUrl getNewFileURL(const MovieModel& movie, const QUrl& directory, bool caseSensitive, bool overwrite,
                   const QString& locale)
{
    const qint64 scheme = currentScheme();
    const QUrl folder = directory.isEmpty() ? FilePaths::deletingLastPathComponent(movie.fileUrl()) : directory;
    const qint64 hdVideo = movie.hdVideo().value_or(0);
    QString name;
    qint64 suffixLevel = 0;
    switch (scheme) {
        case TitleAndYear: {
            const QString language = systemPreferredLanguage();
            const QString pattern = QStringLiteral("%1 - (%2)").arg(titleKeyword(language), yearKeyword(language));
            name = getCustomPattern(movie, pattern, extractYearFromReleaseDate(movie.releaseDate()), QString(""),
                                    QString(""), QString(""), QString(""));
            break;
        }
        case TitleAndPictureFormat:
            name = movie.title().isEmpty() ? makeTitleFromFileURL(movie.fileUrl()) : movie.title();
            suffixLevel = hdVideo;
            break;
        case CustomPattern: {
            const PictureFormatWords words = pictureFormatWords(hdVideo);
            const QString rating = movie.rating().isNull() ? QString("") : movie.rating();
            name = getCustomPattern(movie, placeHolderPattern(), extractYearFromReleaseDate(movie.releaseDate()),
                                    words.hd, words.format, rating, locale);
            break;
        }
        default:
            name = movie.title();
            break;
    }
    return uniqueFileName(movie.fileUrl(), name, folder, scheme, suffixLevel, overwrite, caseSensitive);
}

}  // namespace MovieFileManager
