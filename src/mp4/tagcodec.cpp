#include "mp4/tagcodec.h"

#include "mp4/bytes.h"
#include "mp4/utf16.h"

#include <optional>
#include <type_traits>

namespace mp4 {

namespace {

// Calls f(code, field, integerWidthInBytes, dataType) for every tag, in store order.
template <typename TagsT, typename F>
void forEachTag(TagsT& t, F&& f)
{
    using DataType::Implicit;
    using DataType::Integer;
    using DataType::Utf8;
    f("©nam", t.name, 0, Utf8);
    f("©ART", t.artist, 0, Utf8);
    f("aART", t.albumArtist, 0, Utf8);
    f("©alb", t.album, 0, Utf8);
    f("©grp", t.grouping, 0, Utf8);
    f("©wrt", t.composer, 0, Utf8);
    f("©cmt", t.comments, 0, Utf8);
    f("©gen", t.genre, 0, Utf8);
    f("gnre", t.genreType, 2, Implicit);
    f("©day", t.releaseDate, 0, Utf8);
    f("trkn", t.track, 8, Implicit);
    f("disk", t.disk, 6, Implicit);
    f("tmpo", t.tempo, 2, Integer);
    f("cpil", t.compilation, 1, Integer);
    f("tvsh", t.tvShow, 0, Utf8);
    f("tvnn", t.tvNetwork, 0, Utf8);
    f("tven", t.tvEpisodeID, 0, Utf8);
    f("tvsn", t.tvSeason, 4, Integer);
    f("tves", t.tvEpisode, 4, Integer);
    f("sonm", t.sortName, 0, Utf8);
    f("soar", t.sortArtist, 0, Utf8);
    f("soaa", t.sortAlbumArtist, 0, Utf8);
    f("soal", t.sortAlbum, 0, Utf8);
    f("soco", t.sortComposer, 0, Utf8);
    f("sosn", t.sortTVShow, 0, Utf8);
    f("desc", t.description, 0, Utf8);
    f("ldes", t.longDescription, 0, Utf8);
    f("©lyr", t.lyrics, 0, Utf8);
    f("cprt", t.copyright, 0, Utf8);
    f("©too", t.encodingTool, 0, Utf8);
    f("©enc", t.encodedBy, 0, Utf8);
    f("purd", t.purchaseDate, 0, Utf8);
    f("pcst", t.podcast, 1, Integer);
    f("keyw", t.keywords, 0, Utf8);
    f("catg", t.category, 0, Utf8);
    f("hdvd", t.hdVideo, 1, Integer);
    f("stik", t.mediaType, 1, Integer);
    f("rtng", t.contentRating, 1, Integer);
    f("pgap", t.gapless, 1, Integer);
    f("apID", t.iTunesAccount, 0, Utf8);
    f("akID", t.iTunesAccountType, 1, Integer);
    f("sfID", t.iTunesCountry, 4, Integer);
    f("cnID", t.contentID, 4, Integer);
    f("atID", t.artistID, 4, Integer);
    f("plID", t.playlistID, 8, Integer);
    f("geID", t.genreID, 4, Integer);
    f("cmID", t.composerID, 4, Integer);
    f("xid ", t.xid, 0, Utf8);
}

template <typename Field>
void decodeField(Field& field, const ItemData& d)
{
    using T = typename Field::value_type;
    if constexpr (std::is_same_v<T, std::string>) {
        if (d.typeCode == DataType::Utf16 || d.typeCode == 5) {
            field = utf16ToUtf8(d.value, true);
        } else {
            field = std::string(d.value.begin(), d.value.end());
        }
    } else if constexpr (std::is_same_v<T, NumberPair>) {
        if (d.value.size() >= 6) {
            field = NumberPair{static_cast<std::uint16_t>(getBig(d.value, 2, 2)),
                               static_cast<std::uint16_t>(getBig(d.value, 4, 2))};
        }
    } else {
        if (!d.value.empty() && d.value.size() <= 8) {
            field = static_cast<T>(bigEndianValue(d.value));
        }
    }
}

template <typename Field>
std::vector<std::uint8_t> encodeField(const Field& field, int width)
{
    using T = typename Field::value_type;
    if constexpr (std::is_same_v<T, std::string>) {
        return std::vector<std::uint8_t>(field->begin(), field->end());
    } else if constexpr (std::is_same_v<T, NumberPair>) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(width), 0);
        out[2] = static_cast<std::uint8_t>(field->index >> 8);
        out[3] = static_cast<std::uint8_t>(field->index & 0xFF);
        out[4] = static_cast<std::uint8_t>(field->total >> 8);
        out[5] = static_cast<std::uint8_t>(field->total & 0xFF);
        return out;
    } else {
        return bigEndianBytes(static_cast<std::uint64_t>(*field), width);
    }
}

// The data atom type that stores a picture of `type`; none when it is unknown.
std::optional<std::uint32_t> dataTypeFor(ArtworkType type)
{
    switch (type) {
        case ArtworkType::Bmp:
            return DataType::Bmp;
        case ArtworkType::Gif:
            return DataType::Gif;
        case ArtworkType::Jpeg:
            return DataType::Jpeg;
        case ArtworkType::Png:
            return DataType::Png;
        case ArtworkType::Undefined:
            break;
    }
    return std::nullopt;
}

// An artwork of unknown type is typed by its magic bytes, else stored as implicit data.
std::uint32_t dataTypeOf(const Artwork& a)
{
    if (const auto known = dataTypeFor(a.type))
        return *known;
    ItemData probe;
    probe.typeCode = DataType::Implicit;
    probe.value = a.data;
    return dataTypeFor(TagCodec::artworkTypeOf(probe)).value_or(DataType::Implicit);
}

}  // namespace

ArtworkType TagCodec::artworkTypeOf(const ItemData& data)
{
    switch (data.typeCode) {
        case DataType::Jpeg:
            return ArtworkType::Jpeg;
        case DataType::Png:
            return ArtworkType::Png;
        case DataType::Gif:
            return ArtworkType::Gif;
        case DataType::Bmp:
            return ArtworkType::Bmp;
        default:
            break;
    }
    const auto& v = data.value;
    auto startsWith = [&v](std::initializer_list<std::uint8_t> magic) {
        return v.size() >= magic.size() && std::equal(magic.begin(), magic.end(), v.begin());
    };
    if (startsWith({0xFF, 0xD8, 0xFF})) {
        return ArtworkType::Jpeg;
    }
    if (startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        return ArtworkType::Png;
    }
    if (startsWith({'G', 'I', 'F', '8'})) {
        return ArtworkType::Gif;
    }
    if (startsWith({'B', 'M'})) {
        return ArtworkType::Bmp;
    }
    return ArtworkType::Undefined;
}

Tags TagCodec::decode(std::vector<Item> items)
{
    Tags tags;
    forEachTag(tags, [&items](const char* code, auto& field, int, std::uint32_t) {
        const FourCC c(code);
        for (const Item& item : items) {
            if (item.code == c) {
                if (!item.data.empty()) {
                    decodeField(field, item.data.front());
                }
                return;
            }
        }
    });
    for (Item& item : items) {
        if (item.code == FourCC("covr")) {
            for (ItemData& d : item.data) {
                const ArtworkType type = artworkTypeOf(d);
                tags.artwork.push_back(d.inFile ? Artwork{{}, type, d.inFile, std::move(d.value)}
                                                : Artwork{std::move(d.value), type});
            }
            break;
        }
    }
    return tags;
}

std::vector<Item> TagCodec::encode(const Tags& tags)
{
    std::vector<Item> out;
    forEachTag(tags, [&out](const char* code, const auto& field, int width, std::uint32_t type) {
        if (!field) {
            return;
        }
        Item item;
        item.code = FourCC(code);
        item.data.push_back(ItemData{type, 0, encodeField(field, width)});
        out.push_back(std::move(item));
    });
    if (!tags.artwork.empty()) {
        Item covr;
        covr.code = FourCC("covr");
        for (const Artwork& a : tags.artwork) {
            covr.data.push_back(ItemData{dataTypeOf(a), 0, a.data, a.inFile});
        }
        out.push_back(std::move(covr));
    }
    return out;
}

std::vector<FourCC> TagCodec::knownCodes()
{
    std::vector<FourCC> codes;
    Tags empty;
    forEachTag(empty, [&codes](const char* code, auto&, int, std::uint32_t) { codes.emplace_back(code); });
    codes.emplace_back("covr");
    return codes;
}

}  // namespace mp4
