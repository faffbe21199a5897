// Commands that cannot do their work say why: a web service without its key
// (no request goes out, and the user learns once per run where to set it),
// and an address no program on the desktop opens (the user gets the address).
#include "app/harness/appfixture.h"
#include "app/imageselectcontroller.h"
#include "app/workspace.h"
#include "platform/localized.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "support/fakeserver.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace {

class CommandsThatCannotWork : public AppFixture {
protected:
    void SetUp() override
    {
        m_language = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
        // Every service lives here; without keys nothing may arrive.
        ASSERT_TRUE(m_server.isListening());
        for (const char* name : {"KORVALANE_TMDB_URL", "KORVALANE_CHAPTERDB_URL"})
            qputenv(name, m_server.baseUrl().toUtf8());
        qputenv("KORVALANE_OPENSUBTITLES_URL", (m_server.baseUrl() + "/api/v1").toUtf8());
        AppFixture::SetUp();
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        for (const char* name : {"KORVALANE_TMDB_URL", "KORVALANE_CHAPTERDB_URL", "KORVALANE_OPENSUBTITLES_URL"})
            qputenv(name, "http://127.0.0.1:9");
        platform::setLocalizationLanguage(m_language);
    }

    Ui::MainWindow& ui() const { return m_controller->ui(); }

    // One selected movie "Alien" that the movie database already found.
    void selectKnownMovie()
    {
        loadMovies({"Alien"}, true);
        m_controller->getSelectedMovie()->setImdbID("tt0078748");
    }

    void searchByHand(const QString& text)
    {
        QLineEdit* field = m_controller->tmdbSearchField();
        field->setText(text);
        m_controller->imageSelectController()->findChild<QPushButton*>("tmdbSearchButton")->click();
    }

    testsupport::FakeServer m_server;
    platform::LogCapture m_log;
    QString m_language;
};

TEST_F(CommandsThatCannotWork, EachServiceWithoutItsKeyIsNamedOncePerRunAndAsksNothing)
{
    struct Case {
        const char* command;
        std::function<void()> run;
        const char* variable;
        const char* settingsKey;
        const char* service;
    };
    const Case cases[] = {
        {"hand search", [this] { searchByHand("Alien"); }, "KORVALANE_TMDB_API_KEY", "TMDbAPIKey",
         "The Movie Database"},
        {"batch search", [this] { ui().actionFindTmdbInfoAll->trigger(); }, "KORVALANE_TMDB_API_KEY", "TMDbAPIKey",
         "The Movie Database"},
        {"subtitle search", [this] { m_controller->searchSubtitleForTitle(); }, "KORVALANE_OPENSUBTITLES_API_KEY",
         "OpenSubtitlesAPIKey", "OpenSubtitles"},
        {"chapter search", [this] { m_controller->chapterDbSearchViaAPI(); }, "KORVALANE_CHAPTERDB_API_KEY",
         "ChapterDbAPIKey", "ChapterDb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        // A new run: a new main window.
        m_controller.reset();
        m_alerts.reset();
        m_alerts = std::make_unique<platform::RecordingAlerts>();
        m_controller = std::make_unique<KorvalaneController>();
        selectKnownMovie();
        const qint64 status = m_controller->getSelectedMovie()->status();
        m_log.clear();

        c.run();
        c.run();

        ASSERT_EQ(m_alerts->shown().size(), 1);
        const platform::Alert& alert = m_alerts->shown().first();
        EXPECT_EQ(alert.headerKey, "serviceKeyMissingHeader");
        EXPECT_EQ(alert.headerText(), QString(c.service) + " needs an API key");
        const QString body = alert.bodyText();
        for (const QString& named : {QString(c.variable), QString(c.settingsKey),
                                     platform::Settings::shared().fileName(), QString("Service keys")})
            EXPECT_TRUE(body.contains(named)) << named.toStdString() << " in " << body.toStdString();
        // Each refusal is logged; nothing was asked of any service, and the record is as it was.
        EXPECT_EQ(m_log.lines().filter(QString("API key is not set (%1): no request sent").arg(c.variable)).size(), 2)
            << m_log.lines().join("\n").toStdString();
        EXPECT_TRUE(m_server.requests().isEmpty());
        const std::shared_ptr<MovieModel> movie = m_controller->getSelectedMovie();
        EXPECT_FALSE(movie->searchResult());
        EXPECT_TRUE(movie->subtitle().isEmpty());
        EXPECT_EQ(movie->status(), status);
        EXPECT_FALSE(m_controller->chapterSearchOngoing());
    }
}

// Once told about one service, the user still hears about another.
TEST_F(CommandsThatCannotWork, AnotherServiceIsNamedAfterTheFirst)
{
    selectKnownMovie();
    searchByHand("Alien");
    ui().actionFindTmdbInfoAll->trigger();
    m_controller->searchSubtitleForTitle();
    ASSERT_EQ(m_alerts->shown().size(), 2);
    EXPECT_TRUE(m_alerts->shown()[0].arguments.contains("KORVALANE_TMDB_API_KEY"));
    EXPECT_TRUE(m_alerts->shown()[1].arguments.contains("KORVALANE_OPENSUBTITLES_API_KEY"));
    // The hand search shows no "not found" for a search it never made.
    EXPECT_FALSE(m_controller->imageSelectController()->findChild<QWidget*>("tmdbNotFoundLabel")->isVisible());
}

TEST_F(CommandsThatCannotWork, AnAddressNoProgramOpensIsGivenToCopy)
{
    RecordingWorkspace workspace;
    workspace.setTakesAddresses(false);
    m_controller->titleEdit()->setText("Alien");
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"help", [this] { ui().actionOpenHelp->trigger(); }},
        {"chapter database page", [this] { m_controller->chapterDbSearch(); }},
        {"subtitle search page", [this] { m_controller->openSubtitleWebSearch(); }},
        {"movie database site",
         [this] { m_controller->imageSelectController()->findChild<QPushButton*>("webSiteButton")->click(); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        const qsizetype before = m_alerts->shown().size();
        command();
        ASSERT_EQ(workspace.opened().size(), before + 1);
        const QUrl url = workspace.opened().last();
        const QString address = url.isLocalFile() ? url.toLocalFile() : url.toString();
        ASSERT_EQ(m_alerts->shown().size(), before + 1);
        const platform::Alert& alert = m_alerts->shown().last();
        EXPECT_EQ(alert.headerKey, "openAddressHeader");
        EXPECT_EQ(alert.details, address);
        EXPECT_TRUE(alert.bodyText().endsWith(address)) << alert.bodyText().toStdString();
    }
    // The help page is given as the file's path, which a file manager or browser takes.
    EXPECT_TRUE(QFileInfo(m_alerts->shown().first().details).isFile())
        << m_alerts->shown().first().details.toStdString();

    // A desktop that opens the address shows no alert.
    workspace.setTakesAddresses(true);
    const qsizetype before = m_alerts->shown().size();
    m_controller->chapterDbSearch();
    EXPECT_EQ(m_alerts->shown().size(), before);
}

}  // namespace
