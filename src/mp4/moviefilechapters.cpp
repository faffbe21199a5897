#include "mp4/moviefileimpl.h"

#include "mp4/log.h"
#include "mp4/sampletable.h"

#include <algorithm>

namespace mp4 {

namespace {

// Largest part of a chapter sample worth reading: the 16-bit length and a long title.
constexpr std::size_t kChapterSampleReadLimit = 2 + 8192;
constexpr std::size_t kMaxChapters = 10000;

}  // namespace

Result<std::vector<ChapterList::SampleData>> MovieFile::Impl::samplesOf(std::uint32_t trackId) const
{
    if (const auto it = pending.find(trackId); it != pending.end()) {
        std::vector<ChapterList::SampleData> out;
        const PendingSamples& samples = it->second;
        for (std::size_t i = 0; i < samples.samples().size() && i < kMaxChapters; ++i) {
            out.push_back({samples.samples()[i], samples.durations()[i]});
        }
        return out;
    }
    auto [read, first] = samplesRead.try_emplace(trackId);
    if (first) {
        read->second = readSamples(trackId);
    }
    return read->second;
}

Result<std::vector<ChapterList::SampleData>> MovieFile::Impl::readSamples(std::uint32_t trackId) const
{
    Box* t = const_cast<Impl*>(this)->trak(trackId);
    if (t) {
        if (auto r = BoxParser::loadLeftInFile(file, *t); !r) {
            return std::unexpected(r.error());
        }
    }
    const Box* stbl = t ? t->find({"mdia", "minf", "stbl"}) : nullptr;
    auto table = stbl ? SampleTable::parse(*stbl) : std::nullopt;
    if (!table) {
        log("chapter track has no usable sample tables: " + path.string());
        return fail(Error::Code::Corrupt, "chapter track has no usable sample tables");
    }
    std::vector<ChapterList::SampleData> out;
    for (const SampleTable::Sample& s : table->samples(kMaxChapters)) {
        const std::size_t want = std::min<std::size_t>(s.size, kChapterSampleReadLimit);
        if (s.offset > layout.fileSize || layout.fileSize - s.offset < want) {
            log("chapter sample lies outside the file: " + path.string());
            return fail(Error::Code::Corrupt, "chapter sample lies outside the file");
        }
        Bytes bytes(want);
        if (auto r = file.readAt(s.offset, bytes); !r) {
            return std::unexpected(r.error());
        }
        out.push_back({std::move(bytes), s.duration});
    }
    return out;
}

Result<std::vector<Chapter>> MovieFile::chapters(ChapterType type) const
{
    const std::uint32_t scale = m_impl->movieTimeScale();
    const std::uint64_t movieMs = scale ? mulDiv(m_impl->movieDuration(), 1000, scale) : 0;
    if (type == ChapterType::Nero) {
        return ChapterList::readNero(m_impl->moov, movieMs);
    }
    auto quickTime =
        ChapterList::readQuickTime(m_impl->moov, [this](std::uint32_t id) { return m_impl->samplesOf(id); });
    if (type == ChapterType::QuickTime || (quickTime && !quickTime->empty())) {
        return quickTime;
    }
    return ChapterList::readNero(m_impl->moov, movieMs);
}

Result<void> MovieFile::deleteChapters(ChapterType type)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    if (type != ChapterType::Nero) {
        for (std::uint32_t id : ChapterList::quickTimeTrackIds(m_impl->moov)) {
            m_impl->deleteTrackBox(id);
        }
    }
    if (type != ChapterType::QuickTime) {
        ChapterList::removeNero(m_impl->moov);
    }
    m_impl->modified = true;
    return {};
}

Result<std::uint32_t> MovieFile::setChapters(const std::vector<Chapter>& list)
{
    if (auto r = deleteChapters(ChapterType::QuickTime); !r) {
        return std::unexpected(r.error());
    }
    if (list.empty()) {
        return 0;
    }
    // QuickTime takes chapters only from an enabled track.
    std::uint32_t reference = 0;
    for (bool enabledOnly : {true, false}) {
        for (FourCC kind : {FourCC("vide"), FourCC("soun")}) {
            for (Box* t : m_impl->traks()) {
                const TrackBox track(*t);
                if (!reference && track.handlerType() == kind &&
                    (!enabledOnly || (track.info().flags & TrackFlags::Enabled))) {
                    reference = track.id();
                }
            }
        }
    }
    if (!reference) {
        return fail(Error::Code::InvalidArgument, "no video or audio track to hang chapters on");
    }
    TrackBuilder::Recipe recipe;
    recipe.kind = TrackBuilder::Kind::ChapterText;
    recipe.timeScale = 1000;
    recipe.flags = TrackFlags::InMovie | TrackFlags::InPreview | 0x8;
    auto id = m_impl->addTrack(recipe);
    if (!id) {
        return id;
    }
    PendingSamples& samples = m_impl->pending[*id];
    for (const Chapter& c : list) {
        samples.append(ChapterList::makeSample(c.title), c.durationMs);
    }
    TrackBox(*m_impl->trak(reference)).addReference(FourCC("chap"), *id);
    m_impl->fitMovieDuration();
    return *id;
}

}  // namespace mp4
