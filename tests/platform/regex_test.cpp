#include "platform/regex.h"

#include <gtest/gtest.h>

using platform::replaceAllMatches;

TEST(ReplaceAllMatches, ExpandsGroupsInEveryMatch)
{
    const QRegularExpression swap("(\\w+)=(\\w+)");
    EXPECT_EQ(replaceAllMatches("a=1, b=2", swap, "$2:$1"), "1:a, 2:b");
    EXPECT_EQ(replaceAllMatches("a=1", swap, "[$0]"), "[a=1]");
    EXPECT_EQ(replaceAllMatches("none here", swap, "$1"), "none here");
}

TEST(ReplaceAllMatches, GreedyGroupsAsInLineRules)
{
    const QRegularExpression rule("(.*)(\\ \\(.*\\)\\ )(.*)");
    EXPECT_EQ(replaceAllMatches("Alien (1979) Director's Cut", rule, "$1 $3"), "Alien Director's Cut");
    EXPECT_EQ(replaceAllMatches("One (x) Two (y) Three", rule, "$1 $3"), "One (x) Two Three");
}

TEST(ReplaceAllMatches, GroupNumbersAndEscapes)
{
    const QRegularExpression one("(b)");
    EXPECT_EQ(replaceAllMatches("abc", one, "$12"), "ab2c");  // only one group: $1 then "2"
    EXPECT_EQ(replaceAllMatches("abc", one, "\\$1"), "a$1c");
    EXPECT_EQ(replaceAllMatches("abc", one, "$"), "a$c");
    EXPECT_EQ(replaceAllMatches("abc", one, "$5"), "ac");  // no such group
    QString pattern;
    for (int i = 0; i < 12; ++i)
        pattern += "(.)";
    EXPECT_EQ(replaceAllMatches("abcdefghijkl", QRegularExpression(pattern), "$12$1"), "la");
    const QRegularExpression optional("a(x)?b");
    EXPECT_EQ(replaceAllMatches("ab", optional, "<$1>"), "<>");
}

TEST(ReplaceAllMatches, EmptyMatchesAndInvalidPatterns)
{
    EXPECT_EQ(replaceAllMatches("abc", QRegularExpression("x*"), "-"), "-a-b-c-");
    EXPECT_EQ(replaceAllMatches("abc", QRegularExpression("("), "-"), "abc");
    EXPECT_EQ(replaceAllMatches("ÄBC", QRegularExpression("ä", QRegularExpression::CaseInsensitiveOption), "a"), "aBC");
}
