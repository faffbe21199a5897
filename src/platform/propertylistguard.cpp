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
    // object lies outside the data.
    std::optional<std::vector<qsizetype>> children(qsizetype object) const
    {
        const auto offset = readUInt(m_table + object * m_offsetSize, m_offsetSize);
        if (!offset || *offset < quint64(headerSize) || *offset >= quint64(m_table))
            return std::nullopt;
        qsizetype pos = static_cast<qsizetype>(*offset);
        const quint8 marker = static_cast<quint8>(m_data[pos]);
        const int type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            return std::vector<qsizetype>{};
        quint64 count = marker & 0x0F;
        ++pos;
        if (count == 0x0F) {
            if (pos >= m_table || (static_cast<quint8>(m_data[pos]) >> 4) != 0x1)
                return std::nullopt;
            const int width = 1 << (static_cast<quint8>(m_data[pos]) & 0x0F);
            const auto longCount = width <= 8 ? readUInt(pos + 1, width) : std::nullopt;
            if (!longCount)
                return std::nullopt;
            count = *longCount;
            pos += 1 + width;
        }
        if (type == 0xD)
            count *= 2;
        if (count > quint64(m_table - pos) / m_refSize)
            return std::nullopt;
        std::vector<qsizetype> refs;
        refs.reserve(count);
        for (quint64 i = 0; i < count; ++i) {
            const auto ref = readUInt(pos + qsizetype(i) * m_refSize, m_refSize);
            if (!ref || *ref >= quint64(m_objectCount))
                return std::nullopt;
            refs.push_back(static_cast<qsizetype>(*ref));
        }
        return refs;
    }

private:
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
