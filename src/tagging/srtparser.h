#pragma once

#include "tagging/taggingerror.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <optional>

namespace SubTitleUtilities {

// Receives each timed-text sample with its duration in track time units;
// answers false when the sample could not be written.
using SampleWriter = std::function<bool(const QByteArray& sample, std::uint32_t duration)>;

// Longest caption (its lines joined by "\n") that a block may collect, in bytes.
inline constexpr qsizetype kMaxCaptionBytes = 8193;

// Walks the UTF-8 bit patterns of `text`; the first byte that breaks them
// gives the error "Error: Found a non UTF-8 character '0x..' in srt data".
std::optional<TaggingError> checkSrtUTF8(QByteArrayView text);

// "hh:mm:ss,mmm" in milliseconds, or -1 when it does not read or a field is
// out of range (hours, minutes, seconds above 99, milliseconds above 999).
std::int32_t srtTimeToMilliseconds(QByteArrayView time);

// Track time units at `milliseconds` (0 before the start) for a track of
// `timeScale` units per second, computed without overflow; saturates at the
// largest 64-bit value.
std::int64_t trackUnitsAt(std::int64_t milliseconds, std::uint32_t timeScale);

// Parses SRT text block by block, logging and skipping faulty blocks. With a
// writer, each caption becomes a sample preceded by an empty sample for the
// gap before it; without one it is a dry run that only checks and logs. With
// track id 0 the markup stays in the text. The end of the text ends a block
// as an empty line does. Fails ("can't write caption line") when a write fails
// or a caption time lies past what a track of `timeScale` can hold (2^32 - 1
// units).
std::optional<TaggingError> parseSrt(QByteArrayView text, const SampleWriter& writer, std::uint32_t trackId,
                                     std::uint32_t timeScale, std::int32_t offsetMilliseconds, std::uint8_t fontSize);

}  // namespace SubTitleUtilities
