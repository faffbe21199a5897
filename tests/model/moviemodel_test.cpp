#include "moviemodeltestsupport.h"

#include "platform/localized.h"

namespace {

using MovieModelTest = ModelTest;

QDateTime noon(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC);
}

TEST_F(MovieModelTest, NewRecordIsClearedAndAnnouncesNothing)
{
    PostCounter anyPost(nullptr);
    MovieModel record;
    EXPECT_EQ(anyPost.count(), 0);
    EXPECT_EQ(record.status(), 0);
    EXPECT_FALSE(record.enabled());
    EXPECT_FALSE(record.isTagged());
    EXPECT_FALSE(record.coverIsSet());
    EXPECT_EQ(record.cover(), noCoverImage());
    EXPECT_EQ(record.coverSizeAsLabel(), "0 x 0");
    EXPECT_EQ(record.chapterInterval(), 10);
    EXPECT_EQ(record.mediaType(), 9);
    EXPECT_EQ(record.explicitFlag(), 0);
    EXPECT_EQ(record.releaseDate(), QDateTime(QDate(2012, 1, 1), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(record.duration(), "0:00:00");
    EXPECT_FALSE(record.msecDuration().has_value());
    EXPECT_TRUE(record.title().isNull());
    ASSERT_TRUE(record.listOfChapters().has_value());
    EXPECT_TRUE(record.listOfChapters()->isEmpty());
    EXPECT_FALSE(record.listOfDbChapters().has_value());
    EXPECT_FALSE(record.iTunesAccountType().has_value());
    EXPECT_EQ(record.titleAndFile(), platform::localized("emptyTitleAndFilePlaceholder"));
    EXPECT_EQ(record.fileNameWithoutPath(), platform::localized("noFileAtCover"));
}

TEST_F(MovieModelTest, PlaceholderCoverIsOneRealPicture)
{
    MovieModel first;
    MovieModel second;
    ASSERT_TRUE(noCoverImage());
    EXPECT_FALSE(noCoverImage()->isNull());
    EXPECT_EQ(first.cover().get(), second.cover().get());
}

TEST_F(MovieModelTest, EqualValueChangesNothing)
{
    auto record = taggedRecord();
    ASSERT_EQ(record->status(), 3);
    PostCounter posts(record.get());
    record->setTitle("Alien");
    record->setSortTitle(QString());  // nil over nil
    record->setArtists(std::nullopt);
    record->setChapterInterval(10);
    EXPECT_TRUE(record->isTagged());
    EXPECT_EQ(record->status(), 3);
    EXPECT_EQ(posts.count(), 0);
}

TEST_F(MovieModelTest, SameListsAndPicturesCountAsEqual)
{
    auto record = taggedRecord();
    const auto cover = picture(3, 3);
    const ChapterList list = chapters({1, 2});
    record->setCover(cover);
    record->setListOfChapters(list);
    record->setListOfCovers(ImageList{cover});
    record->setTagged(true);
    PostCounter posts(record.get());
    record->setCover(cover);
    record->setListOfChapters(ChapterList(list));
    record->setListOfCovers(ImageList{cover});
    EXPECT_EQ(posts.count(), 0);
    EXPECT_TRUE(record->isTagged());
    // The same pixels in another picture object are another cover.
    record->setCover(std::make_shared<const platform::Picture>(*cover));
    EXPECT_FALSE(record->isTagged());
}

TEST_F(MovieModelTest, NilAndEmptyTextDiffer)
{
    MovieModel record;
    record.setFileUrl(QUrl::fromLocalFile("/movies/a.mp4"));
    EXPECT_EQ(record.status(), 1);
    record.setTitle("");
    EXPECT_EQ(record.status(), 2);
    record.setTitle(QString());
    EXPECT_EQ(record.status(), 1);
}

TEST_F(MovieModelTest, ChangingATagOfATaggedRecordUntagsIt)
{
    auto record = taggedRecord();
    KeyCounter titleAndFile(*record, "titleAndFile");
    PostCounter posts(record.get());
    record->setTitle("Aliens");
    EXPECT_FALSE(record->isTagged());
    EXPECT_EQ(record->status(), 2);
    EXPECT_EQ(titleAndFile.count(), 1);
    // The status changed, and the status is itself watched: two posts.
    EXPECT_EQ(posts.count(), 2);
}

TEST_F(MovieModelTest, UnchangedStatusPostsOnce)
{
    auto record = taggedRecord();
    record->setStudio("Fox");
    ASSERT_EQ(record->status(), 2);
    PostCounter posts(record.get());
    record->setStudio("Brandywine");
    EXPECT_EQ(posts.count(), 1);
    record->setTagged(true);
    EXPECT_EQ(record->status(), 3);
    EXPECT_EQ(posts.count(), 3);
}

TEST_F(MovieModelTest, StatusFollowsFileTaggedAndTitle)
{
    MovieModel record;
    record.setTitle("Alien");
    record.setTagged(true);
    EXPECT_EQ(record.status(), 0);
    EXPECT_FALSE(record.enabled());
    record.setFileUrl(QUrl::fromLocalFile("/movies/a.mp4"));
    // A new file clears the tagged flag: the file has not got these tags yet.
    EXPECT_EQ(record.status(), 2);
    EXPECT_TRUE(record.enabled());
    record.setTitle(QString());
    EXPECT_EQ(record.status(), 1);
    record.setTagged(true);
    EXPECT_EQ(record.status(), 3);
    record.setFileUrl(QUrl());
    EXPECT_EQ(record.status(), 0);
    EXPECT_FALSE(record.enabled());
}

// A new file (a save renames it) tells the status, and the views of the title
// and file as its setter does (what else each setter tells is the table below).
TEST_F(MovieModelTest, FileChangeTellsTheStatusAndTheTitleAndFile)
{
    MovieModel record;
    KeyCounter titleAndFile(record, "titleAndFile");
    KeyCounter status(record, "status");
    record.setFileUrl(QUrl::fromLocalFile("/movies/a.mp4"));
    EXPECT_EQ(titleAndFile.count(), 1);
    EXPECT_GE(status.count(), 1);
    EXPECT_EQ(record.status(), 1);
}

// Every setter that changes a value the window shows derived tells that
// value's views exactly once, and a setter that changes nothing tells none.
TEST_F(MovieModelTest, EachSetterTellsTheViewsOfWhatDerivesFromItOnce)
{
    const struct {
        const char* field;
        std::function<void(MovieModel&)> set;
        QStringList told;
    } cases[] = {
        {"title", [](MovieModel& m) { m.setTitle("Alien"); }, {"titleAndFile"}},
        {"releaseDate", [](MovieModel& m) { m.setReleaseDate(noon(1979, 5, 25)); }, {"releaseDateText"}},
        {"fileUrl",
         [](MovieModel& m) { m.setFileUrl(QUrl::fromLocalFile("/m/a.mp4")); },
         {"titleAndFile", "fileNameWithoutPath"}},
        {"cover", [cover = picture(4, 3)](MovieModel& m) { m.setCover(cover); }, {"coverIsSet", "coverSizeAsLabel"}},
        {"chapterSettings",
         [](MovieModel& m) { m.setChapterSettings(MovieModel::kChaptersFromChapterFileOrDb); },
         {"chapterStatusLed", "doEnableChapterCount", "doEnableChapterLoad"}},
        {"listOfChapters",
         [list = chapters({1, 2})](MovieModel& m) { m.setListOfChapters(list); },
         {"chapterStatusLed"}},
        {"listOfOldChapters",
         [list = chapters({3})](MovieModel& m) { m.setListOfOldChapters(list); },
         {"chapterStatusLed"}},
        {"subtitle", [](MovieModel& m) { m.setSubtitle("1\n"); }, {"subtitleStatusLed"}},
        {"hasOrigSubtitle", [](MovieModel& m) { m.setHasOrigSubtitle(true); }, {"subtitleStatusLed"}},
        {"studio", [](MovieModel& m) { m.setStudio("Fox"); }, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.field);
        MovieModel record;
        KeyRecorder told(record);
        row.set(record);
        for (const QString& key : kDerivedKeys)
            EXPECT_EQ(told.keys().count(key), row.told.contains(key) ? 1 : 0) << key.toStdString();
        told.clear();
        row.set(record);
        for (const QString& key : kDerivedKeys)
            EXPECT_EQ(told.keys().count(key), 0) << key.toStdString() << " told again for the same value";
    }
}

TEST_F(MovieModelTest, OnlyTheChapterChoiceRebuildsTheChapterList)
{
    MovieModel record;
    record.setMsecDuration(1000);
    record.setChapterSettings(1);
    ASSERT_EQ(record.listOfChapters()->size(), 10);
    EXPECT_EQ(record.numberOfChapters(), 10);

    record.setNumberOfChapters(3);
    EXPECT_EQ(record.listOfChapters()->size(), 10);
    const ChapterList mine = chapters({1, 2});
    record.setListOfChapters(mine);
    EXPECT_EQ(*record.listOfChapters(), mine);
    record.setListOfDbChapters(chapters({5}));
    EXPECT_EQ(*record.listOfChapters(), mine);

    record.setChapterInterval(5);
    EXPECT_EQ(record.listOfChapters()->size(), 5);
    EXPECT_EQ(record.numberOfChapters(), 5);

    record.setListOfChapters(mine);
    record.setChapterDbFileUrl(QUrl::fromLocalFile("/nowhere/x.txt"));
    EXPECT_EQ(record.listOfChapters()->size(), 5);  // rebuilt: setting 1 ignores the file
}

TEST_F(MovieModelTest, ChapterChoiceAnnouncesItsDerivedValues)
{
    MovieModel record;
    KeyCounter led(record, "chapterStatusLed");
    KeyCounter count(record, "doEnableChapterCount");
    KeyCounter load(record, "doEnableChapterLoad");
    record.setChapterSettings(3);
    EXPECT_EQ(led.count(), 1);
    EXPECT_EQ(count.count(), 1);
    EXPECT_EQ(load.count(), 1);
    EXPECT_TRUE(record.doEnableChapterLoad());
    EXPECT_FALSE(record.doEnableChapterCount());
}

TEST_F(MovieModelTest, ResetKeepsFileChapterAndSubtitleState)
{
    auto record = taggedRecord();
    record->setHdVideo(2);
    record->setWidth(1920);
    record->setHeight(800);
    record->setMsecDuration(1000);
    record->setChapterSettings(1);
    record->setSubtitle("1\n00:00:01,000 --> 00:00:02,000\nHi\n");
    record->setCover(picture(10, 10));
    record->setStudio("Fox");
    const ChapterList generated = *record->listOfChapters();
    ASSERT_EQ(generated.size(), 10);

    PostCounter posts(record.get());
    record->reset();
    EXPECT_EQ(posts.count(), 0);
    EXPECT_EQ(record->hdVideo(), 2);
    EXPECT_EQ(record->width(), 0);
    EXPECT_EQ(record->height(), 0);
    EXPECT_EQ(record->chapterSettings(), 0);
    EXPECT_EQ(*record->listOfChapters(), generated);
    EXPECT_EQ(record->numberOfChapters(), 10);
    EXPECT_FALSE(record->subtitle().isNull());
    EXPECT_EQ(record->msecDuration(), 1000);
    EXPECT_FALSE(record->fileUrl().isEmpty());
    EXPECT_TRUE(record->title().isNull());
    EXPECT_TRUE(record->studio().isNull());
    EXPECT_FALSE(record->coverIsSet());
    EXPECT_FALSE(record->isTagged());
    EXPECT_EQ(record->status(), 1);
}

TEST_F(MovieModelTest, ResetOfARecordWithoutFileStillGivesStatusOne)
{
    MovieModel record;
    record.reset();
    EXPECT_EQ(record.status(), 1);
    record.setStudio("Fox");
    EXPECT_EQ(record.status(), 0);
}

TEST_F(MovieModelTest, ClearCoverOfARealCoverUntags)
{
    auto record = taggedRecord();
    record->setCover(picture(20, 10));
    record->setTagged(true);
    KeyCounter isSet(*record, "coverIsSet");
    KeyCounter label(*record, "coverSizeAsLabel");
    record->clearCover();
    EXPECT_FALSE(record->coverIsSet());
    EXPECT_FALSE(record->isTagged());
    EXPECT_EQ(isSet.count(), 1);
    EXPECT_EQ(label.count(), 1);
}

TEST_F(MovieModelTest, ClearCoverWithoutCoverOnlyAnnounces)
{
    auto record = taggedRecord();
    KeyCounter cover(*record, "cover");
    KeyCounter isSet(*record, "coverIsSet");
    PostCounter posts(record.get());
    record->clearCover();
    EXPECT_EQ(cover.count(), 1);
    EXPECT_EQ(isSet.count(), 0);
    EXPECT_EQ(posts.count(), 0);
    EXPECT_TRUE(record->isTagged());
}

TEST_F(MovieModelTest, DerivedTexts)
{
    MovieModel record;
    record.setTitle("Alien");
    EXPECT_EQ(record.titleAndFile(), platform::localized("emptyFilePlaceholder").arg("Alien"));
    record.setFileUrl(QUrl::fromLocalFile("/movies/Alien (1979).m4v"));
    EXPECT_EQ(record.titleAndFile(), "Alien\nAlien (1979).m4v");
    EXPECT_EQ(record.fileNameWithoutPath(), "Alien (1979).m4v");
    record.setTitle(QString());
    EXPECT_EQ(record.titleAndFile(), platform::localized("emptyTitlePlaceholder").arg("Alien (1979).m4v"));

    record.setCover(picture(640, 360));
    EXPECT_TRUE(record.coverIsSet());
    EXPECT_EQ(record.coverSizeAsLabel(), "640 x 360");
    record.setCover(nullptr);
    EXPECT_FALSE(record.coverIsSet());
    EXPECT_EQ(record.coverSizeAsLabel(), "0 x 0");
}

TEST_F(MovieModelTest, StatusLights)
{
    MovieModel record;
    EXPECT_EQ(record.chapterStatusLed(), StatusImage::None);
    EXPECT_EQ(record.subtitleStatusLed(), StatusImage::Unavailable);
    record.setHasOrigSubtitle(true);
    EXPECT_EQ(record.subtitleStatusLed(), StatusImage::PartiallyAvailable);
    record.setSubtitle("");
    EXPECT_EQ(record.subtitleStatusLed(), StatusImage::Available);

    record.setListOfOldChapters(chapters({100}));
    EXPECT_EQ(record.chapterStatusLed(), StatusImage::PartiallyAvailable);
    record.setChapterSettings(3);  // no file, no database list: nothing to write
    EXPECT_EQ(record.chapterStatusLed(), StatusImage::PartiallyAvailable);
    record.setListOfOldChapters(ChapterList());
    EXPECT_EQ(record.chapterStatusLed(), StatusImage::Unavailable);
    record.setListOfDbChapters(chapters({100, 200}));
    record.updateChapters();
    EXPECT_EQ(record.chapterStatusLed(), StatusImage::Available);
    EXPECT_EQ(record.valueForKey("chapterStatusLed").value<StatusImage>(), StatusImage::Available);
}

TEST_F(MovieModelTest, ValuesByKey)
{
    MovieModel record;
    EXPECT_FALSE(record.valueForKey("title").isValid());
    EXPECT_TRUE(record.setValueForKey("title", QString("")));
    EXPECT_EQ(record.valueForKey("title"), QVariant(QString("")));
    EXPECT_EQ(record.valueForKey("chapterInterval"), QVariant(qint64(10)));
    EXPECT_EQ(record.valueForKey("coverIsSet"), QVariant(false));
    EXPECT_FALSE(record.setValueForKey("coverIsSet", true));  // derived values are read-only
    EXPECT_FALSE(record.setValueForKey("noSuchKey", 1));
    EXPECT_FALSE(record.setValueForKey("cover", QString("not a picture")));
    EXPECT_EQ(record.cover(), noCoverImage());
    EXPECT_TRUE(record.setValueForKey("artists", QStringList{"Sigourney Weaver"}));
    EXPECT_EQ(record.artists(), QStringList{"Sigourney Weaver"});
    EXPECT_TRUE(record.setValueForKey("artists", QVariant()));
    EXPECT_FALSE(record.artists().has_value());
}

TEST_F(MovieModelTest, ValuesByKeyAreConvertedOrRefused)
{
    MovieModel record;
    EXPECT_TRUE(record.setValueForKey("chapterInterval", QString("5")));
    EXPECT_EQ(record.chapterInterval(), 5);
    EXPECT_FALSE(record.setValueForKey("chapterInterval", QString("five")));
    EXPECT_EQ(record.chapterInterval(), 5);
    EXPECT_FALSE(record.setValueForKey("subtitleOffset", QString("soon")));
    EXPECT_EQ(record.subtitleOffset(), 0.0);
    EXPECT_FALSE(record.setValueForKey("listOfChapters", QString("no chapters")));
    EXPECT_TRUE(record.listOfChapters().has_value());
}

// A value different from the cleared one for every field.
QList<std::pair<QString, QVariant>> distinctValues()
{
    auto result = std::make_shared<MovieModel>();
    result->setTitle("Result");
    ChapterList chapterList;
    ChapterModel::addNewChapterToList(1000, 0, chapterList);
    const auto cover = platform::Picture::fromImage(QImage(4, 3, QImage::Format_RGB32));
    const QDateTime date(QDate(1979, 5, 25), QTime(12, 0), Qt::UTC);
    const QStringList names{"A", "B"};
    return {
        {"enabled", true},
        {"title", "Aliens"},
        {"sortTitle", "Alien"},
        {"genre", "Horror"},
        {"allGenres", names},
        {"rating", "mpaa|R|400|"},
        {"explicitFlag", qint64(2)},
        {"releaseDate", date},
        {"artists", names},
        {"directors", names},
        {"producers", names},
        {"screenWriters", names},
        {"studio", "Fox"},
        {"shortDescription", "short"},
        {"longDescription", "long"},
        {"hdVideo", qint64(2)},
        {"cnID", qint64(77)},
        {"xID", "xid"},
        {"comments", "c"},
        {"cover", QVariant::fromValue(cover)},
        {"listOfCovers", QVariant::fromValue(ImageList{cover})},
        {"listOfOldCovers", QVariant::fromValue(ImageList{cover})},
        {"chapterSettings", qint64(7)},
        {"numberOfChapters", qint64(4)},
        {"chapterInterval", qint64(4)},
        {"listOfChapters", QVariant::fromValue(chapterList)},
        {"listOfOldChapters", QVariant::fromValue(chapterList)},
        {"listOfDbChapters", QVariant::fromValue(chapterList)},
        {"chapterDbFileUrl", QUrl::fromLocalFile("/c/x.txt")},
        {"subtitle", "srt"},
        {"subtitleOffset", 1.5},
        {"hasOrigSubtitle", true},
        {"imdbID", "tt0078748"},
        {"mediaType", qint64(10)},
        {"width", qint64(1920)},
        {"height", qint64(800)},
        {"duration", "01:57:00"},
        {"msecDuration", qint64(7020000)},
        {"status", qint64(2)},
        {"tagged", true},
        {"fileUrl", QUrl::fromLocalFile("/movies/a.m4v")},
        {"imageModels", QVariant::fromValue(ImageModelList{std::make_shared<ImageModel>()})},
        {"foundMovies", QVariant::fromValue(SearchItemList{std::make_shared<MovieSearchItemModel>()})},
        {"searchResult", QVariant::fromValue(result)},
        {"codirectors", names},
        {"composer", "Goldsmith"},
        {"sortComposer", "Goldsmith"},
        {"copyright", "(c)"},
        {"encodingTool", "tool"},
        {"encodedBy", "me"},
        {"purchaseDate", date},
        {"grouping", "g"},
        {"keywords", "k"},
        {"category", "cat"},
        {"compilation", qint64(1)},
        {"gapless", qint64(1)},
        {"podcast", qint64(1)},
        {"iTunesAccount", "acc"},
        {"iTunesAccountType", qint64(1)},
        {"iTunesCountry", qint64(143443)},
        {"genreType", qint64(1)},
        {"contentId", qint64(5)},
        {"composerId", qint64(6)},
        {"genreId", qint64(4401)},
        {"artistId", qint64(8)},
        {"playlistId", qint64(9)},
        {"artist", "art"},
        {"album", "alb"},
        {"albumArtist", "aa"},
    };
}

TEST_F(MovieModelTest, EveryFieldIsSettableByKey)
{
    const auto values = distinctValues();
    ASSERT_EQ(values.size(), 69);
    for (const auto& [key, value] : values) {
        MovieModel record;
        EXPECT_TRUE(record.setValueForKey(key, value)) << key.toStdString();
        if (key != "status") {  // the status is recomputed at once
            EXPECT_EQ(record.valueForKey(key), value) << key.toStdString();
        }
    }
}

TEST_F(MovieModelTest, TheWatchedFieldsAreExactlyTheTagAndSettingFields)
{
    const QStringList unwatched = {"enabled",     "listOfOldCovers", "listOfOldChapters", "hasOrigSubtitle",
                                   "width",       "height",          "duration",          "msecDuration",
                                   "imageModels", "foundMovies",     "searchResult"};
    EXPECT_EQ(MovieModel::observedKeys().size(), 58);
    for (const auto& [key, value] : distinctValues()) {
        if (key == "status" || key == "tagged")
            continue;
        auto record = taggedRecord();
        PostCounter posts(record.get());
        record->setValueForKey(key, value);
        const bool watched = !unwatched.contains(key);
        EXPECT_EQ(record->isTagged(), !watched) << key.toStdString();
        EXPECT_EQ(posts.count() > 0, watched) << key.toStdString();
    }
}

void fill(MovieModel& record)
{
    for (const auto& [key, value] : distinctValues())
        ASSERT_TRUE(record.setValueForKey(key, value));
    // Set last, so the record really holds these.
    record.setTagged(true);
}

// Every field's value, by key.
QMap<QString, QVariant> snapshot(const MovieModel& record)
{
    QMap<QString, QVariant> values;
    for (const auto& [key, value] : distinctValues())
        values.insert(key, record.valueForKey(key));
    return values;
}

// Each field whose value differs between `before` and `after` was told
// exactly once; no other field was told.
void expectEachChangedFieldToldOnce(const QMap<QString, QVariant>& before, const QMap<QString, QVariant>& after,
                                    const QStringList& told)
{
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const bool changed = after.value(it.key()) != it.value();
        EXPECT_EQ(told.count(it.key()), changed ? 1 : 0) << it.key().toStdString();
    }
}

TEST_F(MovieModelTest, ClearEmptiesEveryFieldTellingOnlyTheListeners)
{
    MovieModel record;
    fill(record);
    const auto before = snapshot(record);
    const auto cleared = snapshot(MovieModel());
    PostCounter posts(nullptr);
    KeyRecorder told(record);
    record.clear();
    // The record's own change handling does not run: no post, nothing recomputed.
    EXPECT_EQ(posts.count(), 0);
    const auto after = snapshot(record);
    for (auto it = cleared.cbegin(); it != cleared.cend(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
    expectEachChangedFieldToldOnce(before, after, told.keys());
    for (const QString& derived : kDerivedKeys)
        EXPECT_EQ(told.keys().count(derived), 1) << derived.toStdString();

    // Clearing a cleared record changes nothing and tells nobody.
    told.clear();
    record.clear();
    EXPECT_TRUE(told.keys().isEmpty()) << told.keys().join(", ").toStdString();
}

TEST_F(MovieModelTest, ResetEmptiesTheTagsAndKeepsTheRest)
{
    const QStringList kept = {"enabled",        "hdVideo",           "listOfOldCovers",  "numberOfChapters",
                              "listOfChapters", "listOfOldChapters", "listOfDbChapters", "chapterDbFileUrl",
                              "subtitle",       "subtitleOffset",    "hasOrigSubtitle",  "imdbID",
                              "mediaType",      "duration",          "msecDuration",     "fileUrl",
                              "imageModels",    "foundMovies",       "searchResult"};
    MovieModel record;
    fill(record);
    // Filling rebuilt the chapter list after these were set: set them again.
    record.setListOfChapters(chapters({1, 2}));
    record.setNumberOfChapters(2);
    record.setTagged(true);
    const auto before = snapshot(record);
    const auto cleared = snapshot(MovieModel());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_NE(it.value(), cleared.value(it.key())) << it.key().toStdString() << " would prove nothing";
    PostCounter posts(nullptr);
    KeyRecorder told(record);
    record.reset();
    EXPECT_EQ(posts.count(), 0);
    const auto after = snapshot(record);
    // The views hear of every field reset changed, the kept ones stay quiet.
    expectEachChangedFieldToldOnce(before, after, told.keys());
    EXPECT_EQ(told.keys().count("titleAndFile"), 1);
    EXPECT_EQ(told.keys().count("coverIsSet"), 1);
    EXPECT_EQ(told.keys().count("subtitleStatusLed"), 0);
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (it.key() == "status")
            EXPECT_EQ(it.value(), QVariant(qint64(1)));
        else if (kept.contains(it.key()))
            EXPECT_EQ(it.value(), before.value(it.key())) << it.key().toStdString() << " is kept";
        else
            EXPECT_EQ(it.value(), cleared.value(it.key())) << it.key().toStdString() << " is emptied";
    }
}

TEST_F(MovieModelTest, CopyTakesEveryFieldAndAnnouncesNothing)
{
    MovieModel record;
    fill(record);
    ASSERT_EQ(record.status(), 3);
    PostCounter posts(nullptr);
    const auto copy = record.copyWithZone();
    EXPECT_EQ(posts.count(), 0);
    for (const auto& [key, value] : distinctValues()) {
        if (key == "cover" || key == "searchResult")
            continue;
        EXPECT_EQ(copy->valueForKey(key), record.valueForKey(key)) << key.toStdString();
    }
    // Lists share their elements.
    ASSERT_FALSE(record.listOfDbChapters()->isEmpty());
    EXPECT_EQ(copy->listOfDbChapters()->first(), record.listOfDbChapters()->first());
    // A real cover is a picture of its own, the attached result a record of its own.
    EXPECT_NE(copy->cover(), record.cover());
    EXPECT_EQ(copy->cover()->image(), record.cover()->image());
    ASSERT_TRUE(copy->searchResult());
    EXPECT_NE(copy->searchResult(), record.searchResult());
    EXPECT_EQ(copy->searchResult()->title(), "Result");
    // The copy watches its own fields.
    copy->setStudio("Other");
    EXPECT_FALSE(copy->isTagged());
    EXPECT_TRUE(record.isTagged());
}

TEST_F(MovieModelTest, CopyOfARecordWithoutCoverSharesThePlaceholder)
{
    MovieModel record;
    const auto copy = record.copyWithZone();
    EXPECT_EQ(copy->cover(), noCoverImage());
    EXPECT_FALSE(copy->coverIsSet());
}

TEST_F(MovieModelTest, CopyEndsASearchResultChainThatLeadsBack)
{
    auto first = std::make_shared<MovieModel>();
    auto second = std::make_shared<MovieModel>();
    first->setTitle("first");
    second->setTitle("second");
    first->setSearchResult(second);
    second->setSearchResult(first);

    const auto copy = first->copyWithZone();
    ASSERT_TRUE(copy->searchResult());
    EXPECT_EQ(copy->searchResult()->title(), "second");
    EXPECT_FALSE(copy->searchResult()->searchResult());

    MovieModel target;
    target.paste(second.get());
    ASSERT_TRUE(target.searchResult());
    EXPECT_EQ(target.searchResult()->title(), "first");
    ASSERT_TRUE(target.searchResult()->searchResult());
    EXPECT_EQ(target.searchResult()->searchResult()->title(), "second");
    EXPECT_FALSE(target.searchResult()->searchResult()->searchResult());

    first->setSearchResult(first);
    EXPECT_FALSE(first->copyWithZone()->searchResult());
    // Neither record would ever be freed otherwise.
    first->setSearchResult(nullptr);
    second->setSearchResult(nullptr);
}

TEST_F(MovieModelTest, PasteKeepsTheTargetsFileAndState)
{
    MovieModel source;
    fill(source);
    MovieModel target;
    target.setFileUrl(QUrl::fromLocalFile("/movies/target.mp4"));
    target.setDuration("00:01:00");
    target.setMsecDuration(60000);

    PostCounter posts(&target);
    target.paste(&source);
    EXPECT_GE(posts.count(), 1);
    const QStringList ownState = {"enabled", "duration", "msecDuration", "status", "tagged", "fileUrl"};
    for (const auto& [key, value] : distinctValues()) {
        if (!ownState.contains(key) && key != "cover" && key != "searchResult") {
            EXPECT_EQ(target.valueForKey(key), source.valueForKey(key)) << key.toStdString();
        }
    }
    EXPECT_EQ(target.fileUrl(), QUrl::fromLocalFile("/movies/target.mp4"));
    EXPECT_EQ(target.duration(), "00:01:00");
    EXPECT_EQ(target.msecDuration(), 60000);
    EXPECT_FALSE(target.isTagged());
    EXPECT_EQ(target.status(), 2);
    EXPECT_TRUE(target.enabled());
    EXPECT_EQ(target.title(), "Aliens");
    EXPECT_EQ(target.hasOrigSubtitle(), true);
    EXPECT_EQ(target.listOfDbChapters()->first(), source.listOfDbChapters()->first());
    EXPECT_NE(target.cover(), source.cover());
    EXPECT_NE(target.searchResult(), source.searchResult());
    EXPECT_EQ(target.searchResult()->title(), "Result");
}

TEST_F(MovieModelTest, PasteOfNothingChangesNothing)
{
    auto record = taggedRecord();
    PostCounter posts(record.get());
    record->paste(nullptr);
    EXPECT_EQ(posts.count(), 0);
    EXPECT_EQ(record->status(), 3);
    EXPECT_EQ(record->title(), "Alien");
}

TEST_F(MovieModelTest, PasteOfARecordWithoutCoverGivesThePlaceholder)
{
    MovieModel source;
    auto target = taggedRecord();
    target->setCover(picture(5, 5));
    target->paste(&source);
    EXPECT_EQ(target->cover(), noCoverImage());
    EXPECT_EQ(target->status(), 1);
}

// A record read from a file whose date tag says "2019": the record holds the
// day read and shows the file's own form while that stays; every way the
// date can change (setter, merge, paste) shows the new day, and the views
// are told.
TEST_F(MovieModelTest, TheReleaseDateShowsTheFilesOwnTextUntilItChanges)
{
    const MovieModel::DatesInFile dates{TagDateText("2019"), TagDateText("Summer 1999")};
    auto readFromFile = [&] {
        auto record = std::make_shared<MovieModel>();
        record->setDatesInFile(dates);
        record->setReleaseDate(dates.releaseDate.date());
        return record;
    };
    auto record = readFromFile();
    EXPECT_EQ(record->valueForKey("releaseDateText"), "2019");
    EXPECT_EQ(record->copyWithZone()->releaseDateText(), "2019");

    KeyCounter told(*record, "releaseDateText");
    record->setReleaseDate(noon(2020, 3, 4));
    EXPECT_EQ(record->releaseDateText(), "2020-03-04");
    record->setReleaseDate(noon(2019, 1, 1));
    EXPECT_EQ(record->releaseDateText(), "2019");
    record->setReleaseDate(MovieModel::emptyReleaseDate());
    EXPECT_EQ(record->releaseDateText(), "");
    EXPECT_EQ(told.count(), 3);

    // A merge that brings another day, and a paste, which keeps the record's own file texts.
    auto merged = readFromFile();
    merged->setSearchResult(std::make_shared<MovieModel>());
    merged->searchResult()->setReleaseDate(noon(1999, 7, 1));
    KeyCounter toldOfMerge(*merged, "releaseDateText");
    merged->copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(merged->releaseDateText(), "1999-07-01");
    EXPECT_EQ(toldOfMerge.count(), 1);
    auto pasted = readFromFile();
    MovieModel other;
    other.setReleaseDate(noon(2019, 1, 1));
    pasted->paste(&other);
    EXPECT_EQ(pasted->datesInFile(), dates);
    EXPECT_EQ(pasted->releaseDateText(), "2019");

    record->clear();
    EXPECT_EQ(record->datesInFile(), MovieModel::DatesInFile{});
}

}  // namespace
