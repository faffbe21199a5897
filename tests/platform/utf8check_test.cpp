// The UTF-8 check shared by subtitle files read from disk and downloaded ones.
#include "platform/utf8check.h"

#include <gtest/gtest.h>

namespace {

TEST(CheckSrtUtf8, AcceptsWellFormedText)
{
    EXPECT_FALSE(platform::checkSrtUTF8("").has_value());
    EXPECT_FALSE(
        platform::checkSrtUTF8("1\r\n00:00:01,000 --> 00:00:02,000\r\nGr\xc3\xbc\xc3\x9f Gott\r\n").has_value());
    EXPECT_FALSE(platform::checkSrtUTF8("\xe2\x82\xac \xf0\x9f\x8e\xac").has_value());  // euro sign, clapper board
    // Only the bit patterns count: an overlong slash passes.
    EXPECT_FALSE(platform::checkSrtUTF8("\xc0\xaf").has_value());
}

TEST(CheckSrtUtf8, NamesTheFirstByteThatDoesNotFit)
{
    EXPECT_EQ(platform::checkSrtUTF8("Gr\xfc\xdf"), "Error: Found a non UTF-8 character '0xfc' in srt data");
    EXPECT_EQ(platform::checkSrtUTF8("a\x80"), "Error: Found a non UTF-8 character '0x80' in srt data");
    EXPECT_EQ(platform::checkSrtUTF8("\xf8\x88\x80\x80\x80"), "Error: Found a non UTF-8 character '0xf8' in srt data");
    // A sequence cut off by the end of the text, or by a plain byte.
    EXPECT_EQ(platform::checkSrtUTF8("ok \xe2\x82"), "Error: Found a non UTF-8 character '0xe2' in srt data");
    EXPECT_EQ(platform::checkSrtUTF8("\xc3"
                                     "a"),
              "Error: Found a non UTF-8 character '0xc3' in srt data");
}

}  // namespace
