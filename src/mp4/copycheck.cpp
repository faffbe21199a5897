#include "mp4/copycheck.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>

namespace mp4 {

namespace {

constexpr std::uint64_t kReadStep = 1ull << 20;

// A fingerprint of bytes that any cut or rewrite changes: four 64-bit lanes mixed as xxHash
// mixes them, so that megabytes of tables cost about what reading them does.
class Fingerprint {
public:
    void add(std::span<const std::uint8_t> bytes)
    {
        std::size_t i = 0;
        for (; i + 32 <= bytes.size(); i += 32) {
            for (std::size_t lane = 0; lane < 4; ++lane) {
                std::uint64_t word = 0;
                std::memcpy(&word, bytes.data() + i + 8 * lane, 8);
                m_lanes[lane] = std::rotl(m_lanes[lane] + word * kPrime2, 31) * kPrime1;
            }
        }
        for (; i < bytes.size(); ++i) {
            m_rest = std::rotl(m_rest ^ bytes[i], 11) * kPrime1;
        }
        m_length += bytes.size();
    }
    std::uint64_t value() const
    {
        std::uint64_t h = m_length ^ m_rest;
        for (const std::uint64_t lane : m_lanes) {
            h = std::rotl(h ^ lane, 27) * kPrime1 + kPrime2;
        }
        return h ^ (h >> 33);
    }

private:
    static constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
    static constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

    std::uint64_t m_lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    std::uint64_t m_rest = 0;
    std::uint64_t m_length = 0;
};

std::unexpected<Error> changed(const std::string& what)
{
    return fail(Error::Code::Changed, "file changed by another program since it was opened (" + what + ")");
}

}  // namespace

CopyCheck::CopyCheck(const FileHandle& file, std::uint64_t destination, const ByteChain& content) : m_file(file)
{
    std::uint64_t at = destination;
    for (const FileHandle::Piece& piece : content.all()) {
        if (piece.bytes.empty() && piece.copyLength != 0) {
            m_ranges.push_back({piece.copyFrom, at, piece.copyLength, 0});
        }
        at += piece.size();
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
    // The ranges lie in the live moov, which lay in the file as long as it was at opening.
    for (Range& range : m_ranges) {
        auto sum = fingerprint(range.from, range.length);
        if (!sum) {
            return std::unexpected(sum.error());
        }
        range.fingerprint = *sum;
    }
    return {};
}

Result<void> CopyCheck::copiesVerified() const
{
    for (const Range& range : m_ranges) {
        auto sum = fingerprint(range.to, range.length);
        if (!sum) {
            return std::unexpected(sum.error());
        }
        if (*sum != range.fingerprint) {
            return changed("copied bytes differ from those read");
        }
    }
    return {};
}

Result<std::uint64_t> CopyCheck::fingerprint(std::uint64_t offset, std::uint64_t length) const
{
    Bytes buffer(static_cast<std::size_t>(std::min(length, kReadStep)));
    Fingerprint sum;
    for (std::uint64_t done = 0; done < length;) {
        const auto n = static_cast<std::size_t>(std::min(length - done, kReadStep));
        const std::span<std::uint8_t> step = std::span(buffer).first(n);
        if (auto r = m_file.readAt(offset + done, step); !r) {
            return std::unexpected(r.error());
        }
        sum.add(step);
        done += n;
    }
    return sum.value();
}

}  // namespace mp4
