#pragma once

#include "mp4/chapter.h"
#include "mp4/error.h"
#include "mp4/filestamp.h"
#include "mp4/fourcc.h"
#include "mp4/item.h"
#include "mp4/tags.h"
#include "mp4/trackinfo.h"
#include "mp4/tx3gdescription.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mp4 {

// An MPEG-4 / QuickTime movie file opened for reading or for modification.
//
// Opening reads the top-level box headers and the first `moov` box only, never the media
// data. A file opened for modification is edited in memory; close() commits the edits:
// media data is never moved, new samples go into a new `mdat` at the end of the file, and
// the new `moov` is written where the live one is not, flushed, and only then made live,
// so the file always holds one complete `moov` (old or new).
//
// Every operation returns a value or an Error; nothing throws. Track ids are never 0, so
// 0 stands for "no track" where a plain id is returned. Destroying an open file without
// close() releases it and drops uncommitted edits.
class MovieFile {
public:
    static Result<MovieFile> openForRead(const std::filesystem::path& path);
    // Refuses (and leaves untouched) fragmented files, files it cannot parse, damaged or cut
    // short, files whose samples live in other files, and files that cannot be written. With
    // `asRead` (the file when it was read, see asRead()), a file that another program changed
    // since is refused as well (Error::Code::Changed), by its length and time or, where the
    // stamp holds a print, by the print taken again through the handle the save writes with;
    // close() then writes over nothing of it.
    static Result<MovieFile> openForModify(const std::filesystem::path& path,
                                           std::optional<FileStamp> asRead = std::nullopt);

    MovieFile(MovieFile&&) noexcept;
    MovieFile& operator=(MovieFile&&) noexcept;
    MovieFile(const MovieFile&) = delete;
    MovieFile& operator=(const MovieFile&) = delete;
    ~MovieFile();

    // Commits the edits of a file opened for modification (nothing is written when there
    // are none) and releases the file. Later calls answer Error::Code::Closed.
    Result<void> close();

    // The file as this handle found it: its length and time at opening, and a print of what a
    // save rebuilds from a record read from it, with the places of the bytes it left in the
    // file: the item list (its pictures by where they lie), the Nero chapter list and the
    // QuickTime chapter track with its samples. Reads those samples unless chapters() has. For a
    // file opened for reading: edits would show in the print.
    FileStamp asRead() const;

    bool isOpen() const;
    bool isModifiable() const;
    const std::filesystem::path& path() const;

    // ---- movie ----
    std::uint32_t timeScale() const;  // mvhd
    std::uint64_t duration() const;   // mvhd, in timeScale() units

    // ---- tracks (in `moov` order) ----
    std::size_t trackCount() const;
    std::uint32_t trackId(std::size_t index) const;  // 0 when out of range
    std::optional<TrackInfo> track(std::uint32_t trackId) const;
    std::vector<TrackInfo> tracks() const;
    // Convenience look-ups; an unknown track gives an empty / zero value.
    FourCC trackType(std::uint32_t trackId) const;
    std::string trackLanguage(std::uint32_t trackId) const;
    std::uint32_t trackTimeScale(std::uint32_t trackId) const;
    std::uint16_t trackVideoWidth(std::uint32_t trackId) const;
    std::uint16_t trackVideoHeight(std::uint32_t trackId) const;
    std::optional<Tx3gDescription> tx3gDescription(std::uint32_t trackId) const;

    // ---- iTunes tags and generic items (`moov/udta/meta/ilst` with handler "mdir") ----
    // With ArtworkBytes::LeftInFile the pictures' bytes are not read, only where they lie
    // (Artwork::inFile); setTags of this file takes such pictures back from there.
    Tags tags(ArtworkBytes artwork = ArtworkBytes::Read) const;
    // Refuses (InvalidArgument, nothing changed) a picture with a place where this file,
    // as it was opened, holds none.
    Result<void> setTags(const Tags& tags);

    // Values come whole: pictures left in the file are read.
    std::vector<Item> items() const;
    std::vector<Item> itemsByCode(FourCC code) const;
    // An empty name matches every freeform item with that mean.
    std::vector<Item> itemsByMeaning(const std::string& mean, const std::string& name) const;
    // Appends the item at the end of the list (creating udta/meta/ilst when missing).
    Result<void> addItem(const Item& item);
    // Each returns how many items it removed.
    Result<std::size_t> removeItems(FourCC code);
    Result<std::size_t> removeItemsByMeaning(const std::string& mean, const std::string& name);
    Result<std::size_t> removeAllItems();

    // ---- chapters ----
    // QuickTime chapters come from the first text track referenced by a `tref/chap`
    // (video or audio tracks first); Nero chapters from `moov/udta/chpl`, each lasting up to
    // the next start (the last one to the end of the movie, the first from the movie's start).
    // Durations in milliseconds; a list's chapters follow each other from the movie's start.
    Result<std::vector<Chapter>> chapters(ChapterType type = ChapterType::QuickTime) const;
    // Removes chapters of that kind: chapter tracks with every `chap` reference to them,
    // and/or `chpl`. Sample bytes stay in the file as dead space.
    Result<void> deleteChapters(ChapterType type = ChapterType::Any);
    // Replaces the QuickTime chapters by a new disabled text track (time scale 1000, one
    // sample per chapter, titles cut to 1023 bytes on a character boundary) referenced from
    // the first enabled video track, else the first enabled audio track, else the first
    // video or audio track. No such track: InvalidArgument.
    // Returns the id of the chapter track (0 for an empty list, which only deletes).
    Result<std::uint32_t> setChapters(const std::vector<Chapter>& chapters);

    // ---- track editing ----
    // A new subtitle track: handler "sbtl", `nmhd`, one `tx3g` description (font 1 "Arial",
    // other fields 0 until set), language "und", flags Enabled, alternate group 0, identity
    // matrix, tkhd width and height as given. Returns its id.
    Result<std::uint32_t> addSubtitleTrack(std::uint32_t timeScale, std::uint16_t width, std::uint16_t height);
    // Appends one sample (sync, no composition offset) to a track added since opening.
    Result<void> writeSample(std::uint32_t trackId, std::span<const std::uint8_t> bytes, std::uint64_t duration);
    // A chunk is closed once the durations of its samples reach this (default: one second
    // of the track's time scale). Only for tracks added since opening.
    Result<void> setTrackDurationPerChunk(std::uint32_t trackId, std::uint64_t duration);
    // Removes the track and every reference to it from the other tracks' `tref`.
    Result<void> deleteTrack(std::uint32_t trackId);
    // Three lower-case letters (ISO 639-2/T such as "deu", or "und").
    Result<void> setTrackLanguage(std::uint32_t trackId, const std::string& language);
    Result<void> setTrackFlags(std::uint32_t trackId, std::uint32_t flags);
    Result<void> setTrackAlternateGroup(std::uint32_t trackId, std::uint16_t group);
    Result<void> setTrackMatrix(std::uint32_t trackId, const Matrix& matrix);
    Result<void> setTx3gDescription(std::uint32_t trackId, const Tx3gDescription& description);

    class Impl;

private:
    explicit MovieFile(std::unique_ptr<Impl> impl);
    static Result<MovieFile> open(const std::filesystem::path& path, bool forModify,
                                  std::optional<FileStamp> asRead = std::nullopt);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace mp4
