// The record's field table against the record's documented field list: keys
// in declaration order, the kind of value, whether the field is watched, and
// the value a new record holds.
#include "moviemodeltestsupport.h"

namespace {

using MovieModelFieldsTest = ModelTest;
using Type = MovieModel::FieldType;

struct ExpectedField {
    const char* key;
    Type type;
    bool observed;
    QVariant cleared;  // invalid: absent
};

constexpr bool watched = true;
constexpr bool unwatched = false;

QList<ExpectedField> documentedFields()
{
    const QVariant nil;
    const QVariant zero = qint64(0);
    const QVariant no = false;
    return {
        {"enabled", Type::Flag, unwatched, no},
        {"title", Type::Text, watched, nil},
        {"sortTitle", Type::Text, watched, nil},
        {"genre", Type::Text, watched, nil},
        {"allGenres", Type::Names, watched, nil},
        {"rating", Type::Text, watched, nil},
        {"explicitFlag", Type::Number, watched, zero},
        {"releaseDate", Type::Date, watched, QDateTime(QDate(2012, 1, 1), QTime(12, 0), Qt::UTC)},
        {"artists", Type::Names, watched, nil},
        {"directors", Type::Names, watched, nil},
        {"producers", Type::Names, watched, nil},
        {"screenWriters", Type::Names, watched, nil},
        {"studio", Type::Text, watched, nil},
        {"shortDescription", Type::Text, watched, nil},
        {"longDescription", Type::Text, watched, nil},
        {"hdVideo", Type::Number, watched, zero},
        {"cnID", Type::Number, watched, zero},
        {"xID", Type::Text, watched, nil},
        {"comments", Type::Text, watched, nil},
        {"cover", Type::Picture, watched, QVariant::fromValue(noCoverImage())},
        {"listOfCovers", Type::Pictures, watched, QVariant::fromValue(ImageList())},
        {"listOfOldCovers", Type::Pictures, unwatched, nil},
        {"chapterSettings", Type::Number, watched, zero},
        {"numberOfChapters", Type::Number, watched, zero},
        {"chapterInterval", Type::Number, watched, qint64(10)},
        {"listOfChapters", Type::Chapters, watched, QVariant::fromValue(ChapterList())},
        {"listOfOldChapters", Type::Chapters, unwatched, QVariant::fromValue(ChapterList())},
        {"listOfDbChapters", Type::Chapters, watched, nil},
        {"chapterDbFileUrl", Type::Url, watched, nil},
        {"subtitle", Type::Text, watched, nil},
        {"subtitleOffset", Type::Decimal, watched, 0.0},
        {"hasOrigSubtitle", Type::Flag, unwatched, no},
        {"imdbID", Type::Text, watched, nil},
        {"mediaType", Type::Number, watched, qint64(9)},
        {"width", Type::Number, unwatched, zero},
        {"height", Type::Number, unwatched, zero},
        {"duration", Type::Text, unwatched, QString("0:00:00")},
        {"msecDuration", Type::Number, unwatched, nil},
        {"status", Type::Number, watched, zero},
        {"tagged", Type::Flag, watched, no},
        {"fileUrl", Type::Url, watched, nil},
        {"imageModels", Type::CoverCandidates, unwatched, nil},
        {"foundMovies", Type::SearchHits, unwatched, nil},
        {"searchResult", Type::Record, unwatched, nil},
        {"codirectors", Type::Names, watched, nil},
        {"composer", Type::Text, watched, nil},
        {"sortComposer", Type::Text, watched, nil},
        {"copyright", Type::Text, watched, nil},
        {"encodingTool", Type::Text, watched, nil},
        {"encodedBy", Type::Text, watched, nil},
        {"purchaseDate", Type::Date, watched, nil},
        {"grouping", Type::Text, watched, nil},
        {"keywords", Type::Text, watched, nil},
        {"category", Type::Text, watched, nil},
        {"compilation", Type::Number, watched, zero},
        {"gapless", Type::Number, watched, zero},
        {"podcast", Type::Number, watched, zero},
        {"iTunesAccount", Type::Text, watched, nil},
        {"iTunesAccountType", Type::Number, watched, nil},
        {"iTunesCountry", Type::Number, watched, nil},
        {"genreType", Type::Number, watched, nil},
        {"contentId", Type::Number, watched, nil},
        {"composerId", Type::Number, watched, nil},
        {"genreId", Type::Number, watched, nil},
        {"artistId", Type::Number, watched, nil},
        {"playlistId", Type::Number, watched, nil},
        {"artist", Type::Text, watched, nil},
        {"album", Type::Text, watched, nil},
        {"albumArtist", Type::Text, watched, nil},
    };
}

TEST_F(MovieModelFieldsTest, TheTableHoldsExactlyTheDocumentedFields)
{
    const QList<ExpectedField> expected = documentedFields();
    const QList<MovieModel::FieldDescription>& table = MovieModel::fieldDescriptions();
    ASSERT_EQ(expected.size(), 69);
    ASSERT_EQ(table.size(), expected.size());

    QStringList expectedWatched;
    const MovieModel record;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const ExpectedField& field = expected[i];
        SCOPED_TRACE(field.key);
        EXPECT_EQ(table[i].key, field.key);
        EXPECT_EQ(table[i].type, field.type);
        EXPECT_EQ(table[i].observed, field.observed);
        EXPECT_EQ(record.valueForKey(field.key), field.cleared);
        if (field.observed)
            expectedWatched << field.key;
    }
    EXPECT_EQ(expectedWatched.size(), 58);
    EXPECT_EQ(MovieModel::observedKeys(), expectedWatched);
}

// The typed setters find their key through the table: each announces its own.
TEST_F(MovieModelFieldsTest, EachSetterAnnouncesItsOwnKey)
{
    MovieModel record;
    QStringList announced;
    const auto token = record.addListener(QString(), [&](const QString& key) { announced << key; });
    const auto expectAnnounced = [&](const char* key, auto set) {
        announced.clear();
        set();
        // A watched field's change handler announces the status first; its own key comes last,
        // followed only by the values derived from it.
        for (const QString& derived : kDerivedKeys)
            announced.removeAll(derived);
        ASSERT_FALSE(announced.isEmpty()) << key;
        EXPECT_EQ(announced.last(), QString(key));
    };
    expectAnnounced("title", [&] { record.setTitle("Alien"); });
    expectAnnounced("screenWriters", [&] { record.setScreenWriters(QStringList{"Dan O'Bannon"}); });
    expectAnnounced("hasOrigSubtitle", [&] { record.setHasOrigSubtitle(true); });
    expectAnnounced("msecDuration", [&] { record.setMsecDuration(1000); });
    expectAnnounced("iTunesCountry", [&] { record.setITunesCountry(143443); });
    expectAnnounced("albumArtist", [&] { record.setAlbumArtist("A"); });
}

}  // namespace
