// Time and bytes written to save a full record (tags, cover, items, chapters, a 1,500-caption
// subtitle track) into movies of 40 MiB and of 4 GiB, next to remuxing each of them with
// `ffmpeg -c copy`:
//  - 40 MiB in 20 seconds, and the same grown past 4 GiB by a sparse empty mdat;
//  - 40 MiB and 4.3 GiB of real media, both 39 minutes long (a 20-second clip looped with
//    stream copy), so that they differ in the size of their media and in nothing else.
// A save rewrites the whole moov, whose sample tables grow with the length of the movie (not
// with its bytes); the pairs above keep the two apart.
//
// First, for a 138-second and a 2.5-hour movie (see benchfiles::lengthPair), the in-process
// phases of a full save: read (opening, checked against the file as the record read it),
// prepare (the edits), write (the commit with its flushes, and the file read back); and
// the full save of the 2.5-hour movie with the copy check's fingerprints and without, and into a
// saved file with the check against the file as read and without, in turns.
//
//   mp4_save [bench folder] [--length]     (--length: only those)
//
// The movies are made once and kept in the bench folder (see benchfiles::benchFolder); the
// 4.3 GiB one takes a few seconds and 4.3 GiB of disk, and the run needs about twice that
// again for a working copy and the remux output. Every figure is the median of several runs
// with the extremes beside it, so that one slow flush does not decide a ratio.
#include "mp4/copycheck.h"
#include "mp4/filehandle.h"
#include "mp4/moviefile.h"
#include "mp4_benchfiles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSaveRuns = 9;
constexpr int kCheckRuns = 21;  // pairs: the check costs a millisecond or so, less than one slow flush
constexpr int kRemuxRuns = 3;
constexpr int kCaptions = 1500;
constexpr int kSettleMs = 300;
constexpr int kLoops = 118;  // 20-second clips in the long movies: 39 minutes

namespace fs = std::filesystem;
using benchfiles::Spread;

// What the commit wrote, from the file handle's write hook.
struct WriteLog {
    std::uint64_t bytes = 0;
    std::uint64_t lowest = std::numeric_limits<std::uint64_t>::max();  // first byte changed
};
WriteLog g_log;

template <typename T>
bool check(const mp4::Result<T>& r, const char* what)
{
    if (!r) {
        std::fprintf(stderr, "mp4_save: %s failed: %s\n", what, r.error().message.c_str());
    }
    return r.has_value();
}

std::vector<std::uint8_t> caption(const std::string& text)
{
    std::vector<std::uint8_t> out = mp4::bigEndianBytes(text.size(), 2);
    for (char c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

mp4::Tags recordTags(const std::vector<std::uint8_t>& cover)
{
    mp4::Tags tags;
    tags.name = "Benchmark Movie";
    tags.sortName = "Benchmark Movie";
    tags.artist = "Director One, Director Two";
    tags.albumArtist = "Actor One, Actor Two, Actor Three";
    tags.composer = "Writer One";
    tags.genre = "Drama";
    tags.releaseDate = "2012-01-01T12:00:00Z";
    tags.description = std::string(250, 'd');
    tags.longDescription = std::string(2000, 'l');
    tags.copyright = "(c) 2012 Studio";
    tags.mediaType = 9;
    tags.hdVideo = 1;
    tags.contentRating = 0;
    tags.artwork.push_back({cover, mp4::ArtworkType::Jpeg});
    return tags;
}

// Subtitle step as the application does it: a new track under the picture, captions with
// gaps spread over the movie, an end sample, older subtitle tracks of the language removed.
bool writeSubtitle(mp4::MovieFile& movie)
{
    std::uint32_t video = 0;
    std::vector<std::uint32_t> older;
    for (const auto& t : movie.tracks()) {
        if (!video && t.type == mp4::FourCC("vide")) {
            video = t.id;
        }
        if (t.type == mp4::FourCC("sbtl") && t.language == "deu") {
            older.push_back(t.id);
        }
    }
    const std::uint32_t scale = movie.trackTimeScale(video);
    const std::uint16_t width = movie.trackVideoWidth(video);
    const std::uint16_t height = movie.trackVideoHeight(video);
    const auto boxHeight = static_cast<std::uint16_t>(height * 15 / 100);
    auto id = movie.addSubtitleTrack(scale, width, boxHeight);
    if (!check(id, "adding the subtitle track")) {
        return false;
    }
    mp4::Matrix matrix = movie.track(*id)->matrix;
    const std::uint32_t y = static_cast<std::uint32_t>(height - boxHeight) << 16;
    for (int i = 0; i < 4; ++i) {
        matrix[static_cast<std::size_t>(28 + i)] = static_cast<std::uint8_t>(y >> (24 - 8 * i));
    }
    mp4::Tx3gDescription description;
    description.horizontalJustification = 1;
    description.defTextBoxBottom = static_cast<std::int16_t>(boxHeight);
    description.defTextBoxRight = static_cast<std::int16_t>(width);
    description.fontSize = static_cast<std::uint8_t>(height / 20);
    description.fontColorRed = description.fontColorGreen = description.fontColorBlue = 255;
    description.fontColorAlpha = 255;
    if (!check(movie.setTrackLanguage(*id, "deu"), "language") ||
        !check(movie.setTrackDurationPerChunk(*id, std::max<std::uint32_t>(scale / 8, 1)), "chunking") ||
        !check(movie.setTrackAlternateGroup(*id, 3), "group") || !check(movie.setTrackMatrix(*id, matrix), "matrix") ||
        !check(movie.setTrackFlags(*id, 2), "flags") || !check(movie.setTx3gDescription(*id, description), "tx3g")) {
        return false;
    }
    const std::uint64_t movieInTrackUnits = movie.duration() * scale / std::max<std::uint32_t>(movie.timeScale(), 1);
    const std::uint64_t step = std::max<std::uint64_t>(movieInTrackUnits / kCaptions, 4);
    const auto text = caption("A caption of ordinary length, with two lines\nof text that the viewer reads");
    const auto gap = caption("");
    for (int i = 0; i < kCaptions; ++i) {
        if (!check(movie.writeSample(*id, gap, step / 4), "a gap") ||
            !check(movie.writeSample(*id, text, step - step / 4), "a caption")) {
            return false;
        }
    }
    if (!check(movie.writeSample(*id, gap, 0), "the end sample")) {
        return false;
    }
    for (std::uint32_t old : older) {
        if (!check(movie.deleteTrack(old), "deleting an older subtitle track")) {
            return false;
        }
    }
    return true;
}

// The edits of a full record, as the application makes them between opening and closing.
bool editRecord(mp4::MovieFile* movie, const std::vector<std::uint8_t>& cover)
{
    const mp4::ItemData plist{mp4::DataType::Utf8, 0, std::vector<std::uint8_t>(3000, 'p')};  // the size of a cast list
    const mp4::ItemData rating{mp4::DataType::Utf8, 0, {'m', 'p', 'a', 'a', '|', 'R', '|', '4', '0', '0', '|'}};
    std::vector<mp4::Chapter> chapters;
    const std::uint64_t movieMs = movie->duration() * 1000 / std::max<std::uint32_t>(movie->timeScale(), 1);
    for (int i = 0; i < 24; ++i) {
        chapters.push_back({movieMs / 24, "Chapter " + std::to_string(i + 1)});
    }
    if (!check(movie->removeAllItems(), "removing the items") || !check(movie->setTags(recordTags(cover)), "tags") ||
        !check(movie->addItem({"cnID", {}, {}, {{mp4::DataType::Integer, 0, mp4::bigEndianBytes(123456, 4)}}}),
               "cnID") ||
        !check(movie->addItem(mp4::Item::freeform("com.apple.iTunes", "iTunMOVI", {plist})), "iTunMOVI") ||
        !check(movie->addItem(mp4::Item::freeform("com.apple.iTunes", "iTunEXTC", {rating})), "iTunEXTC") ||
        !check(movie->deleteChapters(mp4::ChapterType::Any), "deleting the chapters")) {
        return false;
    }
    auto chapterTrack = movie->setChapters(chapters);
    return check(chapterTrack, "chapters") &&
           check(movie->setTrackLanguage(*chapterTrack, "deu"), "chapter language") && writeSubtitle(*movie);
}

// Off only to measure what it costs: a save is checked against the file as the record read it,
// and reads the file back after the commit.
bool g_asRead = true;

// The file as the application's load left it with the record: read as a load reads it.
std::optional<mp4::FileStamp> asLoaded(const fs::path& file)
{
    if (!g_asRead) {
        return std::nullopt;
    }
    auto movie = mp4::MovieFile::openForRead(file);
    if (!check(movie, "reading")) {
        return std::nullopt;
    }
    (void)movie->tags(mp4::ArtworkBytes::LeftInFile);
    (void)movie->chapters(mp4::ChapterType::Any);
    return movie->asRead();
}

// After the commit the application reads the file back once: where its pictures now lie, and
// what the next save checks it against.
bool readBack(const fs::path& file)
{
    if (!g_asRead) {
        return true;
    }
    auto movie = mp4::MovieFile::openForRead(file);
    if (!check(movie, "reading back")) {
        return false;
    }
    (void)movie->tags(mp4::ArtworkBytes::LeftInFile);
    return movie->asRead().content.has_value();
}

// A save of the file the record was read from, checked against it as it was read then.
bool saveRecord(const fs::path& file, const std::optional<mp4::FileStamp>& asRead,
                const std::vector<std::uint8_t>& cover)
{
    auto movie = mp4::MovieFile::openForModify(file, asRead);
    return check(movie, "opening") && editRecord(&*movie, cover) && check(movie->close(), "closing") && readBack(file);
}

struct Timing {
    double wall = -1;  // seconds; negative when the save failed
    double cpu = 0;    // seconds the process computed (user and system), without waiting for the disk
};

// In-process phases of one full save: read (open for modifying), prepare (the record's edits),
// write (close: the commit with its flushes; then the file read back). Negative read when the
// save failed.
struct Phases {
    double read = -1;
    double prepare = 0;
    double write = 0;
};

Phases timedPhases(const fs::path& file, const std::vector<std::uint8_t>& cover)
{
    const std::optional<mp4::FileStamp> asRead = asLoaded(file);
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
    g_log = {};
    Phases p;
    const auto start = benchfiles::nowNs();
    auto movie = mp4::MovieFile::openForModify(file, asRead);
    const auto opened = benchfiles::nowNs();
    if (!check(movie, "opening") || !editRecord(&*movie, cover)) {
        return {};
    }
    const auto edited = benchfiles::nowNs();
    if (!check(movie->close(), "closing") || !readBack(file)) {
        return {};
    }
    p.read = static_cast<double>(opened - start) / 1e9;
    p.prepare = static_cast<double>(edited - opened) / 1e9;
    p.write = benchfiles::seconds(edited);
    return p;
}

Timing timedSave(const fs::path& file, const std::vector<std::uint8_t>& cover)
{
    const std::optional<mp4::FileStamp> asRead = asLoaded(file);
    // Whatever the run before left for the disk (freed blocks, write-back) settles first.
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
    g_log = {};
    const auto start = benchfiles::nowNs();
    const auto cpuStart = benchfiles::cpuNs();
    const bool ok = saveRecord(file, asRead, cover);
    const Timing t{benchfiles::seconds(start), static_cast<double>(benchfiles::cpuNs() - cpuStart) / 1e9};
    return ok ? t : Timing{};
}

// Puts back the bytes the last save changed, so that the next save meets the fresh file.
bool restore(const fs::path& work, const fs::path& source)
{
    const std::uint64_t size = fs::file_size(source);
    fs::resize_file(work, size);
    if (g_log.lowest < size) {
        std::vector<char> bytes(static_cast<std::size_t>(size - g_log.lowest));
        std::ifstream in(source, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(g_log.lowest));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::fstream out(work, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(static_cast<std::streamoff>(g_log.lowest));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!in || !out) {
            return false;
        }
    }
    return benchfiles::flushFile(work);
}

struct Figures {
    std::string label;
    std::uint64_t size = 0;
    Spread firstSave;
    Spread firstCpu;
    std::uint64_t firstWritten = 0;
    Spread again;
    Spread againCpu;
    std::uint64_t againWritten = 0;
    Spread remux;
    Spread remuxFlush;
    std::uint64_t remuxWritten = 0;
    bool ok = false;
};

bool copyForWork(const fs::path& source, const fs::path& work)
{
    fs::remove(work);
    return benchfiles::run("cp --sparse=always --reflink=auto " + benchfiles::quoted(source) + " " +
                           benchfiles::quoted(work)) &&
           benchfiles::flushFile(work);
}

std::string ms(const Spread& s);

struct PhaseFigures {
    std::string label;
    std::uint64_t moovBytes = 0;
    Spread read, prepare, write, total;
    bool ok = false;
};

// Saves into the fresh file, each run on the file as it was made.
PhaseFigures measurePhases(const std::string& label, const fs::path& source, const fs::path& work,
                           const std::vector<std::uint8_t>& cover)
{
    std::fprintf(stderr, "mp4_save: measuring the phases of %s ...\n", label.c_str());
    PhaseFigures f;
    f.label = label;
    f.moovBytes = benchfiles::moovBytes(source);
    std::vector<double> read, prepare, write, total;
    if (!copyForWork(source, work)) {
        return f;
    }
    for (int i = 0; i < kSaveRuns; ++i) {
        const Phases p = timedPhases(work, cover);
        if (p.read < 0 || !restore(work, source)) {
            return f;
        }
        read.push_back(p.read);
        prepare.push_back(p.prepare);
        write.push_back(p.write);
        total.push_back(p.read + p.prepare + p.write);
    }
    fs::remove(work);
    f.read = benchfiles::spreadOf(read);
    f.prepare = benchfiles::spreadOf(prepare);
    f.write = benchfiles::spreadOf(write);
    f.total = benchfiles::spreadOf(total);
    f.ok = true;
    return f;
}

// What a check costs: full saves of one movie with it (`turn(true)`) and without, taken in
// turns so that whatever else the machine does falls on both alike; each into the fresh file,
// or (`saved`) into the file as one save left it.
struct CheckCost {
    Spread on, off;
    bool ok = false;
};

CheckCost measureCheckCost(const char* what, const fs::path& source, const fs::path& work,
                           const std::vector<std::uint8_t>& cover, const std::function<void(bool)>& turn, bool saved)
{
    std::fprintf(stderr, "mp4_save: measuring %s ...\n", what);
    CheckCost cost;
    std::vector<double> on, off;
    const fs::path savedSource = work.string() + ".saved.mp4";
    const fs::path& fresh = saved ? savedSource : source;
    bool ok = !saved || (copyForWork(source, savedSource) && timedSave(savedSource, cover).wall >= 0);
    ok = ok && copyForWork(fresh, work);
    for (int i = 0; ok && i < kCheckRuns; ++i) {
        for (const bool check : {true, false}) {
            turn(check);
            const Phases p = timedPhases(work, cover);
            ok = p.read >= 0 && restore(work, fresh);
            if (!ok) {
                break;
            }
            (check ? on : off).push_back(p.read + p.prepare + p.write);
        }
    }
    turn(true);
    fs::remove(work);
    fs::remove(savedSource);
    cost.on = benchfiles::spreadOf(on);
    cost.off = benchfiles::spreadOf(off);
    cost.ok = ok;
    return cost;
}

void print(const PhaseFigures& f)
{
    std::printf("\n%s, moov %.2f MiB%s\n", f.label.c_str(), static_cast<double>(f.moovBytes) / 1048576.0,
                f.ok ? "" : "  -- FAILED, figures incomplete");
    std::printf("  read (open for modifying)     %s\n", ms(f.read).c_str());
    std::printf("  prepare (the record's edits)  %s\n", ms(f.prepare).c_str());
    std::printf("  write (commit, read back)     %s\n", ms(f.write).c_str());
    std::printf("  full save                     %s\n", ms(f.total).c_str());
}

bool measureSaves(Figures& f, const fs::path& source, const fs::path& work, const std::vector<std::uint8_t>& cover)
{
    if (!copyForWork(source, work)) {
        return false;
    }
    std::vector<double> first;
    std::vector<double> firstCpu;
    for (int i = 0; i < kSaveRuns; ++i) {
        const Timing t = timedSave(work, cover);
        if (t.wall < 0) {
            return false;
        }
        first.push_back(t.wall);
        firstCpu.push_back(t.cpu);
        f.firstWritten = g_log.bytes;
        if (!restore(work, source)) {
            return false;
        }
    }
    f.firstSave = benchfiles::spreadOf(first);
    f.firstCpu = benchfiles::spreadOf(firstCpu);
    std::vector<double> again;
    std::vector<double> againCpu;
    for (int i = 0; i <= kSaveRuns; ++i) {
        const Timing t = timedSave(work, cover);
        if (t.wall < 0) {
            return false;
        }
        if (i > 0) {  // the first one only makes the file a saved one
            again.push_back(t.wall);
            againCpu.push_back(t.cpu);
        }
        f.againWritten = g_log.bytes;
    }
    f.again = benchfiles::spreadOf(again);
    f.againCpu = benchfiles::spreadOf(againCpu);
    fs::remove(work);
    return true;
}

bool measureRemux(Figures& f, const fs::path& source, const fs::path& out)
{
    std::vector<double> remux;
    std::vector<double> flush;
    for (int i = 0; i < kRemuxRuns; ++i) {
        fs::remove(out);
        const auto start = benchfiles::nowNs();
        if (!benchfiles::run("ffmpeg -hide_banner -loglevel error -y -i " + benchfiles::quoted(source) +
                             " -map 0 -c copy " + benchfiles::quoted(out))) {
            return false;
        }
        remux.push_back(benchfiles::seconds(start));
        const auto flushStart = benchfiles::nowNs();
        benchfiles::flushFile(out);
        flush.push_back(benchfiles::seconds(flushStart));
        f.remuxWritten = fs::file_size(out);
        fs::remove(out);
    }
    f.remux = benchfiles::spreadOf(remux);
    f.remuxFlush = benchfiles::spreadOf(flush);
    return true;
}

Figures measure(const std::string& label, const fs::path& source, const fs::path& workDir,
                const std::vector<std::uint8_t>& cover)
{
    std::fprintf(stderr, "mp4_save: measuring %s ...\n", label.c_str());
    Figures f;
    f.label = label;
    f.size = fs::file_size(source);
    f.ok = measureSaves(f, source, workDir / "work.mp4", cover) && measureRemux(f, source, workDir / "remux.mp4");
    return f;
}

std::string ms(const Spread& s)
{
    char line[96];
    std::snprintf(line, sizeof line, "%8.1f ms  [%.1f - %.1f]", s.median * 1000, s.min * 1000, s.max * 1000);
    return line;
}

std::string secs(const Spread& s)
{
    char line[96];
    std::snprintf(line, sizeof line, "%8.2f s   [%.2f - %.2f]", s.median, s.min, s.max);
    return line;
}

void print(const Figures& f)
{
    std::printf("\n%s: %.1f MiB%s\n", f.label.c_str(), static_cast<double>(f.size) / 1048576.0,
                f.ok ? "" : "  -- FAILED, figures incomplete");
    std::printf("  save into the fresh file      %s   processor %5.1f ms   %9llu bytes written\n",
                ms(f.firstSave).c_str(), f.firstCpu.median * 1000, static_cast<unsigned long long>(f.firstWritten));
    std::printf("  save into a saved file        %s   processor %5.1f ms   %9llu bytes written\n", ms(f.again).c_str(),
                f.againCpu.median * 1000, static_cast<unsigned long long>(f.againWritten));
    std::printf("  ffmpeg -map 0 -c copy         %s   %9llu bytes written, then %.2f s to flush them\n",
                secs(f.remux).c_str(), static_cast<unsigned long long>(f.remuxWritten), f.remuxFlush.median);
    std::printf("  remux / save (medians)        %8.0fx\n", f.remux.median / f.firstSave.median);
}

double ratio(const Spread& a, const Spread& b)
{
    return a.median / b.median;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* folderArgument = nullptr;
    bool lengthOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--length") {
            lengthOnly = true;
        } else {
            folderArgument = argv[i];
        }
    }
    const fs::path folder = benchfiles::benchFolder(folderArgument);
    const fs::path shortSmall = folder / "40mib-20s.mp4";
    const fs::path shortSparse = folder / "4gib-sparse-20s.mp4";
    const fs::path clip = folder / "clip-low-rate-20s.mp4";
    const fs::path longSmall = folder / "40mib-39min.mp4";
    const fs::path longLarge = folder / "4gib-39min.mp4";
    const fs::path coverFile = folder / "cover.jpg";
    std::fprintf(stderr, "mp4_save: bench folder %s (movies are made once and kept there)\n", folder.c_str());
    auto loop = [](const fs::path& source) {
        return [source](const fs::path& out) { return benchfiles::makeLooped(source, out, kLoops); };
    };
    const auto lengths = benchfiles::lengthPair(folder);
    bool made = !lengths.longMovie.empty() && benchfiles::cached(coverFile, [](const fs::path& out) {
        return benchfiles::run(
            "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=600x900:duration=1 -frames:v 1 " +
            benchfiles::quoted(out));
    });
    if (!lengthOnly) {
        made = made &&
               benchfiles::cached(shortSmall, [](const fs::path& out) { return benchfiles::makeMovie(out, 48); }) &&
               benchfiles::cached(shortSparse,
                                  [&](const fs::path& out) { return benchfiles::makeSparseLarge(shortSmall, out); }) &&
               benchfiles::cached(clip, [](const fs::path& out) { return benchfiles::makeMovie(out, 20, 115, 24); }) &&
               benchfiles::cached(longSmall, loop(clip)) && benchfiles::cached(longLarge, loop(shortSmall));
    }
    if (!made) {
        std::fprintf(stderr, "mp4_save: cannot make the benchmark files in %s\n", folder.c_str());
        return 1;
    }
    for (const fs::path& f : {lengths.shortMovie, lengths.longMovie, shortSmall, shortSparse, longSmall, longLarge}) {
        benchfiles::flushFile(f);  // a freshly made movie must not be flushed by the first save
    }
    std::ifstream in(coverFile, std::ios::binary);
    const std::vector<std::uint8_t> cover((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    mp4::FileHandle::setWriteHook([](std::uint64_t offset, std::size_t length) {
        g_log.bytes += length;
        g_log.lowest = std::min(g_log.lowest, offset);  // a resize reports its new size as the offset
        return length;
    });

    benchfiles::TempDir work(folder);
    const PhaseFigures shortPhases = measurePhases("138 s", lengths.shortMovie, work.path("work.mp4"), cover);
    const PhaseFigures longPhases = measurePhases("2.5 h", lengths.longMovie, work.path("work.mp4"), cover);
    std::printf("mp4_save: in-process phases of a full save into the fresh file, medians of %d, [min - max]\n",
                kSaveRuns);
    print(shortPhases);
    print(longPhases);
    std::printf(
        "\n2.5 h movie: read %.1f ms (goal: at most 4), full save %.1f ms (goal: at most 25); "
        "full save 2.5 h / 138 s %.2f%s\n",
        longPhases.read.median * 1000, longPhases.total.median * 1000, ratio(longPhases.total, shortPhases.total),
        benchfiles::missedUnless(shortPhases.ok && longPhases.ok));
    const CheckCost check = measureCheckCost("the copy check", lengths.longMovie, work.path("work.mp4"), cover,
                                             mp4::CopyCheck::setFingerprintsForBenchmark, false);
    std::printf("2.5 h movie, full save with the copy check %s, without %s: %.2fx (goal: at most 1.2)%s\n",
                ms(check.on).c_str(), ms(check.off).c_str(), ratio(check.on, check.off),
                benchfiles::missedUnless(check.ok));
    const CheckCost asRead = measureCheckCost(
        "the check against the file as read", lengths.longMovie, work.path("work.mp4"), cover,
        [](bool on) { g_asRead = on; }, true);
    std::printf(
        "2.5 h movie, full save into a saved file (24 chapters) checked against the file as read and read back "
        "%s, without %s: %.2fx (goal: at most 1.1)%s\n",
        ms(asRead.on).c_str(), ms(asRead.off).c_str(), ratio(asRead.on, asRead.off),
        benchfiles::missedUnless(asRead.ok));
    if (lengthOnly) {
        return shortPhases.ok && longPhases.ok && check.ok && asRead.ok ? 0 : 1;
    }
    const Figures a = measure("40 MiB, 20 s", shortSmall, work.path(""), cover);
    const Figures b =
        measure("4 GiB sparse, 20 s (the 40 MiB movie behind a 4 GiB empty mdat)", shortSparse, work.path(""), cover);
    const Figures c = measure("40 MiB, 39 min (real media, low rate)", longSmall, work.path(""), cover);
    const Figures d = measure("4.3 GiB, 39 min (real media)", longLarge, work.path(""), cover);
    std::printf(
        "mp4_save: a full record: 13 tags, a cover of %zu bytes, cnID, iTunMOVI, iTunEXTC, 24 chapters, "
        "a subtitle track of %d captions\n",
        cover.size(), kCaptions);
    std::printf("mp4_save: medians of %d saves and %d remuxes, [min - max]; files in the page cache\n", kSaveRuns,
                kRemuxRuns);
    for (const Figures* f : {&a, &b, &c, &d}) {
        print(*f);
    }
    std::printf("\nsave time 4 GiB / 40 MiB, same length (medians; goal: at most 1.5):\n");
    std::printf("  39 min, real media:  fresh file %.2f, saved file %.2f%s\n", ratio(d.firstSave, c.firstSave),
                ratio(d.again, c.again), benchfiles::missedUnless(c.ok && d.ok));
    std::printf("  20 s, sparse:        fresh file %.2f, saved file %.2f%s\n", ratio(b.firstSave, a.firstSave),
                ratio(b.again, a.again), benchfiles::missedUnless(a.ok && b.ok));
    std::printf(
        "save time 39 min / 20 s, both 40 MiB (the moov grows with the length): fresh file %.2f, saved "
        "file %.2f\n",
        ratio(c.firstSave, a.firstSave), ratio(c.again, a.again));
    std::printf("remux / save on the 4.3 GiB movie: %.0fx   (goal: at least 100x)%s\n", ratio(d.remux, d.firstSave),
                benchfiles::missedUnless(d.ok));
    return a.ok && b.ok && c.ok && d.ok && shortPhases.ok && longPhases.ok ? 0 : 1;
}
