#include "picture.h"

#include "platform/imagedata.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <mutex>

namespace platform {

struct Picture::Shared {
    QByteArray data;
    QByteArray format;
    QSize pixelSize{0, 0};  // as drawn; none for no picture
    bool turned = false;    // the file records a quarter turn: stored width and height swap
    QImage bitmap;          // a picture of pixels only

    std::once_flag encodeOnce;
    std::optional<QByteArray> jpeg;
};

namespace {

// A reader over `data`; the buffer must outlive it.
void openReader(QBuffer& buffer, QImageReader& reader, const QByteArray& data)
{
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setAutoTransform(true);
}

}  // namespace

Picture::Picture(std::shared_ptr<Shared> shared, QSizeF displaySize, Keep keep)
    : m_shared(std::move(shared)), m_displaySize(displaySize), m_keep(keep)
{
}

std::shared_ptr<const Picture> Picture::fromData(const QByteArray& data, Keep keep)
{
    auto shared = std::make_shared<Shared>();
    QBuffer buffer;
    QImageReader reader;
    openReader(buffer, reader, data);
    if (!data.isEmpty() && reader.canRead()) {
        QSize stored = reader.size();
        // A reader that cannot tell the size from the header learns it the long way.
        if (!stored.isValid())
            stored = QImage::fromData(data).size();
        if (stored.isValid() && !stored.isEmpty()) {
            shared->data = data;
            shared->format = reader.format();
            shared->turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
            shared->pixelSize = shared->turned ? stored.transposed() : stored;
        }
    }
    const QSizeF size = shared->pixelSize;
    return std::shared_ptr<const Picture>(new Picture(std::move(shared), size, keep));
}

std::shared_ptr<const Picture> Picture::fromFile(const QString& path)
{
    QFile file(path);
    return fromData(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

std::shared_ptr<const Picture> Picture::fromImage(const QImage& image)
{
    auto shared = std::make_shared<Shared>();
    if (!image.isNull()) {
        shared->bitmap = image;
        shared->bitmap.setDevicePixelRatio(1.0);
        shared->pixelSize = image.size();
    }
    const QSizeF size = shared->pixelSize;
    return std::shared_ptr<const Picture>(new Picture(std::move(shared), size, Keep::AsJpeg));
}

std::shared_ptr<const Picture> Picture::withSize(QSizeF displaySize) const
{
    return std::shared_ptr<const Picture>(new Picture(m_shared, displaySize, m_keep));
}

bool Picture::isNull() const
{
    return m_shared->pixelSize.isEmpty();
}

QByteArray Picture::data() const
{
    return m_shared->data;
}

QByteArray Picture::format() const
{
    return m_shared->format;
}

bool Picture::isJpeg() const
{
    return m_shared->format == "jpeg";
}

QSize Picture::pixelSize() const
{
    return m_shared->pixelSize;
}

QImage Picture::image(QSize pixels) const
{
    if (isNull())
        return QImage();
    const bool scaled = pixels.isValid() && !pixels.isEmpty() && pixels != m_shared->pixelSize;
    if (!m_shared->bitmap.isNull())
        return scaled ? m_shared->bitmap.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      : m_shared->bitmap;
    QBuffer buffer;
    QImageReader reader;
    openReader(buffer, reader, m_shared->data);
    // The reader scales before it turns the picture upright.
    if (scaled)
        reader.setScaledSize(m_shared->turned ? pixels.transposed() : pixels);
    QImage decoded = reader.read();
    decoded.setDevicePixelRatio(1.0);
    return decoded;
}

std::optional<QByteArray> Picture::jpegData() const
{
    if (isJpeg())
        return m_shared->data;
    if (isNull())
        return std::nullopt;
    Shared& shared = *m_shared;
    std::call_once(shared.encodeOnce, [&shared, this] { shared.jpeg = encodeJpeg(image()); });
    return shared.jpeg;
}

}  // namespace platform
