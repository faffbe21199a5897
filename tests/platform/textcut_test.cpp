#include "platform/textcut.h"

#include <gtest/gtest.h>

TEST(TextCut, CutNeverSplitsASurrogatePair)
{
    const QString clef = QString::fromUtf8("ab\xF0\x9D\x84\x9E");  // "ab" and U+1D11E, four units
    EXPECT_EQ(platform::leftWithoutSplittingPairs(clef, 4), clef);
    EXPECT_EQ(platform::leftWithoutSplittingPairs(clef, 3), "ab");
    EXPECT_EQ(platform::leftWithoutSplittingPairs(clef, 2), "ab");
    EXPECT_EQ(platform::leftWithoutSplittingPairs(clef, 0), "");
    EXPECT_EQ(platform::leftWithoutSplittingPairs("abc", 10), "abc");
}

TEST(TextCut, TrimsOnlySpaces)
{
    EXPECT_EQ(platform::trimmedOfSpaces("  Alien  "), "Alien");
    EXPECT_EQ(platform::trimmedOfSpaces("\tAlien \n"), "\tAlien \n");
    EXPECT_EQ(platform::trimmedOfSpaces("   "), "");
}
