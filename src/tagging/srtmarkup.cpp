#include "tagging/srtmarkup.h"

#include "mp4/chapterlist.h"
#include "platform/log.h"

#include <string>
#include <vector>

namespace SubTitleUtilities {

namespace {

struct OpenRun {
    std::uint8_t flag;
    std::uint16_t start;
};

// Which face a tag of the form "<x>" or "</x>" names, 0 for any other letter.
std::uint8_t flagOfTagLetter(char letter)
{
    switch (letter) {
        case 'b':
            return Bold;
        case 'i':
            return Italic;
        case 'u':
            return Underline;
        default:
            return 0;
    }
}

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

class MarkupConverter {
public:
    MarkupConverter(QByteArrayView caption, std::uint8_t fontSize) : m_caption(caption), m_fontSize(fontSize) {}

    TimedTextCaption run()
    {
        qsizetype i = 0;
        while (i < m_caption.size())
            i = step(i);
        return std::move(m_result);
    }

private:
    // Handles the byte at `i` (a tag or a text byte) and returns where to go on.
    qsizetype step(qsizetype i)
    {
        const QByteArrayView rest = m_caption.sliced(i);
        if (rest.front() == '<') {
            // An italic run interrupted only by a line's end markers goes on as one run.
            if (rest.startsWith("</i><i>"))
                return i + 7;
            if (rest.startsWith("</i> <i>")) {
                appendByte(' ');
                return i + 8;
            }
            if (rest.size() >= 3 && rest[2] == '>' && flagOfTagLetter(rest[1]) != 0) {
                m_open.push_back({flagOfTagLetter(rest[1]), position()});
                return i + 3;
            }
            if (rest.size() >= 4 && rest[1] == '/' && rest[3] == '>' && flagOfTagLetter(rest[2]) != 0) {
                close(flagOfTagLetter(rest[2]));
                return i + 4;
            }
        }
        appendByte(rest.front());
        return i + 1;
    }

    void close(std::uint8_t flag)
    {
        if (m_open.empty() || m_open.back().flag != flag) {
            platform::log(QStringLiteral("Mismatched Subtitle markup '%1'").arg(QString::fromUtf8(m_caption)));
            return;
        }
        if (m_result.styles.size() < kMaxStyleRecords)
            m_result.styles.append(StyleRecord{m_open.back().start, position(), flag, m_fontSize});
        m_open.pop_back();
    }

    void appendByte(char byte)
    {
        m_result.text.append(byte);
        if (!isContinuationByte(byte))
            ++m_characters;
    }

    // Style positions are 16-bit; captions never come near that, but stay in range.
    std::uint16_t position() const { return static_cast<std::uint16_t>(std::min<qsizetype>(m_characters, 0xFFFF)); }

    QByteArrayView m_caption;
    std::uint8_t m_fontSize;
    TimedTextCaption m_result;
    std::vector<OpenRun> m_open;
    qsizetype m_characters = 0;
};

void appendBigEndian16(QByteArray& bytes, std::uint16_t value)
{
    bytes.append(static_cast<char>(value >> 8));
    bytes.append(static_cast<char>(value & 0xFF));
}

void appendBigEndian32(QByteArray& bytes, std::uint32_t value)
{
    appendBigEndian16(bytes, static_cast<std::uint16_t>(value >> 16));
    appendBigEndian16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
}

// Drops the runs that start beyond `characters` and ends the others there.
QList<StyleRecord> stylesWithin(const QList<StyleRecord>& styles, std::uint16_t characters)
{
    QList<StyleRecord> kept;
    for (StyleRecord record : styles) {
        if (record.startChar >= characters)
            continue;
        record.endChar = std::min(record.endChar, characters);
        kept.append(record);
    }
    return kept;
}

std::uint16_t characterCount(QByteArrayView text)
{
    qsizetype count = 0;
    for (char byte : text)
        count += isContinuationByte(byte) ? 0 : 1;
    return static_cast<std::uint16_t>(std::min<qsizetype>(count, 0xFFFF));
}

}  // namespace

TimedTextCaption convertSrtMarkup(QByteArrayView caption, std::uint8_t fontSize)
{
    return MarkupConverter(caption, fontSize).run();
}

QByteArray styleBox(const QList<StyleRecord>& styles)
{
    if (styles.isEmpty())
        return {};
    const auto count = static_cast<std::uint16_t>(std::min<qsizetype>(styles.size(), kMaxStyleRecords));
    QByteArray box;
    box.reserve(10 + 12 * count);
    appendBigEndian32(box, 10 + 12 * count);
    box.append("styl");
    appendBigEndian16(box, count);
    for (qsizetype i = 0; i < count; ++i) {
        const StyleRecord& record = styles[i];
        appendBigEndian16(box, record.startChar);
        appendBigEndian16(box, record.endChar);
        appendBigEndian16(box, 1);  // font id of the track's only font
        box.append(static_cast<char>(record.faceFlags));
        box.append(static_cast<char>(record.fontSize));
        box.append(QByteArray(4, '\xFF'));  // opaque white
    }
    return box;
}

QByteArray timedTextSample(const TimedTextCaption& caption)
{
    QByteArrayView text = caption.text;
    QList<StyleRecord> styles = caption.styles;
    if (text.size() > kMaxSampleTextBytes) {
        platform::log(QStringLiteral("caption block is too long."));
        const std::string whole(text.data(), static_cast<std::size_t>(text.size()));
        text = text.first(static_cast<qsizetype>(mp4::ChapterList::clipUtf8(whole, kMaxSampleTextBytes).size()));
        styles = stylesWithin(styles, characterCount(text));
    }
    QByteArray sample;
    appendBigEndian16(sample, static_cast<std::uint16_t>(text.size()));
    sample.append(text);
    sample.append(styleBox(styles));
    return sample;
}

}  // namespace SubTitleUtilities
