#include "imagemodel.h"

#include "platform/imagedata.h"

std::shared_ptr<ImageModel> ImageModel::initWithData(const QByteArray& data, const QUrl& url,
                                                     std::optional<qint64> width, std::optional<qint64> height,
                                                     const QString& language, std::optional<qint64> voteCount)
{
    QImage picture = platform::decodeImage(data);
    if (picture.isNull())
        return nullptr;
    auto model = std::make_shared<ImageModel>();
    model->setWidth(width);
    model->setHeight(height);
    model->setUrl(url);
    model->setLanguage(language);
    model->setVoteCount(voteCount);
    model->setImage(std::make_shared<const QImage>(std::move(picture)));

    // The size the movie database reports stands for every rendition until the
    // client learns the real ones.
    const QSizeF size(static_cast<float>(width.value_or(0)), static_cast<float>(height.value_or(0)));
    model->setLargeUrl(url);
    model->setMediumUrl(url);
    model->setSmallUrl(url);
    model->setLargeSize(size);
    model->setMediumSize(size);
    model->setSmallSize(size);
    return model;
}

QString ImageModel::coverSizeAsLabel() const
{
    if (!m_image || !m_width || !m_height)
        return QStringLiteral("- x -");
    return QString::asprintf("%.0f x %.0f", m_largeSize.width(), m_largeSize.height());
}
