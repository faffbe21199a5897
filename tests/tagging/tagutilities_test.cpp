#include "tagging/tagutilities.h"
#include "moviefiletestsupport.h"
#include "mp4/moviefile.h"
#include "support/moviefactory.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <cstring>

using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

class TagUtilitiesTest : public ::testing::Test {
protected:
    static mp4::MovieFile open(const QString& path, bool modify = false) { return moviefiletest::open(path, modify); }

    QString plain()
    {
        if (m_plain.isEmpty())
            m_plain = factory.make(MovieRecipe{}, "plain.m4v");
        return factory.copy(m_plain, QString("copy%1.m4v").arg(++m_copies));
    }

    // Stores `item` in a copy of the plain movie and returns the copy.
    QString withItem(const mp4::Item& item)
    {
        const QString path = plain();
        mp4::MovieFile file = open(path, true);
        EXPECT_TRUE(file.addItem(item));
        EXPECT_TRUE(file.close());
        return path;
    }

    static mp4::Item integerItem(const char* code, std::vector<std::uint8_t> bytes)
    {
        mp4::Item item;
        item.code = mp4::FourCC(code);
        item.data.push_back({21, 0, std::move(bytes)});
        return item;
    }

    MovieFactory factory;
    QString m_plain;
    int m_copies = 0;
};

}  // namespace

TEST_F(TagUtilitiesTest, VideoTrackIsTheReferenceEvenAfterAnAudioTrack)
{
    const QString source = plain();
    const QString swapped = factory.path("audio-first.mp4");
    ASSERT_TRUE(
        MovieFactory::run("ffmpeg", {"-v", "error", "-i", source, "-map", "0:a", "-map", "0:v", "-c", "copy", swapped})
            .ok());
    mp4::MovieFile file = open(swapped);
    ASSERT_EQ(file.trackType(file.trackId(0)), mp4::FourCC("soun"));
    EXPECT_EQ(TagUtilities::getReferencingTrack(file), file.trackId(1));

    MovieRecipe audioOnly;
    audioOnly.video = false;
    mp4::MovieFile sound = open(factory.make(audioOnly, "audio.m4a"));
    EXPECT_EQ(TagUtilities::getReferencingTrack(sound), sound.trackId(0));
    const TagUtilities::SizeAndDuration size = TagUtilities::getSizeAndDurationFromFile(sound);
    EXPECT_EQ(size.width, 0u);
    EXPECT_EQ(size.height, 0u);
    EXPECT_GT(size.durationInMilliSeconds, 1500u);
}

TEST_F(TagUtilitiesTest, ChapterAndSubtitleTracksAreFoundByType)
{
    MovieRecipe recipe;
    recipe.chapters = {{"One", 0, 2000}};
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,400\nX\n\n", "fra"};
    mp4::MovieFile file = open(factory.make(recipe, "tracks.mp4"));
    const std::uint32_t chapterTrack = TagUtilities::getChapterTrack(file);
    ASSERT_NE(chapterTrack, 0u);
    EXPECT_EQ(file.trackType(chapterTrack), mp4::FourCC("text"));
    const QList<std::uint32_t> subtitles = TagUtilities::getSubtitleTracks(file);
    ASSERT_EQ(subtitles.size(), 1);
    EXPECT_EQ(file.trackLanguage(subtitles[0]), "fra");

    mp4::MovieFile bare = open(plain());
    EXPECT_EQ(TagUtilities::getChapterTrack(bare), 0u);
    EXPECT_TRUE(TagUtilities::getSubtitleTracks(bare).isEmpty());
}

TEST_F(TagUtilitiesTest, IntegerItemsReadAsBigEndianLowBits)
{
    mp4::MovieFile four = open(withItem(integerItem("cnID", {0x00, 0x01, 0xE2, 0x40})));
    EXPECT_EQ(TagUtilities::getNameItem(four, "cnID", 21), QVariant(qint64(123456)));

    mp4::MovieFile shortData = open(withItem(integerItem("cnID", {0x01, 0x02})));
    EXPECT_EQ(TagUtilities::getNameItem(shortData, "cnID", 21), QVariant(qint64(0x0102)));

    mp4::MovieFile longData = open(withItem(integerItem("cnID", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC})));
    EXPECT_EQ(TagUtilities::getNameItem(longData, "cnID", 21), QVariant(qint64(0x56789ABC)));

    EXPECT_FALSE(TagUtilities::getNameItem(four, "geID", 21).isValid());  // no such item
    EXPECT_FALSE(TagUtilities::getNameItem(four, "cnID", 7).isValid());   // a type we do not read
}

TEST_F(TagUtilitiesTest, TextItemsNeedValidUtf8)
{
    mp4::Item good;
    good.code = mp4::FourCC(
        "\xC2\xA9"
        "nam");
    good.data.push_back({1, 0, {'T', 0xC3, 0xA4, 't'}});
    EXPECT_EQ(TagUtilities::getNameItem(open(withItem(good)), QString::fromUtf8("©nam"), 1),
              QVariant(QString::fromUtf8("Tät")));

    mp4::Item bad = good;
    bad.data[0].value = {'T', 0xE4, 't'};
    EXPECT_FALSE(TagUtilities::getNameItem(open(withItem(bad)), QString::fromUtf8("©nam"), 1).isValid());

    mp4::Item freeform = mp4::Item::freeform("com.example", "note", {{1, 0, {0xFF, 0xFE}}});
    mp4::MovieFile file = open(withItem(freeform));
    EXPECT_TRUE(TagUtilities::getNameAndMeanItem(file, "com.example", "note").isNull());
}

TEST_F(TagUtilitiesTest, AddedItemsReplaceTheirNamesakes)
{
    const QString path = plain();
    {
        mp4::MovieFile file = open(path, true);
        std::uint32_t value = 123456;
        const QByteArray machineOrder(reinterpret_cast<const char*>(&value), sizeof value);
        EXPECT_EQ(TagUtilities::addNameItem(file, "cnID", machineOrder, 21), true);
        value = 654321;
        EXPECT_EQ(TagUtilities::addNameItem(file, "cnID", QByteArray(reinterpret_cast<const char*>(&value), 4), 21),
                  true);
        EXPECT_EQ(TagUtilities::addNameAndMeanItem(file, "com.apple.iTunes", "iTunEXTC", "mpaa|R|400|"), true);
        EXPECT_EQ(TagUtilities::addNameAndMeanItem(file, "com.apple.iTunes", "iTunEXTC", "mpaa|PG|200|"), true);
        EXPECT_EQ(TagUtilities::addNameAndMeanItem(file, "com.apple.iTunes", "iTunMOVI", "x"), true);
        ASSERT_TRUE(file.close());
    }
    mp4::MovieFile file = open(path);
    const auto cnID = file.itemsByCode("cnID");
    ASSERT_EQ(cnID.size(), 1u);
    EXPECT_EQ(cnID[0].data[0].value, (std::vector<std::uint8_t>{0x00, 0x09, 0xFB, 0xF1}));
    EXPECT_EQ(TagUtilities::getNameAndMeanItem(file, "com.apple.iTunes", "iTunEXTC"), "mpaa|PG|200|");
    EXPECT_EQ(file.itemsByMeaning("com.apple.iTunes", "iTunEXTC").size(), 1u);
    EXPECT_TRUE(factory.atomicParsleyTags(path).contains("Atom \"cnID\" contains: 654321"));
}

TEST_F(TagUtilitiesTest, AddingNothingOnlyRemoves)
{
    const QString path = withItem(integerItem("cnID", {0, 0, 0, 7}));
    {
        mp4::MovieFile file = open(path, true);
        EXPECT_EQ(TagUtilities::addNameItem(file, "cnID", QByteArray(), 21), false);
        EXPECT_EQ(TagUtilities::addNameAndMeanItem(file, "com.apple.iTunes", "iTunEXTC", ""), false);
        ASSERT_TRUE(file.close());
    }
    mp4::MovieFile file = open(path);
    EXPECT_TRUE(file.itemsByCode("cnID").empty());
    EXPECT_TRUE(TagUtilities::getNameAndMeanItem(file, "com.apple.iTunes", "iTunEXTC").isNull());
}

TEST_F(TagUtilitiesTest, DurationFollowsTheMovieHeader)
{
    MovieRecipe recipe;
    recipe.seconds = 1.5;
    const QString path = factory.make(recipe, "short.mp4");
    mp4::MovieFile file = open(path);
    const TagUtilities::SizeAndDuration size = TagUtilities::getSizeAndDurationFromFile(file);
    EXPECT_EQ(size.width, 320u);
    EXPECT_EQ(size.height, 240u);
    const std::uint64_t expected =
        static_cast<std::uint64_t>(static_cast<double>(file.duration()) / file.timeScale() * 1000.0);
    EXPECT_EQ(size.durationInMilliSeconds, expected);
    const double probed = factory.ffprobe(path)["format"].toObject()["duration"].toString().toDouble();
    EXPECT_NEAR(static_cast<double>(size.durationInMilliSeconds), probed * 1000.0, 1.0);
}
