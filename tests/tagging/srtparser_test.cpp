#include "tagging/srtparser.h"
#include "platform/log.h"
#include "tagging/srtmarkup.h"

#include <gtest/gtest.h>

#include <limits>

using namespace SubTitleUtilities;

namespace {

struct Sample {
    QByteArray bytes;
    std::uint32_t duration;
};

// Collects what the parser would write into a track.
class RecordingTrack {
public:
    SampleWriter writer()
    {
        return [this](const QByteArray& bytes, std::uint32_t duration) {
            if (m_failAt == static_cast<int>(m_samples.size()))
                return false;
            m_samples.push_back({bytes, duration});
            return true;
        };
    }
    void failAtSample(int index) { m_failAt = index; }

    const std::vector<Sample>& samples() const { return m_samples; }
    std::vector<std::uint32_t> durations() const
    {
        std::vector<std::uint32_t> result;
        for (const Sample& s : m_samples)
            result.push_back(s.duration);
        return result;
    }
    // The caption texts, gaps as "".
    QList<QByteArray> texts() const
    {
        QList<QByteArray> result;
        for (const Sample& s : m_samples) {
            const int length = (static_cast<unsigned char>(s.bytes[0]) << 8) | static_cast<unsigned char>(s.bytes[1]);
            result << s.bytes.sliced(2, length);
        }
        return result;
    }

private:
    std::vector<Sample> m_samples;
    int m_failAt = -1;
};

std::optional<TaggingError> parse(const QByteArray& srt, RecordingTrack& track, std::uint32_t timeScale = 90000,
                                  std::int32_t offset = 0, std::uint32_t trackId = 1)
{
    return parseSrt(srt, track.writer(), trackId, timeScale, offset, 24);
}

const QByteArray twoCaptions =
    "1\n00:00:01,000 --> 00:00:03,000\nFirst\n\n"
    "2\n00:00:03,000 --> 00:00:05,000\nSecond\n\n";

}  // namespace

TEST(SrtUtf8Check, AcceptsWellFormedSequencesByTheirBitPatterns)
{
    EXPECT_FALSE(checkSrtUTF8("plain ASCII\r\n"));
    EXPECT_FALSE(checkSrtUTF8("\xC3\xA4 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(checkSrtUTF8("\xC0\x80"));  // overlong, but the pattern holds
    EXPECT_FALSE(checkSrtUTF8(""));
}

TEST(SrtUtf8Check, NamesTheFirstByteThatBreaksThePattern)
{
    EXPECT_EQ(checkSrtUTF8("caf\xE9 au lait"),
              TaggingError::withMessage("Error: Found a non UTF-8 character '0xe9' in srt data"));
    EXPECT_EQ(checkSrtUTF8("ok\xFF")->domain, "Error: Found a non UTF-8 character '0xff' in srt data");
    // A sequence cut off by the end of the text.
    EXPECT_EQ(checkSrtUTF8("end \xE2\x82")->domain, "Error: Found a non UTF-8 character '0xe2' in srt data");
    EXPECT_EQ(checkSrtUTF8("\x80")->domain, "Error: Found a non UTF-8 character '0x80' in srt data");
}

TEST(SrtTime, ReadsHoursMinutesSecondsAndMilliseconds)
{
    EXPECT_EQ(srtTimeToMilliseconds("00:00:01,000"), 1000);
    EXPECT_EQ(srtTimeToMilliseconds("01:02:03,004"), 3723004);
    EXPECT_EQ(srtTimeToMilliseconds("1:2:3,45"), 3723045);
    EXPECT_EQ(srtTimeToMilliseconds("00:75:00,000"), 4500000);  // 60 to 99 count as they are
    EXPECT_EQ(srtTimeToMilliseconds("99:99:99,999"), ((99 * 3600 + 99 * 60 + 99) * 1000) + 999);
}

TEST(SrtTime, RejectsOtherFormsAndOutOfRangeFields)
{
    EXPECT_EQ(srtTimeToMilliseconds("00:00:01.000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("00:00:01"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("100:00:00,000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("00:100:00,000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("00:00:100,000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("00:00:00,1000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("-1:00:00,000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds("99999999999:00:00,000"), -1);
    EXPECT_EQ(srtTimeToMilliseconds(""), -1);
}

TEST(SrtParser, TwoAdjacentCaptionsGiveGapAndCaptionSamples)
{
    RecordingTrack track;
    EXPECT_FALSE(parse(twoCaptions, track));
    EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{90000, 180000, 0, 180000}));
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "First", "", "Second"}));
    EXPECT_EQ(track.samples()[0].bytes, QByteArray(2, '\0'));
}

TEST(SrtParser, CrLfLineEndsParseLikeLf)
{
    QByteArray crlf = twoCaptions;
    crlf.replace("\n", "\r\n");
    RecordingTrack lf, windows;
    parse(twoCaptions, lf);
    parse(crlf, windows);
    EXPECT_EQ(windows.durations(), lf.durations());
    EXPECT_EQ(windows.texts(), lf.texts());
}

TEST(SrtParser, CaptionLinesAreJoinedAndMarkupBecomesStyles)
{
    RecordingTrack track;
    parse("1\n00:00:00,500 --> 00:00:01,000\nHello <b>world</b>\nsecond row\n\n", track);
    ASSERT_EQ(track.samples().size(), 2u);
    EXPECT_EQ(track.texts()[1], "Hello world\nsecond row");
    EXPECT_EQ(track.samples()[1].bytes,
              timedTextSample(TimedTextCaption{"Hello world\nsecond row", {{6, 11, Bold, 24}}}));
}

TEST(SrtParser, WithoutATrackTheMarkupStaysInTheText)
{
    RecordingTrack track;
    parse("1\n00:00:00,500 --> 00:00:01,000\n<i>x</i>\n\n", track, 90000, 0, 0);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "<i>x</i>"}));
}

TEST(SrtParser, DryRunWritesNothingButLogs)
{
    platform::LogCapture log;
    EXPECT_FALSE(parseSrt("1\n00:00:01.000 --> 00:00:02,000\nx\n\n", SampleWriter{}, 0, 90000, 0, 24));
    EXPECT_EQ(log.lines(), QStringList{"can't parse time code: 00:00:01.000 --> 00:00:02,000"});
}

TEST(SrtParser, TimeLineLengthLimit)
{
    platform::LogCapture log;
    RecordingTrack track;
    const QByteArray line29 = "00:00:01,000 --> 00:00:02,000";
    ASSERT_EQ(line29.size(), 29);
    parse("1\n" + line29 + "\nok\n\n2\n00:00:03,000 --> 00:00:04,000 \nskipped\n\n", track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "ok"}));
    EXPECT_EQ(log.lines(), QStringList{"time code too short: 00:00:03,000 --> 00:00:04,000 "});
}

TEST(SrtParser, MalformedTimeLinesSkipTheirBlock)
{
    platform::LogCapture log;
    RecordingTrack track;
    parse(
        "1\n00:00:01,000-->00:00:02,000\na\n\n"
        "2\n00:00:01.000 --> 00:00:02,000\nb\n\n"
        "3\n00:75:00,000 --> 00:75:01,000\nc\n\n",
        track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "c"}));
    EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{4500000u * 90, 1000 * 90}));
    EXPECT_EQ(log.lines(), (QStringList{"time code invalid: 00:00:01,000-->00:00:02,000",
                                        "can't parse time code: 00:00:01.000 --> 00:00:02,000"}));
}

TEST(SrtParser, OverlappingOrEmptyTimesAreSkipped)
{
    platform::LogCapture log;
    RecordingTrack track;
    parse(
        "1\n00:00:01,000 --> 00:00:03,000\na\n\n"
        "2\n00:00:02,000 --> 00:00:04,000\nb\n\n"
        "3\n00:00:05,000 --> 00:00:05,000\nc\n\n"
        "4\n00:00:06,000 --> 00:00:07,000\nd\n\n",
        track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "a", "", "d"}));
    EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{90000, 180000, 270000, 90000}));
    EXPECT_EQ(log.lines(), (QStringList{"time code sequence invalid: 00:00:02,000 --> 00:00:04,000",
                                        "time code sequence invalid: 00:00:05,000 --> 00:00:05,000"}));
}

TEST(SrtParser, OffsetShiftsEveryCaptionAndMayPushOneBeforeTheStart)
{
    platform::LogCapture log;
    RecordingTrack track;
    parse("1\n00:00:01,000 --> 00:00:02,000\nearly\n\n2\n00:00:04,000 --> 00:00:05,000\nlater\n\n", track, 1000, -2500);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "later"}));
    EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{1500, 1000}));
    EXPECT_EQ(log.lines(), QStringList{"time code sequence invalid: 00:00:01,000 --> 00:00:02,000"});

    RecordingTrack shifted;
    parse(twoCaptions, shifted, 1000, 1500);
    EXPECT_EQ(shifted.durations(), (std::vector<std::uint32_t>{2500, 2000, 0, 2000}));
}

TEST(SrtParser, TheEndOfTheTextEndsTheLastBlock)
{
    const QByteArray first = "1\n00:00:01,000 --> 00:00:02,000\nfirst\n\n2\n00:00:03,000 --> 00:00:04,000\n";
    for (const QByteArray ending : {"last", "last\n", "last\r\n", "last\n\n", "la\nst"}) {
        SCOPED_TRACE(ending.toStdString());
        platform::LogCapture log;
        RecordingTrack track;
        EXPECT_FALSE(parse(first + ending, track));
        EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "first", "", ending.startsWith("la\n") ? "la\nst" : "last"}));
        EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{90000, 90000, 90000, 90000}));
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('|').toStdString();
    }

    // A block cut off before its caption has nothing to write.
    RecordingTrack noCaption;
    EXPECT_FALSE(parse(first, noCaption));
    EXPECT_EQ(noCaption.texts(), (QList<QByteArray>{"", "first"}));

    platform::LogCapture log;
    RecordingTrack noBreak;
    EXPECT_FALSE(parse("1 00:00:01,000 --> 00:00:02,000 text", noBreak));
    EXPECT_TRUE(noBreak.samples().empty());
}

TEST(SrtParser, TrackPositionsAreComputedWithoutOverflow)
{
    constexpr std::uint32_t widest = std::numeric_limits<std::uint32_t>::max();
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    const struct {
        std::int64_t milliseconds;
        std::uint32_t timeScale;
        std::int64_t units;
    } cases[] = {
        {1000, 90000, 90000},
        {1, 90000, 90},
        {1001, 1001, 1002},  // 1002.001, rounded down
        {-5, 1000, 0},
        {3'600'000'000, widest, std::int64_t{widest} * 3'600'000},
        {largest, widest, largest},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trackUnitsAt(c.milliseconds, c.timeScale), c.units) << c.milliseconds << " ms at " << c.timeScale;
}

TEST(SrtParser, CaptionTimesPastTheTrackRangeRefuseTheSubtitle)
{
    constexpr std::uint32_t widest = std::numeric_limits<std::uint32_t>::max();
    // At 2^32 - 1 units a second, one second is the last position a track holds.
    RecordingTrack fits;
    EXPECT_FALSE(parse("1\n00:00:00,500 --> 00:00:01,000\nx\n\n", fits, widest));
    EXPECT_EQ(fits.durations(), (std::vector<std::uint32_t>{widest / 2, widest - widest / 2}));

    const struct {
        const char* name;
        QByteArray srt;
        std::uint32_t timeScale;
        std::int32_t offset;
    } refused[] = {
        {"a millisecond past the range", "1\n00:00:00,500 --> 00:00:01,001\nx\n\n", widest, 0},
        {"a gap past the range", "1\n00:00:02,000 --> 00:00:03,000\nx\n\n", widest, 0},
        {"a large offset", "1\n00:00:01,000 --> 00:00:02,000\nx\n\n", 90000, 2'000'000'000},
        {"the last caption of a long text", "1\n99:00:00,000 --> 99:00:01,000\nx", 90000, 0},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        platform::LogCapture log;
        RecordingTrack track;
        const auto error = parse(c.srt, track, c.timeScale, c.offset);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain, "can't write caption line");
        EXPECT_LE(track.samples().size(), 1u);
        EXPECT_EQ(log.lines().size(), 1);
        // Checking the text alone knows no track, so it refuses nothing.
        EXPECT_FALSE(parseSrt(c.srt, SampleWriter{}, 0, c.timeScale, c.offset, 24));
    }
}

TEST(SrtParser, ExtraEmptyLineSkipsTheFollowingBlock)
{
    platform::LogCapture log;
    RecordingTrack track;
    parse(
        "1\n00:00:01,000 --> 00:00:02,000\na\n\n\n2\n00:00:03,000 --> 00:00:04,000\nb\n\n"
        "3\n00:00:05,000 --> 00:00:06,000\nc\n\n",
        track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "a", "", "c"}));
    EXPECT_EQ(log.lines(), (QStringList{"wrong start of block, can't parse  as number",
                                        "wrong sequence of block, got 3 instead of 2"}));
}

TEST(SrtParser, BlockNumberProblems)
{
    platform::LogCapture log;
    RecordingTrack track;
    parse(
        "1.\n00:00:01,000 --> 00:00:02,000\na\n\n"
        "x\n00:00:02,000 --> 00:00:03,000\nb\n\n"
        "  +7 trailing\n00:00:03,000 --> 00:00:04,000\nc\n\n",
        track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "c"}));
    EXPECT_EQ(log.lines(), (QStringList{"wrong start of block, read 1. instead of number",
                                        "wrong start of block, can't parse x as number",
                                        "wrong sequence of block, got 7 instead of 1"}));
}

TEST(SrtParser, BlockWithoutCaptionIsLoggedAndTheNextOneReads)
{
    platform::LogCapture log;
    RecordingTrack track;
    parse("1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\nb\n\n", track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "b"}));
    EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{270000, 90000}));
    EXPECT_EQ(log.lines(), QStringList{"no captions found for time code"});
}

TEST(SrtParser, OverlongCaptionDropsItsBlockOnly)
{
    platform::LogCapture log;
    RecordingTrack track;
    const QByteArray line(5000, 'x');
    parse("1\n00:00:01,000 --> 00:00:02,000\n" + line + "\n" + line + "\nmore\n\n" +
              "2\n00:00:03,000 --> 00:00:04,000\nnext\n\n" + "3\n00:00:05,000 --> 00:00:06,000\n" +
              QByteArray(9000, 'y') + "\n\n",
          track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "next"}));
    EXPECT_EQ(log.lines(), (QStringList{"Caption truncated", "Caption truncated"}));

    // Exactly at the limit still fits.
    RecordingTrack full;
    const QByteArray half(4096, 'z');
    parse("1\n00:00:01,000 --> 00:00:02,000\n" + half + "\n" + half + "\n\n", full);
    ASSERT_EQ(full.samples().size(), 2u);
    EXPECT_EQ(half.size() * 2 + 1, kMaxCaptionBytes);
}

TEST(SrtParser, AFailedWriteStopsWithAnError)
{
    RecordingTrack track;
    track.failAtSample(3);
    const auto error = parse(twoCaptions, track);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "can't write caption line");
    EXPECT_EQ(track.samples().size(), 3u);
}

TEST(SrtParser, DurationsStayExactForTimeScalesThatAreNotMultiplesOf1000)
{
    RecordingTrack track;
    parse("1\n00:00:01,001 --> 00:00:02,002\na\n\n2\n00:00:03,333 --> 00:00:04,444\nb\n\n", track, 600);
    // 1.001 s = 600.6 units, 2.002 s = 1201.2, 3.333 s = 1999.8, 4.444 s = 2666.4
    EXPECT_EQ(track.durations(), (std::vector<std::uint32_t>{600, 601, 798, 667}));

    RecordingTrack video;
    parse(twoCaptions, video, 12800);
    EXPECT_EQ(video.durations(), (std::vector<std::uint32_t>{12800, 25600, 0, 25600}));
}

TEST(SrtParser, ByteOrderMarkAndTrailingNulDoNotDisturbTheText)
{
    platform::LogCapture log;
    RecordingTrack track;
    QByteArray text = "\xEF\xBB\xBF" + twoCaptions;
    text += QByteArray(1, '\0') + "3\n00:00:06,000 --> 00:00:07,000\nhidden\n\n";
    parse(text, track);
    EXPECT_EQ(track.texts(), (QList<QByteArray>{"", "First", "", "Second"}));
    EXPECT_TRUE(log.lines().isEmpty());
}
