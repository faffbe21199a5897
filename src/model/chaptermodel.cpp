#include "chaptermodel.h"


#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr quint64 kDefaultChapterCount = 10;
constexpr quint64 kMillisecondsPerMinute = 60000;
constexpr quint64 kDefaultStepInMilliseconds = 10 * kMillisecondsPerMinute;

}  // namespace

bool ChapterModel::isValidChapterFile(const QUrl& url)
{
    if (url.isEmpty())
        return false;
    QString name = url.adjusted(QUrl::StripTrailingSlash).fileName();
    name.remove(QRegularExpression(QStringLiteral("[-0-9]")));
    name = name.toLower();
    for (const char* suffix : {"chapters.xml", "chp", "txt", "json"})
        if (name.endsWith(QLatin1String(suffix)))
            return true;
    return false;
}

void ChapterModel::addNewChapterToList(quint64 length, quint64 index, ChapterList& chapterList)
{
    auto chapter = std::make_shared<ChapterModel>();
    chapter->setIndex(static_cast<qint64>(index + 1));
    chapter->setLength(length);
    chapter->setName(defaultName(index + 1));
    chapterList.append(std::move(chapter));
}

// The name goes into the file, so it is the same whatever the window's language.
QString ChapterModel::defaultName(quint64 number)
{
    return QStringLiteral("Chapter %1").arg(number);
}

ChapterList ChapterModel::generateChapterByCountOfChapters(quint64 count, quint64 movieLength)
{
    if (count == 0)
        count = kDefaultChapterCount;
    count = std::min(count, kMaxGeneratedChapters);
    const quint64 length = movieLength / count;
    ChapterList chapters;
    chapters.reserve(static_cast<qsizetype>(count));
    for (quint64 i = 0; i < count; ++i)
        addNewChapterToList(length, i, chapters);
    return chapters;
}

ChapterList ChapterModel::generateChapterByMinuteInterval(quint64 minutes, quint64 movieLength)
{
    const quint64 step =
        minutes == 0 ? kDefaultStepInMilliseconds : std::min(minutes, kMaxMinuteInterval) * kMillisecondsPerMinute;
    // A very long movie with a short step would give more chapters than anyone
    // can use; the last chapter then takes what is left.
    const quint64 fullSteps = std::min(movieLength / step, kMaxGeneratedChapters);
    const quint64 rest = movieLength - fullSteps * step;
    ChapterList chapters;
    for (quint64 i = 0; i < fullSteps; ++i)
        addNewChapterToList(step, i, chapters);
    if (rest != 0)
        addNewChapterToList(rest, fullSteps, chapters);
    return chapters;
}
