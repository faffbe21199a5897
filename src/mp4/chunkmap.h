#pragma once

#include "mp4/box.h"
#include "mp4/boxparser.h"

#include <cstdint>
#include <vector>

namespace mp4 {

// Which top-level boxes of a file the chunks of its tracks point into. Asking costs little
// as a rule: a box that holds the first chunk of a track counts as in use without more ado;
// only a box that holds none of them makes the map walk every chunk of every track (a long
// movie has hundreds of thousands), once. A track whose sample tables cannot be read, or
// that has auxiliary information at offsets of its own (`saio`), uses every box.
//
// Sample tables the tracks left in the file are read from `file` when a walk needs them.
// It keeps references to the boxes, the tracks and the file: all must outlive it.
class ChunkMap {
public:
    ChunkMap(const std::vector<TopLevelBox>& boxes, std::vector<const Box*> traks, const FileHandle& file);

    // Whether a chunk of the tracks marked in `which` (one flag per track given, in order)
    // reaches into box `index`.
    bool uses(std::size_t index, const std::vector<bool>& which);

private:
    std::size_t boxAt(std::uint64_t offset) const;
    std::vector<bool> mapTrack(const Box& trak) const;

    const std::vector<TopLevelBox>& m_boxes;
    std::vector<const Box*> m_traks;
    const FileHandle& m_file;
    std::vector<std::vector<bool>> m_first;  // per track: the box of its first chunk (every box if unreadable)
    std::vector<std::vector<bool>> m_all;    // per track: every box a chunk reaches into, once mapped
};

}  // namespace mp4
