#include "mp4/copycheck.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace mp4 {

namespace {

// Small enough to come from the heap the process has (a larger buffer is mapped afresh each
// time, and its pages cost more to fault in than the bytes do to read).
constexpr std::uint64_t kReadStep = 64 * 1024;

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
