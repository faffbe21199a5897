#pragma once

#include <QList>
#include <QString>

// A file-name pattern being filled with values. It remembers which characters
// came from values, so that tidying up after a left-out value changes only the
// pattern's own text, never a title's dots, hyphens or brackets.
class FilledPattern {
public:
    void appendPatternText(QChar c);
    void appendValue(const QString& value);

    // Removes what left-out values leave behind in the pattern's text:
    // brackets and parentheses left empty (or holding only blanks and
    // separators), blanks and separators just inside a bracket or at either
    // end, and runs of blanks and separators ("-", "_", ".") between two
    // parts, which become one blank or their first separator with the blanks
    // around it kept once.
    void tidy();

    const QString& text() const { return m_text; }

private:
    bool isPatternText(qsizetype i) const { return i >= 0 && i < m_text.size() && !m_fromValue[i]; }
    bool isGapAt(qsizetype i) const;
    bool removeEmptyBrackets();
    bool tidyGaps();
    void replace(qsizetype from, qsizetype length, const QString& patternText);

    QString m_text;
    QList<bool> m_fromValue;
};
