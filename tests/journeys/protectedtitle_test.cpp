// A title the user typed and protected in the preferences survives the batch
// search: the movie takes everything else from the database, is saved under
// the Plex naming scheme with its side files, and the file holds the user's title.
#include "journey.h"

#include "app/korvalanecontroller.h"
#include "app/preferencewindowcontroller.h"
#include "app/tokenfield.h"
#include "model/helpers.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace journeys {
namespace {

using namespace movieroad;
using ProtectedTitleJourney = Journey;

TEST_F(ProtectedTitleJourney, TheProtectedTitleStaysWhileTheLookupFillsTheRest)
{
    makeMovie("Alien #1979.m4v");
    openWorkFolder(1);
    const std::shared_ptr<MovieModel> movie = list().arrangedObjects().first();
    Ui::MainWindow& ui = m_controller->ui();
    EXPECT_EQ(ui.releaseDateEdit->text(), "") << "an untagged movie has no release date";
    typeTitle("Alien");
    EXPECT_EQ(movie->title(), "Alien");

    changePreferences([](PreferenceWindowController& window) {
        TokenField* protectedFields = window.protectedFieldsTokenField();
        protectedFields->editor()->setFocus();
        QTest::keyClicks(protectedFields->editor(), platform::localized("fieldTitle"));
        QTest::keyClick(protectedFields->editor(), Qt::Key_Return);
        EXPECT_EQ(protectedFields->displayedTexts(), QStringList{platform::localized("fieldTitle")});
        choose(window.findChild<QComboBox*>("FileNamePatternForSavingCombo"), platform::localized("prefsSchemePlex"));
    });
    EXPECT_EQ(platform::Settings::shared().stringListValue("FiledsNotToBeOverwritten"), QStringList{"title"});

    trigger(ui.actionFindTmdbInfoAll);
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    ASSERT_TRUE(movie->searchResult());
    EXPECT_EQ(movie->searchResult()->title(), kGermanTitle);
    EXPECT_EQ(movie->title(), "Alien");
    EXPECT_EQ(ui.titleEdit->text(), "Alien");
    EXPECT_EQ(ui.releaseDateEdit->text(), "1979-10-25") << "the German release";
    EXPECT_TRUE(ui.directorsEdit->text().contains("Ridley Scott")) << ui.directorsEdit->text().toStdString();
    EXPECT_EQ(movie->longDescription(), movie->searchResult()->longDescription());
    EXPECT_FALSE(movie->longDescription().isEmpty());

    trigger(ui.actionSave);
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    const QString base = "Alien - (1979)";
    EXPECT_EQ(workEntries(), (QStringList{base + ".de.srt", base + ".jpg", base + ".m4v"}));
    const QString saved = workFolder() + "/" + base + ".m4v";
    EXPECT_EQ(movie->fileUrl(), QUrl::fromLocalFile(saved));
    const QMap<QString, QString> atoms = atomicParsleyAtoms(saved);
    EXPECT_EQ(atoms.value("©nam"), "Alien");
    EXPECT_TRUE(atoms.value("©day").startsWith("1979")) << atoms.value("©day").toStdString();
    EXPECT_TRUE(atoms.value("iTunMOVI").contains("Ridley Scott"));
    EXPECT_EQ(atoms.value("ldes"), movie->longDescription());
    EXPECT_EQ(formatTags(probe(saved)).value("title").toString(), "Alien");
}

}  // namespace
}  // namespace journeys
