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

// `stts`: runs of samples sharing one duration, as (count, delta).
std::vector<std::pair<std::uint32_t, std::uint32_t>> readTimeToSample(const Box& stts)
{
    ByteReader r(stts.payload);
    r.skip(4);
    const std::uint32_t n = boundedCount(r, 8);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    out.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t count = r.u32();
        out.emplace_back(count, r.u32());
    }
    return out;
}

// `stsc`: nothing unless the first chunks are 1-based and strictly increasing.
std::optional<std::vector<SampleTable::ChunkEntry>> readSampleToChunk(const Box& stsc)
{
    ByteReader r(stsc.payload);
    r.skip(4);
    const std::uint32_t n = boundedCount(r, 12);
    std::vector<SampleTable::ChunkEntry> out;
    out.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        SampleTable::ChunkEntry e;
        e.firstChunk = r.u32();
        e.samplesPerChunk = r.u32();
        e.descriptionIndex = r.u32();
        if (e.firstChunk == 0 || (!out.empty() && e.firstChunk <= out.back().firstChunk)) {
            return std::nullopt;
        }
        out.push_back(e);
    }
    return out;
}

struct SampleSizes {
    std::uint32_t fixedSize = 0;  // one size for every sample; 0: `sizes` holds them
    std::uint64_t count = 0;
    std::vector<std::uint32_t> sizes;
};

// `stsz`: nothing when even its header is cut off.
std::optional<SampleSizes> readSampleSizes(const Box& stsz)
{
    SampleSizes out;
    ByteReader r(stsz.payload);
    r.skip(4);
    out.fixedSize = r.u32();
    if (out.fixedSize != 0) {
        out.count = r.u32();
    } else {
        const std::uint32_t n = boundedCount(r, 4);
        out.sizes.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            out.sizes.push_back(r.u32());
        }
        out.count = n;
    }
    if (r.failed()) {
        return std::nullopt;
    }
    return out;
}

// `stz2`: sizes packed in 4, 8 or 16 bits; nothing for any other field size.
std::optional<SampleSizes> readCompactSampleSizes(const Box& stz2)
{
    SampleSizes out;
    ByteReader r(stz2.payload);
    r.skip(7);
    const std::uint8_t fieldSize = r.u8();
    if (fieldSize != 4 && fieldSize != 8 && fieldSize != 16) {
        return std::nullopt;
    }
    const std::uint64_t declared = r.u32();
    const std::uint64_t available = r.remaining() * 8 / fieldSize;
    const std::uint64_t n = std::min(declared, available);
    out.sizes.reserve(static_cast<std::size_t>(n));
    for (std::uint64_t i = 0; i < n; ++i) {
        if (fieldSize == 16) {
            out.sizes.push_back(r.u16());
        } else if (fieldSize == 8) {
            out.sizes.push_back(r.u8());
        } else {
            const std::uint8_t b = stz2.payload[12 + static_cast<std::size_t>(i / 2)];
            out.sizes.push_back(i % 2 == 0 ? b >> 4 : b & 0x0F);
        }
    }
    out.count = n;
    return out;
}

// `stco` (32-bit offsets) or `co64` (`wide`, 64-bit offsets).
std::vector<std::uint64_t> readChunkOffsets(const Box& table, bool wide)
{
    ByteReader r(table.payload);
    r.skip(4);
    const std::uint32_t n = boundedCount(r, wide ? 8 : 4);
    std::vector<std::uint64_t> out;
    out.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        out.push_back(wide ? r.u64() : r.u32());
    }
    return out;
}

}  // namespace

std::optional<SampleTable> SampleTable::parse(const Box& stbl)
{
    const Box* stts = stbl.child(FourCC("stts"));
    const Box* stsc = stbl.child(FourCC("stsc"));
    const Box* stsz = stbl.child(FourCC("stsz"));
    const Box* stz2 = stbl.child(FourCC("stz2"));
    const Box* stco = stbl.child(FourCC("stco"));
    const Box* co64 = stbl.child(FourCC("co64"));
    if (!stts || !stsc || (!stsz && !stz2) || (!stco && !co64)) {
        return std::nullopt;
    }
    auto sampleToChunk = readSampleToChunk(*stsc);
    auto sizes = stsz ? readSampleSizes(*stsz) : readCompactSampleSizes(*stz2);
    if (!sampleToChunk || !sizes) {
        return std::nullopt;
    }
    SampleTable t;
    t.m_timeToSample = readTimeToSample(*stts);
    t.m_sampleToChunk = std::move(*sampleToChunk);
    t.m_fixedSize = sizes->fixedSize;
    t.m_sampleCount = sizes->count;
    t.m_sizes = std::move(sizes->sizes);
    t.m_chunkOffsets = co64 ? readChunkOffsets(*co64, true) : readChunkOffsets(*stco, false);
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

namespace {

std::uint32_t load32(const std::uint8_t* q)
{
    return (std::uint32_t(q[0]) << 24) | (std::uint32_t(q[1]) << 16) | (std::uint32_t(q[2]) << 8) | q[3];
}

// Sizes of consecutive samples, straight from `stsz` or `stz2`.
class SizeCursor {
public:
    // Nothing when neither table is usable.
    static std::optional<SizeCursor> open(const Box* stsz, const Box* stz2)
    {
        SizeCursor c;
        if (stsz) {
            c.m_table = stsz->payload;
            c.m_fixed = static_cast<std::uint32_t>(getBig(c.m_table, 4, 4));
            if (c.m_table.size() < 12) {
                return std::nullopt;
            }
            const std::uint64_t declared = getBig(c.m_table, 8, 4);
            c.m_count = c.m_fixed != 0 ? declared : std::min<std::uint64_t>(declared, (c.m_table.size() - 12) / 4);
            c.m_fieldBits = 32;
            return c;
        }
        c.m_table = stz2->payload;
        if (c.m_table.size() < 12) {
            return std::nullopt;
        }
        c.m_fieldBits = c.m_table[7];
        if (c.m_fieldBits != 4 && c.m_fieldBits != 8 && c.m_fieldBits != 16) {
            return std::nullopt;
        }
        c.m_count = std::min<std::uint64_t>(getBig(c.m_table, 8, 4), (c.m_table.size() - 12) * 8 / c.m_fieldBits);
        return c;
    }

    std::uint64_t count() const { return m_count; }
    // Bytes of samples [first, first + n), all below count().
    std::uint64_t sum(std::uint64_t first, std::uint64_t n) const
    {
        if (m_fixed != 0) {
            return n * m_fixed;  // n < 2^32, size < 2^32: no overflow
        }
        std::uint64_t bytes = 0;
        const std::uint8_t* p = m_table.data() + 12;
        switch (m_fieldBits) {
            case 4:
                for (std::uint64_t i = first; i < first + n; ++i) {
                    const std::uint8_t b = p[i / 2];
                    bytes += i % 2 == 0 ? b >> 4 : b & 0x0F;
                }
                break;
            case 8:
                for (std::uint64_t i = first; i < first + n; ++i) {
                    bytes += p[i];
                }
                break;
            case 16:
                for (std::uint64_t i = first; i < first + n; ++i) {
                    bytes += (std::uint32_t(p[2 * i]) << 8) | p[2 * i + 1];
                }
                break;
            default:
                for (std::uint64_t i = first; i < first + n; ++i) {
                    bytes += load32(p + 4 * i);
                }
                break;
        }
        return bytes;
    }

private:
    std::span<const std::uint8_t> m_table;
    std::uint32_t m_fixed = 0;
    std::uint64_t m_count = 0;
    int m_fieldBits = 32;
};

}  // namespace

bool SampleTable::forEachChunk(const Box& stbl, const std::function<void(std::span<const Range>)>& chunks)
{
    const Box* stsc = stbl.child(FourCC("stsc"));
    const Box* stsz = stbl.child(FourCC("stsz"));
    const Box* stz2 = stbl.child(FourCC("stz2"));
    const Box* stco = stbl.child(FourCC("stco"));
    const Box* co64 = stbl.child(FourCC("co64"));
    if (!stbl.child(FourCC("stts")) || !stsc || (!stsz && !stz2) || (!stco && !co64)) {
        return false;
    }
    const auto parsedEntries = readSampleToChunk(*stsc);
    if (!parsedEntries) {
        return false;
    }
    const std::vector<ChunkEntry>& entries = *parsedEntries;
    const auto sizes = SizeCursor::open(stsz, stz2);
    if (!sizes) {
        return false;
    }
    const bool wide = co64 != nullptr;
    const std::span<const std::uint8_t> offsets = wide ? co64->payload : stco->payload;
    const int offsetBytes = wide ? 8 : 4;
    const std::uint64_t count =
        offsets.size() < 8 ? 0 : std::min<std::uint64_t>(getBig(offsets, 4, 4), (offsets.size() - 8) / offsetBytes);
    std::vector<Range> batch;
    batch.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, 4096)));
    std::size_t entry = 0;
    std::uint64_t sample = 0;
    for (std::uint64_t index = 0; index < count; ++index) {
        // Within the table: an empty one has no bytes to point into at all.
        const std::uint8_t* offset = offsets.data() + 8 + index * offsetBytes;
        while (entry + 1 < entries.size() && index + 1 >= entries[entry + 1].firstChunk) {
            ++entry;
        }
        const std::uint64_t perChunk = entries.empty() ? 0 : entries[entry].samplesPerChunk;
        const std::uint64_t n = std::min(perChunk, sizes->count() > sample ? sizes->count() - sample : 0);
        const std::uint64_t bytes = sizes->sum(sample, n);
        sample += n;
        const std::uint64_t start = wide ? (std::uint64_t(load32(offset)) << 32) | load32(offset + 4) : load32(offset);
        batch.emplace_back(start, start > UINT64_MAX - bytes ? UINT64_MAX : start + bytes);
        if (batch.size() == batch.capacity()) {
            chunks(batch);
            batch.clear();
        }
    }
    if (!batch.empty()) {
        chunks(batch);
    }
    return true;
}

namespace {

std::uint64_t bodySize(const Box& table)
{
    return table.inFileSize != 0 ? table.inFileSize : table.payload.size();
}

// Entry count of a table whose entries of `entryBytes` start at body offset `first`, trusted
// only as far as the body goes.
std::uint64_t boundedEntries(const Box& table, std::uint64_t declared, std::uint64_t first, std::uint64_t entryBytes)
{
    const std::uint64_t body = bodySize(table);
    return body < first ? 0 : std::min(declared, (body - first) / entryBytes);
}

// Samples in the last of `chunks` chunks: the run of the last `stsc` entry that starts by then.
std::optional<std::uint64_t> samplesInLastChunk(const Box& stsc, std::uint64_t chunks,
                                                const SampleTable::BodyReader& read)
{
    for (std::uint64_t n = boundedEntries(stsc, getBig(stsc.payload, 4, 4), 8, 12); n > 0; --n) {
        const auto entry = read(stsc, 8 + (n - 1) * 12, 12);
        if (!entry) {
            return std::nullopt;
        }
        if (getBig(*entry, 0, 4) <= chunks) {
            return getBig(*entry, 4, 4);
        }
    }
    return std::nullopt;
}

// Bytes of the last `n` samples.
std::optional<std::uint64_t> lastSamplesBytes(const Box* stsz, const Box* stz2, std::uint64_t n,
                                              const SampleTable::BodyReader& read)
{
    const Box& table = stsz ? *stsz : *stz2;
    if (table.payload.size() < 12) {
        return std::nullopt;
    }
    const std::uint64_t fixed = stsz ? getBig(table.payload, 4, 4) : 0;
    if (fixed != 0) {
        return std::min(n, getBig(table.payload, 8, 4)) * fixed;
    }
    const std::uint64_t bits = stsz ? 32 : table.payload[7];
    if (bits != 4 && bits != 8 && bits != 16 && bits != 32) {
        return std::nullopt;
    }
    const std::uint64_t count = std::min(getBig(table.payload, 8, 4), (bodySize(table) - 12) * 8 / bits);
    const std::uint64_t first = count - std::min(n, count);
    const std::uint64_t from = first * bits / 8;
    const auto bytes = read(table, 12 + from, (count * bits + 7) / 8 - from);
    if (!bytes) {
        return std::nullopt;
    }
    std::uint64_t sum = 0;
    for (std::uint64_t i = first; i < count; ++i) {
        const std::uint64_t at = i * bits / 8 - from;
        if (bits == 4) {
            sum += i % 2 == 0 ? (*bytes)[at] >> 4 : (*bytes)[at] & 0x0F;
        } else {
            sum += getBig(*bytes, static_cast<std::size_t>(at), static_cast<int>(bits / 8));
        }
    }
    return sum;
}

}  // namespace

bool SampleTable::isAmbiguous(const Box& stbl)
{
    const auto tables = [&stbl](const char* type, const char* otherForm) {
        return std::ranges::count_if(
            stbl.children, [&](const Box& c) { return c.type == FourCC(type) || c.type == FourCC(otherForm); });
    };
    return tables("stsc", "stsc") > 1 || tables("stsz", "stz2") > 1 || tables("stco", "co64") > 1;
}

std::optional<std::uint64_t> SampleTable::lastChunkEnd(const Box& stbl, const BodyReader& read)
{
    const Box* stsc = stbl.child(FourCC("stsc"));
    const Box* stsz = stbl.child(FourCC("stsz"));
    const Box* stz2 = stbl.child(FourCC("stz2"));
    const Box* co64 = stbl.child(FourCC("co64"));
    const Box* offsets = co64 ? co64 : stbl.child(FourCC("stco"));
    if (!stsc || (!stsz && !stz2) || !offsets) {
        return std::nullopt;
    }
    const std::uint64_t width = co64 ? 8 : 4;
    const std::uint64_t chunks = boundedEntries(*offsets, getBig(offsets->payload, 4, 4), 8, width);
    if (chunks == 0) {
        return std::nullopt;
    }
    const auto last = read(*offsets, 8 + (chunks - 1) * width, width);
    const auto samples = samplesInLastChunk(*stsc, chunks, read);
    if (!last || !samples) {
        return std::nullopt;
    }
    const auto bytes = lastSamplesBytes(stsz, stz2, *samples, read);
    if (!bytes) {
        return std::nullopt;
    }
    const std::uint64_t start = getBig(*last, 0, static_cast<int>(width));
    return start > UINT64_MAX - *bytes ? UINT64_MAX : start + *bytes;
}

}  // namespace mp4
