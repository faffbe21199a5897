#pragma once

#include "mp4/box.h"
#include "mp4/boxparser.h"
#include "mp4/chunkmap.h"
#include "mp4/copycheck.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"
#include "mp4/trackbuilder.h"

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <vector>

namespace mp4 {

// Writes an edited `moov` (and the samples of new tracks) into a file so that every moment
// of the write leaves a file with one complete, valid `moov`, the old or the new one:
//  1. the place is a run of dead boxes (free space and `mdat`s nothing points into, stale
//     `moov`s) that fits, one in front of the media first, else the end of the file; the
//     live `moov` is never touched;
//  2. that place is covered by one `free` box (flushed first unless it is new space at the
//     end, which no reader can mistake), then filled: new `mdat`, then the new `moov` under
//     a `free` header; flushed;
//  3. the new boxes get their real headers and the new `moov` its type; flushed;
//  4. only then do stale `moov`s outside the place become `free` (flushed), then the old
//     `moov`, and dead boxes at the end are cut off; flushed. The new `moov` is then the only one.
// Nothing is written to a file that another program changed since it was opened, nor to a
// disk without room for the place (reserved before the first write), and step 3 waits until
// the ranges copied from the live moov are verified. A commit that fails before step 4 cuts
// off what it grew the file by and gives an open-ended last box its open end back.
// Headers rewritten in place never lie across a 512-byte sector, and the file grows by no
// fewer bytes than a header, so a cut at a sector boundary leaves a file that can be saved.
// A step may land partly before its flush; each is built so that any part of it leaves
// the state of the step before or after it.
class Committer {
public:
    // `liveTracks`: the tracks of the live `moov`, whose media this commit never overwrites;
    // `kept`: for each of them, whether the new `moov` keeps it. They must outlive the commit.
    Committer(FileHandle& file, TopLevelLayout layout, std::size_t liveMoov, std::vector<const Box*> liveTracks,
              std::vector<bool> kept);

    // `moov` holds the new tracks' `trak` boxes already; `pending` their samples by id. Bodies
    // that `moov` left in the file lie in the live moov and are copied from there.
    Result<void> commit(Box& moov, const std::map<std::uint32_t, PendingSamples>& pending,
                        std::uint32_t movieTimeScale);
    // After a commit: whether the live moov was in front of the media and the new one is not
    // (no dead space in front could hold it).
    bool moovMovedBehindMedia() const;

private:
    struct Region {
        std::uint64_t start = 0;
        std::uint64_t size = 0;
    };
    struct Plan {
        std::uint64_t start = 0;
        std::uint64_t room = 0;  // bytes the content may use, trailing free included
        std::uint64_t pad = 0;   // new space only: bytes of a free box in front of `start`
    };

    std::uint64_t mediaStart() const;
    bool isDead(std::size_t index);
    bool isDeadAfterSwitch(const TopLevelBox& box);
    std::vector<Region> deadRegions(std::uint64_t& tailStart);
    Plan place(std::uint64_t needed);
    Plan placeAmongDead(std::uint64_t needed);
    // Whether the plan takes free boxes that samples point into; they are noted as media.
    bool takesFreeHoldingMedia(const Plan& plan);
    bool alreadyCovered(std::uint64_t offset, const Bytes& cover) const;
    Result<void> fixOpenEndedLast();
    Result<void> write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Steps 1 to 3: the new boxes into the place, the new moov live beside the old one.
    Result<void> writeNewMoov(const Plan& plan, const ByteChain& content, CopyCheck& copies);
    Result<void> giveBackGrowth(const Plan& plan);
    Result<void> retireStaleMoovs(std::uint64_t placeStart, std::uint64_t placeEnd);
    Result<void> trimDeadTail();

    FileHandle& m_file;
    TopLevelLayout m_layout;
    std::size_t m_live;
    ChunkMap m_chunks;
    std::vector<bool> m_everyTrack;
    std::vector<bool> m_keptTracks;
    std::set<std::size_t> m_freeHoldingMedia;  // free boxes of the layout that samples point into
    std::uint64_t m_newMdat = 0;               // where the new boxes start, once placed
    std::uint64_t m_newMoov = 0;
    bool m_grown = false;           // the place made the file longer
    bool m_openEndedFixed = false;  // the last box's "to the end" size was made a real one
};

}  // namespace mp4
