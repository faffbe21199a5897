// Files a save takes or refuses by where their media lies. Tracks whose data
// references say "in this file", in either form QuickTime writers use, are
// saved and read back by the other readers; a reference to another file, or
// a download cut short (its chunks reach past its end), is refused with the
// file left byte for byte as it was and the cause in the log.
#include "moviefiletestsupport.h"

#include "model/moviemodel.h"
#include "platform/log.h"
#include "support/moviefactory.h"
#include "tagging/metadatautilities.h"
#include "tagging/mp4logbridge.h"

#include <QJsonObject>
#include <QtEndian>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace moviefiletest;
using MetaDataUtilities::WriteFailure;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

// Each track's data reference, a self-contained `url ` as ffmpeg writes it, turned into an
// entry of `type` of the same size with the self-reference flag as given.
QByteArray withDataReferences(QByteArray bytes, const char* type, bool self)
{
    const QByteArray selfUrl = QByteArray::fromHex("0000000c") + "url " + QByteArray::fromHex("00000001");
    const QByteArray entry =
        QByteArray::fromHex("0000000c") + type + QByteArray::fromHex(self ? "00000001" : "00000000");
    EXPECT_EQ(bytes.count(selfUrl), 2) << "one reference per track, video and audio";
    return bytes.replace(selfUrl, entry);
}

// A movie with its index in front, cut in the middle of its media as an interrupted download
// is; the media box (the first "mdat" bytes of such a file) then claims what is left, or runs
// to the end of the file.
QByteArray cutShort(const QByteArray& whole, bool openEnded)
{
    const qsizetype at = whole.indexOf("mdat") - 4;
    const qsizetype keep = at + 8 + (whole.size() - at - 8) / 2;
    QByteArray bytes = whole.left(keep);
    qToBigEndian<quint32>(openEnded ? 0 : static_cast<quint32>(keep - at), bytes.data() + at);
    return bytes;
}

TEST(MediaPlace, MediaInThisFileIsSavedAndMediaElsewhereOrMissingIsRefused)
{
    MovieFactory factory;
    MovieRecipe recipe;
    recipe.seconds = 2.0;
    recipe.metadata = {{"title", "Old"}};
    const QString moovLast = factory.make(recipe, "plain.m4v");
    recipe.faststart = true;
    const QString moovFirst = factory.make(recipe, "faststart.m4v");
    const QStringList packets = factory.mediaPacketChecksums(moovLast);

    const struct {
        const char* name;
        QByteArray bytes;
        std::optional<WriteFailure> refused;
        const char* logged;
    } cases[] = {
        {"alis self-references", withDataReferences(contentsOf(moovLast), "alis", true), {}, ""},
        {"alis to another file", withDataReferences(contentsOf(moovLast), "alis", false), WriteFailure::NotChangeable,
         "samples stored in other files"},
        {"cut short, the media box sized to what is left", cutShort(contentsOf(moovFirst), false),
         WriteFailure::NotChangeable, "cut short"},
        {"cut short, the media box open-ended", cutShort(contentsOf(moovFirst), true), WriteFailure::NotChangeable,
         "cut short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = factory.writeFile(QString(c.name).replace(' ', '-') + ".m4v", c.bytes);
        MovieModel movie;
        ASSERT_TRUE(MetaDataUtilities::readMetaDataFromURL(urlOf(file), movie, "en"));
        EXPECT_EQ(movie.title(), "Old");
        movie.setTitle("New");

        const Mp4LogBridge bridge;
        const platform::LogCapture log;
        const auto written = MetaDataUtilities::writeMetaDataToURL(movie, QUrl(), "en");
        if (c.refused) {
            EXPECT_EQ(written ? std::nullopt : std::optional(written.error()), c.refused);
            EXPECT_TRUE(contentsOf(file) == c.bytes);
            EXPECT_FALSE(log.lines().filter(c.logged).isEmpty()) << log.lines().join('\n').toStdString();
            continue;
        }
        ASSERT_TRUE(written) << log.lines().join('\n').toStdString();
        EXPECT_EQ(factory.ffprobe(file)["format"].toObject()["tags"].toObject()["title"].toString(), "New");
        EXPECT_EQ(factory.atomicParsleyAtoms(file).value("©nam"), "New");
        EXPECT_EQ(factory.mutagenText(file, "©nam"), "New");
        EXPECT_EQ(factory.mediaPacketChecksums(file), packets);
    }
}

}  // namespace
