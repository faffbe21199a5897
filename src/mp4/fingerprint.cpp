#include "mp4/fingerprint.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace mp4 {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

}  // namespace

void Fingerprint::addBlocks(const std::uint8_t* blocks, std::size_t count)
{
    // The sums in locals: the compiler cannot tell that the bytes do not overlap the members.
    std::uint64_t sums[kLanes];
    std::uint64_t sumsOfSums[kLanes];
    std::memcpy(sums, m_sums, sizeof sums);
    std::memcpy(sumsOfSums, m_sumsOfSums, sizeof sumsOfSums);
    for (std::size_t b = 0; b < count; ++b, blocks += kBlock) {
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            std::uint64_t word = 0;
            std::memcpy(&word, blocks + 8 * lane, 8);
            sums[lane] += word;
            sumsOfSums[lane] += sums[lane];
        }
    }
    std::memcpy(m_sums, sums, sizeof sums);
    std::memcpy(m_sumsOfSums, sumsOfSums, sizeof sumsOfSums);
}

void Fingerprint::add(std::span<const std::uint8_t> bytes)
{
    m_length += bytes.size();
    std::size_t i = 0;
    if (m_pendingBytes != 0) {
        i = std::min(bytes.size(), kBlock - m_pendingBytes);
        std::memcpy(m_pending + m_pendingBytes, bytes.data(), i);
        m_pendingBytes += i;
        if (m_pendingBytes < kBlock) {
            return;
        }
        addBlocks(m_pending, 1);
        m_pendingBytes = 0;
    }
    const std::size_t whole = (bytes.size() - i) / kBlock;
    addBlocks(bytes.data() + i, whole);
    i += whole * kBlock;
    m_pendingBytes = bytes.size() - i;
    std::memcpy(m_pending, bytes.data() + i, m_pendingBytes);
}

std::uint64_t Fingerprint::value() const
{
    // The sums mixed into one value, the last bytes of an incomplete block with them.
    std::uint64_t h = m_length * kPrime2;
    const auto mix = [&h](std::uint64_t v) { h = std::rotl(h ^ (v * kPrime2), 31) * kPrime1; };
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        mix(m_sums[lane]);
        mix(m_sumsOfSums[lane]);
    }
    for (std::size_t i = 0; i < m_pendingBytes; ++i) {
        mix(m_pending[i]);
    }
    return h ^ (h >> 33);
}

void Fingerprint::addNumber(std::uint64_t value)
{
    std::uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    add(bytes);
}

}  // namespace mp4
