#include "mp4/moviefile.h"

#include "mp4/boxparser.h"
#include "mp4/chapterlist.h"
#include "mp4/committer.h"
#include "mp4/filehandle.h"
#include "mp4/iodsbox.h"
#include "mp4/itemlist.h"
#include "mp4/log.h"
#include "mp4/sampletable.h"
#include "mp4/tagcodec.h"
#include "mp4/trackbox.h"
#include "mp4/trackbuilder.h"

#include <algorithm>
#include <map>
#include <set>

namespace mp4 {

namespace {

// Largest part of a chapter sample worth reading: the 16-bit length and a long title.
constexpr std::size_t kChapterSampleReadLimit = 2 + 8192;
constexpr std::size_t kMaxChapters = 10000;

struct MvhdLayout {
    std::size_t timeScale, duration, durationBytes, nextTrackId, bodySize;
};
MvhdLayout mvhdLayout(const Bytes& body)
{
    if (!body.empty() && body[0] == 1) {
        return {20, 24, 8, 108, 112};
    }
    return {12, 16, 4, 96, 100};
}

std::unexpected<Error> logged(Error::Code code, const std::filesystem::path& path, const std::string& message)
{
    log(message + ": " + path.string());
    return fail(code, message);
}

}  // namespace

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

    Result<void> load(bool forModify);
    Result<void> refuseUnsupported(bool treeDamaged) const;

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
    std::size_t removeItemsWhere(const std::function<bool(const Item&)>& match);
    void deleteTrackBox(std::uint32_t id);
};

Result<void> MovieFile::Impl::load(bool forModify)
{
    auto handle = FileHandle::open(path, forModify);
    if (!handle) {
        return logged(handle.error().code, path, handle.error().message);
    }
    file = std::move(*handle);
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
    // Left uninitialised: the read fills it, and a long movie's moov runs to megabytes.
    const auto bodySize = static_cast<std::size_t>(it->size - it->headerSize);
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[bodySize]);
    const std::span<std::uint8_t> body(buffer.get(), bodySize);
    if (auto r = file.readAt(it->offset + it->headerSize, body); !r) {
        return logged(r.error().code, path, r.error().message);
    }
    bool damaged = false;
    auto tree = BoxParser::parseMoov(body, damaged);
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
        if (auto r = refuseUnsupported(damaged); !r) {
            return logged(r.error().code, path, r.error().message);
        }
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
    for (const Box& c : moov.children) {
        if (c.type == FourCC("trak") && !TrackBox(const_cast<Box&>(c)).isSelfContained()) {
            return fail(Error::Code::Unsupported, "samples stored in other files, not changing it");
        }
    }
    return {};
}

Result<void> MovieFile::Impl::commit()
{
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
    return committer.commit(moov, pending, movieTimeScale());
}

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
    putBig(header->payload, l.duration,
           l.durationBytes == 4 ? std::min<std::uint64_t>(duration, 0xFFFFFFFFull) : duration,
           static_cast<int>(l.durationBytes));
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

Result<std::vector<ChapterList::SampleData>> MovieFile::Impl::samplesOf(std::uint32_t trackId) const
{
    std::vector<ChapterList::SampleData> out;
    if (const auto it = pending.find(trackId); it != pending.end()) {
        const PendingSamples& samples = it->second;
        for (std::size_t i = 0; i < samples.samples().size() && i < kMaxChapters; ++i) {
            out.push_back({samples.samples()[i], samples.durations()[i]});
        }
        return out;
    }
    Box* t = const_cast<Impl*>(this)->trak(trackId);
    const Box* stbl = t ? t->find({"mdia", "minf", "stbl"}) : nullptr;
    auto table = stbl ? SampleTable::parse(*stbl) : std::nullopt;
    if (!table) {
        log("chapter track has no usable sample tables: " + path.string());
        return fail(Error::Code::Corrupt, "chapter track has no usable sample tables");
    }
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

std::size_t MovieFile::Impl::removeItemsWhere(const std::function<bool(const Item&)>& match)
{
    Box* ilst = ItemList::find(moov);
    if (!ilst) {
        return 0;
    }
    const std::size_t removed = static_cast<std::size_t>(
        std::erase_if(ilst->children, [&match](const Box& b) { return match(ItemList::fromBox(b)); }));
    if (removed) {
        ItemList::prune(moov);
        modified = true;
    }
    return removed;
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

// ---- MovieFile ----

MovieFile::MovieFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl))
{
}
MovieFile::MovieFile(MovieFile&&) noexcept = default;
MovieFile& MovieFile::operator=(MovieFile&&) noexcept = default;
MovieFile::~MovieFile() = default;

Result<MovieFile> MovieFile::openForRead(const std::filesystem::path& path)
{
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    if (auto r = impl->load(false); !r) {
        return std::unexpected(r.error());
    }
    return MovieFile(std::move(impl));
}

Result<MovieFile> MovieFile::openForModify(const std::filesystem::path& path)
{
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    if (auto r = impl->load(true); !r) {
        return std::unexpected(r.error());
    }
    return MovieFile(std::move(impl));
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

Tags MovieFile::tags() const
{
    return TagCodec::decode(items());
}

Result<void> MovieFile::setTags(const Tags& tags)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    const auto codes = TagCodec::knownCodes();
    m_impl->removeItemsWhere(
        [&codes](const Item& i) { return std::find(codes.begin(), codes.end(), i.code) != codes.end(); });
    for (const Item& item : TagCodec::encode(tags)) {
        ItemList::ensure(m_impl->moov).children.push_back(ItemList::toBox(item));
    }
    ItemList::prune(m_impl->moov);
    m_impl->modified = true;
    return {};
}

std::vector<Item> MovieFile::items() const
{
    return ItemList::items(m_impl->moov);
}

std::vector<Item> MovieFile::itemsByCode(FourCC code) const
{
    auto all = items();
    std::erase_if(all, [code](const Item& i) { return i.code != code; });
    return all;
}

std::vector<Item> MovieFile::itemsByMeaning(const std::string& mean, const std::string& name) const
{
    auto all = items();
    std::erase_if(all, [&](const Item& i) {
        return i.code != FourCC("----") || i.mean != mean || (!name.empty() && i.name != name);
    });
    return all;
}

Result<void> MovieFile::addItem(const Item& item)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    if (!item.code.isValid()) {
        return fail(Error::Code::InvalidArgument, "item without a code");
    }
    ItemList::ensure(m_impl->moov).children.push_back(ItemList::toBox(item));
    m_impl->modified = true;
    return {};
}

Result<std::size_t> MovieFile::removeItems(FourCC code)
{
    if (auto r = m_impl->editable(); !r) {
        return std::unexpected(r.error());
    }
    return m_impl->removeItemsWhere([code](const Item& i) { return i.code == code; });
}

Result<std::size_t> MovieFile::removeItemsByMeaning(const std::string& mean, const std::string& name)
{
    if (auto r = m_impl->editable(); !r) {
        return std::unexpected(r.error());
    }
    return m_impl->removeItemsWhere(
        [&](const Item& i) { return i.code == FourCC("----") && i.mean == mean && (name.empty() || i.name == name); });
}

Result<std::size_t> MovieFile::removeAllItems()
{
    if (auto r = m_impl->editable(); !r) {
        return std::unexpected(r.error());
    }
    return m_impl->removeItemsWhere([](const Item&) { return true; });
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
