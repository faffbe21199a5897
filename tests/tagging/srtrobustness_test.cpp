// Seeded mutations of SRT text: whatever arrives, the samples stay well formed.
#include "platform/log.h"
#include "tagging/srtparser.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>

using namespace SubTitleUtilities;

namespace {

const QByteArray seedText =
    "1\n00:00:01,000 --> 00:00:02,500\n<i>Hello</i> <b>w\xC3\xB6rld</b>\n\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo <u>lines</u>\r\nhere \xE2\x82\xAC</i>\r\n\r\n"
    "3\n00:01:00,000 --> 00:01:30,250\n<b><i>nested</i></b> <font color=\"red\">x</font>\n\n";

quint16 bigEndian16(const QByteArray& bytes, qsizetype at)
{
    return static_cast<quint16>((static_cast<unsigned char>(bytes[at]) << 8) |
                                static_cast<unsigned char>(bytes[at + 1]));
}

// Checks one sample's layout; returns the problem, or an empty text.
std::string problemOf(const QByteArray& sample)
{
    if (sample.size() < 2)
        return "shorter than its length field";
    const int length = bigEndian16(sample, 0);
    if (length > 2046 || sample.size() < 2 + length)
        return "text length out of range";
    const QByteArray text = sample.sliced(2, length);
    const qsizetype characters = QString::fromUtf8(text).toUcs4().size();
    if (sample.size() == 2 + length)
        return {};
    if (sample.size() < 2 + length + 10 || sample.sliced(2 + length + 4, 4) != "styl")
        return "trailing bytes that are no style box";
    const int count = bigEndian16(sample, 2 + length + 8);
    if (count < 1 || count > 169 || sample.size() != 2 + length + 10 + 12 * count)
        return "style box size does not match its records";
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 2 + length + 10 + 12 * i;
        const int start = bigEndian16(sample, record);
        const int end = bigEndian16(sample, record + 2);
        if (start > end || end > characters)
            return "style run outside the text";
    }
    return {};
}

QByteArray mutated(QByteArray text, std::mt19937& random)
{
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> byte(0, 255);
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits && !text.isEmpty(); ++e) {
        const qsizetype at = static_cast<qsizetype>(random() % static_cast<unsigned>(text.size()));
        switch (kind(random)) {
            case 0:
                text[at] = static_cast<char>(byte(random));
                break;
            case 1:
                text.remove(at, 1 + static_cast<qsizetype>(random() % 5));
                break;
            case 2:
                text.insert(
                    at, QByteArray(1 + static_cast<qsizetype>(random() % 3), "<>/\n:,-0123456789ibu "[random() % 21]));
                break;
            default:
                text.insert(at, text.mid(static_cast<qsizetype>(random() % static_cast<unsigned>(text.size())), 40));
                break;
        }
    }
    return text;
}

}  // namespace

TEST(SrtRobustness, MutatedTextAlwaysGivesWellFormedSamples)
{
    platform::LogCapture quiet;
    std::mt19937 random(20240611);
    int samples = 0;
    int styled = 0;
    for (int round = 0; round < 3000; ++round) {
        const QByteArray text = mutated(seedText, random);
        std::int64_t totalUnits = 0;
        std::string problem;
        const SampleWriter writer = [&](const QByteArray& sample, std::uint32_t duration) {
            if (problem.empty())
                problem = problemOf(sample);
            totalUnits += duration;
            ++samples;
            styled += sample.contains("styl") ? 1 : 0;
            return true;
        };
        const std::uint32_t timeScale = round % 2 ? 90000 : 12800;
        ASSERT_FALSE(parseSrt(text, writer, 1, timeScale, (round % 5) * 700 - 1400, 24));
        ASSERT_EQ(problem, "") << "round " << round << ": " << text.toStdString();
        // Track time never runs past the last time any caption could name.
        ASSERT_LE(totalUnits, trackUnitsAt(100LL * 3600 * 1000 + 2800, timeScale)) << round;
        quiet.clear();
    }
    // The mutations leave most blocks readable, so the checks above saw real samples.
    EXPECT_GT(samples, 5000);
    EXPECT_GT(styled, 1000);
}

TEST(SrtRobustness, ManyLongCaptionsKeepTheirSamplesBounded)
{
    platform::LogCapture quiet;
    QByteArray text;
    for (int i = 0; i < 50; ++i) {
        text += QByteArray::number(i + 1) + "\n00:00:" + QByteArray::number(10 + i).rightJustified(2, '0') +
                ",000 --> 00:00:" + QByteArray::number(10 + i).rightJustified(2, '0') + ",900\n";
        for (int line = 0; line < 3; ++line)
            text += QByteArray(1000, 'a' + static_cast<char>(i % 26)) + "<b>\xF0\x9F\x98\x80</b>\n";
        text += "\n";
    }
    int samples = 0;
    std::string problem;
    const SampleWriter writer = [&](const QByteArray& sample, std::uint32_t) {
        ++samples;
        if (problem.empty())
            problem = problemOf(sample);
        return true;
    };
    ASSERT_FALSE(parseSrt(text, writer, 1, 1000, 0, 24));
    EXPECT_EQ(samples, 100);
    EXPECT_EQ(problem, "");
}
