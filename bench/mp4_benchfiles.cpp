#include "mp4_benchfiles.h"

#include "mp4/boxparser.h"
#include "mp4/filehandle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace benchfiles {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path())
{
}

TempDir::TempDir(const std::filesystem::path& parent)
{
    std::random_device rd;
    m_dir = parent / ("korvalane-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(m_dir);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::string quoted(const std::filesystem::path& path)
{
    std::string out = "'";
    for (char c : path.string()) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

bool makeMovie(const std::filesystem::path& out, int megabytes)
{
    const int seconds = 20;
    return makeMovie(out, seconds, megabytes * 8 * 1024 / seconds, 128);
}

bool makeMovie(const std::filesystem::path& out, int seconds, int videoKbit, int audioKbit)
{
    const std::string rate = std::to_string(videoKbit) + "k";
    return run("ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=25:duration=" +
               std::to_string(seconds) + " -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
               " -c:v libx264 -preset ultrafast -b:v " + rate + " -minrate " + rate + " -maxrate " + rate +
               " -bufsize " + rate + " -c:a aac -b:a " + std::to_string(audioKbit) + "k -metadata title=Bench " +
               quoted(out));
}

bool makeSparseLarge(const std::filesystem::path& source, const std::filesystem::path& out)
{
    // Only box headers and the moov are read, so making the file costs no memory.
    std::fstream f;
    std::filesystem::copy_file(source, out, std::filesystem::copy_options::overwrite_existing);
    f.open(out, std::ios::in | std::ios::out | std::ios::binary);
    const std::uint64_t length = std::filesystem::file_size(out);
    auto big = [](const char* b, int n) {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 8) | static_cast<unsigned char>(b[i]);
        }
        return v;
    };
    std::uint64_t pos = 0;
    std::uint64_t moov = 0;
    std::uint64_t moovSize = 0;
    while (pos + 8 <= length) {
        char h[16] = {};
        f.seekg(static_cast<std::streamoff>(pos));
        f.read(h, 16);
        f.clear();
        std::uint64_t size = big(h, 4);
        if (size == 1) {
            size = big(h + 8, 8);
        }
        if (size < 8) {
            return false;
        }
        if (std::string(h + 4, 4) == "moov") {
            moov = pos;
            moovSize = size;
        }
        pos += size;
    }
    if (moov == 0 || moov + moovSize != length) {
        return false;
    }
    std::vector<char> moovBytes(static_cast<std::size_t>(moovSize));
    f.seekg(static_cast<std::streamoff>(moov));
    f.read(moovBytes.data(), static_cast<std::streamsize>(moovSize));
    const std::uint64_t gap = (1ull << 32) + 4096;
    const char header[16] = {0, 0, 0, 1, 'm', 'd', 'a', 't', 0, 0, 0, 1, 0, 0, 0x10, 0};
    f.seekp(static_cast<std::streamoff>(moov));
    f.write(header, 16);
    f.close();
    std::filesystem::resize_file(out, moov + gap);
    f.open(out, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(moov + gap));
    f.write(moovBytes.data(), static_cast<std::streamsize>(moovSize));
    return f.good();
}

bool makeLooped(const std::filesystem::path& source, const std::filesystem::path& out, int times)
{
    return run("ffmpeg -hide_banner -loglevel error -y -stream_loop " + std::to_string(times - 1) + " -i " +
               quoted(source) + " -map 0:v -map 0:a -c copy " + quoted(out));
}

bool makeLibraryMovie(const std::filesystem::path& out, bool withCover)
{
    const auto cover = out.parent_path() / (out.stem().string() + "-cover.jpg");
    if (withCover &&
        !run("ffmpeg -hide_banner -loglevel error -y -f lavfi -i 'testsrc2=s=1000x1500,noise=alls=20:allf=u' "
             "-frames:v 1 -q:v 4 " +
             quoted(cover)))
        return false;
    std::string command =
        "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=s=320x240:d=0.2:r=25 "
        "-f lavfi -i sine=d=0.2 ";
    if (withCover)
        command += "-i " + quoted(cover) + " -map 0 -map 1 -map 2 -c:v:1 copy -disposition:v:1 attached_pic ";
    command += "-c:v:0 libx264 -c:a aac -metadata title='Library Movie' " + quoted(out);
    const bool made = run(command);
    std::error_code ignored;
    std::filesystem::remove(cover, ignored);
    return made;
}

namespace {

// Puts the library's first `count` names into `folder`, each by `place(name)` unless there already.
template <typename Place>
bool fillNames(const std::filesystem::path& folder, int count, Place place)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (int i = 0; i < count && !error; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "movie-%04d.m4v", i);
        if (!std::filesystem::exists(folder / name))
            place(name, error);
    }
    return !error;
}

}  // namespace

bool fillLibrary(const std::filesystem::path& movie, const std::filesystem::path& folder, int count)
{
    return fillNames(folder, count, [&](const char* name, std::error_code& error) {
        std::filesystem::copy_file(movie, folder / name, error);
    });
}

bool linkLibrary(const std::filesystem::path& library, const std::filesystem::path& folder, int count)
{
    return fillNames(folder, count, [&](const char* name, std::error_code& error) {
        std::filesystem::create_hard_link(library / name, folder / name, error);
    });
}

LengthPair lengthPair(const std::filesystem::path& folder)
{
    constexpr int kVideoKbit = 115;
    constexpr int kAudioKbit = 24;
    const auto clip = folder / "clip-low-rate-20s.mp4";
    LengthPair pair{folder / "low-rate-138s.mp4", folder / "low-rate-150min.mp4"};
    const bool made =
        cached(pair.shortMovie,
               [](const std::filesystem::path& out) { return makeMovie(out, 138, kVideoKbit, kAudioKbit); }) &&
        cached(clip, [](const std::filesystem::path& out) { return makeMovie(out, 20, kVideoKbit, kAudioKbit); }) &&
        cached(pair.longMovie, [&clip](const std::filesystem::path& out) { return makeLooped(clip, out, 450); });
    return made ? pair : LengthPair{};
}

std::uint64_t moovBytes(const std::filesystem::path& file)
{
    auto handle = mp4::FileHandle::open(file, false);
    auto layout = handle ? mp4::BoxParser::scanTopLevel(*handle) : mp4::Result<mp4::TopLevelLayout>();
    for (const auto& box : layout ? layout->boxes : std::vector<mp4::TopLevelBox>{}) {
        if (box.type == mp4::FourCC("moov")) {
            return box.size;
        }
    }
    return 0;
}

std::filesystem::path benchFolder(const char* argument)
{
    std::filesystem::path folder;
    if (argument && *argument) {
        folder = argument;
    } else if (const char* env = std::getenv("KORVALANE_BENCH_DIR"); env && *env) {
        folder = env;
    } else {
        folder = std::filesystem::temp_directory_path() / "korvalane-mp4-bench";
    }
    std::filesystem::create_directories(folder);
    return folder;
}

bool cached(const std::filesystem::path& file, const std::function<bool(const std::filesystem::path&)>& make)
{
    if (std::filesystem::exists(file)) {
        return true;
    }
    // The extension stays last: ffmpeg picks the format by it.
    const auto side = file.parent_path() / (file.stem().string() + ".part" + file.extension().string());
    std::filesystem::remove(side);
    if (!make(side)) {
        std::filesystem::remove(side);
        return false;
    }
    std::filesystem::rename(side, file);
    return true;
}

bool flushFile(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

Spread spreadOf(std::vector<double> values)
{
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

const char* missedUnless(bool everyRunDone)
{
    return everyRunDone ? "" : "  -- MISSED: a run did not do its work, the figure means nothing";
}

std::uint64_t nowNs()
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

std::uint64_t cpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(t.tv_nsec);
}

double seconds(std::uint64_t startNs)
{
    return static_cast<double>(nowNs() - startNs) / 1e9;
}

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(file >> one >> five >> fifteen))
        return "?";
    return one + " " + five + " " + fifteen;
}

}  // namespace benchfiles
