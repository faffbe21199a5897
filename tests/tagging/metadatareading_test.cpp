#include "model/moviemodel.h"
#include "moviefiletestsupport.h"
#include "mp4/moviefile.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "support/moviefactory.h"
#include "tagging/metadatautilities.h"

#include <QFile>
#include <QJsonArray>
#include <QTimeZone>

#include <gtest/gtest.h>

using moviefiletest::urlOf;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

class MetaDataReading : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* key : {"DoNotOverWriteMediaType", "DefaultChapterSetting"})
            settings().remove(key);
    }
    void TearDown() override { SetUp(); }

    static platform::Settings& settings() { return platform::Settings::shared(); }

    // A plain movie: video and audio, 2 s.
    QString plainMovie(const QString& name = "plain.m4v")
    {
        if (m_plain.isEmpty())
            m_plain = factory.make(MovieRecipe{}, "plain-source.m4v");
        return factory.copy(m_plain, name);
    }

    bool read(const QString& path, const QString& language = "en")
    {
        return MetaDataUtilities::readMetaDataFromURL(urlOf(path), movie, language);
    }

    // Replaces the tag set of `file` by `tags`, as another tagger would.
    static void storeTags(const QString& file, const mp4::Tags& tags)
    {
        mp4::MovieFile modified = moviefiletest::open(file, true);
        ASSERT_TRUE(modified.setTags(tags));
        ASSERT_TRUE(modified.close());
    }

    // A picture of `size` bytes that begins like a JPEG, for the size thresholds.
    QString tinyPicture(const QString& name, int size)
    {
        QByteArray bytes = QByteArray::fromHex("FFD8FFE000104A46494600");
        bytes.append(QByteArray(size - bytes.size(), '\x11'));
        return factory.writeFile(name, bytes);
    }

    MovieFactory factory;
    MovieModel movie;
    QString m_plain;
};

QDateTime noonUtc(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(12, 0), QTimeZone::utc());
}

}  // namespace

TEST_F(MetaDataReading, TagsWrittenByFfmpegReachTheirFields)
{
    MovieRecipe recipe;
    recipe.metadata = {{"title", "My Title"},
                       {"artist", "Jane Director,John Doe"},
                       {"album_artist", "Actor One, Actor Two"},
                       {"album", "The Album"},
                       {"comment", "A comment"},
                       {"genre", "Drama"},
                       {"date", "2010-5-7T20:15:00Z"},
                       {"description", "Short description"},
                       {"synopsis", "Long description of the movie"},
                       {"copyright", "(c) 2012"},
                       {"composer", "Writer One"},
                       {"grouping", "Grp"},
                       {"keywords", "kw"},
                       {"media_type", "10"},
                       {"hd_video", "2"},
                       {"gapless_playback", "1"},
                       {"compilation", "0"}};
    const QString file = factory.make(recipe, "tags.m4v");
    ASSERT_TRUE(read(file));

    EXPECT_EQ(movie.fileUrl(), urlOf(file));
    EXPECT_EQ(movie.title(), "My Title");
    EXPECT_TRUE(movie.sortTitle().isNull());
    EXPECT_EQ(movie.artist(), "Jane Director,John Doe");
    EXPECT_EQ(movie.albumArtist(), "Actor One, Actor Two");
    EXPECT_EQ(movie.album(), "The Album");
    EXPECT_EQ(movie.comments(), "A comment");
    EXPECT_EQ(movie.genre(), "Drama");
    EXPECT_EQ(movie.releaseDate(), noonUtc(2010, 5, 7));
    EXPECT_EQ(movie.shortDescription(), "Short description");
    EXPECT_EQ(movie.longDescription(), "Long description of the movie");
    EXPECT_EQ(movie.copyright(), "(c) 2012");
    EXPECT_EQ(movie.composer(), "Writer One");
    EXPECT_EQ(movie.grouping(), "Grp");
    EXPECT_EQ(movie.keywords(), "kw");
    EXPECT_EQ(movie.hdVideo(), 2);
    EXPECT_EQ(movie.mediaType(), 9);  // a movie, whatever the file said
    EXPECT_EQ(movie.gapless(), 1);
    EXPECT_EQ(movie.compilation(), 0);
    // Without a cast list, the Artist tag gives the cast, split at the commas only.
    EXPECT_EQ(movie.artists(), (QStringList{"Jane Director", "John Doe"}));

    const QJsonObject probe = factory.ffprobe(file);
    EXPECT_EQ(movie.encodingTool(), probe["format"].toObject()["tags"].toObject()["encoder"].toString());
    EXPECT_FALSE(movie.encodingTool().isEmpty());
}

TEST_F(MetaDataReading, MediaTypeIsKeptWhenTheSettingSaysSo)
{
    MovieRecipe recipe;
    recipe.metadata = {{"media_type", "10"}};
    const QString file = factory.make(recipe, "stik.m4v");
    settings().setValue("DoNotOverWriteMediaType", true);
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.mediaType(), 10);
}

TEST_F(MetaDataReading, SizeAndDurationAgreeWithFfprobe)
{
    MovieRecipe recipe;
    recipe.width = 352;
    recipe.height = 288;
    recipe.seconds = 3.0;
    const QString file = factory.make(recipe, "size.mp4");
    ASSERT_TRUE(read(file));

    const QJsonObject probe = factory.ffprobe(file);
    const QJsonObject video = probe["streams"].toArray()[0].toObject();
    EXPECT_EQ(movie.width(), video["width"].toInt());
    EXPECT_EQ(movie.height(), video["height"].toInt());
    const double seconds = probe["format"].toObject()["duration"].toString().toDouble();
    ASSERT_TRUE(movie.msecDuration());
    EXPECT_NEAR(static_cast<double>(*movie.msecDuration()), seconds * 1000.0, 1.0);
    EXPECT_EQ(movie.duration(), "0:00:03");
    EXPECT_EQ(movie.hdVideo(), 0);  // narrow pictures stay SD
}

TEST_F(MetaDataReading, DurationTextKeepsEveryHourDigit)
{
    EXPECT_EQ(MetaDataUtilities::durationText(5025600), "1:23:46");
    EXPECT_EQ(MetaDataUtilities::durationText(0), "0:00:00");
    EXPECT_EQ(MetaDataUtilities::durationText(36000000), "10:00:00");
    EXPECT_EQ(MetaDataUtilities::durationText(360000000), "100:00:00");
}

TEST_F(MetaDataReading, AudioOnlyFileReadsWithoutPictureSize)
{
    MovieRecipe recipe;
    recipe.video = false;
    recipe.metadata = {{"title", "Only Sound"}};
    const QString file = factory.make(recipe, "audio.m4a");
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.title(), "Only Sound");
    EXPECT_EQ(movie.width(), 0);
    EXPECT_EQ(movie.height(), 0);
    EXPECT_EQ(movie.hdVideo(), 0);
    EXPECT_GT(movie.msecDuration().value_or(0), 1500);
}

TEST_F(MetaDataReading, FilesThatCannotBeReadLeaveTheRecordAlone)
{
    movie.setTitle("Kept");
    platform::LogCapture log;

    MovieRecipe subtitlesOnly;
    subtitlesOnly.video = subtitlesOnly.audio = false;
    subtitlesOnly.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,500 --> 00:00:01,000\nHi\n\n", "eng"};
    EXPECT_FALSE(read(factory.make(subtitlesOnly, "subtitles.mp4")));
    EXPECT_FALSE(read(factory.path("missing.m4v")));
    EXPECT_FALSE(read(factory.writeFile("noise.m4v", QByteArray(5000, '\x5A'))));
    EXPECT_FALSE(MetaDataUtilities::readMetaDataFromURL(QUrl(), movie, "en"));

    EXPECT_EQ(movie.title(), "Kept");
    EXPECT_TRUE(movie.fileUrl().isEmpty());
    EXPECT_EQ(log.lines(), (QStringList{"unable to find a video or audio track in file", "MP4Read failed",
                                        "MP4Read failed", "fileUrl empty"}));
}

TEST_F(MetaDataReading, EarlierContentOfTheRecordIsCleared)
{
    movie.setTitle("Old title");
    movie.setStudio("Old studio");
    ASSERT_TRUE(read(plainMovie()));
    EXPECT_TRUE(movie.title().isNull());
    EXPECT_TRUE(movie.studio().isNull());
    EXPECT_FALSE(movie.coverIsSet());
}

TEST_F(MetaDataReading, PathsWithAnyCharactersOpen)
{
    MovieRecipe recipe;
    recipe.metadata = {{"title", "Unicode"}};
    const QString file = factory.make(recipe, QString::fromUtf8("Fïlm 日本 \xF0\x9F\x8E\xAC #1?.m4v"));
    ASSERT_TRUE(QFile::exists(file));
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.title(), "Unicode");
}

TEST_F(MetaDataReading, MovieHeaderInFrontReadsTheSame)
{
    MovieRecipe recipe;
    recipe.faststart = true;
    recipe.metadata = {{"title", "Fast"}};
    ASSERT_TRUE(read(factory.make(recipe, "fast.mp4")));
    EXPECT_EQ(movie.title(), "Fast");
    EXPECT_EQ(movie.width(), 320);
}

TEST_F(MetaDataReading, FileAbove4GiBReads)
{
    MovieRecipe recipe;
    recipe.metadata = {{"title", "Large"}};
    const QString large = factory.makeSparseLarge(factory.make(recipe, "small.mp4"), "large.mp4");
    ASSERT_GT(QFile(large).size(), qint64(1) << 32);
    ASSERT_TRUE(read(large));
    EXPECT_EQ(movie.title(), "Large");
    EXPECT_EQ(movie.width(), 320);
}

TEST_F(MetaDataReading, ChaptersWithEmptyTitlesGetNumberedNames)
{
    settings().setValue("DefaultChapterSetting", 2);
    MovieRecipe recipe;
    recipe.chapters = {{"", 0, 800}, {"Middle – ünïcødé", 800, 1500}, {"", 1500, 2000}};
    ASSERT_TRUE(read(factory.make(recipe, "chapters.m4v")));

    ASSERT_TRUE(movie.listOfOldChapters());
    const ChapterList& chapters = *movie.listOfOldChapters();
    ASSERT_EQ(chapters.size(), 3);
    EXPECT_EQ(chapters[0]->name(), "Chapter 1");
    EXPECT_EQ(chapters[1]->name(), "Middle – ünïcødé");
    EXPECT_EQ(chapters[2]->name(), "Chapter 3");
    EXPECT_EQ(chapters[0]->index(), 1);
    EXPECT_EQ(chapters[2]->index(), 3);
    EXPECT_EQ(chapters[0]->length(), 800u);
    EXPECT_EQ(chapters[1]->length(), 700u);
    EXPECT_EQ(movie.numberOfChapters(), 3);
    EXPECT_EQ(movie.chapterSettings(), 0);  // the file's own chapters win over the default
    ASSERT_TRUE(movie.listOfChapters());
    EXPECT_EQ(movie.listOfChapters()->size(), 3);
}

TEST_F(MetaDataReading, FileWithoutChaptersTakesTheDefaultChapterSetting)
{
    settings().setValue("DefaultChapterSetting", 1);
    ASSERT_TRUE(read(plainMovie()));
    EXPECT_EQ(movie.chapterSettings(), 1);
    ASSERT_TRUE(movie.listOfOldChapters());
    EXPECT_TRUE(movie.listOfOldChapters()->isEmpty());
}

TEST_F(MetaDataReading, SubtitleTrackCountsOnlyInTheSearchLanguage)
{
    MovieRecipe recipe;
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,500 --> 00:00:01,000\nHallo\n\n", "deu"};
    const QString file = factory.make(recipe, "subs.mp4");
    ASSERT_TRUE(read(file, "de"));
    EXPECT_TRUE(movie.hasOrigSubtitle());
    ASSERT_TRUE(read(file, "en"));
    EXPECT_FALSE(movie.hasOrigSubtitle());
}

TEST_F(MetaDataReading, FirstArtworkIsTheCoverAndTheOthersAreOlderCovers)
{
    MovieRecipe recipe;
    recipe.coverImages = {factory.makeImage("cover.jpg", 320, 240), factory.makeImage("second.png", 200, 100)};
    ASSERT_TRUE(read(factory.make(recipe, "covers.mp4")));
    ASSERT_TRUE(movie.coverIsSet());
    EXPECT_EQ(movie.cover()->size(), QSize(320, 240));
    ASSERT_TRUE(movie.listOfOldCovers());
    ASSERT_EQ(movie.listOfOldCovers()->size(), 1);
    EXPECT_EQ(movie.listOfOldCovers()->front()->size(), QSize(200, 100));
}

TEST_F(MetaDataReading, TinyArtworksAreNotCovers)
{
    const QString file = plainMovie("tiny.mp4");
    ASSERT_TRUE(
        factory.atomicParsleyTag(file, {"--artwork", tinyPicture("p99.jpg", 99), "--artwork",
                                        tinyPicture("p100.jpg", 100), "--artwork", tinyPicture("p101.jpg", 101)}));
    ASSERT_TRUE(factory.atomicParsleyTags(file).contains("3 pieces of artwork"));
    ASSERT_TRUE(read(file));
    EXPECT_FALSE(movie.coverIsSet());  // 99 bytes: too small
    ASSERT_TRUE(movie.listOfOldCovers());
    EXPECT_EQ(movie.listOfOldCovers()->size(), 1);  // 100 bytes dropped, 101 kept

    const QString one = plainMovie("one.mp4");
    ASSERT_TRUE(factory.atomicParsleyTag(one, {"--artwork", tinyPicture("q100.jpg", 100)}));
    ASSERT_TRUE(read(one));
    EXPECT_TRUE(movie.coverIsSet());  // a first picture of exactly 100 bytes counts
    EXPECT_FALSE(movie.listOfOldCovers());
}

TEST_F(MetaDataReading, ItemsWrittenByAtomicParsley)
{
    const QString file = plainMovie("ap.m4v");
    const QString castList =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
        "<key>cast</key><array><dict><key>name</key><string>Actor One</string></dict>"
        "<dict><key>name</key><string>Actor Two</string></dict></array>"
        "<key>directors</key><array><dict><key>name</key><string>Doe, Jane</string></dict>"
        "<dict><key>name</key><string>Max</string></dict></array>"
        "<key>producers</key><array/>"
        "<key>studio</key><string>Studio Ü</string></dict></plist>";
    ASSERT_TRUE(factory.atomicParsleyTag(file, {"--title",        "AP Title",
                                                "--artist",       "Someone, Else",
                                                "--stik",         "Movie",
                                                "--hdvideo",      "true",
                                                "--advisory",     "explicit",
                                                "--cnID",         "123456",
                                                "--geID",         "4401",
                                                "--apID",         "someone@example.org",
                                                "--xID",          "vendor:id:1",
                                                "--encodedBy",    "Encoder",
                                                "--encodingTool", "Tool 1.0",
                                                "--category",     "Cat",
                                                "--keyword",      "Key",
                                                "--podcastFlag",  "true",
                                                "--gapless",      "true",
                                                "--purchaseDate", "2011-03-04T05:06:07Z",
                                                "--sortOrder",    "name",
                                                "Title, AP",      "--sortOrder",
                                                "composer",       "Comp, Sort",
                                                "--rDNSatom",     castList,
                                                "name=iTunMOVI",  "domain=com.apple.iTunes",
                                                "--rDNSatom",     "de-movie|FSK 12|200|",
                                                "name=iTunEXTC",  "domain=com.apple.iTunes"}));
    ASSERT_TRUE(read(file));

    EXPECT_EQ(movie.title(), "AP Title");
    EXPECT_EQ(movie.sortTitle(), "Title, AP");
    EXPECT_EQ(movie.sortComposer(), "Comp, Sort");
    EXPECT_EQ(movie.hdVideo(), 1);
    EXPECT_EQ(movie.explicitFlag(), 4);  // the value that marks explicit content
    EXPECT_EQ(movie.cnID(), 123456);
    EXPECT_EQ(movie.contentId(), 123456);
    EXPECT_EQ(movie.genreId(), 4401);
    EXPECT_EQ(movie.iTunesAccount(), "someone@example.org");
    EXPECT_EQ(movie.xID(), "vendor:id:1");
    EXPECT_EQ(movie.encodedBy(), "Encoder");
    EXPECT_EQ(movie.encodingTool(), "Tool 1.0");
    EXPECT_EQ(movie.category(), "Cat");
    EXPECT_EQ(movie.keywords(), "Key");
    EXPECT_EQ(movie.podcast(), 1);
    EXPECT_EQ(movie.gapless(), 1);
    EXPECT_EQ(movie.purchaseDate(), noonUtc(2011, 3, 4));
    EXPECT_EQ(movie.rating(), "de-movie|FSK 12|200|");
    // The cast list decides; the Artist tag is not used once it names directors.
    EXPECT_EQ(movie.artists(), (QStringList{"Actor One", "Actor Two"}));
    // A name holding a comma is split in two, and each part is trimmed.
    EXPECT_EQ(movie.directors(), (QStringList{"Doe", "Jane", "Max"}));
    EXPECT_FALSE(movie.producers());
    EXPECT_FALSE(movie.screenWriters());
    EXPECT_EQ(movie.studio(), "Studio Ü");
}

TEST_F(MetaDataReading, CastListWithoutDirectorsLeavesTheArtistTagInCharge)
{
    const QString file = plainMovie("nodirectors.m4v");
    ASSERT_TRUE(factory.atomicParsleyTag(
        file, {"--artist", "Ann,Bob", "--rDNSatom",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>cast</key>"
               "<string>Zed</string><key>studio</key><string>NA</string></dict></plist>",
               "name=iTunMOVI", "domain=com.apple.iTunes"}));
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.artists(), (QStringList{"Ann", "Bob"}));
    EXPECT_TRUE(movie.studio().isNull());
}

TEST_F(MetaDataReading, BrokenCastListIsIgnored)
{
    const QString file = plainMovie("broken.m4v");
    ASSERT_TRUE(factory.atomicParsleyTag(
        file, {"--rDNSatom", "<plist><dict><key>cast</key><arr", "name=iTunMOVI", "domain=com.apple.iTunes"}));
    ASSERT_TRUE(read(file));
    EXPECT_FALSE(movie.artists());
    EXPECT_FALSE(movie.directors());
}

TEST_F(MetaDataReading, TextsOfNAMeanNothing)
{
    const QString file = plainMovie("na.m4v");
    ASSERT_TRUE(
        factory.atomicParsleyTag(file, {"--title", "NA", "--genre", "NA", "--comment", "na", "--artist", "NA"}));
    ASSERT_TRUE(read(file));
    EXPECT_TRUE(movie.title().isNull());
    EXPECT_TRUE(movie.genre().isNull());
    EXPECT_EQ(movie.comments(), "na");  // only the exact text counts
    EXPECT_TRUE(movie.artist().isNull());
    EXPECT_EQ(movie.artists(), QStringList{"NA"});  // the cast from the Artist tag takes it as it is
}

TEST_F(MetaDataReading, SortTitleEqualToTheTitleIsNotKept)
{
    const QString file = plainMovie("sort.m4v");
    ASSERT_TRUE(factory.atomicParsleyTag(file, {"--title", "Same", "--sortOrder", "name", "Same"}));
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.title(), "Same");
    EXPECT_TRUE(movie.sortTitle().isNull());
}

TEST_F(MetaDataReading, IntegerTagsKeepTheirFullWidth)
{
    const QString file = plainMovie("wide.m4v");
    mp4::Tags tags;
    tags.contentID = 123456;
    tags.playlistID = 5000000000ull;
    tags.genreType = 300;
    tags.iTunesCountry = 143443;
    tags.artistID = 4000000000u;
    tags.composerID = 77;
    tags.iTunesAccountType = 1;
    tags.podcast = 0;
    ASSERT_NO_FATAL_FAILURE(storeTags(file, tags));
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.contentId(), 123456);
    EXPECT_EQ(movie.playlistId(), 5000000000ll);
    EXPECT_EQ(movie.genreType(), 300);
    EXPECT_EQ(movie.iTunesCountry(), 143443);
    EXPECT_EQ(movie.artistId(), 4000000000ll);
    EXPECT_EQ(movie.composerId(), 77);
    EXPECT_EQ(movie.iTunesAccountType(), 1);
    EXPECT_EQ(movie.podcast(), 0);
    EXPECT_EQ(movie.cnID(), 123456);  // the content id is the catalogue id item
}

class PictureFormatFromWidth : public MetaDataReading, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(PictureFormatFromWidth, WideningPicturesRaiseTheFormat)
{
    MovieRecipe recipe;
    recipe.width = GetParam().first;
    recipe.height = 64;
    recipe.seconds = 0.2;
    recipe.audio = false;
    ASSERT_TRUE(read(factory.make(recipe, "wide.mp4")));
    EXPECT_EQ(movie.hdVideo(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Widths, PictureFormatFromWidth,
                         ::testing::Values(std::pair{1000, 0}, std::pair{1002, 1}, std::pair{1280, 1},
                                           std::pair{1400, 1}, std::pair{1402, 2}, std::pair{1920, 2},
                                           std::pair{2202, 3}, std::pair{3840, 3}));

TEST_F(MetaDataReading, PictureFormatTagWinsOverTheWidth)
{
    MovieRecipe recipe;
    recipe.width = 1920;
    recipe.height = 64;
    recipe.seconds = 0.2;
    recipe.metadata = {{"hd_video", "0"}};
    ASSERT_TRUE(read(factory.make(recipe, "sd.mp4")));
    EXPECT_EQ(movie.hdVideo(), 0);
}

TEST_F(MetaDataReading, SortNameStandsAloneAndDamagedTextsReadAsAbsent)
{
    const QString file = plainMovie("sortonly.m4v");
    mp4::Tags tags;
    tags.sortName = "Sorted, The";
    tags.genre = "Dr\xE4ma";       // Latin-1, not UTF-8
    tags.artist = "Ann,B\xF6rje";  // no cast from it either
    tags.comments = "";
    ASSERT_NO_FATAL_FAILURE(storeTags(file, tags));
    ASSERT_TRUE(read(file));
    EXPECT_TRUE(movie.title().isNull());
    EXPECT_EQ(movie.sortTitle(), "Sorted, The");  // kept although there is no title to differ from
    EXPECT_TRUE(movie.genre().isNull());
    EXPECT_TRUE(movie.artist().isNull());
    EXPECT_FALSE(movie.artists());
    EXPECT_EQ(movie.comments(), "");  // an empty tag is still a tag
    EXPECT_FALSE(movie.comments().isNull());
    EXPECT_TRUE(movie.rating().isNull());  // no rating item

    tags = mp4::Tags{};
    tags.name = "Title";
    tags.sortName = "";
    ASSERT_NO_FATAL_FAILURE(storeTags(file, tags));
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.title(), "Title");
    EXPECT_TRUE(movie.sortTitle().isNull());  // an empty sort name is none
}

TEST_F(MetaDataReading, TextTagsEndAtTheirFirstNul)
{
    const QString file = plainMovie("nultags.m4v");
    mp4::Tags tags;
    tags.name = std::string("Title\0", 6);
    tags.sortName = std::string("Title\0other", 11);  // the same name once the NUL ends it
    tags.comments = std::string("NA\0", 3);
    tags.artist = std::string("Ann,Bob\0", 8);
    ASSERT_NO_FATAL_FAILURE(storeTags(file, tags));
    ASSERT_TRUE(read(file));
    EXPECT_EQ(movie.title(), "Title");
    EXPECT_TRUE(movie.sortTitle().isNull());
    EXPECT_TRUE(movie.comments().isNull());
    EXPECT_EQ(movie.artist(), "Ann,Bob");
    EXPECT_EQ(movie.artists(), (QStringList{"Ann", "Bob"}));
}

TEST_F(MetaDataReading, ChapterTitlesEndAtTheirFirstNul)
{
    const QString file = plainMovie("nul.m4v");
    {
        mp4::MovieFile modified = moviefiletest::open(file, true);
        ASSERT_TRUE(modified.setChapters({{1000, std::string("Part\0hidden", 11)}, {1000, std::string("\0x", 2)}}));
        ASSERT_TRUE(modified.close());
    }
    ASSERT_TRUE(read(file));
    ASSERT_TRUE(movie.listOfChapters());
    ASSERT_EQ(movie.listOfChapters()->size(), 2);
    EXPECT_EQ(movie.listOfChapters()->at(0)->name(), "Part");
    EXPECT_EQ(movie.listOfChapters()->at(1)->name(), "Chapter 2");
}
