// Time and bytes written to save a full record (tags, cover, chapters, a 1,500-caption
// subtitle track) into a 40 MiB movie and into the same movie grown past 4 GiB (sparse),
// next to remuxing each file with `ffmpeg -c copy`.
#include "mp4/filehandle.h"
#include "mp4/moviefile.h"
#include "mp4_benchfiles.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::uint64_t g_written = 0;

bool saveRecord(const std::filesystem::path& file, const std::vector<std::uint8_t>& cover)
{
    auto movie = mp4::MovieFile::openForModify(file);
    if (!movie) {
        std::fprintf(stderr, "cannot modify %s: %s\n", file.c_str(), movie.error().message.c_str());
        return false;
    }
    (void)movie->removeAllItems();
    mp4::Tags tags;
    tags.name = "Benchmark Movie";
    tags.sortName = "Benchmark Movie";
    tags.artist = "Director";
    tags.albumArtist = "Actor One, Actor Two";
    tags.genre = "Drama";
    tags.releaseDate = "2012-1-1T12:00:00Z";
    tags.description = "Short description";
    tags.longDescription = std::string(2000, 'x');
    tags.mediaType = 9;
    tags.hdVideo = 1;
    tags.contentID = 123456;
    tags.artwork.push_back({cover, mp4::ArtworkType::Jpeg});
    (void)movie->setTags(tags);
    (void)movie->addItem(mp4::Item::freeform("com.apple.iTunes", "iTunEXTC", {{1, 0, {'m', 'p', 'a', 'a'}}}));
    (void)movie->deleteChapters(mp4::ChapterType::Any);
    std::vector<mp4::Chapter> chapters;
    for (int i = 0; i < 20; ++i) {
        chapters.push_back({1000, "Chapter " + std::to_string(i + 1)});
    }
    (void)movie->setChapters(chapters);
    auto id = movie->addSubtitleTrack(1000, 1280, 108);
    if (!id) {
        return false;
    }
    (void)movie->setTrackLanguage(*id, "deu");
    (void)movie->setTrackDurationPerChunk(*id, 125);
    const std::string text = "A caption of ordinary length, with two lines\nof text";
    std::vector<std::uint8_t> caption{0, static_cast<std::uint8_t>(text.size())};
    caption.insert(caption.end(), text.begin(), text.end());
    const std::vector<std::uint8_t> gap{0, 0};
    for (int i = 0; i < 1500; ++i) {
        (void)movie->writeSample(*id, gap, 5);
        (void)movie->writeSample(*id, caption, 8);
    }
    return movie->close().has_value();
}

void measure(const char* label, const std::filesystem::path& source, const benchfiles::TempDir& dir,
             const std::vector<std::uint8_t>& cover)
{
    const auto target = dir.path("target.mp4");
    std::filesystem::remove(target);
    benchfiles::run("cp --sparse=always '" + source.string() + "' '" + target.string() + "'");
    g_written = 0;
    const auto start = benchfiles::nowNs();
    const bool ok = saveRecord(target, cover);
    const double save = benchfiles::seconds(start);
    const auto remuxed = dir.path("remux.mp4");
    const auto remuxStart = benchfiles::nowNs();
    benchfiles::run("ffmpeg -hide_banner -loglevel error -y -i '" + source.string() + "' -map 0 -c copy '" +
                    remuxed.string() + "'");
    const double remux = benchfiles::seconds(remuxStart);
    const auto remuxBytes = std::filesystem::exists(remuxed) ? std::filesystem::file_size(remuxed) : 0;
    std::filesystem::remove(remuxed);
    std::printf("mp4_save: %s (%.2f GiB): save %s in %.3f ms, %llu bytes written; ffmpeg -c copy %.3f s, %llu bytes; "
                "remux/save %.0fx\n",
                label, static_cast<double>(std::filesystem::file_size(source)) / 1073741824.0, ok ? "ok" : "FAILED",
                save * 1000, static_cast<unsigned long long>(g_written), remux,
                static_cast<unsigned long long>(remuxBytes), remux / save);
}

}  // namespace

int main()
{
    benchfiles::TempDir dir;
    const auto small = dir.path("40mib.mp4");
    const auto large = dir.path("4gib.mp4");
    const auto coverFile = dir.path("cover.jpg");
    if (!benchfiles::makeMovie(small, 48) || !benchfiles::makeSparseLarge(small, large) ||
        !benchfiles::run("ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=600x900:duration=1 "
                         "-frames:v 1 '" + coverFile.string() + "'")) {
        std::fprintf(stderr, "cannot make the benchmark files\n");
        return 1;
    }
    std::ifstream in(coverFile, std::ios::binary);
    const std::vector<std::uint8_t> cover((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    mp4::FileHandle::setWriteHook([](std::uint64_t, std::size_t length) {
        g_written += length;
        return length;
    });
    measure("40 MiB file", small, dir, cover);
    measure("4 GiB sparse file", large, dir, cover);
    return 0;
}
