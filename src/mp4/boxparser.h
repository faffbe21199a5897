#pragma once

#include "mp4/box.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"

#include <cstdint>
#include <span>
#include <vector>

namespace mp4 {

// Where a top-level box sits in the file.
struct TopLevelBox {
    FourCC type;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;        // whole box, header included
    std::uint32_t headerSize = 8;  // 8, 16 (64-bit size), +16 with a uuid
    bool sizeToEnd = false;        // declared size 0: runs to the end of the file
    std::uint64_t end() const { return offset + size; }
};

struct TopLevelLayout {
    std::vector<TopLevelBox> boxes;
    std::uint64_t fileSize = 0;
    // Bytes after the last box that are not a whole box, or a last box that claims more
    // bytes than the file has: readable, but never to be modified.
    bool damagedTail = false;
};

// Limits that keep any byte sequence from costing more than a small file would.
struct ParseLimits {
    static constexpr std::size_t maxTopLevelBoxes = 100000;
    static constexpr std::size_t maxBoxes = 200000;  // inside one `moov`
    static constexpr int maxDepth = 32;
    static constexpr std::uint64_t maxMoovSize = 256ull << 20;
};

class BoxParser {
public:
    // Walks the top-level box headers (never their contents).
    static Result<TopLevelLayout> scanTopLevel(const FileHandle& file);

    // Parses the body of a `moov` into its tree. `damaged` is set when a child claimed more
    // bytes than its parent holds (its bytes are then kept as an opaque trailer).
    static Result<Box> parseMoov(std::span<const std::uint8_t> body, bool& damaged);
    // The same for the body of `size` bytes at `offset` of the file, but large sample tables
    // and pictures are left in the file (Box::inFileSize) until loadLeftInFile() reads them.
    static Result<Box> parseMoovInFile(const FileHandle& file, std::uint64_t offset, std::uint64_t size, bool& damaged);
    // Reads every body of `box` and its children that parsing left in the file.
    static Result<void> loadLeftInFile(const FileHandle& file, Box& box);
};

}  // namespace mp4
