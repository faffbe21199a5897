#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

#include <optional>

namespace platform {

// What the first bytes of a JPEG or a PNG tell of the picture, read straight from its
// markers or its first chunk: what an image reader tells, at a small part of the cost of
// setting one up (a load of thousands of covers would set one up for each).
struct PictureHeader {
    QByteArray format;    // "jpeg" or "png", as the image reader names them
    QSize stored;         // width and height as stored
    bool turned = false;  // an Exif orientation turns it a quarter: drawn, width and height swap

    // Nothing for bytes of another kind, bytes that end before the size, and a JPEG of a
    // kind the image reader may not read: those are left to the image reader.
    static std::optional<PictureHeader> read(QByteArrayView bytes);
};

}  // namespace platform
