#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace mp4 {

// UTF-16 code units (two bytes each, in the given byte order) as UTF-8. Surrogate pairs are
// joined; a lone surrogate is kept as its own three-byte sequence and an odd last byte is
// dropped, so damaged text still reads as far as it goes.
std::string utf16ToUtf8(std::span<const std::uint8_t> units, bool bigEndian);

}  // namespace mp4
