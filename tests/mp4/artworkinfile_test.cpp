// Pictures that reading leaves in the file: where they lie, how they go back by
// file range, and that no other place is ever copied into a file.
#include "mp4testutil.h"

#include <gtest/gtest.h>

#include <utility>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

class ArtworkInFile : public ::testing::Test {
protected:
    // A movie whose artwork list holds a large JPEG and a small PNG, in that order.
    QString movieWithTwoPictures(const QString& name)
    {
        MovieRecipe recipe;
        recipe.coverImages = {factory.makeImage("big.jpg", 1200, 900), factory.makeImage("small.png", 8, 8)};
        const QString file = factory.make(recipe, name);
        m_before = factory.atomicParsleyArtwork(file);
        EXPECT_EQ(m_before.size(), 2);
        EXPECT_GT(m_before.value(0).bytes.size(), 4096);
        EXPECT_LT(m_before.value(1).bytes.size(), 4096);
        return file;
    }

    MovieFactory factory;
    QList<MovieFactory::Artwork> m_before;
};

TEST_F(ArtworkInFile, ALargePictureIsOnlyPlacedAndItsPlaceHoldsItsBytes)
{
    const QString file = movieWithTwoPictures("placed.mp4");
    const mp4::MovieFile movie = openRead(file);
    const mp4::Tags placed = movie.tags(mp4::ArtworkBytes::LeftInFile);
    ASSERT_EQ(placed.artwork.size(), 2u);
    ASSERT_TRUE(placed.artwork[0].inFile);
    EXPECT_TRUE(placed.artwork[0].data.empty());
    EXPECT_EQ(placed.artwork[0].type, mp4::ArtworkType::Jpeg);  // told from the bytes kept in memory
    EXPECT_EQ(placed.artwork[0].size(), std::uint64_t(m_before[0].bytes.size()));
    // Its first bytes come with it, for its header; the small one has no head of its own.
    ASSERT_GT(m_before[0].bytes.size(), qsizetype(mp4::kPictureHeadBytes));
    EXPECT_EQ(placed.artwork[0].head, bytesOf(m_before[0].bytes.left(qsizetype(mp4::kPictureHeadBytes))));
    EXPECT_TRUE(placed.artwork[1].head.empty());
    // A picture left in the file but smaller than a head comes whole, and nothing beyond it.
    MovieRecipe recipe;
    recipe.coverImages = {factory.makeImage("medium.jpg", 160, 120)};
    const QString mediumFile = factory.make(recipe, "medium.mp4");
    const QByteArray medium = factory.atomicParsleyArtwork(mediumFile).value(0).bytes;
    ASSERT_GT(medium.size(), 4096);
    ASSERT_LT(medium.size(), qsizetype(mp4::kPictureHeadBytes));
    const mp4::Tags mediumTags = openRead(mediumFile).tags(mp4::ArtworkBytes::LeftInFile);
    ASSERT_EQ(mediumTags.artwork.size(), 1u);
    EXPECT_TRUE(mediumTags.artwork[0].inFile);
    EXPECT_EQ(mediumTags.artwork[0].head, bytesOf(medium));
    const QByteArray whole = readAll(file);
    EXPECT_EQ(whole.mid(qsizetype(placed.artwork[0].inFile->offset), qsizetype(placed.artwork[0].inFile->length)),
              m_before[0].bytes);
    // The small one is read as ever.
    EXPECT_FALSE(placed.artwork[1].inFile);
    EXPECT_EQ(placed.artwork[1].data, bytesOf(m_before[1].bytes));

    // Read whole by default, and by every item look-up.
    EXPECT_EQ(movie.tags().artwork[0].data, bytesOf(m_before[0].bytes));
    const std::vector<mp4::Item> covr = movie.itemsByCode(mp4::FourCC("covr"));
    ASSERT_EQ(covr.size(), 1u);
    EXPECT_FALSE(covr[0].data[0].inFile);
    EXPECT_EQ(covr[0].data[0].value, bytesOf(m_before[0].bytes));
}

TEST_F(ArtworkInFile, PlacedPicturesGoBackByteForByteInAnyOrder)
{
    const QString file = movieWithTwoPictures("back.mp4");
    for (int save = 0; save < 3; ++save) {
        mp4::MovieFile movie = openModify(file);
        mp4::Tags tags = movie.tags(mp4::ArtworkBytes::LeftInFile);
        ASSERT_EQ(tags.artwork.size(), 2u);
        ASSERT_TRUE(tags.artwork[save % 2].inFile);  // the large one, wherever the last save put it
        tags.name = "Save " + std::to_string(save);
        std::swap(tags.artwork[0], tags.artwork[1]);  // the placed one now second, the list reversed
        ASSERT_TRUE(movie.setTags(tags));
        ASSERT_TRUE(movie.close());
        std::swap(m_before[0], m_before[1]);
        EXPECT_EQ(factory.atomicParsleyArtwork(file), m_before) << "save " << save;
        EXPECT_EQ(openRead(file).tags().name, "Save " + std::to_string(save));
    }
}

// Only a place where the file, as opened, holds a picture may be copied from:
// anything else is refused and the file keeps every byte.
TEST_F(ArtworkInFile, APlaceWhereTheFileHoldsNoPictureIsRefused)
{
    const QString file = movieWithTwoPictures("refused.mp4");
    const QString other = movieWithTwoPictures("other.mp4");
    const mp4::FileRange real = *openRead(file).tags(mp4::ArtworkBytes::LeftInFile).artwork[0].inFile;
    const QByteArray before = readAll(file);
    const struct Case {
        const char* what;
        mp4::FileRange range;
    } cases[] = {
        {"one byte further", {real.offset + 1, real.length - 1}},
        {"one byte longer", {real.offset, real.length + 1}},
        {"the media", {64, 5000}},
        {"beyond the end", {std::uint64_t(before.size()), 5000}},
        {"nothing", {real.offset, 0}},
    };
    for (const Case& c : cases) {
        mp4::MovieFile movie = openModify(file);
        mp4::Tags tags = movie.tags();
        tags.artwork = {mp4::Artwork{{}, mp4::ArtworkType::Jpeg, c.range}};
        const auto set = movie.setTags(tags);
        ASSERT_FALSE(set) << c.what;
        EXPECT_EQ(set.error().code, mp4::Error::Code::InvalidArgument) << c.what;
        mp4::Item item{mp4::FourCC("covr"), {}, {}, {mp4::ItemData{mp4::DataType::Jpeg, 0, {}, c.range}}};
        EXPECT_FALSE(movie.addItem(item)) << c.what;
        ASSERT_TRUE(movie.close());
        EXPECT_EQ(readAll(file), before) << c.what;
    }
    // A place taken from another file is no place in this one.
    mp4::MovieFile movie = openModify(other);
    mp4::Tags tags = movie.tags();
    const mp4::FileRange foreign = *openRead(file).tags(mp4::ArtworkBytes::LeftInFile).artwork[0].inFile;
    tags.artwork = {mp4::Artwork{{}, mp4::ArtworkType::Jpeg, mp4::FileRange{foreign.offset + 8, foreign.length}}};
    EXPECT_FALSE(movie.setTags(tags));
}

}  // namespace
