#pragma once

#include "mp4/bytechain.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"
#include "mp4/fingerprint.h"

#include <cstdint>
#include <vector>

namespace mp4 {

// Makes sure that what a write copies from one place of its file to another is what was
// there when the file was opened. Such ranges (sample tables, pictures) are never read into
// memory, so another program that cuts or rewrites the file meanwhile would otherwise have
// its zeros or new bytes copied into the new moov, and the save would look successful.
//
// The bytes are noted before anything is written and fingerprinted again by the copy's own
// read as they pass: each range is read twice in all (a cut that the write's own growth of
// the file fills with zeros can only show against bytes read before it).
class CopyCheck {
public:
    // `content` is what the write puts into the file; its copied ranges are checked.
    CopyCheck(const FileHandle& file, const ByteChain& content);

    // Before anything is written: the file is as long and as old as it was at opening, and the
    // bytes of the copied ranges are noted by a fingerprint.
    Result<void> sourcesUnchanged();
    // Goes with the write that copies the ranges, in their order: fingerprints what it copies.
    FileHandle::CopyTap tap();
    // After that write: it copied the bytes noted before. Other bytes mean another program
    // wrote to the file meanwhile (Error::Code::Changed); fewer or more, a fault of the write's own.
    Result<void> copiesVerified() const;

    // Benchmarks compare a save with the fingerprints to one without; nothing else turns
    // them off (the length and age of the file are checked all the same).
    static void setFingerprintsForBenchmark(bool on);

private:
    struct Range {
        std::uint64_t from = 0;
        std::uint64_t length = 0;
    };

    const FileHandle& m_file;
    std::vector<Range> m_ranges;
    bool m_fingerprints = true;
    Fingerprint m_noted;
    Fingerprint m_copied;
};

}  // namespace mp4
