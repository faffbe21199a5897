// Where a commit puts the new moov: into dead space when some fits, never over media that a
// chunk of the live moov reaches into (even when no track starts there, when the track is
// being deleted by this very save, or when a track's tables cannot be read).
#include "mp4testutil.h"

#include "mp4/bytechain.h"
#include "mp4/log.h"
#include "mp4/sampletable.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

QByteArray be32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    }
    return b;
}

QByteArray box(const char* type, const QByteArray& body)
{
    return be32(static_cast<quint32>(8 + body.size())) + type + body;
}

QByteArray fullBox(const char* type, const QByteArray& body, quint32 flags = 0)
{
    return box(type, be32(flags) + body);
}

struct Chunk {
    quint32 offset;
    quint32 size;
};

// An audio track with one sample per chunk; without `stsz` when `readable` is false.
QByteArray track(quint32 id, const QList<Chunk>& chunks, bool readable = true)
{
    const auto n = static_cast<quint32>(chunks.size());
    QByteArray tkhd(80, 0);
    tkhd.replace(8, 4, be32(id));
    tkhd.replace(16, 4, be32(100 * n));
    const QByteArray mdhd = be32(0) + be32(0) + be32(1000) + be32(100 * n) + QByteArray::fromHex("55C40000");
    QByteArray sizes;
    QByteArray offsets;
    for (const Chunk& c : chunks) {
        sizes += be32(c.size);
        offsets += be32(c.offset);
    }
    const QByteArray stbl = box("stbl", fullBox("stsd", be32(0)) + fullBox("stts", be32(1) + be32(n) + be32(100)) +
                                            fullBox("stsc", be32(1) + be32(1) + be32(1) + be32(1)) +
                                            (readable ? fullBox("stsz", be32(0) + be32(n) + sizes) : QByteArray()) +
                                            fullBox("stco", be32(n) + offsets));
    const QByteArray dinf = box("dinf", fullBox("dref", be32(1) + fullBox("url ", QByteArray(), 1)));
    const QByteArray hdlr = fullBox("hdlr", be32(0) + "soun" + QByteArray(13, 0));
    return box("trak", fullBox("tkhd", tkhd, 3) + box("mdia", fullBox("mdhd", mdhd) + hdlr +
                                                                  box("minf", fullBox("smhd", be32(0)) + dinf + stbl)));
}

// ftyp, mdat A (1000 bytes), free (16), mdat B (200 000 bytes), then a moov holding the
// tracks that `makeTracks` builds from where A's and B's payloads start.
struct Layout {
    quint32 a = 0;         // first payload byte of A
    quint32 b = 0;         // first payload byte of B
    qint64 freeStart = 0;  // the free box between them
    qint64 bStart = 0;
    qint64 bEnd = 0;
};

QString makeFile(MovieFactory& factory, const QString& name, Layout& l,
                 const std::function<QByteArray(const Layout&)>& makeTracks)
{
    const QByteArray ftyp = box("ftyp", "isom" + be32(0x200) + "isom");
    QByteArray media(200000, 0);
    for (int i = 0; i < media.size(); ++i) {
        media[i] = static_cast<char>(i * 7);
    }
    l.a = static_cast<quint32>(ftyp.size() + 8);
    l.freeStart = ftyp.size() + 1008;
    l.bStart = l.freeStart + 16;
    l.b = static_cast<quint32>(l.bStart + 8);
    l.bEnd = l.bStart + 8 + media.size();
    QByteArray mvhd(96, 0);
    mvhd.replace(8, 4, be32(1000));
    mvhd.replace(12, 4, be32(200));
    mvhd.replace(92, 4, be32(3));
    const QByteArray moov = box("moov", fullBox("mvhd", mvhd) + makeTracks(l));
    return factory.writeFile(
        name, ftyp + box("mdat", QByteArray(1000, 'a')) + box("free", QByteArray(8, 0)) + box("mdat", media) + moov);
}

QByteArray mediaOfB(const QString& path, const Layout& l)
{
    return readAll(path).mid(l.bStart, l.bEnd - l.bStart);
}

std::uint64_t moovOffset(const QString& path)
{
    for (const auto& b : topLevel(path)) {
        if (b.type == mp4::FourCC("moov")) {
            return b.offset;
        }
    }
    return 0;
}

void saveTitle(const QString& path, const std::string& title, std::uint32_t deleteTrack = 0)
{
    auto movie = openModify(path);
    mp4::Tags tags;
    tags.name = title;
    ASSERT_TRUE(movie.setTags(tags));
    if (deleteTrack != 0) {
        ASSERT_TRUE(movie.deleteTrack(deleteTrack));
    }
    ASSERT_TRUE(movie.close());
}

}  // namespace

TEST(Placement, MediaThatAChunkReachesIntoIsNeverReused)
{
    MovieFactory factory;
    // B holds the second chunk of track 1 and no first chunk of any track.
    Layout l;
    const QString spanning = makeFile(factory, "spanning.mp4", l, [](const Layout& l) {
        return track(1, {{l.a, 1000}, {l.b, 200000}});
    });
    const QByteArray media = mediaOfB(spanning, l);
    for (int i = 0; i < 3; ++i) {
        saveTitle(spanning, "Save " + std::to_string(i));
        EXPECT_EQ(mediaOfB(spanning, l), media) << "save " << i;
        EXPECT_GE(moovOffset(spanning), static_cast<std::uint64_t>(l.bEnd));
        EXPECT_EQ(openRead(spanning).tags().name, "Save " + std::to_string(i));
    }

    // A track whose tables cannot be read might point anywhere: B stays, though nothing
    // readable points there.
    const QString unreadable = makeFile(factory, "unreadable.mp4", l, [](const Layout& l) {
        return track(1, {{l.a, 1000}}) + track(2, {{l.a, 10}}, false);
    });
    saveTitle(unreadable, "Kept");
    EXPECT_EQ(mediaOfB(unreadable, l), media);
    EXPECT_GE(moovOffset(unreadable), static_cast<std::uint64_t>(l.bEnd));
}

TEST(Placement, DeadMediaIsReusedAndTheFileShrinks)
{
    MovieFactory factory;
    Layout l;
    const QString file = makeFile(factory, "dead.mp4", l, [](const Layout& l) { return track(1, {{l.a, 1000}}); });
    const qint64 size = QFileInfo(file).size();
    saveTitle(file, "Reused");
    // The free box and the unreferenced mdat behind it took the new moov; the old one, last
    // in the file, is cut off.
    EXPECT_EQ(moovOffset(file), static_cast<std::uint64_t>(l.freeStart));
    EXPECT_LT(QFileInfo(file).size(), size);
    EXPECT_EQ(openRead(file).tags().name, "Reused");
}

TEST(Placement, MediaOfATrackDeletedBySaveStaysUntilTheNewMoovIsLive)
{
    MovieFactory factory;
    Layout l;
    const QString file = makeFile(factory, "deleted.mp4", l, [](const Layout& l) {
        return track(1, {{l.a, 1000}}) + track(2, {{l.b, 200000}});
    });
    const QByteArray media = mediaOfB(file, l);
    saveTitle(file, "Without two", 2);
    // The old moov was live while this save wrote: track 2's media could not be the place.
    EXPECT_EQ(mediaOfB(file, l), media);
    EXPECT_GE(moovOffset(file), static_cast<std::uint64_t>(l.bEnd));
    EXPECT_EQ(openRead(file).trackCount(), 1u);
    // The next save may use it.
    saveTitle(file, "Again");
    EXPECT_EQ(moovOffset(file), static_cast<std::uint64_t>(l.freeStart));
    EXPECT_EQ(openRead(file).tags().name, "Again");
}

TEST(Placement, ChunkRangesAgreeWithTheSamplesOfRealTracks)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.chapters = {{"One", 0, 1000}, {"Two", 1000, 2000}};
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,900\nHi\n\n", "eng"};
    const mp4::Box moov = moovTree(factory.make(recipe, "real.mp4"));
    int tracks = 0;
    for (const mp4::Box& trak : moov.children) {
        const mp4::Box* stbl = trak.find({"mdia", "minf", "stbl"});
        if (!stbl) {
            continue;
        }
        ++tracks;
        const auto table = mp4::SampleTable::parse(*stbl);
        ASSERT_TRUE(table);
        const auto samples = table->samples(1000000);
        std::vector<mp4::SampleTable::Range> chunks;
        ASSERT_TRUE(mp4::SampleTable::forEachChunk(*stbl, [&chunks](std::span<const mp4::SampleTable::Range> r) {
            chunks.insert(chunks.end(), r.begin(), r.end());
        }));
        // Every sample lies in the chunk that starts at or before it, and the chunks hold
        // exactly the samples' bytes.
        std::uint64_t chunkBytes = 0;
        for (const auto& [start, end] : chunks) {
            chunkBytes += end - start;
        }
        std::uint64_t sampleBytes = 0;
        for (const auto& s : samples) {
            sampleBytes += s.size;
            const bool inside = std::any_of(chunks.begin(), chunks.end(), [&s](const auto& c) {
                return s.offset >= c.first && s.offset + s.size <= c.second;
            });
            EXPECT_TRUE(inside) << "sample at " << s.offset;
        }
        EXPECT_EQ(chunkBytes, sampleBytes);
        EXPECT_GT(chunks.size(), 0u);
    }
    EXPECT_EQ(tracks, 4);  // video, audio, subtitle, chapters
}

TEST(Placement, ByteChainSlicesAcrossCopiedAndReferredPieces)
{
    mp4::Bytes large(100000);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 13);
    }
    const mp4::Bytes small{1, 2, 3};
    mp4::ByteChain chain;
    chain.append(small);
    chain.append(large);             // referred to
    chain.append(mp4::Bytes{4, 5});  // a temporary: copied
    chain.append(small);
    mp4::Bytes flat = small;
    flat.insert(flat.end(), large.begin(), large.end());
    flat.insert(flat.end(), {4, 5});
    flat.insert(flat.end(), small.begin(), small.end());
    ASSERT_EQ(chain.size(), flat.size());
    for (const auto& [from, to] : std::vector<std::pair<std::uint64_t, std::uint64_t>>{
             {0, flat.size()}, {0, 8}, {2, 5}, {3, 100003}, {100002, flat.size()}, {50000, 50001}, {7, 7}}) {
        mp4::Bytes joined;
        for (const auto& piece : chain.slice(from, to)) {
            joined.insert(joined.end(), piece.bytes.begin(), piece.bytes.end());
        }
        EXPECT_EQ(joined, mp4::Bytes(flat.begin() + static_cast<std::ptrdiff_t>(from),
                                     flat.begin() + static_cast<std::ptrdiff_t>(to)))
            << from << ".." << to;
    }
}

// A write made of bytes in memory and of ranges of the file itself lands whole, or, cut short
// anywhere (inside a copied range too), as exactly its first bytes, with an error.
TEST(Placement, WritesOfMemoryAndFileRangesLandWholeOrAsTheirStart)
{
    MovieFactory factory;
    QByteArray original(300000, 0);
    for (qsizetype i = 0; i < original.size(); ++i) {
        original[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    const QString path = factory.writeFile("pieces.bin", original);
    const mp4::Bytes large(70000, 0xA5);  // referred to, not copied in
    mp4::ByteChain chain;
    chain.append(mp4::Bytes{1, 2, 3});
    chain.appendFileRange(1000, 100000);
    chain.append(large);
    chain.appendFileRange(150000, 20000);
    chain.append(mp4::Bytes{4, 5});
    const QByteArray expected = QByteArray("\x01\x02\x03", 3) + original.mid(1000, 100000) +
                                QByteArray(70000, static_cast<char>(0xA5)) + original.mid(150000, 20000) +
                                QByteArray("\x04\x05", 2);
    ASSERT_EQ(chain.size(), static_cast<std::uint64_t>(expected.size()));
    constexpr std::uint64_t kAt = 200000;  // over the end of the file: it grows
    const auto total = static_cast<std::size_t>(expected.size());
    for (std::size_t cut : {total, std::size_t{0}, std::size_t{2}, std::size_t{3}, std::size_t{60000},
                            std::size_t{100003}, std::size_t{170004}, total - 1}) {
        ASSERT_TRUE(factory.writeFile("pieces.bin", original) == path);
        mp4::FileHandle::setWriteHook([cut](std::uint64_t, std::size_t length) { return std::min(cut, length); });
        auto file = mp4::FileHandle::open(fsPath(path), true);
        ASSERT_TRUE(file);
        const auto pieces = chain.all();
        const bool written = file->writeAt(kAt, pieces).has_value();
        mp4::FileHandle::setWriteHook({});
        file->close();
        EXPECT_EQ(written, cut == total) << "cut at " << cut;
        const QByteArray after = readAll(path);
        EXPECT_EQ(after.left(kAt), original.left(kAt)) << "cut at " << cut;
        EXPECT_EQ(after.mid(kAt, static_cast<qsizetype>(cut)), expected.left(static_cast<qsizetype>(cut)))
            << "cut at " << cut;
        EXPECT_EQ(after.size(), std::max<qsizetype>(original.size(), kAt + static_cast<qsizetype>(cut)));
    }
    // A write over a range it copies is refused before anything is written.
    ASSERT_TRUE(factory.writeFile("pieces.bin", original) == path);
    auto file = mp4::FileHandle::open(fsPath(path), true);
    ASSERT_TRUE(file);
    const auto pieces = chain.all();
    EXPECT_FALSE(file->writeAt(90000, pieces));
    file->close();
    EXPECT_EQ(readAll(path), original);
}

namespace {

// Where the largest mdat, the movie's media, starts.
std::uint64_t mediaOffset(const QString& path)
{
    mp4::TopLevelBox media;
    for (const auto& b : topLevel(path)) {
        if (b.type == mp4::FourCC("mdat") && b.size > media.size) {
            media = b;
        }
    }
    return media.offset;
}

// The sample tables of the file's video and audio tracks, as bytes.
QList<QByteArray> mediaTables(const QString& path)
{
    QList<QByteArray> out;
    for (const mp4::Box& trak : moovTree(path).children) {
        const mp4::Box* stbl = trak.find({"mdia", "minf", "stbl"});
        const auto handler = trak.find({"mdia", "hdlr"});
        if (stbl && handler && (handler->payload[8] == 'v' || handler->payload[8] == 's')) {
            const mp4::Bytes b = stbl->serialize();
            out << QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
        }
    }
    return out;
}

}  // namespace

TEST(Placement, LongSampleTablesAreReadWhenNeededAndWrittenBackAsTheyWere)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.seconds = 30;  // over a thousand audio samples: tables larger than what reading loads
    const QString file = factory.make(recipe, "long.mp4");
    const QList<QByteArray> tables = mediaTables(file);
    ASSERT_EQ(tables.size(), 2);
    const QStringList packets = factory.mediaPacketChecksums(file);
    // A chapter track of 1,100 samples: its tables too are left in the file until read.
    std::vector<mp4::Chapter> chapters;
    for (int i = 0; i < 1100; ++i) {
        chapters.push_back({25, "Chapter " + std::to_string(i)});
    }
    {
        auto movie = openModify(file);
        ASSERT_TRUE(movie.setChapters(chapters));
        ASSERT_TRUE(movie.close());
    }
    for (int save = 0; save < 2; ++save) {
        auto movie = save == 0 ? openRead(file) : openModify(file);
        const auto counts = movie.tracks();
        ASSERT_EQ(counts.size(), 3u);
        EXPECT_GT(counts[1].sampleCount, 1000u);
        const auto read = movie.chapters();
        ASSERT_TRUE(read);
        ASSERT_EQ(read->size(), chapters.size());
        EXPECT_EQ(read->back().title, chapters.back().title);
        if (save == 1) {
            mp4::Tags tags;
            tags.name = "Tables kept";
            ASSERT_TRUE(movie.setTags(tags));
            ASSERT_TRUE(movie.close());
        }
    }
    EXPECT_EQ(mediaTables(file), tables);
    EXPECT_EQ(factory.mediaPacketChecksums(file), packets);
    EXPECT_EQ(factory.ffprobe(file)["chapters"].toArray().size(), 1100);
    EXPECT_EQ(openRead(file).tags().name, "Tables kept");
    const QString ap = factory.atomicParsleyTags(file);
    EXPECT_TRUE(ap.contains("Atom \"©nam\" contains: Tables kept")) << ap.toStdString();
}

TEST(Placement, MoovStaysInFrontOfTheMediaWhereFreeSpaceThereHoldsIt)
{
    MovieFactory factory;
    std::vector<std::string> lines;
    auto previous = mp4::setLogSink([&lines](std::string_view l) { lines.emplace_back(l); });
    auto saveWith = [](const QString& path, std::size_t coverBytes, std::vector<mp4::Chapter> chapters) {
        auto movie = openModify(path);
        mp4::Tags tags;
        tags.name = "Front";
        if (coverBytes) {
            tags.artwork = {{mp4::Bytes(coverBytes, 0x5A), mp4::ArtworkType::Jpeg}};
        }
        ASSERT_TRUE(movie.setTags(tags));
        ASSERT_TRUE(movie.setChapters(chapters));
        ASSERT_TRUE(movie.close());
    };
    MovieRecipe reserving;
    reserving.reservedMoovBytes = 30000;
    const QString roomy = factory.make(reserving, "roomy.mp4");
    saveWith(roomy, 5000, {{1000, "One"}});
    EXPECT_LT(moovOffset(roomy), mediaOffset(roomy));
    EXPECT_TRUE(lines.empty());

    // Streaming layout without room: the moov goes behind the media, and the log says so.
    MovieRecipe faststart;
    faststart.faststart = true;
    faststart.chapters = {{"One", 0, 1000}, {"Two", 1000, 2000}};
    const QString fast = factory.make(faststart, "fast.mp4");
    saveWith(fast, 20000, {});
    EXPECT_GT(moovOffset(fast), mediaOffset(fast));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("follows the media"), std::string::npos);
    // Once it fits into the space the old moov left in front, it goes back there.
    lines.clear();
    saveWith(fast, 0, {});
    EXPECT_LT(moovOffset(fast), mediaOffset(fast));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(factory.ffprobe(fast)["format"].toObject()["tags"].toObject()["title"].toString(), "Front");
    mp4::setLogSink(previous);
}
