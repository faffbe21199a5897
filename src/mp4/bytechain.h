#pragma once

#include "mp4/bytes.h"
#include "mp4/filehandle.h"

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace mp4 {

// Bytes to write, as a chain of pieces: small ones are copied in, large ones are referred
// to where they lie, in memory or in the file they go to, so that a moov with megabytes of
// sample tables is not copied once more before it goes to the file. Whatever is referred to
// must outlive the chain.
class ByteChain {
public:
    using Piece = FileHandle::Piece;

    void append(std::span<const std::uint8_t> bytes);
    void append(const Bytes& bytes) { append(std::span<const std::uint8_t>(bytes)); }
    // A temporary is always copied in.
    void append(Bytes&& bytes);
    // `length` bytes of the file written to, from `offset` on, as they are there.
    void appendFileRange(std::uint64_t offset, std::uint64_t length);
    std::uint64_t size() const { return m_size; }
    // The pieces that make up bytes [from, to) of the chain.
    std::vector<Piece> slice(std::uint64_t from, std::uint64_t to) const;
    std::vector<Piece> all() const { return slice(0, m_size); }

private:
    static constexpr std::size_t kReferAbove = 64 * 1024;

    std::vector<Piece> m_pieces;
    std::deque<Bytes> m_copies;  // the copied pieces; a deque never moves its elements
    bool m_lastIsCopy = false;
    std::uint64_t m_size = 0;
};

}  // namespace mp4
