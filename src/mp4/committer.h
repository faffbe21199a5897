#pragma once

#include "mp4/box.h"
#include "mp4/boxparser.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"
#include "mp4/trackbuilder.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace mp4 {

using ByteRanges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// Writes an edited `moov` (and the samples of new tracks) into a file so that every moment
// of the write leaves a file with one complete, valid `moov`, the old or the new one:
//  1. the place is a run of dead boxes (free space, `mdat`s nothing points into, stale
//     `moov`s) that fits, else the end of the file; the live `moov` is never touched;
//  2. that place is first covered by one `free` box, then filled (new `mdat`, then the
//     new `moov` under a `free` header), and flushed;
//  3. the new boxes get their real headers, the new `moov` its type, flushed; only then
//     does the old `moov` become `free`, flushed; dead boxes at the end are cut off.
class Committer {
public:
    Committer(FileHandle& file, TopLevelLayout layout, std::size_t liveMoov, ByteRanges liveRanges);

    // `moov` holds the new tracks' `trak` boxes already; `pending` their samples by id.
    Result<void> commit(Box& moov, const std::map<std::uint32_t, PendingSamples>& pending,
                        std::uint32_t movieTimeScale);

    // Chunk byte ranges of every track of `moov` (nothing when a table cannot be read, which
    // `complete` reports as false).
    static ByteRanges referencedRanges(const Box& moov, bool& complete);

private:
    struct Region {
        std::uint64_t start = 0;
        std::uint64_t size = 0;
    };
    struct Plan {
        std::uint64_t start = 0;
        std::uint64_t room = 0;  // bytes the content may use, trailing free included
        bool tail = false;
    };

    bool isDead(const TopLevelBox& box) const;
    std::vector<Region> deadRegions(std::uint64_t& tailStart) const;
    Plan place(std::uint64_t needed) const;
    Result<void> fixOpenEndedLast();
    Result<void> write(std::uint64_t offset, const Bytes& bytes);
    Result<void> trimDeadTail(const Box& moov);

    FileHandle& m_file;
    TopLevelLayout m_layout;
    std::size_t m_live;
    ByteRanges m_liveRanges;
    bool m_rangesComplete = true;
};

}  // namespace mp4
