#pragma once

#include <cstdint>

namespace mp4 {

// The fixed fields of a `tx3g` sample description (3GPP timed text). The font table holds
// one font, ID 1, "Arial".
struct Tx3gDescription {
    std::uint16_t dataReferenceIndex = 1;
    std::uint32_t displayFlags = 0;
    std::int8_t horizontalJustification = 0;  // 0 left, 1 centre, -1 right
    std::int8_t verticalJustification = 0;    // 0 top, 1 centre, -1 bottom
    std::uint8_t bgColorRed = 0;
    std::uint8_t bgColorGreen = 0;
    std::uint8_t bgColorBlue = 0;
    std::uint8_t bgColorAlpha = 0;
    std::int16_t defTextBoxTop = 0;
    std::int16_t defTextBoxLeft = 0;
    std::int16_t defTextBoxBottom = 0;
    std::int16_t defTextBoxRight = 0;
    std::uint16_t startChar = 0;
    std::uint16_t endChar = 0;
    std::uint16_t fontID = 1;
    std::uint8_t fontFace = 0;
    std::uint8_t fontSize = 0;
    std::uint8_t fontColorRed = 0;
    std::uint8_t fontColorGreen = 0;
    std::uint8_t fontColorBlue = 0;
    std::uint8_t fontColorAlpha = 0;

    bool operator==(const Tx3gDescription&) const = default;
};

}  // namespace mp4
