#include "mp4/boxparser.h"

#include "mp4/item.h"

#include <algorithm>
#include <array>
#include <cstring>
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

// The bytes of a moov body: in memory, or read from the file through a small window. From the
// file, large sample tables stay where they are until something needs them (a long movie's
// tables run to megabytes, and reading tags never looks at them).
class BodySource {
public:
    explicit BodySource(std::span<const std::uint8_t> memory) : m_memory(memory), m_size(memory.size()) {}
    BodySource(const FileHandle& file, std::uint64_t offset, std::uint64_t size)
        : m_file(&file), m_offset(offset), m_size(size)
    {
    }

    std::uint64_t size() const { return m_size; }
    bool leavesTablesInFile() const { return m_file != nullptr; }
    std::uint64_t fileOffset(std::uint64_t pos) const { return m_offset + pos; }

    // Bytes [pos, pos + n), pos + n <= size(); valid until the next call.
    Result<std::span<const std::uint8_t>> bytes(std::uint64_t pos, std::size_t n)
    {
        if (!m_file) {
            return m_memory.subspan(static_cast<std::size_t>(pos), n);
        }
        if (pos < m_windowPos || pos + n > m_windowPos + m_window.size()) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, kWindow), m_size - pos));
            // What the window holds from `pos` on moves to its front and is not read again.
            std::size_t kept = 0;
            if (pos >= m_windowPos && pos < m_windowPos + m_window.size()) {
                kept = static_cast<std::size_t>(m_windowPos + m_window.size() - pos);
                std::memmove(m_window.data(), m_window.data() + (pos - m_windowPos), kept);
            }
            m_window.resize(want);
            m_windowPos = pos;
            if (auto r = m_file->readAt(m_offset + pos + kept, std::span(m_window).subspan(kept)); !r) {
                m_window.clear();
                return std::unexpected(r.error());
            }
        }
        return std::span<const std::uint8_t>(m_window).subspan(static_cast<std::size_t>(pos - m_windowPos), n);
    }

private:
    // Small, so that of a large box kept in part (a picture's head) little more is read.
    static constexpr std::size_t kWindow = 8 * 1024;

    std::span<const std::uint8_t> m_memory;
    const FileHandle* m_file = nullptr;
    std::uint64_t m_offset = 0;
    std::uint64_t m_size = 0;
    Bytes m_window;
    std::uint64_t m_windowPos = 0;
};

// A sample table or a picture this large is left in the file. Of a table the first bytes
// (version, count, first entry) are kept, as the track's sample count is read from them; of
// a picture its type and locale and its header, to tell what kind of picture it is and its size.
constexpr std::uint64_t kLeaveInFileAbove = 4096;
constexpr std::size_t kKeptTablePrefix = 16;
constexpr std::size_t kKeptPicturePrefix = 8 + kPictureHeadBytes;

bool isSampleTable(FourCC type, FourCC parentType)
{
    return parentType == FourCC("stbl") && type != FourCC("stsd");
}

bool isPictureData(FourCC type, FourCC parentType)
{
    return parentType == FourCC("covr") && type == FourCC("data");
}

class TreeParser {
public:
    TreeParser(BodySource& source, bool& damaged) : m_source(source), m_damaged(damaged) {}

    Result<void> parseChildren(Box& parent, std::uint64_t begin, std::uint64_t end, int depth)
    {
        if (depth > ParseLimits::maxDepth) {
            return fail(Error::Code::Corrupt, "boxes nested too deeply");
        }
        std::uint64_t pos = begin;
        while (end - pos >= 8) {
            if (++m_count > ParseLimits::maxBoxes) {
                return fail(Error::Code::Corrupt, "too many boxes");
            }
            auto head = m_source.bytes(pos, static_cast<std::size_t>(std::min<std::uint64_t>(end - pos, 16)));
            if (!head) {
                return std::unexpected(head.error());
            }
            std::uint64_t size = getBig(*head, 0, 4);
            const FourCC type(static_cast<std::uint32_t>(getBig(*head, 4, 4)));
            std::uint64_t header = 8;
            if (size == 1) {
                if (end - pos < 16) {
                    break;
                }
                size = getBig(*head, 8, 8);
                header = 16;
            } else if (size == 0) {
                size = end - pos;
            }
            const bool uuid = type == FourCC("uuid");
            if (uuid) {
                header += 16;
            }
            if (size < header || size > end - pos) {
                m_damaged = true;
                break;
            }
            Box child;
            child.type = type;
            if (uuid) {
                auto id = m_source.bytes(pos + header - 16, 16);
                if (!id) {
                    return std::unexpected(id.error());
                }
                std::copy_n(id->begin(), 16, child.uuid.begin());
                child.hasUuid = true;
            }
            if (auto r = parseBox(child, parent.type, pos + header, pos + size, depth + 1); !r) {
                return r;
            }
            parent.children.push_back(std::move(child));
            pos += size;
        }
        return assign(parent.trailer, pos, end - pos);
    }

private:
    Result<void> assign(Bytes& out, std::uint64_t pos, std::uint64_t n)
    {
        auto bytes = m_source.bytes(pos, static_cast<std::size_t>(n));
        if (!bytes) {
            return std::unexpected(bytes.error());
        }
        out.assign(bytes->begin(), bytes->end());
        return {};
    }

    Result<void> parseBox(Box& box, FourCC parentType, std::uint64_t begin, std::uint64_t end, int depth)
    {
        std::size_t prefix = 0;
        if (box.hasUuid) {
            box.container = false;
        } else if (isPlainContainer(box.type) || parentType == FourCC("ilst")) {
            box.container = true;
        } else if (box.type == FourCC("meta")) {
            box.container = true;
            auto first = m_source.bytes(begin, static_cast<std::size_t>(std::min<std::uint64_t>(end - begin, 8)));
            if (!first) {
                return std::unexpected(first.error());
            }
            prefix = metaPrefixSize(*first);
        }
        if (!box.container) {
            const bool table = isSampleTable(box.type, parentType);
            if (m_source.leavesTablesInFile() && (table || isPictureData(box.type, parentType)) &&
                end - begin > kLeaveInFileAbove) {
                box.inFileOffset = m_source.fileOffset(begin);
                box.inFileSize = end - begin;
                const std::uint64_t kept = table ? kKeptTablePrefix : kKeptPicturePrefix;
                return assign(box.payload, begin, std::min(kept, end - begin));
            }
            return assign(box.payload, begin, end - begin);
        }
        if (auto r = assign(box.payload, begin, prefix); !r) {
            return r;
        }
        return parseChildren(box, begin + prefix, end, depth);
    }

    BodySource& m_source;
    bool& m_damaged;
    std::size_t m_count = 0;
};

Result<Box> parseMoovFrom(BodySource& source, bool& damaged)
{
    Box moov = Box::makeContainer(FourCC("moov"));
    TreeParser parser(source, damaged);
    if (auto r = parser.parseChildren(moov, 0, source.size(), 1); !r) {
        return std::unexpected(r.error());
    }
    return moov;
}

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
    BodySource source(body);
    return parseMoovFrom(source, damaged);
}

Result<Box> BoxParser::parseMoovInFile(const FileHandle& file, std::uint64_t offset, std::uint64_t size, bool& damaged)
{
    BodySource source(file, offset, size);
    return parseMoovFrom(source, damaged);
}

Result<void> BoxParser::loadLeftInFile(const FileHandle& file, Box& box)
{
    if (box.inFileSize != 0) {
        Bytes body(static_cast<std::size_t>(box.inFileSize));
        if (auto r = file.readAt(box.inFileOffset, body); !r) {
            return r;
        }
        box.payload = std::move(body);
        box.inFileSize = 0;
    }
    for (Box& c : box.children) {
        if (auto r = loadLeftInFile(file, c); !r) {
            return r;
        }
    }
    return {};
}

}  // namespace mp4
