#include "mp4/item.h"

#include "mp4/bytes.h"

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
    Bytes out(static_cast<std::size_t>(byteCount));
    putBig(out, 0, value, byteCount);
    return out;
}

std::uint64_t bigEndianValue(const std::vector<std::uint8_t>& value)
{
    if (value.empty() || value.size() > 8) {
        return 0;
    }
    return getBig(value, 0, static_cast<int>(value.size()));
}

}  // namespace mp4
