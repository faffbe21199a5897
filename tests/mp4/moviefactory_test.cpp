// The movie factory is what every file-based test stands on: check that the files it makes
// are what it promises, as ffprobe reports them.
#include "support/moviefactory.h"

#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

using testsupport::MovieFactory;
using testsupport::MovieRecipe;

TEST(MovieFactory, MakesVideoAudioChaptersSubtitleAndCover)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.chapters = {{"Opening", 0, 1000}, {"End", 1000, 2000}};
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,500 --> 00:00:01,000\nHi\n\n", "deu"};
    recipe.coverImages = {factory.makeImage("cover.jpg", 64, 48)};
    recipe.metadata = {{"title", "Factory Title"}};
    recipe.faststart = true;
    const QString file = factory.make(recipe, "all.m4v");
    ASSERT_FALSE(file.isEmpty());
    const QJsonObject probe = factory.ffprobe(file);
    EXPECT_EQ(probe["format"].toObject()["tags"].toObject()["title"].toString(), "Factory Title");
    EXPECT_EQ(probe["chapters"].toArray().size(), 2);
    QStringList kinds;
    for (const auto& s : probe["streams"].toArray()) {
        kinds << s.toObject()["codec_name"].toString();
    }
    EXPECT_TRUE(kinds.contains("h264"));
    EXPECT_TRUE(kinds.contains("aac"));
    EXPECT_TRUE(kinds.contains("mov_text"));
    EXPECT_TRUE(kinds.contains("mjpeg"));
    EXPECT_FALSE(factory.mediaPacketChecksums(file).isEmpty());
    EXPECT_TRUE(factory.subtitleAsSrt(file).contains("Hi"));
}

TEST(MovieFactory, SparseLargeFileStaysPlayable)
{
    MovieFactory factory;
    const QString base = factory.make(MovieRecipe{}, "base.mp4");
    ASSERT_FALSE(base.isEmpty());
    const QString big = factory.makeSparseLarge(base, "big.mp4");
    ASSERT_FALSE(big.isEmpty());
    EXPECT_GT(QFileInfo(big).size(), qint64(1) << 32);
    EXPECT_EQ(factory.mediaPacketChecksums(big), factory.mediaPacketChecksums(base));
}
