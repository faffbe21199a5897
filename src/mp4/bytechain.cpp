#include "mp4/bytechain.h"

#include <algorithm>

namespace mp4 {

void ByteChain::append(Bytes&& bytes)
{
    if (bytes.size() > kReferAbove) {
        m_size += bytes.size();
        m_copies.push_back(std::move(bytes));
        m_pieces.push_back({m_copies.back()});
        m_lastIsCopy = false;
        return;
    }
    append(std::span<const std::uint8_t>(bytes));
}

void ByteChain::appendFileRange(std::uint64_t offset, std::uint64_t length)
{
    if (length == 0) {
        return;
    }
    m_size += length;
    m_pieces.push_back(Piece::copyOf(offset, length));
    m_lastIsCopy = false;
}

void ByteChain::append(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) {
        return;
    }
    if (bytes.size() > kReferAbove) {
        m_size += bytes.size();
        m_pieces.push_back({bytes});
        m_lastIsCopy = false;
        return;
    }
    m_size += bytes.size();
    // Runs of small pieces become one copied piece. Its buffer never grows past what was
    // reserved, so the piece that refers to it stays valid.
    if (!m_lastIsCopy || m_copies.back().size() + bytes.size() > m_copies.back().capacity()) {
        m_copies.emplace_back();
        m_copies.back().reserve(std::max<std::size_t>(kReferAbove, bytes.size()));
        m_pieces.emplace_back();
        m_lastIsCopy = true;
    }
    Bytes& copy = m_copies.back();
    copy.insert(copy.end(), bytes.begin(), bytes.end());
    m_pieces.back() = {copy};
}

std::vector<ByteChain::Piece> ByteChain::slice(std::uint64_t from, std::uint64_t to) const
{
    std::vector<Piece> out;
    std::uint64_t at = 0;
    for (const Piece& p : m_pieces) {
        const std::uint64_t end = at + p.size();
        if (end > from && at < to) {
            const std::uint64_t first = std::max(from, at) - at;
            const std::uint64_t last = std::min(to, end) - at;
            out.push_back(p.subpiece(first, last - first));
        }
        at = end;
    }
    return out;
}

}  // namespace mp4
