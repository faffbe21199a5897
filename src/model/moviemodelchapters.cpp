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

std::optional<ChapterList> MovieModel::chosenChapterList() const
{
    const quint64 interval = nonNegative(m_chapterInterval);
    const quint64 movieLength = nonNegative(m_msecDuration);

    // The file's own and the database's lists are taken as they are, absent or not.
    if (m_chapterSettings == kChaptersFromFile)
        return m_listOfOldChapters;
    if (m_chapterSettings == kChaptersFromChapterFileOrDb && !m_chapterDbFileUrl.isEmpty())
        return ChapterModel::readChapterFileFromChapterDb(m_chapterDbFileUrl, movieLength);
    if (m_chapterSettings == kChaptersFromChapterFileOrDb && m_listOfDbChapters)
        return m_listOfDbChapters;
    if (m_chapterSettings == kChaptersByMinutes)
        return ChapterModel::generateChapterByMinuteInterval(interval, movieLength);
    if (m_chapterSettings == kChaptersByCount)
        return ChapterModel::generateChapterByCountOfChapters(interval, movieLength);
    return ChapterList();
}

void MovieModel::rememberChapterSetting() const
{
    // Keeping the file's own chapters is only a choice worth remembering when
    // there were chapters to keep.
    if (m_chapterSettings == kChaptersFromFile && m_listOfOldChapters && !m_listOfOldChapters->isEmpty())
        return;
    platform::Settings& settings = platform::Settings::shared();
    // Every record loaded or saved passes here: write the file only when the
    // choice really changed.
    if (m_chapterSettings && settings.contains(kDefaultChapterSetting) &&
        settings.integerValue(kDefaultChapterSetting) == *m_chapterSettings)
        return;
    if (m_chapterSettings)
        settings.setValue(kDefaultChapterSetting, *m_chapterSettings);
    else
        settings.remove(kDefaultChapterSetting);
    settings.synchronize();
}

void MovieModel::updateChapters()
{
    const DirectWrites writes(*this, {QStringLiteral("listOfChapters")});
    m_listOfChapters = chosenChapterList();
    setNumberOfChapters(m_listOfChapters ? m_listOfChapters->size() : 0);
    notifyValueChanged(*this, QStringLiteral("chapterStatusLed"));
    notifyValueChanged(*this, QStringLiteral("doEnableChapterCount"));
    notifyValueChanged(*this, QStringLiteral("doEnableChapterLoad"));
    rememberChapterSetting();
}
