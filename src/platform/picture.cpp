#include "picture.h"

#include "platform/imagedata.h"
#include "platform/pictureheader.h"

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

    void take(const PictureHeader& header)
    {
        format = header.format;
        turned = header.turned;
        pixelSize = header.turned ? header.stored.transposed() : header.stored;
    }

    std::once_flag encodeOnce;
    std::optional<QByteArray> jpeg;

    // Artwork left in a movie file: where its bytes lie. It moves when that file is saved.
    std::optional<FilePlace> place() const
    {
        const std::lock_guard lock(placeMutex);
        return filePlace;
    }
    void setPlace(const FilePlace& place)
    {
        const std::lock_guard lock(placeMutex);
        filePlace = place;
    }

private:
    mutable std::mutex placeMutex;
    std::optional<FilePlace> filePlace;
};

namespace {

enum class Header {
    Read,
    NoPicture,   // the bytes begin like no picture known here
    Unreadable,  // they begin like a picture, but no size could be read from them
};

// Format, pixel size and turn of the picture in `device`, as the image reader tells them.
Header readHeader(QIODevice& device, PictureHeader& header)
{
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    if (device.size() == 0 || !reader.canRead())
        return Header::NoPicture;
    QSize stored = reader.size();
    // A reader that cannot tell the size from the header learns it the long way.
    if (!stored.isValid()) {
        device.seek(0);
        stored = QImageReader(&device).read().size();
    }
    if (!stored.isValid() || stored.isEmpty())
        return Header::Unreadable;
    header = {reader.format(), stored, reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)};
    return Header::Read;
}

// The same for the picture whose bytes, or whose first bytes, are `bytes`: a JPEG's or a
// PNG's read from them directly.
Header readHeader(const QByteArray& bytes, PictureHeader& header)
{
    if (const std::optional<PictureHeader> read = PictureHeader::read(bytes)) {
        header = *read;
        return Header::Read;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readHeader(buffer, header);
}

// The picture in `device` at `pixels` (its stored size when not scaled).
QImage decode(QIODevice& device, QSize pixels, bool turned)
{
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    // The reader scales before it turns the picture upright.
    if (pixels.isValid())
        reader.setScaledSize(turned ? pixels.transposed() : pixels);
    QImage decoded = reader.read();
    decoded.setDevicePixelRatio(1.0);
    return decoded;
}

}  // namespace

Picture::Picture(std::shared_ptr<Shared> shared, QSizeF displaySize, Keep keep)
    : m_shared(std::move(shared)), m_displaySize(displaySize), m_keep(keep)
{
}

std::shared_ptr<const Picture> Picture::fromData(const QByteArray& data, Keep keep)
{
    auto shared = std::make_shared<Shared>();
    PictureHeader header;
    const bool readable = readHeader(data, header) == Header::Read;
    if (readable)
        shared->take(header);
    // Bytes to be written back as they are stay even when no reader here understands them.
    if (readable || (keep == Keep::OwnFormat && !data.isEmpty()))
        shared->data = data;
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

std::shared_ptr<const Picture> Picture::fromFilePlace(const FilePlace& place, const QByteArray& head)
{
    auto shared = std::make_shared<Shared>();
    shared->setPlace(place);
    PictureHeader header;
    Header read = readHeader(head, header);
    // The file is read only for a picture whose header runs on past the first bytes given.
    if (read == Header::Unreadable && head.size() < place.length)
        readFromFilePlace(place, [&](QIODevice& device) { read = readHeader(device, header); });
    if (read == Header::Read)
        shared->take(header);
    const QSizeF size = shared->pixelSize;
    return std::shared_ptr<const Picture>(new Picture(std::move(shared), size, Keep::OwnFormat));
}

std::shared_ptr<const Picture> Picture::withSize(QSizeF displaySize) const
{
    return std::shared_ptr<const Picture>(new Picture(m_shared, displaySize, m_keep));
}

std::shared_ptr<const Picture> Picture::withOwnBytes() const
{
    const std::optional<FilePlace> place = m_shared->place();
    const std::optional<QByteArray> bytes = place ? bytesAtFilePlace(*place) : std::nullopt;
    if (!bytes)
        return withSize(m_displaySize);
    return std::shared_ptr<const Picture>(new Picture(fromData(*bytes, m_keep)->m_shared, m_displaySize, m_keep));
}

bool Picture::isNull() const
{
    return m_shared->pixelSize.isEmpty();
}

QByteArray Picture::data() const
{
    if (const std::optional<FilePlace> place = m_shared->place())
        return bytesAtFilePlace(*place).value_or(QByteArray());
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

std::optional<FilePlace> Picture::filePlace() const
{
    return m_shared->place();
}

void Picture::followMove(const FilePlace& place) const
{
    if (m_shared->place())
        m_shared->setPlace(place);
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
    const QSize wanted = scaled ? pixels : QSize();
    QImage decoded;
    if (const std::optional<FilePlace> place = m_shared->place()) {
        const bool turned = m_shared->turned;
        readFromFilePlace(*place,
                          [&decoded, wanted, turned](QIODevice& device) { decoded = decode(device, wanted, turned); });
        return decoded;
    }
    QBuffer buffer;
    buffer.setData(m_shared->data);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer, wanted, m_shared->turned);
}

std::optional<QByteArray> Picture::jpegData() const
{
    if (isJpeg()) {
        QByteArray bytes = data();
        return bytes.isEmpty() ? std::nullopt : std::optional<QByteArray>(std::move(bytes));
    }
    if (isNull())
        return std::nullopt;
    if (m_shared->place())
        return encodeJpeg(image());
    Shared& shared = *m_shared;
    std::call_once(shared.encodeOnce, [&shared, this] { shared.jpeg = encodeJpeg(image()); });
    return shared.jpeg;
}

}  // namespace platform
