// The chapter database client against the fake server: the search request,
// reading chapter sets, choosing the best one and reading its browse page.
#include "online/chapterdbapi.h"
#include "model/chaptermodel.h"
#include "model/moviemodel.h"
#include "online/chapterdbentries.h"
#include "platform/log.h"
#include "support/fakeserver.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

using testsupport::FakeReply;
using testsupport::FakeRequest;
using testsupport::FakeServer;

namespace {

constexpr auto kApiKey = "CHAPTERDBTESTKEY0001";
constexpr quint64 kGermanSetDuration = 7'022'103;  // 01:57:02.1030000

QList<qint64> lengthsOf(const ChapterList& chapters)
{
    QList<qint64> out;
    for (const auto& chapter : chapters)
        out.append(static_cast<qint64>(chapter->length()));
    return out;
}

quint64 totalLength(const ChapterList& chapters)
{
    quint64 sum = 0;
    for (const auto& chapter : chapters)
        sum += chapter->length();
    return sum;
}

ChapterSetDescription set(const QString& language, qint64 confirmations, const QString& title, quint64 duration,
                          const QString& id = "1")
{
    ChapterSetDescription description;
    description.language = language;
    description.confirmations = confirmations;
    description.title = title;
    description.duration = duration;
    description.chapterSetId = id;
    return description;
}

QByteArray browsePage(const QByteArray& rows)
{
    return "<!DOCTYPE html>\n<html><head><title>ChapterDb</title></head><body><table class=\"chapters\">"
           "<thead><tr><th>#</th><th>Name</th><th>Time</th></tr></thead><tbody>" +
           rows + "</tbody></table></body></html>\n";
}

class ChapterDbApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isListening());
        qputenv("KORVALANE_CHAPTERDB_URL", m_server.baseUrl().toUtf8());
        qputenv("KORVALANE_CHAPTERDB_API_KEY", kApiKey);
        m_server.route("GET", "/chapters/search", FakeReply::fromFile("chapterdb/search-alien.xml"));
        m_server.route("GET", "/browse/31047", FakeReply::fromFile("chapterdb/browse-31047.html"));
        m_server.route("GET", "/browse/48213", FakeReply::fromFile("chapterdb/browse-three-rows.html"));
    }

    void TearDown() override
    {
        qunsetenv("KORVALANE_CHAPTERDB_URL");
        qunsetenv("KORVALANE_CHAPTERDB_API_KEY");
    }

    ChapterDbAPI::Result<QList<ChapterSetDescription>> parseFile(const QString& name)
    {
        return ChapterDbAPI::parseChaptersXML(testsupport::serviceData("chapterdb/" + name));
    }

    FakeServer m_server;
    platform::LogCapture m_log;
};

TEST(ChapterDbSearchTitle, CutsAtTheFirstSeparatorFromTheFifthCharacterOn)
{
    EXPECT_EQ(ChapterDbAPI::searchTitle("Alien - Director's Cut"), "Alien");
    EXPECT_EQ(ChapterDbAPI::searchTitle("Up - Special"), "Up - Special");
    EXPECT_EQ(ChapterDbAPI::searchTitle("The Thing - X - Y"), "The Thing");
    EXPECT_EQ(ChapterDbAPI::searchTitle("Heat"), "Heat");
    EXPECT_EQ(ChapterDbAPI::searchTitle("Alien-Resurrection"), "Alien-Resurrection");
}

TEST_F(ChapterDbApiTest, SearchSendsTitleDurationAndKey)
{
    const ChapterDbAPI::Result<QByteArray> reply =
        ChapterDbAPI::searchChapterDb("Alien - Director's Cut", "01:57:02.103000");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, testsupport::serviceData("chapterdb/search-alien.xml"));
    ASSERT_EQ(m_server.requestCount(), 1);
    const FakeRequest request = m_server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/chapters/search");
    EXPECT_EQ(request.header("ApiKey"), kApiKey);
    const QUrlQuery query = request.queryItems();
    EXPECT_EQ(query.queryItemValue("title", QUrl::FullyDecoded), "Alien");
    EXPECT_EQ(query.queryItemValue("duration", QUrl::FullyDecoded), "01:57:02.103000");
    EXPECT_EQ(request.query, "title=Alien&duration=01:57:02.103000");  // a time needs no escaping
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterDbApiTest, SearchKeepsEveryCharacterOfTheTitle)
{
    const QString title = QString::fromUtf8(
        "Fast & Furious + Gr\xc3\xb6\xc3\x9f"
        "er #2?");
    ASSERT_TRUE(ChapterDbAPI::searchChapterDb(title, "01:00:00").has_value());
    const QUrlQuery query = m_server.requests().first().queryItems();
    EXPECT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(query.queryItemValue("title", QUrl::FullyDecoded), title);
}

TEST_F(ChapterDbApiTest, SearchFailuresAreLoggedAndGiveNothing)
{
    EXPECT_FALSE(ChapterDbAPI::searchChapterDb(QString(), "01:00:00").has_value());
    EXPECT_FALSE(ChapterDbAPI::searchChapterDb("", "01:00:00").has_value());
    EXPECT_EQ(m_server.requestCount(), 0);

    m_server.route("GET", "/chapters/search", FakeReply::bytes("not found", "text/plain", 404));
    EXPECT_FALSE(ChapterDbAPI::searchChapterDb("Alien", "01:00:00").has_value());
    EXPECT_EQ(m_log.lines(), QStringList{"got HTTP-response error form 127.0.0.1: 404"});

    m_log.clear();
    m_server.route("GET", "/chapters/search", FakeReply::dropped());
    EXPECT_FALSE(ChapterDbAPI::searchChapterDb("Alien", "01:00:00").has_value());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().startsWith("can't execute chapterdb searach: "));
    EXPECT_FALSE(m_log.lines().first().contains(kApiKey));
}

TEST_F(ChapterDbApiTest, ReadsEveryChapterSetOfTheReply)
{
    const ChapterDbAPI::Result<QList<ChapterSetDescription>> sets = parseFile("search-alien.xml");
    ASSERT_TRUE(sets.has_value());
    ASSERT_EQ(sets->size(), 3);

    const ChapterSetDescription& english = sets->at(0);
    EXPECT_EQ(english.language, "en");
    EXPECT_EQ(english.confirmations, 57);
    EXPECT_EQ(english.title, "Alien");
    EXPECT_EQ(english.duration, 7'008'246u);
    EXPECT_EQ(english.chapterSetId, "48213");
    ASSERT_EQ(english.chapters.size(), 12);
    EXPECT_EQ(english.chapters[0]->name(), "Main Titles");
    EXPECT_EQ(english.chapters[0]->length(), 302'127u);
    EXPECT_EQ(english.chapters[2]->length(), 502'542u);  // up to the 8-character start 00:20:33
    EXPECT_EQ(english.chapters[11]->name(), "Ripley & Jones");
    EXPECT_EQ(english.chapters[11]->index(), 12);
    EXPECT_EQ(totalLength(english.chapters), english.duration);

    const ChapterSetDescription& german = sets->at(1);
    EXPECT_EQ(german.language, "de");
    EXPECT_EQ(german.title, "Alien - Das unheimliche Wesen aus einer fremden Welt");
    EXPECT_EQ(german.duration, kGermanSetDuration);
    EXPECT_EQ(german.chapters.size(), 13);
    EXPECT_EQ(german.chapters[5]->name(), QString::fromUtf8("Kane kehrt zur\xc3\xbc"
                                                            "ck"));

    const ChapterSetDescription& french = sets->at(2);
    EXPECT_EQ(french.language, "fr");
    EXPECT_EQ(french.confirmations, 3);
    EXPECT_EQ(french.duration, 6'734'000u);  // 01:52:14
    EXPECT_EQ(french.chapters.size(), 8);
    EXPECT_EQ(totalLength(french.chapters), french.duration);
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterDbApiTest, IndentedReplyReadsLikeTheCompactOne)
{
    const auto compact = parseFile("search-alien.xml");
    const auto indented = parseFile("search-alien-indented.xml");
    ASSERT_TRUE(compact.has_value());
    ASSERT_TRUE(indented.has_value());
    ASSERT_EQ(indented->size(), compact->size());
    for (qsizetype i = 0; i < compact->size(); ++i) {
        EXPECT_EQ(indented->at(i).chapterSetId, compact->at(i).chapterSetId);
        EXPECT_EQ(indented->at(i).title, compact->at(i).title);
        EXPECT_EQ(lengthsOf(indented->at(i).chapters), lengthsOf(compact->at(i).chapters));
    }
}

TEST_F(ChapterDbApiTest, OneFaultySetSpoilsTheWholeReply)
{
    EXPECT_FALSE(parseFile("search-alien-missing-confirmations.xml").has_value());
    EXPECT_EQ(m_log.lines(), QStringList{"Can't find confirmation in chapterInfo"});

    m_log.clear();
    QByteArray noLanguage = testsupport::serviceData("chapterdb/search-alien.xml");
    noLanguage.replace(" xml:lang=\"fre\"", "");
    EXPECT_FALSE(ChapterDbAPI::parseChaptersXML(noLanguage).has_value());
    EXPECT_EQ(m_log.lines(), QStringList{"Can't find xml:lang in chapterInfo"});

    m_log.clear();
    QByteArray noId = testsupport::serviceData("chapterdb/search-alien.xml");
    noId.replace("<chapterSetId>31047</chapterSetId>", "");
    EXPECT_FALSE(ChapterDbAPI::parseChaptersXML(noId).has_value());
    EXPECT_EQ(m_log.lines(), QStringList{"Can't find node with xpath ./ref/chapterSetId of chapterInfo: no such node"});

    m_log.clear();
    QByteArray noChapters = testsupport::serviceData("chapterdb/search-alien.xml");
    const qsizetype from = noChapters.lastIndexOf("<chapters");
    noChapters.remove(from, noChapters.indexOf("</chapters>", from) + 11 - from);
    EXPECT_FALSE(ChapterDbAPI::parseChaptersXML(noChapters).has_value());
    EXPECT_EQ(m_log.lines(), QStringList{"Can't find node with xpath ./chapters of chapterInfo: no such node"});
}

TEST_F(ChapterDbApiTest, EveryChildElementOfTheResultIsAChapterSet)
{
    // White space alone is no chapter set: the service knows none.
    EXPECT_TRUE(ChapterDbAPI::parseChaptersXML("<results>\n  \n</results>").value().isEmpty());
    EXPECT_TRUE(m_log.lines().isEmpty());

    // Whatever the element is called, it is read as a set.
    m_log.clear();
    const ChapterDbAPI::Result<QList<ChapterSetDescription>> sets = ChapterDbAPI::parseChaptersXML(
        "<results><set xml:lang=\"xyz\" confirmations=\"12abc\"><title>T</title><ref><chapterSetId>9</chapterSetId>"
        "</ref><source><duration>00:01:00</duration></source><chapters/></set></results>");
    ASSERT_TRUE(sets.has_value());
    ASSERT_EQ(sets->size(), 1);
    EXPECT_EQ(sets->first().language, "en");  // an unknown language code reads as English
    EXPECT_EQ(sets->first().confirmations, 12);
    EXPECT_EQ(sets->first().duration, 60'000u);
    EXPECT_TRUE(sets->first().chapters.isEmpty());
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterDbApiTest, EmptyRepliesFindNoneAndBrokenOnesFail)
{
    EXPECT_TRUE(parseFile("search-empty.xml").value().isEmpty());
    EXPECT_TRUE(m_log.lines().isEmpty());
    // A document without sets that is not the service's result list is none of its replies.
    EXPECT_EQ(ChapterDbAPI::parseChaptersXML("<error/>").error(), ChapterDbAPI::NoChapters::Failed);

    const QList<QByteArray> broken = {
        testsupport::serviceData("chapterdb/search-malformed.xml"),
        QByteArray(),
        QByteArray("{\"results\":[]}"),
        QByteArray("<results>\xff\xfe</results>"),
        QByteArray("<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]><results>&b;</results>"),
    };
    for (const QByteArray& reply : broken) {
        m_log.clear();
        EXPECT_EQ(ChapterDbAPI::parseChaptersXML(reply).error(), ChapterDbAPI::NoChapters::Failed)
            << reply.left(40).constData();
        ASSERT_EQ(m_log.lines().size(), 1);
        EXPECT_TRUE(m_log.lines().first().startsWith("Can't get xml from chapter result: "));
    }
}

// A search or browse page that is no reply of the service is a failure, never "none found".
TEST_F(ChapterDbApiTest, AnswersThatAreNoReplyFail)
{
    const QList<testsupport::FailedAnswer> answers = testsupport::failedAnswers(
        R"({"error":"Service Unavailable"})", testsupport::serviceData("chapterdb/search-alien.xml"));
    for (const auto& [what, reply] : answers) {
        SCOPED_TRACE(what.toStdString());
        m_server.route("GET", "/chapters/search", reply);
        const ChapterDbAPI::Result<QByteArray> found = ChapterDbAPI::searchChapterDb("Alien", "01:00:00");
        const ChapterDbAPI::NoChapters miss = found ? ChapterDbAPI::parseChaptersXML(*found).error() : found.error();
        EXPECT_EQ(miss, ChapterDbAPI::NoChapters::Failed);
        m_server.route("GET", "/browse/31047", reply);
        EXPECT_EQ(ChapterDbAPI::getChaptersFromWebSite("31047", 3'600'000).error(), ChapterDbAPI::NoChapters::Failed);
    }
}

TEST_F(ChapterDbApiTest, GiganticSearchReplyIsRefused)
{
    m_server.route("GET", "/chapters/search", FakeReply::bytes(QByteArray(20 * 1024 * 1024, 'x'), "text/xml"));
    EXPECT_FALSE(ChapterDbAPI::searchChapterDb("Alien", "01:00:00").has_value());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().contains("larger than"));
}

TEST(ChapterSetScore, AddsLanguageDurationTitleAndConfirmations)
{
    const qint64 duration = 6'000'000;
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("Alien", duration, set("de", 51, "ALIEN", duration + 9'999), "de"), 1200);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("Alien", duration, set("de", 50, "alien", duration - 9'999), "de"), 1100);
    // Duration steps: under 10 minutes, 5 minutes, 1 minute, 10 seconds.
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", duration, set("en", 0, "y", duration + 599'999), "de"), 100);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", duration, set("en", 0, "y", duration + 299'999), "de"), 200);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", duration, set("en", 0, "y", duration + 59'999), "de"), 300);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", duration, set("en", 0, "y", duration + 10'000), "de"), 300);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", duration, set("en", 0, "y", duration + 600'000), "de"), 0);
    // A record without a duration counts as 0 milliseconds.
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", std::nullopt, set("en", 0, "y", 5'000), "de"), 500);
    // Titles: the record's may extend the set's, or the set's the record's.
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("Alien Director's Cut", 0, set("en", 0, "Alien", 900'000), "de"), 100);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("Alien", 0, set("en", 0, "Alien - Das Wesen", 900'000), "de"), 100);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("", 0, set("en", 0, "Alien", 900'000), "de"), 0);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("Alien", 0, set("en", 0, "", 900'000), "de"), 0);
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("Aliens", 0, set("en", 0, "The Aliens", 900'000), "de"), 0);
    // The language is compared exactly.
    EXPECT_EQ(ChapterDbAPI::chapterSetScore("x", 0, set("DE", 0, "y", 900'000), "de"), 0);
}

TEST_F(ChapterDbApiTest, ChoosesTheBestSetAndReadsItsBrowsePage)
{
    const ChapterDbAPI::Result<QList<ChapterSetDescription>> sets = parseFile("search-alien.xml");
    ASSERT_TRUE(sets.has_value());
    MovieModel record;
    record.setTitle("Alien");
    record.setMsecDuration(static_cast<qint64>(kGermanSetDuration));

    // German: the language and the exact duration outweigh the English set's equal title.
    const ChapterDbAPI::Result<ChapterList> german = ChapterDbAPI::selectBestChaptersForMovie(record, *sets, "de");
    ASSERT_TRUE(german.has_value());
    ASSERT_EQ(m_server.requestCount(), 1);
    EXPECT_EQ(m_server.requests().first().path, "/browse/31047");
    EXPECT_FALSE(m_server.requests().first().hasHeader("ApiKey"));
    ASSERT_EQ(german->size(), 13);
    EXPECT_EQ(german->at(0)->name(), "Vorspann");
    EXPECT_EQ(german->at(0)->length(), 291'333u);
    EXPECT_EQ(german->at(12)->index(), 13);
    EXPECT_EQ(german->at(12)->name(), "Abspann");
    EXPECT_EQ(totalLength(*german), kGermanSetDuration);

    // The last chapter runs to the end of the record, not of the set.
    record.setMsecDuration(static_cast<qint64>(kGermanSetDuration) + 5'000);
    const ChapterDbAPI::Result<ChapterList> longer = ChapterDbAPI::selectBestChaptersForMovie(record, *sets, "de");
    ASSERT_TRUE(longer.has_value());
    EXPECT_EQ(m_server.requests().last().path, "/browse/31047");
    EXPECT_EQ(totalLength(*longer), kGermanSetDuration + 5'000);
    EXPECT_EQ(longer->last()->length(), german->last()->length() + 5'000);

    // English: the language tips it the other way.
    ChapterDbAPI::selectBestChaptersForMovie(record, *sets, "en");
    EXPECT_EQ(m_server.requests().last().path, "/browse/48213");
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterDbApiTest, EqualScoresKeepTheEarlierSetAndZeroChoosesNone)
{
    MovieModel record;
    record.setTitle("Alien");
    record.setMsecDuration(6'000'000);
    const QList<ChapterSetDescription> twins = {set("de", 60, "Alien", 6'000'000, "31047"),
                                                set("de", 60, "Alien", 6'000'000, "48213")};
    ASSERT_TRUE(ChapterDbAPI::selectBestChaptersForMovie(record, twins, "de").has_value());
    EXPECT_EQ(m_server.requests().last().path, "/browse/31047");

    m_server.clearRequests();
    const QList<ChapterSetDescription> unrelated = {set("fr", 50, "Heat", 5'400'000, "31047"),
                                                    set("en", 3, "Brazil", 7'000'000, "48213")};
    EXPECT_FALSE(ChapterDbAPI::selectBestChaptersForMovie(record, unrelated, "de").has_value());
    EXPECT_FALSE(ChapterDbAPI::selectBestChaptersForMovie(record, {}, "de").has_value());
    EXPECT_EQ(m_server.requestCount(), 0);
}

TEST_F(ChapterDbApiTest, BrowseRowsBecomeChaptersRunningToTheRecordsEnd)
{
    const ChapterDbAPI::Result<ChapterList> chapters = ChapterDbAPI::getChaptersFromWebSite("48213", 3'600'000);
    ASSERT_TRUE(chapters.has_value());
    EXPECT_EQ(lengthsOf(*chapters), (QList<qint64>{600'000, 900'000, 2'100'000}));
    ASSERT_EQ(chapters->size(), 3);
    EXPECT_EQ(chapters->at(0)->index(), 1);
    EXPECT_EQ(chapters->at(2)->index(), 3);
    EXPECT_EQ(chapters->at(1)->name(), "Mitte");

    // A record shorter than the last start: the last chapter keeps length 0.
    const ChapterDbAPI::Result<ChapterList> shorter = ChapterDbAPI::getChaptersFromWebSite("48213", 1'000'000);
    ASSERT_TRUE(shorter.has_value());
    EXPECT_EQ(lengthsOf(*shorter), (QList<qint64>{600'000, 900'000, 0}));
}

TEST_F(ChapterDbApiTest, BrowseTableOfOddRows)
{
    const QByteArray longName(1500, 'n');
    m_server.route("GET", "/browse/7",
                   FakeReply::bytes(browsePage("<tr><td> 4 </td><td>\n  Opening </td><td> 00:00:00 </td></tr>"
                                               "<tr><td>5</td><td>too few cells</td></tr>"
                                               "<tr><td>6</td><td>" +
                                               longName +
                                               "</td><td>00:20:00.5000000</td></tr>"
                                               "<tr><td>7</td><td>Back in time</td><td>00:10:00</td></tr>"
                                               "<tr><td>8</td><td>No time</td><td></td></tr>"
                                               "<tr><td>9</td><td>Late</td><td>1:30:00</td></tr>"
                                               "<tr><td>x</td><td>End</td><td>00:50:00</td></tr>"),
                                    "text/html; charset=utf-8"));
    const ChapterDbAPI::Result<ChapterList> chapters = ChapterDbAPI::getChaptersFromWebSite("7", 3'600'000);
    ASSERT_TRUE(chapters.has_value());
    ASSERT_EQ(chapters->size(), 6);
    EXPECT_EQ(chapters->at(0)->index(), 4);
    EXPECT_EQ(chapters->at(0)->name(), "Opening");
    EXPECT_EQ(chapters->at(1)->name().size(), 1023);
    EXPECT_EQ(chapters->at(5)->index(), 0);
    // Starts that go backwards or are not times never wrap around: those chapters get 0.
    EXPECT_EQ(lengthsOf(*chapters), (QList<qint64>{1'200'500, 0, 0, 0, 1'799'500, 600'000}));
    for (const auto& chapter : *chapters)
        EXPECT_LE(chapter->length(), 3'600'000u);
}

TEST_F(ChapterDbApiTest, BrowsePageIsReadInTheCharacterSetItWasSentIn)
{
    const QByteArray rows =
        "<tr><td>1</td><td>Kane kehrt zur\xc3\xbc"
        "ck</td><td>00:00:00</td></tr>";
    // No declaration in the page: the reply's Content-Type decides.
    QByteArray page = "<html><body><table><tbody>" + rows + "</tbody></table></body></html>";
    m_server.route("GET", "/browse/5", FakeReply::bytes(page, "text/html; charset=utf-8"));
    const QString name = QString::fromUtf8(
        "Kane kehrt zur\xc3\xbc"
        "ck");
    ChapterDbAPI::Result<ChapterList> chapters = ChapterDbAPI::getChaptersFromWebSite("5", 60'000);
    ASSERT_TRUE(chapters.has_value());
    ASSERT_EQ(chapters->size(), 1);
    EXPECT_EQ(chapters->first()->name(), name);

    page.replace("\xc3\xbc", "\xfc");
    m_server.route("GET", "/browse/6", FakeReply::bytes(page, "text/html; charset=\"windows-1252\""));
    chapters = ChapterDbAPI::getChaptersFromWebSite("6", 60'000);
    ASSERT_TRUE(chapters.has_value());
    ASSERT_EQ(chapters->size(), 1);
    EXPECT_EQ(chapters->first()->name(), name);
}

TEST_F(ChapterDbApiTest, BrowsePageWithoutTableOrReplyGivesNothing)
{
    m_server.route("GET", "/browse/1", FakeReply::fromFile("chapterdb/browse-no-table.html"));
    EXPECT_FALSE(ChapterDbAPI::getChaptersFromWebSite("1", 3'600'000).has_value());
    EXPECT_EQ(m_log.lines().size(), 1);

    m_log.clear();
    m_server.route("GET", "/browse/2", FakeReply::bytes("\xff\xfe\x00<<<>>>\x80", "text/html"));
    EXPECT_FALSE(ChapterDbAPI::getChaptersFromWebSite("2", 3'600'000).has_value());
    EXPECT_EQ(m_log.lines().size(), 1);

    m_log.clear();
    EXPECT_FALSE(ChapterDbAPI::getChaptersFromWebSite("404", 3'600'000).has_value());
    EXPECT_EQ(m_log.lines(), QStringList{"can't execute chapterdb browse: HTTP result error code: 404"});

    m_log.clear();
    m_server.route("GET", "/browse/3", FakeReply::dropped());
    EXPECT_FALSE(ChapterDbAPI::getChaptersFromWebSite("3", 3'600'000).has_value());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().startsWith("can't execute chapterdb browse: "));

    // A table body without rows is an empty chapter list, not a failure.
    m_server.route("GET", "/browse/4", FakeReply::bytes(browsePage(""), "text/html"));
    const ChapterDbAPI::Result<ChapterList> none = ChapterDbAPI::getChaptersFromWebSite("4", 3'600'000);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->isEmpty());
}

TEST(ChapterDbEntries, TimesAndNames)
{
    EXPECT_EQ(online::chapterDbMilliseconds("01:45:00"), 6'300'000u);
    EXPECT_EQ(online::chapterDbMilliseconds("00:00:01.2500000"), 1'250u);
    EXPECT_EQ(online::chapterDbMilliseconds("01:45"), 0u);

    const ChapterList single =
        online::chaptersFromChapterDbEntries({{QString(), "Only", "00:00:00"}}, 0, online::ChapterNumbering::Running);
    ASSERT_EQ(single.size(), 1);
    EXPECT_EQ(single.first()->length(), 0u);
    EXPECT_EQ(single.first()->index(), 1);

    // A missing name stays missing; a surrogate pair is never split by the cut.
    QString emoji(1022, u'a');
    emoji += QString::fromUtf8("\xf0\x9f\x8e\xac");
    const ChapterList named =
        online::chaptersFromChapterDbEntries({{QString(), QString(), "00:00:00"}, {QString(), emoji, "00:01:00"}},
                                             120'000, online::ChapterNumbering::Running);
    ASSERT_EQ(named.size(), 2);
    EXPECT_TRUE(named[0]->name().isNull());
    EXPECT_EQ(named[1]->name().size(), 1022);
    EXPECT_EQ(named[1]->index(), 2);
    EXPECT_EQ(lengthsOf(named), (QList<qint64>{60'000, 60'000}));
}

}  // namespace
