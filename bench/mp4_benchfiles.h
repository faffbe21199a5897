#pragma once

// Files for the MPEG-4 benchmarks, made by ffmpeg, and small measuring helpers.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace benchfiles {

// A temporary folder removed when it goes away.
class TempDir {
public:
    TempDir();
    explicit TempDir(const std::filesystem::path& parent);
    ~TempDir();
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }

private:
    std::filesystem::path m_dir;
};

bool run(const std::string& command);
// Quoted for the shell.
std::string quoted(const std::filesystem::path& path);
// About `megabytes` MiB of H.264 + AAC in 20 seconds, moov at the end, with a title.
bool makeMovie(const std::filesystem::path& out, int megabytes);
// `seconds` of H.264 + AAC (25 frames a second) at about the given rates, moov at the end.
bool makeMovie(const std::filesystem::path& out, int seconds, int videoKbit, int audioKbit);
// A copy of `source` grown past 4 GiB by a sparse empty `mdat` in front of its `moov`.
bool makeSparseLarge(const std::filesystem::path& source, const std::filesystem::path& out);
// The video and audio of `source` played `times` times over, stream-copied (no re-encoding):
// real media, moov at the end.
bool makeLooped(const std::filesystem::path& source, const std::filesystem::path& out, int times);
// A fifth of a second of tagged movie (title "Library Movie") for the library benchmarks; with
// `withCover` it carries a 1000x1500 JPEG cover of noisy pixels that JPEG cannot shrink below
// about 300 KB.
bool makeLibraryMovie(const std::filesystem::path& out, bool withCover);
// Fills `folder` with `count` copies of `movie` named movie-0000.m4v and on; copies already
// there are kept.
bool fillLibrary(const std::filesystem::path& movie, const std::filesystem::path& folder, int count);
// Hard links in `folder` to the first `count` movies of a folder `fillLibrary` made.
bool linkLibrary(const std::filesystem::path& library, const std::filesystem::path& folder, int count);

// The two movies that show how reading and saving grow with a movie's length (its sample
// tables), kept in `folder`: a 138-second one, and a 2.5-hour one made of a 20-second clip
// played 450 times over (stream copy). Both are 1280x720 H.264 + AAC at a low rate, moov at the
// end. Empty paths when they cannot be made.
struct LengthPair {
    std::filesystem::path shortMovie;  // 138 s
    std::filesystem::path longMovie;   // 2.5 h
};
LengthPair lengthPair(const std::filesystem::path& folder);
// Bytes of the file's first moov box (0 when there is none).
std::uint64_t moovBytes(const std::filesystem::path& file);

// The folder that keeps the benchmark movies between runs: `argument` when given, else
// $KORVALANE_BENCH_DIR, else <temp>/korvalane-mp4-bench. Created when missing.
std::filesystem::path benchFolder(const char* argument);
// Makes `file` with `make` unless it is there already; `make` writes to a side name that is
// renamed on success, so an interrupted run leaves nothing half made behind.
bool cached(const std::filesystem::path& file, const std::function<bool(const std::filesystem::path&)>& make);
// Flushes the file's data to the disk.
bool flushFile(const std::filesystem::path& file);

double seconds(std::uint64_t startNs);
std::uint64_t nowNs();
// Processor time the process has used so far (user and system).
std::uint64_t cpuNs();
long peakRssKiB();
// The 1-, 5- and 15-minute load averages, "?" when unknown: how busy the machine was.
std::string loadAverage();

// Median and extremes of a series of measurements.
struct Spread {
    double median = 0;
    double min = 0;
    double max = 0;
};
Spread spreadOf(std::vector<double> values);

// What a goal line adds to a figure: nothing when every run behind it did its work, else that
// the goal was missed (a run that was refused, failed or cut short measured nothing).
const char* missedUnless(bool everyRunDone);

}  // namespace benchfiles
