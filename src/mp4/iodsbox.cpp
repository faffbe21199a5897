#include "mp4/iodsbox.h"

#include <optional>
#include <span>

namespace mp4::IodsBox {

namespace {

constexpr std::size_t kFullBoxHeader = 4;
constexpr std::uint8_t kMp4IodTag = 0x10;
constexpr std::uint8_t kIodTag = 0x02;
constexpr std::uint8_t kEsIdIncTag = 0x0E;
constexpr std::uint16_t kUrlFlag = 0x20;
constexpr std::size_t kProfileLevels = 5;  // object descriptor, scene, audio, visual, graphics
constexpr std::size_t kMaxSizeBytes = 4;

struct Descriptor {
    std::uint8_t tag = 0;
    std::size_t start = 0;
    std::size_t sizeBytes = 0;
    std::size_t bodyStart = 0;
    std::size_t end = 0;
};

// The descriptor at `at`: a tag, then its size in 7-bit groups (high bit: more follow).
std::optional<Descriptor> readDescriptor(std::span<const std::uint8_t> data, std::size_t at)
{
    if (at >= data.size()) {
        return std::nullopt;
    }
    Descriptor d{data[at], at, 0, 0, 0};
    std::size_t size = 0;
    std::size_t pos = at + 1;
    for (bool more = true; more;) {
        if (pos >= data.size() || d.sizeBytes == kMaxSizeBytes) {
            return std::nullopt;
        }
        const std::uint8_t b = data[pos++];
        ++d.sizeBytes;
        size = (size << 7) | (b & 0x7F);
        more = (b & 0x80) != 0;
    }
    if (size > data.size() - pos) {
        return std::nullopt;
    }
    d.bodyStart = pos;
    d.end = pos + size;
    return d;
}

struct Layout {
    Descriptor iod;
    std::size_t firstEntry = 0;  // past the id, the flags and the profile levels or URL
    std::vector<Descriptor> entries;
};

std::optional<Layout> parse(const Box& iods)
{
    const std::span<const std::uint8_t> data(iods.payload);
    if (data.size() <= kFullBoxHeader || data[0] != 0) {
        return std::nullopt;
    }
    const auto iod = readDescriptor(data, kFullBoxHeader);
    if (!iod || (iod->tag != kMp4IodTag && iod->tag != kIodTag) || iod->end - iod->bodyStart < 2) {
        return std::nullopt;
    }
    Layout layout{*iod, iod->bodyStart + 2, {}};
    if (getBig(data, iod->bodyStart, 2) & kUrlFlag) {
        if (layout.firstEntry >= iod->end) {
            return std::nullopt;
        }
        layout.firstEntry += 1 + data[layout.firstEntry];
    } else {
        layout.firstEntry += kProfileLevels;
    }
    if (layout.firstEntry > iod->end) {
        return std::nullopt;
    }
    const auto body = data.first(iod->end);
    for (std::size_t at = layout.firstEntry; at < iod->end;) {
        const auto entry = readDescriptor(body, at);
        if (!entry) {
            return std::nullopt;
        }
        layout.entries.push_back(*entry);
        at = entry->end;
    }
    return layout;
}

std::optional<std::uint32_t> namedTrack(std::span<const std::uint8_t> data, const Descriptor& d)
{
    if (d.tag != kEsIdIncTag || d.end - d.bodyStart != 4) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(getBig(data, d.bodyStart, 4));
}

}  // namespace

std::vector<std::uint32_t> trackIds(const Box& iods)
{
    std::vector<std::uint32_t> out;
    if (const auto layout = parse(iods)) {
        for (const Descriptor& d : layout->entries) {
            if (const auto id = namedTrack(iods.payload, d)) {
                out.push_back(*id);
            }
        }
    }
    return out;
}

bool removeTrack(Box& iods, std::uint32_t trackId)
{
    const auto layout = parse(iods);
    if (!layout) {
        return false;
    }
    const Bytes& old = iods.payload;
    const auto from = [&old](std::size_t begin, std::size_t end) { return std::span(old).subspan(begin, end - begin); };
    Bytes kept;
    for (const Descriptor& d : layout->entries) {
        if (namedTrack(old, d) != trackId) {
            const auto bytes = from(d.start, d.end);
            kept.insert(kept.end(), bytes.begin(), bytes.end());
        }
    }
    const Descriptor& iod = layout->iod;
    if (kept.size() == iod.end - layout->firstEntry) {
        return false;
    }
    ByteWriter out;
    out.bytes(from(0, iod.start + 1));
    // Shorter than before, so it fits the same number of size bytes, which readers keep.
    const std::size_t size = layout->firstEntry - iod.bodyStart + kept.size();
    for (std::size_t i = iod.sizeBytes; i-- > 0;) {
        out.u8(static_cast<std::uint8_t>(((size >> (7 * i)) & 0x7F) | (i > 0 ? 0x80 : 0)));
    }
    out.bytes(from(iod.bodyStart, layout->firstEntry));
    out.bytes(kept);
    out.bytes(from(iod.end, old.size()));
    iods.payload = out.take();
    return true;
}

}  // namespace mp4::IodsBox
