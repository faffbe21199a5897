#pragma once

// Big-endian reading and writing over byte buffers. The reader never reads past its end:
// a read that does not fit sets the failed flag and yields 0, so parsers check once.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mp4 {

using Bytes = std::vector<std::uint8_t>;

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::uint64_t read(int byteCount)
    {
        if (m_failed || remaining() < static_cast<std::size_t>(byteCount)) {
            m_failed = true;
            m_pos = m_data.size();
            return 0;
        }
        std::uint64_t v = 0;
        for (int i = 0; i < byteCount; ++i) {
            v = (v << 8) | m_data[m_pos++];
        }
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(read(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(read(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(read(4)); }
    std::uint64_t u64() { return read(8); }
    std::span<const std::uint8_t> bytes(std::size_t count)
    {
        if (m_failed || remaining() < count) {
            m_failed = true;
            m_pos = m_data.size();
            return {};
        }
        auto out = m_data.subspan(m_pos, count);
        m_pos += count;
        return out;
    }
    void skip(std::size_t count) { (void)bytes(count); }
    std::span<const std::uint8_t> rest() { return bytes(remaining()); }

    std::size_t remaining() const { return m_data.size() - m_pos; }
    std::size_t position() const { return m_pos; }
    bool failed() const { return m_failed; }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

class ByteWriter {
public:
    void write(std::uint64_t value, int byteCount)
    {
        for (int i = byteCount - 1; i >= 0; --i) {
            m_out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
        }
    }
    void u8(std::uint8_t v) { write(v, 1); }
    void u16(std::uint16_t v) { write(v, 2); }
    void u32(std::uint32_t v) { write(v, 4); }
    void u64(std::uint64_t v) { write(v, 8); }
    void bytes(std::span<const std::uint8_t> b) { m_out.insert(m_out.end(), b.begin(), b.end()); }
    void text(std::string_view s) { m_out.insert(m_out.end(), s.begin(), s.end()); }
    void zeros(std::size_t n) { m_out.insert(m_out.end(), n, 0); }

    Bytes& data() { return m_out; }
    Bytes take() { return std::move(m_out); }

private:
    Bytes m_out;
};

// Overwrites `byteCount` bytes at `offset` of `data` with `value`, big-endian; false if it
// does not fit.
inline bool putBig(Bytes& data, std::size_t offset, std::uint64_t value, int byteCount)
{
    if (offset > data.size() || data.size() - offset < static_cast<std::size_t>(byteCount)) {
        return false;
    }
    for (int i = byteCount - 1; i >= 0; --i) {
        data[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return true;
}

// As putBig, a value too large for `byteCount` bytes written as the largest that fits (a
// 64-bit duration kept in a version-0 header's 32-bit field).
inline bool putBigSaturated(Bytes& data, std::size_t offset, std::uint64_t value, int byteCount)
{
    const std::uint64_t largest = byteCount >= 8 ? UINT64_MAX : (std::uint64_t(1) << (8 * byteCount)) - 1;
    return putBig(data, offset, value > largest ? largest : value, byteCount);
}

inline std::uint64_t getBig(std::span<const std::uint8_t> data, std::size_t offset, int byteCount)
{
    if (offset > data.size() || data.size() - offset < static_cast<std::size_t>(byteCount)) {
        return 0;
    }
    std::uint64_t v = 0;
    for (int i = 0; i < byteCount; ++i) {
        v = (v << 8) | data[offset + static_cast<std::size_t>(i)];
    }
    return v;
}

// a * b / c without overflow (c != 0); the result saturates at 2^64 - 1.
inline std::uint64_t mulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t c)
{
    __extension__ using Wide = unsigned __int128;
    const Wide r = static_cast<Wide>(a) * b / c;
    return r > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(r);
}

}  // namespace mp4
