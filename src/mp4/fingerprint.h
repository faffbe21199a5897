#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mp4 {

// A fingerprint of bytes that a cut, a rewrite or a shift of them changes: eight running sums
// of their 64-bit words and eight sums of those sums (Fletcher's checksum, widened), so that it
// costs less than reading the bytes does. The value depends on the bytes alone, not on how
// they were handed over.
class Fingerprint {
public:
    void add(std::span<const std::uint8_t> bytes);
    // The number's eight bytes, least significant first.
    void addNumber(std::uint64_t value);
    std::uint64_t value() const;
    std::uint64_t length() const { return m_length; }

private:
    static constexpr std::size_t kLanes = 8;
    static constexpr std::size_t kBlock = 8 * kLanes;
    void addBlocks(const std::uint8_t* blocks, std::size_t count);

    std::uint64_t m_sums[kLanes] = {};
    std::uint64_t m_sumsOfSums[kLanes] = {};
    std::uint8_t m_pending[kBlock] = {};
    std::size_t m_pendingBytes = 0;
    std::uint64_t m_length = 0;
};

}  // namespace mp4
