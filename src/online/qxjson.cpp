#include "qxjson.h"

#include "platform/log.h"

#include <QVariantMap>

#include <optional>
#include <utility>
#include <vector>

namespace QXJSON {

namespace {

// One open container. A finished container is stored into its parent when it
// closes (or when the text ends), which gives the same result as storing it
// when it opens, as nothing else reaches the parent in between.
// Far deeper than any real reply (they nest a handful of levels), far below
// what destroying the result recursively can take.
constexpr std::size_t kMaxDepth = 50000;

struct Frame {
    bool isObject = false;
    QVariantMap object;
    QVariantList array;
    QString keyInParent;  // where an object parent keeps this container

    QVariant take() { return isObject ? QVariant(std::move(object)) : QVariant(std::move(array)); }
};

bool isWhitespace(char16_t c)
{
    return c == 8 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

bool isScalarCharacter(char16_t c)
{
    if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'E')
        return true;
    switch (c) {
        case u'a':
        case u'e':
        case u'f':
        case u'l':
        case u'n':
        case u'r':
        case u's':
        case u't':
        case u'u':
            return true;
        default:
            return false;
    }
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// What a backslash followed by `escaped` stands for (all but "u").
char16_t unescaped(char16_t escaped)
{
    switch (escaped) {
        case u'n':
            return 10;
        case u'r':
            return 13;
        case u't':
            return 9;
        case u'b':
            return 8;
        case u'f':
            return 12;
        default:
            return escaped;
    }
}

class Reader {
public:
    explicit Reader(const QString& text) : m_text(text), m_length(text.size())
    {
        m_frames.emplace_back();  // the wrapper
    }

    std::optional<QVariantList> read()
    {
        while (m_position < m_length) {
            if (!step())
                return std::nullopt;
        }
        while (m_frames.size() > 1)
            closeCurrent();
        return std::move(m_frames.front().array);
    }

private:
    bool step()
    {
        const char16_t c = m_text.at(m_position).unicode();
        if (c == u'"')
            return quote();
        if (m_inQuotes)
            return quotedUnit(c);
        if (isWhitespace(c)) {
            ++m_position;
            return true;
        }
        switch (c) {
            case u':':
                m_beforeColon = false;
                ++m_position;
                return true;
            case u',':
                comma();
                return true;
            case u'{':
                return open(true);
            case u'[':
                return open(false);
            case u'}':
                return closeObject();
            case u']':
                return closeArray();
            default:
                break;
        }
        if (!isScalarCharacter(c))
            return syntaxError(m_position);
        active().append(QChar(c));
        ++m_position;
        return true;
    }

    bool quote()
    {
        const bool last = m_position + 1 >= m_length;
        if (m_inQuotes) {
            m_inQuotes = false;
            ++m_position;
            return true;
        }
        // A quote that opens a string at the very end can never be closed.
        if (last)
            return syntaxError(m_position);
        if (m_text.at(m_position + 1) != u'"') {
            m_inQuotes = true;
            ++m_position;
            return true;
        }
        // Two quotes outside a string: an empty string.
        if (m_beforeColon) {
            m_beforeColon = false;
            m_position += 2;
        } else {
            ++m_position;
            comma();
        }
        return true;
    }

    bool quotedUnit(char16_t c)
    {
        if (c != u'\\') {
            active().append(QChar(c));
            ++m_position;
            return true;
        }
        if (m_position + 1 >= m_length)
            return syntaxError(m_position);
        ++m_position;
        const char16_t escaped = m_text.at(m_position).unicode();
        if (escaped == u'u') {
            const std::optional<char16_t> unit = hexUnit();
            if (!unit)
                return false;
            active().append(QChar(*unit));
            m_position += 4;
        } else {
            active().append(QChar(unescaped(escaped)));
        }
        ++m_position;
        return true;
    }

    // The code unit of the four hexadecimal digits after the "u" at the
    // position; a syntax error when they are not there.
    std::optional<char16_t> hexUnit()
    {
        char16_t unit = 0;
        for (int i = 1; i <= 4; ++i) {
            const qsizetype at = m_position + i;
            const int digit = at < m_length ? hexValue(m_text.at(at).unicode()) : -1;
            if (digit < 0) {
                syntaxError(at < m_length ? at : m_position);
                return std::nullopt;
            }
            unit = static_cast<char16_t>(unit * 16 + digit);
        }
        return unit;
    }

    void comma()
    {
        Frame& current = m_frames.back();
        if (current.isObject)
            storePair();
        m_beforeColon = true;
        if (!current.isObject && !m_first.isEmpty())
            appendElement();
        m_inQuotes = false;
        ++m_position;
    }

    bool open(bool isObject)
    {
        // The reader itself needs no stack, but Qt destroys nested containers
        // recursively: a hostile reply nested a few hundred thousand levels
        // deep would overflow the stack when the result is dropped.
        if (m_frames.size() > kMaxDepth)
            return syntaxError(m_position);
        Frame frame;
        frame.isObject = isObject;
        if (m_frames.back().isObject) {
            frame.keyInParent = m_first;
            m_first.clear();
        }
        m_frames.push_back(std::move(frame));
        m_beforeColon = true;
        m_inQuotes = false;
        ++m_position;
        return true;
    }

    bool closeObject()
    {
        if (m_frames.size() < 2)
            return syntaxError(m_position);
        if (!m_frames.back().isObject && !m_first.isEmpty())
            return syntaxError(m_position);
        if (m_frames.back().isObject)
            storePair();
        closeCurrent();
        m_inQuotes = false;
        ++m_position;
        return true;
    }

    bool closeArray()
    {
        if (m_frames.size() < 2)
            return syntaxError(m_position);
        if (m_frames.back().isObject && !m_first.isEmpty())
            return syntaxError(m_position);
        if (!m_first.isEmpty())
            appendElement();
        closeCurrent();
        m_inQuotes = false;
        ++m_position;
        return true;
    }

    // A pair whose key is empty is not kept, and neither is its value, so it
    // cannot run on into the next value.
    void storePair()
    {
        if (!m_first.isEmpty()) {
            // null, quoted or not, is stored as the empty text (never as a null QString).
            const bool empty = m_second.isEmpty() || m_second == QLatin1String("null");
            m_frames.back().object.insert(m_first, empty ? QStringLiteral("") : m_second);
            m_first.clear();
        }
        m_second = QString();
    }

    void appendElement()
    {
        m_frames.back().array.append(QString(m_first));
        m_first.clear();
        m_second = QString();
    }

    void closeCurrent()
    {
        Frame finished = std::move(m_frames.back());
        m_frames.pop_back();
        Frame& parent = m_frames.back();
        if (parent.isObject)
            parent.object.insert(finished.keyInParent, finished.take());
        else
            parent.array.append(finished.take());
    }

    bool syntaxError(qsizetype position)
    {
        platform::log(QStringLiteral("Syntax error: Character: %1, Location: %2")
                          .arg(QString(m_text.at(position)))
                          .arg(position));
        return false;
    }

    QString& active() { return m_beforeColon ? m_first : m_second; }

    const QString& m_text;
    const qsizetype m_length;
    qsizetype m_position = 0;
    std::vector<Frame> m_frames;
    QString m_first;
    QString m_second;
    bool m_beforeColon = true;
    bool m_inQuotes = false;
};

}  // namespace

std::optional<QVariantList> QXJSONStringToObject(const QString& text)
{
    return Reader(text).read();
}

}  // namespace QXJSON
