// Covers keep the bytes they came in: saving never re-encodes a JPEG, and
// artwork read from a file goes back as it was.
#include "model/helpers.h"
#include "model/moviemodel.h"
#include "moviefiletestsupport.h"
#include "online/imagefromurl.h"
#include "platform/settings.h"
#include "support/fakeserver.h"
#include "support/moviefactory.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilesaving.h"

#include <QImage>

#include <gtest/gtest.h>

using moviefiletest::contentsOf;
using moviefiletest::urlOf;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;
using Artwork = testsupport::MovieFactory::Artwork;

namespace {

class CoverBytes : public ::testing::Test {
protected:
    void SetUp() override { platform::Settings::shared().remove("ReplaceExistingCoverPictures"); }

    // A movie file whose artwork list holds the named pictures, in order.
    QString movieWithArtwork(const QStringList& pictures, const QString& name)
    {
        MovieRecipe recipe;
        for (const QString& picture : pictures)
            recipe.coverImages.append(factory.makeImage(picture, 200 + 10 * int(recipe.coverImages.size()), 300));
        return factory.make(recipe, name);
    }

    std::unique_ptr<MovieModel> read(const QString& file)
    {
        auto movie = std::make_unique<MovieModel>();
        EXPECT_TRUE(MetaDataUtilities::readMetaDataFromURL(urlOf(file), *movie, "en"));
        return movie;
    }

    static bool write(MovieModel& movie) { return MetaDataUtilities::writeMetaDataToURL(movie, QUrl(), "en"); }

    MovieFactory factory;
};

TEST_F(CoverBytes, ArtworkThatNobodyReplacedIsSavedByteForByte)
{
    const QList<QStringList> lists{{"a.jpg"}, {"a.png"}, {"a.jpg", "b.png", "c.jpg"}, {"a.png", "b.jpg", "c.png"}};
    for (const QStringList& pictures : lists) {
        SCOPED_TRACE(pictures.join(",").toStdString());
        const QString file = movieWithArtwork(pictures, QString("movie%1.mp4").arg(pictures.join("-")));
        const QList<Artwork> before = factory.atomicParsleyArtwork(file);
        ASSERT_EQ(before.size(), pictures.size());
        for (qsizetype i = 0; i < pictures.size(); ++i)
            EXPECT_TRUE(pictures[i].endsWith(before[i].suffix)) << i;

        // Saved with only the title changed, then read and saved again.
        for (int save = 0; save < 2; ++save) {
            const auto movie = read(file);
            movie->setTitle(QString("Title %1").arg(save));
            ASSERT_TRUE(write(*movie));
            EXPECT_EQ(factory.atomicParsleyArtwork(file), before) << "save " << save;
        }
    }
}

TEST_F(CoverBytes, ANewJpegCoverIsWrittenWithExactlyItsBytes)
{
    const QString poster = factory.makeImage("poster.jpg", 400, 600);
    const QByteArray posterBytes = contentsOf(poster);
    testsupport::FakeServer server(testsupport::FakeServer::Threading::OwnThread);
    ASSERT_TRUE(server.isListening());
    server.route("GET", "/t/p/original/poster.jpg", testsupport::FakeReply::bytes(posterBytes, "image/jpeg"));

    const QList<QPair<const char*, QUrl>> sources{{"dropped file", urlOf(poster)},
                                                  {"download", QUrl(server.url("/t/p/original/poster.jpg"))}};
    for (const auto& [what, address] : sources) {
        SCOPED_TRACE(what);
        const QString file =
            movieWithArtwork({"first.jpg", "older.png"}, QString("%1.m4v").arg(what).replace(' ', '-'));
        const auto movie = read(file);
        movie->setCover(imageFromURL(address));
        ASSERT_TRUE(write(*movie));
        const QList<Artwork> artwork = factory.atomicParsleyArtwork(file);
        ASSERT_EQ(artwork.size(), 2);
        EXPECT_EQ(artwork[0], (Artwork{"jpg", posterBytes}));
        EXPECT_EQ(artwork[1].suffix, "png");  // the older cover keeps its own format

        // The Plex cover beside the movie is the same bytes.
        MovieFileManager::savePLEXAssets(*movie, urlOf(file), "en");
        EXPECT_EQ(contentsOf(QString(file).replace(".m4v", ".jpg")), posterBytes);
    }
}

TEST_F(CoverBytes, ANewCoverThatIsNoJpegIsWrittenAsItsJpegEncoding)
{
    const QString file = movieWithArtwork({"old.jpg"}, "movie.m4v");
    const auto movie = read(file);
    const QByteArray oldCover = factory.atomicParsleyArtwork(file).value(0).bytes;

    const QString png = factory.makeImage("dropped.png", 120, 90);
    QImage pasted(QSize(64, 48), QImage::Format_ARGB32);
    pasted.fill(QColor(0, 128, 0, 100));
    for (const platform::PicturePtr& cover : {imageFromURL(urlOf(png)), platform::Picture::fromImage(pasted)}) {
        movie->setCover(cover);
        movie->setListOfOldCovers(ImageList{imageFromData(oldCover)});
        ASSERT_TRUE(write(*movie));
        const QList<Artwork> artwork = factory.atomicParsleyArtwork(file);
        ASSERT_EQ(artwork.size(), 2);
        EXPECT_EQ(artwork[0].suffix, "jpg");
        EXPECT_EQ(artwork[0].bytes, *cover->jpegData());
        EXPECT_EQ(QImage::fromData(artwork[0].bytes, "JPEG").size(), cover->pixelSize());
        EXPECT_EQ(artwork[1], (Artwork{"jpg", oldCover}));
    }
}

}  // namespace
