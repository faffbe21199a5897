// Modifying: what the library writes must read back through our reader, ffprobe and
// AtomicParsley, and the media must stay byte for byte what it was.
#include "mp4testutil.h"

#include "mp4/iodsbox.h"
#include "mp4/log.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <array>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

mp4::Tags fullTags(const std::vector<mp4::Artwork>& artwork)
{
    mp4::Tags t;
    t.name = "New Title";
    t.sortName = "Title, New";
    t.artist = "Dir One, Dir Two";
    t.sortArtist = "Dir One, Dir Two";
    t.albumArtist = "Actor";
    t.album = "Album";
    t.comments = "Comment";
    t.genre = "Drama";
    t.releaseDate = "2012-1-1T12:00:00Z";
    t.description = "Short";
    t.longDescription = "Long ünïcødé";
    t.hdVideo = 2;
    t.contentRating = 1;
    t.mediaType = 9;
    t.gapless = 0;
    t.compilation = 1;
    t.podcast = 0;
    t.copyright = "(c)";
    t.encodingTool = "Tool";
    t.encodedBy = "Me";
    t.iTunesAccountType = 1;
    t.iTunesAccount = "a@b.c";
    t.iTunesCountry = 143443;
    t.genreType = 300;
    t.contentID = 123456;
    t.composerID = 7;
    t.genreID = 8;
    t.artistID = 9;
    t.playlistID = 5000000000ull;
    t.composer = "Comp";
    t.sortComposer = "Comp";
    t.purchaseDate = "2013-2-3T04:05:06Z";
    t.grouping = "Grp";
    t.keywords = "kw";
    t.category = "cat";
    t.xid = "prov:isrc:1";
    t.artwork = artwork;
    return t;
}

mp4::ItemData text(const std::string& s)
{
    return {mp4::DataType::Utf8, 0, std::vector<std::uint8_t>(s.begin(), s.end())};
}

std::vector<std::uint8_t> caption(const std::string& s)
{
    std::vector<std::uint8_t> out = mp4::bigEndianBytes(s.size(), 2);
    for (char c : s) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

// A full record: tags, two covers, items, chapters and a subtitle replacing older ones.
void saveRecord(const QString& file, const std::vector<mp4::Artwork>& artwork, const std::string& title)
{
    auto movie = openModify(file);
    ASSERT_TRUE(movie.removeAllItems());
    mp4::Tags tags = fullTags(artwork);
    tags.name = title;
    ASSERT_TRUE(movie.setTags(tags));
    ASSERT_TRUE(movie.removeItems("cnID"));
    ASSERT_TRUE(movie.addItem({"cnID", {}, {}, {{mp4::DataType::Integer, 0, mp4::bigEndianBytes(123456, 4)}}}));
    ASSERT_TRUE(movie.addItem(mp4::Item::freeform("com.apple.iTunes", "iTunEXTC", {text("de-movie|FSK 12|200|")})));
    ASSERT_TRUE(movie.addItem(mp4::Item::freeform("com.apple.iTunes", "iTunMOVI", {text("<plist/>")})));
    ASSERT_TRUE(movie.deleteChapters(mp4::ChapterType::Any));
    ASSERT_TRUE(movie.setChapters({{1000, "Eins"}, {700, "Zwei – ü"}, {300, "Drei"}}));
    std::vector<std::uint32_t> older;
    for (const auto& t : movie.tracks()) {
        if (t.type == mp4::FourCC("sbtl")) {
            older.push_back(t.id);
        }
    }
    const auto video = firstTrackOfType(movie, "vide");
    auto id = movie.addSubtitleTrack(movie.trackTimeScale(video), movie.trackVideoWidth(video), 36);
    ASSERT_TRUE(id);
    ASSERT_TRUE(movie.setTrackLanguage(*id, "deu"));
    ASSERT_TRUE(movie.setTrackDurationPerChunk(*id, movie.trackTimeScale(video) / 8));
    ASSERT_TRUE(movie.setTrackAlternateGroup(*id, 3));
    ASSERT_TRUE(movie.setTrackFlags(*id, 2));
    mp4::Tx3gDescription d = *movie.tx3gDescription(*id);
    d.horizontalJustification = 1;
    d.defTextBoxBottom = 36;
    d.defTextBoxRight = 320;
    d.fontSize = 12;
    d.fontColorRed = d.fontColorGreen = d.fontColorBlue = d.fontColorAlpha = 255;
    ASSERT_TRUE(movie.setTx3gDescription(*id, d));
    const std::uint64_t scale = movie.trackTimeScale(video);
    ASSERT_TRUE(movie.writeSample(*id, caption(""), 500 * scale / 1000));
    ASSERT_TRUE(movie.writeSample(*id, caption("Hello"), 500 * scale / 1000));
    ASSERT_TRUE(movie.writeSample(*id, caption(""), 250 * scale / 1000));
    ASSERT_TRUE(movie.writeSample(*id, caption("World"), 500 * scale / 1000));
    for (std::uint32_t old : older) {
        ASSERT_TRUE(movie.deleteTrack(old));
    }
    ASSERT_TRUE(movie.close());
}

void expectRecordEverywhere(MovieFactory& factory, const QString& file, const std::string& title)
{
    auto movie = openRead(file);
    EXPECT_EQ(movie.tags().name, title);
    const auto chapters = movie.chapters(mp4::ChapterType::QuickTime);
    ASSERT_TRUE(chapters.has_value());
    EXPECT_EQ(*chapters, (std::vector<mp4::Chapter>{{1000, "Eins"}, {700, "Zwei – ü"}, {300, "Drei"}}));
    const QJsonObject probe = factory.ffprobe(file);
    EXPECT_EQ(probe["format"].toObject()["tags"].toObject()["title"].toString().toStdString(), title);
    const QJsonArray probed = probe["chapters"].toArray();
    ASSERT_EQ(probed.size(), 3);
    EXPECT_EQ(probed[1].toObject()["tags"].toObject()["title"].toString(), "Zwei – ü");
    EXPECT_EQ(probed[1].toObject()["start_time"].toString(), "1.000000");
    EXPECT_EQ(probed[2].toObject()["end_time"].toString(), "2.000000");
    int subtitles = 0;
    for (const auto& s : probe["streams"].toArray()) {
        const QJsonObject o = s.toObject();
        if (o["codec_name"].toString() == "mov_text") {
            ++subtitles;
            EXPECT_EQ(o["tags"].toObject()["language"].toString(), "deu");
        }
    }
    EXPECT_EQ(subtitles, 1);
    const QString srt = factory.subtitleAsSrt(file);
    EXPECT_TRUE(srt.contains(QRegularExpression("00:00:00,500 --> 00:00:01,000\n[^\n]*Hello"))) << srt.toStdString();
    EXPECT_TRUE(srt.contains(QRegularExpression("00:00:01,250 --> [^\n]*\n[^\n]*World"))) << srt.toStdString();
    const QString ap = factory.atomicParsleyTags(file);
    EXPECT_TRUE(ap.contains(QString("Atom \"©nam\" contains: ") + QString::fromStdString(title))) << ap.toStdString();
    EXPECT_TRUE(ap.contains("[com.apple.iTunes;iTunEXTC] contains: de-movie|FSK 12|200|")) << ap.toStdString();
    EXPECT_TRUE(ap.contains("Atom \"cnID\" contains: 123456")) << ap.toStdString();
    EXPECT_TRUE(ap.contains("2 pieces of artwork")) << ap.toStdString();
    EXPECT_TRUE(factory.decodeErrors(file).isEmpty()) << factory.decodeErrors(file).toStdString();
}

std::vector<mp4::Artwork> twoCovers(MovieFactory& factory)
{
    return {{bytesOf(readAll(factory.makeImage("w1.jpg", 64, 48))), mp4::ArtworkType::Jpeg},
            {bytesOf(readAll(factory.makeImage("w2.png", 16, 16))), mp4::ArtworkType::Png}};
}

MovieRecipe chapteredSpec()
{
    MovieRecipe recipe;
    recipe.chapters = {{"Old one", 0, 1500}, {"Old two", 1500, 2000}};
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,400\nOld\n\n", "deu"};
    recipe.metadata = {{"title", "Old Title"}, {"lyrics", "la"}, {"track", "1/2"}};
    return recipe;
}

}  // namespace

TEST(Writer, FullRecordReadsBackEverywhereAndMediaIsUntouched)
{
    MovieFactory factory;
    for (bool faststart : {false, true}) {
        MovieRecipe recipe = chapteredSpec();
        recipe.faststart = faststart;
        const QString file = factory.make(recipe, faststart ? "fast.m4v" : "late.mp4");
        const QStringList packets = factory.mediaPacketChecksums(file);
        const auto artwork = twoCovers(factory);
        saveRecord(file, artwork, "New Title");
        expectRecordEverywhere(factory, file, "New Title");
        EXPECT_EQ(factory.mediaPacketChecksums(file), packets);

        auto movie = openRead(file);
        mp4::Tags expected = fullTags(artwork);
        mp4::Tags actual = movie.tags();
        EXPECT_EQ(actual, expected);
        // Items the record does not model are gone; the three items are there once.
        EXPECT_TRUE(movie.itemsByCode("©lyr").empty());
        EXPECT_TRUE(movie.itemsByCode("trkn").empty());
        EXPECT_EQ(movie.itemsByCode("cnID").size(), 1u);
        EXPECT_EQ(movie.itemsByMeaning("com.apple.iTunes", "iTunMOVI").size(), 1u);
        const auto sub = firstTrackOfType(movie, "sbtl");
        const auto info = movie.track(sub);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->flags, 2u);
        EXPECT_EQ(info->alternateGroup, 3);
        EXPECT_EQ(info->language, "deu");
        EXPECT_EQ(movie.tx3gDescription(sub)->fontSize, 12);
        int textTracks = 0;
        for (const auto& t : movie.tracks()) {
            textTracks += t.type == mp4::FourCC("text") ? 1 : 0;
        }
        EXPECT_EQ(textTracks, 1);
        EXPECT_TRUE(movie.chapters(mp4::ChapterType::Nero)->empty());
    }
}

TEST(Writer, RepeatedSavesKeepTheSizeBounded)
{
    MovieFactory factory;
    for (bool faststart : {false, true}) {
        MovieRecipe recipe = chapteredSpec();
        recipe.faststart = faststart;
        const QString file = factory.make(recipe, "again.mp4");
        const QStringList packets = factory.mediaPacketChecksums(file);
        const auto artwork = twoCovers(factory);
        const qint64 original = QFileInfo(file).size();
        std::vector<qint64> sizes;
        for (int i = 0; i < 6; ++i) {
            saveRecord(file, artwork, "Save " + std::to_string(i));
            sizes.push_back(QFileInfo(file).size());
        }
        const qint64 added = sizes[0] - original;
        for (qint64 s : sizes) {
            EXPECT_LE(s, original + 3 * std::max<qint64>(added, 4096)) << "faststart " << faststart;
        }
        expectRecordEverywhere(factory, file, "Save 5");
        EXPECT_EQ(factory.mediaPacketChecksums(file), packets);
    }
}

TEST(Writer, FileAbove4GiBGetsWideChunkOffsets)
{
    MovieFactory factory;
    const QString base = factory.make(chapteredSpec(), "base.mp4");
    const QString big = factory.makeSparseLarge(base, "big.mp4");
    ASSERT_FALSE(big.isEmpty());
    const QStringList packets = factory.mediaPacketChecksums(big);
    saveRecord(big, twoCovers(factory), "Big");
    expectRecordEverywhere(factory, big, "Big");
    EXPECT_EQ(factory.mediaPacketChecksums(big), packets);
    EXPECT_GT(QFileInfo(big).size(), qint64(1) << 32);

    // The new tracks' samples lie past 4 GiB: 64-bit chunk offsets, the first one right
    // behind the new mdat's header. The media's tables stay as they were.
    const mp4::Box moov = moovTree(big);
    int wide = 0;
    for (const mp4::Box& trak : moov.children) {
        const mp4::Box* hdlr = trak.find({"mdia", "hdlr"});
        const mp4::Box* stbl = trak.find({"mdia", "minf", "stbl"});
        if (!hdlr || !stbl) {
            continue;
        }
        const mp4::FourCC handler(static_cast<std::uint32_t>(mp4::getBig(hdlr->payload, 8, 4)));
        if (handler == mp4::FourCC("vide") || handler == mp4::FourCC("soun")) {
            EXPECT_NE(stbl->child(mp4::FourCC("stco")), nullptr);
            continue;
        }
        ++wide;
        const mp4::Box* co64 = stbl->child(mp4::FourCC("co64"));
        ASSERT_NE(co64, nullptr) << handler.toString();
        EXPECT_EQ(stbl->child(mp4::FourCC("stco")), nullptr);
        const std::uint64_t first = mp4::getBig(co64->payload, 8, 8);
        EXPECT_GT(first, std::uint64_t(1) << 32);
        if (handler == mp4::FourCC("text")) {  // added first: its samples open the mdat
            QFile f(big);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            ASSERT_TRUE(f.seek(static_cast<qint64>(first) - 4));
            EXPECT_EQ(f.read(4), QByteArray("mdat"));
        }
    }
    EXPECT_EQ(wide, 2);
}

TEST(Writer, RefusesAndLeavesUntouched)
{
    MovieFactory factory;
    std::vector<std::string> lines;
    auto previous = mp4::setLogSink([&lines](std::string_view l) { lines.emplace_back(l); });
    const QString base = factory.make(MovieRecipe{}, "base.mp4");
    const QString frag = factory.path("frag.mp4");
    ASSERT_TRUE(MovieFactory::run(
                    "ffmpeg", {"-v", "error", "-i", base, "-c", "copy", "-movflags", "frag_keyframe+empty_moov", frag})
                    .ok());
    const QByteArray before = readAll(frag);
    auto refused = mp4::MovieFile::openForModify(fsPath(frag));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, mp4::Error::Code::Unsupported);
    EXPECT_EQ(readAll(frag), before);
    EXPECT_TRUE(mp4::MovieFile::openForRead(fsPath(frag)).has_value());

    // Cut off in the middle of the media: readable, but never changed.
    MovieRecipe faststart;
    faststart.faststart = true;
    QByteArray cut = readAll(factory.make(faststart, "fast.mp4"));
    cut.chop(1000);
    const QString truncated = factory.writeFile("cut.mp4", cut);
    EXPECT_TRUE(mp4::MovieFile::openForRead(fsPath(truncated)).has_value());
    EXPECT_FALSE(mp4::MovieFile::openForModify(fsPath(truncated)).has_value());
    EXPECT_EQ(readAll(truncated), cut);

    // Opened for reading: every edit is refused.
    auto reading = openRead(base);
    EXPECT_EQ(reading.setTags({}).error().code, mp4::Error::Code::ReadOnly);
    EXPECT_EQ(reading.setChapters({{1, "x"}}).error().code, mp4::Error::Code::ReadOnly);
    EXPECT_TRUE(reading.close());
    EXPECT_EQ(reading.close().error().code, mp4::Error::Code::Closed);
    mp4::setLogSink(previous);
    EXPECT_FALSE(lines.empty());
}

TEST(Writer, TracksWithoutUniqueIdsAreReadButNeverChanged)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,900\nHi\n\n", "eng"};
    const QString base = factory.make(recipe, "base.mp4");
    // Ids of the video, audio and subtitle tracks, in file order.
    const std::vector<std::pair<const char*, std::array<std::uint32_t, 3>>> cases{
        {"subtitle and audio share an id", {1, 2, 2}},
        {"audio and subtitle share id 1", {2, 1, 1}},
        {"a track has id 0", {1, 0, 2}},
    };
    for (const auto& [what, ids] : cases) {
        const QString file = factory.copy(base, "ids.mp4");
        mp4::Box moov = moovTree(file);
        std::size_t n = 0;
        for (mp4::Box& c : moov.children) {
            if (c.type == mp4::FourCC("trak") && n < ids.size()) {
                ASSERT_TRUE(mp4::putBig(c.child(mp4::FourCC("tkhd"))->payload, 12, ids[n++], 4));
            }
        }
        ASSERT_EQ(n, ids.size());
        ASSERT_TRUE(replaceLastMoov(file, moov));
        const QByteArray before = readAll(file);
        auto refused = mp4::MovieFile::openForModify(fsPath(file));
        ASSERT_FALSE(refused) << what;
        EXPECT_EQ(refused.error().code, mp4::Error::Code::Corrupt) << what;
        EXPECT_EQ(readAll(file), before) << what;
        auto reading = mp4::MovieFile::openForRead(fsPath(file));
        ASSERT_TRUE(reading) << what;
        EXPECT_EQ(reading->trackCount(), 3u) << what;
    }
}

TEST(Writer, UnchangedFileIsNotWritten)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "same.mp4");
    const QByteArray before = readAll(file);
    auto movie = openModify(file);
    EXPECT_TRUE(movie.close());
    EXPECT_EQ(readAll(file), before);
}

TEST(Writer, ChapterTitlesAreCutOnCharacterBoundaries)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "long.mp4");
    auto movie = openModify(file);
    std::string twoByte;
    for (int i = 0; i < 600; ++i) {
        twoByte += "ä";
    }
    ASSERT_TRUE(movie.setChapters({{1000, std::string(1100, 'x')}, {1000, twoByte}}));
    ASSERT_TRUE(movie.close());
    const auto chapters = *openRead(file).chapters();
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].title, std::string(1023, 'x'));
    EXPECT_EQ(chapters[1].title.size(), 1022u);
}

TEST(Writer, NewTracksDeletedBeforeClosingLeaveTheMovieDurationAlone)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "length.mp4");
    const std::uint64_t before = openRead(file).duration();
    {
        auto movie = openModify(file);
        const std::uint32_t scale = movie.timeScale();
        auto id = movie.addSubtitleTrack(1000, 320, 36);
        ASSERT_TRUE(id);
        const std::vector<std::uint8_t> caption{0, 1, 'x'};
        ASSERT_TRUE(movie.writeSample(*id, caption, 9000));
        EXPECT_EQ(movie.duration(), 9u * scale);  // the longest track sets the length
        ASSERT_TRUE(movie.deleteTrack(*id));
        EXPECT_EQ(movie.duration(), before);
        ASSERT_TRUE(movie.setChapters({{7000, "Too long"}}));
        EXPECT_EQ(movie.duration(), 7u * scale);
        ASSERT_TRUE(movie.deleteChapters(mp4::ChapterType::QuickTime));
        EXPECT_EQ(movie.duration(), before);
        ASSERT_TRUE(movie.close());
    }
    EXPECT_EQ(openRead(file).duration(), before);
    const double probed = factory.ffprobe(file)["format"].toObject()["duration"].toString().toDouble();
    EXPECT_NEAR(probed, 2.0, 0.1);
}

TEST(Writer, ChaptersHangFromAnEnabledTrack)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "disabled.mp4");
    std::uint32_t video = 0;
    std::uint32_t audio = 0;
    {
        auto movie = openModify(file);
        video = firstTrackOfType(movie, "vide");
        audio = firstTrackOfType(movie, "soun");
        ASSERT_TRUE(movie.setTrackFlags(video, mp4::TrackFlags::InMovie));  // present, not played
        ASSERT_TRUE(movie.close());
    }
    {
        auto movie = openModify(file);
        ASSERT_TRUE(movie.setChapters({{1000, "One"}, {1000, "Two"}}));
        ASSERT_TRUE(movie.close());
    }
    const mp4::Box moov = moovTree(file);
    EXPECT_EQ(trakWithId(moov, video)->find({"tref", "chap"}), nullptr);
    const mp4::Box* chap = trakWithId(moov, audio)->find({"tref", "chap"});
    ASSERT_NE(chap, nullptr);
    EXPECT_EQ(openRead(file).chapters()->size(), 2u);
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 2);
}

TEST(Writer, DeletingLongChaptersOrSubtitlesShortensTheMovieAgain)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "shorten.mp4");
    const std::uint64_t before = openRead(file).duration();
    auto probedSeconds = [&factory, &file] {
        return factory.ffprobe(file)["format"].toObject()["duration"].toString().toDouble();
    };
    std::uint32_t subtitle = 0;
    {
        // As an earlier tool might have left it: chapters and a caption far past the media.
        auto movie = openModify(file);
        ASSERT_TRUE(movie.setChapters({{30000, "Long"}, {30000, "Longer"}}));
        auto id = movie.addSubtitleTrack(1000, 320, 36);
        ASSERT_TRUE(id);
        subtitle = *id;
        const std::vector<std::uint8_t> caption{0, 1, 'x'};
        ASSERT_TRUE(movie.writeSample(subtitle, caption, 45000));
        ASSERT_TRUE(movie.close());
    }
    ASSERT_NEAR(probedSeconds(), 60.0, 0.1);
    {
        auto movie = openModify(file);
        const std::uint32_t scale = movie.timeScale();
        ASSERT_TRUE(movie.deleteChapters(mp4::ChapterType::QuickTime));
        EXPECT_EQ(movie.duration(), 45u * scale);  // the caption is the longest left
        ASSERT_TRUE(movie.close());
    }
    EXPECT_NEAR(probedSeconds(), 45.0, 0.1);
    {
        auto movie = openModify(file);
        const std::uint32_t scale = movie.timeScale();
        ASSERT_TRUE(movie.deleteTrack(subtitle));
        EXPECT_EQ(movie.duration(), before);
        // New tracks still lengthen the movie, and replacing chapters starts from the media.
        ASSERT_TRUE(movie.setChapters({{5000, "Five"}}));
        EXPECT_EQ(movie.duration(), 5u * scale);
        ASSERT_TRUE(movie.close());
    }
    EXPECT_NEAR(probedSeconds(), 5.0, 0.1);
    {
        auto movie = openModify(file);
        ASSERT_TRUE(movie.setChapters({{1000, "One"}, {500, "Half"}}));
        EXPECT_EQ(movie.duration(), before);
        ASSERT_TRUE(movie.close());
    }
    EXPECT_EQ(openRead(file).duration(), before);
    EXPECT_NEAR(probedSeconds(), 2.0, 0.1);
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 2);
}

TEST(Writer, DeletingATrackNeverLengthensTheMovie)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "headers.mp4");
    std::uint32_t video = 0;
    std::uint32_t audio = 0;
    std::uint64_t before = 0;
    {
        auto movie = openRead(file);
        video = firstTrackOfType(movie, "vide");
        audio = firstTrackOfType(movie, "soun");
        before = movie.duration();
        ASSERT_TRUE(video && audio && before);
    }
    const QByteArray original = readAll(file);
    // Track headers that claim more than the movie, then none at all: the movie keeps its length.
    for (const std::uint64_t claimed : {std::uint64_t{0xFFFFFFF0}, std::uint64_t{0}}) {
        factory.writeFile("headers.mp4", original);
        mp4::Box moov = moovTree(file);
        mp4::Box* trak = const_cast<mp4::Box*>(trakWithId(moov, video));
        ASSERT_NE(trak, nullptr);
        mp4::Box* tkhd = trak->child(mp4::FourCC("tkhd"));
        ASSERT_TRUE(tkhd && tkhd->payload[0] == 0);
        ASSERT_TRUE(mp4::putBig(tkhd->payload, 20, claimed, 4));
        ASSERT_TRUE(replaceLastMoov(file, moov));
        auto movie = openModify(file);
        ASSERT_TRUE(movie.deleteTrack(audio));
        EXPECT_EQ(movie.duration(), before) << claimed;
        ASSERT_TRUE(movie.close());
        EXPECT_EQ(openRead(file).duration(), before) << claimed;
    }
}

TEST(Writer, DeletedTrackLeavesTheInitialObjectDescriptor)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.seconds = 0.5;
    recipe.chapters = {{"A", 0, 250}, {"B", 250, 500}};
    const QString file = factory.make(recipe, "iods.mp4");
    std::uint32_t video = 0;
    std::uint32_t audio = 0;
    {
        auto movie = openRead(file);
        video = firstTrackOfType(movie, "vide");
        audio = firstTrackOfType(movie, "soun");
        ASSERT_TRUE(video && audio);
    }
    // An iods as mp4v2 leaves it: audio (long size form) and video (short form) are named.
    mp4::Box moov = moovTree(file);
    auto entry = [](std::uint32_t id, bool longSize) {
        mp4::ByteWriter w;
        w.u8(0x0E);
        if (longSize) {
            w.bytes(std::vector<std::uint8_t>{0x80, 0x80, 0x80});
        }
        w.u8(4);
        w.u32(id);
        return w.take();
    };
    auto iods = [&entry](const std::vector<std::pair<std::uint32_t, bool>>& named) {
        mp4::Bytes entries;
        for (const auto& [id, longSize] : named) {
            const auto e = entry(id, longSize);
            entries.insert(entries.end(), e.begin(), e.end());
        }
        mp4::ByteWriter w;
        w.u32(0);
        w.u8(0x10);
        w.u8(static_cast<std::uint8_t>(7 + entries.size()));
        w.u16(0x004F);
        w.bytes(std::vector<std::uint8_t>(5, 0xFF));
        w.bytes(entries);
        return w.take();
    };
    const mp4::Bytes both = iods({{audio, true}, {video, false}});
    moov.children.insert(moov.children.begin() + 1, mp4::Box::leaf(mp4::FourCC("iods"), both));
    ASSERT_TRUE(replaceLastMoov(file, moov));
    ASSERT_EQ(factory.ffprobe(file)["streams"].toArray().size(), 3);
    {
        auto movie = openModify(file);
        ASSERT_TRUE(movie.deleteChapters(mp4::ChapterType::QuickTime));  // not named: iods unchanged
        ASSERT_TRUE(movie.close());
    }
    EXPECT_EQ(hex(moovTree(file).child(mp4::FourCC("iods"))->payload), hex(both));
    {
        auto movie = openModify(file);
        ASSERT_TRUE(movie.deleteTrack(audio));
        ASSERT_TRUE(movie.close());
    }
    const mp4::Box after = moovTree(file);
    const mp4::Box* left = after.child(mp4::FourCC("iods"));
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(hex(left->payload), hex(iods({{video, false}})));
    EXPECT_EQ(factory.ffprobe(file)["streams"].toArray().size(), 1);
    EXPECT_EQ(openRead(file).trackCount(), 1u);
}

TEST(Writer, InitialObjectDescriptorItCannotReadStaysAsItIs)
{
    // URL form: flag 0x20, then the URL instead of the profile levels.
    mp4::Box url = mp4::Box::leaf(mp4::FourCC("iods"),
                                  {0, 0, 0, 0, 0x10, 0x0C, 0x00, 0x6F, 3, 'a', ':', 'b', 0x0E, 4, 0, 0, 0, 7, 0xAB});
    EXPECT_EQ(mp4::IodsBox::trackIds(url), std::vector<std::uint32_t>{7});
    EXPECT_TRUE(mp4::IodsBox::removeTrack(url, 7));
    EXPECT_EQ(hex(url.payload),
              hex(std::vector<std::uint8_t>{0, 0, 0, 0, 0x10, 0x06, 0x00, 0x6F, 3, 'a', ':', 'b', 0xAB}));
    EXPECT_FALSE(mp4::IodsBox::removeTrack(url, 7));

    const std::vector<mp4::Bytes> unreadable = {
        {},
        {0, 0, 0, 0},
        {1, 0, 0, 0, 0x10, 0x0D, 0x00, 0x4F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0E, 4, 0, 0, 0, 1},  // version 1
        {0, 0, 0, 0, 0x03, 0x0D, 0x00, 0x4F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0E, 4, 0, 0, 0, 1},  // not an IOD
        {0, 0, 0, 0, 0x10, 0x0D, 0x00, 0x4F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0E, 5, 0, 0, 0, 1},  // entry overruns
        {0, 0, 0, 0, 0x10, 0x0E, 0x00, 0x4F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0E, 4, 0, 0, 0, 1},  // IOD overruns
        {0, 0, 0, 0, 0x10, 0x80, 0x80, 0x80, 0x80, 0x0D, 0x00, 0x4F},                             // five size bytes
        {0, 0, 0, 0, 0x10, 0x04, 0x00, 0x4F, 0xFF, 0xFF},                                         // profiles cut off
    };
    for (const mp4::Bytes& body : unreadable) {
        mp4::Box box = mp4::Box::leaf(mp4::FourCC("iods"), body);
        EXPECT_TRUE(mp4::IodsBox::trackIds(box).empty()) << hex(body);
        EXPECT_FALSE(mp4::IodsBox::removeTrack(box, 1)) << hex(body);
        EXPECT_EQ(box.payload, body);
    }
}
