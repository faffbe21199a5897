#include "mp4/chunkmap.h"

#include "mp4/sampletable.h"

#include <algorithm>
#include <optional>

namespace mp4 {

namespace {

const Box* sampleTableOf(const Box& trak)
{
    const Box* stbl = trak.find({"mdia", "minf", "stbl"});
    return stbl && !stbl->child(FourCC("saio")) ? stbl : nullptr;
}

// Offset of the first chunk, if the chunk offset table has one.
std::optional<std::uint64_t> firstChunk(const Box& stbl)
{
    const Box* stco = stbl.child(FourCC("stco"));
    const Box* co64 = stbl.child(FourCC("co64"));
    const Box* table = co64 ? co64 : stco;
    const int width = co64 ? 8 : 4;
    if (!table || table->payload.size() < 8 + static_cast<std::size_t>(width) || getBig(table->payload, 4, 4) == 0) {
        return std::nullopt;
    }
    return getBig(table->payload, 8, width);
}

}  // namespace

ChunkMap::ChunkMap(const std::vector<TopLevelBox>& boxes, std::vector<const Box*> traks, const FileHandle& file)
    : m_boxes(boxes), m_traks(std::move(traks)), m_file(file)
{
    for (const Box* trak : m_traks) {
        std::vector<bool> first(m_boxes.size(), false);
        if (const Box* stbl = sampleTableOf(*trak); !stbl) {
            first.assign(m_boxes.size(), true);
        } else if (const auto offset = firstChunk(*stbl); offset && boxAt(*offset) < m_boxes.size()) {
            first[boxAt(*offset)] = true;
        }
        m_first.push_back(std::move(first));
    }
}

bool ChunkMap::uses(std::size_t index, const std::vector<bool>& which)
{
    if (index >= m_boxes.size()) {
        return true;
    }
    for (std::size_t t = 0; t < m_traks.size(); ++t) {
        if (which[t] && m_first[t][index]) {
            return true;
        }
    }
    if (m_all.empty()) {
        for (const Box* trak : m_traks) {
            m_all.push_back(mapTrack(*trak));
        }
    }
    for (std::size_t t = 0; t < m_traks.size(); ++t) {
        if (which[t] && m_all[t][index]) {
            return true;
        }
    }
    return false;
}

std::size_t ChunkMap::boxAt(std::uint64_t offset) const
{
    // The boxes follow each other from offset 0: the first one ending after `offset` holds it.
    const auto it = std::upper_bound(m_boxes.begin(), m_boxes.end(), offset,
                                     [](std::uint64_t o, const TopLevelBox& b) { return o < b.end(); });
    return static_cast<std::size_t>(it - m_boxes.begin());
}

std::vector<bool> ChunkMap::mapTrack(const Box& trak) const
{
    std::vector<bool> use(m_boxes.size(), false);
    const Box* stbl = sampleTableOf(trak);
    Box loaded;
    if (stbl && !stbl->isLoaded()) {
        loaded = *stbl;
        stbl = BoxParser::loadLeftInFile(m_file, loaded) ? &loaded : nullptr;
    }
    std::size_t at = 0;  // chunks mostly follow each other: start looking where the last one was
    const bool readable =
        stbl && SampleTable::forEachChunk(*stbl, [&](std::span<const SampleTable::Range> chunks) {
            for (const auto& [start, end] : chunks) {
                if (at >= m_boxes.size() || start < m_boxes[at].offset || start >= m_boxes[at].end()) {
                    at = boxAt(start);
                    if (at >= m_boxes.size()) {
                        continue;  // past the last box: nothing there to keep
                    }
                }
                use[at] = true;
                // A chunk may reach into the boxes after its first one.
                for (std::size_t i = at + 1; i < m_boxes.size() && m_boxes[i].offset < end; ++i) {
                    use[i] = true;
                }
            }
        });
    if (!readable) {
        use.assign(m_boxes.size(), true);
    }
    return use;
}

}  // namespace mp4
