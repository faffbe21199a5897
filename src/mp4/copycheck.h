#pragma once

#include "mp4/bytechain.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"

#include <cstdint>
#include <vector>

namespace mp4 {

// Makes sure that what a write copies from one place of its file to another is what was
// there when the file was opened. Such ranges (sample tables, pictures) are never read into
// memory, so another program that cuts or rewrites the file meanwhile would otherwise have
// its zeros or new bytes copied into the new moov, and the save would look successful.
class CopyCheck {
public:
    // `content` is what the write puts into the file from `destination` on.
    CopyCheck(const FileHandle& file, std::uint64_t destination, const ByteChain& content);

    // Before anything is written: the file is as long and as old as it was at opening, holds
    // every copied range, and each range's bytes are noted by a fingerprint.
    Result<void> sourcesUnchanged();
    // After the copies are written and flushed: every copy holds the bytes noted before.
    Result<void> copiesVerified() const;

private:
    struct Range {
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        std::uint64_t length = 0;
        std::uint64_t fingerprint = 0;
    };

    Result<std::uint64_t> fingerprint(std::uint64_t offset, std::uint64_t length) const;

    const FileHandle& m_file;
    std::vector<Range> m_ranges;
};

}  // namespace mp4
