// Time and peak memory to load a folder of 1,000 tagged movies into a movie
// list: each with a 1000x1500 JPEG cover of about 300 KB, and, as the floor,
// each without a cover. Every load runs in a process of its own, so that its
// peak memory is its own.
//
//     build/bench/library_load [count]
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
    std::printf("  %lld movies loaded (%d with a cover)%s: %.3f s, peak memory %.1f MiB (%.1f MiB before loading)\n",
                static_cast<long long>(list.arrangedObjects().size()), covers, loaded ? "" : " [not all loaded]",
                elapsed, peak / 1024.0, before / 1024.0);
    return loaded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return loadFolder(argc, argv, argv[2]);

    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    benchfiles::TempDir dir;
    const std::filesystem::path base = dir.path("");
    for (const bool withCover : {true, false}) {
        const std::string name = withCover ? "with-cover" : "without-cover";
        const auto movie = base / (name + ".m4v");
        const auto folder = base / name;
        if (!benchfiles::makeLibraryMovie(movie, withCover) || !benchfiles::fillLibrary(movie, folder, count)) {
            std::fprintf(stderr, "cannot make the library\n");
            return 1;
        }
        std::printf("%s (%d movies of %lld bytes):\n", name.c_str(), count,
                    static_cast<long long>(std::filesystem::file_size(movie)));
        std::fflush(stdout);
        if (!benchfiles::run(benchfiles::quoted(argv[0]) + " --load " + benchfiles::quoted(folder)))
            return 1;
    }
    return 0;
}
