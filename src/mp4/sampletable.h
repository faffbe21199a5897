#pragma once

#include "mp4/box.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace mp4 {

// The sample tables of one track (`stts`, `stsc`, `stsz`/`stz2`, `stco`/`co64`), decoded.
// Counts are bounded by the bytes actually present, so a lying header costs nothing.
class SampleTable {
public:
    struct Sample {
        std::uint64_t offset = 0;
        std::uint32_t size = 0;
        std::uint64_t duration = 0;  // media time scale
    };
    struct ChunkEntry {
        std::uint32_t firstChunk = 0;
        std::uint32_t samplesPerChunk = 0;
        std::uint32_t descriptionIndex = 0;
    };

    // Nothing when a table is missing or malformed.
    static std::optional<SampleTable> parse(const Box& stbl);
    using Range = std::pair<std::uint64_t, std::uint64_t>;
    // Hands the byte ranges [start, end) of all chunks, in order and a batch at a time, to
    // `chunks`: one pass over the tables without decoding them first (a long movie has
    // hundreds of thousands of samples). False, and no call, when a table is missing or
    // malformed, as for parse().
    static bool forEachChunk(const Box& stbl, const std::function<void(std::span<const Range>)>& chunks);

    // Bytes [offset, offset + length) of a table's body, wherever the body lies; nothing when
    // they cannot be read.
    using BodyReader =
        std::function<std::optional<Bytes>(const Box& table, std::uint64_t offset, std::uint64_t length)>;
    // Where the last chunk ends: its offset plus the sizes of its samples, from the last entries
    // of the tables only (muxers write chunks in the order of the table, so the last one reaches
    // farthest). Nothing for a track without chunks or with tables that cannot be read.
    static std::optional<std::uint64_t> lastChunkEnd(const Box& stbl, const BodyReader& read);

    // Whether the tables say in more than one way where the samples lie (a table twice, or in
    // both its forms): readers differ in which they take.
    static bool isAmbiguous(const Box& stbl);

    std::uint64_t sampleCount() const { return m_sampleCount; }
    // The first `limit` samples with their place in the file and their duration.
    std::vector<Sample> samples(std::size_t limit) const;

private:
    std::uint32_t sampleSize(std::uint64_t index) const;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_timeToSample;  // count, delta
    std::vector<ChunkEntry> m_sampleToChunk;
    std::uint32_t m_fixedSize = 0;
    std::uint64_t m_sampleCount = 0;
    std::vector<std::uint32_t> m_sizes;
    std::vector<std::uint64_t> m_chunkOffsets;
};

}  // namespace mp4
