// What each command came to is said in the window, in the user's language:
// the status bar after a batch search with misses, a hand search without
// hits, a subtitle search for a movie without an IMDb id and a chapter file
// chosen under "Number of chapters"; the alert of a Save All that stops at a
// file it cannot write; the quit question with files only opened; and Return
// in the protected-fields box, which never closes the preferences.
#include "journey.h"

#include "app/imageselectcontroller.h"
#include "app/korvalanecontroller.h"
#include "app/preferencewindowcontroller.h"
#include "app/statusnews.h"
#include "app/tokenfield.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "ui_imageselectview.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTest>

#include <functional>

namespace journeys {
namespace {

using namespace movieroad;
using testsupport::FakeReply;

// What the window says, word for word, in each language.
struct Said {
    const char* language;
    const char* batch;
    const char* notFoundHeading;
    const char* noHits;
    const char* noImdbId;
    const char* chaptersWaiting;
    const char* saveStopped;
    const char* quitHeader;
    const char* quitBodyNamesWhatIsAtStake;
};

const Said kSaid[] = {
    {"en", "Batch search: 1 found, 2 not found, 0 failed.", "Not found:", "No movie found for “Garden Party”.",
     "No subtitle search for “Garden Party”: the movie has no IMDb id. Search it in the movie database first.",
     "3 chapters loaded from “garden.txt”. The movie uses them once its chapter setting is “From the chapter "
     "database or a file”.",
     "Saving stopped here: 2 movies were not saved, this one and 1 after it, which were not tried. The details "
     "name them.",
     "Save the movies into their files before quitting?",
     "Movies whose tags are not yet saved into their files (yellow light): 2. That can be a title made from the "
     "file name"},
    {"de", "Stapelsuche: 1 gefunden, 2 nicht gefunden, 0 fehlgeschlagen.",
     "Nicht gefunden:", "Kein Film zu „Garden Party“ gefunden.",
     "Keine Untertitelsuche für „Garden Party“: Der Film hat keine IMDb-Kennung. Suchen Sie ihn zuerst in der "
     "Filmdatenbank.",
     "3 Kapitel aus „garden.txt“ geladen. Der Film verwendet sie, sobald seine Kapitel-Einstellung „Aus der "
     "Kapitel-Datenbank oder einer Datei“ ist.",
     "Das Sichern endete hier: 2 Filme wurden nicht gesichert, dieser und 1 danach, die nicht versucht wurden. Die "
     "Details nennen sie.",
     "Filme vor dem Beenden in ihre Dateien sichern?",
     "Filme, deren Angaben noch nicht in ihren Dateien gesichert sind (gelbes Licht): 2. Das kann ein aus dem "
     "Dateinamen gebildeter Titel sein"},
};

class CommandNewsJourney : public Journey {
protected:
    void TearDown() override
    {
        platform::setLocalizationLanguage("en");
        Journey::TearDown();
    }

    // The main window anew, its texts in `language`, with the movies `names`
    // made in a folder of their own and opened.
    void windowWithMovies(const char* language, const QStringList& names)
    {
        platform::setLocalizationLanguage(language);
        m_controller = std::make_unique<KorvalaneController>();
        m_controller->mainWindow()->resize(1400, 820);
        m_controller->mainWindow()->show();
        const QString folder = workFolder() + "/" + language;
        EXPECT_TRUE(QDir().mkpath(folder));
        for (const QString& name : names)
            makeMovie(QString(language) + "/" + name);
        m_chooser.queueAnswer({QUrl::fromLocalFile(folder)});
        trigger(ui().actionOpen);
        EXPECT_EQ(list().arrangedObjects().size(), names.size());
    }

    Ui::MainWindow& ui() const { return m_controller->ui(); }
    StatusNews& news() const { return m_controller->news(); }

    // The line in the window's status bar shows the news, whole.
    void expectShown(const char* text) const
    {
        EXPECT_EQ(news().text(), QString::fromUtf8(text));
        const auto* line = m_controller->mainWindow()->statusBar()->findChild<QLabel*>("statusNews");
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(line->isVisible());
        EXPECT_EQ(line->text(), QString::fromUtf8(text));
        EXPECT_TRUE(line->toolTip().startsWith(QString::fromUtf8(text)));
    }
};

TEST_F(CommandNewsJourney, EachCommandSaysWhatItCameToInBothLanguages)
{
    for (const Said& said : kSaid) {
        SCOPED_TRACE(said.language);
        windowWithMovies(said.language, {"Alien #1979.m4v", "Garden Party.m4v", "Holiday 2003.m4v"});

        // The batch search over all three counts what it found and names what it did not.
        trigger(ui().actionFindTmdbInfoAll);
        expectShown(said.batch);
        EXPECT_EQ(news().details(),
                  (QStringList{QString::fromUtf8(said.notFoundHeading), "Garden Party.m4v", "Holiday 2003.m4v"}));
        // Pointing at a menu item (its status tip is empty) leaves the news; the next command replaces it.
        QStatusTipEvent pointedAt{QString()};
        QApplication::sendEvent(m_controller->mainWindow(), &pointedAt);
        expectShown(said.batch);

        // A hand search without hits.
        clickRow(rowOf("Garden Party.m4v"));
        typeInto(m_controller->imageSelectController()->ui().tmdbSearchField, "Garden Party");
        expectShown(said.noHits);

        // A subtitle search for a movie the database does not know asks nothing and says why.
        const int subtitleRequests = static_cast<int>(m_subtitles.requests().size());
        trigger(ui().actionSearchSubtitleForTitle);
        expectShown(said.noImdbId);
        EXPECT_EQ(m_subtitles.requests().size(), subtitleRequests);

        // A chapter file under "Number of chapters" waits for the setting that uses it.
        choose(ui().chapterSettingComboBox, platform::localized("chapterCount"));
        QAbstractItemModel* chapters = ui().chapterListView->model();
        const int generated = chapters->rowCount();
        ASSERT_GT(generated, 3);
        m_chooser.queueAnswer({QUrl::fromLocalFile(m_factory.writeFile(
            QString(said.language) + "/garden.txt",
            "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Opening\nCHAPTER02=00:00:10.000\nCHAPTER02NAME=Middle\n"
            "CHAPTER03=00:00:20.000\nCHAPTER03NAME=End\n"))});
        trigger(ui().actionChapterDbLoad);
        expectShown(said.chaptersWaiting);
        EXPECT_EQ(chapters->rowCount(), generated);
        // The hint holds under any other setting and goes once the one it waits for is chosen.
        choose(ui().chapterSettingComboBox, platform::localized("chapterMinute"));
        expectShown(said.chaptersWaiting);
        choose(ui().chapterSettingComboBox, platform::localized("chapterDb"));
        EXPECT_EQ(chapters->rowCount(), 3);
        EXPECT_TRUE(news().text().isEmpty());

        // Save All stops at a file it cannot write and counts what it left: that file and the one after it.
        const QString garden = record("Garden Party.m4v")->fileUrl().toLocalFile();
        const QString holiday = record("Holiday 2003.m4v")->fileUrl().toLocalFile();
        ASSERT_EQ(m_factory.writeFile(QString(said.language) + "/Garden Party.m4v", "not a movie any more"), garden);
        ASSERT_TRUE(QFile::remove(holiday));
        const qsizetype alertsBefore = m_alerts.shown().size();
        trigger(ui().actionSaveAll);
        ASSERT_EQ(m_alerts.shown().size(), alertsBefore + 1);
        const platform::Alert& stopped = m_alerts.shown().last();
        // Why it failed (the file is not the one read), then what the stop left.
        EXPECT_EQ(stopped.bodyText(),
                  platform::localized("fileChangedSinceRead") + " " + QString::fromUtf8(said.saveStopped));
        EXPECT_EQ(stopped.details.split('\n'), (QStringList{garden, holiday}));
        EXPECT_EQ(record("Garden Party.m4v")->status(), MovieModel::kStatusReadyToTag);
        EXPECT_EQ(list().arrangedObjects().at(0)->status(), MovieModel::kStatusTagged);  // the one before it
    }
}

// An answer that is no reply is said to have failed, by hand and in the batch; a valid one without hits found nothing.
TEST_F(CommandNewsJourney, AFailedSearchIsSaidToHaveFailedAndAnEmptyOneToHaveFoundNothing)
{
    windowWithMovies("en", {"Alien #1979.m4v"});
    const FakeReply errorPage = FakeReply::bytes("<html><body>Service Unavailable</body></html>", "text/html", 503);
    const FakeReply pageOfAProxy = FakeReply::bytes("<html><body>Log in to the network<br></body></html>", "text/html");
    const auto batch = [&] { trigger(ui().actionFindTmdbInfoAll); };
    const auto hand = [&] { typeInto(m_controller->imageSelectController()->ui().tmdbSearchField, "Alien #1979"); };
    const auto subtitles = [&] { trigger(ui().actionSearchSubtitleForTitle); };
    const auto chapters = [&] { trigger(ui().actionChapterDbSearchViaAPI); };
    const QString alien = QString("“%1”").arg(kGermanTitle);
    const QString noAnswer = " failed: the %1 gave no answer. The log has the details.";
    const QString batchFound = "Batch search: 1 found, 0 not found, 0 failed. ";
    const struct {
        std::function<void()> answer;
        std::function<void()> command;
        QString said;
    } rows[] = {
        {[&] { m_tmdb.route("GET", "/3/search/movie", errorPage); }, batch,
         "Batch search: 0 found, 0 not found, 1 failed."},
        {[&] { m_tmdb.route("GET", "/3/search/movie", FakeReply::bytes("{}", "application/json", 502)); }, hand,
         "The search for “Alien #1979”" + noAnswer.arg("movie database")},
        {[&] {
             m_services.answerEveryTitleSearch();
             m_subtitles.route("POST", "/api/v1/login", errorPage);
             m_chapterDb.route("GET", "/chapters/search", pageOfAProxy);
         },
         batch, batchFound + "Subtitle search: 0 not found, 1 failed. Chapter search: 0 not found, 1 failed."},
        {[] {}, subtitles, "The subtitle search for " + alien + noAnswer.arg("subtitle service")},
        {[] {}, chapters, "The chapter search for " + alien + noAnswer.arg("chapter database")},
        {[&] {
             typeTitle("Alien #1979");  // the title the database knows, again
             m_subtitles.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/login.json"));
             m_subtitles.route("GET", "/api/v1/subtitles", FakeReply::fromFile("opensubtitles/subtitles-empty.json"));
             m_chapterDb.route("GET", "/chapters/search", FakeReply::fromFile("chapterdb/search-empty.xml"));
         },
         batch, batchFound + "Subtitle search: 1 not found, 0 failed. Chapter search: 1 not found, 0 failed."},
        {[] {}, subtitles, "No subtitle found for " + alien + " in German."},
        {[] {}, chapters, "No chapter list found for " + alien + "."},
        // The hand search tells what its own subtitle and chapter searches missed.
        {[&] { m_subtitles.route("GET", "/api/v1/subtitles", errorPage); }, hand,
         "The subtitle search for " + alien + noAnswer.arg("subtitle service") + " No chapter list found for " + alien +
             "."},
    };
    for (const auto& [answer, command, said] : rows) {
        SCOPED_TRACE(said.toStdString());
        answer();
        command();
        expectShown(said.toUtf8().constData());
    }
}

TEST_F(CommandNewsJourney, TheQuitQuestionAndTheProtectedFieldsSpeakForFilesOnlyOpened)
{
    for (const Said& said : kSaid) {
        SCOPED_TRACE(said.language);
        windowWithMovies(said.language, {"Garden Party.m4v", "Holiday 2003.m4v"});

        // Return in the protected-fields box keeps a word that names no field and
        // completes the start of one; the preferences stay open for both.
        changePreferences([](PreferenceWindowController& preferences) {
            QLineEdit* editor = preferences.protectedFieldsTokenField()->editor();
            editor->setFocus();
            for (const QString& typed : {QString("Nonsense"), platform::localized("fieldDirectors").left(3)}) {
                editor->clear();
                QTest::keyClicks(editor, typed);
                QTest::keyClick(editor, Qt::Key_Return);
                QApplication::processEvents();
                EXPECT_TRUE(preferences.isVisible()) << typed.toStdString();
            }
            EXPECT_TRUE(editor->text().isEmpty());
            EXPECT_EQ(preferences.protectedFieldsTokenField()->displayedTexts(),
                      QStringList{platform::localized("fieldDirectors")});
        });
        EXPECT_EQ(platform::Settings::shared().stringListValue("FiledsNotToBeOverwritten"), QStringList{"directors"});
        platform::Settings::shared().remove("FiledsNotToBeOverwritten");

        // Quitting asks about tags not yet in their files, not about changes nobody made.
        const qsizetype asked = m_alerts.questions().size();
        trigger(ui().actionQuit);
        ASSERT_EQ(m_alerts.questions().size(), asked + 1);
        const platform::Alert& question = m_alerts.questions().last();
        EXPECT_EQ(question.headerText(), QString::fromUtf8(said.quitHeader));
        EXPECT_TRUE(question.bodyText().startsWith(QString::fromUtf8(said.quitBodyNamesWhatIsAtStake)))
            << question.bodyText().toStdString();
        EXPECT_TRUE(m_controller->mainWindow()->isVisible());
    }
}

}  // namespace
}  // namespace journeys
