#include "imagedata.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace platform {

namespace {

// High enough that the one encoding a picture gets loses nothing visible.
constexpr int kJpegQuality = 90;

}  // namespace

QImage decodeImage(const QByteArray& data)
{
    if (data.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

std::optional<QByteArray> encodeJpeg(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    // JPEG has no alpha: flatten transparent pictures onto white, not black.
    QImage opaque = image;
    if (image.hasAlphaChannel()) {
        opaque = QImage(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    if (!writer.write(opaque))
        return std::nullopt;
    return bytes;
}

}  // namespace platform
