#include "mp4/filehandle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace mp4 {

namespace {

FileHandle::WriteHook& writeHook()
{
    static FileHandle::WriteHook hook;
    return hook;
}

std::unexpected<Error> ioError(const char* what)
{
    return fail(Error::Code::Io, std::string(what) + ": " + std::strerror(errno));
}

FileHandle::Stamp stampOf(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec, std::nullopt};
}

// Writes all of `vectors` from `offset` on and empties them; a short write continues where it
// stopped.
Result<void> writeVectors(int fd, std::uint64_t offset, std::vector<iovec>& vectors)
{
    std::size_t first = 0;  // the vector the next write starts in
    while (first < vectors.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(vectors.size() - first, IOV_MAX));
        const ssize_t n = ::pwritev(fd, vectors.data() + first, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? ioError("write failed") : fail(Error::Code::Io, "write failed: nothing written");
        }
        offset += static_cast<std::uint64_t>(n);
        // Skip what went out; a vector written in part continues where it stopped.
        auto skip = static_cast<std::size_t>(n);
        while (skip > 0 && first < vectors.size()) {
            if (skip >= vectors[first].iov_len) {
                skip -= vectors[first].iov_len;
                ++first;
            } else {
                vectors[first].iov_base = static_cast<std::uint8_t*>(vectors[first].iov_base) + skip;
                vectors[first].iov_len -= skip;
                skip = 0;
            }
        }
    }
    vectors.clear();
    return {};
}

}  // namespace

// Sends what a long write has put into the file on to the disk a megabyte at a time, while
// the rest is still being written: a flush follows such writes, and it then waits for less.
struct FileHandle::Writeback {
    int fd;
    std::uint64_t unsent;  // first byte written but not sent yet

    void wrote(std::uint64_t end)
    {
        if (end - unsent >= kStep) {
            (void)::sync_file_range(fd, static_cast<off_t>(unsent), static_cast<off_t>(end - unsent),
                                    SYNC_FILE_RANGE_WRITE);
            unsent = end;
        }
    }
};

void FileHandle::setWriteHook(WriteHook hook)
{
    writeHook() = std::move(hook);
}

Result<FileHandle> FileHandle::open(const std::filesystem::path& path, bool writable)
{
    // Non-blocking so that a named pipe or a device cannot hold the open up; only regular
    // files pass the check below, and for them the flag is cleared again.
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return fail(Error::Code::NotFound, "no such file");
        }
        if (writable && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            return fail(Error::Code::ReadOnly, "file is not writable");
        }
        if (errno == ENXIO || errno == ENODEV || errno == EISDIR) {  // sockets, devices, folders
            return fail(Error::Code::InvalidArgument, "not a regular file");
        }
        return ioError("cannot open file");
    }
    FileHandle handle(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail(Error::Code::InvalidArgument, "not a regular file");
    }
    handle.m_openedAs = stampOf(st);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return ioError("cannot open file");
    }
    return handle;
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd), m_openedAs(other.m_openedAs)
{
    other.m_fd = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_openedAs = other.m_openedAs;
        other.m_fd = -1;
    }
    return *this;
}

FileHandle::~FileHandle()
{
    close();
}

void FileHandle::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

Result<std::uint64_t> FileHandle::size() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return ioError("cannot get file size");
    }
    return static_cast<std::uint64_t>(st.st_size);
}

Result<FileHandle::Stamp> FileHandle::stamp() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return ioError("cannot get file status");
    }
    return stampOf(st);
}

Result<void> FileHandle::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ioError("read failed");
        }
        if (n == 0) {
            return fail(Error::Code::Corrupt, "unexpected end of file");
        }
        done += static_cast<std::size_t>(n);
    }
    return {};
}

FileHandle::Piece FileHandle::Piece::subpiece(std::uint64_t from, std::uint64_t length) const
{
    if (bytes.empty()) {
        return copyOf(copyFrom + from, length);
    }
    return {bytes.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(length))};
}

Result<void> FileHandle::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data)
{
    const Piece one[] = {{data}};
    return writeAt(offset, one);
}

Result<void> FileHandle::writeAt(std::uint64_t offset, std::span<const Piece> pieces, const CopyTap& tap)
{
    std::uint64_t total = 0;
    for (const Piece& p : pieces) {
        total += p.size();
    }
    // A copy whose source this very write overwrites would copy what it wrote itself.
    for (const Piece& p : pieces) {
        if (p.bytes.empty() && p.copyLength != 0 && p.copyFrom < offset + total && offset < p.copyFrom + p.copyLength) {
            return fail(Error::Code::InvalidArgument, "write would overwrite what it copies");
        }
    }
    std::uint64_t allowed = total;
    if (writeHook()) {
        allowed = std::min<std::uint64_t>(writeHook()(offset, static_cast<std::size_t>(total)), total);
    }
    // Runs of bytes in memory go out in one vectored write each, ranges of the file in between.
    Writeback writeback{m_fd, offset};
    std::vector<iovec> run;
    std::uint64_t runStart = offset;
    std::uint64_t at = offset;
    std::uint64_t left = allowed;
    for (const Piece& p : pieces) {
        if (left == 0) {
            break;
        }
        const std::uint64_t n = std::min(left, p.size());
        if (p.bytes.empty()) {
            if (auto r = writeVectors(m_fd, runStart, run); !r) {
                return r;
            }
            if (auto r = copyWithin(p.copyFrom, at, n, writeback, tap); !r) {
                return r;
            }
        } else {
            if (run.empty()) {
                runStart = at;
            }
            run.push_back({const_cast<std::uint8_t*>(p.bytes.data()), static_cast<std::size_t>(n)});
        }
        at += n;
        left -= n;
    }
    if (auto r = writeVectors(m_fd, runStart, run); !r) {
        return r;
    }
    if (allowed < total) {
        return fail(Error::Code::Io, "write failed: cut short");
    }
    return {};
}

Result<void> FileHandle::copyWithin(std::uint64_t from, std::uint64_t to, std::uint64_t length, Writeback& writeback,
                                    const CopyTap& tap)
{
    // Read through a buffer, not a mapping: should another program cut the file, a read past
    // its end is an error here, where a mapping would read zeros or end the process.
    // Not zero-filled: every byte of it is read into before it is used.
    const auto buffer =
        std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(std::min(length, kStep)));
    for (std::uint64_t done = 0; done < length;) {
        const auto n = static_cast<std::size_t>(std::min(length - done, kStep));
        const std::span<std::uint8_t> step(buffer.get(), n);
        if (auto r = readAt(from + done, step); !r) {
            return r;
        }
        if (tap) {
            tap(step);
        }
        std::vector<iovec> one{{step.data(), n}};
        if (auto r = writeVectors(m_fd, to + done, one); !r) {
            return r;
        }
        done += n;
        writeback.wrote(to + done);
    }
    return {};
}

Result<void> FileHandle::sync()
{
    // The data and what it takes to read it back (size, allocation); not the times.
    if (::fdatasync(m_fd) != 0) {
        return ioError("flush failed");
    }
    return {};
}

Result<void> FileHandle::reserve(std::uint64_t offset, std::uint64_t length)
{
    if (length == 0 ||
        ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(length)) == 0) {
        return {};
    }
    if (errno == EOPNOTSUPP || errno == ENOSYS) {
        return {};
    }
    const int error = errno;
    // Blocks it did get lie past the end: cutting the file at its own length gives them back,
    // and the file gets back the modification time the cut gave it.
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && ::ftruncate(m_fd, st.st_size) == 0) {
        (void)setModifiedTime(st.st_mtim);
    }
    errno = error;
    return ioError("no room to save");
}

Result<void> FileHandle::restoreOpenedTime()
{
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    const std::int64_t ns = m_openedAs.modifiedNs;
    const std::int64_t seconds = ns / kNsPerSecond - (ns % kNsPerSecond < 0 ? 1 : 0);
    return setModifiedTime({static_cast<time_t>(seconds), static_cast<long>(ns - seconds * kNsPerSecond)});
}

Result<void> FileHandle::setModifiedTime(const timespec& modified)
{
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    if (::futimens(m_fd, times) != 0) {
        return ioError("setting the modification time failed");
    }
    return {};
}

Result<void> FileHandle::truncate(std::uint64_t length)
{
    if (writeHook()) {
        writeHook()(length, 0);
    }
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0) {
        return ioError("resize failed");
    }
    return {};
}

}  // namespace mp4
