#pragma once

#include "platform/fileplace.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <memory>
#include <optional>

namespace platform {

// A picture as it came: the encoded bytes of a file, a download or a movie
// file's artwork (JPEG, PNG, ...) with their format and pixel size, read from
// the header without decoding; or a bitmap alone (pasted pixels). Holding one
// costs about its file size: a bitmap is decoded only when asked for, at the
// size asked for.
//
// Artwork of a movie file may instead stay where it lies: such a picture keeps
// only its place in the file and reads its bytes each time they are asked for,
// as long as the file is still the one it was read from (else it reads as no
// bytes and no bitmap, and says so in the log).
//
// Immutable and shared through std::shared_ptr<const Picture>; copies share
// the bytes, the bitmap and the one JPEG encoding, so copying is cheap and
// a picture is encoded at most once whoever asks.
class Picture {
public:
    // What a writer may do with the bytes of a picture that is not JPEG.
    enum class Keep {
        AsJpeg,     // converted to JPEG once (a dropped or downloaded picture)
        OwnFormat,  // written back as they are, whatever they are (artwork read from a movie file)
    };

    // The picture in `data`. Data whose header reads as no picture gives a
    // null picture (that still keeps the bytes when they are to be kept in
    // their own format); data whose header reads but whose body is damaged
    // gives a picture that decodes to a null bitmap.
    static std::shared_ptr<const Picture> fromData(const QByteArray& data, Keep keep = Keep::AsJpeg);
    // The picture in the file (or Qt resource) at `path`, as fromData reads it.
    static std::shared_ptr<const Picture> fromFile(const QString& path);
    // A picture of pixels only; it has no bytes until jpegData() is asked.
    static std::shared_ptr<const Picture> fromImage(const QImage& image);
    // Artwork left in a movie file at `place`, whose first bytes are `head`: its format and
    // size are read from those, and from the file only when its header runs on past them.
    // Kept in its own format.
    static std::shared_ptr<const Picture> fromFilePlace(const FilePlace& place, const QByteArray& head);

    // The same picture shown at `displaySize` points instead of its pixel size.
    std::shared_ptr<const Picture> withSize(QSizeF displaySize) const;
    // The same picture holding its bytes: read now from its place in a file,
    // so that it no longer depends on that file. A picture that already holds
    // them, or whose file changed, comes as it is.
    std::shared_ptr<const Picture> withOwnBytes() const;

    bool isNull() const;
    // The bytes it came in (read from its file place); empty for a picture of pixels only.
    QByteArray data() const;
    // "jpeg", "png", ... as the header says; empty for pixels only or an unknown format.
    QByteArray format() const;
    bool isJpeg() const;
    bool keepsOwnFormat() const { return m_keep == Keep::OwnFormat; }
    // Where its bytes lie, for a picture left in a movie file.
    std::optional<FilePlace> filePlace() const;
    // The file that holds the bytes was written and they now lie at `place`,
    // unchanged: the picture follows them (for everyone sharing it).
    void followMove(const FilePlace& place) const;
    // Pixels as drawn (a rotation recorded in the file already applied); 0 x 0
    // for no picture.
    QSize pixelSize() const;
    // Size in points: the pixel size unless the picture was given another.
    QSizeF size() const { return m_displaySize; }

    // The bitmap at `pixels` (its own pixel size when invalid); a null image
    // when the data is damaged or cannot be read.
    QImage image(QSize pixels = QSize()) const;
    // The bytes themselves when they are JPEG; otherwise the picture encoded
    // as JPEG at quality 90 (transparency onto white), once, then kept (each
    // time for a picture in a file, which keeps nothing in memory).
    // nullopt when there is nothing to encode.
    std::optional<QByteArray> jpegData() const;

private:
    struct Shared;
    Picture(std::shared_ptr<Shared> shared, QSizeF displaySize, Keep keep);

    std::shared_ptr<Shared> m_shared;
    QSizeF m_displaySize;
    Keep m_keep = Keep::AsJpeg;
};

using PicturePtr = std::shared_ptr<const Picture>;

}  // namespace platform
