// UTF-16 text in items and in chapter samples reads as UTF-8, whatever the byte order.
#include "mp4testutil.h"

#include "mp4/chapterlist.h"
#include "mp4/tagcodec.h"
#include "mp4/utf16.h"

#include <gtest/gtest.h>

namespace {

// "Aä€" and U+1F600 as a surrogate pair, big-endian.
const std::vector<std::uint8_t> kBigEndian = {0x00, 0x41, 0x00, 0xE4, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00};
const std::string kUtf8 = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";

std::vector<std::uint8_t> swapped(std::vector<std::uint8_t> units)
{
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        std::swap(units[i], units[i + 1]);
    }
    return units;
}

}  // namespace

TEST(Utf16, BothByteOrdersAndDamagedText)
{
    EXPECT_EQ(mp4::utf16ToUtf8(kBigEndian, true), kUtf8);
    EXPECT_EQ(mp4::utf16ToUtf8(swapped(kBigEndian), false), kUtf8);
    EXPECT_EQ(mp4::utf16ToUtf8({}, true), "");
    // An odd last byte is dropped; lone surrogates keep their three bytes.
    EXPECT_EQ(mp4::utf16ToUtf8(std::vector<std::uint8_t>{0x00, 0x41, 0x42}, true), "A");
    EXPECT_EQ(mp4::utf16ToUtf8(std::vector<std::uint8_t>{0xD8, 0x3D}, true), "\xED\xA0\xBD");
    EXPECT_EQ(mp4::utf16ToUtf8(std::vector<std::uint8_t>{0xD8, 0x3D, 0x00, 0x41}, true),
              std::string("\xED\xA0\xBD") + "A");
    EXPECT_EQ(mp4::utf16ToUtf8(std::vector<std::uint8_t>{0xDE, 0x00, 0x00, 0x41}, true),
              std::string("\xED\xB8\x80") + "A");
}

TEST(Utf16, ItemsAndChapterSamplesDecodeIt)
{
    mp4::Item name{mp4::FourCC("©nam"), {}, {}, {{mp4::DataType::Utf16, 0, kBigEndian}}};
    EXPECT_EQ(mp4::TagCodec::decode({name}).name, kUtf8);

    auto sample = [](std::uint8_t first, std::uint8_t second, const std::vector<std::uint8_t>& units) {
        mp4::Bytes s{0, static_cast<std::uint8_t>(2 + units.size()), first, second};
        s.insert(s.end(), units.begin(), units.end());
        return s;
    };
    EXPECT_EQ(mp4::ChapterList::titleOfSample(sample(0xFE, 0xFF, kBigEndian)), kUtf8);
    EXPECT_EQ(mp4::ChapterList::titleOfSample(sample(0xFF, 0xFE, swapped(kBigEndian))), kUtf8);
}
