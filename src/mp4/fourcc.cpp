#include "mp4/fourcc.h"

namespace mp4 {

std::string FourCC::bytes() const
{
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((m_value >> (24 - 8 * i)) & 0xFF);
    }
    return out;
}

std::string FourCC::toString() const
{
    std::string out;
    for (unsigned char c : bytes()) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace mp4
