// A movie file that already carries a title, a cover, chapters and a
// subtitle, with those fields protected: the lookup fills the rest, and the
// save keeps what the user protected, in the record and in the file.
#include "movieroad.h"

#include "model/languageutilities.h"
#include "tagging/moviefilemanager.h"

#include <QImage>

namespace movieroad {
namespace {

const QString kOwnSrt = "1\n00:00:01,000 --> 00:00:03,000\nEigener Untertitel\n\n";
const QStringList kOwnChapterNames{"Anfang", "Ende"};
const QList<qint64> kOwnChapterStartsMs{0, 16'000};

class ProtectedRoadTest : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        set("AutomaticSearchForSubtitles", true);
        set("AutomaticSearchForChapters", true);
        set("OverwriteExistingSubtitles", true);
        set("FiledsNotToBeOverwritten", QStringList{"title", "cover", "chapters", "subtitle"});
        m_tmdb.route("GET", "/3/search/movie", "api_key=c0ffee00c0ffee00c0ffee00c0ffee00&query=Mein+Alien&language=de",
                     testsupport::FakeReply::fromFile("tmdb/search-alien-1979.json"));

        m_posterFile = m_factory.makeImage("own-poster.jpg", 60, 90);
        testsupport::MovieRecipe recipe;
        recipe.metadata = {{"title", "Mein Alien"}};
        recipe.coverImages = {m_posterFile};
        recipe.chapters = {{kOwnChapterNames[0], 0, 16'000}, {kOwnChapterNames[1], 16'000, 32'000}};
        recipe.subtitle = testsupport::SubtitleSpec{kOwnSrt, LanguageUtilities::subtitleLanguageCode(kLanguage)};
        m_file = makeMovie("mein-alien.m4v", recipe);
        ASSERT_FALSE(m_file.isEmpty());
    }

    QString m_posterFile;
    QString m_file;
};

TEST_F(ProtectedRoadTest, AFileWithTitleAndCoverIsLoadedAsTagged)
{
    MovieList list;
    const auto movie = loadOne(list, {m_file});
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->title(), "Mein Alien");
    EXPECT_TRUE(movie->isTagged());
    EXPECT_EQ(movie->status(), MovieModel::kStatusTagged);
    EXPECT_TRUE(movie->coverIsSet());
    EXPECT_TRUE(movie->hasOrigSubtitle());
    EXPECT_EQ(movie->chapterSettings(), MovieModel::kChaptersFromFile);
    EXPECT_EQ(movie->numberOfChapters(), 2);
}

TEST_F(ProtectedRoadTest, ProtectedFieldsKeepTheirValuesAndTheRestIsFilled)
{
    MovieList list;
    const auto movie = loadOne(list, {m_file});
    ASSERT_TRUE(movie);
    const platform::PicturePtr ownCover = movie->cover();
    // The user wants the chapter database's chapters, but has protected the file's.
    movie->setChapterSettings(MovieModel::kChaptersFromChapterFileOrDb);

    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);
    EXPECT_EQ(movie->title(), "Mein Alien");
    EXPECT_EQ(movie->cover()->pixelSize(), ownCover->pixelSize());
    EXPECT_EQ(movie->cover()->image().pixel(30, 45), ownCover->image().pixel(30, 45));
    ASSERT_TRUE(movie->directors());
    EXPECT_EQ(*movie->directors(), QStringList{"Ridley Scott"});
    EXPECT_EQ(movie->imdbID(), "tt0078748");
    EXPECT_FALSE(movie->rating().isEmpty());
    EXPECT_FALSE(movie->isTagged());
    EXPECT_EQ(movie->status(), MovieModel::kStatusReadyToTag);
}

TEST_F(ProtectedRoadTest, TheSaveLeavesProtectedChaptersSubtitleAndCoverInTheFile)
{
    const QString ownSubtitleBefore = m_factory.subtitleAsSrt(m_file);
    const QStringList media = m_factory.mediaPacketChecksums(m_file);
    MovieList list;
    const auto movie = loadOne(list, {m_file});
    ASSERT_TRUE(movie);
    movie->setChapterSettings(MovieModel::kChaptersFromChapterFileOrDb);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);

    ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), true, false, kLanguage, kCountry));
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_EQ(movie->fileUrl(), QUrl::fromLocalFile(m_file));  // no working folder: no new name
    EXPECT_TRUE(movie->isTagged());

    const QJsonObject probe = this->probe(m_file);
    const QJsonObject tags = formatTags(probe);
    EXPECT_EQ(tags.value("title").toString(), "Mein Alien");
    EXPECT_EQ(tags.value("artist").toString(), "Ridley Scott");
    EXPECT_EQ(chapterTitles(probe), kOwnChapterNames);
    EXPECT_EQ(chapterStartsMs(probe), kOwnChapterStartsMs);
    const QList<QJsonObject> subtitles = streamsOfType(probe, "subtitle");
    ASSERT_EQ(subtitles.size(), 1);
    EXPECT_EQ(m_factory.subtitleAsSrt(m_file), ownSubtitleBefore);
    EXPECT_EQ(m_factory.mediaPacketChecksums(m_file), media);

    const QMap<QString, QString> atoms = atomicParsleyAtoms(m_file);
    EXPECT_EQ(atoms.value("©nam"), "Mein Alien");
    EXPECT_TRUE(atoms.value("covr").contains("1 piece of artwork")) << atoms.value("covr").toStdString();
    EXPECT_TRUE(atoms.value("iTunMOVI").contains("Sigourney Weaver"));

    // The cover in the file is still the user's own picture.
    const auto back = readBack(m_file);
    ASSERT_TRUE(back->coverIsSet());
    const QImage own(m_posterFile);
    const QImage backCover = back->cover()->image();
    ASSERT_EQ(backCover.size(), own.size());
    EXPECT_TRUE(nearColour(backCover.pixelColor(10, 10), own.pixelColor(10, 10)));
    EXPECT_TRUE(nearColour(backCover.pixelColor(45, 70), own.pixelColor(45, 70)));
    EXPECT_EQ(back->title(), "Mein Alien");
    EXPECT_TRUE(back->hasOrigSubtitle());
}

TEST_F(ProtectedRoadTest, WithoutProtectionTheSameSaveReplacesChaptersAndSubtitle)
{
    set("FiledsNotToBeOverwritten", QStringList{"title", "cover"});
    MovieList list;
    const auto movie = loadOne(list, {m_file});
    ASSERT_TRUE(movie);
    movie->setChapterSettings(MovieModel::kChaptersFromChapterFileOrDb);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);
    ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), true, false, kLanguage, kCountry));

    const QJsonObject probe = this->probe(m_file);
    EXPECT_EQ(chapterTitles(probe), kDbChapterNames);
    EXPECT_EQ(chapterStartsMs(probe), kDbChapterStartsMs);
    ASSERT_EQ(streamsOfType(probe, "subtitle").size(), 1);
    EXPECT_TRUE(m_factory.subtitleAsSrt(m_file).contains("Frachtschiff Nostromo"));
}

}  // namespace
}  // namespace movieroad
