#include "mp4/chapterlist.h"

#include "mp4/trackbox.h"
#include "mp4/utf16.h"

#include <algorithm>

namespace mp4 {

namespace {

std::vector<TrackBox> tracksOf(const Box& moov)
{
    std::vector<TrackBox> out;
    for (const Box& c : moov.children) {
        if (c.type == FourCC("trak")) {
            out.emplace_back(const_cast<Box&>(c));
        }
    }
    return out;
}

}  // namespace

std::string ChapterList::clipUtf8(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut);
}

std::uint32_t ChapterList::findQuickTimeTrack(const Box& moov)
{
    auto tracks = tracksOf(moov);
    auto handlerOf = [&tracks](std::uint32_t id) {
        for (TrackBox& t : tracks) {
            if (t.id() == id) {
                return t.handlerType();
            }
        }
        return FourCC();
    };
    for (FourCC kind : {FourCC("vide"), FourCC("soun")}) {
        for (TrackBox& t : tracks) {
            if (t.handlerType() != kind) {
                continue;
            }
            for (std::uint32_t id : t.references(FourCC("chap"))) {
                if (handlerOf(id) == FourCC("text")) {
                    return id;
                }
            }
        }
    }
    return 0;
}

std::vector<std::uint32_t> ChapterList::quickTimeTrackIds(const Box& moov)
{
    auto tracks = tracksOf(moov);
    std::vector<std::uint32_t> ids;
    for (TrackBox& t : tracks) {
        for (std::uint32_t id : t.references(FourCC("chap"))) {
            for (TrackBox& target : tracks) {
                if (target.id() == id && target.handlerType() == FourCC("text") &&
                    std::find(ids.begin(), ids.end(), id) == ids.end()) {
                    ids.push_back(id);
                }
            }
        }
    }
    return ids;
}

std::string ChapterList::titleOfSample(const Bytes& sample)
{
    if (sample.size() < 2) {
        return {};
    }
    const std::size_t length = std::min<std::size_t>(getBig(sample, 0, 2), sample.size() - 2);
    const auto text = std::span(sample).subspan(2, length);
    std::string title;
    if (text.size() >= 2 && text[0] == 0xFE && text[1] == 0xFF) {
        title = utf16ToUtf8(text.subspan(2), true);
    } else if (text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE) {
        title = utf16ToUtf8(text.subspan(2), false);
    } else {
        title.assign(text.begin(), text.end());
    }
    return clipUtf8(title, kMaxChapterTitleBytes);
}

Bytes ChapterList::makeSample(const std::string& title)
{
    const std::string text = clipUtf8(title, kMaxChapterTitleBytes);
    ByteWriter w;
    w.u16(static_cast<std::uint16_t>(text.size()));
    w.text(text);
    w.u32(12);
    w.text("encd");
    w.u32(0x100);
    return w.take();
}

Result<std::vector<Chapter>> ChapterList::readQuickTime(const Box& moov, const SampleSource& source)
{
    std::vector<Chapter> chapters;
    const std::uint32_t id = findQuickTimeTrack(moov);
    if (id == 0) {
        return chapters;
    }
    std::uint32_t timeScale = 0;
    for (TrackBox& t : tracksOf(moov)) {
        if (t.id() == id) {
            timeScale = t.timeScale();
        }
    }
    auto samples = source(id);
    if (!samples) {
        return std::unexpected(samples.error());
    }
    for (const SampleData& s : *samples) {
        chapters.push_back({timeScale ? mulDiv(s.duration, 1000, timeScale) : 0, titleOfSample(s.bytes)});
    }
    return chapters;
}

std::vector<Chapter> ChapterList::readNero(const Box& moov, std::uint64_t movieDurationMs)
{
    std::vector<Chapter> chapters;
    const Box* chpl = moov.find({"udta", "chpl"});
    if (!chpl) {
        return chapters;
    }
    ByteReader r(chpl->payload);
    const std::uint8_t version = r.u8();
    r.skip(3);
    if (version >= 1) {
        r.skip(4);
    }
    const std::uint8_t count = r.u8();
    std::vector<std::uint64_t> starts;
    for (std::uint8_t i = 0; i < count; ++i) {
        const std::uint64_t start = r.u64() / 10000;
        const std::uint8_t length = r.u8();
        const auto title = r.bytes(length);
        if (r.failed()) {
            break;
        }
        starts.push_back(start);
        chapters.push_back({0, std::string(title.begin(), title.end())});
    }
    // Lengths count from the movie's start: the first chapter takes the lead-in before
    // its start, so that every later chapter starts where the list says.
    if (!starts.empty()) {
        starts.front() = 0;
    }
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const std::uint64_t end = i + 1 < starts.size() ? starts[i + 1] : movieDurationMs;
        chapters[i].durationMs = end > starts[i] ? end - starts[i] : 0;
    }
    return chapters;
}

void ChapterList::removeNero(Box& moov)
{
    if (Box* udta = moov.child(FourCC("udta"))) {
        udta->removeChildren(FourCC("chpl"));
        if (udta->children.empty() && udta->trailer.empty()) {
            moov.removeChildren(FourCC("udta"));
        }
    }
}

}  // namespace mp4
