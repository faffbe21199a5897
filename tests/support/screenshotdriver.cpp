#include "support/screenshotdriver.h"

#include "app/imageselectcontroller.h"
#include "app/korvalaneapp.h"
#include "app/movielistcontroller.h"
#include "app/preferencewindowcontroller.h"
#include "app/savemovielistwindowcontroller.h"
#include "app/statusnews.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <memory>

namespace {

constexpr int kServiceTimeoutMs = 30'000;
// The movie the fake movie database knows.
constexpr char kKnownMovie[] = "Alien #1979.m4v";
// One it does not know.
constexpr char kOtherMovie[] = "Garden Party.m4v";

template <typename Widget>
Widget* child(QObject& parent, const char* name)
{
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}

// The main window with the sheet drawn where it stands over it.
QImage withSheet(QWidget& mainWindow, QWidget& sheet)
{
    QPixmap picture = mainWindow.grab();
    QPainter painter(&picture);
    const QPoint at = mainWindow.mapFromGlobal(sheet.mapToGlobal(QPoint(0, 0)));
    painter.drawPixmap(at, sheet.grab());
    // A window's picture leaves the window manager's frame out: an outline shows where the sheet stands.
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(QRect(at, sheet.size()).adjusted(-1, -1, 0, 0));
    painter.end();
    return picture.toImage();
}

}  // namespace

ScreenshotDriver::ScreenshotDriver(KorvalaneApp& app, const QString& libraryFolder, const QString& pictureFolder)
    : m_app(app), m_library(libraryFolder), m_pictures(pictureFolder)
{
}

bool ScreenshotDriver::run()
{
    QMainWindow& window = *m_app.controller().mainWindow();
    window.resize(1440, 960);
    window.move(0, 0);
    if (!waitFor([&window] { return window.isVisible(); }, 5'000))
        return false;
    return openLibrary() && batchSearchAll() && saveAll() && searchByHand(kKnownMovie) &&
           changeChapterCount(kOtherMovie, 4) && searchWithoutHits(kOtherMovie) && showSplitTitleAlert(kOtherMovie) &&
           showPreferences() && showMissingKeyAlert() && showQuitQuestion();
}

bool ScreenshotDriver::pictureOfTheScreen(const QString& name)
{
    QMainWindow& window = *m_app.controller().mainWindow();
    if (!waitFor([&window] { return window.isVisible(); }, 5'000) || !openLibrary())
        return false;
    selectRows({0});
    // The window manager frames the window after it is shown; the frame is what must fit.
    QWindow& platformWindow = *window.windowHandle();
    const QRect room = window.screen()->availableGeometry();
    const bool framed = waitFor(
        [&] { return platformWindow.frameMargins().top() > 0 && room.contains(platformWindow.frameGeometry()); },
        5'000);
    waitFor([] { return false; }, 500);
    QScreen& screen = *window.screen();
    const QRect frame = platformWindow.frameGeometry();
    const bool inside = room.contains(frame);
    report(QString("screen: the main window's frame is %1x%2 at %3,%4 on a screen of %5x%6 at scale %7: %8%9")
               .arg(frame.width())
               .arg(frame.height())
               .arg(frame.x())
               .arg(frame.y())
               .arg(room.width())
               .arg(room.height())
               .arg(screen.devicePixelRatio())
               .arg(inside ? "inside" : "NOT inside")
               .arg(framed ? "" : " (no window manager framed it)"));
    return save(screen.grabWindow(0).toImage(), name) && inside;
}

bool ScreenshotDriver::openLibrary()
{
    const QString folder = m_library.absolutePath();
    whenModalOpens(
        [this, folder](QWidget& window) {
            auto* dialog = qobject_cast<QFileDialog*>(&window);
            if (!dialog) {
                report("open: a window other than the open dialog came up: " + window.windowTitle());
                window.close();
                return;
            }
            report("open: the open dialog shows " + dialog->directory().absolutePath());
            save(dialog->grab().toImage(), "walk-open-dialog");
            // The user types the folder's path and presses Open.
            auto* name = child<QLineEdit>(*dialog, "fileNameEdit");
            auto* buttons = child<QDialogButtonBox>(*dialog, "buttonBox");
            if (!name || !buttons) {
                report("open: the dialog has no file name field or buttons");
                dialog->reject();
                return;
            }
            name->setText(folder);
            QPushButton* open = buttons->button(QDialogButtonBox::Open);
            report(QString("open: the Open button is %1 with the folder typed")
                       .arg(open->isEnabled() ? "enabled" : "disabled"));
            open->click();
            if (dialog->isVisible()) {
                report("open: the dialog stayed open; it is cancelled");
                dialog->reject();
            }
        },
        [this] { m_app.controller().ui().actionOpen->trigger(); });
    MovieListController& list = m_app.controller().movieListController();
    const bool loaded = waitFor([&list] { return list.arrangedObjects().size() == 3; }, 10'000);
    report(QString("open: %1 movies listed, %2 selected")
               .arg(list.arrangedObjects().size())
               .arg(list.selectionIndexes().size()));
    return loaded;
}

bool ScreenshotDriver::searchByHand(const QString& fileName)
{
    const int row = rowOf(fileName);
    if (row < 0) {
        report("search: " + fileName + " is not listed");
        return false;
    }
    selectRows({row});
    ImageSelectController& search = *m_app.controller().imageSelectController();
    auto* field = child<QLineEdit>(search, "tmdbSearchField");
    // The saved title is the database's German one; the user searches by the original title and year.
    report("search: the search field holds \"" + field->text() + "\"; the user types \"Alien #1979\"");
    field->setText("Alien #1979");
    child<QPushButton>(search, "tmdbSearchButton")->click();
    if (!waitFor([&search] { return !search.isLoadingFromTMDb() && !search.searchResultArray().isEmpty(); },
                 kServiceTimeoutMs)) {
        report("search: no hits came back");
        return false;
    }
    report(QString("search: %1 hits").arg(search.searchResultArray().size()));

    auto* hits = child<QAbstractItemView>(search, "tmdbSearchTableView");
    search.loadTMDbByDoubleClick(hits->model()->index(0, 0));
    auto* pages = child<QTabWidget>(search, "selectionTabView");
    if (!waitFor(
            [&search, pages] { return search.movie() && pages->currentIndex() == ImageSelectController::CoversPage; },
            kServiceTimeoutMs)) {
        report("search: the first hit showed no covers");
        return false;
    }
    report(QString("search: the first hit is \"%1\" with %2 covers")
               .arg(search.movie()->title())
               .arg(search.imageModelArray().size()));
    // The user picks the second cover.
    auto* covers = child<QAbstractItemView>(search, "tmdbCollectionView");
    covers->setCurrentIndex(covers->model()->index(1, 0));
    waitFor([] { return false; }, 300);
    bool pictures = grabMainWindow("covers");

    child<QPushButton>(search, "copyButton")->click();
    waitFor([] { return false; }, 300);
    const std::shared_ptr<MovieModel> record = m_app.controller().getSelectedMovie();
    report(QString("search: after copying, the editor's title reads \"%1\", the record's \"%2\", cover %3")
               .arg(m_app.controller().titleEdit()->text(), record->title(), record->coverIsSet() ? "set" : "not set"));
    search.showHitsPage();
    waitFor([] { return false; }, 300);
    pictures = grabMainWindow("main-window") && pictures;
    return pictures;
}

bool ScreenshotDriver::batchSearchAll()
{
    MovieListController& list = m_app.controller().movieListController();
    selectRows({0, 1, 2});
    bool grabbed = false;
    QString lastSeen;
    QTimer watcher;
    watcher.setInterval(50);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        QMainWindow& window = *m_app.controller().mainWindow();
        auto* sheet = window.findChild<SaveMovieListWindowController*>();
        if (!sheet || !sheet->isVisible())
            return;
        const QString seen = QString("sheet: \"%1\", movie bar %2/%3, overall %4/%5, cancel %6")
                                 .arg(sheet->movieNameTextField()->text())
                                 .arg(sheet->movieProgressIndicator()->value())
                                 .arg(sheet->movieProgressIndicator()->maximum())
                                 .arg(sheet->moviesProgressIndicator()->value())
                                 .arg(sheet->moviesProgressIndicator()->maximum())
                                 .arg(sheet->cancelButton()->isEnabled() ? "enabled" : "disabled");
        if (seen != lastSeen)
            report(seen);
        lastSeen = seen;
        // The second movie under way shows a sheet with progress on both bars.
        if (!grabbed && sheet->filesWritten() == 1) {
            grabbed = save(withSheet(window, *sheet), "progress-sheet");
        }
    });
    watcher.start();
    m_app.controller().ui().actionFindTmdbInfoAll->trigger();
    watcher.stop();
    waitFor([] { return false; }, 300);
    for (const std::shared_ptr<MovieModel>& record : list.arrangedObjects())
        report(QString("batch search: %1 -> %2")
                   .arg(record->fileUrl().fileName(),
                        record->searchResult() ? "\"" + record->title() + "\"" : QString("not found")));
    report("batch search: the status bar says \"" + m_app.controller().news().text() + "\" (" +
           m_app.controller().news().details().join(", ") + ")");
    grabMainWindow("walk-batch-news");
    if (!grabbed)
        report("batch search: the progress sheet was never seen at the second movie");
    return grabbed;
}

bool ScreenshotDriver::saveAll()
{
    QAction& saveAll = *m_app.controller().ui().actionSaveAll;
    report(QString("save all: the command is %1").arg(saveAll.isEnabled() ? "enabled" : "disabled"));
    saveAll.trigger();
    waitFor([] { return false; }, 500);
    bool foundOnesTagged = true;
    for (const std::shared_ptr<MovieModel>& record : m_app.controller().movieListController().arrangedObjects()) {
        report(QString("save all: %1 has status %2").arg(record->fileUrl().fileName()).arg(record->status()));
        if (record->searchResult() && record->status() != MovieModel::kStatusTagged)
            foundOnesTagged = false;
    }
    report("save all: the folder holds " + libraryEntries().join(", "));
    grabMainWindow("walk-after-save");
    return foundOnesTagged;
}

bool ScreenshotDriver::showPreferences()
{
    bool grabbed = false;
    whenModalOpens(
        [this, &grabbed](QWidget& window) {
            grabbed = save(window.grab().toImage(), "preferences");
            report("preferences: \"" + window.windowTitle() + "\" opened and closed again");
            window.close();
        },
        [this] { m_app.controller().ui().actionPreferences->trigger(); });
    return grabbed;
}

bool ScreenshotDriver::changeChapterCount(const QString& fileName, int chapters)
{
    const int row = rowOf(fileName);
    if (row < 0) {
        report("chapters: " + fileName + " is not listed");
        return false;
    }
    selectRows({row});
    Ui::MainWindow& ui = m_app.controller().ui();
    // The user picks "Number of chapters" and types the count into its box.
    QComboBox* setting = ui.chapterSettingComboBox;
    const int byCount = int(MovieModel::kChaptersByCount);
    setting->setCurrentIndex(byCount);
    emit setting->activated(byCount);
    QSpinBox* count = ui.chapterCountSpinBox;
    count->setFocus();
    count->selectAll();
    QTest::keyClicks(count, QString::number(chapters));
    QTest::keyClick(count, Qt::Key_Tab);
    waitFor([] { return false; }, 300);
    const int rows = ui.chapterListView->model()->rowCount();
    report(QString("chapters: \"%1\" with %2 typed into the count box; the chapter table lists %3, the record holds %4")
               .arg(setting->currentText())
               .arg(count->value())
               .arg(rows)
               .arg(m_app.controller().getSelectedMovie()->listOfChapters().value_or(ChapterList()).size()));
    ui.chapterListView->scrollTo(ui.chapterListView->model()->index(0, 0));
    return grabMainWindow("chapter-count") && rows == chapters;
}

bool ScreenshotDriver::searchWithoutHits(const QString& fileName)
{
    selectRows({rowOf(fileName)});
    ImageSelectController& search = *m_app.controller().imageSelectController();
    auto* field = child<QLineEdit>(search, "tmdbSearchField");
    field->setText(QFileInfo(fileName).completeBaseName());
    child<QPushButton>(search, "tmdbSearchButton")->click();
    waitFor([&search] { return !search.isLoadingFromTMDb(); }, kServiceTimeoutMs);
    const QString news = m_app.controller().news().text();
    report("no hits: a search for \"" + field->text() + "\" leaves the status bar saying \"" + news + "\"");
    return grabMainWindow("walk-no-hits") && !news.isEmpty();
}

bool ScreenshotDriver::showSplitTitleAlert(const QString& fileName)
{
    selectRows({rowOf(fileName)});
    bool grabbed = false;
    whenModalOpens(
        [this, &grabbed](QWidget& window) {
            auto* box = qobject_cast<QMessageBox*>(&window);
            report("title from file name: \"" +
                   (box ? box->text() + "\" " + box->informativeText() : window.windowTitle()));
            waitFor([] { return false; }, 200);
            grabbed = save(withSheet(*m_app.controller().mainWindow(), window), "split-title-alert");
            window.close();
        },
        [this] { m_app.controller().ui().actionSplitAllTitles->trigger(); });
    if (!grabbed)
        report("title from file name: no alert came up");
    return grabbed;
}

bool ScreenshotDriver::showMissingKeyAlert()
{
    // As on a machine where the key was never set.
    const QByteArray key = qgetenv("KORVALANE_TMDB_API_KEY");
    qunsetenv("KORVALANE_TMDB_API_KEY");
    ImageSelectController& search = *m_app.controller().imageSelectController();
    child<QLineEdit>(search, "tmdbSearchField")->setText("Alien #1979");
    bool grabbed = false;
    whenModalOpens(
        [this, &grabbed](QWidget& window) {
            auto* box = qobject_cast<QMessageBox*>(&window);
            report("missing key: \"" + (box ? box->text() : window.windowTitle()) + "\"");
            if (box)
                report("missing key: " + box->informativeText());
            waitFor([] { return false; }, 200);
            grabbed = save(withSheet(*m_app.controller().mainWindow(), window), "missing-key-alert");
            window.close();
        },
        [&search] { child<QPushButton>(search, "tmdbSearchButton")->click(); });
    qputenv("KORVALANE_TMDB_API_KEY", key);
    if (!grabbed)
        report("missing key: no alert came up");
    return grabbed;
}

bool ScreenshotDriver::showQuitQuestion()
{
    selectRows({0});
    KorvalaneController& controller = m_app.controller();
    // A date in the wrong form stays in its field, marked.
    QLineEdit* date = controller.ui().releaseDateEdit;
    date->setFocus();
    date->selectAll();
    QTest::keyClicks(date, "25.05.1979");
    QTest::keyClick(date, Qt::Key_Return);
    report("quit: the release date field holds \"" + date->text() + "\" with the tip \"" + date->toolTip() + "\"");
    // An edit not yet saved turns the movie's light yellow.
    QLineEdit* title = controller.titleEdit();
    title->setFocus();
    title->selectAll();
    QTest::keyClicks(title, "Alien: Director's Cut");
    QTest::keyClick(title, Qt::Key_Return);
    waitFor([] { return false; }, 300);
    grabMainWindow("walk-unsaved-edit");
    bool grabbed = false;
    whenModalOpens(
        [this, &grabbed](QWidget& window) {
            auto* box = qobject_cast<QMessageBox*>(&window);
            if (!box) {
                report("quit: a window other than the question came up: " + window.windowTitle());
                window.close();
                return;
            }
            report("quit: \"" + box->text() + "\" " + box->informativeText());
            waitFor([] { return false; }, 200);
            grabbed = save(withSheet(*m_app.controller().mainWindow(), *box), "quit-question");
            report("quit: the user presses " + box->button(QMessageBox::Cancel)->text());
            box->button(QMessageBox::Cancel)->click();
        },
        [&controller] { controller.ui().actionQuit->trigger(); });
    const bool stayed = controller.mainWindow()->isVisible();
    report(QString("quit: the main window is %1").arg(stayed ? "still open" : "closed"));
    return grabbed && stayed;
}

bool ScreenshotDriver::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

void ScreenshotDriver::whenModalOpens(const std::function<void(QWidget&)>& act, const std::function<void()>& command)
{
    QTimer watcher;
    watcher.setInterval(100);
    QObject::connect(&watcher, &QTimer::timeout, [&watcher, &act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        watcher.stop();
        act(*modal);
    });
    watcher.start();
    command();
    watcher.stop();
}

int ScreenshotDriver::rowOf(const QString& fileName) const
{
    const MovieList::Records& records = m_app.controller().movieListController().arrangedObjects();
    for (int row = 0; row < records.size(); ++row)
        if (records[row]->fileUrl().fileName() == fileName)
            return row;
    return -1;
}

void ScreenshotDriver::selectRows(const MovieList::IndexSet& rows)
{
    m_app.controller().movieListController().updateTableViewSelection(rows);
    QApplication::processEvents();
}

bool ScreenshotDriver::save(const QImage& picture, const QString& name) const
{
    const QString path = m_pictures.filePath(name + ".png");
    // Quality 0 is the strongest compression for PNG.
    const bool saved = picture.save(path, "PNG", 0);
    report((saved ? "picture: " : "picture NOT written: ") + path);
    return saved;
}

bool ScreenshotDriver::grabMainWindow(const QString& name) const
{
    return save(m_app.controller().mainWindow()->grab().toImage(), name);
}

void ScreenshotDriver::report(const QString& line) const
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QStringList ScreenshotDriver::libraryEntries() const
{
    return m_library.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}
