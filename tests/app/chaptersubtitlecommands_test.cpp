// The chapter and subtitle commands of the main window against the fake
// chapter database and subtitle service, and the chapter and subtitle files
// chosen through a recording file chooser.
#include "app/filechooser.h"
#include "app/harness/appfixture.h"
#include "app/lastfolder.h"
#include "model/chaptermodel.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "support/fakeserver.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTimer>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

class ServiceCommands : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(m_chapterDb.isListening());
        ASSERT_TRUE(m_subtitles.isListening());
        qputenv("KORVALANE_CHAPTERDB_URL", m_chapterDb.baseUrl().toUtf8());
        qputenv("KORVALANE_OPENSUBTITLES_URL", (m_subtitles.baseUrl() + "/api/v1").toUtf8());
        qputenv("KORVALANE_CHAPTERDB_API_KEY", "key");
        qputenv("KORVALANE_OPENSUBTITLES_API_KEY", "key");
        qputenv("KORVALANE_OPENSUBTITLES_USER", "user");
        qputenv("KORVALANE_OPENSUBTITLES_PASSWORD", "password");
        m_chapterDb.route("GET", "/chapters/search", FakeReply::fromFile("chapterdb/search-alien.xml"));
        for (const char* set : {"/browse/31047", "/browse/48213"})
            m_chapterDb.route("GET", set, FakeReply::fromFile("chapterdb/browse-three-rows.html"));
        m_subtitles.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/login.json"));
        m_subtitles.route("DELETE", "/api/v1/logout", FakeReply::fromFile("opensubtitles/logout.json"));
        m_subtitles.route("GET", "/api/v1/subtitles", FakeReply::fromFile("opensubtitles/subtitles-tt0078748-de.json"));
        m_subtitles.route(
            "POST", "/api/v1/download",
            FakeReply::fromFile("opensubtitles/download.json")
                .withReplaced("https://www.opensubtitles.com/download/", m_subtitles.url("/files/").toUtf8()));
        m_subtitles.route("GET", kSrtPath, FakeReply::fromFile("opensubtitles/sample.srt"));
    }

    void TearDown() override
    {
        AppFixture::TearDown();
        for (const char* name : {"KORVALANE_CHAPTERDB_API_KEY", "KORVALANE_OPENSUBTITLES_API_KEY",
                                 "KORVALANE_OPENSUBTITLES_USER", "KORVALANE_OPENSUBTITLES_PASSWORD"})
            qunsetenv(name);
        // Back where the offline services point.
        for (const char* name : {"KORVALANE_CHAPTERDB_URL", "KORVALANE_OPENSUBTITLES_URL"})
            qputenv(name, "http://127.0.0.1:9");
    }

    // One selected record titled "Alien".
    std::shared_ptr<MovieModel> selectAlien()
    {
        loadMovies({"Alien"}, true);
        return m_controller->getSelectedMovie();
    }

    int requestsTo(const FakeServer& server, const QString& path) const
    {
        int count = 0;
        for (const testsupport::FakeRequest& request : server.requests())
            count += request.path == path ? 1 : 0;
        return count;
    }

    static constexpr char kSrtPath[] =
        "/files/9C1F52A7E04B3D86F2A0C5B71E9D4A36B8F07C2E51D93A6B4E0F8C7D2A1B5E39/subfile/"
        "Alien.1979.PAL.DVDRip.XviD-GER.srt";

    FakeServer m_chapterDb;
    FakeServer m_subtitles;
    platform::LogCapture m_log;
};

TEST_F(ServiceCommands, ChapterSearchFillsTheDatabaseListAndASecondOneWhileItRunsIsIgnored)
{
    const std::shared_ptr<MovieModel> movie = selectAlien();
    movie->setChapterDbFileUrl(QUrl::fromLocalFile("/nowhere/chapters.txt"));
    bool flagSeen = false;
    // The command is given again while the first one keeps the window live.
    QTimer::singleShot(0, m_controller.get(), [&] {
        flagSeen = m_controller->chapterSearchOngoing();
        m_controller->chapterDbSearchViaAPI();
    });
    m_controller->chapterDbSearchViaAPI();

    EXPECT_TRUE(flagSeen);
    EXPECT_FALSE(m_controller->chapterSearchOngoing());
    EXPECT_EQ(requestsTo(m_chapterDb, "/chapters/search"), 1);
    ASSERT_TRUE(movie->listOfDbChapters());
    EXPECT_EQ(movie->listOfDbChapters()->size(), 3);
    EXPECT_TRUE(movie->chapterDbFileUrl().isEmpty());
}

// A chapter or subtitle file that vanished, or a chapter file that holds no
// chapter, is refused with an alert; its folder is still the next start.
TEST_F(ServiceCommands, ChosenFilesThatVanishedOrHoldNothingAreRefused)
{
    const std::shared_ptr<MovieModel> movie = selectAlien();
    RecordingFileChooser chooser;
    const QString folder = m_factory.path("chosen");
    QDir().mkpath(folder);
    QFile empty(folder + "/empty.txt");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    chooser.queueAnswer({QUrl::fromLocalFile(folder + "/gone.xml")});
    chooser.queueAnswer({QUrl::fromLocalFile(folder + "/empty.txt")});
    chooser.queueAnswer({});
    chooser.queueAnswer({QUrl::fromLocalFile(folder + "/gone.srt")});
    m_controller->chapterDbLoad();
    m_controller->chapterDbLoad();
    m_controller->chapterDbLoad();
    m_controller->openSubtitleFile();

    ASSERT_EQ(chooser.requests().size(), 4);
    EXPECT_EQ(chooser.requests()[0].fileTypes, (QStringList{"xml", "json", "txt", "chp"}));
    // The test's home has no Downloads folder.
    EXPECT_EQ(chooser.requests()[0].startFolder, QDir::homePath());
    EXPECT_EQ(chooser.requests()[1].startFolder, folder);
    EXPECT_EQ(chooser.requests()[3].fileTypes, QStringList{"srt"});
    EXPECT_EQ(platform::Settings::shared().stringValue("NSNavLastSubtitleDirectory"), folder);
    // Each alert names its file, with the full path as the details.
    const QList<platform::RecordingAlerts::Shown> expected{
        {"loadChapterXmlHeader", "loadChapterXmlBody", {"gone.xml"}, folder + "/gone.xml"},
        {"loadChapterXmlHeader", "loadChapterXmlBody", {"empty.txt"}, folder + "/empty.txt"},
        {"loadSubtitleHeader", "loadSubtitleBody", {"gone.srt"}, folder + "/gone.srt"}};
    EXPECT_EQ(m_alerts->shown(), expected);
    EXPECT_TRUE(movie->chapterDbFileUrl().isEmpty());
    EXPECT_TRUE(movie->subtitle().isEmpty());
}

TEST_F(ServiceCommands, ChosenChapterAndSubtitleFilesReachTheRecord)
{
    const std::shared_ptr<MovieModel> movie = selectAlien();
    RecordingFileChooser chooser;
    const QString chapters = m_factory.path("chapters.txt");
    const QString subtitle = m_factory.path("movie.srt");
    for (const auto& [path, text] : {std::pair{chapters, QByteArray("CHAPTER01=00:00:00.000\nCHAPTER01NAME=Start\n"
                                                                    "CHAPTER02=00:00:00.500\nCHAPTER02NAME=End\n")},
                                     std::pair{subtitle, QByteArray("1\n00:00:00,100 --> 00:00:00,900\nHallo\n\n")}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    chooser.queueAnswer({QUrl::fromLocalFile(chapters)});
    chooser.queueAnswer({QUrl::fromLocalFile(subtitle)});
    m_controller->chapterDbLoad();
    m_controller->openSubtitleFile();
    EXPECT_EQ(movie->chapterDbFileUrl(), QUrl::fromLocalFile(chapters));
    EXPECT_TRUE(movie->subtitle().contains("Hallo"));
    EXPECT_TRUE(m_alerts->shown().isEmpty());
}

TEST_F(ServiceCommands, ARecordWithoutImdbIdSearchesNoSubtitleAndDoesNotLogIn)
{
    selectAlien();
    m_controller->searchSubtitleForTitle();
    EXPECT_TRUE(m_subtitles.requests().isEmpty());
    EXPECT_FALSE(m_controller->subtitleSearchOngoing());
}

// The first search logs in; the second reuses the token; closing the window logs out.
TEST_F(ServiceCommands, SubtitleSearchesShareOneLoginUntilTheWindowCloses)
{
    const std::shared_ptr<MovieModel> movie = selectAlien();
    movie->setImdbID("tt0078748");
    m_controller->searchSubtitleForTitle();
    EXPECT_TRUE(movie->subtitle().contains("-->"));
    movie->setSubtitle(QString());
    m_controller->searchSubtitleForTitle();
    EXPECT_TRUE(movie->subtitle().contains("-->"));
    EXPECT_EQ(requestsTo(m_subtitles, "/api/v1/login"), 1);
    EXPECT_EQ(requestsTo(m_subtitles, "/api/v1/download"), 2);
    EXPECT_EQ(requestsTo(m_subtitles, "/api/v1/logout"), 0);

    // The fetched subtitle is not saved: the user lets it go.
    m_alerts->setAnswer(platform::SaveChoice::Discard);
    m_controller->mainWindow()->close();
    EXPECT_EQ(requestsTo(m_subtitles, "/api/v1/logout"), 1);
}

// The chapter and subtitle panels start in the folder used last, else in
// Downloads, else at home: never in a folder that is not there.
TEST(LastFolderStart, IsTheFirstFolderThatIsThere)
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    ASSERT_TRUE(downloads.startsWith(QDir::homePath())) << "the test's home is a temporary folder";
    const QString used = QDir::homePath() + "/used";
    const struct {
        const char* stored;  // under the key, or nothing
        bool usedIsThere;
        bool downloadsIsThere;
        QString start;
    } cases[] = {
        {"used", true, true, used},
        {"used", false, true, downloads},
        {"used", false, false, QDir::homePath()},
        {nullptr, true, true, downloads},
        {nullptr, true, false, QDir::homePath()},
    };
    platform::Settings& settings = platform::Settings::shared();
    for (const auto& row : cases) {
        SCOPED_TRACE(row.start.toStdString());
        for (const auto& [folder, there] : {std::pair{used, row.usedIsThere}, {downloads, row.downloadsIsThere}})
            ASSERT_TRUE(there ? QDir().mkpath(folder) : QDir(folder).removeRecursively());
        if (row.stored)
            settings.setValue("NSNavLastChapterDirectory", used);
        else
            settings.remove("NSNavLastChapterDirectory");
        EXPECT_EQ(LastFolder::startFolder("NSNavLastChapterDirectory"), row.start);
    }
    settings.remove("NSNavLastChapterDirectory");
}

}  // namespace
