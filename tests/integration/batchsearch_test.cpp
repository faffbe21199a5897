// The batch search over several records with one movie database client: a
// record the database does not know is passed over, a cancel ends the batch
// and leaves the records after it as they were.
#include "movieroad.h"

#include "online/tmdbapi.h"
#include "online/webrequest.h"
#include "platform/notificationcenter.h"
#include "tagging/moviefilemanager.h"

#include <QTimer>

namespace movieroad {
namespace {

using testsupport::FakeReply;

class BatchSearchTest : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        const QString key = "api_key=c0ffee00c0ffee00c0ffee00c0ffee00";
        // The database knows Alien; "Unbekannt" finds nothing, with or without language.
        m_tmdb.route("GET", "/3/search/movie", key + "&query=Unbekannt&language=de",
                     FakeReply::fromFile("tmdb/search-empty.json"));
        m_tmdb.route("GET", "/3/search/movie", key + "&query=Unbekannt", FakeReply::fromFile("tmdb/search-empty.json"));
        for (const char* name : {"1 Alien #1979.m4v", "2 Unbekannt.m4v", "3 Alien #1979.m4v"})
            ASSERT_FALSE(makeMovie(name).isEmpty());
        ASSERT_TRUE(MovieFileManager::loadFiles(QVariantList{workFolder()}, m_list, kLanguage));
        ASSERT_EQ(m_list.arrangedObjects().size(), 3);
        m_list.setSortOrder(
            [](const MovieModel& first, const MovieModel& second) { return first.fileUrl() < second.fileUrl(); });
        m_list.rearrangeObjects();
        // Titles as a user would fix them before searching.
        record(0).setTitle("Alien #1979");
        record(1).setTitle("Unbekannt");
        record(2).setTitle("Alien #1979");
        m_list.setSelectionIndexes({0, 1, 2});
    }

    MovieModel& record(qsizetype row) { return *m_list.arrangedObjects().at(row); }

    MovieList m_list;
};

TEST_F(BatchSearchTest, ARecordTheDatabaseDoesNotKnowIsPassedOver)
{
    EXPECT_EQ(batchSearch(m_list), 3);
    EXPECT_EQ(record(0).title(), kGermanTitle);
    EXPECT_EQ(record(1).title(), "Unbekannt");
    EXPECT_FALSE(record(1).searchResult());
    EXPECT_EQ(record(2).title(), kGermanTitle);
    EXPECT_TRUE(record(2).coverIsSet());
    EXPECT_EQ(record(2).imdbID(), "tt0078748");
}

TEST_F(BatchSearchTest, ACancelEndsTheBatchAndLaterRecordsKeepTheirFields)
{
    // The second record's search answers late; the user cancels meanwhile.
    m_tmdb.route("GET", "/3/search/movie", "api_key=c0ffee00c0ffee00c0ffee00c0ffee00&query=Unbekannt&language=de",
                 FakeReply::fromFile("tmdb/search-empty.json").withDelay(3000));
    int polls = 0;
    QTimer cancel;
    cancel.setInterval(20);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        // Cancel once the first record has its result, while the second one waits.
        if (record(0).searchResult() || ++polls > 500) {
            platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification));
            cancel.stop();
        }
    });
    cancel.start();
    EXPECT_EQ(batchSearch(m_list), 2);
    EXPECT_EQ(m_client->status(), TMDbAPI::Status::Cancelled);
    EXPECT_EQ(record(0).title(), kGermanTitle);
    EXPECT_EQ(record(1).title(), "Unbekannt");
    EXPECT_EQ(record(2).title(), "Alien #1979");
    EXPECT_FALSE(record(2).searchResult());
}

}  // namespace
}  // namespace movieroad
