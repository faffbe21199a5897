#include "mp4/committer.h"

#include "mp4/copycheck.h"
#include "mp4/trackbox.h"

#include <algorithm>
#include <array>

namespace mp4 {

namespace {

constexpr std::uint64_t k4GiB = 1ull << 32;
// A cut (power loss, full disk) lands whole sectors: a header rewritten in place must lie in
// one, or a torn size would break the chain of boxes behind it.
constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kLongestHeader = 16;

bool straddlesSector(std::uint64_t offset, std::uint64_t length)
{
    return offset / kSector != (offset + length - 1) / kSector;
}

// A file cut after growing by fewer bytes than a box header reads as damaged: growth is 0 or
// at least 8 bytes (zeros then read as one dead box running to the end).
constexpr std::uint64_t kLeastGrowth = 8;

constexpr std::array<std::uint8_t, 4> kFreeType{'f', 'r', 'e', 'e'};

bool isFreeType(FourCC t)
{
    return t == FourCC("free") || t == FourCC("skip") || t == FourCC("wide");
}

// Boxes whose bytes matter only if a chunk points into them: media data, and the all-zero
// header that an interrupted growth of the file leaves at its end.
bool isDataType(FourCC t)
{
    return t == FourCC("mdat") || t.value() == 0;
}

// A box header for a box of `size` bytes, in the 64-bit form when the size needs it.
Bytes boxHeader(std::uint64_t size, FourCC type)
{
    ByteWriter w;
    if (size >= k4GiB) {
        w.u32(1);
        w.u32(type.value());
        w.u64(size);
    } else {
        w.u32(static_cast<std::uint32_t>(size));
        w.u32(type.value());
    }
    return w.take();
}

std::uint64_t pendingBytes(const std::map<std::uint32_t, PendingSamples>& pending)
{
    std::uint64_t n = 0;
    for (const auto& [id, samples] : pending) {
        n += samples.totalBytes();
    }
    return n;
}

// Calls f(trak, samples) for every new track, in `moov` order: the order of the new `mdat`.
template <typename F>
void forEachPending(Box& moov, const std::map<std::uint32_t, PendingSamples>& pending, F&& f)
{
    for (Box& c : moov.children) {
        if (c.type == FourCC("trak")) {
            const auto it = pending.find(TrackBox(c).id());
            if (it != pending.end()) {
                f(c, it->second);
            }
        }
    }
}

}  // namespace

Committer::Committer(FileHandle& file, TopLevelLayout layout, std::size_t liveMoov, std::vector<const Box*> liveTracks,
                     std::vector<bool> kept)
    : m_file(file),
      m_layout(std::move(layout)),
      m_live(liveMoov),
      m_chunks(m_layout.boxes, liveTracks, file),
      m_everyTrack(liveTracks.size(), true),
      m_keptTracks(std::move(kept))
{
    m_keptTracks.resize(m_everyTrack.size(), true);
}

bool Committer::isDead(std::size_t index)
{
    const TopLevelBox& box = m_layout.boxes[index];
    if (isFreeType(box.type)) {
        return !m_freeHoldingMedia.contains(index);
    }
    if (box.type == FourCC("moov")) {
        return index != m_live;  // a stale copy left by an interrupted save
    }
    return isDataType(box.type) && !m_chunks.uses(index, m_everyTrack);
}

bool Committer::isDeadAfterSwitch(const TopLevelBox& box)
{
    if (box.type == FourCC("moov")) {
        return box.offset != m_newMoov;
    }
    const bool free = isFreeType(box.type);
    if ((!free && !isDataType(box.type)) || box.offset == m_newMdat) {
        return false;
    }
    // Outside the place every box is one of the layout at opening; free boxes that are not
    // are the place's own, or a moov this commit retired.
    const auto& boxes = m_layout.boxes;
    const auto it = std::lower_bound(boxes.begin(), boxes.end(), box.offset,
                                     [](const TopLevelBox& b, std::uint64_t offset) { return b.offset < offset; });
    if (it == boxes.end() || it->offset != box.offset || it->size != box.size || it->type == FourCC("moov")) {
        return free;
    }
    return !m_chunks.uses(static_cast<std::size_t>(it - boxes.begin()), m_keptTracks);
}

bool Committer::takesFreeHoldingMedia(const Plan& plan)
{
    bool found = false;
    for (std::size_t i = 0; i < m_layout.boxes.size(); ++i) {
        const TopLevelBox& box = m_layout.boxes[i];
        const bool inPlace = box.offset < plan.start + plan.room && plan.start < box.end();
        if (inPlace && isFreeType(box.type) && !m_freeHoldingMedia.contains(i) && m_chunks.uses(i, m_everyTrack)) {
            m_freeHoldingMedia.insert(i);
            found = true;
        }
    }
    return found;
}

std::vector<Committer::Region> Committer::deadRegions(std::uint64_t& tailStart)
{
    std::vector<Region> regions;
    tailStart = m_layout.fileSize;
    bool open = false;
    for (std::size_t i = 0; i < m_layout.boxes.size(); ++i) {
        const TopLevelBox& box = m_layout.boxes[i];
        if (isDead(i)) {
            if (open) {
                regions.back().size += box.size;
            } else if (!straddlesSector(box.offset, kLongestHeader)) {
                regions.push_back({box.offset, box.size});
                open = true;
            }
        } else {
            open = false;
        }
    }
    if (!regions.empty() && regions.back().start + regions.back().size == m_layout.fileSize) {
        tailStart = regions.back().start;
        regions.pop_back();
    }
    return regions;
}

Committer::Plan Committer::place(std::uint64_t needed)
{
    // A box that samples point into is media whatever its type. Free boxes are asked only once
    // a place would take them (a box that holds no track's first chunk takes a walk over every
    // chunk); the place is then sought again without those that hold media.
    Plan plan = placeAmongDead(needed);
    while (takesFreeHoldingMedia(plan)) {
        plan = placeAmongDead(needed);
    }
    return plan;
}

Committer::Plan Committer::placeAmongDead(std::uint64_t needed)
{
    std::uint64_t tailStart = 0;
    const auto regions = deadRegions(tailStart);
    // Room in front of the media first (a moov there lets players start streaming at once),
    // then the smallest that fits.
    const std::uint64_t media = mediaStart();
    auto better = [media](const Region& a, const Region& b) {
        const bool aInFront = a.start < media;
        const bool bInFront = b.start < media;
        return aInFront != bInFront ? aInFront : a.size < b.size;
    };
    const Region* best = nullptr;
    for (const Region& r : regions) {
        const bool fits = r.size == needed || r.size >= needed + 8;
        if (fits && r.size < k4GiB && (!best || better(r, *best))) {
            best = &r;
        }
    }
    if (best) {
        return {best->start, best->size, 0};
    }
    const std::uint64_t existing = m_layout.fileSize - tailStart;
    std::uint64_t room = existing;
    if (room != needed && room < needed + 8) {
        room = std::max(needed, existing + kLeastGrowth);
        if (room != needed && room < needed + 8) {
            room = needed + 8;
        }
    }
    if (tailStart < m_layout.fileSize) {
        return {tailStart, room, 0};
    }
    // New space: a small free box first when the place's header would lie across a sector.
    std::uint64_t pad = 0;
    while (straddlesSector(tailStart + pad, kLongestHeader)) {
        pad = pad == 0 ? 8 : pad + 1;
    }
    return {tailStart + pad, room, pad};
}

std::uint64_t Committer::mediaStart() const
{
    // The largest `mdat` holds the movie; small ones in front may hold chapters or captions.
    const TopLevelBox* media = nullptr;
    for (const TopLevelBox& b : m_layout.boxes) {
        if (b.type == FourCC("mdat") && (!media || b.size > media->size)) {
            media = &b;
        }
    }
    return media ? media->offset : UINT64_MAX;
}

bool Committer::moovMovedBehindMedia() const
{
    const std::uint64_t media = mediaStart();
    return m_layout.boxes[m_live].offset < media && m_newMoov > media;
}

bool Committer::alreadyCovered(std::uint64_t offset, const Bytes& cover) const
{
    if (offset + cover.size() > m_layout.fileSize) {
        return false;
    }
    Bytes there(cover.size());
    return m_file.readAt(offset, there).has_value() && there == cover;
}

Result<void> Committer::write(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    return m_file.writeAt(offset, bytes);
}

Result<void> Committer::fixOpenEndedLast()
{
    TopLevelBox& last = m_layout.boxes.back();
    if (!last.sizeToEnd) {
        return {};
    }
    // "Runs to the end of the file" must become a real size before anything is appended.
    if (last.size >= k4GiB || last.headerSize != 8) {
        return fail(Error::Code::Unsupported, "cannot give the last box a size");
    }
    if (auto r = write(last.offset, boxHeader(last.size, last.type)); !r) {
        return r;
    }
    last.sizeToEnd = false;
    m_openEndedFixed = true;
    return m_file.sync();
}

Result<void> Committer::commit(Box& moov, const std::map<std::uint32_t, PendingSamples>& pending,
                               std::uint32_t movieTimeScale)
{
    // New samples, in one `mdat` in front of the new `moov`.
    const std::uint64_t sampleBytes = pendingBytes(pending);
    const std::uint64_t mdatHeader = sampleBytes == 0 ? 0 : (sampleBytes + 8 >= k4GiB ? 16 : 8);
    const std::uint64_t mdatSize = sampleBytes == 0 ? 0 : sampleBytes + mdatHeader;
    auto layoutTables = [&](std::uint64_t mdatStart, bool wide) {
        std::uint64_t offset = mdatStart + mdatHeader;
        forEachPending(moov, pending, [&](Box& trak, const PendingSamples& samples) {
            TrackBuilder::writeSampleTables(trak, samples, offset, wide, movieTimeScale);
            offset += samples.totalBytes();
        });
    };
    // The table sizes depend on the offset width only, so a place is found before the
    // offsets are known; past 4 GiB the offsets grow to 64 bits and the place is sought again.
    layoutTables(0, false);
    Plan plan = place(mdatSize + moov.size());
    const bool wide = sampleBytes != 0 && plan.start + mdatSize > k4GiB;
    if (wide) {
        layoutTables(0, true);
        plan = place(mdatSize + moov.size());
    }
    layoutTables(plan.start, wide);
    const std::uint64_t needed = mdatSize + moov.size();

    // The content of the place: [mdat][moov, typed free][free for the rest].
    ByteChain content;
    if (mdatSize != 0) {
        content.append(boxHeader(mdatSize, FourCC("mdat")));
        forEachPending(moov, pending, [&content](Box&, const PendingSamples& samples) {
            for (const Bytes& s : samples.samples()) {
                content.append(s);
            }
        });
    }
    const std::uint64_t moovAt = content.size();
    moov.serializeAs(content, FourCC("free"));
    if (content.size() != needed) {
        return fail(Error::Code::Corrupt, "new moov does not add up");  // never written
    }
    if (plan.room > needed) {
        content.append(boxHeader(plan.room - needed, FourCC("free")));
    }
    m_newMdat = mdatSize != 0 ? plan.start : UINT64_MAX;
    m_newMoov = plan.start + moovAt;

    // The layout and the ranges copied from the live moov were read at opening: a file that
    // another program changed since is not touched at all.
    CopyCheck copies(m_file, content);
    if (auto r = copies.sourcesUnchanged(); !r) {
        return r;
    }
    // A disk without room for the place refuses the save here, before the file is touched.
    if (auto r = m_file.reserve(plan.start - plan.pad, plan.room + plan.pad); !r) {
        return r;
    }
    if (auto r = fixOpenEndedLast(); !r) {
        return r;
    }
    if (auto r = writeNewMoov(plan, content, copies); !r) {
        // Copies that differ mean someone else is writing: leave the file to them. Any other
        // failure gives back what the file grew by; the old moov still rules.
        if (r.error().code != Error::Code::Changed) {
            (void)giveBackGrowth(plan);
        }
        return r;
    }
    // 4. Stale moovs an interrupted save left behind the live one are retired first (the live
    //    one stays the first moov meanwhile), then the live one, and dead boxes at the end go;
    //    after this the new moov is the only one.
    if (auto r = retireStaleMoovs(plan.start, plan.start + plan.room); !r) {
        return r;
    }
    if (auto r = write(m_layout.boxes[m_live].offset + 4, kFreeType); !r) {
        return r;
    }
    if (auto r = trimDeadTail(); !r) {
        return r;
    }
    return m_file.sync();
}

Result<void> Committer::writeNewMoov(const Plan& plan, const ByteChain& content, CopyCheck& copies)
{
    // 1. One `free` box over the whole place (the file grows first if needed: zeros read as
    //    one box running to the end). Over old boxes it must hold before they are overwritten;
    //    new space at the end breaks no chain of boxes, so its cover needs no flush of its own.
    const std::uint64_t placeEnd = plan.start + plan.room;
    const bool newSpace = plan.start >= m_layout.fileSize;
    if (placeEnd > m_layout.fileSize) {
        if (auto r = m_file.truncate(placeEnd); !r) {
            return r;
        }
        m_grown = true;
    }
    if (plan.pad != 0) {
        // Written once over zeros, never rewritten: a torn write of it leaves zeros or the box.
        if (auto r = write(plan.start - plan.pad, boxHeader(plan.pad, FourCC("free"))); !r) {
            return r;
        }
    }
    const Bytes cover = boxHeader(plan.room, FourCC("free"));
    if (!alreadyCovered(plan.start, cover)) {
        if (auto r = write(plan.start, cover); !r) {
            return r;
        }
        if (!newSpace) {
            if (auto r = m_file.sync(); !r) {
                return r;
            }
        }
    }
    // 2. Everything but the first header (which holds no copies), inside that box; what was
    //    copied must be what was there before anything can make the new moov live.
    if (auto r = m_file.writeAt(plan.start + cover.size(), content.slice(cover.size(), content.size()), copies.tap());
        !r) {
        return r;
    }
    if (auto r = copies.copiesVerified(); !r) {
        return r;
    }
    if (auto r = m_file.sync(); !r) {
        return r;
    }
    // 3. The place splits into its boxes and the new moov goes live. In either order, one
    //    of these writes alone still leaves the old moov the first (or only) one.
    if (auto r = m_file.writeAt(plan.start, content.slice(0, cover.size())); !r) {
        return r;
    }
    const Bytes moovType{'m', 'o', 'o', 'v'};
    if (auto r = write(m_newMoov + 4, moovType); !r) {
        return r;
    }
    return m_file.sync();
}

Result<void> Committer::giveBackGrowth(const Plan& plan)
{
    if (m_grown) {
        // The place and its padding run to the end of the file and hold nothing of the old
        // moov's file: cutting them off in one step leaves the old moov the only one, as before
        // the save. (A dead tail the place reused goes with them.)
        if (auto r = m_file.truncate(plan.start - plan.pad); !r) {
            return r;
        }
    }
    const std::uint64_t fileEnd = m_grown ? plan.start - plan.pad : m_layout.fileSize;
    if (m_openEndedFixed && m_layout.boxes.back().end() == fileEnd) {
        // Once more the last box: "to the end of the file" again, as it was.
        if (auto r = write(m_layout.boxes.back().offset, std::array<std::uint8_t, 4>{}); !r) {
            return r;
        }
    }
    if (m_grown && fileEnd == m_layout.fileSize) {
        // Nothing but the growth was written to (and the open end, now back): the file is as it
        // was, and its age says so, or the next save would take it for changed by another program.
        if (auto r = m_file.restoreOpenedTime(); !r) {
            return r;
        }
    }
    return m_grown || m_openEndedFixed ? m_file.sync() : Result<void>{};
}

Result<void> Committer::retireStaleMoovs(std::uint64_t placeStart, std::uint64_t placeEnd)
{
    bool retired = false;
    for (std::size_t i = 0; i < m_layout.boxes.size(); ++i) {
        const TopLevelBox& box = m_layout.boxes[i];
        const bool overwritten = box.offset >= placeStart && box.offset < placeEnd;
        if (box.type == FourCC("moov") && i != m_live && !overwritten) {
            if (auto r = write(box.offset + 4, kFreeType); !r) {
                return r;
            }
            retired = true;
        }
    }
    return retired ? m_file.sync() : Result<void>{};
}

Result<void> Committer::trimDeadTail()
{
    auto layout = BoxParser::scanTopLevel(m_file);
    if (!layout || layout->damagedTail) {
        return {};  // the commit itself is done; leave the tail as it is
    }
    std::uint64_t end = layout->fileSize;
    for (auto it = layout->boxes.rbegin(); it != layout->boxes.rend(); ++it) {
        if (!isDeadAfterSwitch(*it)) {
            break;
        }
        end = it->offset;
    }
    if (end < layout->fileSize) {
        return m_file.truncate(end);
    }
    return {};
}

}  // namespace mp4
