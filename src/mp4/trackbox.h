#pragma once

#include "mp4/box.h"
#include "mp4/trackinfo.h"
#include "mp4/tx3gdescription.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mp4 {

// A view over one `trak` box of the tree: reads and patches the fields of its headers in
// place. It does not own the box; short or malformed headers read as zero and refuse edits.
class TrackBox {
public:
    explicit TrackBox(Box& trak) : m_trak(&trak) {}

    Box& box() { return *m_trak; }
    std::uint32_t id() const;
    FourCC handlerType() const;
    std::string language() const;
    bool setLanguage(const std::string& language);
    std::uint32_t timeScale() const;
    std::uint64_t mediaDuration() const;
    std::uint64_t movieDuration() const;  // tkhd, in the movie time scale
    TrackInfo info() const;

    bool setFlags(std::uint32_t flags);
    bool setAlternateGroup(std::uint16_t group);
    bool setMatrix(const Matrix& matrix);
    bool setMediaDuration(std::uint64_t duration);  // mdhd
    bool setMovieDuration(std::uint64_t duration);  // tkhd (v0 tracks: 32 bits)

    // Track ids that `tref/<type>` lists.
    std::vector<std::uint32_t> references(FourCC type) const;
    // Appends `id` to `tref/<type>`, creating both when missing.
    void addReference(FourCC type, std::uint32_t id);
    // Removes `id` from every reference list; empty lists and an empty `tref` go too.
    void removeReferencesTo(std::uint32_t id);

    // The first sample description of `stsd` (its header included), empty if none.
    std::span<const std::uint8_t> firstSampleEntry() const;
    std::optional<Tx3gDescription> tx3g() const;
    bool setTx3g(const Tx3gDescription& d);

    // Whether every `dref` entry (`url ` or `alis`) says "samples are in this file".
    bool isSelfContained() const;

    // Packed ISO 639-2 code of mdhd to three letters ("und" when unknown; Macintosh codes
    // are mapped for the common languages).
    static std::string unpackLanguage(std::uint16_t packed);
    static std::optional<std::uint16_t> packLanguage(const std::string& language);

private:
    Box* tkhd() const;
    Box* mdhd() const;
    Box* m_trak;
};

}  // namespace mp4
