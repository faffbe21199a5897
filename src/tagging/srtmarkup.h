#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>

namespace SubTitleUtilities {

// Face style flags of a timed-text style record.
enum StyleFlag : std::uint8_t { Bold = 1, Italic = 2, Underline = 4 };

// One styled run of a caption; positions count characters (code points) of the
// plain caption text, the end is exclusive.
struct StyleRecord {
    std::uint16_t startChar = 0;
    std::uint16_t endChar = 0;
    std::uint8_t faceFlags = 0;
    std::uint8_t fontSize = 0;

    bool operator==(const StyleRecord&) const = default;
};

// A caption as it goes into a timed-text sample: plain UTF-8 text and its runs.
struct TimedTextCaption {
    QByteArray text;
    QList<StyleRecord> styles;
};

// A style box holds at most this many records (its size field must stay small
// enough for the 2048-byte buffer players expect).
inline constexpr int kMaxStyleRecords = 169;

// The caption without its <b>, <i>, <u> markup, and one style record per run
// that was opened and closed properly, in the order the runs were closed.
// Mismatched closing tags are logged and dropped; other tags stay as text.
TimedTextCaption convertSrtMarkup(QByteArrayView caption, std::uint8_t fontSize);

// The "styl" box for the records (size 10 + 12 x k), or nothing without records.
QByteArray styleBox(const QList<StyleRecord>& styles);

// Longest caption text a sample carries, in bytes.
inline constexpr qsizetype kMaxSampleTextBytes = 2046;

// A timed-text sample: the 16-bit text length, the text and its style box.
// Text of 2047 bytes or more is logged and cut to at most 2046 bytes, at the
// end of a whole character so the sample stays valid UTF-8; runs are cut with it.
QByteArray timedTextSample(const TimedTextCaption& caption);

}  // namespace SubTitleUtilities
