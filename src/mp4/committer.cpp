#include "mp4/committer.h"

#include "mp4/sampletable.h"
#include "mp4/trackbox.h"

#include <algorithm>

namespace mp4 {

namespace {

constexpr std::uint64_t k4GiB = 1ull << 32;

bool isFreeType(FourCC t)
{
    return t == FourCC("free") || t == FourCC("skip") || t == FourCC("wide");
}

bool overlaps(const ByteRanges& ranges, std::uint64_t start, std::uint64_t end)
{
    return std::any_of(ranges.begin(), ranges.end(),
                       [&](const auto& r) { return r.first < end && r.second > start && r.second > r.first; }) ||
           std::any_of(ranges.begin(), ranges.end(),
                       [&](const auto& r) { return r.first == r.second && r.first >= start && r.first < end; });
}

Bytes header(std::uint64_t size, FourCC type)
{
    ByteWriter w;
    w.u32(static_cast<std::uint32_t>(size));
    w.u32(type.value());
    return w.take();
}

}  // namespace

Committer::Committer(FileHandle& file, TopLevelLayout layout, std::size_t liveMoov, ByteRanges liveRanges)
    : m_file(file), m_layout(std::move(layout)), m_live(liveMoov), m_liveRanges(std::move(liveRanges))
{
}

ByteRanges Committer::referencedRanges(const Box& moov, bool& complete)
{
    ByteRanges out;
    complete = true;
    for (const Box& c : moov.children) {
        if (c.type != FourCC("trak")) {
            continue;
        }
        const Box* stbl = c.find({"mdia", "minf", "stbl"});
        auto table = stbl ? SampleTable::parse(*stbl) : std::nullopt;
        if (!table) {
            complete = false;
            continue;
        }
        auto ranges = table->chunkRanges();
        out.insert(out.end(), ranges.begin(), ranges.end());
    }
    return out;
}

bool Committer::isDead(const TopLevelBox& box) const
{
    if (isFreeType(box.type)) {
        return true;
    }
    if (box.type == FourCC("moov")) {
        return &box != &m_layout.boxes[m_live];  // a stale copy left by an interrupted save
    }
    if (box.type == FourCC("mdat")) {
        return m_rangesComplete && !overlaps(m_liveRanges, box.offset, box.end());
    }
    return false;
}

std::vector<Committer::Region> Committer::deadRegions(std::uint64_t& tailStart) const
{
    std::vector<Region> regions;
    tailStart = m_layout.fileSize;
    bool open = false;
    for (const TopLevelBox& box : m_layout.boxes) {
        if (isDead(box)) {
            if (open) {
                regions.back().size += box.size;
            } else {
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

Committer::Plan Committer::place(std::uint64_t needed) const
{
    std::uint64_t tailStart = 0;
    const auto regions = deadRegions(tailStart);
    const Region* best = nullptr;
    for (const Region& r : regions) {
        const bool fits = r.size == needed || r.size >= needed + 8;
        if (fits && r.size < k4GiB && (!best || r.size < best->size)) {
            best = &r;
        }
    }
    if (best) {
        return {best->start, best->size, false};
    }
    std::uint64_t room = m_layout.fileSize - tailStart;
    if (room < needed) {
        room = needed;
    } else if (room != needed && room < needed + 8) {
        room = needed + 8;
    }
    return {tailStart, room, true};
}

Result<void> Committer::write(std::uint64_t offset, const Bytes& bytes)
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
    if (auto r = write(last.offset, header(last.size, last.type)); !r) {
        return r;
    }
    last.sizeToEnd = false;
    return m_file.sync();
}

Result<void> Committer::commit(Box& moov, const std::map<std::uint32_t, PendingSamples>& pending,
                               std::uint32_t movieTimeScale)
{
    if (auto r = fixOpenEndedLast(); !r) {
        return r;
    }
    bool complete = true;
    (void)referencedRanges(moov, complete);
    m_rangesComplete = complete;

    // New samples, in one `mdat` in front of the new `moov`.
    std::uint64_t sampleBytes = 0;
    for (const auto& [id, samples] : pending) {
        sampleBytes += samples.totalBytes();
    }
    const std::uint64_t mdatHeader = sampleBytes == 0 ? 0 : (sampleBytes + 8 >= k4GiB ? 16 : 8);
    const std::uint64_t mdatSize = sampleBytes == 0 ? 0 : sampleBytes + mdatHeader;

    auto layoutTables = [&](std::uint64_t mdatStart, bool wide) {
        std::uint64_t offset = mdatStart + mdatHeader;
        for (Box& c : moov.children) {
            if (c.type != FourCC("trak")) {
                continue;
            }
            const auto it = pending.find(TrackBox(c).id());
            if (it != pending.end()) {
                TrackBuilder::writeSampleTables(c, it->second, offset, wide, movieTimeScale);
                offset += it->second.totalBytes();
            }
        }
    };
    bool wide = false;
    layoutTables(0, wide);
    Plan plan = place(mdatSize + moov.size());
    if (sampleBytes != 0 && plan.start + mdatSize > k4GiB) {
        wide = true;
        layoutTables(0, wide);
        plan = place(mdatSize + moov.size());
    }
    layoutTables(plan.start, wide);
    const Bytes moovBytes = moov.serialize();
    const std::uint64_t needed = mdatSize + moovBytes.size();

    // The content of the place: [mdat][moov, typed free][free for the rest].
    Bytes content;
    content.reserve(static_cast<std::size_t>(needed + 8));
    if (mdatSize != 0) {
        ByteWriter h;
        if (mdatHeader == 16) {
            h.u32(1);
            h.text("mdat");
            h.u64(mdatSize);
        } else {
            h.u32(static_cast<std::uint32_t>(mdatSize));
            h.text("mdat");
        }
        content = h.take();
        for (const Box& c : moov.children) {
            if (c.type == FourCC("trak")) {
                const auto it = pending.find(TrackBox(const_cast<Box&>(c)).id());
                if (it != pending.end()) {
                    for (const Bytes& s : it->second.samples) {
                        content.insert(content.end(), s.begin(), s.end());
                    }
                }
            }
        }
    }
    const std::uint64_t moovAt = content.size();
    content.insert(content.end(), moovBytes.begin(), moovBytes.end());
    putBig(content, static_cast<std::size_t>(moovAt + 4), FourCC("free").value(), 4);
    if (plan.room > needed) {
        const std::uint64_t rest = plan.room - needed;
        ByteWriter w;
        if (rest >= k4GiB) {
            w.u32(1);
            w.text("free");
            w.u64(rest);
        } else {
            w.u32(static_cast<std::uint32_t>(rest));
            w.text("free");
        }
        content.insert(content.end(), w.data().begin(), w.data().end());
    }

    // 1. One `free` box over the whole place (the file grows first if needed).
    const std::uint64_t placeEnd = plan.start + plan.room;
    if (placeEnd > m_layout.fileSize) {
        if (auto r = m_file.truncate(placeEnd); !r) {
            return r;
        }
    }
    const std::uint64_t coverHeader = plan.room >= k4GiB ? 16 : 8;
    {
        ByteWriter cover;
        if (coverHeader == 16) {
            cover.u32(1);
            cover.text("free");
            cover.u64(plan.room);
        } else {
            cover.u32(static_cast<std::uint32_t>(plan.room));
            cover.text("free");
        }
        if (auto r = write(plan.start, cover.take()); !r) {
            return r;
        }
        if (auto r = m_file.sync(); !r) {
            return r;
        }
    }
    // 2. Everything but the first header, inside that box.
    if (content.size() > coverHeader) {
        const Bytes body(content.begin() + static_cast<std::ptrdiff_t>(coverHeader), content.end());
        if (auto r = write(plan.start + coverHeader, body); !r) {
            return r;
        }
    }
    if (auto r = m_file.sync(); !r) {
        return r;
    }
    // 3. The real first header: the place splits into its boxes; the new moov still reads free.
    {
        const Bytes first(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(coverHeader));
        if (auto r = write(plan.start, first); !r) {
            return r;
        }
    }
    if (auto r = m_file.sync(); !r) {
        return r;
    }
    // 4. The new moov goes live, then the old one is retired.
    const Bytes moovType{'m', 'o', 'o', 'v'};
    if (auto r = write(plan.start + moovAt + 4, moovType); !r) {
        return r;
    }
    if (auto r = m_file.sync(); !r) {
        return r;
    }
    const Bytes freeType{'f', 'r', 'e', 'e'};
    if (auto r = write(m_layout.boxes[m_live].offset + 4, freeType); !r) {
        return r;
    }
    if (auto r = m_file.sync(); !r) {
        return r;
    }
    return trimDeadTail(moov);
}

Result<void> Committer::trimDeadTail(const Box& moov)
{
    auto layout = BoxParser::scanTopLevel(m_file);
    if (!layout || layout->damagedTail) {
        return {};  // the commit itself is done; leave the tail as it is
    }
    bool complete = true;
    const ByteRanges ranges = referencedRanges(moov, complete);
    std::uint64_t end = layout->fileSize;
    for (auto it = layout->boxes.rbegin(); it != layout->boxes.rend(); ++it) {
        const bool dead = isFreeType(it->type) ||
                          (it->type == FourCC("mdat") && complete && !overlaps(ranges, it->offset, it->end()));
        if (!dead) {
            break;
        }
        end = it->offset;
    }
    if (end < layout->fileSize) {
        if (auto r = m_file.truncate(end); !r) {
            return r;
        }
        return m_file.sync();
    }
    return {};
}

}  // namespace mp4
