#pragma once

#include "mp4/fourcc.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mp4 {

// Well-known `data` type codes.
namespace DataType {
inline constexpr std::uint32_t Implicit = 0;
inline constexpr std::uint32_t Utf8 = 1;
inline constexpr std::uint32_t Utf16 = 2;
inline constexpr std::uint32_t Gif = 12;
inline constexpr std::uint32_t Jpeg = 13;
inline constexpr std::uint32_t Png = 14;
inline constexpr std::uint32_t Integer = 21;  // big-endian signed integer
inline constexpr std::uint32_t UnsignedInteger = 22;
inline constexpr std::uint32_t Bmp = 27;
}  // namespace DataType

// `length` bytes at `offset` of a file.
struct FileRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;

    bool operator==(const FileRange&) const = default;
};

// How many first bytes of a large picture that reading leaves in the file are kept: enough
// for the header of most pictures (a JPEG's markers up to its frame header, a colour profile
// among them; a PNG's first chunk), so that its kind and size are told from them. A picture
// whose header runs on further (a camera's Exif thumbnail) has it read from the file.
inline constexpr std::size_t kPictureHeadBytes = 8 * 1024;

// One `data` box of an item.
struct ItemData {
    std::uint32_t typeCode = DataType::Utf8;  // the 24-bit type (§ "well-known types")
    std::uint32_t locale = 0;
    // The value; only its first bytes (kPictureHeadBytes at most) while `inFile` is set.
    std::vector<std::uint8_t> value;
    // A large picture value that reading left in the file: it lies here.
    std::optional<FileRange> inFile = std::nullopt;

    bool operator==(const ItemData&) const = default;
};

// A generic metadata item: one child of `moov/udta/meta/ilst`. Freeform items have the code
// "----" and a mean (reverse-DNS namespace) and a name, e.g. "com.apple.iTunes" / "iTunMOVI".
struct Item {
    FourCC code;
    std::string mean;  // freeform only
    std::string name;  // freeform only
    std::vector<ItemData> data;

    bool operator==(const Item&) const = default;

    static Item freeform(std::string mean, std::string name, std::vector<ItemData> data);
};

// Helpers for big-endian integer values of 1 to 8 bytes.
std::vector<std::uint8_t> bigEndianBytes(std::uint64_t value, int byteCount);
// All bytes of `value` (at most 8) as one big-endian unsigned number; empty or longer: 0.
std::uint64_t bigEndianValue(const std::vector<std::uint8_t>& value);

}  // namespace mp4
