// Reading: what the library reports must match ffprobe's report of the same file, and files
// tagged by AtomicParsley must read back exactly.
#include "mp4testutil.h"

#include "mp4/log.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

const char* handlerFor(const QString& codecType)
{
    if (codecType == "video") {
        return "vide";
    }
    if (codecType == "audio") {
        return "soun";
    }
    if (codecType == "subtitle") {
        return "sbtl";
    }
    return "text";
}

// Streams of ffprobe against our tracks, in order: type, size, language, time scale.
void expectTracksMatchProbe(const QString& file, MovieFactory& factory)
{
    const QJsonObject probe = factory.ffprobe(file);
    const QJsonArray streams = probe["streams"].toArray();
    auto movie = openRead(file);
    const auto tracks = movie.tracks();
    ASSERT_EQ(tracks.size(), static_cast<std::size_t>(streams.size())) << file.toStdString();
    for (int i = 0; i < streams.size(); ++i) {
        const QJsonObject s = streams[i].toObject();
        const auto& t = tracks[static_cast<std::size_t>(i)];
        EXPECT_EQ(t.id, static_cast<std::uint32_t>(s["id"].toString().toUInt(nullptr, 16)));
        EXPECT_EQ(t.type, mp4::FourCC(handlerFor(s["codec_type"].toString())));
        if (s["codec_type"].toString() == "video") {
            EXPECT_EQ(t.width, s["width"].toInt());
            EXPECT_EQ(t.height, s["height"].toInt());
        }
        const QString tb = s["time_base"].toString();
        EXPECT_EQ(QString::number(t.timeScale), tb.mid(tb.indexOf('/') + 1));
        const QString language = s["tags"].toObject()["language"].toString();
        if (!language.isEmpty()) {
            EXPECT_EQ(t.language, language.toStdString());
        }
        EXPECT_EQ(t.sampleCount, static_cast<std::uint64_t>(s["nb_frames"].toString().toULongLong()));
    }
    const double seconds = probe["format"].toObject()["duration"].toString().toDouble();
    ASSERT_GT(movie.timeScale(), 0u);
    EXPECT_NEAR(double(movie.duration()) / movie.timeScale(), seconds, 0.002);
}

}  // namespace

TEST(Reader, TracksMatchFfprobeForEveryLayout)
{
    MovieFactory factory;
    MovieRecipe full;
    full.audioLanguage = "eng";
    full.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,500 --> 00:00:01,000\nHi\n\n", "deu"};
    expectTracksMatchProbe(factory.make(full, "full.mp4"), factory);
    full.faststart = true;
    expectTracksMatchProbe(factory.make(full, "faststart.m4v"), factory);

    MovieRecipe audioOnly;
    audioOnly.video = false;
    expectTracksMatchProbe(factory.make(audioOnly, "audio.m4a"), factory);

    MovieRecipe subtitleOnly;
    subtitleOnly.video = false;
    subtitleOnly.audio = false;
    subtitleOnly.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,500 --> 00:00:01,000\nHi\n\n", "fra"};
    const QString subs = factory.make(subtitleOnly, "subs.mp4");
    expectTracksMatchProbe(subs, factory);
    auto movie = openRead(subs);
    EXPECT_EQ(firstTrackOfType(movie, "vide"), 0u);
    EXPECT_EQ(firstTrackOfType(movie, "soun"), 0u);
    const auto id = firstTrackOfType(movie, "sbtl");
    ASSERT_NE(id, 0u);
    const auto tx3g = movie.tx3gDescription(id);
    ASSERT_TRUE(tx3g.has_value());
    EXPECT_EQ(tx3g->fontID, 1);
}

TEST(Reader, ItunesTagsThatFfmpegWrites)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.metadata = {{"title", "My Title"},     {"artist", "Jane Director"},
                       {"album_artist", "A, B"},  {"comment", "A comment"},
                       {"genre", "Drama"},        {"date", "2012-01-01T12:00:00Z"},
                       {"description", "Short"},  {"synopsis", "Long text"},
                       {"copyright", "(c) 2012"}, {"media_type", "9"},
                       {"hd_video", "2"},         {"gapless_playback", "1"},
                       {"compilation", "0"},      {"composer", "Writer One"},
                       {"grouping", "Grp"},       {"keywords", "kw"},
                       {"episode_sort", "3"},     {"season_number", "2"},
                       {"track", "4/10"},         {"disc", "1/2"},
                       {"lyrics", "la"},          {"album", "The Album"}};
    const QString file = factory.make(recipe, "tags.m4v");
    const mp4::Tags t = openRead(file).tags();
    EXPECT_EQ(t.name, "My Title");
    EXPECT_EQ(t.artist, "Jane Director");
    EXPECT_EQ(t.albumArtist, "A, B");
    EXPECT_EQ(t.comments, "A comment");
    EXPECT_EQ(t.genre, "Drama");
    EXPECT_EQ(t.releaseDate, "2012-01-01T12:00:00Z");
    EXPECT_EQ(t.description, "Short");
    EXPECT_EQ(t.longDescription, "Long text");
    EXPECT_EQ(t.copyright, "(c) 2012");
    EXPECT_EQ(t.mediaType, 9);
    EXPECT_EQ(t.hdVideo, 2);
    EXPECT_EQ(t.gapless, 1);
    EXPECT_EQ(t.compilation, 0);
    EXPECT_EQ(t.composer, "Writer One");
    EXPECT_EQ(t.grouping, "Grp");
    EXPECT_EQ(t.keywords, "kw");
    EXPECT_EQ(t.tvEpisode, 3u);
    EXPECT_EQ(t.tvSeason, 2u);
    EXPECT_EQ(t.track, (mp4::NumberPair{4, 10}));
    EXPECT_EQ(t.disk, (mp4::NumberPair{1, 2}));
    EXPECT_EQ(t.lyrics, "la");
    EXPECT_EQ(t.album, "The Album");
    EXPECT_TRUE(t.encodingTool.has_value());
    EXPECT_FALSE(t.contentID.has_value());
    // ffprobe agrees on the global tags it knows.
    const QJsonObject tags = factory.ffprobe(file)["format"].toObject()["tags"].toObject();
    EXPECT_EQ(tags["title"].toString().toStdString(), *t.name);
    EXPECT_EQ(tags["encoder"].toString().toStdString(), *t.encodingTool);
}

TEST(Reader, ChaptersOfBothKindsMatchFfprobe)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.seconds = 3;
    recipe.chapters = {{"Opening", 0, 1000}, {"Middle – ünïcødé", 1000, 2500}, {"End", 2500, 3000}};
    const QString file = factory.make(recipe, "chap.m4v");
    auto movie = openRead(file);
    auto qt = movie.chapters(mp4::ChapterType::QuickTime);
    ASSERT_TRUE(qt.has_value());
    const QJsonArray probed = factory.ffprobe(file)["chapters"].toArray();
    ASSERT_EQ(qt->size(), static_cast<std::size_t>(probed.size()));
    for (int i = 0; i < probed.size(); ++i) {
        const QJsonObject c = probed[i].toObject();
        const auto& ours = (*qt)[static_cast<std::size_t>(i)];
        EXPECT_EQ(ours.title, c["tags"].toObject()["title"].toString().toStdString());
        const double length = c["end_time"].toString().toDouble() - c["start_time"].toString().toDouble();
        EXPECT_NEAR(double(ours.durationMs) / 1000.0, length, 0.002) << ours.title;
    }
    auto nero = movie.chapters(mp4::ChapterType::Nero);
    ASSERT_TRUE(nero.has_value());
    ASSERT_EQ(nero->size(), 3u);
    EXPECT_EQ((*nero)[1].title, "Middle – ünïcødé");
    EXPECT_EQ((*nero)[1].durationMs, 1500u);
    auto any = movie.chapters(mp4::ChapterType::Any);
    ASSERT_TRUE(any.has_value());
    EXPECT_EQ(*any, *qt);

    MovieRecipe quickTimeOnly = recipe;
    quickTimeOnly.neroChapters = false;
    auto qtOnly = openRead(factory.make(quickTimeOnly, "qt.mp4"));
    EXPECT_TRUE(qtOnly.chapters(mp4::ChapterType::Nero)->empty());
    EXPECT_EQ(qtOnly.chapters(mp4::ChapterType::QuickTime)->size(), 3u);
    EXPECT_TRUE(openRead(factory.make(MovieRecipe{}, "none.mp4")).chapters(mp4::ChapterType::Any)->empty());
}

TEST(Reader, CoverArtInFileOrder)
{
    MovieFactory factory;
    MovieRecipe recipe;
    const QString jpg = factory.makeImage("c.jpg", 64, 48);
    const QString png = factory.makeImage("c.png", 32, 32);
    recipe.coverImages = {jpg, png};
    const mp4::Tags t = openRead(factory.make(recipe, "cover.mp4")).tags();
    ASSERT_EQ(t.artwork.size(), 2u);
    EXPECT_EQ(t.artwork[0].type, mp4::ArtworkType::Jpeg);
    EXPECT_EQ(t.artwork[0].data, bytesOf(readAll(jpg)));
    EXPECT_EQ(t.artwork[1].type, mp4::ArtworkType::Png);
    EXPECT_EQ(t.artwork[1].data, bytesOf(readAll(png)));
}

TEST(Reader, AtomicParsleyTaggedFileReadsBackExactly)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "ap.mp4");
    const QString jpg = factory.makeImage("a.jpg", 64, 48);
    const QString png = factory.makeImage("b.png", 40, 40);
    const QString plist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>cast</key><array><dict>"
        "<key>name</key><string>Actor One</string></dict></array></dict></plist>";
    ASSERT_TRUE(
        factory.atomicParsleyTag(file, {"--title",     "AP Title",  "--stik",          "Movie",
                                        "--hdvideo",   "1",         "--contentRating", "PG-13",
                                        "--cnID",      "123456789", "--advisory",      "explicit",
                                        "--artwork",   jpg,         "--artwork",       png,
                                        "--rDNSatom",  plist,       "name=iTunMOVI",   "domain=com.apple.iTunes",
                                        "--sortOrder", "name",      "Title, The"}));
    auto movie = openRead(file);
    const mp4::Tags t = movie.tags();
    EXPECT_EQ(t.name, "AP Title");
    EXPECT_EQ(t.sortName, "Title, The");
    EXPECT_EQ(t.mediaType, 9);
    EXPECT_EQ(t.hdVideo, 1);
    EXPECT_EQ(t.contentRating, 4);  // AtomicParsley writes the old "explicit" value
    EXPECT_EQ(t.contentID, 123456789u);
    ASSERT_EQ(t.artwork.size(), 2u);
    EXPECT_EQ(t.artwork[0].data, bytesOf(readAll(jpg)));
    EXPECT_EQ(t.artwork[1].data, bytesOf(readAll(png)));

    const auto extc = movie.itemsByMeaning("com.apple.iTunes", "iTunEXTC");
    ASSERT_EQ(extc.size(), 1u);
    ASSERT_EQ(extc[0].data.size(), 1u);
    EXPECT_EQ(std::string(extc[0].data[0].value.begin(), extc[0].data[0].value.end()), "mpaa|PG-13|300|");
    const auto movi = movie.itemsByMeaning("com.apple.iTunes", "iTunMOVI");
    ASSERT_EQ(movi.size(), 1u);
    EXPECT_EQ(std::string(movi[0].data[0].value.begin(), movi[0].data[0].value.end()), plist.toStdString());
    EXPECT_EQ(movie.itemsByMeaning("com.apple.iTunes", "").size(), 2u);
    const auto cnid = movie.itemsByCode("cnID");
    ASSERT_EQ(cnid.size(), 1u);
    EXPECT_EQ(cnid[0].data[0].typeCode, mp4::DataType::Integer);
    EXPECT_EQ(mp4::bigEndianValue(cnid[0].data[0].value), 123456789u);
}

TEST(Reader, LargeSparseFileAndUnicodePath)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.metadata = {{"title", "Big"}};
    const QString base = factory.make(recipe, "base.mp4");
    const QString big = factory.makeSparseLarge(base, "Fïlm ✓ große Datei.mp4");
    ASSERT_FALSE(big.isEmpty());
    auto movie = openRead(big);
    EXPECT_EQ(movie.tags().name, "Big");
    EXPECT_EQ(movie.trackCount(), 2u);
}

TEST(Reader, RefusesWhatIsNotAMovie)
{
    MovieFactory factory;
    std::vector<std::string> lines;
    auto previous = mp4::setLogSink([&lines](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(mp4::MovieFile::openForRead(fsPath(factory.path("missing.mp4"))).error().code,
              mp4::Error::Code::NotFound);
    const QString text = factory.writeFile("text.mp4", "this is not a movie file at all");
    EXPECT_FALSE(mp4::MovieFile::openForRead(fsPath(text)).has_value());
    const QString empty = factory.writeFile("empty.mp4", "");
    EXPECT_FALSE(mp4::MovieFile::openForRead(fsPath(empty)).has_value());
    // A file holding only an ftyp has no movie.
    const QString ftypOnly = factory.writeFile("ftyp.mp4", QByteArray::fromHex("00000010667479706973366f00000200"));
    EXPECT_EQ(mp4::MovieFile::openForRead(fsPath(ftypOnly)).error().code, mp4::Error::Code::Corrupt);
    mp4::setLogSink(previous);
    EXPECT_GE(lines.size(), 4u);
}

TEST(Reader, RefusesWhatIsNotARegularFileWithoutWaiting)
{
    MovieFactory factory;
    const std::string fifo = factory.path("pipe.mp4").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = factory.path("socket.mp4").toStdString();
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    const std::string folder = factory.dir().toStdString();

    std::vector<std::string> lines;
    auto previous = mp4::setLogSink([&lines](std::string_view l) { lines.emplace_back(l); });
    for (const std::string& path : {fifo, socketPath, std::string("/dev/null"), folder}) {
        for (bool modify : {false, true}) {
            auto opening = std::async(std::launch::async, [&path, modify] {
                return modify ? mp4::MovieFile::openForModify(path) : mp4::MovieFile::openForRead(path);
            });
            if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
                // A writer lets a reader that waits on the pipe go on, so the test ends.
                const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                ADD_FAILURE() << "opening waited on " << path;
                opening.wait();
                ::close(writer);
                continue;
            }
            const auto result = opening.get();
            ASSERT_FALSE(result.has_value()) << path;
            EXPECT_EQ(result.error().code, mp4::Error::Code::InvalidArgument) << path << ": " << result.error().message;
            ASSERT_FALSE(lines.empty());
            EXPECT_NE(lines.back().find("not a regular file"), std::string::npos) << lines.back();
            EXPECT_NE(lines.back().find(path), std::string::npos) << lines.back();
            lines.clear();
        }
    }
    mp4::setLogSink(previous);
    ::close(sock);
}
