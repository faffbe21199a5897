#include "tagging/coverartwork.h"

#include "mp4/moviefile.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tagging/utf8text.h"

#include <QFileInfo>

#include <algorithm>

namespace CoverArtwork {

namespace {

QByteArray bytesOf(const std::vector<std::uint8_t>& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

mp4::ArtworkType artworkTypeOf(const QByteArray& format)
{
    if (format == "jpeg")
        return mp4::ArtworkType::Jpeg;
    if (format == "png")
        return mp4::ArtworkType::Png;
    if (format == "gif")
        return mp4::ArtworkType::Gif;
    if (format == "bmp")
        return mp4::ArtworkType::Bmp;
    return mp4::ArtworkType::Undefined;  // typed by its first bytes when written
}

bool sameFile(const QString& first, const QString& second)
{
    return first == second || QFileInfo(first).canonicalFilePath() == QFileInfo(second).canonicalFilePath();
}

// The bytes to write for a picture without a place in the target.
std::optional<QByteArray> bytesToWrite(const platform::Picture& picture)
{
    if (picture.keepsOwnFormat()) {
        QByteArray bytes = picture.data();
        return bytes.isEmpty() ? std::nullopt : std::optional<QByteArray>(std::move(bytes));
    }
    return picture.jpegData();
}

void forEachFilePicture(const MovieModel& movie, const std::function<void(const platform::Picture&)>& visit)
{
    if (movie.cover())
        visit(*movie.cover());
    if (movie.listOfOldCovers())
        for (const auto& picture : *movie.listOfOldCovers())
            if (picture)
                visit(*picture);
}

}  // namespace

platform::PicturePtr pictureOf(const mp4::Artwork& artwork, const ArtworkFile& file)
{
    if (artwork.inFile)
        return platform::Picture::fromFilePlace(
            {file.path, static_cast<qint64>(artwork.inFile->offset), static_cast<qint64>(artwork.inFile->length),
             file.identity.value_or(platform::FileIdentity{})},
            // Read only while the picture is made: not copied.
            QByteArray::fromRawData(reinterpret_cast<const char*>(artwork.head.data()),
                                    static_cast<qsizetype>(artwork.head.size())));
    return platform::Picture::fromData(bytesOf(artwork.data), platform::Picture::Keep::OwnFormat);
}

std::vector<platform::PicturePtr> picturesToWrite(const MovieModel& movie)
{
    std::vector<platform::PicturePtr> pictures;
    if (movie.coverIsSet() && movie.cover())
        pictures.push_back(movie.cover());
    if (!platform::Settings::shared().boolValue(QStringLiteral("ReplaceExistingCoverPictures")) &&
        movie.listOfOldCovers()) {
        for (const auto& picture : *movie.listOfOldCovers())
            if (picture)
                pictures.push_back(picture);
    }
    return pictures;
}

std::expected<std::vector<mp4::Artwork>, TaggingError> artworkFor(const MovieModel& movie, const ArtworkFile& target,
                                                                  std::vector<platform::PicturePtr>& written)
{
    std::vector<mp4::Artwork> artwork;
    for (const platform::PicturePtr& picture : picturesToWrite(movie)) {
        const std::optional<platform::FilePlace> place = picture->filePlace();
        if (place && sameFile(place->path, target.path) && target.identity && place->identity == *target.identity) {
            artwork.push_back(
                {{},
                 mp4::ArtworkType::Undefined,
                 mp4::FileRange{static_cast<std::uint64_t>(place->offset), static_cast<std::uint64_t>(place->length)}});
            written.push_back(picture);
            continue;
        }
        const std::optional<QByteArray> bytes = bytesToWrite(*picture);
        if (!bytes && place)
            return std::unexpected(
                TaggingError::withMessage(QStringLiteral("a cover could not be read from %1").arg(place->path)));
        if (!bytes)
            continue;
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->constData());
        const mp4::ArtworkType type =
            picture->keepsOwnFormat() ? artworkTypeOf(picture->format()) : mp4::ArtworkType::Jpeg;
        artwork.push_back({{data, data + bytes->size()}, type, std::nullopt});
        written.push_back(picture);
    }
    return artwork;
}

void followSavedFile(const std::vector<platform::PicturePtr>& pictures, const mp4::MovieFile& file,
                     const platform::FileIdentity& identity)
{
    // Only pictures of this very file move; those of another file (written into a copy) stay where they are.
    const QString path = QString::fromStdString(file.path().string());
    const auto lies = [&path](const platform::PicturePtr& picture) {
        const std::optional<platform::FilePlace> place = picture->filePlace();
        return place && sameFile(place->path, path);
    };
    if (std::none_of(pictures.begin(), pictures.end(), lies))
        return;
    const std::vector<mp4::Artwork> artwork = file.tags(mp4::ArtworkBytes::LeftInFile).artwork;
    if (artwork.size() != pictures.size()) {
        platform::log(QStringLiteral("The covers written do not match the covers read back from %1").arg(path));
        return;
    }
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        const auto& inFile = artwork[index].inFile;
        if (lies(pictures[index]) && inFile)
            pictures[index]->followMove(
                {path, static_cast<qint64>(inFile->offset), static_cast<qint64>(inFile->length), identity});
    }
}

void followRenamedFile(const MovieModel& movie, const QString& from, const QString& to)
{
    forEachFilePicture(movie, [&](const platform::Picture& picture) {
        std::optional<platform::FilePlace> place = picture.filePlace();
        if (place && place->path == from) {
            place->path = to;
            picture.followMove(*place);
        }
    });
}

}  // namespace CoverArtwork
