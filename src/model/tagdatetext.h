#pragma once

#include <QDateTime>
#include <QString>

// The text of a date tag as a movie file holds it. Taggers write dates in
// many forms ("2019", "2019-05-06", "2019-05-06 10:00:00"); a record keeps its
// file's text, so that a save writes a date nobody changed back exactly as it
// was, and a text that names no day stays in the file too.
class TagDateText {
public:
    TagDateText() = default;  // the file has no such tag
    explicit TagDateText(const QString& text) : m_text(text) {}

    bool isPresent() const { return !m_text.isNull(); }
    const QString& text() const { return m_text; }

    // What reading puts into the record: 12:00 UTC of the day the text names
    // (a year alone names its first day); no date for a text that names none,
    // or no tag.
    QDateTime date() const;
    // Whether a record holding `date` still holds what reading took from this text.
    bool standsFor(const QDateTime& date) const { return isPresent() && date == this->date(); }
    // The text as the editor shows such a date: the year alone, the day as
    // YYYY-MM-DD, or a text that names no day as it is.
    QString shownText() const;

    bool operator==(const TagDateText&) const = default;

private:
    QString m_text;
};
