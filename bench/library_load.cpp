// Time and peak memory to load folders of tagged movies into a movie list
// (1,000, 2,000 and 10,000 unless counts are given): each with a 1000x1500 JPEG
// cover of about 300 KB, and, as the floor, each without a cover. Every load
// runs in a process of its own, so that its peak memory is its own. Also
// counted, per movie: how often its file is opened and read, and how many of
// those reads touch its cover's bytes. Goals: 10,000 movies with covers in at
// most 400 MiB; one open per file and at most one read of each cover's header.
//
//     build/bench/library_load [count ...]
#include "fileaccess.h"
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "mp4/moviefile.h"
#include "mp4_benchfiles.h"
#include "platform/alerts.h"
#include "platform/settings.h"
#include "tagging/moviefileloading.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Where the cover of `movie` lies in it; an empty range when it has none left in the file.
mp4::FileRange coverRange(const std::filesystem::path& movie)
{
    const auto file = mp4::MovieFile::openForRead(movie);
    if (!file)
        return {};
    const std::vector<mp4::Artwork> artwork = file->tags(mp4::ArtworkBytes::LeftInFile).artwork;
    return !artwork.empty() && artwork.front().inFile ? *artwork.front().inFile : mp4::FileRange{};
}

// The child: loads one folder of `count` movies and prints its figures; every file in it holds
// its cover at `cover` (none when its length is 0). A load that did not take every movie, or
// every cover, says so and fails.
int loadFolder(int argc, char** argv, const char* folder, long long count, const mp4::FileRange& cover)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir settingsFolder;
    platform::Settings::useFolder(settingsFolder.path());
    platform::RecordingAlerts alerts;

    const long before = benchfiles::peakRssKiB();
    MovieList list;
    fileaccess::watch(folder, cover.offset, cover.length);
    const auto start = benchfiles::nowNs();
    const bool loaded =
        MovieFileManager::loadFiles(QVariantList{QUrl::fromLocalFile(QString::fromUtf8(folder))}, list, "en");
    const double elapsed = benchfiles::seconds(start);
    const long peak = benchfiles::peakRssKiB();
    const fileaccess::Counts access = fileaccess::counts();

    long long covers = 0;
    for (const auto& movie : list.arrangedObjects())
        covers += movie->coverIsSet() ? 1 : 0;
    const auto movies = static_cast<long long>(list.arrangedObjects().size());
    const bool done = loaded && movies == count && covers == (cover.length != 0 ? count : 0);
    std::printf(
        "  %lld movies loaded (%lld with a cover)%s: %.3f s, peak memory %.1f MiB (%.1f MiB before loading; "
        "load %s)\n",
        movies, covers, done ? "" : " -- MISSED: not every movie or cover of the folder loaded", elapsed, peak / 1024.0,
        before / 1024.0, benchfiles::loadAverage().c_str());
    const double files = std::max<double>(1, static_cast<double>(access.files));
    std::printf(
        "    per movie: %.2f opens (at most %llu), %.1f reads taking %.1f KiB; %.2f reads of its cover's "
        "header (at most %llu), %.1f KiB of the cover's %.1f KiB read\n",
        double(access.opens) / files, static_cast<unsigned long long>(access.maxOpens), double(access.reads) / files,
        double(access.bytes) / files / 1024.0, double(access.startReads) / files,
        static_cast<unsigned long long>(access.maxStartReads), double(access.rangeBytes) / files / 1024.0,
        double(cover.length) / 1024.0);
    return done ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--load") == 0)
        return loadFolder(argc, argv, argv[2], std::atoll(argv[3]),
                          mp4::FileRange{std::strtoull(argv[4], nullptr, 10), std::strtoull(argv[5], nullptr, 10)});

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
        const mp4::FileRange cover = coverRange(movie);
        std::printf("%s (movies of %lld bytes):\n", name.c_str(),
                    static_cast<long long>(std::filesystem::file_size(movie)));
        std::fflush(stdout);
        for (int count : counts) {
            const auto folder = base / (name + "-" + std::to_string(count));
            if (!benchfiles::fillLibrary(movie, folder, count) ||
                !benchfiles::run(benchfiles::quoted(argv[0]) + " --load " + benchfiles::quoted(folder) + " " +
                                 std::to_string(count) + " " + std::to_string(cover.offset) + " " +
                                 std::to_string(cover.length)))
                return 1;
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
    return 0;
}
