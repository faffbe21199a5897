#pragma once

#include "mp4/bytechain.h"
#include "mp4/bytes.h"
#include "mp4/fourcc.h"

#include <array>
#include <cstdint>
#include <vector>

namespace mp4 {

// One box of the in-memory `moov` tree. A leaf keeps its body bytes as they are (unknown
// boxes survive a save byte for byte); a container keeps the bytes in front of its children
// (e.g. the version and flags of a full-box `meta`), its children, and any bytes after the
// last child that are too few to be a box. Sizes are computed from the content on writing.
struct Box {
    FourCC type;
    bool container = false;
    bool hasUuid = false;
    std::array<std::uint8_t, 16> uuid{};
    Bytes payload;  // leaf: the whole body; container: bytes before the children
    std::vector<Box> children;
    Bytes trailer;  // container only
    // Leaf whose body was left in the file when it was read: `payload` holds its first bytes
    // only, the whole body is `inFileSize` bytes at `inFileOffset`. 0: `payload` is the body.
    std::uint64_t inFileOffset = 0;
    std::uint64_t inFileSize = 0;

    static Box leaf(FourCC type, Bytes body);
    static Box makeContainer(FourCC type, Bytes prefix = {});

    Box* child(FourCC t);
    const Box* child(FourCC t) const;
    // Follows a path of child types, e.g. {"mdia", "minf", "stbl"}.
    Box* find(std::initializer_list<FourCC> path);
    const Box* find(std::initializer_list<FourCC> path) const;
    std::size_t removeChildren(FourCC t);

    std::uint64_t size() const;
    // Whether no body of the box or its children is left in the file (it can be written).
    bool isLoaded() const;
    // Only for a box that isLoaded().
    void serialize(Bytes& out) const;
    Bytes serialize() const;
    // Appends the box to `out`, its large payloads referred to rather than copied and bodies
    // left in the file as ranges of the file; the header may carry another type (a box
    // written under a `free` header first).
    void serialize(ByteChain& out) const { serializeAs(out, type); }
    void serializeAs(ByteChain& out, FourCC headerType) const;
};

}  // namespace mp4
