// Time and peak memory to read the tags, tracks and chapters of a 40 MiB movie and of the
// same movie grown past 4 GiB (sparse): reading must not depend on the media size. Then the
// time for a 138-second and a 2.5-hour movie (see benchfiles::lengthPair): reading parses no
// sample table it does not need, so it should hardly grow with the movie's length.
//
//   mp4_read [bench folder]
#include "mp4/moviefile.h"
#include "mp4_benchfiles.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double medianReadSeconds(const std::filesystem::path& file)
{
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        const auto start = benchfiles::nowNs();
        auto movie = mp4::MovieFile::openForRead(file);
        if (!movie) {
            std::fprintf(stderr, "cannot read %s: %s\n", file.c_str(), movie.error().message.c_str());
            return -1;
        }
        (void)movie->tags();
        (void)movie->tracks();
        (void)movie->chapters(mp4::ChapterType::Any);
        times.push_back(benchfiles::seconds(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    benchfiles::TempDir dir;
    const auto small = dir.path("40mib.mp4");
    const auto large = dir.path("4gib.mp4");
    if (!benchfiles::makeMovie(small, 48) || !benchfiles::makeSparseLarge(small, large)) {
        std::fprintf(stderr, "cannot make the benchmark files\n");
        return 1;
    }
    const double a = medianReadSeconds(small);
    const long rssA = benchfiles::peakRssKiB();
    const double b = medianReadSeconds(large);
    const long rssB = benchfiles::peakRssKiB();
    if (a < 0 || b < 0) {
        std::printf("mp4_read: a read failed: no figures\n");
        return 1;
    }
    std::printf("mp4_read: 40 MiB file (%.1f MiB): %.3f ms per read, peak RSS %ld KiB\n",
                static_cast<double>(std::filesystem::file_size(small)) / 1048576.0, a * 1000, rssA);
    std::printf("mp4_read: 4 GiB sparse file (%.2f GiB): %.3f ms per read, peak RSS %ld KiB\n",
                static_cast<double>(std::filesystem::file_size(large)) / 1073741824.0, b * 1000, rssB);
    std::printf("mp4_read: ratio large/small %.2f\n", b / a);

    const auto pair = benchfiles::lengthPair(benchfiles::benchFolder(argc > 1 ? argv[1] : nullptr));
    if (pair.longMovie.empty()) {
        std::fprintf(stderr, "cannot make the 138-second and 2.5-hour movies\n");
        return 1;
    }
    const double shortRead = medianReadSeconds(pair.shortMovie);
    const double longRead = medianReadSeconds(pair.longMovie);
    if (shortRead < 0 || longRead < 0) {
        std::printf("mp4_read: a read of the 138-second or the 2.5-hour movie failed: goals MISSED\n");
        return 1;
    }
    std::printf("mp4_read: 138 s movie (moov %.2f MiB): %.3f ms per read\n",
                static_cast<double>(benchfiles::moovBytes(pair.shortMovie)) / 1048576.0, shortRead * 1000);
    std::printf("mp4_read: 2.5 h movie (moov %.2f MiB): %.3f ms per read (goal: at most 4 ms)\n",
                static_cast<double>(benchfiles::moovBytes(pair.longMovie)) / 1048576.0, longRead * 1000);
    std::printf("mp4_read: ratio 2.5 h / 138 s %.2f (goal: at most 1.5)\n", longRead / shortRead);
    return 0;
}
