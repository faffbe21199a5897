#include "mp4/moviefileimpl.h"

#include "mp4/committer.h"
#include "mp4/itemlist.h"
#include "mp4/log.h"
#include "mp4/sampletable.h"

#include <algorithm>
#include <set>

namespace mp4 {

namespace {

constexpr const char* kChangedSinceRead = "file changed by another program since it was read, not changing it";

std::unexpected<Error> logged(Error::Code code, const std::filesystem::path& path, const std::string& message)
{
    log(message + ": " + path.string());
    return fail(code, message);
}

}  // namespace

Result<void> MovieFile::Impl::load(bool forModify, std::optional<FileStamp> asRead)
{
    auto handle = FileHandle::open(path, forModify);
    if (!handle) {
        return logged(handle.error().code, path, handle.error().message);
    }
    file = std::move(*handle);
    if (asRead && !asRead->sameSizeAndTime(file.openedAs())) {
        return logged(Error::Code::Changed, path, kChangedSinceRead);
    }
    auto scanned = BoxParser::scanTopLevel(file);
    if (!scanned) {
        return logged(scanned.error().code, path, scanned.error().message);
    }
    layout = std::move(*scanned);
    const auto it = std::find_if(layout.boxes.begin(), layout.boxes.end(),
                                 [](const TopLevelBox& b) { return b.type == FourCC("moov"); });
    if (it == layout.boxes.end()) {
        return logged(Error::Code::Corrupt, path, "no moov box");
    }
    if (it->end() > layout.fileSize) {
        return logged(Error::Code::Corrupt, path, "moov box is cut off");
    }
    if (it->size > ParseLimits::maxMoovSize) {
        return logged(Error::Code::Corrupt, path, "moov box is too large");
    }
    liveMoov = static_cast<std::size_t>(it - layout.boxes.begin());
    bool damaged = false;
    auto tree = BoxParser::parseMoovInFile(file, it->offset + it->headerSize, it->size - it->headerSize, damaged);
    if (!tree) {
        return logged(tree.error().code, path, tree.error().message);
    }
    moov = std::move(*tree);
    if (!mvhd()) {
        return logged(Error::Code::Corrupt, path, "moov has no valid mvhd");
    }
    openedDuration = movieDuration();
    if (damaged) {
        log("moov holds boxes whose sizes do not fit: " + path.string());
    }
    if (forModify) {
        // Another program may have put back the length and time of a file it changed.
        if (asRead && asRead->content && *asRead->content != contentPrint()) {
            return logged(Error::Code::Changed, path, kChangedSinceRead);
        }
        if (auto r = refuseUnsupported(damaged); !r) {
            return logged(r.error().code, path, r.error().message);
        }
        notePicturesInFile();  // only a file opened for modifying copies pictures from where they lie
        writable = true;
    }
    return {};
}

Result<void> MovieFile::Impl::refuseUnsupported(bool treeDamaged) const
{
    if (treeDamaged || layout.damagedTail) {
        return fail(Error::Code::Corrupt, "file structure is damaged, not changing it");
    }
    for (const TopLevelBox& b : layout.boxes) {
        for (const char* t : {"moof", "mfra", "sidx", "styp"}) {
            if (b.type == FourCC(t)) {
                return fail(Error::Code::Unsupported, "fragmented file, not changing it");
            }
        }
        if (b.sizeToEnd && (b.size >= (1ull << 32) || b.headerSize != 8)) {
            return fail(Error::Code::Unsupported, "open-ended last box too large, not changing it");
        }
    }
    if (moov.child(FourCC("mvex"))) {
        return fail(Error::Code::Unsupported, "fragmented file, not changing it");
    }
    if (moov.child(FourCC("cmov"))) {
        return fail(Error::Code::Unsupported, "compressed movie header, not changing it");
    }
    std::set<std::uint32_t> ids;
    for (const Box& c : moov.children) {
        if (c.type != FourCC("trak")) {
            continue;
        }
        const TrackBox track(const_cast<Box&>(c));
        // Tracks are addressed by id: a shared or missing one would let an edit hit the wrong track.
        if (const std::uint32_t id = track.id(); id == 0 || !ids.insert(id).second) {
            return fail(Error::Code::Corrupt, "tracks without a unique id, not changing it");
        }
        if (const Box* stbl = c.find({"mdia", "minf", "stbl"}); stbl && SampleTable::isAmbiguous(*stbl)) {
            return fail(Error::Code::Corrupt, "sample tables say twice where samples lie, not changing it");
        }
        if (!track.isSelfContained()) {
            return fail(Error::Code::Unsupported, "samples stored in other files, not changing it");
        }
    }
    // New boxes would go where the missing samples belong, and players would read them as media.
    if (samplesPastTheEnd()) {
        return fail(Error::Code::Corrupt, "file is cut short (samples lie past its end), not changing it");
    }
    return {};
}

bool MovieFile::Impl::samplesPastTheEnd() const
{
    const auto read = [this](const Box& table, std::uint64_t offset, std::uint64_t length) -> std::optional<Bytes> {
        if (table.inFileSize == 0) {
            if (offset > table.payload.size() || table.payload.size() - offset < length) {
                return std::nullopt;
            }
            const auto from = table.payload.begin() + static_cast<std::ptrdiff_t>(offset);
            return Bytes(from, from + static_cast<std::ptrdiff_t>(length));
        }
        Bytes bytes(static_cast<std::size_t>(length));
        if (offset > table.inFileSize || table.inFileSize - offset < length ||
            !file.readAt(table.inFileOffset + offset, bytes)) {
            return std::nullopt;
        }
        return bytes;
    };
    for (const Box& c : moov.children) {
        const Box* stbl = c.type == FourCC("trak") ? c.find({"mdia", "minf", "stbl"}) : nullptr;
        const auto end = stbl ? SampleTable::lastChunkEnd(*stbl, read) : std::nullopt;
        if (end && *end > layout.fileSize) {
            return true;
        }
    }
    return false;
}

Result<void> MovieFile::Impl::commit()
{
    // The sample tables and pictures left in the file are copied into the new moov from the
    // live one.
    ItemList::prune(moov);
    std::vector<const Box*> live;
    std::vector<bool> kept;
    for (Box* t : traks()) {
        if (!pending.count(TrackBox(*t).id())) {
            live.push_back(t);
            kept.push_back(true);
        }
    }
    for (const Box& t : retired) {
        live.push_back(&t);
        kept.push_back(false);
    }
    Committer committer(file, layout, liveMoov, std::move(live), std::move(kept));
    auto result = committer.commit(moov, pending, movieTimeScale());
    if (result && committer.moovMovedBehindMedia()) {
        log("moov now follows the media, no free space in front holds it (streaming players prefer it in front): " +
            path.string());
    }
    return result;
}

// The longest track header among the tracks from the file; when some remain but none says how
// long it is, the length at opening stands.
std::uint64_t MovieFile::Impl::longestFileTrack()
{
    std::uint64_t longest = 0;
    bool anyLeft = false;
    for (Box* t : traks()) {
        const TrackBox track(*t);
        if (!pending.count(track.id())) {
            anyLeft = true;
            longest = std::max(longest, track.movieDuration());
        }
    }
    return anyLeft && longest == 0 ? openedDuration : longest;
}

// The movie lasts as long as its longest track. Tracks from the file count with the length
// it had at opening, or, once one of them is deleted, with the longest that remain (never
// longer than at opening); new tracks count with their samples, so one deleted again leaves
// no trace.
void MovieFile::Impl::fitMovieDuration()
{
    std::uint64_t duration = retired.empty() ? openedDuration : std::min(openedDuration, longestFileTrack());
    for (const auto& [id, samples] : pending) {
        if (samples.timeScale() != 0) {
            duration = std::max(duration, mulDiv(samples.totalDuration(), movieTimeScale(), samples.timeScale()));
        }
    }
    Box* header = mvhd();
    const auto l = mvhdLayout(header->payload);
    putBigSaturated(header->payload, l.duration, duration, static_cast<int>(l.durationBytes));
}

// ---- MovieFile ----

MovieFile::MovieFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl))
{
}
MovieFile::MovieFile(MovieFile&&) noexcept = default;
MovieFile& MovieFile::operator=(MovieFile&&) noexcept = default;
MovieFile::~MovieFile() = default;

Result<MovieFile> MovieFile::open(const std::filesystem::path& path, bool forModify, std::optional<FileStamp> asRead)
{
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    if (auto r = impl->load(forModify, asRead); !r) {
        return std::unexpected(r.error());
    }
    return MovieFile(std::move(impl));
}

Result<MovieFile> MovieFile::openForRead(const std::filesystem::path& path)
{
    return open(path, false);
}

Result<MovieFile> MovieFile::openForModify(const std::filesystem::path& path, std::optional<FileStamp> asRead)
{
    return open(path, true, asRead);
}

Result<void> MovieFile::close()
{
    if (!m_impl || !m_impl->file.isOpen()) {
        return fail(Error::Code::Closed, "file is closed");
    }
    Result<void> result;
    if (m_impl->writable && m_impl->modified) {
        result = m_impl->commit();
        if (!result) {
            log("saving failed (" + result.error().message + "): " + m_impl->path.string());
        }
    }
    m_impl->file.close();
    return result;
}

FileStamp MovieFile::asRead() const
{
    FileStamp stamp = m_impl->file.openedAs();
    stamp.content = m_impl->contentPrint();
    return stamp;
}

bool MovieFile::isOpen() const
{
    return m_impl && m_impl->file.isOpen();
}
bool MovieFile::isModifiable() const
{
    return isOpen() && m_impl->writable;
}
const std::filesystem::path& MovieFile::path() const
{
    return m_impl->path;
}

std::uint32_t MovieFile::timeScale() const
{
    return m_impl->movieTimeScale();
}
std::uint64_t MovieFile::duration() const
{
    return m_impl->movieDuration();
}

}  // namespace mp4
