// Covers keep the bytes they came in: saving never re-encodes a JPEG, and
// artwork read from a file goes back as it was.
#include "model/helpers.h"
#include "model/moviemodel.h"
#include "moviefiletestsupport.h"
#include "online/imagefromurl.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "support/fakeserver.h"
#include "support/moviefactory.h"
#include "tagging/coverartwork.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilesaving.h"

#include <QFile>
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

    static bool write(MovieModel& movie)
    {
        return MetaDataUtilities::writeMetaDataToURL(movie, QUrl(), "en").has_value();
    }

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

// The bytes of a picture no reader here can decode: a WebP (Qt ships no WebP
// reader by default), a HEIC, and a small undecodable one that reading keeps
// in memory rather than in the file.
struct UndecodablePicture {
    const char* what;
    QByteArray bytes;
};

QList<UndecodablePicture> undecodablePictures(MovieFactory& factory)
{
    QByteArray webp;
    if (factory
            .run("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=300x400",
                            "-frames:v", "1", factory.path("cover.webp")})
            .ok())
        webp = contentsOf(factory.path("cover.webp"));
    QByteArray heic(
        "\x00\x00\x00\x18"
        "ftypheic\x00\x00\x00\x00mif1heic",
        24);
    for (int i = 0; i < 9000; ++i)
        heic.append(char((i * 7919) & 0xFF));
    QByteArray small("RIFF\x10\x07\x00\x00WEBPVP8 ", 16);
    small.append(QByteArray(1800, 'w'));
    return {{"webp", webp}, {"heic", heic}, {"small", small}};
}

// The file's artwork list set to exactly `pictures`, by our writer (the tools
// refuse pictures they do not know).
void setArtwork(const QString& file, const QList<QByteArray>& pictures)
{
    mp4::MovieFile movie = moviefiletest::open(file, true);
    mp4::Tags tags = movie.tags();
    tags.artwork.clear();
    for (const QByteArray& picture : pictures)
        tags.artwork.push_back({std::vector<std::uint8_t>(picture.begin(), picture.end())});
    ASSERT_TRUE(movie.setTags(tags));
    ASSERT_TRUE(movie.close());
}

TEST_F(CoverBytes, ArtworkNothingHereCanDecodeIsKeptAndSavedByteForByte)
{
    for (const UndecodablePicture& picture : undecodablePictures(factory)) {
        SCOPED_TRACE(picture.what);
        ASSERT_GT(picture.bytes.size(), 1000);
        const QString file = movieWithArtwork({"a.jpg"}, QString("%1.m4v").arg(picture.what).replace(' ', '-'));
        const QByteArray older = factory.atomicParsleyArtwork(file).value(0).bytes;
        setArtwork(file, {picture.bytes, older});
        const QList<Artwork> before = factory.atomicParsleyArtwork(file);
        ASSERT_EQ(before.size(), 2);
        ASSERT_EQ(before[0].bytes, picture.bytes);

        const auto movie = read(file);
        ASSERT_TRUE(movie->coverIsSet());
        EXPECT_TRUE(movie->cover()->image().isNull());  // shown as unreadable
        movie->setTitle("Saved Again");
        ASSERT_TRUE(write(*movie));
        EXPECT_EQ(factory.atomicParsleyArtwork(file), before);
        EXPECT_EQ(read(file)->title(), "Saved Again");
    }
}

// One record kept over several saves: its cover follows its bytes to where
// each save put them, so it stays readable and keeps going back unchanged.
TEST_F(CoverBytes, ACoverLeftInTheFileFollowsItsBytesThroughSavesAndRenames)
{
    QString file = movieWithArtwork({"a.jpg", "b.jpg"}, "kept.m4v");
    const QList<Artwork> before = factory.atomicParsleyArtwork(file);
    const auto movie = read(file);
    ASSERT_TRUE(movie->cover()->filePlace());
    ASSERT_TRUE(movie->listOfOldCovers()->value(0)->filePlace());
    for (int save = 0; save < 3; ++save) {
        SCOPED_TRACE(save);
        movie->setTitle(QString("Title %1").arg(save));
        movie->setComments(QString(4000 * save, 'c'));  // a moov of another size each time
        const qint64 placedAt = movie->cover()->filePlace()->offset;
        ASSERT_TRUE(write(*movie));
        EXPECT_EQ(factory.atomicParsleyArtwork(file), before);
        EXPECT_NE(movie->cover()->filePlace()->offset, placedAt);
        EXPECT_EQ(movie->cover()->data(), before[0].bytes);
        EXPECT_EQ(movie->listOfOldCovers()->value(0)->data(), before[1].bytes);
        EXPECT_FALSE(movie->cover()->image().isNull());

        // Moved to another name by the saving code: the pictures go along.
        const QString renamed = factory.path(QString("renamed-%1.m4v").arg(save));
        ASSERT_TRUE(QFile::rename(file, renamed));
        CoverArtwork::followRenamedFile(*movie, file, renamed);
        movie->setFileUrl(urlOf(renamed));
        file = renamed;
        EXPECT_EQ(movie->cover()->data(), before[0].bytes);
    }
}

TEST_F(CoverBytes, ACoverLeftInTheFileGoesIntoACopyAndIntoAnotherRecordAsTheSameBytes)
{
    const QString file = movieWithArtwork({"a.jpg", "b.png"}, "source.m4v");
    const QString other = movieWithArtwork({"c.png"}, "other.m4v");
    const QList<Artwork> before = factory.atomicParsleyArtwork(file);
    const QByteArray source = contentsOf(file);
    const auto movie = read(file);

    const QString copy = factory.path("copy.m4v");
    ASSERT_TRUE(MetaDataUtilities::writeMetaDataToURL(*movie, urlOf(copy), "en"));
    EXPECT_EQ(factory.atomicParsleyArtwork(copy), before);
    EXPECT_EQ(contentsOf(file), source);
    EXPECT_EQ(movie->cover()->filePlace()->path, file);  // the record's cover still lies in its own file

    // Pasted: the other record holds the bytes themselves, whatever becomes of the first file.
    const auto target = read(other);
    target->paste(movie.get());
    EXPECT_FALSE(target->cover()->filePlace());
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(write(*target));
    EXPECT_EQ(factory.atomicParsleyArtwork(other), before);
}

// Another program rewrote the file after it was read: its old places mean
// nothing now. Nothing is read from them and nothing is written.
TEST_F(CoverBytes, AFileChangedSinceReadingRefusesItsCoverAndTheSave)
{
    const QString file = movieWithArtwork({"a.jpg"}, "changed.m4v");
    const auto movie = read(file);
    ASSERT_TRUE(factory.atomicParsleyTag(file, {"--title", "Changed Elsewhere", "--comment", QString(3000, 'x')}));
    const QByteArray changed = contentsOf(file);

    platform::LogCapture log;
    EXPECT_TRUE(movie->cover()->data().isEmpty());
    EXPECT_TRUE(movie->cover()->image().isNull());
    EXPECT_FALSE(movie->cover()->jpegData());
    const QString refusal = QString("A cover is not read: the file changed since it was read from it: %1").arg(file);
    EXPECT_TRUE(log.contains(refusal)) << log.lines().join('\n').toStdString();

    movie->setTitle("Over The Change");
    EXPECT_FALSE(write(*movie));
    EXPECT_EQ(contentsOf(file), changed);
    // Read again, the record has the file's cover and saves as ever.
    const auto fresh = read(file);
    fresh->setTitle("Saved");
    ASSERT_TRUE(write(*fresh));
    EXPECT_EQ(factory.atomicParsleyArtwork(file).value(0).bytes, fresh->cover()->data());
}

}  // namespace
