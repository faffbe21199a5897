#include "helpers.h"

#include "model/moviemodel.h"

#include "platform/bookmark.h"
#include "platform/log.h"
#include "platform/regex.h"
#include "platform/settings.h"
#include "platform/textcut.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <array>

namespace {

// Only digits at the start count, as the fields of a time stamp are read.
quint64 leadingNumber(QStringView text)
{
    quint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + static_cast<quint64>(c.unicode() - u'0');
    }
    return value;
}

QString replaceUntilStable(QString text, const QRegularExpression& rule, const QString& replacementTemplate)
{
    for (;;) {
        QString next = platform::replaceAllMatches(text, rule, replacementTemplate);
        if (next == text)
            return text;
        text = std::move(next);
    }
}

}  // namespace

platform::PicturePtr imageFromData(const QByteArray& data)
{
    // One pixel is one point, whatever resolution the data records.
    return platform::Picture::fromData(data);
}

QUrl workingDirectoryURL()
{
    const QByteArray bookmark = platform::Settings::shared().dataValue("WorkingDirectoryBookmark");
    if (bookmark.isEmpty())
        return QUrl();
    // A path bookmark never goes stale, so there is nothing to renew.
    return platform::resolveBookmarkData(bookmark).value_or(QUrl());
}

quint64 millisecondsFromTimestamp(const QString& timestamp)
{
    if (timestamp.size() < 12)
        return 0;
    const QStringView text(timestamp);
    const quint64 hours = leadingNumber(text.mid(0, 2));
    const quint64 minutes = leadingNumber(text.mid(3, 2));
    const quint64 seconds = leadingNumber(text.mid(6, 2));
    const quint64 milliseconds = leadingNumber(text.mid(9, 3));
    return milliseconds + (minutes * 60 + hours * 3600 + seconds) * 1000;
}

QString timeStringFromMilliseconds(quint64 milliseconds)
{
    const quint64 seconds = milliseconds / 1000 + (milliseconds % 1000 >= 500 ? 1 : 0);
    return QString::asprintf("%02llu:%02llu:%02llu.%06llu", static_cast<unsigned long long>(seconds / 3600),
                             static_cast<unsigned long long>((seconds % 3600) / 60),
                             static_cast<unsigned long long>(seconds % 60), 0ULL);
}

std::optional<TagDay> dayFromTagDateString(const QString& text)
{
    // The time, when there is one, only has to look like one: the day is what is kept.
    static const QRegularExpression pattern(
        "^([0-9]{4})(?:-([0-9]{1,2})-([0-9]{1,2})(?:[T ][0-9]{1,2}:[0-9]{1,2}(?::[0-9]{1,2}(?:\\.[0-9]+)?)?Z?)?)?\\z",
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool yearOnly = !match.hasCaptured(2);
    const QDate day(match.captured(1).toInt(), yearOnly ? 1 : match.captured(2).toInt(),
                    yearOnly ? 1 : match.captured(3).toInt());
    if (!day.isValid())
        return std::nullopt;
    return TagDay{day, yearOnly};
}

QDateTime dateFromTagDateString(const QString& text)
{
    const std::optional<TagDay> tagDay = dayFromTagDateString(text);
    if (!tagDay)
        return MovieModel::emptyReleaseDate();
    return QDateTime(tagDay->day, QTime(12, 0), Qt::UTC);
}

QString dayText(const QDateTime& date)
{
    // The model's stand-in for "no date" is a real day; it must not pass for one.
    return MovieModel::isEmptyReleaseDate(date) ? QString() : date.toUTC().toString(QStringLiteral("yyyy-MM-dd"));
}

qint64 yearOfDate(const QDateTime& date)
{
    if (!date.isValid())
        return 0;
    return date.toUTC().date().year();
}

QStringList namesFromText(const QString& text, QChar separator)
{
    QStringList names;
    for (const QString& piece : text.split(separator)) {
        const QString name = piece.trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

QString sortTitleWithoutArticle(const QString& title)
{
    static const QString key = QStringLiteral("SortMovieNamesWithoutArticle");
    const platform::Settings& settings = platform::Settings::shared();
    if (settings.contains(key) && !settings.boolValue(key))
        return title;
    static const std::array<QString, 14> articles = {
        QStringLiteral("the "), QStringLiteral("a "),   QStringLiteral("der "),  QStringLiteral("die "),
        QStringLiteral("das "), QStringLiteral("ein "), QStringLiteral("eine "), QStringLiteral("les "),
        QStringLiteral("l'"),   QStringLiteral("le "),  QStringLiteral("la "),   QStringLiteral("un "),
        QStringLiteral("une "), QStringLiteral("des "),
    };
    for (const QString& article : articles)
        if (title.startsWith(article, Qt::CaseInsensitive))
            return platform::trimmedOfSpaces(title.mid(article.size()));
    return platform::trimmedOfSpaces(title);
}

QString removeParenthesizedText(const QString& text)
{
    // (*ANY): "." stops at every kind of line end, so each line is handled on its own.
    static const QRegularExpression beforeSpace("(*ANY)(.*)(\\ \\(.*\\)\\ )(.*)");
    static const QRegularExpression beforeFullStop("(*ANY)(.*)(\\ \\(.*\\)\\.)(.*)");
    static const QRegularExpression beforeComma("(*ANY)(.*)(\\ \\(.*\\)\\,)(.*)");
    QString result = replaceUntilStable(text, beforeSpace, QStringLiteral("$1 $3"));
    result = replaceUntilStable(result, beforeFullStop, QStringLiteral("$1.$3"));
    return replaceUntilStable(result, beforeComma, QStringLiteral("$1,$3"));
}
