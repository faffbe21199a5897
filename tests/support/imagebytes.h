#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>

namespace testsupport {

// PNG file bytes of `image`, as a service or a movie file would carry them.
QByteArray pngBytes(const QImage& image);

// PNG file bytes of a picture of `size` filled with `colour`.
QByteArray pngBytes(QSize size, const QColor& colour);

}  // namespace testsupport
