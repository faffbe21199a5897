#pragma once

// The state behind MovieFile, shared by the files that implement its parts.

#include "mp4/box.h"
#include "mp4/boxparser.h"
#include "mp4/bytes.h"
#include "mp4/chapterlist.h"
#include "mp4/error.h"
#include "mp4/filehandle.h"
#include "mp4/moviefile.h"
#include "mp4/trackbox.h"
#include "mp4/trackbuilder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

namespace mp4 {

// Where the fields of an `mvhd` body lie: version 1 widens the times and the duration.
struct MvhdLayout {
    std::size_t timeScale, duration, durationBytes, nextTrackId, bodySize;
};
inline MvhdLayout mvhdLayout(const Bytes& body)
{
    if (!body.empty() && body[0] == 1) {
        return {20, 24, 8, 108, 112};
    }
    return {12, 16, 4, 96, 100};
}

class MovieFile::Impl {
public:
    std::filesystem::path path;
    FileHandle file;
    bool writable = false;
    bool modified = false;
    TopLevelLayout layout;
    std::size_t liveMoov = 0;
    Box moov;
    std::vector<Box> retired;  // tracks of the live moov deleted since opening
    std::uint64_t openedDuration = 0;
    std::map<std::uint32_t, PendingSamples> pending;
    // The pictures that reading left in the live moov, by where their bytes start: the only
    // places a picture may be copied from, with the `data` bytes kept of each.
    struct PictureInFile {
        std::uint64_t length = 0;
        Bytes prefix;
    };
    std::map<std::uint64_t, PictureInFile> picturesInFile;
    // Samples of the file's own tracks as read (or why not): the chapters and the print of the
    // file as read take them from one read.
    mutable std::map<std::uint32_t, Result<std::vector<ChapterList::SampleData>>> samplesRead;

    Result<void> load(bool forModify, std::optional<FileStamp> asRead);
    Result<void> refuseUnsupported(bool treeDamaged) const;
    // Whether a track's chunks reach past the end of the file (a download cut short).
    bool samplesPastTheEnd() const;

    Box* mvhd()
    {
        Box* b = moov.child(FourCC("mvhd"));
        return b && b->payload.size() >= mvhdLayout(b->payload).bodySize ? b : nullptr;
    }
    const Box* mvhd() const { return const_cast<Impl*>(this)->mvhd(); }

    std::vector<Box*> traks()
    {
        std::vector<Box*> out;
        for (Box& c : moov.children) {
            if (c.type == FourCC("trak")) {
                out.push_back(&c);
            }
        }
        return out;
    }
    Box* trak(std::uint32_t id)
    {
        if (id == 0) {
            return nullptr;
        }
        for (Box* t : traks()) {
            if (TrackBox(*t).id() == id) {
                return t;
            }
        }
        return nullptr;
    }

    Result<void> editable() const
    {
        if (!file.isOpen()) {
            return fail(Error::Code::Closed, "file is closed");
        }
        if (!writable) {
            return fail(Error::Code::ReadOnly, "file was opened for reading");
        }
        return {};
    }
    Result<TrackBox> editableTrack(std::uint32_t id)
    {
        if (auto r = editable(); !r) {
            return std::unexpected(r.error());
        }
        Box* t = trak(id);
        if (!t) {
            return fail(Error::Code::InvalidArgument, "no track with id " + std::to_string(id));
        }
        return TrackBox(*t);
    }

    std::uint32_t movieTimeScale() const
    {
        const Box* b = mvhd();
        return b ? static_cast<std::uint32_t>(getBig(b->payload, mvhdLayout(b->payload).timeScale, 4)) : 0;
    }
    std::uint64_t movieDuration() const
    {
        const Box* b = mvhd();
        if (!b) {
            return 0;
        }
        const auto l = mvhdLayout(b->payload);
        return getBig(b->payload, l.duration, static_cast<int>(l.durationBytes));
    }

    Result<void> commit();
    std::uint32_t allocateTrackId();
    std::uint64_t longestFileTrack();
    void fitMovieDuration();
    Result<std::uint32_t> addTrack(const TrackBuilder::Recipe& recipe);
    Result<std::vector<ChapterList::SampleData>> samplesOf(std::uint32_t trackId) const;
    Result<std::vector<ChapterList::SampleData>> readSamples(std::uint32_t trackId) const;
    // See MovieFile::asRead().
    std::uint64_t contentPrint() const;
    std::size_t removeItemsWhere(const std::function<bool(const Item&)>& match);
    void notePicturesInFile();
    // The item as a box; a value with a place must be one of picturesInFile.
    Result<Box> itemBox(const Item& item) const;
    // Reads the values that were left in the file; one that cannot be read is dropped.
    void readValuesLeftInFile(std::vector<Item>& items) const;
    Result<Bytes> readRange(const FileRange& range) const;
    void deleteTrackBox(std::uint32_t id);
};

}  // namespace mp4
