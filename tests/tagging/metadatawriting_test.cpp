#include "model/moviemodel.h"
#include "moviefiletestsupport.h"
#include "mp4/moviefile.h"
#include "platform/log.h"
#include "platform/propertylist.h"
#include "platform/settings.h"
#include "support/moviefactory.h"
#include "tagging/metadatautilities.h"

#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

using moviefiletest::bytesOf;
using moviefiletest::contentsOf;
using moviefiletest::urlOf;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

platform::PicturePtr picture(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return platform::Picture::fromImage(image);
}

ChapterList chapters(const QList<QPair<QString, quint64>>& entries)
{
    ChapterList list;
    for (const auto& [name, length] : entries) {
        auto chapter = std::make_shared<ChapterModel>();
        chapter->setIndex(list.size() + 1);
        chapter->setName(name);
        chapter->setLength(length);
        list.append(chapter);
    }
    return list;
}

mp4::MovieFile openForRead(const QString& path)
{
    return moviefiletest::open(path);
}

class MetaDataWriting : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        settings().setValue("SortMovieNamesWithoutArticle", true);
    }
    void TearDown() override { resetSettings(); }

    static void resetSettings()
    {
        for (const char* key :
             {"ReplaceExistingCoverPictures", "FiledsNotToBeOverwritten", "OverwriteExistingSubtitles",
              "SortMovieNamesWithoutArticle", "DoNotOverWriteMediaType", "DefaultChapterSetting"})
            settings().remove(key);
    }
    static platform::Settings& settings() { return platform::Settings::shared(); }

    QString plainMovie(const QString& name)
    {
        if (m_plain.isEmpty())
            m_plain = factory.make(MovieRecipe{}, "plain-source.m4v");
        return factory.copy(m_plain, name);
    }

    // A record pointing at `file` with the settings a loaded record has.
    // The record of another file now, which it has not read.
    void pointAt(const QString& file)
    {
        movie.setFileUrl(urlOf(file));
        movie.setFileAsRead(std::nullopt);
        movie.setChapterSettings(0);
    }

    bool write(const QString& language = "en", const QUrl& destination = QUrl())
    {
        return MetaDataUtilities::writeMetaDataToURL(movie, destination, language).has_value();
    }

    std::unique_ptr<MovieModel> readBack(const QString& file, const QString& language = "en")
    {
        auto model = std::make_unique<MovieModel>();
        EXPECT_TRUE(MetaDataUtilities::readMetaDataFromURL(urlOf(file), *model, language));
        return model;
    }

    void fillEveryTag()
    {
        movie.setTitle("The Grand Test");
        movie.setSortTitle("Grand Test, The");
        movie.setArtist("Artist Ö");
        movie.setArtists(QStringList{"Actor One", "Actor Two"});
        movie.setAlbumArtist("Album Artist");
        movie.setDirectors(QStringList{"Director One"});
        movie.setCodirectors(QStringList{"Codirector"});
        movie.setProducers(QStringList{"Producer A", "Producer B"});
        movie.setScreenWriters(QStringList{"Writer"});
        movie.setStudio("Studio Ü");
        movie.setXID("vendor:isrc:1");
        movie.setComments("Comments 日本");
        movie.setGenre("Drama");
        movie.setReleaseDate(QDateTime(QDate(2010, 5, 7), QTime(12, 0), QTimeZone::utc()));
        movie.setHdVideo(2);
        movie.setExplicitFlag(2);
        movie.setShortDescription("Short");
        movie.setLongDescription("A long description");
        movie.setMediaType(9);
        movie.setGapless(1);
        movie.setCompilation(0);
        movie.setPodcast(1);
        movie.setCopyright("(c) 2010");
        movie.setEncodingTool("Tool");
        movie.setEncodedBy("Encoder");
        movie.setITunesAccountType(1);
        movie.setITunesAccount("me@example.org");
        movie.setITunesCountry(143443);
        movie.setGenreType(300);
        movie.setContentId(555);
        movie.setComposerId(66);
        movie.setGenreId(4401);
        movie.setArtistId(4000000000ll);
        movie.setPlaylistId(5000000000ll);
        movie.setAlbum("Album");
        movie.setComposer("Composer");
        movie.setSortComposer("Composer, Sort");
        movie.setPurchaseDate(QDateTime(QDate(2011, 3, 4), QTime(12, 0), QTimeZone::utc()));
        movie.setGrouping("Group");
        movie.setKeywords("keys");
        movie.setCategory("Category");
        movie.setCnID(123456);
        movie.setRating("de-movie|FSK 12|200|");
    }

    MovieFactory factory;
    MovieModel movie;
    QString m_plain;
};

}  // namespace

TEST_F(MetaDataWriting, EveryTagReadsBackThroughOurReader)
{
    const QString file = plainMovie("all.m4v");
    pointAt(file);
    fillEveryTag();
    ASSERT_TRUE(write());

    const auto back = readBack(file);
    for (const char* key : {"title",
                            "sortTitle",
                            "artist",
                            "albumArtist",
                            "xID",
                            "comments",
                            "genre",
                            "releaseDate",
                            "hdVideo",
                            "explicitFlag",
                            "shortDescription",
                            "longDescription",
                            "mediaType",
                            "gapless",
                            "compilation",
                            "podcast",
                            "copyright",
                            "encodingTool",
                            "encodedBy",
                            "iTunesAccountType",
                            "iTunesAccount",
                            "iTunesCountry",
                            "genreType",
                            "composerId",
                            "genreId",
                            "artistId",
                            "playlistId",
                            "album",
                            "composer",
                            "sortComposer",
                            "purchaseDate",
                            "grouping",
                            "keywords",
                            "category",
                            "cnID",
                            "rating",
                            "artists",
                            "directors",
                            "codirectors",
                            "producers",
                            "screenWriters",
                            "studio"})
        EXPECT_EQ(back->valueForKey(key), movie.valueForKey(key)) << key;
    EXPECT_EQ(back->contentId(), 123456);  // the catalogue id item replaces the content id
}

TEST_F(MetaDataWriting, IndependentReadersSeeTheTags)
{
    const QString file = plainMovie("independent.m4v");
    pointAt(file);
    fillEveryTag();
    movie.setGenreType(std::nullopt);  // ffprobe would name the genre by this number instead
    ASSERT_TRUE(write());

    const QJsonObject tags = factory.ffprobe(file)["format"].toObject()["tags"].toObject();
    EXPECT_EQ(tags["title"].toString(), "The Grand Test");
    EXPECT_EQ(tags["artist"].toString(), "Artist Ö");
    EXPECT_EQ(tags["album_artist"].toString(), "Album Artist");
    EXPECT_EQ(tags["comment"].toString(), "Comments 日本");
    EXPECT_EQ(tags["genre"].toString(), "Drama");
    EXPECT_EQ(tags["date"].toString(), "2010-5-7T12:00:00Z");
    EXPECT_EQ(tags["description"].toString(), "Short");
    EXPECT_EQ(tags["synopsis"].toString(), "A long description");
    EXPECT_EQ(tags["copyright"].toString(), "(c) 2010");
    EXPECT_EQ(tags["album"].toString(), "Album");
    EXPECT_EQ(tags["composer"].toString(), "Composer");
    EXPECT_EQ(tags["hd_video"].toString(), "2");
    EXPECT_EQ(tags["media_type"].toString(), "9");
    EXPECT_EQ(tags["gapless_playback"].toString(), "1");
    EXPECT_EQ(tags["compilation"].toString(), "0");
    EXPECT_EQ(tags["sort_name"].toString(), "Grand Test, The");
    EXPECT_EQ(tags["iTunEXTC"].toString(), "de-movie|FSK 12|200|");

    const QString listed = factory.atomicParsleyTags(file);
    for (const char* line : {"Atom \"sonm\" contains: Grand Test, The",
                             "Atom \"soar\" contains: Artist Ö",
                             "Atom \"soaa\" contains: Album Artist",
                             "Atom \"soal\" contains: Album",
                             "Atom \"soco\" contains: Composer, Sort",
                             "Atom \"©grp\" contains: Group",
                             "Atom \"keyw\" contains: keys",
                             "Atom \"catg\" contains: Category",
                             "Atom \"©enc\" contains: Encoder",
                             "Atom \"©too\" contains: Tool",
                             "Atom \"apID\" contains: me@example.org",
                             "Atom \"xid \" contains: vendor:isrc:1",
                             "Atom \"cnID\" contains: 123456",
                             "Atom \"geID\" contains: 4401",
                             "Atom \"pcst\" contains: true",
                             "Atom \"rtng\" contains: Clean Content",
                             "Atom \"stik\" contains: Movie",
                             "Atom \"hdvd\" contains: 2",
                             "Atom \"purd\" contains: 2011-3-4T12:00:00Z",
                             "[com.apple.iTunes;iTunEXTC] contains: de-movie|FSK 12|200|",
                             "[com.apple.iTunes;iTunMOVI] contains:"})
        EXPECT_TRUE(listed.contains(QString::fromUtf8(line))) << line << "\n" << listed.toStdString();
}

TEST_F(MetaDataWriting, CastListIsAnXmlPropertyListWithAllSixKeys)
{
    const QString file = plainMovie("cast.m4v");
    pointAt(file);
    movie.setArtists(QStringList{"Ann", "", "Bob"});
    movie.setDirectors(QStringList{"Dee"});
    ASSERT_TRUE(write());

    mp4::MovieFile reader = openForRead(file);
    const std::vector<mp4::Item> items = reader.itemsByMeaning("com.apple.iTunes", "iTunMOVI");
    ASSERT_EQ(items.size(), 1u);
    ASSERT_EQ(items[0].data.size(), 1u);
    EXPECT_EQ(items[0].data[0].typeCode, 1u);
    const QByteArray xml = bytesOf(items[0].data[0].value);
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    const auto plist = platform::parsePropertyList(xml);
    ASSERT_TRUE(plist);
    const QVariantMap map = plist->toMap();
    EXPECT_EQ(map.keys(), (QStringList{"cast", "codirectors", "directors", "producers", "screenwriters", "studio"}));
    EXPECT_EQ(map["cast"].toList().size(), 2);  // the empty name is left out
    EXPECT_EQ(map["cast"].toList()[1].toMap()["name"].toString(), "Bob");
    EXPECT_TRUE(map["producers"].toList().isEmpty());
    EXPECT_EQ(map["studio"].toString(), "");
}

TEST(CastListNames, BothWays)
{
    using MetaDataUtilities::nameDictionariesFromNames;
    using MetaDataUtilities::namesStringFromITunMOVIEntry;
    const QVariantList dictionaries = nameDictionariesFromNames(QStringList{"Ann", "", "Bob"});
    ASSERT_EQ(dictionaries.size(), 2);
    EXPECT_EQ(dictionaries[0].toMap(), (QVariantMap{{"name", "Ann"}}));
    EXPECT_EQ(dictionaries[1].toMap(), (QVariantMap{{"name", "Bob"}}));
    EXPECT_TRUE(nameDictionariesFromNames(std::nullopt).isEmpty());

    QVariantMap plist{{"cast", dictionaries},
                      {"directors", QString("Ridley Scott")},
                      {"producers", QVariantList{QVariantMap{{"name", "A"}}, QVariantMap{{"role", "x"}}, 5,
                                                 QVariantMap{{"name", "B"}}}},
                      {"screenwriters", 42},
                      {"codirectors", QVariantList{}}};
    EXPECT_EQ(namesStringFromITunMOVIEntry(plist, "cast"), "Ann,Bob");
    EXPECT_EQ(namesStringFromITunMOVIEntry(plist, "directors"), "Ridley Scott");
    EXPECT_EQ(namesStringFromITunMOVIEntry(plist, "producers"), "A,B");
    // No names at all, whatever the reason, is the empty text and never a null one.
    for (const char* key : {"screenwriters", "codirectors", "missing"}) {
        const QString none = namesStringFromITunMOVIEntry(plist, key);
        EXPECT_TRUE(none.isEmpty()) << key;
        EXPECT_FALSE(none.isNull()) << key;
    }
}

// Control characters reach names through web replies and EyeTV guides; XML
// cannot carry them, and a list that does not read back loses the whole crew.
TEST_F(MetaDataWriting, CastNamesWithCharactersXmlCannotCarryReadBack)
{
    const QString file = plainMovie("control.m4v");
    pointAt(file);
    movie.setArtists(
        QStringList{QString::fromUtf16(u"Ann\u0001e"), QString::fromUtf16(u"Bob\uFFFE\uFFFF"), "Tab\tKept"});
    movie.setDirectors(QStringList{QString::fromUtf16(u"Dee\u001F")});
    movie.setStudio(QString::fromUtf16(u"Studio\u0008\u000B\u000C"));
    ASSERT_TRUE(write());

    mp4::MovieFile reader = openForRead(file);
    const std::vector<mp4::Item> items = reader.itemsByMeaning("com.apple.iTunes", "iTunMOVI");
    ASSERT_EQ(items.size(), 1u);
    QXmlStreamReader xml(bytesOf(items[0].data[0].value));
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();

    const auto back = readBack(file);
    EXPECT_EQ(back->artists(), (QStringList{"Anne", "Bob", "Tab\tKept"}));
    EXPECT_EQ(back->directors(), QStringList{"Dee"});
    EXPECT_EQ(back->studio(), "Studio");
}

// The file library refuses chapters on a file without picture or sound: the
// save must say so rather than pass for one that wrote everything.
TEST_F(MetaDataWriting, ARefusedEditFailsTheSaveAndLeavesTheFileAlone)
{
    MovieRecipe recipe;
    recipe.video = false;
    recipe.audio = false;
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,500 --> 00:00:01,000\nHi\n\n", "eng"};
    const QString file = factory.make(recipe, "captions-only.mp4");
    const QByteArray before = contentsOf(file);
    ASSERT_FALSE(before.isEmpty());
    pointAt(file);
    movie.setTitle("Not Saved");
    movie.setListOfChapters(chapters({{"One", 500}, {"Two", 500}}));
    movie.setChapterSettings(1);
    movie.setListOfChapters(chapters({{"One", 500}, {"Two", 500}}));  // the setting rebuilt the list

    platform::LogCapture log;
    EXPECT_FALSE(write());
    EXPECT_EQ(contentsOf(file), before);
    EXPECT_TRUE(log.contains("MP4 edit refused on " + file +
                             ": writing the chapters: no video or audio track to hang chapters on"))
        << log.lines().join('\n').toStdString();
}

TEST_F(MetaDataWriting, ItemsTheRecordDoesNotModelAreRemoved)
{
    const QString file = plainMovie("foreign.m4v");
    ASSERT_TRUE(factory.atomicParsleyTag(file, {"--lyrics", "la la", "--tracknum", "3/9", "--TVShowName", "Show",
                                                "--rDNSatom", "value", "name=Foreign", "domain=org.example"}));
    pointAt(file);
    movie.setTitle("Only This");
    ASSERT_TRUE(write());

    const QString listed = factory.atomicParsleyTags(file);
    EXPECT_TRUE(listed.contains("Atom \"©nam\" contains: Only This"));
    for (const char* gone : {"©lyr", "trkn", "tvsh", "org.example"})
        EXPECT_FALSE(listed.contains(QString::fromUtf8(gone))) << gone;
}

TEST_F(MetaDataWriting, NameAndSortName)
{
    const QString file = plainMovie("names.m4v");
    pointAt(file);
    movie.setTitle("The Matrix");
    movie.setSortTitle("");
    ASSERT_TRUE(write());
    mp4::Tags tags = openForRead(file).tags();
    EXPECT_EQ(tags.name, "The Matrix");
    EXPECT_EQ(tags.sortName, "Matrix");

    movie.setTitle(QString());
    ASSERT_TRUE(write());
    tags = openForRead(file).tags();
    EXPECT_FALSE(tags.name);
    EXPECT_FALSE(tags.sortName);
}

TEST_F(MetaDataWriting, ArtistAndAlbumArtistRules)
{
    const QString file = plainMovie("artists.m4v");
    pointAt(file);
    movie.setDirectors(QStringList{"Jane", "John"});
    movie.setAlbumArtist("Not written");
    ASSERT_TRUE(write());
    mp4::Tags tags = openForRead(file).tags();
    EXPECT_EQ(tags.artist, "Jane, John");
    EXPECT_EQ(tags.sortArtist, "Jane, John");
    EXPECT_FALSE(tags.albumArtist);  // no cast, no album artist

    movie.setArtist("Set Artist");
    movie.setArtists(QStringList{"Actor A", "Actor B"});
    movie.setAlbumArtist(QString());
    ASSERT_TRUE(write());
    tags = openForRead(file).tags();
    EXPECT_EQ(tags.artist, "Set Artist");
    EXPECT_EQ(tags.albumArtist, "Actor A, Actor B");
    EXPECT_EQ(tags.sortAlbumArtist, "Actor A, Actor B");
}

TEST_F(MetaDataWriting, DescriptionAndFlagLimits)
{
    const QString file = plainMovie("limits.m4v");
    pointAt(file);
    movie.setShortDescription(QString(300, QLatin1Char('d')));
    movie.setMediaType(std::nullopt);
    movie.setGapless(5);
    movie.setPodcast(0);
    movie.setCompilation(std::nullopt);
    movie.setCnID(0);
    movie.setRating(QString::fromUtf8("de-movie|Frei ab 6 Jährige|100|"));
    ASSERT_TRUE(write());

    mp4::MovieFile reader = openForRead(file);
    const mp4::Tags tags = reader.tags();
    EXPECT_EQ(tags.description, std::string(255, 'd'));
    EXPECT_EQ(tags.mediaType, 9);
    EXPECT_EQ(tags.gapless, 1);
    EXPECT_EQ(tags.podcast, 0);
    EXPECT_EQ(tags.compilation, 0);
    const auto cnID = reader.itemsByCode("cnID");
    ASSERT_EQ(cnID.size(), 1u);
    EXPECT_EQ(cnID[0].data[0].typeCode, 21u);
    EXPECT_EQ(bytesOf(cnID[0].data[0].value), QByteArray(4, '\0'));
    const auto rating = reader.itemsByMeaning("com.apple.iTunes", "iTunEXTC");
    ASSERT_EQ(rating.size(), 1u);
    EXPECT_EQ(bytesOf(rating[0].data[0].value), QString::fromUtf8("de-movie|Frei ab 6 Jährige|100|").toUtf8());
}

TEST_F(MetaDataWriting, CatalogueIdIsStoredBigEndian)
{
    const QString file = plainMovie("cnid.m4v");
    pointAt(file);
    movie.setCnID(123456);
    ASSERT_TRUE(write());
    const auto cnID = openForRead(file).itemsByCode("cnID");
    ASSERT_EQ(cnID.size(), 1u);
    EXPECT_EQ(bytesOf(cnID[0].data[0].value), QByteArray::fromHex("0001E240"));

    movie.setCnID(std::nullopt);  // without a catalogue id the content id stays
    movie.setContentId(777);
    ASSERT_TRUE(write());
    const auto contentId = openForRead(file).itemsByCode("cnID");
    ASSERT_EQ(contentId.size(), 1u);
    EXPECT_EQ(bytesOf(contentId[0].data[0].value), QByteArray::fromHex("00000309"));
}

TEST_F(MetaDataWriting, NewCoverComesFirstAndOlderOnesFollowUnlessReplaced)
{
    MovieRecipe recipe;
    recipe.coverImages = {factory.makeImage("c1.jpg", 320, 240), factory.makeImage("c2.png", 200, 100),
                          factory.makeImage("c3.png", 100, 200)};
    const QString source = factory.make(recipe, "covers-source.mp4");

    const QString kept = factory.copy(source, "kept.mp4");
    ASSERT_TRUE(MetaDataUtilities::readMetaDataFromURL(urlOf(kept), movie, "en"));
    ASSERT_EQ(movie.listOfOldCovers()->size(), 2);
    movie.setCover(picture(64, 48, Qt::red));
    ASSERT_TRUE(write());
    std::vector<mp4::Artwork> artwork = openForRead(kept).tags().artwork;
    ASSERT_EQ(artwork.size(), 3u);
    EXPECT_EQ(artwork[0].type, mp4::ArtworkType::Jpeg);
    QImage first = QImage::fromData(bytesOf(artwork[0].data), "JPEG");
    EXPECT_EQ(first.size(), QSize(64, 48));
    EXPECT_EQ(QImage::fromData(bytesOf(artwork[1].data)).size(), QSize(200, 100));
    EXPECT_EQ(QImage::fromData(bytesOf(artwork[2].data)).size(), QSize(100, 200));
    EXPECT_TRUE(factory.atomicParsleyTags(kept).contains("3 pieces of artwork"));

    settings().setValue("ReplaceExistingCoverPictures", true);
    ASSERT_TRUE(write());
    artwork = openForRead(kept).tags().artwork;
    ASSERT_EQ(artwork.size(), 1u);

    settings().setValue("ReplaceExistingCoverPictures", false);
    movie.clearCover();
    ASSERT_TRUE(write());
    artwork = openForRead(kept).tags().artwork;
    ASSERT_EQ(artwork.size(), 2u);  // only the older ones
    EXPECT_EQ(QImage::fromData(bytesOf(artwork[0].data)).size(), QSize(200, 100));

    settings().setValue("ReplaceExistingCoverPictures", true);
    ASSERT_TRUE(write());
    EXPECT_TRUE(openForRead(kept).tags().artwork.empty());
}

TEST_F(MetaDataWriting, ChaptersAreReplacedAndListedByFfprobe)
{
    MovieRecipe recipe;
    recipe.chapters = {{"Old 1", 0, 1000}, {"Old 2", 1000, 2000}};
    const QString file = factory.make(recipe, "chapters.m4v");
    pointAt(file);
    movie.setChapterSettings(1);
    movie.setListOfChapters(chapters({{"Opening", 700}, {"Middle – ü", 600}, {"End", 700}}));
    ASSERT_TRUE(write("de"));

    const QJsonArray listed = factory.ffprobe(file)["chapters"].toArray();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[0].toObject()["tags"].toObject()["title"].toString(), "Opening");
    EXPECT_EQ(listed[1].toObject()["tags"].toObject()["title"].toString(), "Middle – ü");
    EXPECT_DOUBLE_EQ(listed[1].toObject()["start_time"].toString().toDouble(), 0.7);
    EXPECT_DOUBLE_EQ(listed[2].toObject()["start_time"].toString().toDouble(), 1.3);

    mp4::MovieFile reader = openForRead(file);
    EXPECT_FALSE(reader.chapters(mp4::ChapterType::Nero).value_or(std::vector<mp4::Chapter>{{1, "x"}}).size() > 0);
    bool sawChapterTrack = false;
    for (const mp4::TrackInfo& track : reader.tracks()) {
        if (track.type == mp4::FourCC("text")) {
            EXPECT_EQ(track.language, "deu");  // a new chapter track takes the search language
            sawChapterTrack = true;
        }
    }
    EXPECT_TRUE(sawChapterTrack);
}

TEST_F(MetaDataWriting, ChaptersOfALongerCutEndWithTheMedia)
{
    const QString file = plainMovie("longer-cut.m4v");  // 2 s
    pointAt(file);
    movie.setChapterSettings(3);
    movie.setListOfChapters(chapters({{"Opening", 1500}, {"Middle", 1500}, {"After the end", 1500}}));
    ASSERT_TRUE(write());

    const QJsonObject probe = factory.ffprobe(file);
    const QJsonArray listed = probe["chapters"].toArray();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[1].toObject()["tags"].toObject()["title"].toString(), "Middle");
    EXPECT_DOUBLE_EQ(listed[1].toObject()["start_time"].toString().toDouble(), 1.5);
    EXPECT_LT(listed[1].toObject()["end_time"].toString().toDouble(), 2.1);
    // The movie keeps the length of its picture and sound.
    EXPECT_LT(probe["format"].toObject()["duration"].toString().toDouble(), 2.1);
    EXPECT_LT(readBack(file)->msecDuration().value_or(0), 2100);
}

TEST_F(MetaDataWriting, LongChapterTitlesAreCutOnWholeCharacters)
{
    const QString file = plainMovie("longchapters.m4v");
    pointAt(file);
    movie.setChapterSettings(1);
    movie.setListOfChapters(chapters({{QString(1100, QLatin1Char('a')), 1000}, {QString(600, QChar(0x00E4)), 1000}}));
    ASSERT_TRUE(write());
    const auto read = openForRead(file).chapters(mp4::ChapterType::QuickTime);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[0].title, std::string(1023, 'a'));
    EXPECT_EQ((*read)[1].title.size(), 1022u);
    EXPECT_EQ(QString::fromStdString((*read)[1].title), QString(511, QChar(0x00E4)));
}

TEST_F(MetaDataWriting, ChapterSettingDecidesWhetherChaptersAreTouched)
{
    MovieRecipe recipe;
    recipe.chapters = {{"Keep 1", 0, 1000}, {"Keep 2", 1000, 2000}};
    const QString file = factory.make(recipe, "keep.m4v");
    pointAt(file);
    movie.setListOfChapters(chapters({{"Ignored", 2000}}));
    ASSERT_TRUE(write());  // setting 0: the file's chapters stay
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 2);

    settings().setValue("FiledsNotToBeOverwritten", QStringList{"chapters"});
    movie.setChapterSettings(1);
    ASSERT_TRUE(write());  // protected
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 2);

    settings().remove("FiledsNotToBeOverwritten");
    movie.setChapterSettings(1);
    movie.setListOfChapters(ChapterList{});
    ASSERT_TRUE(write());  // an empty list removes every chapter of both kinds
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 0);
    EXPECT_TRUE(openForRead(file).chapters(mp4::ChapterType::Nero).value_or(std::vector<mp4::Chapter>{{}}).empty());

    movie.setChapterSettings(std::nullopt);  // no setting is not "keep the file's chapters"
    movie.setListOfChapters(chapters({{"Written", 2000}}));
    ASSERT_TRUE(write());
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 1);
}

TEST_F(MetaDataWriting, ChapterTrackThatHasALanguageKeepsIt)
{
    MovieRecipe recipe;
    recipe.chapters = {{"One", 0, 2000}};
    const QString file = factory.make(recipe, "eng.m4v");
    {
        mp4::MovieFile modified = moviefiletest::open(file, true);
        for (const mp4::TrackInfo& track : modified.tracks()) {
            if (track.type == mp4::FourCC("text")) {
                ASSERT_TRUE(modified.setTrackLanguage(track.id, "eng"));
            }
        }
        ASSERT_TRUE(modified.close());
    }
    pointAt(file);
    ASSERT_TRUE(write("de"));
    for (const mp4::TrackInfo& track : openForRead(file).tracks()) {
        if (track.type == mp4::FourCC("text")) {
            EXPECT_EQ(track.language, "eng");
        }
    }
}

TEST_F(MetaDataWriting, MediaIsNotTouched)
{
    MovieRecipe recipe;
    recipe.chapters = {{"A", 0, 2000}};
    const QString file = factory.make(recipe, "media.mp4");
    const QStringList before = factory.mediaPacketChecksums(file);
    ASSERT_FALSE(before.isEmpty());
    pointAt(file);
    fillEveryTag();
    movie.setCover(picture(300, 200, Qt::blue));
    movie.setChapterSettings(1);
    movie.setListOfChapters(chapters({{"X", 1000}, {"Y", 1000}}));
    movie.setSubtitle("1\n00:00:00,500 --> 00:00:01,500\nHello\n\n");
    ASSERT_TRUE(write());
    EXPECT_EQ(factory.mediaPacketChecksums(file), before);
    EXPECT_EQ(factory.decodeErrors(file), "");
}

TEST_F(MetaDataWriting, CopyToADestinationLeavesTheSourceAlone)
{
    const QString source = plainMovie("source.m4v");
    const QByteArray original = contentsOf(source);
    const QString destination = factory.path("copy.m4v");
    factory.writeFile("copy.m4v", "old content of the destination");
    pointAt(source);
    movie.setTitle("Copied");
    ASSERT_TRUE(write("en", urlOf(destination)));

    EXPECT_EQ(contentsOf(source), original);
    EXPECT_EQ(readBack(destination)->title(), "Copied");

    // Read, then changed by another program that put its time back: not copied.
    ASSERT_TRUE(MetaDataUtilities::readMetaDataFromURL(urlOf(source), movie, "en"));
    const auto time = std::filesystem::last_write_time(source.toStdString());
    factory.writeFile("source.m4v", QByteArray(original).replace("Lavf", "Xavf"));
    std::filesystem::last_write_time(source.toStdString(), time);
    EXPECT_FALSE(write("en", urlOf(factory.path("second copy.m4v"))));
    EXPECT_FALSE(QFile::exists(factory.path("second copy.m4v")));
}

TEST_F(MetaDataWriting, DestinationThatIsTheSameFileIsModifiedInPlace)
{
    const QString source = plainMovie("Same.m4v");
    pointAt(source);
    movie.setTitle("In place");
    ASSERT_TRUE(write("en", urlOf(factory.path("same.m4v"))));  // differs only in case
    EXPECT_FALSE(QFile::exists(factory.path("same.m4v")));
    EXPECT_EQ(readBack(source)->title(), "In place");

    ASSERT_TRUE(QFile::link(factory.dir(), factory.path("alias")));
    movie.setTitle("Through a link");
    ASSERT_TRUE(write("en", urlOf(factory.path("alias/Same.m4v"))));
    ASSERT_TRUE(QFile::exists(source));  // never removed as "the destination"
    EXPECT_EQ(readBack(source)->title(), "Through a link");
}

TEST_F(MetaDataWriting, OpeningFailuresAreLogged)
{
    platform::LogCapture log;
    EXPECT_FALSE(write());  // no file
    const QString missing = factory.path("missing.m4v");
    movie.setFileUrl(urlOf(missing));
    EXPECT_FALSE(write());
    movie.setFileUrl(urlOf(plainMovie("exists.m4v")));
    EXPECT_FALSE(write("en", urlOf(factory.path("no/such/folder/x.m4v"))));
    EXPECT_EQ(log.lines(),
              (QStringList{"no actual file set", "MP4Modify failed on " + missing + " failed", "file copy failed"}));
}

TEST_F(MetaDataWriting, ReadOnlyFileIsRefusedAndLeftAlone)
{
    const QString file = plainMovie("readonly.m4v");
    ASSERT_TRUE(QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    // Root may write any file, but not one marked immutable.
    struct ImmutableMark {
        QString path;
        bool set = false;
        ~ImmutableMark()
        {
            if (set)
                QProcess::execute("chattr", {"-i", path});
        }
    } mark{file};
    if (::access(QFile::encodeName(file).constData(), W_OK) == 0) {
        mark.set = QProcess::execute("chattr", {"+i", file}) == 0;
        if (!mark.set)
            GTEST_SKIP() << "this user may write any file, and the file system has no immutable files";
    }
    const QByteArray before = contentsOf(file);
    pointAt(file);
    movie.setTitle("Never written");
    platform::LogCapture log;
    EXPECT_FALSE(write());
    EXPECT_EQ(log.lines(), QStringList{"MP4Modify failed on " + file + " failed"});
    EXPECT_EQ(contentsOf(file), before);
}

TEST_F(MetaDataWriting, RepeatedSavesKeepTheFileSizeBounded)
{
    const QString file = plainMovie("repeat.m4v");
    pointAt(file);
    fillEveryTag();
    movie.setCover(picture(400, 300, Qt::green));
    movie.setChapterSettings(1);
    movie.setListOfChapters(chapters({{"X", 1000}, {"Y", 1000}}));
    ASSERT_TRUE(write());
    const qint64 afterFirst = QFile(file).size();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(write());
    EXPECT_LE(QFile(file).size(), afterFirst * 2);
    EXPECT_EQ(readBack(file)->title(), "The Grand Test");
}

TEST_F(MetaDataWriting, FileAbove4GiBIsTaggedAndStaysValid)
{
    const QString large = factory.makeSparseLarge(factory.make(MovieRecipe{}, "small.mp4"), "large.mp4");
    ASSERT_GT(QFile(large).size(), qint64(1) << 32);
    pointAt(large);
    movie.setTitle("Large");
    movie.setSubtitle("1\n00:00:00,500 --> 00:00:01,500\nBig\n\n");
    ASSERT_TRUE(write());
    EXPECT_EQ(readBack(large)->title(), "Large");
    EXPECT_TRUE(factory.subtitleAsSrt(large).contains("Big"));
}

TEST_F(MetaDataWriting, EmptyTextsAreTagsNulEndsThemAndDatesAreInUtc)
{
    const QString file = plainMovie("empty.m4v");
    pointAt(file);
    movie.setTitle("");
    movie.setComments("");
    movie.setGenre(QString::fromUtf8("Drama\0rest", 10));  // a NUL ends a tag text
    movie.setReleaseDate(QDateTime(QDate(2010, 12, 31), QTime(23, 30), QTimeZone(-2 * 3600)));
    movie.setPurchaseDate(QDateTime(QDate(2011, 2, 3), QTime(4, 5, 6), QTimeZone::utc()));
    ASSERT_TRUE(write());

    const mp4::Tags tags = openForRead(file).tags();
    EXPECT_EQ(tags.name, "");
    EXPECT_EQ(tags.sortName, "");
    EXPECT_EQ(tags.comments, "");
    EXPECT_EQ(tags.genre, "Drama");
    EXPECT_EQ(tags.releaseDate, "2011-1-1T01:30:00Z");
    EXPECT_EQ(tags.purchaseDate, "2011-2-3T04:05:06Z");
    const auto back = readBack(file);
    EXPECT_EQ(back->title(), "");
    EXPECT_FALSE(back->title().isNull());
}

TEST_F(MetaDataWriting, ARecordWithoutAReleaseDateWritesNoDate)
{
    const auto dateSeenBy = [this](const QString& file) {
        const QString ffprobe = factory.ffprobe(file)["format"].toObject()["tags"].toObject()["date"].toString();
        const QString listed = factory.atomicParsleyTags(file);
        const qsizetype at = listed.indexOf(QString::fromUtf8("Atom \"©day\" contains: "));
        const QString atomicParsley = at < 0 ? QString() : listed.mid(at).section('\n', 0, 0).section(": ", 1);
        EXPECT_EQ(ffprobe, atomicParsley) << file.toStdString();
        return ffprobe;
    };

    // An untagged file, read and saved with only its title set.
    const QString untagged = plainMovie("untagged.m4v");
    auto loaded = readBack(untagged);
    EXPECT_EQ(loaded->releaseDate(), MovieModel::emptyReleaseDate());
    loaded->setTitle("Only A Title");
    ASSERT_TRUE(MetaDataUtilities::writeMetaDataToURL(*loaded, QUrl(), "en"));
    EXPECT_EQ(dateSeenBy(untagged), "");
    EXPECT_EQ(openForRead(untagged).tags().name, "Only A Title");

    // A date the file holds goes when the record has none; a real one is written.
    MovieRecipe recipe;
    recipe.metadata = {{"date", "1999-5-7T12:00:00Z"}};
    const QString dated = factory.make(recipe, "dated-source.m4v");
    ASSERT_EQ(dateSeenBy(dated), "1999-5-7T12:00:00Z");
    const struct {
        const char* name;
        QDateTime date;
        QString written;
    } cases[] = {
        {"no date", QDateTime(), ""},
        {"the empty-date value", MovieModel::emptyReleaseDate(), ""},
        {"a date in 2012", QDateTime(QDate(2012, 6, 15), QTime(12, 0), QTimeZone::utc()), "2012-6-15T12:00:00Z"},
        {"a date", QDateTime(QDate(2010, 5, 7), QTime(12, 0), QTimeZone::utc()), "2010-5-7T12:00:00Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = factory.copy(dated, QString("dated-%1.m4v").arg(c.name).replace(' ', '-'));
        pointAt(file);
        movie.setTitle("Dated");
        movie.setReleaseDate(c.date);
        ASSERT_TRUE(write());
        EXPECT_EQ(dateSeenBy(file), c.written);
    }
}

TEST_F(MetaDataWriting, SubtitleThatCannotBeWrittenDoesNotFailTheWrite)
{
    MovieRecipe recipe;
    recipe.video = false;
    const QString file = factory.make(recipe, "sound.m4a");
    pointAt(file);
    movie.setTitle("Sound only");
    movie.setSubtitle("1\n00:00:00,500 --> 00:00:01,000\nNo picture to sit on\n\n");
    platform::LogCapture log;
    ASSERT_TRUE(write());
    EXPECT_EQ(log.lines(), QStringList{"no valid size in video track to calculate size for for subtitles"});
    const auto back = readBack(file);
    EXPECT_EQ(back->title(), "Sound only");
    EXPECT_EQ(factory.ffprobe(file)["streams"].toArray().size(), 1);  // the sound, and no subtitle track
}
