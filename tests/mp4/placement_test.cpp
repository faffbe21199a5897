// Where a commit puts the new moov: into dead space when some fits, never over media that a
// chunk of the live moov reaches into (even when no track starts there, when the track is
// being deleted by this very save, or when a track's tables cannot be read).
#include "mp4testutil.h"

#include "mp4/bytechain.h"
#include "mp4/sampletable.h"

#include <QFileInfo>

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
            joined.insert(joined.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(joined, mp4::Bytes(flat.begin() + static_cast<std::ptrdiff_t>(from),
                                     flat.begin() + static_cast<std::ptrdiff_t>(to)))
            << from << ".." << to;
    }
}
