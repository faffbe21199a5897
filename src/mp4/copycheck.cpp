#include "mp4/copycheck.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace mp4 {

namespace {

// Small enough to come from the heap the process has (a larger buffer is mapped afresh each
// time, and its pages cost more to fault in than the bytes do to read).
constexpr std::uint64_t kReadStep = 64 * 1024;
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

std::atomic<bool>& fingerprintsOn()
{
    static std::atomic<bool> on{true};
    return on;
}

std::unexpected<Error> changed(const std::string& what)
{
    return fail(Error::Code::Changed, "file changed by another program since it was opened (" + what + ")");
}

}  // namespace

void CopyCheck::Fingerprint::addBlocks(const std::uint8_t* blocks, std::size_t count)
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

void CopyCheck::Fingerprint::add(std::span<const std::uint8_t> bytes)
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

std::uint64_t CopyCheck::Fingerprint::value() const
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

void CopyCheck::setFingerprintsForBenchmark(bool on)
{
    fingerprintsOn() = on;
}

CopyCheck::CopyCheck(const FileHandle& file, const ByteChain& content) : m_file(file), m_fingerprints(fingerprintsOn())
{
    for (const FileHandle::Piece& piece : content.all()) {
        if (piece.bytes.empty() && piece.copyLength != 0) {
            m_ranges.push_back({piece.copyFrom, piece.copyLength});
        }
    }
}

Result<void> CopyCheck::sourcesUnchanged()
{
    const auto now = m_file.stamp();
    if (!now) {
        return std::unexpected(now.error());
    }
    if (now->size != m_file.openedAs().size) {
        return changed("its length differs");
    }
    if (*now != m_file.openedAs()) {
        return changed("it was written to");
    }
    if (!m_fingerprints) {
        return {};
    }
    // The ranges lie in the live moov, which lay in the file as long as it was at opening.
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(kReadStep));
    for (const Range& range : m_ranges) {
        for (std::uint64_t done = 0; done < range.length;) {
            const auto n = static_cast<std::size_t>(std::min(range.length - done, kReadStep));
            const std::span<std::uint8_t> step(buffer.get(), n);
            if (auto r = m_file.readAt(range.from + done, step); !r) {
                return fail(r.error().code, "reading the bytes to copy failed: " + r.error().message);
            }
            m_noted.add(step);
            done += n;
        }
    }
    return {};
}

FileHandle::CopyTap CopyCheck::tap()
{
    if (!m_fingerprints) {
        return {};
    }
    return [this](std::span<const std::uint8_t> bytes) { m_copied.add(bytes); };
}

Result<void> CopyCheck::copiesVerified() const
{
    if (!m_fingerprints) {
        return {};
    }
    if (m_copied.length() != m_noted.length()) {
        return fail(Error::Code::Io, "the copy passed " + std::to_string(m_copied.length()) + " of the " +
                                         std::to_string(m_noted.length()) + " bytes it was to copy");
    }
    if (m_copied.value() != m_noted.value()) {
        return changed("the bytes copied differ from those read before the save");
    }
    return {};
}

}  // namespace mp4
