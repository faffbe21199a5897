// The windows on the screen they open on. This executable runs once per
// screen (see CMakeLists.txt: a laptop of 1366x768, a 1600x1000 screen at
// scale factor 2, the offscreen platform's own 800x600), and the first two
// also on a real display under a window manager that frames each window;
// every check holds on each of them.
#include "app/appdelegate.h"
#include "app/harness/appfixture.h"
#include "app/imageselectcontroller.h"
#include "app/preferencewindowcontroller.h"
#include "app/tipwindowcontroller.h"
#include "app/windowfitter.h"
#include "support/testenvironment.h"
#include "support/windowmanagerdisplay.h"
#include "ui_imageselectview.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

bool underWindowManager()
{
    return !testsupport::WindowManagerDisplay::askedSize().isEmpty() &&
           QGuiApplication::platformName() == QStringLiteral("xcb");
}

// The window's frame as the platform reports it: a widget's own frame
// geometry may not yet know of a frame put around an inside that stayed.
QRect frameOf(const QWidget* window)
{
    return window->windowHandle() ? window->windowHandle()->frameGeometry() : window->frameGeometry();
}

// The window manager has put its title bar and borders around the window.
bool framed(const QWidget* window)
{
    return window->windowHandle() && window->windowHandle()->frameMargins().top() > 0;
}

std::string describe(const QRect& rect)
{
    return QStringLiteral("%1x%2 at %3,%4")
        .arg(rect.width())
        .arg(rect.height())
        .arg(rect.x())
        .arg(rect.y())
        .toStdString();
}

std::string nameOf(const QWidget* widget)
{
    const QString text = widget->property("text").toString();
    return (widget->objectName() + " \"" + text + "\"").toStdString();
}

class ScreenFit : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window(), testsupport::kWindowWaitMs));
    }

    QMainWindow* window() const { return m_controller->mainWindow(); }
    Ui::MainWindow& ui() const { return m_controller->ui(); }

    // Under a window manager a window is framed only after it is shown, and
    // fitted again then: the check waits for both (a deadline against a hang,
    // not a measure of speed).
    static void expectOnScreen(const QWidget* shown)
    {
        if (underWindowManager()) {
            (void)QTest::qWaitFor([shown] { return framed(shown) && available().contains(frameOf(shown)); }, 20'000);
            EXPECT_TRUE(framed(shown)) << shown->metaObject()->className() << " was never framed";
        }
        EXPECT_TRUE(available().contains(frameOf(shown)))
            << shown->metaObject()->className() << " " << describe(frameOf(shown)) << " on " << describe(available());
    }

    // Every button and one-line label the user can see keeps the room its text needs.
    static void expectNothingClipped(QWidget* root)
    {
        QApplication::processEvents();
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->visibleRegion().isEmpty())
                continue;
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            const auto* label = qobject_cast<QLabel*>(widget);
            const bool hasText =
                (button && !button->text().isEmpty()) ||
                (label && !label->text().isEmpty() && !label->wordWrap() && !label->hasScaledContents());
            if (hasText) {
                EXPECT_GE(widget->width(), widget->sizeHint().width()) << nameOf(widget);
            }
        }
    }

    // The panes of the main window side by side, each as wide as it needs.
    void expectPanesApart() const
    {
        const QSplitter* splitter = ui().mainSplitter;
        for (int pane = 0; pane < splitter->count(); ++pane) {
            const QWidget* widget = splitter->widget(pane);
            EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << nameOf(widget);
            EXPECT_TRUE(splitter->rect().contains(widget->geometry())) << nameOf(widget);
            if (pane > 0) {
                EXPECT_FALSE(widget->geometry().intersects(splitter->widget(pane - 1)->geometry())) << nameOf(widget);
            }
        }
    }

    // Runs `command`, which shows a modal window and waits for it, and hands
    // that window to `look` before closing it.
    static void whileModal(const std::function<void()>& command, const std::function<void(QWidget&)>& look)
    {
        bool looked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && !looked) {
                looked = true;
                look(*modal);
                modal->close();
            }
        });
        poll.start(10);
        command();
        EXPECT_TRUE(looked);
    }
};

TEST_F(ScreenFit, TheRunsScreenIsTheOneConfigured)
{
    // A run whose platform ignored its screen file must not pass unseen.
    QSize configured;
    if (underWindowManager()) {
        const QStringList size = testsupport::WindowManagerDisplay::askedSize().split(QLatin1Char('x'));
        configured = QSize(size.at(0).toInt(), size.at(1).toInt());
        // And a window manager frames the window, with a title bar.
        expectOnScreen(window());
        EXPECT_GT(window()->geometry().top() - frameOf(window()).top(), 0);
    } else {
        const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
        const qsizetype at = platform.indexOf(QStringLiteral("configfile="));
        if (at < 0)
            GTEST_SKIP() << "the platform's own screen";
        QFile file(platform.mid(at + 11));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QJsonObject screen = QJsonDocument::fromJson(file.readAll())["screens"][0].toObject();
        configured = QSize(screen["width"].toInt(), screen["height"].toInt());
    }
    const qreal scale =
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(screen->devicePixelRatio(), scale);
    EXPECT_EQ((QSizeF(screen->geometry().size()) * scale).toSize(), configured);
}

TEST_F(ScreenFit, TheMainWindowFitsAndItsMinimumFitsTooWithNothingClippedInEitherLanguage)
{
    // German words are longer: the window is made for each language.
    for (const QString tag : {"en-US", "de-DE"}) {
        SCOPED_TRACE(tag.toStdString());
        m_controller.reset();
        AppDelegate::initialize({tag});
        m_controller = std::make_unique<KorvalaneController>();
        window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window(), testsupport::kWindowWaitMs));
        expectOnScreen(window());
        expectNothingClipped(window());
        expectPanesApart();
        grabWindow("fit-start-" + tag);

        const QSize least = window()->minimumSizeHint();
        EXPECT_TRUE(available().size().boundedTo(least) == least)
            << "the least size " << least.width() << "x" << least.height() << " is larger than "
            << describe(available());
        window()->resize(least);
        QApplication::processEvents();
        expectOnScreen(window());
        expectNothingClipped(window());
        expectPanesApart();
        grabWindow("fit-minimum-" + tag);

        // What a hand search shows while it runs, and the not-found label after it, never widens it.
        const Ui::ImageSelectView& search = m_controller->imageSelectController()->ui();
        using Shown = std::vector<QWidget*>;
        for (const Shown& shown :
             {Shown{search.progressIndicator, search.tmdbCancelButton}, Shown{search.tmdbNotFoundLabel}}) {
            for (QWidget* widget : shown)
                widget->show();
            EXPECT_EQ(window()->minimumSizeHint().width(), least.width());
            expectNothingClipped(window());
            for (QWidget* widget : shown)
                widget->hide();
        }
    }
    AppDelegate::initialize({"en-US"});
}

TEST_F(ScreenFit, TheCoverWellIsSeenWithoutScrolling)
{
    loadMovies({"covered"}, true);
    QWidget* well = ui().coverWellPlace;
    const QRect pane = ui().recordEditorPane->rect();
    const QRect wellInPane(well->mapTo(ui().recordEditorPane, QPoint(0, 0)), well->size());
    EXPECT_TRUE(pane.contains(wellInPane)) << describe(wellInPane) << " in " << describe(pane);
    EXPECT_FALSE(ui().recordEditorScroll->isAncestorOf(well));
    EXPECT_EQ(well->visibleRegion().boundingRect(), well->rect());
    // Its size follows the pane: a fifth of the pane's height at the least.
    EXPECT_GE(well->height(), ui().recordEditorPane->height() / 5);
}

TEST_F(ScreenFit, WindowsItOpensLieOnTheScreenEvenBesideAWindowPushedOffIt)
{
    // The main window mostly beyond the screen's right edge, as a user may leave it.
    window()->move(available().right() - 60, available().top());
    for (TipWindowController* tips : {m_controller->tipController(), m_controller->whatsNewController()}) {
        tips->adjustToDefaultSize(window());
        tips->show();
        expectOnScreen(tips);
        expectNothingClipped(tips);
        tips->hide();
    }
    TipWindowController warning(window(), TipWindowController::Warning);
    warning.show();
    expectOnScreen(&warning);

    m_controller->openIDWindow();
    ASSERT_NE(m_controller->idWindow(), nullptr);
    expectOnScreen(m_controller->idWindow());
    expectNothingClipped(m_controller->idWindow());

    // A poster larger than the screen is shown smaller, in its own proportions.
    ImageSelectController* search = m_controller->imageSelectController();
    search->showInCoverWindow(QImage(1000, 1500, QImage::Format_RGB32), QSize(1000, 1500));
    QWidget* cover = search->coverWindow();
    expectOnScreen(cover);
    EXPECT_NEAR(double(cover->height()) / cover->width(), 1.5, 0.02);

    whileModal([this] { m_controller->preferencesMenu(); },
               [](QWidget& preferences) {
                   expectOnScreen(&preferences);
                   for (int tab = 0; tab < 4; ++tab) {
                       // Each page of the window, as the user turns to it.
                       if (auto* tabs = preferences.findChild<QTabWidget*>(); tabs && tab < tabs->count()) {
                           tabs->setCurrentIndex(tab);
                           expectNothingClipped(&preferences);
                       }
                   }
               });
}

TEST(WindowFitterFrames, ShrinkAndMoveInsideTheAvailableGeometry)
{
    const QRect screen(0, 0, 800, 500);
    const struct {
        QRect frame;
        QRect fitted;
    } cases[] = {
        {{100, 50, 400, 300}, {100, 50, 400, 300}},    // inside: left alone
        {{0, 0, 1400, 820}, {0, 0, 800, 500}},         // larger than the screen
        {{700, 100, 400, 300}, {400, 100, 400, 300}},  // past the right edge
        {{-300, -40, 400, 300}, {0, 0, 400, 300}},     // before the left and top edges
        {{1525, 1325, 850, 350}, {0, 150, 800, 350}},  // centred on a window far off the screen
    };
    for (const auto& [frame, fitted] : cases)
        EXPECT_EQ(WindowFitter::fittedFrame(frame, screen), fitted) << describe(frame);
    // A screen that does not start at the origin (a second monitor, a panel on the left).
    EXPECT_EQ(WindowFitter::fittedFrame({0, 0, 300, 200}, {1600, 30, 1366, 738}), QRect(1600, 30, 300, 200));
}

}  // namespace
