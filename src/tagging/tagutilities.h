#pragma once

#include "tagging/taggingerror.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <expected>
#include <optional>

namespace mp4 {
class MovieFile;
}

// Track look-ups and generic metadata items of an open movie file, shared by
// reading and writing.
namespace TagUtilities {

// Data type codes of metadata items.
inline constexpr std::int32_t kUtf8Type = 1;
inline constexpr std::int32_t kIntegerType = 21;

// The first video track, else the first audio track, else 0.
std::uint32_t getReferencingTrack(const mp4::MovieFile& file);
// The first text track (the chapter track), else 0.
std::uint32_t getChapterTrack(const mp4::MovieFile& file);
// The ids of all subtitle ("sbtl") tracks, in track order.
QList<std::uint32_t> getSubtitleTracks(const mp4::MovieFile& file);

// The length of the movie's own picture and sound in milliseconds: the longest
// video or audio track, whatever chapter or subtitle tracks add; 0 without one.
std::uint64_t getMediaDurationInMilliseconds(const mp4::MovieFile& file);

// How long a chapter or caption starting at `start` may last in a track that
// ends with the media at `end`, or nothing when it starts at or after that end.
// A track runs as long as its entries and the movie as long as its longest
// track, so entries past the media would only make the movie longer. An
// unknown end (0) keeps every entry whole.
std::optional<std::uint64_t> durationWithinMedia(std::uint64_t start, std::uint64_t duration, std::uint64_t end);

struct SizeAndDuration {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t durationInMilliSeconds = 0;
};
// The picture size of the referencing track (0 without one) and the movie's
// duration in milliseconds (0 when the movie has no time scale).
SizeAndDuration getSizeAndDurationFromFile(const mp4::MovieFile& file);

// The first data entry of the first item with that code: for type 21 its bytes
// as a big-endian number (the low 32 bits, as qint64), for type 1 its UTF-8
// text; an invalid QVariant when there is none, it is empty, or does not read.
QVariant getNameItem(const mp4::MovieFile& file, const QString& name, std::int32_t type);

// The text of the first freeform item with that mean and name; a null string
// when there is none, it is empty or it is not UTF-8.
QString getNameAndMeanItem(const mp4::MovieFile& file, const QString& mean, const QString& name);

// Replaces the items with that code by one holding `value` (when not empty).
// Type 21 values are given in the machine's byte order and stored big-endian.
// True when an item was added, false when there was none to add; a refused
// edit when the file would not take the change.
std::expected<bool, TaggingError> addNameItem(mp4::MovieFile& file, const QString& name, QByteArrayView value,
                                              std::int32_t type);

// Replaces the freeform items with that mean and name by one holding the
// UTF-8 text `value` (when not empty); answers as addNameItem() does.
std::expected<bool, TaggingError> addNameAndMeanItem(mp4::MovieFile& file, const QString& mean, const QString& name,
                                                     QByteArrayView value);

}  // namespace TagUtilities
