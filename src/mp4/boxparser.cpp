#include "mp4/boxparser.h"

#include <algorithm>
#include <array>
#include <optional>

namespace mp4 {

namespace {

bool isPlainContainer(FourCC type)
{
    static constexpr std::array<const char*, 11> kContainers{"moov", "trak", "edts", "tref", "mdia", "minf",
                                                             "dinf", "stbl", "udta", "ilst", "gmhd"};
    return std::any_of(kContainers.begin(), kContainers.end(), [type](const char* c) { return FourCC(c) == type; });
}

// QuickTime-style `meta` has no version and flags: its first child header starts at once.
std::size_t metaPrefixSize(std::span<const std::uint8_t> body)
{
    if (body.size() >= 8) {
        const FourCC second(static_cast<std::uint32_t>(getBig(body, 4, 4)));
        for (const char* t : {"hdlr", "ilst", "mhdr", "ctry", "lang", "keys", "free"}) {
            if (second == FourCC(t)) {
                return 0;
            }
        }
    }
    return std::min<std::size_t>(4, body.size());
}

class TreeParser {
public:
    explicit TreeParser(bool& damaged) : m_damaged(damaged) {}

    Result<void> parseChildren(Box& parent, std::span<const std::uint8_t> body, int depth)
    {
        if (depth > ParseLimits::maxDepth) {
            return fail(Error::Code::Corrupt, "boxes nested too deeply");
        }
        std::size_t pos = 0;
        while (body.size() - pos >= 8) {
            if (++m_count > ParseLimits::maxBoxes) {
                return fail(Error::Code::Corrupt, "too many boxes");
            }
            std::uint64_t size = getBig(body, pos, 4);
            const FourCC type(static_cast<std::uint32_t>(getBig(body, pos + 4, 4)));
            std::size_t header = 8;
            if (size == 1) {
                if (body.size() - pos < 16) {
                    break;
                }
                size = getBig(body, pos + 8, 8);
                header = 16;
            } else if (size == 0) {
                size = body.size() - pos;
            }
            const bool uuid = type == FourCC("uuid");
            if (uuid) {
                header += 16;
            }
            if (size < header || size > body.size() - pos) {
                m_damaged = true;
                break;
            }
            Box child;
            child.type = type;
            if (uuid) {
                std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(pos + header - 16), 16, child.uuid.begin());
                child.hasUuid = true;
            }
            const auto childBody = body.subspan(pos + header, static_cast<std::size_t>(size) - header);
            auto result = parseBox(child, parent.type, childBody, depth + 1);
            if (!result) {
                return result;
            }
            parent.children.push_back(std::move(child));
            pos += static_cast<std::size_t>(size);
        }
        parent.trailer.assign(body.begin() + static_cast<std::ptrdiff_t>(pos), body.end());
        return {};
    }

private:
    Result<void> parseBox(Box& box, FourCC parentType, std::span<const std::uint8_t> body, int depth)
    {
        std::size_t prefix = 0;
        if (box.hasUuid) {
            box.container = false;
        } else if (isPlainContainer(box.type) || parentType == FourCC("ilst")) {
            box.container = true;
        } else if (box.type == FourCC("meta")) {
            box.container = true;
            prefix = metaPrefixSize(body);
        }
        if (!box.container) {
            box.payload.assign(body.begin(), body.end());
            return {};
        }
        box.payload.assign(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(prefix));
        return parseChildren(box, body.subspan(prefix), depth);
    }

    bool& m_damaged;
    std::size_t m_count = 0;
};

// The header of the top-level box at `pos`, with `left` bytes from there to the end of the
// file; nothing when those bytes cannot hold a whole header. The size it declares is not
// checked here.
Result<std::optional<TopLevelBox>> readTopLevelHeader(const FileHandle& file, std::uint64_t pos, std::uint64_t left)
{
    if (left < 8) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 32> header{};
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, header.size()));
    if (auto r = file.readAt(pos, std::span(header).first(want)); !r) {
        return std::unexpected(r.error());
    }
    TopLevelBox box;
    box.offset = pos;
    box.type = FourCC(static_cast<std::uint32_t>(getBig(header, 4, 4)));
    box.size = getBig(header, 0, 4);
    if (box.size == 1) {
        if (left < 16) {
            return std::nullopt;
        }
        box.size = getBig(header, 8, 8);
        box.headerSize = 16;
    } else if (box.size == 0) {
        box.size = left;
        box.sizeToEnd = true;
    }
    if (box.type == FourCC("uuid")) {
        box.headerSize += 16;
    }
    return box;
}

}  // namespace

Result<TopLevelLayout> BoxParser::scanTopLevel(const FileHandle& file)
{
    TopLevelLayout layout;
    auto fileSize = file.size();
    if (!fileSize) {
        return std::unexpected(fileSize.error());
    }
    layout.fileSize = *fileSize;
    std::uint64_t pos = 0;
    while (pos < layout.fileSize) {
        if (layout.boxes.size() >= ParseLimits::maxTopLevelBoxes) {
            return fail(Error::Code::Corrupt, "too many top-level boxes");
        }
        const std::uint64_t left = layout.fileSize - pos;
        auto header = readTopLevelHeader(file, pos, left);
        if (!header) {
            return std::unexpected(header.error());
        }
        if (!*header) {
            layout.damagedTail = true;
            break;
        }
        const TopLevelBox& box = **header;
        if (box.size < box.headerSize) {
            if (layout.boxes.empty()) {
                return fail(Error::Code::Corrupt, "not an MPEG-4 file: invalid first box size");
            }
            layout.damagedTail = true;
            break;
        }
        layout.boxes.push_back(box);
        if (box.size > left) {
            // A cut-off last box (an interrupted download or copy): keep what is there.
            layout.damagedTail = true;
            break;
        }
        pos += box.size;
    }
    if (layout.boxes.empty()) {
        return fail(Error::Code::Corrupt, "not an MPEG-4 file: no boxes");
    }
    return layout;
}

Result<Box> BoxParser::parseMoov(std::span<const std::uint8_t> body, bool& damaged)
{
    Box moov = Box::makeContainer(FourCC("moov"));
    TreeParser parser(damaged);
    if (auto r = parser.parseChildren(moov, body, 1); !r) {
        return std::unexpected(r.error());
    }
    return moov;
}

}  // namespace mp4
