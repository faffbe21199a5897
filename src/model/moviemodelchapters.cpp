// The record's chapter update: which chapter list a record will write.
#include "moviemodel.h"

#include "platform/settings.h"

#include <algorithm>

namespace {

const QString kDefaultChapterSetting = QStringLiteral("DefaultChapterSetting");

// A negative number would reach the generators as a huge unsigned one: treat
// it like 0, which they read as their default.
quint64 nonNegative(std::optional<qint64> value)
{
    return static_cast<quint64>(std::max<qint64>(value.value_or(0), 0));
}

}  // namespace

void MovieModel::updateChapters()
{
    const quint64 interval = nonNegative(m_chapterInterval);
    const quint64 movieLength = nonNegative(m_msecDuration);

    ChapterList chapters;
    if (m_chapterSettings == kChaptersFromFile)
        chapters = m_listOfOldChapters.value_or(ChapterList());
    else if (m_chapterSettings == kChaptersFromChapterFileOrDb && !m_chapterDbFileUrl.isEmpty())
        chapters = ChapterModel::readChapterFileFromChapterDb(m_chapterDbFileUrl, movieLength);
    else if (m_chapterSettings == kChaptersFromChapterFileOrDb && m_listOfDbChapters)
        chapters = *m_listOfDbChapters;
    else if (m_chapterSettings == kChaptersByMinutes)
        chapters = ChapterModel::generateChapterByMinuteInterval(interval, movieLength);
    else if (m_chapterSettings == kChaptersByCount)
        chapters = ChapterModel::generateChapterByCountOfChapters(interval, movieLength);

    m_listOfChapters = chapters;
    setNumberOfChapters(chapters.size());
    notifyValueChanged(*this, QStringLiteral("chapterStatusLed"));
    notifyValueChanged(*this, QStringLiteral("doEnableChapterCount"));
    notifyValueChanged(*this, QStringLiteral("doEnableChapterLoad"));

    // Keeping the file's own chapters is only a choice worth remembering when
    // there were chapters to keep.
    if (m_chapterSettings == kChaptersFromFile && m_listOfOldChapters && !m_listOfOldChapters->isEmpty())
        return;
    platform::Settings& settings = platform::Settings::shared();
    if (m_chapterSettings)
        settings.setValue(kDefaultChapterSetting, *m_chapterSettings);
    else
        settings.remove(kDefaultChapterSetting);
    settings.synchronize();
}
