#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace online {

// What a record asks of a subtitle, plus the most downloads among the
// candidates (-1 when none of them has a download count).
struct SubtitleWish {
    QString language;
    QString name;
    qint64 year = 0;
    bool isHD = false;
    qint64 highestDownloads = -1;
};

// "download_count" plus "new_download_count"; none without a download count.
std::optional<qint64> subtitleDownloads(const QJsonObject& attributes);

// The id of the only file of a subtitle that has exactly one file with an id.
std::optional<QJsonValue> singleSubtitleFileId(const QJsonObject& attributes);

// Points for language, popularity, year, title, picture format, kind and
// uploader; fields of the wrong type earn nothing.
int subtitleScore(const QJsonObject& attributes, const SubtitleWish& wish);

}  // namespace online
