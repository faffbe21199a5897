#pragma once

// How often a benchmark opens and reads the files of one folder, how often those reads
// begin a given byte range of each file (where its cover lies: a read of its header), and
// how much of the range they read. Linked into a
// benchmark, it stands in front of the C library's open, read and close calls of the whole
// process (Qt's and ours alike) and counts the calls on the folder's files.

#include <cstdint>
#include <string>

namespace fileaccess {

struct Counts {
    std::uint64_t files = 0;          // files of the folder opened at least once
    std::uint64_t opens = 0;          // in all
    std::uint64_t maxOpens = 0;       // of one file
    std::uint64_t reads = 0;          // read calls, in all
    std::uint64_t bytes = 0;          // bytes they read
    std::uint64_t startReads = 0;     // read calls that took the range's first byte, in all
    std::uint64_t maxStartReads = 0;  // of one file
    std::uint64_t rangeBytes = 0;     // bytes of the range read, in all
};

// From now on counts the calls on files under `folder` (a path prefix), with the range
// of `length` bytes at `offset` in each.
void watch(const std::string& folder, std::uint64_t offset, std::uint64_t length);
Counts counts();

}  // namespace fileaccess
