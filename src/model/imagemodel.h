#pragma once

#include <QByteArray>
#include "platform/picture.h"

#include <QSizeF>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

// One cover candidate of a movie-database result: a poster with its size,
// language, vote count and the addresses of its three renditions.
class ImageModel {
public:
    ImageModel() = default;

    // A candidate holding the picture decoded from `data`, with every rendition
    // at `url` and w x h; null when the data is not a picture.
    static std::shared_ptr<ImageModel> initWithData(const QByteArray& data, const QUrl& url,
                                                    std::optional<qint64> width, std::optional<qint64> height,
                                                    const QString& language, std::optional<qint64> voteCount);

    // "w x h" of the large rendition, or "- x -" without picture or size.
    QString coverSizeAsLabel() const;

    std::optional<qint64> width() const { return m_width; }
    void setWidth(std::optional<qint64> width) { m_width = width; }
    std::optional<qint64> height() const { return m_height; }
    void setHeight(std::optional<qint64> height) { m_height = height; }
    const QUrl& url() const { return m_url; }
    void setUrl(const QUrl& url) { m_url = url; }
    const platform::PicturePtr& image() const { return m_image; }
    void setImage(platform::PicturePtr image) { m_image = std::move(image); }
    const QUrl& smallUrl() const { return m_smallUrl; }
    void setSmallUrl(const QUrl& url) { m_smallUrl = url; }
    const QUrl& mediumUrl() const { return m_mediumUrl; }
    void setMediumUrl(const QUrl& url) { m_mediumUrl = url; }
    const QUrl& largeUrl() const { return m_largeUrl; }
    void setLargeUrl(const QUrl& url) { m_largeUrl = url; }
    const QString& language() const { return m_language; }
    void setLanguage(const QString& language) { m_language = language; }
    std::optional<qint64> voteCount() const { return m_voteCount; }
    void setVoteCount(std::optional<qint64> voteCount) { m_voteCount = voteCount; }
    QSizeF smallSize() const { return m_smallSize; }
    void setSmallSize(QSizeF size) { m_smallSize = size; }
    QSizeF mediumSize() const { return m_mediumSize; }
    void setMediumSize(QSizeF size) { m_mediumSize = size; }
    QSizeF largeSize() const { return m_largeSize; }
    void setLargeSize(QSizeF size) { m_largeSize = size; }

private:
    std::optional<qint64> m_width;
    std::optional<qint64> m_height;
    QUrl m_url;
    platform::PicturePtr m_image;
    QUrl m_smallUrl;
    QUrl m_mediumUrl;
    QUrl m_largeUrl;
    QString m_language;
    std::optional<qint64> m_voteCount;
    QSizeF m_smallSize;
    QSizeF m_mediumSize;
    QSizeF m_largeSize;
};
