// Lookup pieces that need no server: number texts, search text shaping,
// poster rendition sizes and the cover choice.
#include "online/tmdbapi_lookupsupport.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace tmdblookup;

TEST(TmdbLookupNumbers, IntegerTextsReadTheirLeadingNumber)
{
    EXPECT_EQ(intValueOfText(u"10"), 10);
    EXPECT_EQ(intValueOfText(u"  -7x"), -7);
    EXPECT_EQ(intValueOfText(u"+3"), 3);
    EXPECT_EQ(intValueOfText(u"12.9"), 12);
    EXPECT_EQ(intValueOfText(u""), 0);
    EXPECT_EQ(intValueOfText(u"abc"), 0);
    EXPECT_EQ(intValueOfText(u"- 4"), 0);
    EXPECT_EQ(intValueOfText(u"99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(intValueOfText(u"-99999999999999999999"), std::numeric_limits<int>::min());
}

TEST(TmdbLookupNumbers, DecimalTextsIgnoreTheLocaleAndTrailingText)
{
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"0.667"), 0.667);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u" 1.5e2px"), 150.0);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"-.5"), -0.5);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"+2."), 2.0);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"3e"), 3.0);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"0,5"), 0.0);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"."), 0.0);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u""), 0.0);
    EXPECT_DOUBLE_EQ(doubleValueOfText(u"null"), 0.0);
}

TEST(TmdbLookupSearchText, SeparatorsBecomeOnePlusPerRunOfFourOrSix)
{
    EXPECT_EQ(foldSearchSeparators("Alien: Director's Cut"), "Alien+Director's+Cut");
    EXPECT_EQ(foldSearchSeparators("a_b.c-d&e"), "a+b+c+d+e");
    EXPECT_EQ(foldSearchSeparators("a    b"), "a+b");
    EXPECT_EQ(foldSearchSeparators("a      b"), "a+b");
    // One pass each over non-overlapping runs: five and seven leave two.
    EXPECT_EQ(foldSearchSeparators("a     b"), "a++b");
    EXPECT_EQ(foldSearchSeparators("a       b"), "a++b");
    EXPECT_EQ(foldSearchSeparators("a  b"), "a+b");
    EXPECT_EQ(foldSearchSeparators("a   b"), "a+b");
}

TEST(TmdbLookupSearchText, EscapingKeepsTheLegacySetAndEncodesUtf8Bytes)
{
    EXPECT_EQ(percentEscaped("Heat+#1995"), "Heat+%231995");
    EXPECT_EQ(percentEscaped("!$&'()*+,-./:;=?@_~"), "!$&'()*+,-./:;=?@_~");
    EXPECT_EQ(percentEscaped("100% \"x\" <y> [z] {w} |\\^`"),
              "100%25%20%22x%22%20%3Cy%3E%20%5Bz%5D%20%7Bw%7D%20%7C%5C%5E%60");
    EXPECT_EQ(percentEscaped(QString::fromUtf8("Komödie €")), "Kom%C3%B6die%20%E2%82%AC");
}

TEST(TmdbLookupSearchText, TrimsOnlyTheGivenCharactersAtTheEnds)
{
    EXPECT_EQ(trimmedOf("+ Heat + ", u" +"), "Heat");
    EXPECT_EQ(trimmedOf("FSK 12", u"FSKfsk "), "12");
    EXPECT_EQ(trimmedOf("k12s", u"FSKfsk "), "12");
    EXPECT_EQ(trimmedOf("+++", u" +"), "");
    EXPECT_EQ(trimmedOf("a+b", u" +"), "a+b");
}

TEST(TmdbLookupPosterSizes, HeightsFollowTheAspectRatioRounded)
{
    EXPECT_EQ(renditionSize(154, 0.667), QSizeF(154, 231));
    EXPECT_EQ(renditionSize(342, 0.667), QSizeF(342, 513));
    EXPECT_EQ(renditionSize(500, 0.667), QSizeF(500, 750));
    EXPECT_EQ(renditionSize(500, 0.675), QSizeF(500, 741));
    // 154 / 0.7 = 220 exactly; 5 / 2 = 2.5 rounds away from zero.
    EXPECT_EQ(renditionSize(154, 0.7), QSizeF(154, 220));
    EXPECT_EQ(renditionSize(5, 2.0), QSizeF(5, 3));
}

TEST(TmdbLookupPosterSizes, BrokenAspectRatiosFallBackToTheSizeOrThePosterShape)
{
    EXPECT_DOUBLE_EQ(posterAspectRatio(0.675, 1383, 2048), 0.675);
    EXPECT_DOUBLE_EQ(posterAspectRatio(0.0, 1000, 1500), 1000.0 / 1500.0);
    EXPECT_DOUBLE_EQ(posterAspectRatio(-1.0, 1000, 2000), 0.5);
    EXPECT_DOUBLE_EQ(posterAspectRatio(std::numeric_limits<double>::infinity(), 800, 1200), 800.0 / 1200.0);
    EXPECT_DOUBLE_EQ(posterAspectRatio(std::numeric_limits<double>::quiet_NaN(), 0, 0), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(posterAspectRatio(0.0, 0, 1500), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(posterAspectRatio(1e-9, 1, 1e9), 2.0 / 3.0);
    EXPECT_EQ(renditionSize(500, posterAspectRatio(0.0, 0, 0)), QSizeF(500, 750));
}

TEST(TmdbLookupCoverChoice, SearchLanguageFirstThenMostVotesThenEarliest)
{
    const std::vector<CoverChoiceKey> mixed{{"en", 10}, {"de", 2}, {"de", 5}, {"en", 50}};
    EXPECT_EQ(bestCoverIndex(mixed, "de"), 2);
    EXPECT_EQ(bestCoverIndex(mixed, "en"), 3);
    EXPECT_EQ(bestCoverIndex(mixed, "fr"), 3);

    const std::vector<CoverChoiceKey> tied{{"", 9}, {"de", 4}, {"de", 4}};
    EXPECT_EQ(bestCoverIndex(tied, "de"), 1);

    const std::vector<CoverChoiceKey> noneInLanguage{{"en", 3}, {"", 3}, {"en", 2}};
    EXPECT_EQ(bestCoverIndex(noneInLanguage, "de"), 0);

    EXPECT_EQ(bestCoverIndex({}, "de"), std::nullopt);
}

TEST(TmdbLookupDates, ReleaseDatesAreNoonUtcOfTheDay)
{
    EXPECT_EQ(releaseDateFromText("1979-05-25"), QDateTime(QDate(1979, 5, 25), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(releaseDateFromText("2001-2-3"), QDateTime(QDate(2001, 2, 3), QTime(12, 0), Qt::UTC));
    EXPECT_TRUE(releaseDateFromText("").isNull());
    EXPECT_TRUE(releaseDateFromText("1979").isNull());
    EXPECT_TRUE(releaseDateFromText("1979-02-30").isNull());
    EXPECT_TRUE(releaseDateFromText("1979-05-25T00:00:00Z").isNull());
}
