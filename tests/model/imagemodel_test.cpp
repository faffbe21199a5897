#include "model/imagemodel.h"
#include "model/moviesearchitemmodel.h"
#include "support/imagebytes.h"

#include <gtest/gtest.h>

namespace {

QByteArray pngData(int width, int height)
{
    return testsupport::pngBytes(QSize(width, height), Qt::red);
}

const QUrl kPoster("https://image.example/t/p/original/poster.jpg");

TEST(ImageModel, CandidateFromPictureData)
{
    const auto candidate = ImageModel::initWithData(pngData(20, 30), kPoster, 1000, 1500, "en", 12);
    ASSERT_TRUE(candidate);
    ASSERT_TRUE(candidate->image());
    EXPECT_EQ(candidate->image()->pixelSize(), QSize(20, 30));
    // Shown at the size the movie database reports, whatever the thumbnail's pixels.
    EXPECT_EQ(candidate->image()->size(), QSizeF(1000, 1500));
    EXPECT_EQ(candidate->width(), 1000);
    EXPECT_EQ(candidate->height(), 1500);
    EXPECT_EQ(candidate->language(), "en");
    EXPECT_EQ(candidate->voteCount(), 12);
    EXPECT_EQ(candidate->url(), kPoster);
    for (const QUrl& url : {candidate->smallUrl(), candidate->mediumUrl(), candidate->largeUrl()})
        EXPECT_EQ(url, kPoster);
    for (const QSizeF& size : {candidate->smallSize(), candidate->mediumSize(), candidate->largeSize()})
        EXPECT_EQ(size, QSizeF(1000, 1500));
}

TEST(ImageModel, LabelShowsTheLargeRendition)
{
    const auto candidate = ImageModel::initWithData(pngData(2, 3), kPoster, 1000, 1500, QString(), std::nullopt);
    ASSERT_TRUE(candidate);
    EXPECT_EQ(candidate->coverSizeAsLabel(), "1000 x 1500");
    candidate->setLargeSize(QSizeF(2000, 3000));
    EXPECT_EQ(candidate->coverSizeAsLabel(), "2000 x 3000");
}

TEST(ImageModel, LabelWithoutSizeOrPicture)
{
    const auto noWidth = ImageModel::initWithData(pngData(2, 3), kPoster, std::nullopt, 1500, "de", 1);
    ASSERT_TRUE(noWidth);
    EXPECT_EQ(noWidth->coverSizeAsLabel(), "- x -");
    EXPECT_EQ(noWidth->largeSize(), QSizeF(0, 1500));
    ImageModel empty;
    empty.setWidth(10);
    empty.setHeight(10);
    EXPECT_EQ(empty.coverSizeAsLabel(), "- x -");
}

TEST(ImageModel, DataThatIsNotAPictureGivesNoCandidate)
{
    EXPECT_FALSE(ImageModel::initWithData("<html>Not found</html>", kPoster, 1, 1, "en", 0));
    EXPECT_FALSE(ImageModel::initWithData(QByteArray(), kPoster, 1, 1, "en", 0));
}

TEST(MovieSearchItemModel, HoldsItsFourValues)
{
    const auto thumbnail = platform::Picture::fromImage(QImage(3, 4, QImage::Format_RGB32));
    const MovieSearchItemModel hit("348", "Alien", "1979", thumbnail);
    EXPECT_EQ(hit.movieId(), "348");
    EXPECT_EQ(hit.title(), "Alien");
    EXPECT_EQ(hit.year(), "1979");
    EXPECT_EQ(hit.image(), thumbnail);
}

}  // namespace
