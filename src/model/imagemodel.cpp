#include "imagemodel.h"

std::shared_ptr<ImageModel> ImageModel::initWithData(const QByteArray& data, const QUrl& url,
                                                     std::optional<qint64> width, std::optional<qint64> height,
                                                     const QString& language, std::optional<qint64> voteCount)
{
    const platform::PicturePtr picture = platform::Picture::fromData(data);
    if (picture->isNull())
        return nullptr;
    auto model = std::make_shared<ImageModel>();
    model->setWidth(width);
    model->setHeight(height);
    model->setUrl(url);
    model->setLanguage(language);
    model->setVoteCount(voteCount);

    // The size the movie database reports is the picture's size in points and
    // stands for every rendition until the client learns the real ones.
    const QSizeF size(static_cast<float>(width.value_or(0)), static_cast<float>(height.value_or(0)));
    model->setImage(picture->withSize(size));
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
