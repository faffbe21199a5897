#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace platform {

// The picture in `data` (any format Qt reads); a null QImage when the data is
// not a picture.
QImage decodeImage(const QByteArray& data);

// `image` as JPEG at quality 90, transparency onto white; nullopt for a null image
// or when encoding fails.
std::optional<QByteArray> encodeJpeg(const QImage& image);

}  // namespace platform
