#include "mp4/trackbuilder.h"

#include "mp4/trackbox.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace mp4 {

void PendingSamples::append(Bytes sample, std::uint64_t duration)
{
    m_totalBytes += sample.size();
    m_totalDuration += duration;
    m_samples.push_back(std::move(sample));
    m_durations.push_back(duration);
}

std::vector<std::uint32_t> PendingSamples::chunkSampleCounts(std::uint32_t timeScale) const
{
    const std::uint64_t limit = m_durationPerChunk ? m_durationPerChunk : std::max<std::uint32_t>(timeScale, 1);
    std::vector<std::uint32_t> counts;
    std::uint32_t inChunk = 0;
    std::uint64_t chunkDuration = 0;
    for (std::uint64_t d : m_durations) {
        ++inChunk;
        chunkDuration += d;
        if (chunkDuration >= limit) {
            counts.push_back(inChunk);
            inChunk = 0;
            chunkDuration = 0;
        }
    }
    if (inChunk) {
        counts.push_back(inChunk);
    }
    return counts;
}

namespace {

Box fullLeaf(const char* type, std::uint32_t versionAndFlags, const std::function<void(ByteWriter&)>& body)
{
    ByteWriter w;
    w.u32(versionAndFlags);
    body(w);
    return Box::leaf(FourCC(type), w.take());
}

Box makeTkhd(const TrackBuilder::Recipe& s)
{
    return fullLeaf("tkhd", s.flags & 0xFFFFFF, [&s](ByteWriter& w) {
        w.u32(static_cast<std::uint32_t>(s.creationTime));
        w.u32(static_cast<std::uint32_t>(s.creationTime));
        w.u32(s.id);
        w.u32(0);
        w.u32(0);  // duration, set with the samples
        w.zeros(8);
        w.u16(0);  // layer
        w.u16(0);  // alternate group
        w.u16(0);  // volume
        w.u16(0);
        w.bytes(identityMatrix());
        w.u32(std::uint32_t(s.width) << 16);
        w.u32(std::uint32_t(s.height) << 16);
    });
}

Box makeMdhd(const TrackBuilder::Recipe& s)
{
    return fullLeaf("mdhd", 0, [&s](ByteWriter& w) {
        w.u32(static_cast<std::uint32_t>(s.creationTime));
        w.u32(static_cast<std::uint32_t>(s.creationTime));
        w.u32(s.timeScale);
        w.u32(0);
        w.u16(*TrackBox::packLanguage("und"));
        w.u16(0);
    });
}

Box makeHdlr(const char* handler)
{
    return fullLeaf("hdlr", 0, [handler](ByteWriter& w) {
        w.u32(0);
        w.text(handler);
        w.zeros(12);
        w.u8(0);  // empty name
    });
}

Box makeDinf()
{
    Box dinf = Box::makeContainer(FourCC("dinf"));
    dinf.children.push_back(fullLeaf("dref", 0, [](ByteWriter& w) {
        w.u32(1);
        w.u32(12);
        w.text("url ");
        w.u32(1);  // flags: samples are in this file
    }));
    return dinf;
}

// 3GPP timed text description with a one-font table (ID 1, "Arial"); fields start at 0.
Bytes tx3gEntry()
{
    ByteWriter w;
    w.u32(64);
    w.text("tx3g");
    w.zeros(6);
    w.u16(1);    // data reference index
    w.u32(0);    // display flags
    w.zeros(2);  // justification
    w.zeros(4);  // background colour
    w.zeros(8);  // default text box
    w.zeros(4);  // start / end char
    w.u16(1);    // font id
    w.zeros(2);  // face, size
    w.zeros(4);  // text colour
    w.u32(18);
    w.text("ftab");
    w.u16(1);
    w.u16(1);
    w.u8(5);
    w.text("Arial");
    return w.take();
}

// QuickTime text description as chapter tracks use it.
Bytes textEntry()
{
    ByteWriter w;
    w.u32(59);
    w.text("text");
    w.zeros(6);
    w.u16(1);
    w.u32(1);    // display flags
    w.u32(1);    // justification
    w.zeros(6);  // background colour
    w.zeros(8);  // default text box
    w.zeros(8);
    w.zeros(2 + 2 + 1 + 2 + 6);  // font number, face, reserved, foreground colour
    return w.take();
}

Box makeGmhd()
{
    Box gmhd = Box::makeContainer(FourCC("gmhd"));
    gmhd.children.push_back(fullLeaf("gmin", 0, [](ByteWriter& w) {
        w.u16(0x40);
        w.u16(0x8000);
        w.u16(0x8000);
        w.u16(0x8000);
        w.u16(0);
        w.u16(0);
    }));
    ByteWriter text;
    text.u16(1);
    text.zeros(14);
    text.u16(1);
    text.zeros(14);
    text.u32(0x40000000);
    gmhd.children.push_back(Box::leaf(FourCC("text"), text.take()));
    return gmhd;
}

}  // namespace

std::uint64_t TrackBuilder::nowSince1904()
{
    const auto unix =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    return static_cast<std::uint64_t>(unix) + 2082844800ull;
}

Box TrackBuilder::makeTrack(const Recipe& recipe)
{
    const bool subtitle = recipe.kind == Kind::Subtitle;
    Box stbl = Box::makeContainer(FourCC("stbl"));
    ByteWriter stsd;
    stsd.u32(0);
    stsd.u32(1);
    stsd.bytes(subtitle ? tx3gEntry() : textEntry());
    stbl.children.push_back(Box::leaf(FourCC("stsd"), stsd.take()));
    PendingSamples none;
    Box minf = Box::makeContainer(FourCC("minf"));
    minf.children.push_back(subtitle ? fullLeaf("nmhd", 0, [](ByteWriter&) {}) : makeGmhd());
    minf.children.push_back(makeDinf());
    minf.children.push_back(std::move(stbl));
    Box mdia = Box::makeContainer(FourCC("mdia"));
    mdia.children.push_back(makeMdhd(recipe));
    mdia.children.push_back(makeHdlr(subtitle ? "sbtl" : "text"));
    mdia.children.push_back(std::move(minf));
    Box trak = Box::makeContainer(FourCC("trak"));
    trak.children.push_back(makeTkhd(recipe));
    trak.children.push_back(std::move(mdia));
    writeSampleTables(trak, none, 0, false, recipe.timeScale);
    return trak;
}

void TrackBuilder::writeSampleTables(Box& trak, const PendingSamples& samples, std::uint64_t firstOffset,
                                     bool wideOffsets, std::uint32_t movieTimeScale)
{
    Box* stbl = trak.find({"mdia", "minf", "stbl"});
    if (!stbl) {
        return;
    }
    TrackBox track(trak);
    const std::uint32_t timeScale = track.timeScale();
    for (const char* t : {"stts", "ctts", "stsc", "stsz", "stz2", "stco", "co64", "stss"}) {
        stbl->removeChildren(FourCC(t));
    }
    // stts: runs of equal durations.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> runs;
    for (std::uint64_t d : samples.durations()) {
        if (!runs.empty() && runs.back().second == d) {
            ++runs.back().first;
        } else {
            runs.emplace_back(1, d);
        }
    }
    stbl->children.push_back(fullLeaf("stts", 0, [&runs](ByteWriter& w) {
        w.u32(static_cast<std::uint32_t>(runs.size()));
        for (const auto& [count, delta] : runs) {
            w.u32(count);
            w.u32(static_cast<std::uint32_t>(std::min<std::uint64_t>(delta, 0xFFFFFFFFull)));
        }
    }));
    // stsc: one entry per change of samples per chunk.
    const auto counts = samples.chunkSampleCounts(timeScale);
    stbl->children.push_back(fullLeaf("stsc", 0, [&counts](ByteWriter& w) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (entries.empty() || entries.back().second != counts[i]) {
                entries.emplace_back(static_cast<std::uint32_t>(i + 1), counts[i]);
            }
        }
        w.u32(static_cast<std::uint32_t>(entries.size()));
        for (const auto& [first, n] : entries) {
            w.u32(first);
            w.u32(n);
            w.u32(1);
        }
    }));
    // stsz: the fixed form when every size is equal and not 0.
    stbl->children.push_back(fullLeaf("stsz", 0, [&samples](ByteWriter& w) {
        const auto& s = samples.samples();
        const bool equal = !s.empty() && !s.front().empty() && std::all_of(s.begin(), s.end(), [&s](const Bytes& b) {
            return b.size() == s.front().size();
        });
        w.u32(equal ? static_cast<std::uint32_t>(s.front().size()) : 0);
        w.u32(static_cast<std::uint32_t>(s.size()));
        if (!equal) {
            for (const Bytes& b : s) {
                w.u32(static_cast<std::uint32_t>(b.size()));
            }
        }
    }));
    stbl->children.push_back(fullLeaf(wideOffsets ? "co64" : "stco", 0, [&](ByteWriter& w) {
        w.u32(static_cast<std::uint32_t>(counts.size()));
        std::uint64_t offset = firstOffset;
        std::size_t sample = 0;
        for (std::uint32_t n : counts) {
            w.write(offset, wideOffsets ? 8 : 4);
            for (std::uint32_t i = 0; i < n; ++i) {
                offset += samples.samples()[sample++].size();
            }
        }
    }));
    const std::uint64_t duration = samples.totalDuration();
    track.setMediaDuration(duration);
    const std::uint64_t movieDuration = timeScale ? mulDiv(duration, movieTimeScale, timeScale) : 0;
    track.setMovieDuration(movieDuration);
}

}  // namespace mp4
