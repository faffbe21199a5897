#include "mp4/item.h"

namespace mp4 {

Item Item::freeform(std::string mean, std::string name, std::vector<ItemData> data)
{
    Item item;
    item.code = FourCC("----");
    item.mean = std::move(mean);
    item.name = std::move(name);
    item.data = std::move(data);
    return item;
}

std::vector<std::uint8_t> bigEndianBytes(std::uint64_t value, int byteCount)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(byteCount));
    for (int i = byteCount - 1; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return out;
}

std::uint64_t bigEndianValue(const std::vector<std::uint8_t>& value)
{
    if (value.empty() || value.size() > 8) {
        return 0;
    }
    std::uint64_t out = 0;
    for (std::uint8_t b : value) {
        out = (out << 8) | b;
    }
    return out;
}

}  // namespace mp4
