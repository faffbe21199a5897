#pragma once

#include "mp4/box.h"
#include "mp4/item.h"

#include <vector>

namespace mp4 {

// The iTunes item list of a movie: `moov/udta/meta` (handler "mdir") and its `ilst`.
// Other `meta` boxes (QuickTime keys, ID3, per-track) are never touched.
namespace ItemList {

const Box* find(const Box& moov);
Box* find(Box& moov);
// Creates udta / meta (full box, 33-byte "mdir" hdlr) / ilst where missing.
Box& ensure(Box& moov);
// After removals: an empty `ilst`, a `meta` with only its `hdlr` and an empty `udta` go.
void prune(Box& moov);

// Values left in the file come as their first bytes and their place (ItemData::inFile).
std::vector<Item> items(const Box& moov);
// Only the items whose code is `code`: the others are not even copied.
std::vector<Item> items(const Box& moov, FourCC code);
Item fromBox(const Box& itemBox);
// A value with a place becomes a `data` box whose body is the one at that place in the file.
Box toBox(const Item& item);

}  // namespace ItemList

}  // namespace mp4
