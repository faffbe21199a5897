#pragma once

#include "mp4/item.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mp4 {

// Kind of a picture in the artwork list. Reading reports the kind from the `data` type, or
// from the picture's first bytes when the type says nothing; writing maps it to the type.
enum class ArtworkType : std::uint8_t {
    Undefined = 0,  // written with the kind found in the bytes (JPEG, PNG, GIF, BMP), else type 0
    Bmp = 1,
    Gif = 2,
    Jpeg = 3,
    Png = 4,
};

struct Artwork {
    std::vector<std::uint8_t> data;  // empty when the picture was left in the file
    ArtworkType type = ArtworkType::Undefined;
    // A picture read with ArtworkBytes::LeftInFile: its bytes lie here in the file it was read
    // from. Given to setTags of that same file, unchanged since, the picture is copied from
    // where it lies, byte for byte and with its own `data` type (`type` is then not used).
    std::optional<FileRange> inFile = std::nullopt;
    // Of a picture left in the file: its first bytes (see kPictureHeadBytes), read with the
    // tags, so that nothing of it is read again to tell its kind and size.
    std::vector<std::uint8_t> head = {};

    std::uint64_t size() const { return inFile ? inFile->length : data.size(); }
    bool operator==(const Artwork&) const = default;
};

// Whether reading the tags reads the pictures' bytes or only notes where they lie.
enum class ArtworkBytes {
    Read,
    LeftInFile,  // pictures larger than a few kilobytes: see Artwork::inFile
};

// Index and total of `trkn` / `disk`.
struct NumberPair {
    std::uint16_t index = 0;
    std::uint16_t total = 0;

    bool operator==(const NumberPair&) const = default;
};

// The iTunes-style tag set of a movie file (`moov/udta/meta/ilst`), one field per known item
// code. A field without a value means the file has no such item. Texts are UTF-8.
// Integer fields have the width that the writer uses; reading takes any big-endian value of
// 1 to 8 bytes and keeps its low bits.
//
// MovieFile::setTags replaces the whole set: every known code whose field is empty is
// removed from the file, every other one is written once; `artwork` becomes the one `covr`
// item with one picture per entry, in order (an empty list removes `covr`).
struct Tags {
    std::optional<std::string> name;                // ©nam
    std::optional<std::string> artist;              // ©ART
    std::optional<std::string> albumArtist;         // aART
    std::optional<std::string> album;               // ©alb
    std::optional<std::string> grouping;            // ©grp
    std::optional<std::string> composer;            // ©wrt
    std::optional<std::string> comments;            // ©cmt
    std::optional<std::string> genre;               // ©gen
    std::optional<std::uint16_t> genreType;         // gnre (16 bits, type 0)
    std::optional<std::string> releaseDate;         // ©day
    std::optional<NumberPair> track;                // trkn
    std::optional<NumberPair> disk;                 // disk
    std::optional<std::uint16_t> tempo;             // tmpo (16 bits)
    std::optional<std::uint8_t> compilation;        // cpil (8 bits)
    std::optional<std::string> tvShow;              // tvsh
    std::optional<std::string> tvNetwork;           // tvnn
    std::optional<std::string> tvEpisodeID;         // tven
    std::optional<std::uint32_t> tvSeason;          // tvsn (32 bits)
    std::optional<std::uint32_t> tvEpisode;         // tves (32 bits)
    std::optional<std::string> sortName;            // sonm
    std::optional<std::string> sortArtist;          // soar
    std::optional<std::string> sortAlbumArtist;     // soaa
    std::optional<std::string> sortAlbum;           // soal
    std::optional<std::string> sortComposer;        // soco
    std::optional<std::string> sortTVShow;          // sosn
    std::optional<std::string> description;         // desc
    std::optional<std::string> longDescription;     // ldes
    std::optional<std::string> lyrics;              // ©lyr
    std::optional<std::string> copyright;           // cprt
    std::optional<std::string> encodingTool;        // ©too
    std::optional<std::string> encodedBy;           // ©enc
    std::optional<std::string> purchaseDate;        // purd
    std::optional<std::uint8_t> podcast;            // pcst (8 bits)
    std::optional<std::string> keywords;            // keyw
    std::optional<std::string> category;            // catg
    std::optional<std::uint8_t> hdVideo;            // hdvd (8 bits)
    std::optional<std::uint8_t> mediaType;          // stik (8 bits)
    std::optional<std::uint8_t> contentRating;      // rtng (8 bits)
    std::optional<std::uint8_t> gapless;            // pgap (8 bits)
    std::optional<std::string> iTunesAccount;       // apID
    std::optional<std::uint8_t> iTunesAccountType;  // akID (8 bits)
    std::optional<std::uint32_t> iTunesCountry;     // sfID (32 bits)
    std::optional<std::uint32_t> contentID;         // cnID (32 bits)
    std::optional<std::uint32_t> artistID;          // atID (32 bits)
    std::optional<std::uint64_t> playlistID;        // plID (64 bits)
    std::optional<std::uint32_t> genreID;           // geID (32 bits)
    std::optional<std::uint32_t> composerID;        // cmID (32 bits)
    std::optional<std::string> xid;                 // "xid "

    // Pictures of the first `covr` item, in file order; the first one is the cover.
    std::vector<Artwork> artwork;

    bool operator==(const Tags&) const = default;
};

}  // namespace mp4
