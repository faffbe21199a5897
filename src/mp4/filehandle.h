#pragma once

#include "mp4/error.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace mp4 {

// An open file descriptor that is closed when the handle goes away. Reads and writes are
// positional and complete (short transfers are retried), so callers see all or an error.
class FileHandle {
public:
    static Result<FileHandle> open(const std::filesystem::path& path, bool writable);

    FileHandle() = default;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    bool isOpen() const { return m_fd >= 0; }
    Result<std::uint64_t> size() const;
    Result<void> readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    Result<void> writeAt(std::uint64_t offset, std::span<const std::uint8_t> data);
    // Writes the pieces one after the other from `offset` on (one write hook call for all).
    Result<void> writeAt(std::uint64_t offset, std::span<const std::span<const std::uint8_t>> pieces);
    Result<void> sync();
    Result<void> truncate(std::uint64_t length);
    void close();

    // Test hook: called before every write and resize with its offset and length (a resize
    // reports length 0 and the new size as offset). For a write it answers how many bytes
    // to let through; fewer than asked writes that prefix and fails the write. A crash test
    // installs one that ends the process or cuts a write short part-way through a commit.
    using WriteHook = std::function<std::size_t(std::uint64_t offset, std::size_t length)>;
    static void setWriteHook(WriteHook hook);

private:
    explicit FileHandle(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

}  // namespace mp4
