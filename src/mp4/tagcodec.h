#pragma once

#include "mp4/item.h"
#include "mp4/tags.h"

#include <vector>

namespace mp4 {

// Between the typed tag set and the generic items that carry it.
namespace TagCodec {

// The first item of each known code gives the tag; the first `covr` item gives the artwork
// (its values are moved into it).
Tags decode(std::vector<Item> items);
// One item per set tag, in the usual store order, then `covr` when there is artwork.
std::vector<Item> encode(const Tags& tags);
// Every code that the tag set covers, `covr` included.
std::vector<FourCC> knownCodes();

ArtworkType artworkTypeOf(const ItemData& data);

}  // namespace TagCodec

}  // namespace mp4
