#pragma once

#include "model/moviemodel.h"
#include "mp4/moviefile.h"
#include "mp4/tags.h"
#include "platform/fileplace.h"
#include "platform/picture.h"
#include "tagging/taggingerror.h"

#include <QString>

#include <expected>
#include <vector>

// Covers between a movie file's artwork list and the record. Artwork that
// reading left in the file becomes a picture that keeps only its place there
// (its kind and size told from the first bytes read with the tags);
// written back into the same, unchanged file it is copied from where it lies,
// and after a save or a rename the pictures follow their bytes to their new place.
namespace CoverArtwork {

// A movie file as it was at one moment: the one covers were read from, or
// the one they are written into.
struct ArtworkFile {
    QString path;
    std::optional<platform::FileIdentity> identity;

    static ArtworkFile of(const QString& path) { return {path, platform::FileIdentity::of(path)}; }
};

// One picture of `file`: a place in the file, or bytes kept in their own format.
platform::PicturePtr pictureOf(const mp4::Artwork& artwork, const ArtworkFile& file);

// The record's pictures the file is to hold, in order: the cover when it is
// set, then the older covers unless the settings replace them.
std::vector<platform::PicturePtr> picturesToWrite(const MovieModel& movie);

// The record's pictures as artwork of `target`, in the order of picturesToWrite:
// by its place a picture that lies in that very file, unchanged; otherwise its
// own bytes (JPEG, or whatever was read from a movie file) or the picture
// encoded as JPEG; nothing for a picture that holds nothing. A picture whose
// file changed since it was read is refused: writing without it would lose it.
// `written` gets the pictures the artwork stands for, in the same order.
std::expected<std::vector<mp4::Artwork>, TaggingError> artworkFor(const MovieModel& movie, const ArtworkFile& target,
                                                                  std::vector<platform::PicturePtr>& written);

// After `written` went, in order, into `file` as its artwork (read back, the
// file is now `identity`): the pictures that lay in that file follow their
// bytes to where they now lie in it.
void followSavedFile(const std::vector<platform::PicturePtr>& written, const mp4::MovieFile& file,
                     const platform::FileIdentity& identity);

// The movie file of `movie` was moved from `from` to `to`: its pictures that lie in it follow.
void followRenamedFile(const MovieModel& movie, const QString& from, const QString& to);

}  // namespace CoverArtwork
