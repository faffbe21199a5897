#pragma once

#include "mp4/box.h"
#include "mp4/chapter.h"
#include "mp4/error.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mp4 {

// QuickTime chapter tracks and Nero `chpl` chapters inside the `moov` tree.
namespace ChapterList {

// The first "text" track that a video or audio track references through `tref/chap`
// (tracks in `moov` order); 0 when there is none.
std::uint32_t findQuickTimeTrack(const Box& moov);

// Sample bytes (at least the text part) and durations of one track, in order.
struct SampleData {
    Bytes bytes;
    std::uint64_t duration = 0;
};
using SampleSource = std::function<Result<std::vector<SampleData>>(std::uint32_t trackId)>;

Result<std::vector<Chapter>> readQuickTime(const Box& moov, const SampleSource& source);
std::vector<Chapter> readNero(const Box& moov, std::uint64_t movieDurationMs);

// Ids of the text tracks that any `tref/chap` names (the QuickTime chapter tracks).
std::vector<std::uint32_t> quickTimeTrackIds(const Box& moov);
// Removes `moov/udta/chpl` (and an `udta` left empty).
void removeNero(Box& moov);

// A chapter sample: 16-bit length, UTF-8 title (cut to 1023 bytes on a character
// boundary) and the `encd` box that declares UTF-8.
Bytes makeSample(const std::string& title);
// The title of a chapter or subtitle sample, as UTF-8 (UTF-16 with a byte-order mark is
// converted), at most 1023 bytes.
std::string titleOfSample(const Bytes& sample);
// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string clipUtf8(const std::string& text, std::size_t maxBytes);

}  // namespace ChapterList

}  // namespace mp4
