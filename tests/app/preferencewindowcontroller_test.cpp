#include "app/preferencewindowcontroller.h"
#include "app/appdelegate.h"
#include "app/filechooser.h"
#include "app/harness/appfixture.h"
#include "app/korvalanecontroller.h"
#include "app/tokenfield.h"
#include "model/contentrating.h"
#include "online/moviegenre.h"
#include "platform/alerts.h"
#include "platform/bookmark.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Shown = platform::RecordingAlerts::Shown;

const Shown kInvalidPattern{"invalidFilePatternHeader", "invalidFilePatternBody"};
const Shown kNoWorkingFolder{"noiTunesNamesWithoutWorkingDirHeader", "noiTunesNamesWithoutWorkingDirMessage"};

platform::Settings& settings()
{
    return platform::Settings::shared();
}

// A choice in a combo box as the user makes it (the box announces it as activated).
void chooseAsAUser(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

class PreferenceWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        platform::Settings::useFolder(m_home.filePath("settings"));
        AppDelegate::initialize(QStringList{"en-US"});
        m_language = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
        m_alerts = std::make_unique<platform::RecordingAlerts>();
    }
    void TearDown() override { platform::setLocalizationLanguage(m_language); }

    QString makeFolder(const QString& name) const
    {
        QDir(m_home.path()).mkpath(name);
        return QDir::cleanPath(m_home.filePath(name));
    }
    // What another process would read: the settings as written to disk.
    QVariant onDisk(const QString& key) const
    {
        return platform::Settings(QFileInfo(settings().fileName()).absolutePath()).value(key);
    }

    QTemporaryDir m_home;
    QString m_language;
    std::unique_ptr<platform::RecordingAlerts> m_alerts;
};

TEST_F(PreferenceWindowTest, ThePatternIsStoredNormalisedOrRefusedForTheStoredOne)
{
    struct Case {
        QString typed;
        QString stored;  // empty: refused
    };
    const QList<Case> cases{
        {"Title: Year/Part", "title  year part"},
        {"TITEL", "titel"},
        {"jahr/Titel:hd", "jahr titel hd"},
        {"my title", "my title"},
        {"", ""},
        {"year (hd)", ""},
        {"   ", ""},
        {"tit le", ""},
    };
    settings().setValue("FileNamePlaceHolderPattern", "Rating - Title");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const QString before = settings().stringValue("FileNamePlaceHolderPattern");
        PreferenceWindowController window;
        window.placeholderTextField()->setText(c.typed);
        const qsizetype alertsBefore = m_alerts->shown().size();
        window.placeholderTextFieldChanged();
        const bool refused = c.stored.isEmpty();
        const QString expected = refused ? PreferenceWindowController::normalizedPattern(before) : c.stored;
        EXPECT_EQ(m_alerts->shown().size(), alertsBefore + (refused ? 1 : 0));
        if (refused) {
            EXPECT_EQ(m_alerts->shown().last(), kInvalidPattern);
        }
        EXPECT_EQ(window.placeholderTextField()->text(), expected);
        EXPECT_EQ(settings().stringValue("FileNamePlaceHolderPattern"), expected);
        EXPECT_EQ(onDisk("FileNamePlaceHolderPattern").toString(), expected);
    }
}

TEST_F(PreferenceWindowTest, ThePatternEditorChecksOnReturnAndOnClosing)
{
    PreferenceWindowController window;
    EXPECT_EQ(window.placeholderTextField()->text(), platform::localized("startFilePattern"));
    window.placeholderTextField()->setText("Title/Genre");
    QTest::keyClick(window.placeholderTextField(), Qt::Key_Return);
    EXPECT_EQ(settings().stringValue("FileNamePlaceHolderPattern"), "title genre");

    window.show();
    window.placeholderTextField()->setText("Year");
    window.close();
    EXPECT_EQ(m_alerts->shown(), QList<Shown>({kInvalidPattern}));
    EXPECT_EQ(settings().stringValue("FileNamePlaceHolderPattern"), "title genre");
    EXPECT_FALSE(window.isVisible());
}

TEST_F(PreferenceWindowTest, ChoosingTheWorkingFolderAgainStoresNothing)
{
    const QString first = makeFolder("movies");
    const QString second = makeFolder("other");
    RecordingFileChooser chooser;
    PreferenceWindowController window;
    EXPECT_EQ(window.workingDirectoryLabel()->text(), platform::localized("prefsNoWorkingDirectory"));

    chooser.queueAnswer({QUrl::fromLocalFile(first)});
    window.selectWorkingDirectoryButton()->click();
    ASSERT_EQ(chooser.requests().size(), 1);
    EXPECT_TRUE(chooser.requests()[0].canChooseDirectories);
    EXPECT_FALSE(chooser.requests()[0].canChooseFiles);
    EXPECT_FALSE(chooser.requests()[0].allowsMultipleSelection);
    EXPECT_TRUE(chooser.requests()[0].startFolder.isEmpty());
    EXPECT_EQ(platform::resolveBookmarkData(settings().dataValue("WorkingDirectoryBookmark")),
              QUrl::fromLocalFile(first));
    EXPECT_EQ(onDisk("WorkingDirectoryBookmark").toByteArray(), settings().dataValue("WorkingDirectoryBookmark"));
    EXPECT_EQ(window.workingDirectoryLabel()->text(), QDir::toNativeSeparators(first));

    // A bookmark written another way that names the same folder stays as it is.
    const QByteArray sameFolderOtherBytes = (first + "/./").toUtf8();
    settings().setValue("WorkingDirectoryBookmark", sameFolderOtherBytes);
    ASSERT_TRUE(platform::resolveBookmarkData(sameFolderOtherBytes).has_value());
    chooser.queueAnswer({QUrl::fromLocalFile(first)});
    window.selectWorkingDirectory();
    EXPECT_EQ(chooser.requests().last().startFolder, first);
    EXPECT_EQ(settings().dataValue("WorkingDirectoryBookmark"), sameFolderOtherBytes);

    window.selectWorkingDirectory();  // cancelled
    EXPECT_EQ(settings().dataValue("WorkingDirectoryBookmark"), sameFolderOtherBytes);

    chooser.queueAnswer({QUrl::fromLocalFile(second)});
    window.selectWorkingDirectory();
    EXPECT_EQ(platform::resolveBookmarkData(settings().dataValue("WorkingDirectoryBookmark")),
              QUrl::fromLocalFile(second));
}

TEST_F(PreferenceWindowTest, TheWindowStaysOpenWithoutAWorkingFolderWhileFilesAreRenamedOrPlexFilesWritten)
{
    enum Folder { None, Present, Deleted };
    struct Case {
        qint64 scheme;
        bool plex;
        Folder folder;
        bool closes;
    };
    const QList<Case> cases{
        {0, false, None, true}, {1, false, None, false},  {2, false, None, false},    {3, false, None, false},
        {0, true, None, false}, {1, true, Present, true}, {2, false, Deleted, false}, {0, false, Deleted, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.scheme) + (c.plex ? " plex" : "") + " folder " + std::to_string(c.folder));
        settings().setValue("FileNamePatternForSaving", c.scheme);
        settings().setValue("WritePLEXFiles", c.plex);
        settings().remove("WorkingDirectoryBookmark");
        if (c.folder != None) {
            const QString folder = makeFolder("work");
            settings().setValue("WorkingDirectoryBookmark",
                                platform::bookmarkDataForFolder(QUrl::fromLocalFile(folder)));
            if (c.folder == Deleted)
                QDir(folder).removeRecursively();
        }
        const qsizetype alertsBefore = m_alerts->shown().size();
        PreferenceWindowController window;
        window.show();
        window.close();
        EXPECT_EQ(window.isVisible(), !c.closes);
        EXPECT_EQ(m_alerts->shown().size(), alertsBefore + (c.closes ? 0 : 1));
        if (!c.closes) {
            EXPECT_EQ(m_alerts->shown().last(), kNoWorkingFolder);
        }
        // Escape takes the same road.
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_EQ(window.isVisible(), !c.closes);
    }
}

TEST_F(PreferenceWindowTest, ClosingEndsTheModalRun)
{
    PreferenceWindowController window;
    bool refusedFirst = false;
    settings().setValue("FileNamePatternForSaving", 1);
    QTimer::singleShot(0, &window, [&] {
        window.close();  // refused: no working folder
        refusedFirst = window.isVisible();
        settings().setValue("FileNamePatternForSaving", 0);
        QTest::mouseClick(window.findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    });
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_TRUE(refusedFirst);
}

TEST_F(PreferenceWindowTest, EveryUserSettingHasItsControlAndEditsReachTheSettings)
{
    PreferenceWindowController window;
    QSet<QString> bound;
    for (const QWidget* control : window.findChildren<QWidget*>())
        if (const QString key = control->property("settingKey").toString(); !key.isEmpty())
            bound.insert(key);
    // Kept by code or by the other windows, not by a bound control.
    const QSet<QString> notBound{"LastDisplayedTip",           "LastDisplayedWarning",
                                 "LastDisplayedNews",          "NSDisabledCharacterPaletteMenuItem",
                                 "FileNamePlaceHolderPattern", "WorkingDirectoryBookmark",
                                 "FiledsNotToBeOverwritten"};
    QSet<QString> registered;
    for (const auto& [key, value] : AppDelegate::defaultSettings("en", "us"))
        registered.insert(key);
    EXPECT_EQ(bound, registered - notBound);

    window.findChild<QCheckBox*>("AutomaticSearchForMovieCheck")->click();
    EXPECT_TRUE(settings().boolValue("AutomaticSearchForMovie"));
    struct Choice {
        QString combo;
        QString text;
        QString key;
        QVariant stored;
    };
    const QList<Choice> choices{
        {"languageCombo", platform::localized("deLanguageName"), "LanguageSettingsForSearch", "de"},
        {"countryCombo", platform::localized("atCountryName"), "CountrySettingsForSearch", "at"},
        {"coverSizeCombo", platform::localized("smallCoverSize"), "SizeOfCoverInSearchWindow", 0},
        {"FileNamePatternForSavingCombo", platform::localized("prefsSchemePattern"), "FileNamePatternForSaving", 2},
        {"DefaultChapterSettingCombo", platform::localized("prefsChaptersKeep"), "DefaultChapterSetting", 0},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.key.toStdString());
        auto* combo = window.findChild<QComboBox*>(c.combo);
        ASSERT_NE(combo, nullptr);
        const int index = combo->findText(c.text);
        ASSERT_GE(index, 0);
        chooseAsAUser(combo, index);
        EXPECT_EQ(settings().value(c.key).toString(), c.stored.toString());
    }
    // What the window shows comes from the settings as well.
    PreferenceWindowController again;
    EXPECT_EQ(again.findChild<QComboBox*>("countryCombo")->currentText(), platform::localized("atCountryName"));
    EXPECT_TRUE(again.findChild<QCheckBox*>("AutomaticSearchForMovieCheck")->isChecked());
}

TEST_F(PreferenceWindowTest, TheTokenFieldHoldsTheProtectedFields)
{
    settings().setValue("FiledsNotToBeOverwritten", QStringList{"cover", "title", "cover"});
    PreferenceWindowController window;
    TokenField* field = window.protectedFieldsTokenField();
    EXPECT_EQ(field->objectValue(), QStringList({"cover", "title"}));
    EXPECT_EQ(field->displayedTexts(),
              QStringList({platform::localized("fieldCover"), platform::localized("fieldTitle")}));
    field->tokenize(platform::localized("fieldChapters") + ", Nonsense");
    EXPECT_EQ(settings().stringListValue("FiledsNotToBeOverwritten"), QStringList({"cover", "title", "chapters"}));
}

TEST_F(PreferenceWindowTest, TheProtectedFieldsBoxTakesANameOnceHoweverChosenAndStaysOpen)
{
    // Keys to the window, as the user types them ('↓' the down arrow); '#' a click beside the line.
    const QList<std::tuple<QStringList, QString, QStringList>> cases{
        {{}, "Ti↓\r", {"title"}},                      // Enter on the name the list highlights
        {{}, "Title\r", {"title"}},                    // Enter on a typed name the list offers
        {{"title"}, "Title\r", {"title"}},             // Enter on a name already there
        {{"cover"}, "Sh↓\t", {"cover", "shortdesc"}},  // Tab on the name the list highlights
        {{"cover"}, "#\r", {"cover"}},
        {{}, "#Rating\r", {"rating"}},
    };
    for (const auto& [stored, steps, kept] : cases) {
        SCOPED_TRACE(steps.toStdString());
        settings().setValue("FiledsNotToBeOverwritten", stored);
        PreferenceWindowController window;
        window.findChild<QTabWidget*>()->setCurrentWidget(window.findChild<QWidget*>("protectedTab"));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, testsupport::kWindowWaitMs));
        TokenField* field = window.protectedFieldsTokenField();
        if (!steps.startsWith(u'#'))
            field->editor()->setFocus();
        for (const QChar step : steps)
            if (step == u'#')
                QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                                  field->mapTo(&window, QPoint(field->width() - 3, 3)));
            else
                step == u'↓' ? QTest::keyClick(window.windowHandle(), Qt::Key_Down)
                             : QTest::keyClick(window.windowHandle(), step.toLatin1());
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), field->editor()) << "the cursor left the box";
        EXPECT_EQ(settings().stringListValue("FiledsNotToBeOverwritten"), kept);
        EXPECT_EQ(field->displayedTexts().size(), kept.size());
    }
}

}  // namespace

namespace {

// The main window after the preferences window closed.
class PreferencesClosedTest : public AppFixture {};

TEST_F(PreferencesClosedTest, LanguageAndCountryAreReadAgainAndRatingsRebuiltOnlyWhenTheyChanged)
{
    struct Case {
        QString countryBefore;
        bool fskBefore;
        QString country;
        bool fsk;
        QString localeId;
        bool rebuilt;
    };
    const QList<Case> cases{
        {"us", false, "de", false, "de", true},   // country changed
        {"de", false, "de", true, "de", true},    // FSK changed
        {"de", false, "de", false, "de", false},  // only the language changed
        {"us", false, "en", false, "us", false},  // "en" is "us"
        {"en", false, "en", false, "us", true},   // noted "en" differs from "us"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.countryBefore.toStdString() + " -> " + c.country.toStdString());
        m_controller = std::make_unique<KorvalaneController>();  // ratings of "us"
        const QStringList before = m_controller->ratingNames();
        m_controller->setMovieGenresNames({"Stale"});
        QSignalSpy ratingsChanged(m_controller.get(), &KorvalaneController::ratingNamesChanged);
        settings().setValue("LanguageSettingsForSearch", "fr");
        settings().setValue("CountrySettingsForSearch", c.country);
        settings().setValue("UseFSKRatingsInsteadOfAbJahren", c.fsk);

        m_controller->preferencesClosed(c.countryBefore, c.fskBefore);
        EXPECT_EQ(m_controller->languageId(), "fr");
        EXPECT_EQ(m_controller->localeId(), c.localeId);
        EXPECT_EQ(settings().stringValue("CountrySettingsForSearch"), c.country);
        EXPECT_EQ(m_controller->ratingNames(), c.rebuilt ? ContentRating(c.localeId).ratingNames() : before);
        EXPECT_EQ(ratingsChanged.size(), c.rebuilt ? 1 : 0);
        // The genre names are loaded again every time.
        EXPECT_EQ(m_controller->movieGenresNames(), MovieGenre::genreNames());
    }
    // The German names differ from the American ones, so "kept" above means something.
    EXPECT_NE(ContentRating("de").ratingNames(), ContentRating("us").ratingNames());
}

TEST_F(PreferencesClosedTest, ThePreferencesCommandRunsTheWindowModallyAndReadsTheSettingsAfterwards)
{
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<PreferenceWindowController*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        shownTitle = window->windowTitle();
        auto* countries = window->findChild<QComboBox*>("countryCombo");
        chooseAsAUser(countries, countries->findText(platform::localized("deCountryName")));
        window->close();
    });
    m_controller->preferencesMenu();
    EXPECT_EQ(shownTitle, platform::localized("prefsWindowTitle"));
    EXPECT_EQ(m_controller->localeId(), "de");
    EXPECT_EQ(m_controller->ratingNames(), ContentRating("de").ratingNames());
}

}  // namespace
