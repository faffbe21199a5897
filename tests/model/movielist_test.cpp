#include "model/movielist.h"

#include <QStringList>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<MovieModel> record(const QString& file, const QString& title)
{
    auto movie = std::make_shared<MovieModel>();
    if (!file.isEmpty())
        movie->setFileUrl(QUrl::fromLocalFile(file));
    if (!title.isNull())
        movie->setTitle(title);
    return movie;
}

class MovieListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_token = m_list.addListener(QString(), [this](const QString& key) { m_announced << key; });
    }

    QStringList flagsAnnounced() const
    {
        QStringList flags;
        for (const QString& key : m_announced) {
            if (key.startsWith("can") || key == "isMovieSelected")
                flags << key;
        }
        return flags;
    }

    MovieList m_list;
    QStringList m_announced;
    Observable::ListenerToken m_token;
};

TEST_F(MovieListTest, StartsEmpty)
{
    EXPECT_TRUE(m_list.arrangedObjects().isEmpty());
    EXPECT_TRUE(m_list.filesInMovieList().isEmpty());
    EXPECT_TRUE(m_list.selectionIndexes().isEmpty());
    EXPECT_EQ(m_list.selectionIndex(), MovieList::NotFound);
    EXPECT_EQ(MovieList::NotFound, std::numeric_limits<qint64>::max());
    EXPECT_FALSE(m_list.canTagMovies());
    EXPECT_FALSE(m_list.canTagOneMovie());
    EXPECT_FALSE(m_list.isMovieSelected());
}

TEST_F(MovieListTest, AddsAtTheEndAndListsTheFilesItHolds)
{
    m_list.addObject(record("/m/a.mp4", "A"));
    m_list.addObject(record("", "No file"));
    m_list.addObject(record("/m/b.m4v", QString()));
    ASSERT_EQ(m_list.arrangedObjects().size(), 3);
    EXPECT_EQ(m_list.arrangedObjects().at(1)->title(), "No file");
    EXPECT_EQ(m_list.filesInMovieList(),
              (QList<QUrl>{QUrl::fromLocalFile("/m/a.mp4"), QUrl::fromLocalFile("/m/b.m4v")}));
    EXPECT_TRUE(m_announced.contains("arrangedObjects"));
}

TEST_F(MovieListTest, SelectionIsSortedUniqueAndInsideTheList)
{
    for (int i = 0; i < 4; ++i)
        m_list.addObject(record(QString("/m/%1.mp4").arg(i), "T"));
    m_list.setSelectionIndexes({3, 1, 3, 9, -1});
    EXPECT_EQ(m_list.selectionIndexes(), (MovieList::IndexSet{1, 3}));
    EXPECT_EQ(m_list.selectionIndex(), 1);
    ASSERT_EQ(m_list.selectedObjects().size(), 2);
    EXPECT_EQ(m_list.selectedObjects().at(1), m_list.arrangedObjects().at(3));
    m_list.setSelectionIndexes({});
    EXPECT_EQ(m_list.selectionIndex(), MovieList::NotFound);
}

TEST_F(MovieListTest, FlagsFollowStatusAndSelection)
{
    auto ready = record("/m/ready.mp4", "Ready");         // status 2
    auto noTitle = record("/m/untitled.mp4", QString());  // status 1
    ASSERT_EQ(ready->status(), MovieModel::kStatusReadyToTag);
    ASSERT_EQ(noTitle->status(), MovieModel::kStatusNoTitle);
    m_list.addObject(noTitle);
    m_list.addObject(ready);

    m_list.setSelectionIndexes({0});
    EXPECT_FALSE(m_list.canTagMovies());
    EXPECT_TRUE(m_list.canTagOneMovie());
    EXPECT_TRUE(m_list.canSearchMovies());
    EXPECT_EQ(m_list.canSearchMovies(), m_list.isMovieSelected());

    m_list.setSelectionIndexes({0, 1});
    EXPECT_TRUE(m_list.canTagMovies());
    ready->setTagged(true);
    EXPECT_FALSE(m_list.canTagMovies());
    EXPECT_FALSE(m_list.canTagOneMovie());
    EXPECT_EQ(m_list.valueForKey("canTagOneMovie"), QVariant(false));
    EXPECT_EQ(m_list.valueForKey("isMovieSelected"), QVariant(true));
}

TEST_F(MovieListTest, RecordChangesAnnounceTheFourFlagsInOrder)
{
    auto movie = record("/m/a.mp4", "A");
    m_list.addObject(movie);
    m_announced.clear();
    movie->setTitle("B");  // the record posts "ElementsHaveChanged"
    const QStringList flags = flagsAnnounced();
    ASSERT_GE(flags.size(), 4);
    EXPECT_EQ(flags.mid(0, 4), (QStringList{"canTagMovies", "canTagOneMovie", "canSearchMovies", "isMovieSelected"}));
}

TEST_F(MovieListTest, UpdateTableViewSelectionKeepsThePresentSelectionAndAnnounces)
{
    for (int i = 0; i < 3; ++i)
        m_list.addObject(record(QString("/m/%1.mp4").arg(i), "T"));
    m_list.setSelectionIndexes({2});
    m_announced.clear();
    m_list.updateTableViewSelection(std::nullopt);
    EXPECT_EQ(m_list.selectionIndexes(), (MovieList::IndexSet{2}));
    EXPECT_EQ(flagsAnnounced(), (QStringList{"canTagMovies", "canTagOneMovie", "canSearchMovies", "isMovieSelected"}));
    m_list.updateTableViewSelection(MovieList::IndexSet{0, 1});
    EXPECT_EQ(m_list.selectionIndexes(), (MovieList::IndexSet{0, 1}));
}

TEST_F(MovieListTest, ASortOrderRearrangesAndTheSelectionFollowsItsRecords)
{
    m_list.addObject(record("/m/c.mp4", "C"));
    m_list.addObject(record("/m/a.mp4", "A"));
    m_list.addObject(record("/m/b.mp4", "B"));
    m_list.setSelectionIndexes({0});  // "C"
    m_list.setSortOrder([](const MovieModel& a, const MovieModel& b) { return a.title() < b.title(); });
    m_list.updateTableViewSelection(std::nullopt);
    QStringList titles;
    for (const auto& movie : m_list.arrangedObjects())
        titles << movie->title();
    EXPECT_EQ(titles, (QStringList{"A", "B", "C"}));
    EXPECT_EQ(m_list.selectionIndexes(), (MovieList::IndexSet{2}));
}

TEST_F(MovieListTest, RemovingRecordsShiftsTheSelection)
{
    for (int i = 0; i < 5; ++i)
        m_list.addObject(record(QString("/m/%1.mp4").arg(i), QString::number(i)));
    m_list.setSelectionIndexes({1, 3, 4});
    m_list.removeObjectsAtArrangedObjectIndexes({0, 3, 7});
    ASSERT_EQ(m_list.arrangedObjects().size(), 3);
    EXPECT_EQ(m_list.arrangedObjects().at(0)->title(), "1");
    EXPECT_EQ(m_list.arrangedObjects().at(2)->title(), "4");
    EXPECT_EQ(m_list.selectionIndexes(), (MovieList::IndexSet{0, 2}));
}

TEST_F(MovieListTest, RemovedListHearsNoMoreRecordChanges)
{
    auto movie = record("/m/a.mp4", "A");
    {
        MovieList other;
        other.addObject(movie);
    }
    movie->setTitle("still fine");  // must not reach the destroyed list
    EXPECT_EQ(movie->title(), "still fine");
}

// The Save All flag is kept as a count; after every step it must agree with a
// look at every record, whichever record changed and however it left.
TEST_F(MovieListTest, SaveAllFlagFollowsEveryRecordThroughChangesAndRemovals)
{
    auto a = record("/m/a.mp4", "A");
    auto b = record("/m/b.mp4", QString());
    auto c = record("/m/c.mp4", "C");
    auto outsider = record("/m/o.mp4", "O");
    const auto anyReady = [this] {
        return std::any_of(m_list.arrangedObjects().cbegin(), m_list.arrangedObjects().cend(),
                           [](const auto& movie) { return movie->status() == MovieModel::kStatusReadyToTag; });
    };
    const struct Step {
        const char* what;
        std::function<void()> run;
        bool expected;
    } steps[] = {
        {"untitled record added", [&] { m_list.addObject(b); }, false},
        {"ready record added", [&] { m_list.addObject(a); }, true},
        {"ready record tagged", [&] { a->setTagged(true); }, false},
        {"untitled record gets a title", [&] { b->setTitle("B"); }, true},
        {"second ready record added", [&] { m_list.addObject(c); }, true},
        {"first ready record removed", [&] { m_list.removeObjectsAtArrangedObjectIndexes({0}); }, true},
        {"record outside the list changes", [&] { outsider->setTitle("O2"); }, true},
        {"last ready record loses its file", [&] { c->setFileUrl(QUrl()); }, false},
        {"tagged record edited again", [&] { a->setComments("edited"); }, true},
        {"removed record edited", [&] { b->setTitle("B2"); }, true},
        {"same record added twice", [&] { m_list.addObject(a); }, true},
        {"one of the two removed", [&] { m_list.removeObjectsAtArrangedObjectIndexes({2}); }, true},
        {"the other tagged", [&] { a->setTagged(true); }, false},
        {"record cleared",
         [&] {
             c->clear();
             c->setFileUrl(QUrl::fromLocalFile("/m/c.mp4"));
             c->setTitle("C");
         },
         true},
        {"every record removed",
         [&] {
             m_list.removeObjectsAtArrangedObjectIndexes({0, 1});
         },
         false},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(m_list.canTagOneMovie(), step.expected) << step.what;
        EXPECT_EQ(m_list.canTagOneMovie(), anyReady()) << step.what;
    }
}

TEST_F(MovieListTest, EachArrangementNoticeSaysWhatChanged)
{
    using Kind = MovieList::ArrangementChange::Kind;
    QList<MovieList::ArrangementChange> changes;
    const auto token =
        m_list.addListener("arrangedObjects", [&](const QString&) { changes << m_list.lastArrangementChange(); });
    for (int i = 0; i < 6; ++i)
        m_list.addObject(record(QString("/m/%1.mp4").arg(i), QString::number(5 - i)));
    m_list.setSelectionIndexes({1, 2, 4, 5});
    m_list.removeObjectsAtArrangedObjectIndexes({4, 0, 2, 9});
    notifyValueChanged(m_list, "arrangedObjects");
    m_list.setSortOrder([](const MovieModel& x, const MovieModel& y) { return x.title() < y.title(); });
    m_list.rearrangeObjects();
    m_list.rearrangeObjects();

    ASSERT_EQ(changes.size(), 10);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(changes[i].kind, Kind::Appended) << i;
        EXPECT_EQ(changes[i].first, i);
    }
    EXPECT_EQ(changes[6].kind, Kind::Removed);
    EXPECT_EQ(changes[6].removed, (MovieList::IndexSet{0, 2, 4}));
    EXPECT_EQ(changes[7].kind, Kind::Refreshed);  // announced by someone else
    EXPECT_EQ(changes[8].kind, Kind::Reordered);
    EXPECT_EQ(changes[9].kind, Kind::Refreshed);  // already in order
    EXPECT_EQ(m_list.lastArrangementChange().kind, Kind::Refreshed);

    // "4" "2" "0" are left, "4" and "0" still selected; sorted, the selection follows them.
    QStringList titles;
    for (const auto& movie : m_list.arrangedObjects())
        titles << movie->title();
    EXPECT_EQ(titles, (QStringList{"0", "2", "4"}));
    EXPECT_EQ(m_list.selectionIndexes(), (MovieList::IndexSet{0, 2}));
}

TEST_F(MovieListTest, ChangesOfTheSelectedRecordsArePassedOnAsSelectionKeys)
{
    auto a = record("/m/a.mp4", "A");
    auto b = record("/m/b.mp4", "B");
    m_list.addObject(a);
    m_list.addObject(b);
    const auto passedOn = [this](const std::function<void()>& change) {
        m_announced.clear();
        change();
        return m_announced.contains("selection.comments");
    };
    EXPECT_FALSE(passedOn([&] { a->setComments("not selected"); }));
    m_list.setSelectionIndexes({0});
    EXPECT_TRUE(passedOn([&] { a->setComments("selected"); }));
    EXPECT_FALSE(passedOn([&] { b->setComments("not selected"); }));
    m_list.removeObjectsAtArrangedObjectIndexes({0});  // the selection goes with its record
    EXPECT_FALSE(passedOn([&] { a->setComments("removed"); }));
    m_list.setSelectionIndexes({0});
    EXPECT_TRUE(passedOn([&] { b->setComments("selected now"); }));
    m_list.addObject(a);
    m_list.removeObjectsAtArrangedObjectIndexes({1});  // the selected record stays where it is
    EXPECT_TRUE(passedOn([&] { b->setComments("still selected"); }));
}

}  // namespace
