#pragma once

#include "mp4/bytes.h"
#include "mp4/error.h"
#include "mp4/filestamp.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace mp4 {

// An open file descriptor that is closed when the handle goes away. Reads and writes are
// positional and complete (short transfers are retried), so callers see all or an error.
class FileHandle {
public:
    // A piece of what a write puts into the file: bytes in memory, or (when `bytes` is empty)
    // `copyLength` bytes of this same file from `copyFrom`, copied a megabyte at a time so that
    // megabytes of unchanged sample tables are never held whole. A copied range must not
    // overlap what the write covers, and must lie in the file: one that reaches past its end
    // fails the write. Copies are meant to be flushed soon: each megabyte starts on its way
    // to the disk as soon as it is written.
    struct Piece {
        std::span<const std::uint8_t> bytes;
        std::uint64_t copyFrom = 0;
        std::uint64_t copyLength = 0;

        static Piece copyOf(std::uint64_t from, std::uint64_t length) { return {{}, from, length}; }
        std::uint64_t size() const { return bytes.empty() ? copyLength : bytes.size(); }
        Piece subpiece(std::uint64_t from, std::uint64_t length) const;
    };

    // The file's length and last change: when both are as they were at opening, no other
    // program has written to it since (what was read of it then still holds).
    using Stamp = FileStamp;

    static Result<FileHandle> open(const std::filesystem::path& path, bool writable);

    FileHandle() = default;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    bool isOpen() const { return m_fd >= 0; }
    Result<std::uint64_t> size() const;
    Result<Stamp> stamp() const;
    const Stamp& openedAs() const { return m_openedAs; }
    Result<void> readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    Result<void> writeAt(std::uint64_t offset, std::span<const std::uint8_t> data);
    // Sees, in order, the bytes a write copies within the file, as they pass.
    using CopyTap = std::function<void(std::span<const std::uint8_t> bytes)>;
    // Writes the pieces one after the other from `offset` on (one write hook call for all).
    Result<void> writeAt(std::uint64_t offset, std::span<const Piece> pieces, const CopyTap& tap = {});
    // Makes sure the file has blocks for [offset, offset + length), so that writing there cannot
    // run out of room; its length, bytes and modification time stay. Fails on a full disk,
    // leaving the file as it was. Where the file system cannot reserve, the writes will tell.
    Result<void> reserve(std::uint64_t offset, std::uint64_t length);
    // Gives the file back the modification time it had at opening: for writes that were undone
    // in full, so that the file does not look changed by another program.
    Result<void> restoreOpenedTime();
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
    // Copies go, and long writes are sent on to the disk, a megabyte at a time.
    static constexpr std::uint64_t kStep = 1ull << 20;

    explicit FileHandle(int fd) : m_fd(fd) {}
    Result<void> setModifiedTime(const timespec& modified);
    struct Writeback;
    Result<void> copyWithin(std::uint64_t from, std::uint64_t to, std::uint64_t length, Writeback& writeback,
                            const CopyTap& tap);

    int m_fd = -1;
    Stamp m_openedAs;
};

}  // namespace mp4
