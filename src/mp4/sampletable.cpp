#include "mp4/sampletable.h"

#include <algorithm>

namespace mp4 {

namespace {

// Entry count of a table, trusted only as far as the bytes after it go.
std::uint32_t boundedCount(ByteReader& r, std::size_t entryBytes)
{
    const std::uint32_t count = r.u32();
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, r.remaining() / entryBytes));
}

}  // namespace

std::optional<SampleTable> SampleTable::parse(const Box& stbl)
{
    SampleTable t;
    const Box* stts = stbl.child(FourCC("stts"));
    const Box* stsc = stbl.child(FourCC("stsc"));
    const Box* stsz = stbl.child(FourCC("stsz"));
    const Box* stz2 = stbl.child(FourCC("stz2"));
    const Box* stco = stbl.child(FourCC("stco"));
    const Box* co64 = stbl.child(FourCC("co64"));
    if (!stts || !stsc || (!stsz && !stz2) || (!stco && !co64)) {
        return std::nullopt;
    }
    {
        ByteReader r(stts->payload);
        r.skip(4);
        const std::uint32_t n = boundedCount(r, 8);
        t.m_timeToSample.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t count = r.u32();
            t.m_timeToSample.emplace_back(count, r.u32());
        }
    }
    {
        ByteReader r(stsc->payload);
        r.skip(4);
        const std::uint32_t n = boundedCount(r, 12);
        t.m_sampleToChunk.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            ChunkEntry e;
            e.firstChunk = r.u32();
            e.samplesPerChunk = r.u32();
            e.descriptionIndex = r.u32();
            if (e.firstChunk == 0 || (!t.m_sampleToChunk.empty() && e.firstChunk <= t.m_sampleToChunk.back().firstChunk)) {
                return std::nullopt;
            }
            t.m_sampleToChunk.push_back(e);
        }
    }
    if (stsz) {
        ByteReader r(stsz->payload);
        r.skip(4);
        t.m_fixedSize = r.u32();
        if (t.m_fixedSize != 0) {
            t.m_sampleCount = r.u32();
        } else {
            const std::uint32_t n = boundedCount(r, 4);
            t.m_sizes.reserve(n);
            for (std::uint32_t i = 0; i < n; ++i) {
                t.m_sizes.push_back(r.u32());
            }
            t.m_sampleCount = n;
        }
        if (r.failed()) {
            return std::nullopt;
        }
    } else {
        ByteReader r(stz2->payload);
        r.skip(7);
        const std::uint8_t fieldSize = r.u8();
        if (fieldSize != 4 && fieldSize != 8 && fieldSize != 16) {
            return std::nullopt;
        }
        const std::uint64_t declared = r.u32();
        const std::uint64_t available = r.remaining() * 8 / fieldSize;
        const std::uint64_t n = std::min(declared, available);
        t.m_sizes.reserve(static_cast<std::size_t>(n));
        for (std::uint64_t i = 0; i < n; ++i) {
            if (fieldSize == 16) {
                t.m_sizes.push_back(r.u16());
            } else if (fieldSize == 8) {
                t.m_sizes.push_back(r.u8());
            } else {
                const std::uint8_t b = stz2->payload[12 + static_cast<std::size_t>(i / 2)];
                t.m_sizes.push_back(i % 2 == 0 ? b >> 4 : b & 0x0F);
            }
        }
        t.m_sampleCount = n;
    }
    {
        const bool wide = co64 != nullptr;
        ByteReader r(wide ? co64->payload : stco->payload);
        r.skip(4);
        const std::uint32_t n = boundedCount(r, wide ? 8 : 4);
        t.m_chunkOffsets.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            t.m_chunkOffsets.push_back(wide ? r.u64() : r.u32());
        }
    }
    return t;
}

std::uint32_t SampleTable::sampleSize(std::uint64_t index) const
{
    if (m_fixedSize != 0) {
        return m_fixedSize;
    }
    return index < m_sizes.size() ? m_sizes[static_cast<std::size_t>(index)] : 0;
}

std::vector<SampleTable::Sample> SampleTable::samples(std::size_t limit) const
{
    std::vector<Sample> out;
    const std::uint64_t total = std::min<std::uint64_t>(m_sampleCount, limit);
    std::size_t entry = 0;
    std::uint64_t sample = 0;
    for (std::size_t chunk = 0; chunk < m_chunkOffsets.size() && sample < total; ++chunk) {
        while (entry + 1 < m_sampleToChunk.size() && chunk + 1 >= m_sampleToChunk[entry + 1].firstChunk) {
            ++entry;
        }
        if (m_sampleToChunk.empty()) {
            break;
        }
        std::uint64_t offset = m_chunkOffsets[chunk];
        for (std::uint32_t i = 0; i < m_sampleToChunk[entry].samplesPerChunk && sample < total; ++i, ++sample) {
            const std::uint32_t size = sampleSize(sample);
            out.push_back({offset, size, 0});
            offset += size;
        }
    }
    // Durations, run by run.
    std::size_t index = 0;
    for (const auto& [count, delta] : m_timeToSample) {
        for (std::uint32_t i = 0; i < count && index < out.size(); ++i) {
            out[index++].duration = delta;
        }
        if (index >= out.size()) {
            break;
        }
    }
    return out;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> SampleTable::chunkRanges() const
{
    std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
    out.reserve(m_chunkOffsets.size());
    std::size_t entry = 0;
    std::uint64_t sample = 0;
    for (std::size_t chunk = 0; chunk < m_chunkOffsets.size(); ++chunk) {
        while (entry + 1 < m_sampleToChunk.size() && chunk + 1 >= m_sampleToChunk[entry + 1].firstChunk) {
            ++entry;
        }
        const std::uint64_t perChunk = m_sampleToChunk.empty() ? 0 : m_sampleToChunk[entry].samplesPerChunk;
        const std::uint64_t n = std::min(perChunk, m_sampleCount > sample ? m_sampleCount - sample : 0);
        std::uint64_t bytes = 0;
        if (m_fixedSize != 0) {
            bytes = n * m_fixedSize;  // n < 2^32, size < 2^32: no overflow
        } else {
            for (std::uint64_t i = 0; i < n; ++i) {
                bytes += sampleSize(sample + i);
            }
        }
        sample += n;
        const std::uint64_t start = m_chunkOffsets[chunk];
        const std::uint64_t end = start > UINT64_MAX - bytes ? UINT64_MAX : start + bytes;
        out.emplace_back(start, end);
    }
    return out;
}

}  // namespace mp4
