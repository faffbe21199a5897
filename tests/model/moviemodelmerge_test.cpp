#include "moviemodeltestsupport.h"

namespace {

class MergeTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        protect({});
        holdBackEmptyResults(true);
        m_record->setFileUrl(QUrl::fromLocalFile("/movies/alien.m4v"));
        m_record->setSearchResult(m_result);
        // A cleared result holds the sentinel date, which is not held back; most tests want no date.
        m_result->setReleaseDate(QDateTime());
    }

    void protect(const QStringList& keys) { settings().setValue("FiledsNotToBeOverwritten", keys); }
    void holdBackEmptyResults(bool on) { settings().setValue("DontOverwriteWithEmptyStrings", on); }

    // Makes the record look freshly saved, so that a merge that copies shows in `tagged`.
    void markTagged() { m_record->setTagged(true); }

    std::shared_ptr<MovieModel> m_record = std::make_shared<MovieModel>();
    std::shared_ptr<MovieModel> m_result = std::make_shared<MovieModel>();
};

TEST_F(MergeTest, FillKeepsAFilledTitle)
{
    m_record->setTitle("Alien");
    m_result->setTitle("Aliens");
    markTagged();
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->title(), "Alien");
    EXPECT_TRUE(m_record->isTagged());
}

TEST_F(MergeTest, OverwriteReplacesUnprotectedFields)
{
    m_record->setTitle("Alien");
    m_result->setTitle("Aliens");
    markTagged();
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->title(), "Aliens");
    EXPECT_FALSE(m_record->isTagged());
    EXPECT_EQ(m_record->status(), 2);
}

TEST_F(MergeTest, OverwriteSparesProtectedFields)
{
    protect({"title"});
    m_record->setTitle("Alien");
    m_result->setTitle("Aliens");
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->title(), "Alien");
}

TEST_F(MergeTest, ProtectionNeverStopsAFill)
{
    protect({"title"});
    m_record->setTitle("");
    m_result->setTitle("Aliens");
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->title(), "Aliens");
}

TEST_F(MergeTest, UnknownBehaviourFills)
{
    m_record->setStudio("Fox");
    m_result->setStudio("Brandywine");
    m_result->setGenre("Horror");
    m_record->copySearchResultsToMovie(std::nullopt);
    m_record->copySearchResultsToMovie(42);
    EXPECT_EQ(m_record->studio(), "Fox");
    EXPECT_EQ(m_record->genre(), "Horror");
}

TEST_F(MergeTest, EmptyResultsAreHeldBackOnlyWhenAsked)
{
    m_record->setStudio("Fox");
    m_result->setStudio("");
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->studio(), "Fox");

    holdBackEmptyResults(false);
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->studio(), "");
    EXPECT_FALSE(m_record->studio().isNull());
}

TEST_F(MergeTest, WithoutHoldingBackAnEmptyFieldReceivesNil)
{
    holdBackEmptyResults(false);
    m_record->setArtists(QStringList());
    markTagged();
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_FALSE(m_record->artists().has_value());
    EXPECT_FALSE(m_record->isTagged());
}

TEST_F(MergeTest, HoldingBackIsTheDefaultWithoutAnySetting)
{
    settings().remove("DontOverwriteWithEmptyStrings");
    m_record->setStudio("Fox");
    m_result->setStudio("");
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->studio(), "Fox");
}

TEST_F(MergeTest, SentinelReleaseDateCountsAsEmptyInTheRecordOnly)
{
    markTagged();
    m_result->setReleaseDate(MovieModel::emptyReleaseDate());
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_FALSE(m_record->isTagged());  // copied, although the same value

    const QDateTime real(QDate(1979, 5, 25), QTime(12, 0), Qt::UTC);
    m_result->setReleaseDate(real);
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->releaseDate(), real);

    // A result holding the sentinel still replaces a real date; only a nil date is held back.
    m_result->setReleaseDate(MovieModel::emptyReleaseDate());
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->releaseDate(), MovieModel::emptyReleaseDate());
    m_record->setReleaseDate(real);
    m_result->setReleaseDate(QDateTime());
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->releaseDate(), real);
}

TEST_F(MergeTest, ListsAreMergedByTheirOwnKeys)
{
    protect({"actors", "writers"});
    m_record->setArtists(QStringList{"Weaver"});
    m_record->setScreenWriters(QStringList{"O'Bannon"});
    m_record->setDirectors(QStringList{"Nobody"});
    m_result->setArtists(QStringList{"Hurt"});
    m_result->setScreenWriters(QStringList{"Shusett"});
    m_result->setDirectors(QStringList{"Scott"});
    m_result->setProducers(QStringList{"Carroll"});
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->artists(), QStringList{"Weaver"});
    EXPECT_EQ(m_record->screenWriters(), QStringList{"O'Bannon"});
    EXPECT_EQ(m_record->directors(), QStringList{"Scott"});
    EXPECT_EQ(m_record->producers(), QStringList{"Carroll"});
}

TEST_F(MergeTest, AllGenresAloneLeaveTheTaggedFlag)
{
    m_result->setAllGenres(QStringList{"Horror", "Science Fiction"});
    markTagged();
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->allGenres(), (QStringList{"Horror", "Science Fiction"}));
    EXPECT_TRUE(m_record->isTagged());
    EXPECT_EQ(m_record->status(), 3);
}

TEST_F(MergeTest, GenreProtectionGuardsBothGenreFields)
{
    protect({"genre"});
    m_record->setGenre("Drama");
    m_record->setAllGenres(QStringList{"Drama"});
    m_result->setGenre("Horror");
    m_result->setAllGenres(QStringList{"Horror"});
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->genre(), "Drama");
    EXPECT_EQ(m_record->allGenres(), QStringList{"Drama"});
}

TEST_F(MergeTest, ExplicitFlagOnlyFillsAnUnsetRecord)
{
    for (qint64 mode : {MovieModel::kCopyFill, MovieModel::kCopyOverwrite}) {
        protect({"explicit"});
        m_record->setExplicitFlag(2);
        m_result->setExplicitFlag(1);
        m_record->copySearchResultsToMovie(mode);
        EXPECT_EQ(m_record->explicitFlag(), 2);

        m_record->setExplicitFlag(0);
        markTagged();
        m_record->copySearchResultsToMovie(mode);
        EXPECT_EQ(m_record->explicitFlag(), 1);
        EXPECT_FALSE(m_record->isTagged());
    }
    // A result without a value is not 0: it clears a record value of 0.
    m_record->setExplicitFlag(0);
    m_result->setExplicitFlag(std::nullopt);
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_FALSE(m_record->explicitFlag().has_value());
}

TEST_F(MergeTest, ImdbIdIsAlwaysTaken)
{
    protect({"title", "actors", "directors", "writers", "producers", "studio", "rating", "explicit", "genre",
             "releasedate", "shortdesc", "longdesc", "cover", "chapters", "subtitle"});
    m_record->setImdbID("tt0000001");
    m_result->setImdbID("tt0078748");
    markTagged();
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->imdbID(), "tt0078748");
    EXPECT_TRUE(m_record->isTagged());
    m_result->setImdbID(QString());
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_TRUE(m_record->imdbID().isNull());
}

TEST_F(MergeTest, NothingHappensWithoutAResultOrWithBehaviourTwo)
{
    m_record->setTitle("");
    m_result->setTitle("Aliens");
    m_result->setImdbID("tt1");
    PostCounter posts(m_record.get());
    m_record->copySearchResultsToMovie(MovieModel::kCopyNothing);
    m_record->setSearchResult(nullptr);
    const int postsOfTheSetter = posts.count();
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(posts.count(), postsOfTheSetter);
    EXPECT_EQ(m_record->title(), "");
    EXPECT_TRUE(m_record->imdbID().isNull());
}

TEST_F(MergeTest, MergeWritesDirectlyAndEndsWithAStatusUpdate)
{
    m_result->setTitle("Aliens");
    m_result->setCover(picture(30, 40));
    m_result->setImdbID("tt0090605");
    KeyRecorder told(*m_record);
    PostCounter posts(m_record.get());
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->status(), 2);
    EXPECT_EQ(posts.count(), 2);  // the status went from 1 to 2
    // The views hear of each merged field and what derives from it once, before the status.
    for (const char* key : {"title", "titleAndFile", "cover", "coverIsSet", "coverSizeAsLabel", "imdbID"})
        EXPECT_EQ(told.keys().count(key), 1) << key;
    EXPECT_EQ(told.keys().count("studio"), 0);
    ASSERT_TRUE(told.keys().contains("status"));
    EXPECT_LT(told.keys().indexOf("title"), told.keys().indexOf("status"));
}

TEST_F(MergeTest, MergedDatabaseChaptersAreToldOnceWithTheirLight)
{
    m_record->setMsecDuration(6000);
    m_record->setChapterSettings(3);
    m_result->setListOfDbChapters(chapters({1000, 2000, 3000}));
    KeyRecorder told(*m_record);
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    for (const char* key : {"listOfDbChapters", "listOfChapters", "numberOfChapters", "chapterStatusLed"})
        EXPECT_EQ(told.keys().count(key), 1) << key << " in " << told.keys().join(", ").toStdString();
    EXPECT_EQ(m_record->numberOfChapters(), 3);
}

TEST_F(MergeTest, DatabaseChaptersReplaceTheChapterList)
{
    m_record->setChapterSettings(3);
    const ChapterList dbChapters = chapters({1000, 2000, 3000});
    m_result->setListOfDbChapters(dbChapters);
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(*m_record->listOfChapters(), dbChapters);  // the very chapter objects
    EXPECT_EQ(m_record->numberOfChapters(), 3);
}

TEST_F(MergeTest, ProtectedChaptersAndSubtitleStay)
{
    protect({"chapters", "subtitle"});
    m_record->setListOfDbChapters(chapters({1}));
    m_record->setSubtitle("mine");
    m_result->setListOfDbChapters(chapters({2, 3}));
    m_result->setSubtitle("theirs");
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(m_record->listOfDbChapters()->size(), 1);
    EXPECT_EQ(m_record->subtitle(), "mine");
}

TEST_F(MergeTest, CoverIsCopiedButNeverThePlaceholder)
{
    const auto poster = picture(100, 150);
    m_result->setCover(poster);
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    ASSERT_TRUE(m_record->coverIsSet());
    EXPECT_NE(m_record->cover(), poster);
    EXPECT_EQ(m_record->cover()->image(), poster->image());

    // A result without a cover never replaces a real one while empty results are held back.
    m_result->clearCover();
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_TRUE(m_record->coverIsSet());
}

TEST_F(MergeTest, PlaceholderResultCoverWithoutHoldingBack)
{
    holdBackEmptyResults(false);
    markTagged();
    m_record->copySearchResultsToMovie(MovieModel::kCopyFill);
    EXPECT_EQ(m_record->cover(), noCoverImage());
    EXPECT_FALSE(m_record->isTagged());
}

TEST_F(MergeTest, FieldsOutsideTheMergeStayOut)
{
    m_result->setComposer("Goldsmith");
    m_result->setHdVideo(2);
    m_result->setCodirectors(QStringList{"X"});
    m_record->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_TRUE(m_record->composer().isNull());
    EXPECT_EQ(m_record->hdVideo(), 0);
    EXPECT_FALSE(m_record->codirectors().has_value());
}

}  // namespace

// Every merged field under every rule, through its key: a field wired to the
// wrong protected key, the wrong emptiness test or the wrong field shows here.
struct MergedField {
    QString key;
    QString protectedKey;
    QVariant recordValue;  // a filled record value
    QVariant resultValue;  // a different filled result value
    QVariant emptyRecordValue;
    QVariant emptyResultValue;
};

QList<MergedField> mergedFields()
{
    const auto list = [](const QString& name) { return QVariant(QStringList{name}); };
    const auto chapterList = [](quint64 length) {
        ChapterList result;
        ChapterModel::addNewChapterToList(length, 0, result);
        return QVariant::fromValue(result);
    };
    const auto image = [](int width) {
        return QVariant::fromValue(platform::Picture::fromImage(QImage(width, 2, QImage::Format_RGB32)));
    };
    const QVariant emptyList = QVariant(QStringList());
    return {
        {"title", "title", "Alien", "Aliens", "", ""},
        {"genre", "genre", "Drama", "Horror", "", ""},
        {"allGenres", "genre", list("Drama"), list("Horror"), emptyList, emptyList},
        {"rating", "rating", "us|R|400|", "us|PG|200|", "", ""},
        {"releaseDate", "releasedate", QDateTime(QDate(1979, 5, 25), QTime(12, 0), Qt::UTC),
         QDateTime(QDate(1986, 7, 18), QTime(12, 0), Qt::UTC), MovieModel::emptyReleaseDate(), QVariant()},
        {"artists", "actors", list("Weaver"), list("Biehn"), emptyList, emptyList},
        {"directors", "directors", list("Scott"), list("Cameron"), emptyList, emptyList},
        {"producers", "producers", list("Carroll"), list("Hurd"), emptyList, emptyList},
        {"screenWriters", "writers", list("O'Bannon"), list("Giler"), emptyList, emptyList},
        {"studio", "studio", "Brandywine", "Fox", "", ""},
        {"shortDescription", "shortdesc", "In space", "This time it's war", "", ""},
        {"longDescription", "longdesc", "long one", "long two", "", ""},
        {"subtitle", "subtitle", "mine", "theirs", "", ""},
        {"listOfDbChapters", "chapters", chapterList(1), chapterList(2), QVariant::fromValue(ChapterList()),
         QVariant::fromValue(ChapterList())},
        {"cover", "cover", image(3), image(5), QVariant::fromValue(noCoverImage()),
         QVariant::fromValue(noCoverImage())},
    };
}

// Covers are copied into a picture of their own: compare the pictures.
bool sameValue(const QVariant& left, const QVariant& right)
{
    using Cover = platform::PicturePtr;
    if (left.metaType() == QMetaType::fromType<Cover>() && right.metaType() == QMetaType::fromType<Cover>()) {
        const Cover a = left.value<Cover>();
        const Cover b = right.value<Cover>();
        return a == b || (a && b && a != noCoverImage() && b != noCoverImage() && a->image() == b->image());
    }
    return left == right;
}

class MergeRulesTest : public MergeTest {
protected:
    // Merges a result whose only filled field is `field.key` into a record
    // whose field holds `recordValue`. While empty results are held back,
    // every other merged field must stay as it was.
    QVariant merge(const MergedField& field, const QVariant& recordValue, const QVariant& resultValue, qint64 mode)
    {
        m_record = std::make_shared<MovieModel>();
        m_result = std::make_shared<MovieModel>();
        m_record->setFileUrl(QUrl::fromLocalFile("/movies/alien.m4v"));
        // A cleared result holds the sentinel date, which would fill the record's empty date.
        m_result->setReleaseDate(QDateTime());
        EXPECT_TRUE(m_record->setValueForKey(field.key, recordValue));
        EXPECT_TRUE(m_result->setValueForKey(field.key, resultValue));
        m_record->setSearchResult(m_result);
        QList<QVariant> before;
        for (const MergedField& other : mergedFields())
            before << m_record->valueForKey(other.key);
        m_record->setTagged(true);

        m_record->copySearchResultsToMovie(mode);

        const auto fields = mergedFields();
        const bool othersStay = settings().boolValue("DontOverwriteWithEmptyStrings");
        for (qsizetype i = 0; othersStay && i < fields.size(); ++i) {
            if (fields.at(i).key != field.key) {
                EXPECT_TRUE(sameValue(m_record->valueForKey(fields.at(i).key), before.at(i)))
                    << fields.at(i).key.toStdString() << " changed by a merge of " << field.key.toStdString();
            }
        }
        return m_record->valueForKey(field.key);
    }
};

TEST_F(MergeRulesTest, FillLeavesFilledFieldsAndFillsEmptyOnesEvenWhenProtected)
{
    for (const MergedField& field : mergedFields()) {
        SCOPED_TRACE(field.key.toStdString());
        protect({});
        EXPECT_TRUE(
            sameValue(merge(field, field.recordValue, field.resultValue, MovieModel::kCopyFill), field.recordValue));
        EXPECT_TRUE(m_record->isTagged());
        protect({field.protectedKey});
        EXPECT_TRUE(sameValue(merge(field, field.emptyRecordValue, field.resultValue, MovieModel::kCopyFill),
                              field.resultValue));
    }
}

TEST_F(MergeRulesTest, OverwriteReplacesUnlessProtected)
{
    for (const MergedField& field : mergedFields()) {
        SCOPED_TRACE(field.key.toStdString());
        protect({});
        EXPECT_TRUE(sameValue(merge(field, field.recordValue, field.resultValue, MovieModel::kCopyOverwrite),
                              field.resultValue));
        // All genre names alone are no tag of the file.
        EXPECT_EQ(m_record->isTagged(), field.key == "allGenres");
        protect({field.protectedKey});
        EXPECT_TRUE(sameValue(merge(field, field.recordValue, field.resultValue, MovieModel::kCopyOverwrite),
                              field.recordValue));
        EXPECT_TRUE(m_record->isTagged());
    }
}

TEST_F(MergeRulesTest, EmptyResultsAreHeldBackOnlyWhenAsked)
{
    for (const MergedField& field : mergedFields()) {
        SCOPED_TRACE(field.key.toStdString());
        holdBackEmptyResults(true);
        EXPECT_TRUE(sameValue(merge(field, field.recordValue, field.emptyResultValue, MovieModel::kCopyOverwrite),
                              field.recordValue));
        EXPECT_TRUE(m_record->isTagged());
        holdBackEmptyResults(false);
        const QVariant merged = merge(field, field.recordValue, field.emptyResultValue, MovieModel::kCopyOverwrite);
        if (field.key == "cover")
            EXPECT_EQ(m_record->cover(), noCoverImage());
        else
            EXPECT_TRUE(sameValue(merged, field.emptyResultValue));
    }
}
