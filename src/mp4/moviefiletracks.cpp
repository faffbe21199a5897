#include "mp4/moviefileimpl.h"

#include "mp4/iodsbox.h"

#include <set>

namespace mp4 {

std::uint32_t MovieFile::Impl::allocateTrackId()
{
    std::set<std::uint32_t> used;
    for (Box* t : traks()) {
        used.insert(TrackBox(*t).id());
    }
    Box* header = mvhd();
    const auto l = mvhdLayout(header->payload);
    std::uint32_t id = static_cast<std::uint32_t>(getBig(header->payload, l.nextTrackId, 4));
    if (id == 0 || id > 0xFFFF || used.count(id)) {
        id = 1;
        while (used.count(id)) {
            ++id;
        }
    }
    used.insert(id);
    putBig(header->payload, l.nextTrackId, *used.rbegin() + 1, 4);
    return id;
}

Result<std::uint32_t> MovieFile::Impl::addTrack(const TrackBuilder::Recipe& given)
{
    if (auto r = editable(); !r) {
        return std::unexpected(r.error());
    }
    if (given.timeScale == 0) {
        return fail(Error::Code::InvalidArgument, "time scale 0");
    }
    TrackBuilder::Recipe recipe = given;
    recipe.id = allocateTrackId();
    recipe.creationTime = TrackBuilder::nowSince1904();
    // After the existing tracks, before udta and anything else.
    auto at = moov.children.end();
    for (auto i = moov.children.begin(); i != moov.children.end(); ++i) {
        if (i->type == FourCC("trak") || i->type == FourCC("mvhd") || i->type == FourCC("iods")) {
            at = i + 1;
        }
    }
    moov.children.insert(at, TrackBuilder::makeTrack(recipe));
    pending[recipe.id] = PendingSamples(recipe.timeScale);
    modified = true;
    return recipe.id;
}

void MovieFile::Impl::deleteTrackBox(std::uint32_t id)
{
    // The samples of a track from the file stay where they are until the new moov is live.
    const bool fromFile = !pending.count(id);
    for (auto it = moov.children.begin(); it != moov.children.end();) {
        if (it->type == FourCC("trak") && TrackBox(*it).id() == id) {
            if (fromFile) {
                retired.push_back(std::move(*it));
            }
            it = moov.children.erase(it);
        } else {
            ++it;
        }
    }
    for (Box* t : traks()) {
        TrackBox(*t).removeReferencesTo(id);
    }
    if (Box* iods = moov.child(FourCC("iods"))) {
        IodsBox::removeTrack(*iods, id);
    }
    pending.erase(id);
    fitMovieDuration();
    modified = true;
}

std::size_t MovieFile::trackCount() const
{
    return m_impl->traks().size();
}

std::uint32_t MovieFile::trackId(std::size_t index) const
{
    const auto t = m_impl->traks();
    return index < t.size() ? TrackBox(*t[index]).id() : 0;
}

std::optional<TrackInfo> MovieFile::track(std::uint32_t trackId) const
{
    Box* t = m_impl->trak(trackId);
    if (!t) {
        return std::nullopt;
    }
    TrackInfo info = TrackBox(*t).info();
    if (const auto it = m_impl->pending.find(trackId); it != m_impl->pending.end()) {
        info.sampleCount = it->second.samples().size();
        info.duration = it->second.totalDuration();
    }
    return info;
}

std::vector<TrackInfo> MovieFile::tracks() const
{
    std::vector<TrackInfo> out;
    for (Box* t : m_impl->traks()) {
        if (auto info = track(TrackBox(*t).id())) {
            out.push_back(*info);
        }
    }
    return out;
}

FourCC MovieFile::trackType(std::uint32_t id) const
{
    Box* t = m_impl->trak(id);
    return t ? TrackBox(*t).handlerType() : FourCC();
}

std::string MovieFile::trackLanguage(std::uint32_t id) const
{
    Box* t = m_impl->trak(id);
    return t ? TrackBox(*t).language() : std::string();
}

std::uint32_t MovieFile::trackTimeScale(std::uint32_t id) const
{
    Box* t = m_impl->trak(id);
    return t ? TrackBox(*t).timeScale() : 0;
}

std::uint16_t MovieFile::trackVideoWidth(std::uint32_t id) const
{
    const auto info = track(id);
    return info ? info->width : 0;
}

std::uint16_t MovieFile::trackVideoHeight(std::uint32_t id) const
{
    const auto info = track(id);
    return info ? info->height : 0;
}

std::optional<Tx3gDescription> MovieFile::tx3gDescription(std::uint32_t id) const
{
    Box* t = m_impl->trak(id);
    return t ? TrackBox(*t).tx3g() : std::nullopt;
}

Result<std::uint32_t> MovieFile::addSubtitleTrack(std::uint32_t timeScale, std::uint16_t width, std::uint16_t height)
{
    TrackBuilder::Recipe recipe;
    recipe.kind = TrackBuilder::Kind::Subtitle;
    recipe.timeScale = timeScale;
    recipe.width = width;
    recipe.height = height;
    recipe.flags = TrackFlags::Enabled;
    return m_impl->addTrack(recipe);
}

Result<void> MovieFile::writeSample(std::uint32_t trackId, std::span<const std::uint8_t> bytes, std::uint64_t duration)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    const auto it = m_impl->pending.find(trackId);
    if (it == m_impl->pending.end()) {
        return fail(Error::Code::InvalidArgument, "samples can only be added to tracks added since opening");
    }
    it->second.append(Bytes(bytes.begin(), bytes.end()), duration);
    if (const std::uint32_t mediaScale = it->second.timeScale()) {
        // Only ever longer here, so the cheap way suffices (thousands of captions).
        const std::uint64_t trackDuration = mulDiv(it->second.totalDuration(), m_impl->movieTimeScale(), mediaScale);
        if (trackDuration > m_impl->movieDuration()) {
            m_impl->fitMovieDuration();
        }
    }
    m_impl->modified = true;
    return {};
}

Result<void> MovieFile::setTrackDurationPerChunk(std::uint32_t trackId, std::uint64_t duration)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    const auto it = m_impl->pending.find(trackId);
    if (it == m_impl->pending.end()) {
        return fail(Error::Code::InvalidArgument, "only tracks added since opening are chunked anew");
    }
    it->second.setDurationPerChunk(duration);
    return {};
}

Result<void> MovieFile::deleteTrack(std::uint32_t trackId)
{
    auto t = m_impl->editableTrack(trackId);
    if (!t) {
        return std::unexpected(t.error());
    }
    m_impl->deleteTrackBox(trackId);
    return {};
}

Result<void> MovieFile::setTrackLanguage(std::uint32_t trackId, const std::string& language)
{
    auto t = m_impl->editableTrack(trackId);
    if (!t) {
        return std::unexpected(t.error());
    }
    if (!t->setLanguage(language)) {
        return fail(Error::Code::InvalidArgument, "not a three-letter language code: " + language);
    }
    m_impl->modified = true;
    return {};
}

Result<void> MovieFile::setTrackFlags(std::uint32_t trackId, std::uint32_t flags)
{
    auto t = m_impl->editableTrack(trackId);
    if (!t) {
        return std::unexpected(t.error());
    }
    if (!t->setFlags(flags)) {
        return fail(Error::Code::Corrupt, "track header unusable");
    }
    m_impl->modified = true;
    return {};
}

Result<void> MovieFile::setTrackAlternateGroup(std::uint32_t trackId, std::uint16_t group)
{
    auto t = m_impl->editableTrack(trackId);
    if (!t) {
        return std::unexpected(t.error());
    }
    if (!t->setAlternateGroup(group)) {
        return fail(Error::Code::Corrupt, "track header unusable");
    }
    m_impl->modified = true;
    return {};
}

Result<void> MovieFile::setTrackMatrix(std::uint32_t trackId, const Matrix& matrix)
{
    auto t = m_impl->editableTrack(trackId);
    if (!t) {
        return std::unexpected(t.error());
    }
    if (!t->setMatrix(matrix)) {
        return fail(Error::Code::Corrupt, "track header unusable");
    }
    m_impl->modified = true;
    return {};
}

Result<void> MovieFile::setTx3gDescription(std::uint32_t trackId, const Tx3gDescription& description)
{
    auto t = m_impl->editableTrack(trackId);
    if (!t) {
        return std::unexpected(t.error());
    }
    if (!t->setTx3g(description)) {
        return fail(Error::Code::InvalidArgument, "track has no tx3g description");
    }
    m_impl->modified = true;
    return {};
}

}  // namespace mp4
