#pragma once

// Files for the MPEG-4 benchmarks: made by ffmpeg in a temporary folder.

#include <cstdint>
#include <filesystem>
#include <string>

namespace benchfiles {

// A temporary folder removed when it goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }

private:
    std::filesystem::path m_dir;
};

bool run(const std::string& command);
// About `megabytes` MiB of H.264 + AAC, moov at the end, with a title and two chapters.
bool makeMovie(const std::filesystem::path& out, int megabytes);
// A copy of `source` grown past 4 GiB by a sparse empty `mdat` in front of its `moov`.
bool makeSparseLarge(const std::filesystem::path& source, const std::filesystem::path& out);
double seconds(std::uint64_t startNs);
std::uint64_t nowNs();
long peakRssKiB();

}  // namespace benchfiles
