#pragma once

#include <cstdint>
#include <string>

namespace mp4 {

enum class ChapterType {
    Any,        // reading: QuickTime when present, else Nero; deleting: both kinds
    QuickTime,  // a text track referenced through `tref/chap`
    Nero,       // `moov/udta/chpl`
};

struct Chapter {
    std::uint64_t durationMs = 0;
    std::string title;  // UTF-8; QuickTime titles hold at most 1023 bytes

    bool operator==(const Chapter&) const = default;
};

// Longest title a QuickTime chapter sample carries, in bytes.
inline constexpr std::size_t kMaxChapterTitleBytes = 1023;

}  // namespace mp4
