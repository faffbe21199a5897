// Movies tagged by the programs users have (ffmpeg, AtomicParsley, mutagen),
// loaded, given a new title and saved by the saving code, then read back by
// those same programs: what the title-only save did not touch stays as the
// other program wrote it.
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "platform/alerts.h"
#include "platform/propertylist.h"
#include "support/moviefactory.h"
#include "tagging/moviefileloading.h"
#include "tagging/moviefilesaving.h"
#include "tagging/namingtestsupport.h"

#include <QJsonArray>
#include <QJsonObject>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using testsupport::ChapterSpec;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

const QString kNewTitle = QString::fromUtf8("Der neue Titel");
const QString kCastText = QString::fromUtf8("Åsa Ängström, Jürgen Weiß, Zoë Øvergård");
const QStringList kCast{QString::fromUtf8("Åsa Ängström"), QString::fromUtf8("Jürgen Weiß"),
                        QString::fromUtf8("Zoë Øvergård")};
const QList<ChapterSpec> kChapters{
    {"Opening", 0, 800}, {QString::fromUtf8("Mitte – ünïcødé"), 800, 1500}, {"End", 1500, 2000}};
const QString kDay = QString::fromUtf8("©day");
const QString kArtist = QString::fromUtf8("©ART");

// One text per reader ("" where it sees none), so that each reader is checked on its own.
using PerReader = QMap<QString, QString>;

// What AtomicParsley, ffprobe and mutagen see of one file.
struct Seen {
    PerReader title;
    PerReader date;
    PerReader purchaseDate;
    QStringList chapters;  // "start title", as ffprobe and as mutagen list them
    QStringList cast;      // the names of the cast list, as mutagen reads it
    QStringList media;     // checksums of every video and audio packet
    qsizetype streams = 0;
};

QString first(const QJsonObject& mutagenTags, const QString& key)
{
    return mutagenTags[key].toArray().first().toString();
}

QStringList castNames(const QString& castListXml)
{
    QStringList names;
    const std::optional<QVariant> plist = platform::parsePropertyList(castListXml.toUtf8());
    for (const QVariant& entry : plist ? plist->toMap().value("cast").toList() : QVariantList())
        names << entry.toMap().value("name").toString();
    return names;
}

Seen seenBy(MovieFactory& factory, const QString& file)
{
    const QMap<QString, QString> atoms = factory.atomicParsleyAtoms(file);
    const QJsonObject probe = factory.ffprobe(file);
    const QJsonObject probed = probe["format"].toObject()["tags"].toObject();
    const QJsonObject mutagen = factory.mutagenTags(file);
    const QJsonObject tags = mutagen["tags"].toObject();
    // AtomicParsley and mutagen name a tag by its atom, ffprobe by a word of its own.
    const auto perReader = [&](const QString& atom, const char* ffprobeName) {
        return PerReader{{"AtomicParsley", atoms.value(atom)},
                         {"ffprobe", probed[ffprobeName].toString()},
                         {"mutagen", first(tags, atom)}};
    };
    Seen seen;
    seen.title = perReader(QString::fromUtf8("©nam"), "title");
    seen.date = perReader(kDay, "date");
    seen.purchaseDate = perReader("purd", "purchase_date");
    for (const QJsonValue chapter : probe["chapters"].toArray())
        seen.chapters << "ffprobe " + chapter["start_time"].toString() + " " +
                             chapter["tags"].toObject()["title"].toString();
    for (const QJsonValue chapter : mutagen["chapters"].toArray())
        seen.chapters << "mutagen " + QString::number(chapter["start"].toDouble(), 'f', 3) + " " +
                             chapter["title"].toString();
    seen.cast = castNames(first(tags, "----:com.apple.iTunes:iTunMOVI"));
    seen.media = factory.mediaPacketChecksums(file);
    seen.streams = probe["streams"].toArray().size();
    return seen;
}

PerReader everyReader(const QString& text)
{
    return {{"AtomicParsley", text}, {"ffprobe", text}, {"mutagen", text}};
}

enum class Tagger { Ffmpeg, AtomicParsley, Mutagen };

struct TaggedElsewhere {
    Tagger by;
    // ffmpeg's metadata and mutagen's items as key, value, key, ...; AtomicParsley's arguments.
    QStringList items;
    bool faststart = false;
    bool neroChapters = false;  // a Nero chapter list only, as audiobook tools write
};

// The value the items give under any of `keys` ("" for none).
QString itemOf(const QStringList& items, const QStringList& keys)
{
    for (qsizetype at = 0; at + 1 < items.size(); at += 2)
        if (keys.contains(items[at]))
            return items[at + 1];
    return {};
}

// The short movie `name` in the factory's folder, tagged as the row says; empty on failure.
QString tagged(MovieFactory& factory, const TaggedElsewhere& row, const QString& name)
{
    MovieRecipe recipe = smallMovieRecipe();
    recipe.seconds = 2.0;
    recipe.faststart = row.faststart;
    if (row.neroChapters) {
        recipe.chapters = kChapters;
        recipe.chapterTrack = false;
    }
    QList<QPair<QString, QString>> pairs;
    for (qsizetype at = 0; at + 1 < row.items.size(); at += 2)
        pairs.append({row.items[at], row.items[at + 1]});
    if (row.by == Tagger::Ffmpeg)
        recipe.metadata = pairs;
    const QString file = factory.make(recipe, name);
    const bool ok = row.by == Tagger::AtomicParsley ? factory.atomicParsleyTag(file, row.items)
                    : row.by == Tagger::Mutagen     ? factory.mutagenTag(file, pairs)
                                                    : !file.isEmpty();
    return ok ? file : QString();
}

class OtherTaggers : public FreshSettingsTest {
protected:
    // As the application starts: a file without chapters of its own gets some made.
    void SetUp() override
    {
        FreshSettingsTest::SetUp();
        set("DefaultChapterSetting", MovieModel::kChaptersByCount);
    }

    MovieFactory m_factory;
    platform::RecordingAlerts m_alerts;
};

// The forms of the texts themselves are the date reading's own table; these rows are the
// programs, the places in the file and the texts a save must not take for its own.
TEST_F(OtherTaggers, ATitleOnlySaveKeepsWhatOtherProgramsWrote)
{
    const TaggedElsewhere rows[] = {
        {Tagger::Ffmpeg, {"date", "2019"}},                       // a year alone
        {Tagger::Ffmpeg, {"date", "2019-05-06 10:00:00"}, true},  // a time after a space, moov first
        {Tagger::AtomicParsley, {"--year", "2019", "--purchaseDate", "2011-11-14 09:34:54"}},
        {Tagger::Mutagen, {kDay, "2019-05-06", "purd", "2011-11-14 09:34:54", kArtist, kCastText}},
        {Tagger::Mutagen, {kDay, "Summer 1999", "purd", "gestern"}},    // dates that name no day
        {Tagger::Mutagen, {kDay, "2012-01-01T12:00:00Z"}},              // the day the empty record holds
        {Tagger::Mutagen, {kDay, "2019-05-06T10:00:00"}, false, true},  // Nero chapters only
    };
    int number = 0;
    for (const TaggedElsewhere& row : rows) {
        SCOPED_TRACE(row.items.join(' ').toStdString());
        const QString file = tagged(m_factory, row, QString("tagged-%1.m4v").arg(++number));
        ASSERT_FALSE(file.isEmpty());
        const Seen before = seenBy(m_factory, file);
        // What the other program wrote, as every reader sees it.
        ASSERT_EQ(before.date, everyReader(itemOf(row.items, {"date", "--year", kDay})));
        ASSERT_EQ(before.purchaseDate, everyReader(itemOf(row.items, {"--purchaseDate", "purd"})));
        ASSERT_EQ(before.chapters.size(), row.neroChapters ? 2 * kChapters.size() : 0);

        MovieList list;
        ASSERT_TRUE(MovieFileManager::loadFiles(QVariantList{file}, list, "en"));
        ASSERT_EQ(list.arrangedObjects().size(), 1);
        MovieModel& movie = *list.arrangedObjects().first();
        EXPECT_EQ(movie.chapterSettings(),
                  row.neroChapters ? MovieModel::kChaptersFromFile : MovieModel::kChaptersByCount);
        movie.setTitle(kNewTitle);
        ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), false, false, "en", "us"));
        EXPECT_TRUE(movie.isTagged());

        const Seen after = seenBy(m_factory, file);
        EXPECT_EQ(after.title, everyReader(kNewTitle));
        EXPECT_EQ(after.date, before.date);
        EXPECT_EQ(after.purchaseDate, before.purchaseDate);
        // The file's own chapters are kept as they are, and no chapter track is added
        // (a file without chapters gets the user's default ones).
        if (row.neroChapters) {
            EXPECT_EQ(after.chapters, before.chapters);
            EXPECT_EQ(after.streams, before.streams);
        }
        EXPECT_EQ(after.media, before.media);
        ASSERT_FALSE(after.media.isEmpty());
        // The names of the Artist text, without the blanks after its commas.
        if (row.items.contains(kArtist)) {
            EXPECT_EQ(after.cast, kCast);
        }
    }
    EXPECT_TRUE(m_alerts.shown().isEmpty());
}

}  // namespace
