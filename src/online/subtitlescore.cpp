#include "subtitlescore.h"

#include "online/jsonscalars.h"

#include <QJsonArray>

#include <limits>

namespace online {

namespace {

bool titlesMatch(const QString& featureTitle, const QString& name)
{
    if (featureTitle.isEmpty() || name.isEmpty())
        return false;
    const QString a = featureTitle.toLower();
    const QString b = name.toLower();
    return a.size() >= b.size() ? a.startsWith(b) : b.startsWith(a);
}

}  // namespace

std::optional<qint64> subtitleDownloads(const QJsonObject& attributes)
{
    const std::optional<qint64> count = jsonInteger(attributes.value(QLatin1String("download_count")));
    if (!count)
        return std::nullopt;
    const qint64 fresh = jsonInteger(attributes.value(QLatin1String("new_download_count"))).value_or(0);
    qint64 sum = 0;
    if (__builtin_add_overflow(*count, fresh, &sum))
        sum = fresh > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}

std::optional<QJsonValue> singleSubtitleFileId(const QJsonObject& attributes)
{
    const QJsonValue files = attributes.value(QLatin1String("files"));
    if (!files.isArray() || files.toArray().size() != 1)
        return std::nullopt;
    const QJsonValue fileId = files.toArray().first().toObject().value(QLatin1String("file_id"));
    if (!fileId.isDouble() && !fileId.isString())
        return std::nullopt;
    return fileId;
}

int subtitleScore(const QJsonObject& attributes, const SubtitleWish& wish)
{
    int score = 0;
    const QJsonValue language = attributes.value(QLatin1String("language"));
    if (language.isString() && language.toString().toLower() == wish.language.toLower())
        score += 1000;
    if (const std::optional<qint64> downloads = subtitleDownloads(attributes)) {
        if (*downloads > 200)
            score += 100;
        if (*downloads > 1000)
            score += 100;
        if (*downloads == wish.highestDownloads)
            score += 500;
    }
    const QJsonObject feature = attributes.value(QLatin1String("feature_details")).toObject();
    if (jsonInteger(feature.value(QLatin1String("year"))) == wish.year)
        score += 100;
    const QJsonValue title = feature.value(QLatin1String("title"));
    if (title.isString() && titlesMatch(title.toString(), wish.name))
        score += 100;
    if (const std::optional<bool> hd = jsonBool(attributes.value(QLatin1String("hd"))); hd && *hd == wish.isHD)
        score += 100;
    if (feature.value(QLatin1String("feature_type")) == QJsonValue(QStringLiteral("Movie")))
        score += 50;
    if (jsonBool(attributes.value(QLatin1String("from_trusted"))).value_or(false))
        score += 50;
    return score;
}

}  // namespace online
