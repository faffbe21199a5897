// An untagged movie file in the working folder: found by title and year,
// filled with subtitle and chapters from the web services, saved, renamed
// by the Plex naming scheme and given its Plex side files.
#include "movieroad.h"

#include "model/languageutilities.h"
#include "tagging/moviefilemanager.h"

#include <QImage>
#include <QTimeZone>

namespace movieroad {
namespace {

class UntaggedRoadTest : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        // The user chose chapters from the chapter database the last time.
        useEveryServiceWithPlexFiles();
    }
};

TEST_F(UntaggedRoadTest, LoadedFromTheFolderAsAnUntitledRecordReadyToTag)
{
    makeMovie("Alien #1979.m4v");
    MovieList list;
    const auto movie = loadOne(list, {workFolder()});
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->title(), "Alien #1979");
    EXPECT_FALSE(movie->isTagged());
    EXPECT_EQ(movie->status(), MovieModel::kStatusReadyToTag);
    EXPECT_EQ(movie->chapterSettings(), MovieModel::kChaptersFromChapterFileOrDb);
    EXPECT_FALSE(movie->coverIsSet());
    EXPECT_EQ(movie->duration(), "0:00:32");
    EXPECT_TRUE(m_alerts.shown().isEmpty());
}

TEST_F(UntaggedRoadTest, TheLookupFillsTheRecordWithDetailsCoverSubtitleAndDatabaseChapters)
{
    makeMovie("Alien #1979.m4v");
    MovieList list;
    const auto movie = loadOne(list, {workFolder()});
    ASSERT_TRUE(movie);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);

    EXPECT_EQ(movie->title(), kGermanTitle);
    EXPECT_EQ(movie->imdbID(), "tt0078748");
    EXPECT_EQ(movie->releaseDate(), QDateTime(QDate(1979, 10, 25), QTime(12, 0), QTimeZone::utc()))
        << movie->releaseDate().toString(Qt::ISODate).toStdString();
    ASSERT_TRUE(movie->directors());
    EXPECT_EQ(*movie->directors(), QStringList{"Ridley Scott"});
    ASSERT_TRUE(movie->artists());
    EXPECT_TRUE(movie->artists()->contains("Sigourney Weaver"));
    EXPECT_FALSE(movie->rating().isEmpty());
    EXPECT_TRUE(movie->coverIsSet());
    EXPECT_TRUE(movie->subtitle().contains("Frachtschiff Nostromo"));
    ASSERT_TRUE(movie->listOfChapters());
    QStringList names;
    for (const auto& chapter : *movie->listOfChapters())
        names << chapter->name();
    EXPECT_EQ(names, kDbChapterNames);
    EXPECT_EQ(movie->numberOfChapters(), kDbChapterNames.size());
    EXPECT_FALSE(movie->isTagged());
    EXPECT_EQ(movie->status(), MovieModel::kStatusReadyToTag);
    // The chapter search asked with the short title and the record's duration.
    ASSERT_EQ(m_chapterDb.requests().size(), 2);
    EXPECT_EQ(m_chapterDb.requests()[0].queryItems().queryItemValue("title"), "Alien");
    EXPECT_EQ(m_chapterDb.requests()[0].queryItems().queryItemValue("duration"), "0:00:32");
}

TEST_F(UntaggedRoadTest, SavedFileCarriesTagsCoverChaptersAndSubtitleUnderItsNewName)
{
    const QString original = makeMovie("Alien #1979.m4v");
    const QStringList media = m_factory.mediaPacketChecksums(original);
    MovieList list;
    const auto movie = loadOne(list, {workFolder()});
    ASSERT_TRUE(movie);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);
    const QImage chosenCover = movie->cover()->image();

    ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), true, false, kLanguage, kCountry));
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_TRUE(movie->isTagged());
    EXPECT_EQ(movie->status(), MovieModel::kStatusTagged);

    const QString base = QString(kPlexName);
    const QString saved = workFolder() + "/" + base + ".m4v";
    EXPECT_EQ(movie->fileUrl(), QUrl::fromLocalFile(saved));
    EXPECT_EQ(workEntries(), (QStringList{base + ".de.srt", base + ".jpg", base + ".m4v"}));
    EXPECT_EQ(m_factory.mediaPacketChecksums(saved), media);
    EXPECT_TRUE(m_factory.decodeErrors(saved).isEmpty());

    // ffprobe: tags, chapters, the subtitle track and the cover.
    const QJsonObject probe = this->probe(saved);
    const QJsonObject tags = formatTags(probe);
    EXPECT_EQ(tags.value("title").toString(), kGermanTitle);
    EXPECT_EQ(tags.value("artist").toString(), "Ridley Scott");
    EXPECT_TRUE(tags.value("date").toString().startsWith("1979-10-25"));
    EXPECT_EQ(chapterTitles(probe), kDbChapterNames);
    EXPECT_EQ(chapterStartsMs(probe), kDbChapterStartsMs);
    const QList<QJsonObject> subtitles = streamsOfType(probe, "subtitle");
    ASSERT_EQ(subtitles.size(), 1);
    EXPECT_EQ(subtitles[0].value("codec_name").toString(), "mov_text");
    EXPECT_EQ(subtitles[0].value("tags").toObject().value("language").toString(),
              LanguageUtilities::subtitleLanguageCode(kLanguage));
    const QString srt = m_factory.subtitleAsSrt(saved);
    EXPECT_TRUE(srt.contains("Frachtschiff Nostromo, auf dem Heimweg.")) << srt.toStdString();
    EXPECT_TRUE(srt.contains("00:00:28,010 --> 00:00:30,500")) << srt.toStdString();
    int attachedPictures = 0;
    for (const QJsonObject& stream : streamsOfType(probe, "video"))
        attachedPictures += stream.value("disposition").toObject().value("attached_pic").toInt();
    EXPECT_EQ(attachedPictures, 1);

    // AtomicParsley: the items of the tag set as another reader sees them.
    const QMap<QString, QString> atoms = atomicParsleyAtoms(saved);
    EXPECT_EQ(atoms.value("©nam"), kGermanTitle);
    EXPECT_EQ(atoms.value("stik"), "Movie");
    EXPECT_TRUE(atoms.value("covr").contains("1 piece of artwork")) << atoms.value("covr").toStdString();
    EXPECT_TRUE(atoms.value("iTunMOVI").contains("Sigourney Weaver"));
    EXPECT_EQ(atoms.value("iTunEXTC"), movie->rating());

    // The Plex cover is the chosen poster.
    const QImage plexCover(workFolder() + "/" + base + ".jpg");
    ASSERT_FALSE(plexCover.isNull());
    EXPECT_EQ(plexCover.size(), chosenCover.size());
    EXPECT_TRUE(nearColour(plexCover.pixelColor(plexCover.rect().center()),
                           chosenCover.pixelColor(chosenCover.rect().center())));
    EXPECT_EQ(fileBytes(workFolder() + "/" + base + ".de.srt"), movie->subtitle().toUtf8());
}

TEST_F(UntaggedRoadTest, TheSavedFileReadsBackAsTheRecordThatWasSaved)
{
    makeMovie("Alien #1979.m4v");
    MovieList list;
    const auto movie = loadOne(list, {workFolder()});
    ASSERT_TRUE(movie);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);
    ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), true, false, kLanguage, kCountry));

    MovieList reopened;
    const auto back = loadOne(reopened, {movie->fileUrl()});
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isTagged());
    EXPECT_EQ(back->status(), MovieModel::kStatusTagged);
    EXPECT_EQ(back->title(), movie->title());
    EXPECT_EQ(back->releaseDate(), movie->releaseDate());
    EXPECT_EQ(back->genre(), movie->genre());
    EXPECT_EQ(back->rating(), movie->rating());
    EXPECT_EQ(back->artists(), movie->artists());
    EXPECT_EQ(back->directors(), movie->directors());
    EXPECT_EQ(back->producers(), movie->producers());
    EXPECT_EQ(back->screenWriters(), movie->screenWriters());
    EXPECT_EQ(back->studio(), movie->studio());
    EXPECT_EQ(back->shortDescription(), movie->shortDescription().left(255));
    EXPECT_EQ(back->longDescription(), movie->longDescription());
    EXPECT_EQ(back->cnID(), movie->cnID());
    EXPECT_TRUE(back->coverIsSet());
    EXPECT_EQ(back->cover()->size(), movie->cover()->size());
    EXPECT_TRUE(back->hasOrigSubtitle());
    EXPECT_EQ(back->chapterSettings(), MovieModel::kChaptersFromFile);
    ASSERT_TRUE(back->listOfChapters());
    QStringList names;
    QList<qint64> lengths;
    for (const auto& chapter : *back->listOfChapters()) {
        names << chapter->name();
        lengths << qint64(chapter->length());
    }
    EXPECT_EQ(names, kDbChapterNames);
    QList<qint64> expected;
    for (const auto& chapter : *movie->listOfChapters())
        expected << qint64(chapter->length());
    EXPECT_EQ(lengths, expected);
    EXPECT_EQ(back->msecDuration(), movie->msecDuration());
}

TEST_F(UntaggedRoadTest, AnEnglishSearchForTheUnitedStatesGivesEnglishTracksRatingAndSideFiles)
{
    searchIn("en", "us");
    const QString key = "api_key=c0ffee00c0ffee00c0ffee00c0ffee00";
    m_tmdb.route("GET", "/3/search/movie", key + "&query=Alien&language=en&year=1979",
                 testsupport::FakeReply::fromFile("tmdb/search-alien-1979.json"));
    m_subtitles.route("GET", "/api/v1/subtitles",
                      "foreign_parts_only=exclude&hearing_impaired=exclude&imdb_id=78748&languages=en",
                      testsupport::FakeReply::fromFile("opensubtitles/subtitles-tt0078748-de.json"));
    // The English chapter set fits best now.
    m_chapterDb.route("GET", "/browse/48213",
                      testsupport::FakeReply::fromFile("chapterdb/browse-three-rows.html")
                          .withReplaced("<td>00:10:00</td>", "<td>00:00:10</td>")
                          .withReplaced("<td>00:25:00</td>", "<td>00:00:25</td>"));
    makeMovie("Alien #1979.m4v");
    MovieList list;
    const auto movie = loadOne(list, {workFolder()});
    ASSERT_TRUE(movie);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);
    EXPECT_EQ(movie->title(), "Alien");
    EXPECT_EQ(movie->releaseDate(), QDateTime(QDate(1979, 5, 25), QTime(12, 0), QTimeZone::utc()));
    ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), true, false, language(), country()));

    EXPECT_EQ(workEntries(), (QStringList{"Alien - (1979).en.srt", "Alien - (1979).jpg", "Alien - (1979).m4v"}));
    const QString saved = workFolder() + "/Alien - (1979).m4v";
    const QJsonObject probe = this->probe(saved);
    EXPECT_EQ(chapterTitles(probe), kDbChapterNames);
    const QList<QJsonObject> subtitles = streamsOfType(probe, "subtitle");
    ASSERT_EQ(subtitles.size(), 1);
    EXPECT_EQ(subtitles[0].value("tags").toObject().value("language").toString(), "eng");
    EXPECT_EQ(atomicParsleyAtoms(saved).value("iTunEXTC"), movie->rating());
    const auto back = readBack(saved);
    EXPECT_EQ(back->rating(), movie->rating());
    EXPECT_TRUE(back->rating().startsWith("mpaa|R|")) << back->rating().toStdString();
    EXPECT_TRUE(back->hasOrigSubtitle());
}

TEST_F(UntaggedRoadTest, ChaptersAndSubtitleOfALongerCutEndWithTheMovie)
{
    // The chapter set whose title fits best lists the two-hour cinema cut;
    // the subtitle runs to 30.5 s; the file holds 20 s.
    m_chapterDb.route("GET", "/browse/31047", testsupport::FakeReply::fromFile("chapterdb/browse-31047.html"));
    testsupport::MovieRecipe recipe;
    recipe.seconds = 20.0;
    recipe.width = 160;
    recipe.height = 120;
    m_factory.make(recipe, "Alien #1979.m4v");
    MovieList list;
    const auto movie = loadOne(list, {workFolder()});
    ASSERT_TRUE(movie);
    ASSERT_EQ(searchAndMerge(*movie), Lookup::Merged);
    ASSERT_GT(movie->listOfChapters().value_or(ChapterList{}).size(), 1);
    ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), true, false, kLanguage, kCountry));

    const QString saved = movie->fileUrl().toLocalFile();
    const QJsonObject probe = this->probe(saved);
    EXPECT_LT(probe.value("format").toObject().value("duration").toString().toDouble(), 20.1);
    EXPECT_EQ(chapterTitles(probe), QStringList{"Vorspann"});
    const QString srt = m_factory.subtitleAsSrt(saved);
    EXPECT_TRUE(srt.contains("Frachtschiff Nostromo")) << srt.toStdString();
    EXPECT_FALSE(srt.contains("Dann sehen wir uns das mal an.")) << srt.toStdString();
    // Read back, the record has the movie's own length.
    const auto back = readBack(saved);
    EXPECT_EQ(back->duration(), "0:00:20");
    EXPECT_LT(back->msecDuration().value_or(0), 20'100);
    // The Plex subtitle keeps every caption.
    EXPECT_EQ(fileBytes(workFolder() + "/" + kPlexName + ".de.srt"), movie->subtitle().toUtf8());
}

}  // namespace
}  // namespace movieroad
