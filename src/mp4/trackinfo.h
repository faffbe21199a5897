#pragma once

#include "mp4/fourcc.h"

#include <array>
#include <cstdint>
#include <string>

namespace mp4 {

// The 36 bytes of a header matrix: nine big-endian 32-bit values a b u c d v x y w.
using Matrix = std::array<std::uint8_t, 36>;
Matrix identityMatrix();

// tkhd flag bits.
namespace TrackFlags {
inline constexpr std::uint32_t Enabled = 0x1;
inline constexpr std::uint32_t InMovie = 0x2;
inline constexpr std::uint32_t InPreview = 0x4;
}  // namespace TrackFlags

// What the headers say about one track.
struct TrackInfo {
    std::uint32_t id = 0;
    FourCC type;                      // mdia/hdlr handler type: "vide", "soun", "text", "sbtl", ...
    std::string language;             // three letters ("eng", "und"); Macintosh code 0 reads "eng"
    std::uint32_t timeScale = 0;      // mdhd
    std::uint64_t duration = 0;       // mdhd, in the track's time scale
    std::uint64_t movieDuration = 0;  // tkhd, in the movie's time scale
    std::uint16_t width = 0;          // visual sample entry width, else tkhd width (integer part)
    std::uint16_t height = 0;         // same for the height
    std::uint32_t flags = 0;          // tkhd flags
    std::uint16_t alternateGroup = 0;
    std::int16_t layer = 0;
    Matrix matrix{};
    FourCC sampleEntryType;  // first entry of stsd ("avc1", "mp4a", "tx3g", "text", ...)
    std::uint64_t sampleCount = 0;

    bool operator==(const TrackInfo&) const = default;
};

}  // namespace mp4
