#pragma once

#include "mp4/box.h"
#include "mp4/trackinfo.h"

#include <cstdint>
#include <vector>

namespace mp4 {

// Samples of a track added since opening, kept in memory until the commit writes them.
// The totals are kept as samples arrive, so adding thousands of captions stays linear.
class PendingSamples {
public:
    explicit PendingSamples(std::uint32_t timeScale = 0) : m_timeScale(timeScale) {}

    void append(Bytes sample, std::uint64_t duration);
    std::uint32_t timeScale() const { return m_timeScale; }  // of the track's media

    const std::vector<Bytes>& samples() const { return m_samples; }
    const std::vector<std::uint64_t>& durations() const { return m_durations; }
    std::uint64_t totalBytes() const { return m_totalBytes; }
    std::uint64_t totalDuration() const { return m_totalDuration; }

    // 0: one second of the track's time scale.
    void setDurationPerChunk(std::uint64_t duration) { m_durationPerChunk = duration; }
    // Sample counts of consecutive chunks: a chunk closes once its duration reaches the
    // duration per chunk.
    std::vector<std::uint32_t> chunkSampleCounts(std::uint32_t timeScale) const;

private:
    std::uint32_t m_timeScale = 0;
    std::vector<Bytes> m_samples;
    std::vector<std::uint64_t> m_durations;
    std::uint64_t m_totalBytes = 0;
    std::uint64_t m_totalDuration = 0;
    std::uint64_t m_durationPerChunk = 0;
};

// Builds the boxes of new tracks.
namespace TrackBuilder {

enum class Kind { Subtitle, ChapterText };

struct Recipe {
    Kind kind = Kind::Subtitle;
    std::uint32_t id = 0;
    std::uint32_t timeScale = 1000;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t flags = 1;
    std::uint64_t creationTime = 0;  // seconds since 1904
};

Box makeTrack(const Recipe& recipe);

// Replaces the sample tables of `trak` by ones for `samples` stored back to back from
// `firstOffset` on, with 64-bit chunk offsets when `wideOffsets`; sets the durations.
void writeSampleTables(Box& trak, const PendingSamples& samples, std::uint64_t firstOffset, bool wideOffsets,
                       std::uint32_t movieTimeScale);

// Seconds since 1904-01-01, the epoch of the header times.
std::uint64_t nowSince1904();

}  // namespace TrackBuilder

}  // namespace mp4
