#pragma once

#include <cstdint>
#include <optional>

namespace mp4 {

// A file as it was at one moment: its length and last modification (nanoseconds since the
// epoch), and, where it was taken, a print of the boxes a save rebuilds from what was read of
// it (MovieFile::asRead). When all are as they were then, no other program has changed what a
// save would write over; a program that puts the time back is caught by the print alone.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::optional<std::uint64_t> content;

    bool operator==(const FileStamp&) const = default;
    bool sameSizeAndTime(const FileStamp& other) const { return size == other.size && modifiedNs == other.modifiedNs; }
};

}  // namespace mp4
