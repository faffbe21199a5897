#include "model/tagdatetext.h"

#include "model/helpers.h"

QDateTime TagDateText::date() const
{
    // The stand-in for "no date" would pass for the file's own date: a text that names no day reads as none.
    return dayFromTagDateString(m_text) ? dateFromTagDateString(m_text) : QDateTime();
}

QString TagDateText::shownText() const
{
    const std::optional<TagDay> tagDay = dayFromTagDateString(m_text);
    if (!tagDay)
        return m_text;
    // A file's date is shown even when it is the day that stands for none elsewhere.
    return tagDay->yearOnly ? QString::number(tagDay->day.year()) : tagDay->day.toString(Qt::ISODate);
}
