#include "tagging/filledpattern.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isSeparator(QChar c)
{
    return c == u'-' || c == u'_' || c == u'.';
}

QChar closingBracketOf(QChar open)
{
    return open == u'(' ? u')' : open == u'[' ? u']' : open == u'{' ? u'}' : QChar();
}

bool isClosingBracket(QChar c)
{
    return c == u')' || c == u']' || c == u'}';
}

// A run of blanks and separators as one blank, or as its first separator with
// one blank on each side that had any.
QString shortenedGap(QStringView gap)
{
    for (const QChar c : gap) {
        if (isSeparator(c)) {
            const QString before = isBlank(gap.front()) ? QStringLiteral(" ") : QString();
            const QString after = isBlank(gap.back()) ? QStringLiteral(" ") : QString();
            return before + c + after;
        }
    }
    return QStringLiteral(" ");
}

}  // namespace

void FilledPattern::appendPatternText(QChar c)
{
    m_text += c;
    m_fromValue.append(false);
}

void FilledPattern::appendValue(const QString& value)
{
    m_text += value;
    m_fromValue.append(QList<bool>(value.size(), true));
}

void FilledPattern::tidy()
{
    // Removing a bracket pair can join two gaps, and shortening gaps can empty a bracket.
    while (removeEmptyBrackets() || tidyGaps()) {
    }
}

bool FilledPattern::isGapAt(qsizetype i) const
{
    return isPatternText(i) && (isBlank(m_text[i]) || isSeparator(m_text[i]));
}

bool FilledPattern::removeEmptyBrackets()
{
    for (qsizetype open = 0; open < m_text.size(); ++open) {
        const QChar close = closingBracketOf(m_text[open]);
        if (close.isNull() || !isPatternText(open))
            continue;
        qsizetype end = open + 1;
        while (isGapAt(end))
            ++end;
        if (isPatternText(end) && m_text[end] == close) {
            replace(open, end + 1 - open, QString());
            return true;
        }
    }
    return false;
}

bool FilledPattern::tidyGaps()
{
    bool changed = false;
    qsizetype start = 0;
    while (start < m_text.size()) {
        if (!isGapAt(start)) {
            ++start;
            continue;
        }
        qsizetype end = start;
        while (isGapAt(end))
            ++end;
        const bool atAnEnd = start == 0 || end == m_text.size();
        const bool insideBracket = (isPatternText(start - 1) && !closingBracketOf(m_text[start - 1]).isNull()) ||
                                   (isPatternText(end) && isClosingBracket(m_text[end]));
        const QString shortened =
            atAnEnd || insideBracket ? QString() : shortenedGap(QStringView(m_text).sliced(start, end - start));
        if (shortened != QStringView(m_text).sliced(start, end - start)) {
            replace(start, end - start, shortened);
            changed = true;
        }
        start += shortened.size();  // now at the part after the gap
    }
    return changed;
}

void FilledPattern::replace(qsizetype from, qsizetype length, const QString& patternText)
{
    m_text.replace(from, length, patternText);
    m_fromValue.remove(from, length);
    m_fromValue.insert(from, patternText.size(), false);
}
