// Time and peak memory to load folders of tagged movies into a movie list
// (1,000, 2,000 and 10,000 unless counts are given): each with a 1000x1500 JPEG
// cover of about 300 KB, and, as the floor, each without a cover. Every load
// runs in a process of its own, so that its peak memory is its own. Goal:
// 10,000 movies with covers in at most 400 MiB.
//
//     build/bench/library_load [count ...]
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "mp4_benchfiles.h"
#include "platform/alerts.h"
#include "platform/settings.h"
#include "tagging/moviefileloading.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The child: loads one folder and prints its figures.
int loadFolder(int argc, char** argv, const char* folder)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir settingsFolder;
    platform::Settings::useFolder(settingsFolder.path());
    platform::RecordingAlerts alerts;

    const long before = benchfiles::peakRssKiB();
    MovieList list;
    const auto start = benchfiles::nowNs();
    const bool loaded =
        MovieFileManager::loadFiles(QVariantList{QUrl::fromLocalFile(QString::fromUtf8(folder))}, list, "en");
    const double elapsed = benchfiles::seconds(start);
    const long peak = benchfiles::peakRssKiB();

    int covers = 0;
    for (const auto& movie : list.arrangedObjects())
        covers += movie->coverIsSet() ? 1 : 0;
    std::printf(
        "  %lld movies loaded (%d with a cover)%s: %.3f s, peak memory %.1f MiB (%.1f MiB before loading; "
        "load %s)\n",
        static_cast<long long>(list.arrangedObjects().size()), covers, loaded ? "" : " [not all loaded]", elapsed,
        peak / 1024.0, before / 1024.0, benchfiles::loadAverage().c_str());
    return loaded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return loadFolder(argc, argv, argv[2]);

    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        if (std::atoi(argv[i]) > 0)
            counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1000, 2000, 10000};
    benchfiles::TempDir dir;
    const std::filesystem::path base = dir.path("");
    for (const bool withCover : {true, false}) {
        const std::string name = withCover ? "with-cover" : "without-cover";
        const auto movie = base / (name + ".m4v");
        if (!benchfiles::makeLibraryMovie(movie, withCover)) {
            std::fprintf(stderr, "cannot make the library movie\n");
            return 1;
        }
        std::printf("%s (movies of %lld bytes):\n", name.c_str(),
                    static_cast<long long>(std::filesystem::file_size(movie)));
        std::fflush(stdout);
        for (int count : counts) {
            const auto folder = base / (name + "-" + std::to_string(count));
            if (!benchfiles::fillLibrary(movie, folder, count) ||
                !benchfiles::run(benchfiles::quoted(argv[0]) + " --load " + benchfiles::quoted(folder)))
                return 1;
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
    return 0;
}
