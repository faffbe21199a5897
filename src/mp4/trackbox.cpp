#include "mp4/trackbox.h"

#include <algorithm>
#include <array>

namespace mp4 {

namespace {

// Field offsets inside the bodies (version and flags included) of the headers.
struct TkhdLayout {
    std::size_t trackId, duration, durationBytes, layer, alternateGroup, matrix, width, height, bodySize;
};
TkhdLayout tkhdLayout(const Bytes& body)
{
    if (!body.empty() && body[0] == 1) {
        return {20, 28, 8, 44, 46, 52, 88, 92, 96};
    }
    return {12, 20, 4, 32, 34, 40, 76, 80, 84};
}

struct MdhdLayout {
    std::size_t timeScale, duration, durationBytes, language, bodySize;
};
MdhdLayout mdhdLayout(const Bytes& body)
{
    if (!body.empty() && body[0] == 1) {
        return {20, 24, 8, 32, 36};
    }
    return {12, 16, 4, 20, 24};
}

constexpr std::size_t kFirstEntry = 8;  // stsd: version/flags, entry count

// tx3g sample entry: offsets from the start of the entry's body (after its 8-byte header).
constexpr std::size_t kTx3gFixedSize = 38;

}  // namespace

Box* TrackBox::tkhd() const
{
    Box* b = m_trak->child(FourCC("tkhd"));
    return b && b->payload.size() >= tkhdLayout(b->payload).bodySize ? b : nullptr;
}

Box* TrackBox::mdhd() const
{
    Box* b = m_trak->find({"mdia", "mdhd"});
    return b && b->payload.size() >= mdhdLayout(b->payload).bodySize ? b : nullptr;
}

std::uint32_t TrackBox::id() const
{
    const Box* b = tkhd();
    return b ? static_cast<std::uint32_t>(getBig(b->payload, tkhdLayout(b->payload).trackId, 4)) : 0;
}

FourCC TrackBox::handlerType() const
{
    const Box* b = m_trak->find({"mdia", "hdlr"});
    return b ? FourCC(static_cast<std::uint32_t>(getBig(b->payload, 8, 4))) : FourCC();
}

std::string TrackBox::unpackLanguage(std::uint16_t packed)
{
    if (packed < 0x400) {
        static constexpr std::array<const char*, 24> kMac{"eng", "fra", "deu", "ita", "nld", "swe", "spa", "dan",
                                                          "por", "nor", "heb", "jpn", "ara", "fin", "ell", "isl",
                                                          "mlt", "tur", "hrv", "zho", "urd", "hin", "tha", "kor"};
        return packed < kMac.size() ? kMac[packed] : "und";
    }
    if (packed == 0x7FFF) {
        return "und";
    }
    std::string out(3, ' ');
    for (int i = 0; i < 3; ++i) {
        const int c = ((packed >> (10 - 5 * i)) & 0x1F) + 0x60;
        if (c < 'a' || c > 'z') {
            return "und";
        }
        out[static_cast<std::size_t>(i)] = static_cast<char>(c);
    }
    return out;
}

std::optional<std::uint16_t> TrackBox::packLanguage(const std::string& language)
{
    if (language.size() != 3) {
        return std::nullopt;
    }
    std::uint16_t packed = 0;
    for (char c : language) {
        if (c < 'a' || c > 'z') {
            return std::nullopt;
        }
        packed = static_cast<std::uint16_t>((packed << 5) | (c - 0x60));
    }
    return packed;
}

std::string TrackBox::language() const
{
    const Box* b = mdhd();
    return b ? unpackLanguage(static_cast<std::uint16_t>(getBig(b->payload, mdhdLayout(b->payload).language, 2)))
             : std::string("und");
}

bool TrackBox::setLanguage(const std::string& language)
{
    Box* b = mdhd();
    const auto packed = packLanguage(language);
    return b && packed && putBig(b->payload, mdhdLayout(b->payload).language, *packed, 2);
}

std::uint32_t TrackBox::timeScale() const
{
    const Box* b = mdhd();
    return b ? static_cast<std::uint32_t>(getBig(b->payload, mdhdLayout(b->payload).timeScale, 4)) : 0;
}

std::uint64_t TrackBox::mediaDuration() const
{
    const Box* b = mdhd();
    if (!b) {
        return 0;
    }
    const auto l = mdhdLayout(b->payload);
    return getBig(b->payload, l.duration, static_cast<int>(l.durationBytes));
}

std::uint64_t TrackBox::movieDuration() const
{
    const Box* b = tkhd();
    if (!b) {
        return 0;
    }
    const auto l = tkhdLayout(b->payload);
    return getBig(b->payload, l.duration, static_cast<int>(l.durationBytes));
}

bool TrackBox::setMediaDuration(std::uint64_t duration)
{
    Box* b = mdhd();
    if (!b) {
        return false;
    }
    const auto l = mdhdLayout(b->payload);
    return putBigSaturated(b->payload, l.duration, duration, static_cast<int>(l.durationBytes));
}

bool TrackBox::setMovieDuration(std::uint64_t duration)
{
    Box* b = tkhd();
    if (!b) {
        return false;
    }
    const auto l = tkhdLayout(b->payload);
    return putBigSaturated(b->payload, l.duration, duration, static_cast<int>(l.durationBytes));
}

bool TrackBox::setFlags(std::uint32_t flags)
{
    Box* b = tkhd();
    return b && putBig(b->payload, 1, flags & 0xFFFFFF, 3);
}

bool TrackBox::setAlternateGroup(std::uint16_t group)
{
    Box* b = tkhd();
    return b && putBig(b->payload, tkhdLayout(b->payload).alternateGroup, group, 2);
}

bool TrackBox::setMatrix(const Matrix& matrix)
{
    Box* b = tkhd();
    if (!b) {
        return false;
    }
    std::copy(matrix.begin(), matrix.end(),
              b->payload.begin() + static_cast<std::ptrdiff_t>(tkhdLayout(b->payload).matrix));
    return true;
}

std::span<const std::uint8_t> TrackBox::firstSampleEntry() const
{
    const Box* stsd = m_trak->find({"mdia", "minf", "stbl", "stsd"});
    if (!stsd || stsd->payload.size() < kFirstEntry + 8 || getBig(stsd->payload, 4, 4) == 0) {
        return {};
    }
    const std::uint64_t size = getBig(stsd->payload, kFirstEntry, 4);
    if (size < 8 || size > stsd->payload.size() - kFirstEntry) {
        return {};
    }
    return std::span(stsd->payload).subspan(kFirstEntry, static_cast<std::size_t>(size));
}

TrackInfo TrackBox::info() const
{
    TrackInfo t;
    t.id = id();
    t.type = handlerType();
    t.language = language();
    t.timeScale = timeScale();
    t.duration = mediaDuration();
    if (const Box* b = tkhd()) {
        const auto l = tkhdLayout(b->payload);
        t.flags = static_cast<std::uint32_t>(getBig(b->payload, 1, 3));
        t.movieDuration = movieDuration();
        t.layer = static_cast<std::int16_t>(getBig(b->payload, l.layer, 2));
        t.alternateGroup = static_cast<std::uint16_t>(getBig(b->payload, l.alternateGroup, 2));
        std::copy_n(b->payload.begin() + static_cast<std::ptrdiff_t>(l.matrix), t.matrix.size(), t.matrix.begin());
        t.width = static_cast<std::uint16_t>(getBig(b->payload, l.width, 2));
        t.height = static_cast<std::uint16_t>(getBig(b->payload, l.height, 2));
    }
    const auto entry = firstSampleEntry();
    if (entry.size() >= 8) {
        t.sampleEntryType = FourCC(static_cast<std::uint32_t>(getBig(entry, 4, 4)));
    }
    // The coded picture size of a visual sample entry wins over the display size.
    if (t.type == FourCC("vide") && entry.size() >= 36) {
        const auto w = static_cast<std::uint16_t>(getBig(entry, 32, 2));
        const auto h = static_cast<std::uint16_t>(getBig(entry, 34, 2));
        if (w && h) {
            t.width = w;
            t.height = h;
        }
    }
    if (const Box* stsz = m_trak->find({"mdia", "minf", "stbl", "stsz"})) {
        t.sampleCount = getBig(stsz->payload, 8, 4);
    } else if (const Box* stz2 = m_trak->find({"mdia", "minf", "stbl", "stz2"})) {
        t.sampleCount = getBig(stz2->payload, 8, 4);
    }
    return t;
}

std::vector<std::uint32_t> TrackBox::references(FourCC type) const
{
    std::vector<std::uint32_t> ids;
    const Box* list = m_trak->find({"tref", type});
    if (!list) {
        return ids;
    }
    for (std::size_t pos = 0; pos + 4 <= list->payload.size(); pos += 4) {
        ids.push_back(static_cast<std::uint32_t>(getBig(list->payload, pos, 4)));
    }
    return ids;
}

void TrackBox::addReference(FourCC type, std::uint32_t id)
{
    Box* tref = m_trak->child(FourCC("tref"));
    if (!tref) {
        // Recommended order: tkhd tref edts mdia.
        auto at = std::find_if(m_trak->children.begin(), m_trak->children.end(),
                               [](const Box& c) { return c.type != FourCC("tkhd"); });
        tref = &*m_trak->children.insert(at, Box::makeContainer(FourCC("tref")));
    }
    Box* list = tref->child(type);
    if (!list) {
        tref->children.push_back(Box::leaf(type, {}));
        list = &tref->children.back();
    }
    for (std::uint32_t existing : references(type)) {
        if (existing == id) {
            return;
        }
    }
    list->payload.resize(list->payload.size() / 4 * 4);
    ByteWriter w;
    w.u32(id);
    list->payload.insert(list->payload.end(), w.data().begin(), w.data().end());
}

void TrackBox::removeReferencesTo(std::uint32_t id)
{
    Box* tref = m_trak->child(FourCC("tref"));
    if (!tref) {
        return;
    }
    for (Box& list : tref->children) {
        Bytes kept;
        bool changed = false;
        for (std::size_t pos = 0; pos + 4 <= list.payload.size(); pos += 4) {
            if (getBig(list.payload, pos, 4) == id) {
                changed = true;
            } else {
                kept.insert(kept.end(), list.payload.begin() + static_cast<std::ptrdiff_t>(pos),
                            list.payload.begin() + static_cast<std::ptrdiff_t>(pos + 4));
            }
        }
        if (changed) {
            list.payload = std::move(kept);
        }
    }
    std::erase_if(tref->children, [](const Box& list) { return !list.container && list.payload.empty(); });
    if (tref->children.empty()) {
        m_trak->removeChildren(FourCC("tref"));
    }
}

std::optional<Tx3gDescription> TrackBox::tx3g() const
{
    const auto e = firstSampleEntry();
    if (e.size() < 8 + kTx3gFixedSize || FourCC(static_cast<std::uint32_t>(getBig(e, 4, 4))) != FourCC("tx3g")) {
        return std::nullopt;
    }
    const auto b = e.subspan(8);
    Tx3gDescription d;
    d.dataReferenceIndex = static_cast<std::uint16_t>(getBig(b, 6, 2));
    d.displayFlags = static_cast<std::uint32_t>(getBig(b, 8, 4));
    d.horizontalJustification = static_cast<std::int8_t>(b[12]);
    d.verticalJustification = static_cast<std::int8_t>(b[13]);
    d.bgColorRed = b[14];
    d.bgColorGreen = b[15];
    d.bgColorBlue = b[16];
    d.bgColorAlpha = b[17];
    d.defTextBoxTop = static_cast<std::int16_t>(getBig(b, 18, 2));
    d.defTextBoxLeft = static_cast<std::int16_t>(getBig(b, 20, 2));
    d.defTextBoxBottom = static_cast<std::int16_t>(getBig(b, 22, 2));
    d.defTextBoxRight = static_cast<std::int16_t>(getBig(b, 24, 2));
    d.startChar = static_cast<std::uint16_t>(getBig(b, 26, 2));
    d.endChar = static_cast<std::uint16_t>(getBig(b, 28, 2));
    d.fontID = static_cast<std::uint16_t>(getBig(b, 30, 2));
    d.fontFace = b[32];
    d.fontSize = b[33];
    d.fontColorRed = b[34];
    d.fontColorGreen = b[35];
    d.fontColorBlue = b[36];
    d.fontColorAlpha = b[37];
    return d;
}

bool TrackBox::setTx3g(const Tx3gDescription& d)
{
    if (!tx3g()) {
        return false;
    }
    Box* stsd = m_trak->find({"mdia", "minf", "stbl", "stsd"});
    Bytes& p = stsd->payload;
    const std::size_t o = kFirstEntry + 8;
    putBig(p, o + 6, d.dataReferenceIndex, 2);
    putBig(p, o + 8, d.displayFlags, 4);
    putBig(p, o + 12, static_cast<std::uint8_t>(d.horizontalJustification), 1);
    putBig(p, o + 13, static_cast<std::uint8_t>(d.verticalJustification), 1);
    putBig(p, o + 14, d.bgColorRed, 1);
    putBig(p, o + 15, d.bgColorGreen, 1);
    putBig(p, o + 16, d.bgColorBlue, 1);
    putBig(p, o + 17, d.bgColorAlpha, 1);
    putBig(p, o + 18, static_cast<std::uint16_t>(d.defTextBoxTop), 2);
    putBig(p, o + 20, static_cast<std::uint16_t>(d.defTextBoxLeft), 2);
    putBig(p, o + 22, static_cast<std::uint16_t>(d.defTextBoxBottom), 2);
    putBig(p, o + 24, static_cast<std::uint16_t>(d.defTextBoxRight), 2);
    putBig(p, o + 26, d.startChar, 2);
    putBig(p, o + 28, d.endChar, 2);
    putBig(p, o + 30, d.fontID, 2);
    putBig(p, o + 32, d.fontFace, 1);
    putBig(p, o + 33, d.fontSize, 1);
    putBig(p, o + 34, d.fontColorRed, 1);
    putBig(p, o + 35, d.fontColorGreen, 1);
    putBig(p, o + 36, d.fontColorBlue, 1);
    putBig(p, o + 37, d.fontColorAlpha, 1);
    return true;
}

bool TrackBox::isSelfContained() const
{
    const Box* dref = m_trak->find({"mdia", "minf", "dinf", "dref"});
    if (!dref) {
        return true;  // no data reference: nothing points elsewhere
    }
    ByteReader r(dref->payload);
    r.skip(4);
    const std::uint32_t count = r.u32();
    for (std::uint32_t i = 0; i < count && !r.failed(); ++i) {
        const std::uint32_t size = r.u32();
        const FourCC type(r.u32());
        const std::uint32_t flags = r.u32() & 0xFFFFFF;
        // Flag 1 means "in this file"; QuickTime writers set it on `alis` entries as others on `url `.
        const bool reference = type == FourCC("url ") || type == FourCC("alis");
        if (size < 12 || r.failed() || !reference || !(flags & 1)) {
            return false;
        }
        r.skip(size - 12);
    }
    return !r.failed();
}

}  // namespace mp4
