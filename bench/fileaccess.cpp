#include "fileaccess.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdarg>
#include <map>
#include <mutex>

namespace {

struct FileCounts {
    std::uint64_t opens = 0;
    std::uint64_t reads = 0;
    std::uint64_t bytes = 0;
    std::uint64_t startReads = 0;
    std::uint64_t rangeBytes = 0;
};

struct Watch {
    std::mutex mutex;
    std::string folder;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::map<std::string, FileCounts> files;
    std::array<FileCounts*, 4096> byDescriptor{};  // the watched file an open descriptor reads
};

std::atomic<bool> g_watching{false};

Watch& state()
{
    static Watch watch;
    return watch;
}

template <typename Function>
Function real(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

void noteOpen(int fd, const char* path)
{
    if (!g_watching.load() || fd < 0 || !path)
        return;
    Watch& watch = state();
    const std::lock_guard lock(watch.mutex);
    if (static_cast<std::size_t>(fd) >= watch.byDescriptor.size())
        return;
    const std::string name(path);
    FileCounts* file = nullptr;
    if (name.compare(0, watch.folder.size(), watch.folder) == 0) {
        file = &watch.files[name];
        ++file->opens;
    }
    watch.byDescriptor[static_cast<std::size_t>(fd)] = file;
}

void noteRead(int fd, std::uint64_t at, ssize_t got)
{
    if (!g_watching.load() || fd < 0 || got <= 0)
        return;
    Watch& watch = state();
    const std::lock_guard lock(watch.mutex);
    if (static_cast<std::size_t>(fd) >= watch.byDescriptor.size())
        return;
    FileCounts* file = watch.byDescriptor[static_cast<std::size_t>(fd)];
    if (!file)
        return;
    const std::uint64_t end = at + static_cast<std::uint64_t>(got);
    ++file->reads;
    file->bytes += static_cast<std::uint64_t>(got);
    const std::uint64_t from = std::max(at, watch.offset);
    const std::uint64_t to = std::min(end, watch.offset + watch.length);
    if (from < to) {
        file->startReads += from == watch.offset ? 1 : 0;
        file->rangeBytes += to - from;
    }
}

bool watched(int fd)
{
    if (!g_watching.load() || fd < 0)
        return false;
    Watch& watch = state();
    const std::lock_guard lock(watch.mutex);
    return static_cast<std::size_t>(fd) < watch.byDescriptor.size() &&
           watch.byDescriptor[static_cast<std::size_t>(fd)] != nullptr;
}

mode_t modeOf(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

}  // namespace

namespace fileaccess {

void watch(const std::string& folder, std::uint64_t offset, std::uint64_t length)
{
    Watch& watch = state();
    {
        const std::lock_guard lock(watch.mutex);
        watch.folder = folder;
        watch.offset = offset;
        watch.length = length;
        watch.files.clear();
        watch.byDescriptor.fill(nullptr);
    }
    g_watching.store(true);
}

Counts counts()
{
    Watch& watch = state();
    const std::lock_guard lock(watch.mutex);
    Counts counts;
    for (const auto& [name, file] : watch.files) {
        ++counts.files;
        counts.opens += file.opens;
        counts.maxOpens = std::max(counts.maxOpens, file.opens);
        counts.reads += file.reads;
        counts.bytes += file.bytes;
        counts.startReads += file.startReads;
        counts.maxStartReads = std::max(counts.maxStartReads, file.startReads);
        counts.rangeBytes += file.rangeBytes;
    }
    return counts;
}

}  // namespace fileaccess

// The C library's calls, counted on the way through. Qt and our own code reach them here
// because the program's own definitions come first.
extern "C" {

int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    static const auto next = real<int (*)(const char*, int, ...)>("open");
    const int fd = next(path, flags, mode);
    noteOpen(fd, path);
    return fd;
}

int openat(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    static const auto next = real<int (*)(int, const char*, int, ...)>("openat");
    const int fd = next(folder, path, flags, mode);
    noteOpen(fd, path);
    return fd;
}

// The large-file names are the same calls on this system.
int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return open(path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return openat(folder, path, flags, mode);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    static const auto next = real<ssize_t (*)(int, void*, size_t)>("read");
    static const auto seek = real<off_t (*)(int, off_t, int)>("lseek");
    const off_t at = watched(fd) ? seek(fd, 0, SEEK_CUR) : 0;
    const ssize_t got = next(fd, buffer, count);
    noteRead(fd, static_cast<std::uint64_t>(std::max<off_t>(at, 0)), got);
    return got;
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    static const auto next = real<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    const ssize_t got = next(fd, buffer, count, offset);
    noteRead(fd, static_cast<std::uint64_t>(offset), got);
    return got;
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset)
{
    return pread(fd, buffer, count, offset);
}

int close(int fd)
{
    static const auto next = real<int (*)(int)>("close");
    if (g_watching.load() && fd >= 0) {
        Watch& watch = state();
        const std::lock_guard lock(watch.mutex);
        if (static_cast<std::size_t>(fd) < watch.byDescriptor.size())
            watch.byDescriptor[static_cast<std::size_t>(fd)] = nullptr;
    }
    return next(fd);
}

}  // extern "C"
