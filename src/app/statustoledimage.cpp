#include "app/statustoledimage.h"

#include <array>

namespace {

const std::array<QImage, 4>& leds()
{
    static const std::array<QImage, 4> images = {
        QImage(QStringLiteral(":/images/status_none.png")),
        QImage(QStringLiteral(":/images/status_unavailable.png")),
        QImage(QStringLiteral(":/images/status_partially_available.png")),
        QImage(QStringLiteral(":/images/status_available.png")),
    };
    return images;
}

}  // namespace

const QImage& StatusToLedImage::ledImage(qint64 status)
{
    return leds().at(status >= 0 && status <= 3 ? static_cast<size_t>(status) : 0);
}

QMetaType StatusToLedImage::transformedValueClass() const
{
    return QMetaType::fromType<QImage>();
}

QVariant StatusToLedImage::transformedValue(const QVariant& value) const
{
    return ledImage(integerOf(value).value_or(0));
}

QVariant StatusToLedImage::reverseTransformedValue(const QVariant& value) const
{
    // The very images handed out, recognised by identity.
    const qint64 key = value.metaType() == QMetaType::fromType<QImage>() ? value.value<QImage>().cacheKey() : 0;
    for (qint64 status = 0; status < 3; ++status) {
        if (key != 0 && key == ledImage(status).cacheKey())
            return status;
    }
    return qint64(3);
}
