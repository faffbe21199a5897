#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class ChapterModel;
class MovieModel;

// One chapter set of a search reply.
struct ChapterSetDescription {
    QString language;  // two-letter code
    qint64 confirmations = 0;
    QString title;
    quint64 duration = 0;  // milliseconds
    QString chapterSetId;
    QList<std::shared_ptr<ChapterModel>> chapters;  // measured against `duration`
};

// Client of the chapter database: search chapter sets by title and duration,
// choose the set that fits a record best, read its chapter table from the
// set's browse page. Every call stands alone; failures answer none and write
// a log line. The calls wait for their replies while the event loop runs.
namespace ChapterDbAPI {

// The raw XML reply of the search, or none.
std::optional<QByteArray> searchChapterDb(const QString& title, const QString& durationAsTime);
// One description per chapter set; none when any set is faulty.
std::optional<QList<ChapterSetDescription>> parseChaptersXML(const QByteArray& data);
// The chapters of the best set, read from its browse page; none when no set scores.
std::optional<QList<std::shared_ptr<ChapterModel>>> selectBestChaptersForMovie(
    const MovieModel& movie, const QList<ChapterSetDescription>& chapterDescriptions, const QString& language);
// The chapter table of one set's browse page, the last chapter running to `msecDuration`.
std::optional<QList<std::shared_ptr<ChapterModel>>> getChaptersFromWebSite(const QString& chapterSetId,
                                                                           quint64 msecDuration);

// The title as it is searched: cut before the first " - " unless that stands
// in the first four characters.
QString searchTitle(const QString& title);
// How well a set fits a record (0 to 1200): language, duration, title, confirmations.
int chapterSetScore(const QString& movieTitle, std::optional<qint64> msecDuration,
                    const ChapterSetDescription& description, const QString& language);

}  // namespace ChapterDbAPI
