#include "tagging/eyetvepegloader.h"

#include "model/contentrating.h"
#include "model/helpers.h"
#include "model/moviemodel.h"
#include "online/moviegenre.h"
#include "platform/log.h"
#include "platform/propertylist.h"
#include "platform/settings.h"
#include "platform/textcut.h"
#include "tagging/filepaths.h"

#include <QFile>
#include <QRegularExpression>
#include <QTimeZone>

namespace EyeTVEPegLoader {

namespace {

constexpr qsizetype shortDescriptionLength = 255;
constexpr qint64 maxPropertyListBytes = 32 * 1024 * 1024;

// A guide value as text: texts as they are, numbers formatted; anything else counts as absent.
QString textValue(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::ULongLong:
        case QMetaType::UInt:
        case QMetaType::Double:
            return value.toString();
        default:
            return QString();
    }
}

// "<year>-01-01 12:00:00 +0000" as a date; none when the year is no year.
QDateTime releaseDateOfYear(const QString& year)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,4}$"));
    const QString text = year.isNull() ? QStringLiteral("2012") : year;
    if (!digits.match(text).hasMatch())
        return QDateTime();
    const QDate date(text.toInt(), 1, 1);
    return date.isValid() ? QDateTime(date, QTime(12, 0), QTimeZone::utc()) : QDateTime();
}

// One name per line; the blank lines a guide text may end with name nobody.
std::optional<QStringList> splitNames(const QString& text)
{
    if (text.isNull())
        return std::nullopt;
    return namesFromText(text, u'\n');
}

}  // namespace

std::optional<QVariantMap> loadEyeTvProperties(const QUrl& recordingUrl)
{
    const QString folder = recordingUrl.toLocalFile();
    QString found;
    for (const QString& subpath : FilePaths::subpathsOfDirectory(folder)) {
        if (subpath.endsWith(QStringLiteral(".eyetvp"))) {
            found = subpath;
            break;
        }
    }
    if (found.isNull())
        return std::nullopt;
    QFile file(folder + u'/' + found);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::log(QStringLiteral("Error reading plist: %1").arg(file.errorString()));
        return std::nullopt;
    }
    // Guide data takes a few kilobytes; a huge file is not read into memory.
    if (file.size() > maxPropertyListBytes) {
        platform::log(QStringLiteral("Error reading plist: file too large"));
        return std::nullopt;
    }
    const std::optional<QVariant> parsed = platform::parsePropertyList(file.readAll());
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap) {
        platform::log(
            QStringLiteral("Error reading plist: %1")
                .arg(parsed ? QStringLiteral("not a dictionary") : QStringLiteral("malformed property list")));
        return std::nullopt;
    }
    return parsed->toMap();
}

QString getRatingFromEyeTvInfo(const QString& countryLocale, const QString& mpaaRating, const QString& fskRating)
{
    const ContentRating table(countryLocale);
    QString name;
    if (countryLocale == u"de") {
        if (fskRating.isNull())
            return QString();
        const bool fskNames = platform::Settings::shared().boolValue(QStringLiteral("UseFSKRatingsInsteadOfAbJahren"));
        name = (fskNames ? QStringLiteral("FSK %1") : QStringLiteral("ab %1 Jahren")).arg(fskRating);
    } else {
        if (mpaaRating.isNull())
            return QString();
        name = mpaaRating.toUpper();
    }
    return table.ratingValueForName(name);
}

void getActorsAndDirectorFromEyeTvInfo(const QString& director, const QString& actors,
                                       std::optional<QStringList>* directors, std::optional<QStringList>* actorList)
{
    if (directors)
        *directors = splitNames(director);
    if (actorList)
        *actorList = splitNames(actors);
}

QString getGenreFromEyeTvInfo(const QString& content, const QString& abstract, const QString& tvtvtext)
{
    for (const QString& text : {content, abstract, tvtvtext}) {
        if (text.isNull())
            continue;
        const QString genre = MovieGenre::extractGenreFromString(text.trimmed());
        if (!genre.isNull())
            return genre;
    }
    return QString();
}

bool loadEyeTVEPegInfos(const QUrl& recordingUrl, MovieModel& movie, const QString& countryLocale)
{
    const std::optional<QVariantMap> properties = loadEyeTvProperties(recordingUrl);
    if (!properties)
        return false;
    const QString displayTitle = textValue(*properties, QStringLiteral("display title"));
    const QVariant epgValue = properties->value(QStringLiteral("epg info"));
    if (epgValue.typeId() != QMetaType::QVariantMap) {
        platform::log(QStringLiteral("no epeg data in file %1").arg(recordingUrl.toString()));
        return false;
    }
    const QVariantMap epg = epgValue.toMap();
    auto text = [&epg](const char* key) { return textValue(epg, QString::fromLatin1(key)); };

    const QString title = text("TITLE");
    if (!title.isNull())
        movie.setTitle(title);
    else if (!displayTitle.isNull())
        movie.setTitle(displayTitle);

    movie.setReleaseDate(releaseDateOfYear(text("YEAR")));
    movie.setRating(getRatingFromEyeTvInfo(countryLocale, text("MPAA_RATING"), text("FSK")));

    std::optional<QStringList> directors;
    std::optional<QStringList> actors;
    getActorsAndDirectorFromEyeTvInfo(text("DIRECTOR"), text("ACTORS"), &directors, &actors);
    movie.setDirectors(directors);
    movie.setArtists(actors);

    const QString description = text("DESCRIPTION");
    if (!description.isNull()) {
        const QString cleaned = removeParenthesizedText(description);
        movie.setShortDescription(platform::leftWithoutSplittingPairs(cleaned, shortDescriptionLength));
        movie.setLongDescription(cleaned);
    }

    movie.setGenre(getGenreFromEyeTvInfo(text("CONTENT"), text("ABSTRACT"), text("TVTVLTEXT")));
    return true;
}

}  // namespace EyeTVEPegLoader
