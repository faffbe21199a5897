// Any byte sequence gives a parsed file or an error: every truncation of a real file, seeded
// mutations of it and hand-made hostile structures, all read in full (and some saved).
#include "mp4testutil.h"

#include "mp4/log.h"

#include <QFile>

#include <gtest/gtest.h>

#include <random>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

// Reads everything the library offers; returns whether the file opened.
bool readEverything(const QString& path)
{
    auto movie = mp4::MovieFile::openForRead(fsPath(path));
    if (!movie) {
        return false;
    }
    for (const auto& t : movie->tracks()) {
        (void)movie->tx3gDescription(t.id);
    }
    (void)movie->tags();
    (void)movie->items();
    (void)movie->chapters(mp4::ChapterType::QuickTime);
    (void)movie->chapters(mp4::ChapterType::Nero);
    return true;
}

// Saves a change; whatever happens, nothing may crash.
void modifyEverything(const QString& path)
{
    auto movie = mp4::MovieFile::openForModify(fsPath(path));
    if (!movie) {
        return;
    }
    mp4::Tags tags = movie->tags();
    tags.name = "Changed";
    (void)movie->setTags(tags);
    (void)movie->setChapters({{500, "One"}});
    (void)movie->close();
}

class QuietLog {
public:
    QuietLog() : m_previous(mp4::setLogSink([this](std::string_view) { ++m_lines; })) {}
    ~QuietLog() { mp4::setLogSink(m_previous); }
    int lines() const { return m_lines; }

private:
    int m_lines = 0;
    mp4::LogSink m_previous;
};

QString smallMovie(MovieFactory& factory)
{
    MovieRecipe recipe;
    recipe.width = 32;
    recipe.height = 32;
    recipe.seconds = 0.2;
    recipe.chapters = {{"A", 0, 100}, {"B", 100, 200}};
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,050 --> 00:00:00,100\nHi\n\n", "deu"};
    recipe.coverImages = {factory.makeImage("c.png", 8, 8)};
    recipe.metadata = {{"title", "Small"}};
    return factory.make(recipe, "small.mp4");
}

}  // namespace

TEST(Robustness, EveryTruncationOfARealFile)
{
    MovieFactory factory;
    QuietLog quiet;
    const QByteArray whole = readAll(smallMovie(factory));
    ASSERT_GT(whole.size(), 1000);
    const QString path = factory.path("cut.mp4");
    int opened = 0;
    for (int length = 0; length <= whole.size(); ++length) {
        QFile::remove(path);  // not truncated in place: ext4 would flush on every close
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(whole.constData(), length);
        f.close();
        opened += readEverything(path) ? 1 : 0;
    }
    // The moov is last: only the whole file holds it complete.
    EXPECT_EQ(opened, 1);
    EXPECT_GT(quiet.lines(), whole.size() / 2);
}

TEST(Robustness, SeededMutationsNeverCrash)
{
    MovieFactory factory;
    QuietLog quiet;
    const QByteArray whole = readAll(smallMovie(factory));
    const int moovStart = whole.lastIndexOf("moov") - 4;
    ASSERT_GT(moovStart, 0);
    std::mt19937 random(20240611);
    const QString path = factory.path("mutant.mp4");
    int opened = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = whole;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i) {
            // Mostly inside the moov, where the structure is.
            const int span = round % 4 == 0 ? bytes.size() : bytes.size() - moovStart;
            const int at = (round % 4 == 0 ? 0 : moovStart) + static_cast<int>(random() % span);
            switch (random() % 3) {
                case 0:
                    bytes[at] = static_cast<char>(random());
                    break;
                case 1:
                    bytes[at] = static_cast<char>(0xFF);
                    break;
                default:
                    bytes[at] = 0;
                    break;
            }
        }
        QFile::remove(path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        opened += readEverything(path) ? 1 : 0;
        if (round % 30 == 0) {
            modifyEverything(path);
            readEverything(path);
        }
    }
    EXPECT_GT(opened, 0);
}

TEST(Robustness, HostileStructures)
{
    MovieFactory factory;
    QuietLog quiet;
    auto be32 = [](quint32 v) {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i) {
            b[i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
        }
        return b;
    };
    auto box = [&](const char* type, const QByteArray& body) { return be32(8 + body.size()) + type + body; };
    const QByteArray ftyp = box("ftyp", "isom" + be32(0x200) + "isom");
    QByteArray mvhd(100, 0);
    mvhd[15] = 0x03;  // time scale 1000
    mvhd[19] = 0x01;

    // Endless nesting: udta inside udta, far deeper than any real file.
    QByteArray nested;
    for (int i = 0; i < 5000; ++i) {
        nested = box("udta", nested);
    }
    EXPECT_FALSE(readEverything(factory.writeFile("deep.mp4", ftyp + box("moov", box("mvhd", mvhd) + nested))));

    // A moov that claims far more bytes than the file has.
    EXPECT_FALSE(readEverything(factory.writeFile("lying.mp4", ftyp + be32(0x7FFFFFF0) + "moov" + box("mvhd", mvhd))));

    // A chapter track whose tables claim four billion samples of fixed size.
    QByteArray tkhdV(84, 0);
    tkhdV[15] = 1;  // id 1
    QByteArray tkhdT(84, 0);
    tkhdT[15] = 2;
    auto hdlr = [&](const char* type) { return box("hdlr", be32(0) + be32(0) + type + QByteArray(13, 0)); };
    QByteArray mdhd(24, 0);
    mdhd[15] = 0x03;
    mdhd[16 + 3] = 0x01;
    const QByteArray stbl =
        box("stbl", box("stsd", be32(0) + be32(0)) + box("stts", be32(0) + be32(1) + be32(0xFFFFFFFF) + be32(1)) +
                        box("stsc", be32(0) + be32(1) + be32(1) + be32(0xFFFFFFFF) + be32(1)) +
                        box("stsz", be32(0) + be32(16) + be32(0xFFFFFFFF)) +
                        box("stco", be32(0) + be32(0xFFFFFFFF) + be32(0)));
    const QByteArray video = box(
        "trak", box("tkhd", tkhdV) + box("tref", box("chap", be32(2))) + box("mdia", box("mdhd", mdhd) + hdlr("vide")));
    const QByteArray text =
        box("trak", box("tkhd", tkhdT) + box("mdia", box("mdhd", mdhd) + hdlr("text") + box("minf", stbl)));
    const QString hostile = factory.writeFile("tables.mp4", ftyp + box("moov", box("mvhd", mvhd) + video + text));
    ASSERT_TRUE(readEverything(hostile));
    auto movie = openRead(hostile);
    auto chapters = movie.chapters(mp4::ChapterType::QuickTime);
    EXPECT_FALSE(chapters.has_value());  // samples outside the file
    modifyEverything(hostile);

    // Files fuzzing found: samples inside a free box, an empty chunk offset table.
    for (const char* name : {"media-in-free.mp4", "empty-chunk-offsets.mp4"}) {
        const QString copy = factory.writeFile(name, readAll(hostileFile(name)));
        EXPECT_TRUE(readEverything(copy)) << name;
        modifyEverything(copy);
        modifyEverything(copy);
        EXPECT_TRUE(readEverything(copy)) << name;
    }

    // Random bytes.
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        QByteArray noise(64 + static_cast<int>(random() % 4000), 0);
        for (auto& c : noise) {
            c = static_cast<char>(random());
        }
        if (i % 2 == 0) {
            noise = ftyp + box("moov", noise);
        }
        readEverything(factory.writeFile("noise.mp4", noise));
    }
}
