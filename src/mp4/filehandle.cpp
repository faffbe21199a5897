#include "mp4/filehandle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

}  // namespace

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
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return ioError("cannot open file");
    }
    return handle;
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
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

Result<void> FileHandle::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data)
{
    const std::span<const std::uint8_t> one[] = {data};
    return writeAt(offset, one);
}

Result<void> FileHandle::writeAt(std::uint64_t offset, std::span<const std::span<const std::uint8_t>> pieces)
{
    std::size_t total = 0;
    for (const auto& p : pieces) {
        total += p.size();
    }
    std::size_t allowed = total;
    if (writeHook()) {
        allowed = std::min(writeHook()(offset, total), total);
    }
    std::vector<iovec> vectors;
    vectors.reserve(pieces.size());
    std::size_t left = allowed;
    for (const auto& p : pieces) {
        if (left == 0) {
            break;
        }
        const std::size_t n = std::min(left, p.size());
        vectors.push_back({const_cast<std::uint8_t*>(p.data()), n});
        left -= n;
    }
    std::size_t done = 0;
    std::size_t first = 0;  // the vector the next write starts in
    while (done < allowed) {
        const int count = static_cast<int>(std::min<std::size_t>(vectors.size() - first, IOV_MAX));
        const ssize_t n = ::pwritev(m_fd, vectors.data() + first, count, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? ioError("write failed") : fail(Error::Code::Io, "write failed: nothing written");
        }
        done += static_cast<std::size_t>(n);
        // Skip what went out; a vector written in part continues where it stopped.
        std::size_t skip = static_cast<std::size_t>(n);
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
    if (allowed < total) {
        return fail(Error::Code::Io, "write failed: cut short");
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
