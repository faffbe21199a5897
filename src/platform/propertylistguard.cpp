#include "propertylistguard.h"

#include "xmldocument.h"

#include <optional>
#include <vector>

namespace platform {

namespace {

constexpr qsizetype headerSize = 8;
constexpr qsizetype trailerSize = 32;

class BinaryLayout {
public:
    explicit BinaryLayout(const QByteArray& data) : m_data(data) {}

    bool readTrailer()
    {
        const qsizetype size = m_data.size();
        if (size < headerSize + trailerSize || !m_data.startsWith("bplist0"))
            return false;
        const qsizetype trailer = size - trailerSize;
        m_offsetSize = static_cast<quint8>(m_data[trailer + 6]);
        m_refSize = static_cast<quint8>(m_data[trailer + 7]);
        const auto count = readUInt(trailer + 8, 8);
        const auto top = readUInt(trailer + 16, 8);
        const auto table = readUInt(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || !count || !top || !table)
            return false;
        if (*count == 0 || *count > quint64(size) || *top >= *count || *table >= quint64(trailer) ||
            *count * m_offsetSize > quint64(trailer) - *table)
            return false;
        m_objectCount = static_cast<qsizetype>(*count);
        m_top = static_cast<qsizetype>(*top);
        m_table = static_cast<qsizetype>(*table);
        return true;
    }

    qsizetype objectCount() const { return m_objectCount; }
    qsizetype top() const { return m_top; }

    // The objects a container refers to (none for scalars); nullopt when the
    // object lies outside the data or is a dictionary with a key libplist
    // can't take.
    std::optional<std::vector<qsizetype>> children(qsizetype object) const
    {
        const auto start = objectStart(object);
        if (!start)
            return std::nullopt;
        const int type = static_cast<quint8>(m_data[*start]) >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            return std::vector<qsizetype>{};
        const auto header = readHeader(*start);
        if (!header)
            return std::nullopt;
        const quint64 count = type == 0xD ? header->count * 2 : header->count;
        if (count > quint64(m_table - header->body) / m_refSize)
            return std::nullopt;
        std::vector<qsizetype> refs;
        refs.reserve(count);
        for (quint64 i = 0; i < count; ++i) {
            const auto ref = readUInt(header->body + qsizetype(i) * m_refSize, m_refSize);
            if (!ref || *ref >= quint64(m_objectCount))
                return std::nullopt;
            if (type == 0xD && i < header->count && !keyIsSafeOnce(static_cast<qsizetype>(*ref)))
                return std::nullopt;
            refs.push_back(static_cast<qsizetype>(*ref));
        }
        return refs;
    }

private:
    struct Header {
        quint64 count = 0;  // elements, entries, characters or bytes, by type
        qsizetype body = 0;
    };

    std::optional<qsizetype> objectStart(qsizetype object) const
    {
        const auto offset = readUInt(m_table + object * m_offsetSize, m_offsetSize);
        if (!offset || *offset < quint64(headerSize) || *offset >= quint64(m_table))
            return std::nullopt;
        return static_cast<qsizetype>(*offset);
    }

    // The marker and element count of a string, data or container object
    // starting at `pos`, and where its body starts.
    std::optional<Header> readHeader(qsizetype pos) const
    {
        const quint8 marker = static_cast<quint8>(m_data[pos]);
        Header header{quint64(marker & 0x0F), pos + 1};
        if (header.count != 0x0F)
            return header;
        pos = header.body;
        if (pos >= m_table || (static_cast<quint8>(m_data[pos]) >> 4) != 0x1)
            return std::nullopt;
        const int width = 1 << (static_cast<quint8>(m_data[pos]) & 0x0F);
        const auto longCount = width <= 8 ? readUInt(pos + 1, width) : std::nullopt;
        if (!longCount)
            return std::nullopt;
        header.count = *longCount;
        header.body = pos + 1 + width;
        return header;
    }

    // A key shared by many entries is scanned once.
    bool keyIsSafeOnce(qsizetype object) const
    {
        if (m_safeKeys.empty())
            m_safeKeys.assign(m_objectCount, false);
        if (!m_safeKeys[object])
            m_safeKeys[object] = keyIsSafe(object);
        return m_safeKeys[object];
    }

    // libplist aborts on an assertion when it hands out a key holding U+0000,
    // so such keys are refused here; a key of a non-string type it refuses
    // itself.
    bool keyIsSafe(qsizetype object) const
    {
        const auto start = objectStart(object);
        if (!start)
            return false;
        const int type = static_cast<quint8>(m_data[*start]) >> 4;
        const int unit = type == 0x5 ? 1 : type == 0x6 ? 2 : 0;
        if (unit == 0)
            return true;
        const auto header = readHeader(*start);
        if (!header)
            return false;
        if (header->count > quint64(m_table - header->body) / unit)
            return false;
        const QByteArrayView text(m_data.constData() + header->body, qsizetype(header->count) * unit);
        for (qsizetype i = 0; i < text.size(); i += unit) {
            if (text[i] == 0 && (unit == 1 || text[i + 1] == 0))
                return false;
        }
        return true;
    }

    std::optional<quint64> readUInt(qsizetype pos, int width) const
    {
        if (pos < 0 || width < 1 || width > 8 || pos > m_data.size() - width)
            return std::nullopt;
        quint64 value = 0;
        for (int i = 0; i < width; ++i)
            value = (value << 8) | static_cast<quint8>(m_data[pos + i]);
        return value;
    }

    const QByteArray& m_data;
    int m_offsetSize = 0;
    int m_refSize = 0;
    qsizetype m_objectCount = 0;
    qsizetype m_top = 0;
    qsizetype m_table = 0;
    mutable std::vector<bool> m_safeKeys;
};

// Height and expanded node count of every object below the top one, without
// recursion, refusing cycles.
class ShapeCheck {
public:
    explicit ShapeCheck(const BinaryLayout& layout)
        : m_layout(layout),
          m_state(layout.objectCount(), Unvisited),
          m_height(layout.objectCount(), 0),
          m_nodes(layout.objectCount(), 0)
    {
    }

    bool run()
    {
        struct Frame {
            qsizetype object;
            std::vector<qsizetype> children;
            size_t next = 0;
        };
        std::vector<Frame> stack;
        if (!enter(m_layout.top(), stack))
            return false;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.children.size()) {
                const qsizetype child = frame.children[frame.next++];
                if (m_state[child] == InProgress)
                    return false;  // a cycle
                if (m_state[child] == Unvisited && !enter(child, stack))
                    return false;
                continue;
            }
            if (!finish(frame.object, frame.children))
                return false;
            stack.pop_back();
        }
        return true;
    }

private:
    enum State : quint8 { Unvisited, InProgress, Done };

    template <typename Stack>
    bool enter(qsizetype object, Stack& stack)
    {
        auto children = m_layout.children(object);
        if (!children || qsizetype(stack.size()) >= maxPropertyListDepth)
            return false;
        m_state[object] = InProgress;
        stack.push_back({object, std::move(*children)});
        return true;
    }

    bool finish(qsizetype object, const std::vector<qsizetype>& children)
    {
        int height = 0;
        qint64 nodes = 1;
        for (const qsizetype child : children) {
            height = std::max(height, m_height[child]);
            nodes += m_nodes[child];
            if (nodes > maxPropertyListNodes)
                return false;
        }
        if (height + 1 > maxPropertyListDepth)
            return false;
        m_height[object] = height + 1;
        m_nodes[object] = nodes;
        m_state[object] = Done;
        return true;
    }

    const BinaryLayout& m_layout;
    std::vector<State> m_state;
    std::vector<int> m_height;
    std::vector<qint64> m_nodes;
};

}  // namespace

bool binaryPropertyListIsSafe(const QByteArray& data)
{
    BinaryLayout layout(data);
    return layout.readTrailer() && ShapeCheck(layout).run();
}

bool xmlPropertyListIsSafe(const QByteArray& data)
{
    return XmlDocument::parseXml(data).has_value();
}

}  // namespace platform
