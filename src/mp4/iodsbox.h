#pragma once

#include "mp4/box.h"

#include <cstdint>
#include <vector>

namespace mp4 {

// The initial object descriptor in `moov/iods` (MPEG-4 Systems descriptor coding): the
// tracks it names through ES_ID_Inc entries. A body it cannot read is left as it is.
namespace IodsBox {

// The track ids named, in order; empty when none or when the body is unreadable.
std::vector<std::uint32_t> trackIds(const Box& iods);

// Drops every entry naming `trackId` and shrinks the descriptor to match; whether it changed.
bool removeTrack(Box& iods, std::uint32_t trackId);

}  // namespace IodsBox

}  // namespace mp4
