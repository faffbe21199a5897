#include "app/tipwindowcontroller.h"
#include "app/appdelegate.h"
#include "app/harness/appfixture.h"
#include "app/korvalanecontroller.h"
#include "platform/localized.h"
#include "platform/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

platform::Settings& settings()
{
    return platform::Settings::shared();
}

class TipWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Settings::useFolder(m_settingsFolder.path());
        AppDelegate::initialize(QStringList{"en-US"});
        m_language = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
    }
    void TearDown() override { platform::setLocalizationLanguage(m_language); }

    // The text a page shows, as the view shows it.
    static QString pageAsShown(const QString& key)
    {
        QTextDocument page;
        page.setHtml(TipWindowController::pageText(key).value_or(QString()));
        return page.toPlainText();
    }
    static QString shown(const TipWindowController& window) { return window.tipTextView()->toPlainText(); }

    QTemporaryDir m_settingsFolder;
    QString m_language;
};

TEST_F(TipWindowTest, FirstRunShowsNothingThenTheFirstTipAndTheNextRunTheSecond)
{
    {
        TipWindowController firstRun(nullptr, TipWindowController::Tips);
        EXPECT_EQ(settings().integerValue("LastDisplayedTip"), -1);
        EXPECT_TRUE(shown(firstRun).isEmpty());
        firstRun.next();
        EXPECT_EQ(settings().integerValue("LastDisplayedTip"), 0);
        EXPECT_EQ(shown(firstRun), pageAsShown("tip_intro"));
    }
    TipWindowController nextRun(nullptr, TipWindowController::Tips);
    EXPECT_EQ(shown(nextRun), pageAsShown("tip_intro"));
    nextRun.next();
    EXPECT_EQ(settings().integerValue("LastDisplayedTip"), 1);
    EXPECT_EQ(shown(nextRun), pageAsShown("tip_automation"));
}

TEST_F(TipWindowTest, PagingWrapsAtBothEndsAndBringsStrayIndexesBack)
{
    struct Case {
        int type;
        QString key;
        qint64 stored;
        bool forward;
        qint64 expected;
    };
    const QList<Case> cases{
        {TipWindowController::Tips, "LastDisplayedTip", 13, true, 0},
        {TipWindowController::Tips, "LastDisplayedTip", 0, false, 13},
        {TipWindowController::Tips, "LastDisplayedTip", 5, true, 6},
        {TipWindowController::Tips, "LastDisplayedTip", 5, false, 4},
        {TipWindowController::Tips, "LastDisplayedTip", 99, true, 0},
        {TipWindowController::Tips, "LastDisplayedTip", 99, false, 13},
        {TipWindowController::Tips, "LastDisplayedTip", -7, false, 13},
        {TipWindowController::Tips, "LastDisplayedTip", -7, true, 0},
        {TipWindowController::Warning, "LastDisplayedWarning", 0, true, 0},
        {TipWindowController::Warning, "LastDisplayedWarning", 0, false, 0},
        {TipWindowController::WhatsNew, "LastDisplayedNews", 0, false, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString() + " from " + std::to_string(c.stored) + (c.forward ? " next" : " previous"));
        TipWindowController window(nullptr, c.type);
        settings().setValue(c.key, c.stored);
        c.forward ? window.next() : window.previous();
        EXPECT_EQ(settings().integerValue(c.key), c.expected);
        EXPECT_EQ(shown(window), pageAsShown(window.contents()[c.expected]));
    }
}

TEST_F(TipWindowTest, AStoredIndexOutsideTheListShowsNoPage)
{
    settings().setValue("LastDisplayedTip", 14);
    TipWindowController window(nullptr, TipWindowController::Tips);
    EXPECT_TRUE(shown(window).isEmpty());
    window.tipTextView()->setPlainText("kept");
    window.loadCurrentMessage();
    EXPECT_EQ(shown(window), "kept");
}

TEST_F(TipWindowTest, EachKindHasItsPagesKeysTitleAndButtons)
{
    struct Case {
        int type;
        int pages;
        QString lastKey;
        QString showAgainKey;
        QString title;
        bool paging;
    };
    const QList<Case> cases{
        {TipWindowController::Tips, 14, "LastDisplayedTip", "DontShowTipsAtStartup", "windowTitleTip", true},
        {TipWindowController::Warning, 1, "LastDisplayedWarning", "DontShowWarningsAtStartup", "windowTitleWarning",
         false},
        {TipWindowController::WhatsNew, 5, "LastDisplayedNews", "DontShowNewsAtStartup_2_5_0", "windowTitleWhatsNew",
         true},
        {7, 14, "LastDisplayedTip", "DontShowTipsAtStartup", "windowTitleTip", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TipWindowController window(nullptr, c.type);
        EXPECT_EQ(window.contents().size(), c.pages);
        EXPECT_EQ(window.userDefaultsLastItemKey(), c.lastKey);
        EXPECT_EQ(window.userDefaultsShowAgainKey(), c.showAgainKey);
        EXPECT_EQ(window.windowTitle(), platform::localized(c.title));
        EXPECT_NE(window.windowTitle(), c.title);
        EXPECT_EQ(window.nextButton()->isHidden(), !c.paging);
        EXPECT_EQ(window.prevoiusButton()->isHidden(), !c.paging);
        EXPECT_FALSE(window.iconImageView()->pixmap().isNull());
    }
    // The warning's one page shows at once: its stored index is 0.
    TipWindowController warning(nullptr, TipWindowController::Warning);
    EXPECT_EQ(shown(warning), pageAsShown("warn_dontoverwrite"));
}

TEST_F(TipWindowTest, MakingAWhatsNewWindowTurnsToTheNewestPage)
{
    settings().setValue("LastDisplayedNews", 3);
    TipWindowController window(nullptr, TipWindowController::WhatsNew);
    EXPECT_EQ(settings().integerValue("LastDisplayedNews"), 0);
    EXPECT_EQ(shown(window), pageAsShown("new_v2.5.0"));
    // And it is written out, not only held in memory.
    platform::Settings reread(QFileInfo(settings().fileName()).absolutePath());
    EXPECT_EQ(reread.integerValue("LastDisplayedNews"), 0);
}

TEST_F(TipWindowTest, DontShowAgainFlipsTheSettingAndTheBoxStartsFromIt)
{
    for (const int type : {0, 1, 2}) {
        TipWindowController window(nullptr, type);
        const QString key = window.userDefaultsShowAgainKey();
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(window.dontShowAgainButton()->isChecked());
        window.dontShowAgain();
        EXPECT_TRUE(settings().boolValue(key));
        EXPECT_TRUE(TipWindowController(nullptr, type).dontShowAgainButton()->isChecked());
        window.dontShowAgain();
        EXPECT_FALSE(settings().boolValue(key));
    }
    // The check box itself drives it.
    TipWindowController tips(nullptr, TipWindowController::Tips);
    tips.dontShowAgainButton()->click();
    EXPECT_TRUE(settings().boolValue("DontShowTipsAtStartup"));
}

TEST_F(TipWindowTest, TheWindowIsCentredOverItsParent)
{
    const QRect parent(100, 100, 1000, 800);
    EXPECT_EQ(TipWindowController::defaultFrame(TipWindowController::WhatsNew, QSize(10, 10), parent),
              QRect(175, 325, 850, 350));
    EXPECT_EQ(TipWindowController::defaultFrame(TipWindowController::Tips, QSize(10, 10), parent),
              QRect(325, 325, 550, 350));
    EXPECT_EQ(TipWindowController::defaultFrame(TipWindowController::Warning, QSize(480, 300), parent),
              QRect(360, 350, 480, 300));
    EXPECT_EQ(TipWindowController::defaultFrame(TipWindowController::Tips, QSize(10, 10), std::nullopt),
              QRect(-275, -175, 550, 350));
    // A kind the window does not know takes its minimum size, not the tips' size.
    for (const int unknown : {3, 7, -1})
        EXPECT_EQ(TipWindowController::defaultFrame(unknown, QSize(480, 300), parent), QRect(360, 350, 480, 300))
            << unknown;

    QWidget mainWindow;
    mainWindow.setGeometry(100, 100, 1000, 800);
    TipWindowController window(&mainWindow, TipWindowController::WhatsNew);
    EXPECT_EQ(window.size(), QSize(850, 350));
    EXPECT_EQ(window.pos(), TipWindowController::defaultFrame(2, {}, mainWindow.frameGeometry()).topLeft());
    // Otherwise such a window is a tips window.
    TipWindowController unknown(&mainWindow, 7);
    EXPECT_EQ(unknown.size(), unknown.minimumSize());
    EXPECT_NE(unknown.size(), QSize(550, 350));
    EXPECT_EQ(unknown.contents(), TipWindowController::pageKeys(TipWindowController::Tips));
}

TEST_F(TipWindowTest, EveryPageExistsInBothLanguages)
{
    for (const int type : {0, 1, 2}) {
        for (const QString& key : TipWindowController::pageKeys(type)) {
            SCOPED_TRACE(key.toStdString());
            platform::setLocalizationLanguage("en");
            const QString english = pageAsShown(key);
            platform::setLocalizationLanguage("de");
            const QString german = pageAsShown(key);
            EXPECT_GT(english.size(), 80);
            EXPECT_GT(german.size(), 80);
            EXPECT_NE(english, german);
        }
    }
    EXPECT_EQ(TipWindowController::pageText("tip_nothing"), std::nullopt);
}

}  // namespace

namespace {

// The windows the application shows once it has started.
class StartupWindowsTest : public AppFixture {
protected:
    // Runs the start-up, closing every modal window as it comes up; answers their titles in order.
    QStringList launchClosingModalWindows()
    {
        QStringList titles;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                titles << modal->windowTitle();
                modal->close();
            }
        });
        closer.start(5);
        AppDelegate(*m_controller).applicationDidFinishLaunching();
        return titles;
    }
};

TEST_F(StartupWindowsTest, TheWarningAndWhatsNewComeModallyThenTheNextTip)
{
    EXPECT_EQ(launchClosingModalWindows(),
              QStringList({platform::localized("windowTitleWarning"), platform::localized("windowTitleWhatsNew")}));
    TipWindowController* tips = m_controller->tipController();
    ASSERT_NE(tips, nullptr);
    EXPECT_TRUE(tips->isVisible());
    EXPECT_FALSE(tips->isModal());
    EXPECT_EQ(settings().integerValue("LastDisplayedTip"), 0);
    EXPECT_EQ(tips->size(), QSize(550, 350));
    // The tips command later brings the same window back.
    tips->close();
    m_controller->openTipsWindow();
    EXPECT_TRUE(tips->isVisible());
}

TEST_F(StartupWindowsTest, EachSwitchKeepsItsWindowAway)
{
    settings().setValue("DontShowWarningsAtStartup", true);
    settings().setValue("DontShowTipsAtStartup", true);
    EXPECT_EQ(launchClosingModalWindows(), QStringList({platform::localized("windowTitleWhatsNew")}));
    EXPECT_FALSE(m_controller->tipController()->isVisible());
    EXPECT_EQ(settings().integerValue("LastDisplayedTip"), -1);

    settings().setValue("DontShowNewsAtStartup_2_5_0", true);
    EXPECT_TRUE(launchClosingModalWindows().isEmpty());
}

}  // namespace
