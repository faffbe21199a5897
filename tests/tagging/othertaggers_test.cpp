// Movies tagged by the programs users have (ffmpeg, AtomicParsley, mutagen),
// loaded, given a new title (and a few a new genre or chapter name) and saved by
// the saving code, then read back by those same programs: what the save did not
// touch stays as the other program wrote it.
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "platform/alerts.h"
#include "platform/propertylist.h"
#include "support/moviefactory.h"
#include "tagging/moviefileloading.h"
#include "tagging/moviefilesaving.h"
#include "tagging/moviefiletestsupport.h"
#include "tagging/namingtestsupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

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
// A Nero list whose first chapter starts after a lead-in.
const QList<ChapterSpec> kLateChapters{{"Opening", 2500, 6000}, {"Middle", 6000, 9250}, {"End", 9250, 11000}};
// The numeric genre item as stores (and AtomicParsley, for a genre of its list) write it: `gnre`
// with a `data` box of type 0 holding, in 16 bits, ID3v1's number plus one (8, "Hip-Hop").
const QByteArray kNumericGenreItem = QByteArray::fromHex("0000001a676e7265000000126461746100000000000000000008");
const QString kDay = QString::fromUtf8("©day");
const QString kGenre = QString::fromUtf8("©gen");
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
    PerReader genres;         // every genre a reader lists, the numeric item's too
    QByteArray numericGenre;  // the `gnre` item where AtomicParsley finds it
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
    // mutagen lists the numeric genre among the texts.
    const QStringList mutagenGenres = QVariant(tags[kGenre].toArray().toVariantList()).toStringList();
    seen.genres = {{"AtomicParsley", QStringList{atoms.value(kGenre), atoms.value("gnre")}.join(' ').trimmed()},
                   {"ffprobe", probed["genre"].toString()},
                   {"mutagen", mutagenGenres.join(", ")}};
    const QRegularExpressionMatch gnre =
        QRegularExpression("Atom gnre @ (\\d+) of size: (\\d+)").match(factory.atomicParsleyTree(file));
    if (gnre.hasMatch())
        seen.numericGenre =
            moviefiletest::contentsOf(file).mid(gnre.captured(1).toLongLong(), gnre.captured(2).toLongLong());
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
    QList<ChapterSpec> neroChapters{};  // a Nero chapter list only, as audiobook tools write
    // What the user changes besides the title: the genre; the second chapter's name,
    // saved with the record's chapters.
    QString genre{};
    QString chapterName{};
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
    if (!row.neroChapters.isEmpty()) {
        recipe.chapters = row.neroChapters;
        recipe.chapterTrack = false;
        recipe.seconds = row.neroChapters.last().endMs / 1000.0;
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

// The chapters after the first as "ffprobe start title", at the starts the record gives them.
QStringList laterChaptersOf(const MovieModel& movie)
{
    QStringList shown;
    quint64 start = 0;
    for (const auto& chapter : movie.listOfChapters().value_or(ChapterList())) {
        shown << "ffprobe " + QString::number(start / 1000.0, 'f', 6) + " " + chapter->name();
        start += chapter->length();
    }
    return shown.mid(1);
}

class OtherTaggers : public FreshSettingsTest {
protected:
    MovieFactory m_factory;
    platform::RecordingAlerts m_alerts;
};

// The forms of the texts themselves are the date reading's own table; these rows are the
// programs, the places in the file and the texts a save must not take for its own.
TEST_F(OtherTaggers, ASaveKeepsWhatOtherProgramsWroteAndTheUserLeft)
{
    const TaggedElsewhere rows[] = {
        {Tagger::Ffmpeg, {"date", "2019"}},                       // a year alone
        {Tagger::Ffmpeg, {"date", "2019-05-06 10:00:00"}, true},  // a time after a space, moov first
        {Tagger::AtomicParsley, {"--year", "2019", "--purchaseDate", "2011-11-14 09:34:54"}},
        {Tagger::Mutagen, {kDay, "2019-05-06", "purd", "2011-11-14 09:34:54", kArtist, kCastText}},
        {Tagger::Mutagen, {kDay, "Summer 1999", "purd", "gestern"}},         // dates that name no day
        {Tagger::Mutagen, {kDay, "2012-01-01T12:00:00Z"}},                   // the day the empty record holds
        {Tagger::Mutagen, {kDay, "2019-05-06T10:00:00"}, false, kChapters},  // Nero chapters only
        {.by = Tagger::Mutagen, .items = {kDay, "2020"}, .neroChapters = kLateChapters, .chapterName = "Renamed"},
        {Tagger::AtomicParsley, {"--genre", "Hip-Hop"}},  // a numeric genre, as store-bought files carry
        {.by = Tagger::AtomicParsley, .items = {"--genre", "Hip-Hop"}, .genre = "Comedy"},
    };
    int number = 0;
    for (const TaggedElsewhere& row : rows) {
        SCOPED_TRACE(row.items.join(' ').toStdString());
        // As the application starts: a file without chapters of its own gets some made
        // (a row's own chapter list becomes the default).
        set("DefaultChapterSetting", MovieModel::kChaptersByCount);
        const QString file = tagged(m_factory, row, QString("tagged-%1.m4v").arg(++number));
        ASSERT_FALSE(file.isEmpty());
        const Seen before = seenBy(m_factory, file);
        // What the other program wrote, as every reader sees it.
        ASSERT_EQ(before.date, everyReader(itemOf(row.items, {"date", "--year", kDay})));
        ASSERT_EQ(before.purchaseDate, everyReader(itemOf(row.items, {"--purchaseDate", "purd"})));
        ASSERT_EQ(before.chapters.size(), 2 * row.neroChapters.size());
        ASSERT_EQ(before.genres, everyReader(itemOf(row.items, {"--genre"})));
        ASSERT_EQ(before.numericGenre, row.items.contains("--genre") ? kNumericGenreItem : QByteArray());

        MovieList list;
        ASSERT_TRUE(MovieFileManager::loadFiles(QVariantList{file}, list, "en"));
        ASSERT_EQ(list.arrangedObjects().size(), 1);
        MovieModel& movie = *list.arrangedObjects().first();
        EXPECT_EQ(movie.chapterSettings(),
                  row.neroChapters.isEmpty() ? MovieModel::kChaptersByCount : MovieModel::kChaptersFromFile);
        // Every chapter after the first starts where the file says; the first takes the lead-in.
        if (!row.neroChapters.isEmpty()) {
            EXPECT_EQ(laterChaptersOf(movie), before.chapters.mid(1, row.neroChapters.size() - 1));
        }
        movie.setTitle(kNewTitle);
        if (!row.genre.isEmpty())
            movie.setGenre(row.genre);
        if (!row.chapterName.isEmpty()) {  // the file's chapters as a list of the user's own, one renamed
            movie.setListOfDbChapters(movie.listOfChapters());
            movie.listOfDbChapters()->at(1)->setName(row.chapterName);
            movie.setChapterSettings(MovieModel::kChaptersFromChapterFileOrDb);
        }
        ASSERT_TRUE(MovieFileManager::saveFiles(list, QUrl(), false, false, "en", "us"));
        EXPECT_TRUE(movie.isTagged());

        const Seen after = seenBy(m_factory, file);
        EXPECT_EQ(after.title, everyReader(kNewTitle));
        EXPECT_EQ(after.date, before.date);
        EXPECT_EQ(after.purchaseDate, before.purchaseDate);
        // The file's own chapters are kept as they are, and no chapter track is added
        // (a file without chapters gets the user's default ones); chapters the user
        // changed are written at the record's starts.
        if (!row.chapterName.isEmpty()) {
            EXPECT_EQ(after.chapters.mid(1), laterChaptersOf(movie));
        } else if (!row.neroChapters.isEmpty()) {
            EXPECT_EQ(after.chapters, before.chapters);
            EXPECT_EQ(after.streams, before.streams);
        }
        // A new genre is the only one; an unchanged one keeps the file's numeric item as it was.
        if (!row.genre.isEmpty()) {
            EXPECT_EQ(after.genres, everyReader(row.genre));
        } else {
            EXPECT_EQ(after.genres, before.genres);
            EXPECT_EQ(after.numericGenre, before.numericGenre);
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
