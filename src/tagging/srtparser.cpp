#include "tagging/srtparser.h"

#include "mp4/bytes.h"
#include "platform/log.h"
#include "platform/utf8check.h"
#include "tagging/srtmarkup.h"

#include <algorithm>
#include <limits>

namespace SubTitleUtilities {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads an unsigned decimal the way C's "%u" does: leading white space and an
// optional sign are skipped, at least one digit is needed. Values that do not
// fit 32 bits (a minus sign included) come back as the largest value.
class NumberScanner {
public:
    explicit NumberScanner(QByteArrayView text) : m_text(text) {}

    std::optional<std::uint32_t> number()
    {
        while (m_pos < m_text.size() && isSpace(m_text[m_pos]))
            ++m_pos;
        bool negative = false;
        if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
            negative = m_text[m_pos++] == '-';
        const qsizetype firstDigit = m_pos;
        std::uint64_t value = 0;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
            value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(m_text[m_pos] - '0'),
                                            std::numeric_limits<std::uint32_t>::max());
            ++m_pos;
        }
        if (m_pos == firstDigit)
            return std::nullopt;
        if (negative && value != 0)
            return std::numeric_limits<std::uint32_t>::max();
        return static_cast<std::uint32_t>(value);
    }

    bool literal(char c)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

// The two time codes of "start --> end": each token ends at white space, the
// arrow may stand between optional white space; anything after is ignored.
std::optional<std::pair<QByteArrayView, QByteArrayView>> timeTokens(QByteArrayView line)
{
    qsizetype pos = 0;
    auto skipSpace = [&] {
        while (pos < line.size() && isSpace(line[pos]))
            ++pos;
    };
    auto token = [&] {
        const qsizetype start = pos;
        while (pos < line.size() && !isSpace(line[pos]))
            ++pos;
        return line.sliced(start, pos - start);
    };
    skipSpace();
    const QByteArrayView first = token();
    skipSpace();
    if (first.isEmpty() || !line.sliced(pos).startsWith("-->"))
        return std::nullopt;
    pos += 3;
    skipSpace();
    const QByteArrayView second = token();
    if (second.isEmpty())
        return std::nullopt;
    return std::pair{first, second};
}

QString text(QByteArrayView line)
{
    return QString::fromUtf8(line);
}

class SrtParser {
public:
    SrtParser(const SampleWriter& writer, std::uint32_t trackId, std::uint32_t timeScale, std::int32_t offset,
              std::uint8_t fontSize)
        : m_writer(writer), m_trackId(trackId), m_timeScale(timeScale), m_offset(offset), m_fontSize(fontSize)
    {
    }

    std::optional<TaggingError> run(QByteArrayView text)
    {
        if (text.startsWith("\xEF\xBB\xBF"))  // a byte-order mark is not part of the first block number
            text = text.sliced(3);
        if (!handleLines(text))
            return TaggingError::withMessage(QStringLiteral("can't write caption line"));
        return std::nullopt;
    }

private:
    enum class State { BlockNumber, TimeLine, Caption, Resync };

    static QByteArrayView stripped(QByteArrayView line)
    {
        while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
            line.chop(1);
        return line;
    }

    // Returns false only when a sample could not be written.
    bool handleLines(QByteArrayView text)
    {
        qsizetype lineStart = 0;
        for (qsizetype newline = text.indexOf('\n'); newline >= 0; newline = text.indexOf('\n', lineStart)) {
            if (!handleLine(stripped(text.sliced(lineStart, newline - lineStart))))
                return false;
            lineStart = newline + 1;
        }
        if (lineStart < text.size() && !handleLine(stripped(text.sliced(lineStart))))
            return false;
        // Many files end right after the last caption's text: the end of the
        // text ends that block as an empty line would.
        return m_state != State::Caption || m_caption.isEmpty() || handleLine({});
    }

    // Returns false only when a sample could not be written.
    bool handleLine(QByteArrayView line)
    {
        switch (m_state) {
            case State::BlockNumber:
                handleBlockNumber(line);
                return true;
            case State::TimeLine:
                handleTimeLine(line);
                return true;
            case State::Caption:
                return handleCaptionLine(line);
            case State::Resync:
                if (line.isEmpty())
                    m_state = State::BlockNumber;
                return true;
        }
        return true;
    }

    void handleBlockNumber(QByteArrayView line)
    {
        if (std::ranges::any_of(line, [](char c) { return QByteArrayView(".,:?!-").contains(c); })) {
            skipBlock(QStringLiteral("wrong start of block, read %1 instead of number").arg(text(line)));
            return;
        }
        const std::optional<std::uint32_t> number = NumberScanner(line).number();
        if (!number) {
            skipBlock(QStringLiteral("wrong start of block, can't parse %1 as number").arg(text(line)));
            return;
        }
        const std::uint32_t expected = m_lastBlockNumber + 1;
        if (*number != expected)
            platform::log(QStringLiteral("wrong sequence of block, got %1 instead of %2")
                              .arg(static_cast<std::int32_t>(*number))
                              .arg(static_cast<std::int32_t>(expected)));
        m_lastBlockNumber = *number;
        m_state = State::TimeLine;
    }

    void handleTimeLine(QByteArrayView line)
    {
        if (line.size() >= 30) {
            skipBlock(QStringLiteral("time code too short: %1").arg(text(line)));
            return;
        }
        const auto tokens = timeTokens(line);
        if (!tokens) {
            skipBlock(QStringLiteral("time code invalid: %1").arg(text(line)));
            return;
        }
        const std::int32_t start = srtTimeToMilliseconds(tokens->first);
        const std::int32_t end = srtTimeToMilliseconds(tokens->second);
        if (start == -1 || end == -1) {
            skipBlock(QStringLiteral("can't parse time code: %1").arg(text(line)));
            return;
        }
        if (std::int64_t{start} + m_offset < m_previousEnd || end <= start) {
            skipBlock(QStringLiteral("time code sequence invalid: %1").arg(text(line)));
            return;
        }
        m_start = std::int64_t{start} + m_offset;
        m_end = std::int64_t{end} + m_offset;
        m_state = State::Caption;
    }

    bool handleCaptionLine(QByteArrayView line)
    {
        if (!line.isEmpty()) {
            const qsizetype separator = m_caption.isEmpty() ? 0 : 1;
            if (m_caption.size() + separator + line.size() > kMaxCaptionBytes) {
                m_caption.clear();
                m_start = m_end = 0;
                skipBlock(QStringLiteral("Caption truncated"));
                return true;
            }
            if (separator)
                m_caption.append('\n');
            m_caption.append(line);
            return true;
        }
        m_state = State::BlockNumber;
        if (m_caption.isEmpty()) {
            platform::log(QStringLiteral("no captions found for time code"));
            m_start = m_end = 0;
            return true;
        }
        return endBlock();
    }

    bool endBlock()
    {
        bool written = true;
        if (m_writer) {
            const TimedTextCaption caption =
                m_trackId != 0 ? convertSrtMarkup(m_caption, m_fontSize) : TimedTextCaption{m_caption, {}};
            written = writeGapUntil(m_start) && write(timedTextSample(caption), m_end);
        }
        m_previousEnd = m_end;
        m_start = m_end = 0;
        m_caption.clear();
        return written;
    }

    bool writeGapUntil(std::int64_t milliseconds)
    {
        static const QByteArray emptySample(2, '\0');
        return write(emptySample, milliseconds);
    }

    // Durations come from the track positions of the block times, so that time
    // scales that are not multiples of 1000 do not drift. A time past the
    // track's range fails the write, so such a subtitle is refused whole.
    bool write(const QByteArray& sample, std::int64_t untilMilliseconds)
    {
        const std::int64_t target = trackUnitsAt(untilMilliseconds, m_timeScale);
        if (target > kMaxTrackUnits) {
            platform::log(
                QStringLiteral("caption time %1 ms lies beyond the track's time range").arg(untilMilliseconds));
            return false;
        }
        const auto duration = static_cast<std::uint32_t>(std::max<std::int64_t>(target - m_writtenUnits, 0));
        if (!m_writer(sample, duration))
            return false;
        m_writtenUnits += duration;
        return true;
    }

    void skipBlock(const QString& message)
    {
        platform::log(message);
        m_state = State::Resync;
    }

    // A new track's media duration is a 32-bit field, so every position in it,
    // and every sample's duration, fits 32 bits.
    static constexpr std::int64_t kMaxTrackUnits = std::numeric_limits<std::uint32_t>::max();

    const SampleWriter& m_writer;
    std::uint32_t m_trackId;
    std::uint32_t m_timeScale;
    std::int32_t m_offset;
    std::uint8_t m_fontSize;

    State m_state = State::BlockNumber;
    std::uint32_t m_lastBlockNumber = 0;
    std::int64_t m_start = 0;
    std::int64_t m_end = 0;
    std::int64_t m_previousEnd = 0;
    std::int64_t m_writtenUnits = 0;
    QByteArray m_caption;
};

}  // namespace

std::optional<TaggingError> checkSrtUTF8(QByteArrayView text)
{
    if (const std::optional<QString> problem = platform::checkSrtUTF8(text))
        return TaggingError::withMessage(*problem);
    return std::nullopt;
}

std::int32_t srtTimeToMilliseconds(QByteArrayView time)
{
    NumberScanner scanner(time);
    const auto hours = scanner.number();
    const auto minutes = hours && scanner.literal(':') ? scanner.number() : std::nullopt;
    const auto seconds = minutes && scanner.literal(':') ? scanner.number() : std::nullopt;
    const auto milliseconds = seconds && scanner.literal(',') ? scanner.number() : std::nullopt;
    if (!milliseconds || *hours > 99 || *minutes > 99 || *seconds > 99 || *milliseconds > 999)
        return -1;
    return static_cast<std::int32_t>((*hours * 3600 + *minutes * 60 + *seconds) * 1000 + *milliseconds);
}

std::int64_t trackUnitsAt(std::int64_t milliseconds, std::uint32_t timeScale)
{
    if (milliseconds <= 0)
        return 0;
    const std::uint64_t units = mp4::mulDiv(static_cast<std::uint64_t>(milliseconds), timeScale, 1000);
    return static_cast<std::int64_t>(std::min<std::uint64_t>(units, std::numeric_limits<std::int64_t>::max()));
}

std::optional<TaggingError> parseSrt(QByteArrayView text, const SampleWriter& writer, std::uint32_t trackId,
                                     std::uint32_t timeScale, std::int32_t offsetMilliseconds, std::uint8_t fontSize)
{
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text = text.first(nul);
    return SrtParser(writer, trackId, timeScale, offsetMilliseconds, fontSize).run(text);
}

}  // namespace SubTitleUtilities
