#pragma once

#include <cstdint>

namespace mp4 {

// A file's length and last modification (nanoseconds since the epoch) at one moment: when both
// are as they were then, no other program has written to it since.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

}  // namespace mp4
