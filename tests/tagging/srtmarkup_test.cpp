#include "tagging/srtmarkup.h"
#include "platform/log.h"

#include <gtest/gtest.h>

using namespace SubTitleUtilities;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

// The caption's text, and its style records in order.
void expectCaption(const TimedTextCaption& caption, const QByteArray& text, const QList<StyleRecord>& styles)
{
    EXPECT_EQ(caption.text, text);
    ASSERT_EQ(caption.styles.size(), styles.size());
    for (qsizetype i = 0; i < styles.size(); ++i)
        EXPECT_EQ(caption.styles[i], styles[i]) << "style record " << i;
}

}  // namespace

TEST(SrtMarkup, ItalicWordBecomesOneRunAndLeavesTheText)
{
    expectCaption(convertSrtMarkup("<i>Hello</i> world", 24), "Hello world", {{0, 5, Italic, 24}});
}

TEST(SrtMarkup, PositionsCountCharactersNotBytes)
{
    expectCaption(convertSrtMarkup("x <b>\xC3\x84</b>x <u>\xE2\x82\xAC\xF0\x9F\x98\x80</u>", 30),
                  "x \xC3\x84x \xE2\x82\xAC\xF0\x9F\x98\x80", {{2, 3, Bold, 30}, {5, 7, Underline, 30}});
}

TEST(SrtMarkup, CrossedTagsLogTheMismatchAndKeepOnlyTheProperRun)
{
    platform::LogCapture log;
    expectCaption(convertSrtMarkup("<b>a<i>b</b></i>", 24), "ab", {{1, 2, Italic, 24}});
    EXPECT_EQ(log.lines(), QStringList{"Mismatched Subtitle markup '<b>a<i>b</b></i>'"});
}

TEST(SrtMarkup, ItalicRunsJoinedAcrossTagPairs)
{
    expectCaption(convertSrtMarkup("<i>a</i><i>b</i>", 24), "ab", {{0, 2, Italic, 24}});
    expectCaption(convertSrtMarkup("<i>a</i> <i>b</i>", 24), "a b", {{0, 3, Italic, 24}});
}

TEST(SrtMarkup, OtherTagsAndStrayBracketsStayInTheText)
{
    platform::LogCapture log;
    const QByteArray text = "<B>x</B> <font color=\"#ff0000\">y</font> a < b <i";
    const TimedTextCaption caption = convertSrtMarkup(text, 24);
    EXPECT_EQ(caption.text, text);
    EXPECT_TRUE(caption.styles.isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(SrtMarkup, UnclosedRunsGiveNoRecordAndLoneClosersAreDropped)
{
    platform::LogCapture log;
    expectCaption(convertSrtMarkup("<b>open <u>and</u> left", 24), "open and left", {{5, 8, Underline, 24}});

    const TimedTextCaption caption = convertSrtMarkup("</b>x", 24);
    EXPECT_EQ(caption.text, "x");
    EXPECT_TRUE(caption.styles.isEmpty());
    EXPECT_EQ(log.lines(), QStringList{"Mismatched Subtitle markup '</b>x'"});
}

TEST(SrtMarkup, RecordsComeInTheOrderTheirRunsClosed)
{
    expectCaption(convertSrtMarkup("<b>a<i>b</i>c</b>", 12), "abc", {{1, 2, Italic, 12}, {0, 3, Bold, 12}});
}

TEST(SrtMarkup, AtMostOneStyleBoxWorthOfRunsIsKept)
{
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "<b>x</b>";
    const TimedTextCaption caption = convertSrtMarkup(text, 24);
    EXPECT_EQ(caption.text, QByteArray(200, 'x'));
    ASSERT_EQ(caption.styles.size(), kMaxStyleRecords);
    EXPECT_EQ(caption.styles.back(), (StyleRecord{168, 169, Bold, 24}));
    EXPECT_EQ(styleBox(caption.styles).size(), 10 + 12 * kMaxStyleRecords);
    EXPECT_LE(styleBox(caption.styles).size(), 2048);
}

TEST(TimedTextSample, MatchesTheLayoutOtherMuxersWrite)
{
    // The bytes ffmpeg writes for "Hello <b>world</b>" with font size 16.
    const TimedTextCaption caption = convertSrtMarkup("Hello <b>world</b>", 0x10);
    const QByteArray expected = bytes({0x00, 0x0B}) + "Hello world" + bytes({0, 0, 0, 0x16}) + "styl" +
                                bytes({0, 1, 0, 6, 0, 0x0B, 0, 1, 1, 0x10, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(timedTextSample(caption), expected);
}

TEST(TimedTextSample, EmptyCaptionIsTheTwoByteGapSample)
{
    EXPECT_EQ(timedTextSample({}), bytes({0, 0}));
    EXPECT_TRUE(styleBox({}).isEmpty());
}

TEST(TimedTextSample, LongCaptionIsCutTo2046BytesWithALogLine)
{
    platform::LogCapture log;
    const QByteArray sample = timedTextSample({QByteArray(3000, 'a'), {}});
    ASSERT_EQ(sample.size(), 2 + 2046);
    EXPECT_EQ(sample.first(2), bytes({0x07, 0xFE}));
    EXPECT_EQ(log.lines(), QStringList{"caption block is too long."});

    log.clear();
    EXPECT_EQ(timedTextSample({QByteArray(2046, 'a'), {}}).size(), 2048);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(TimedTextSample, CutEndsOnAWholeCharacterAndShortensTheRuns)
{
    QByteArray text = "x";
    while (text.size() < 2100)
        text += "\xC3\xA4";  // two-byte characters put the 2046th byte inside one
    const QList<StyleRecord> styles{{0, 2000, Bold, 24}, {1500, 1600, Italic, 24}};
    const QByteArray sample = timedTextSample({text, styles});

    const int length = (static_cast<unsigned char>(sample[0]) << 8) | static_cast<unsigned char>(sample[1]);
    EXPECT_EQ(length, 2045);
    const QByteArray cut = sample.sliced(2, length);
    EXPECT_EQ(QString::fromUtf8(cut).toUtf8(), cut);  // still whole characters
    // 1 + 1022 characters survive: the first run ends there, the second is gone.
    EXPECT_EQ(sample.sliced(2 + length), styleBox({{0, 1023, Bold, 24}}));
}
