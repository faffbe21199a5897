#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace mp4 {

// A four-character box or item code, kept as its four raw bytes.
// Built from text: four bytes as they stand, or a UTF-8 "©" (C2 A9) followed by three
// bytes, which becomes the single byte 0xA9 that iTunes item codes use ("©nam").
class FourCC {
public:
    constexpr FourCC() = default;
    constexpr explicit FourCC(std::uint32_t value) : m_value(value) {}
    // Text that is neither form gives the code 0 (isValid() false).
    constexpr FourCC(std::string_view text) : m_value(fromText(text)) {}
    constexpr FourCC(const char* text) : FourCC(std::string_view(text)) {}

    constexpr std::uint32_t value() const { return m_value; }
    constexpr bool isValid() const { return m_value != 0; }
    // The four raw bytes (0xA9 stays one byte).
    std::string bytes() const;
    // Printable UTF-8: 0xA9 becomes "©", other bytes above 0x7F become Latin-1 in UTF-8.
    std::string toString() const;

    constexpr auto operator<=>(const FourCC&) const = default;

private:
    static constexpr std::uint32_t pack(unsigned char a, unsigned char b, unsigned char c, unsigned char d)
    {
        return (std::uint32_t(a) << 24) | (std::uint32_t(b) << 16) | (std::uint32_t(c) << 8) | std::uint32_t(d);
    }
    static constexpr std::uint32_t fromText(std::string_view t)
    {
        if (t.size() == 4) {
            return pack(t[0], t[1], t[2], t[3]);
        }
        if (t.size() == 5 && static_cast<unsigned char>(t[0]) == 0xC2 && static_cast<unsigned char>(t[1]) == 0xA9) {
            return pack(0xA9, t[2], t[3], t[4]);
        }
        return 0;
    }

    std::uint32_t m_value = 0;
};

}  // namespace mp4
