// A large library through the main window: a folder of 1,000 tagged movies,
// each with a cover of about 300 KB, opened as a user would. Prints the time
// until every row is shown, the peak memory, and the time to select a row and
// show its cover. Goals: rows within 1.5 s, at most 600 MiB, a selection shown
// within 50 ms.
//
//   build/bench/library_window [folder]   (the movies are kept there between runs)
#include "app/appdelegate.h"
#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "app/movielisttablemodel.h"
#include "mp4_benchfiles.h"
#include "platform/settings.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int kMovies = 1000;

// The library: copies of one tagged movie with a cover, made once and kept.
std::filesystem::path library(const char* argument)
{
    const auto base = benchfiles::benchFolder(argument);
    const auto master = base / "library-master.m4v";
    const auto folder = base / "library";
    const bool made =
        benchfiles::cached(master, [](const auto& out) { return benchfiles::makeLibraryMovie(out, true); }) &&
        benchfiles::fillLibrary(master, folder, kMovies);
    return made ? folder : std::filesystem::path();
}

// Lets the window lay out and paint what changed, as the event loop would.
void showChanges(QMainWindow& window)
{
    QApplication::processEvents();
    window.repaint();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    testsupport::isolateEnvironment(home.path());
    QApplication app(argc, argv);
    platform::Settings::useFolder(home.path() + "/config/korvalane");

    const auto folder = library(argc > 1 ? argv[1] : nullptr);
    if (folder.empty()) {
        std::fprintf(stderr, "cannot make the library\n");
        return 1;
    }
    const long rssBefore = benchfiles::peakRssKiB();

    AppDelegate::initialize({QStringLiteral("en-US")});
    KorvalaneController controller;
    QMainWindow& window = *controller.mainWindow();
    window.resize(1400, 900);
    window.show();
    showChanges(window);

    const auto openStart = benchfiles::nowNs();
    if (!controller.loadMoviesByURL(QStringList{QString::fromStdString(folder.string())})) {
        std::fprintf(stderr, "the folder did not load\n");
        return 1;
    }
    showChanges(window);
    const double openSeconds = benchfiles::seconds(openStart);
    const int rows = controller.movieListController().tableModel().rowCount();

    QTableView* table = window.findChild<QTableView*>();
    std::vector<double> selections;
    for (int row : {0, 1, 500, 501, 998, 999, 250, 750}) {
        const auto start = benchfiles::nowNs();
        table->selectionModel()->select(table->model()->index(row, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        showChanges(window);
        selections.push_back(benchfiles::seconds(start));
    }
    const auto selection = benchfiles::spreadOf(selections);
    const auto shown = controller.getSelectedMovie();

    std::printf("library_window: %d movies opened, %d rows shown in %.3f s (goal 1.5 s)\n", kMovies, rows, openSeconds);
    std::printf("library_window: peak RSS %.1f MiB (%.1f MiB before the window; goal 600 MiB)\n",
                benchfiles::peakRssKiB() / 1024.0, rssBefore / 1024.0);
    std::printf(
        "library_window: select a row and show its cover: median %.1f ms, min %.1f ms, max %.1f ms (goal "
        "50 ms)%s\n",
        selection.median * 1000, selection.min * 1000, selection.max * 1000,
        shown && shown->coverIsSet() ? "" : " -- the selected record shows no cover!");
    return rows == kMovies ? 0 : 1;
}
