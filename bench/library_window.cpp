// Large libraries through the main window: folders of 1,000, 2,000 and 10,000
// tagged movies, each with a 1000x1500 JPEG cover of about 300 KB, opened as a
// user would, each in a process of its own. Prints the time until every row is
// shown, the peak memory, and the time to select a row and show its cover (20
// selections across the list), with the load average. Goals: 2,000 within 2.1x
// the time of 1,000; 10,000 in at most 5 s and 600 MiB; a selection shown within 50 ms.
//
//   build/bench/library_window [count ...] [--folder folder]   (the movies are kept between runs)
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

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kSelections = 20;

// A folder of `count` movies: links to the first `count` copies of one tagged movie with a
// cover, each copy a file of its own. Made once and kept.
std::filesystem::path library(const std::filesystem::path& base, int count, int largest)
{
    const auto master = base / "library-master.m4v";
    const auto copies = base / "library";
    const auto folder = base / ("library-" + std::to_string(count));
    if (!benchfiles::cached(master, [](const auto& out) { return benchfiles::makeLibraryMovie(out, true); }) ||
        !benchfiles::fillLibrary(master, copies, largest) || !benchfiles::linkLibrary(copies, folder, count))
        return {};
    return folder;
}

// Lets the window lay out and paint what changed, as the event loop would.
void showChanges(QMainWindow& window)
{
    QApplication::processEvents();
    window.repaint();
    QApplication::processEvents();
}

// The child: opens one folder in the window and prints its figures.
int openFolder(int argc, char** argv, int count, const char* folder)
{
    QTemporaryDir home;
    testsupport::isolateEnvironment(home.path());
    QApplication app(argc, argv);
    platform::Settings::useFolder(home.path() + "/config/korvalane");
    const long rssBefore = benchfiles::peakRssKiB();

    AppDelegate::initialize({QStringLiteral("en-US")});
    KorvalaneController controller;
    QMainWindow& window = *controller.mainWindow();
    window.resize(1400, 900);
    window.show();
    showChanges(window);

    const auto openStart = benchfiles::nowNs();
    if (!controller.loadMoviesByURL(QStringList{QString::fromLocal8Bit(folder)})) {
        std::fprintf(stderr, "the folder did not load\n");
        return 1;
    }
    showChanges(window);
    const double openSeconds = benchfiles::seconds(openStart);
    const int rows = controller.movieListController().tableModel().rowCount();
    const long rssOpen = benchfiles::peakRssKiB();

    QTableView* table = window.findChild<QTableView*>();
    std::vector<double> selections;
    bool everyCoverShown = true;
    for (int i = 0; i < kSelections; ++i) {
        const int row = static_cast<int>((static_cast<long long>(i) * 7919) % count);
        const auto start = benchfiles::nowNs();
        table->selectionModel()->select(table->model()->index(row, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        showChanges(window);
        selections.push_back(benchfiles::seconds(start));
        const auto shown = controller.getSelectedMovie();
        everyCoverShown = everyCoverShown && shown && shown->coverIsSet() && !shown->cover()->image({10, 15}).isNull();
    }
    const auto selection = benchfiles::spreadOf(selections);

    std::printf(
        "  %5d movies: %d rows shown in %.3f s; peak RSS %.1f MiB (%.1f MiB before the window, %.1f MiB "
        "when shown); select and show a cover: median %.1f ms, max %.1f ms of %d%s; load %s\n",
        count, rows, openSeconds, benchfiles::peakRssKiB() / 1024.0, rssBefore / 1024.0, rssOpen / 1024.0,
        selection.median * 1000, selection.max * 1000, kSelections,
        rows != count      ? " -- MISSED: not every movie was shown"
        : !everyCoverShown ? " -- MISSED: a selected record shows no cover"
                           : "",
        benchfiles::loadAverage().c_str());
    std::fflush(stdout);
    return rows == count && everyCoverShown ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--open") == 0)
        return openFolder(argc, argv, std::atoi(argv[2]), argv[3]);

    std::vector<int> counts;
    const char* folderArgument = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc)
            folderArgument = argv[++i];
        else if (std::atoi(argv[i]) > 0)
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty())
        counts = {1000, 2000, 10000};
    const int largest = *std::max_element(counts.begin(), counts.end());
    const auto base = benchfiles::benchFolder(folderArgument);
    std::printf(
        "library_window (goals: 2,000 within 2.1x of 1,000; 10,000 in <= 5 s and <= 600 MiB; "
        "selection <= 50 ms):\n");
    std::fflush(stdout);
    for (int count : counts) {
        const auto folder = library(base, count, largest);
        if (folder.empty()) {
            std::fprintf(stderr, "cannot make the library\n");
            return 1;
        }
        if (!benchfiles::run(benchfiles::quoted(argv[0]) + " --open " + std::to_string(count) + " " +
                             benchfiles::quoted(folder)))
            return 1;
    }
    return 0;
}
