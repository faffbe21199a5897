#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <expected>
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
// set's browse page. Every call stands alone and writes a log line when it
// gives no chapters; the calls wait for their replies while the event loop runs.
namespace ChapterDbAPI {

// Why a call gave no chapters. NoneFound: the service's valid reply holds no
// set that fits. Failed: its answer is no valid reply (a failed or cut
// connection, an HTTP error status, a page that is not the expected format),
// so whether it knows the movie is unknown.
enum class NoChapters { NoneFound, Failed };
template <typename T>
using Result = std::expected<T, NoChapters>;

// The raw XML reply of the search; NoneFound without a title to search.
Result<QByteArray> searchChapterDb(const QString& title, const QString& durationAsTime);
// One description per chapter set, none for a reply without sets; Failed
// when the reply is not XML or any set is faulty.
Result<QList<ChapterSetDescription>> parseChaptersXML(const QByteArray& data);
// The chapters of the best set, read from its browse page; NoneFound when no set scores.
Result<QList<std::shared_ptr<ChapterModel>>> selectBestChaptersForMovie(
    const MovieModel& movie, const QList<ChapterSetDescription>& chapterDescriptions, const QString& language);
// The chapter table of one set's browse page, the last chapter running to `msecDuration`.
Result<QList<std::shared_ptr<ChapterModel>>> getChaptersFromWebSite(const QString& chapterSetId, quint64 msecDuration);

// The title as it is searched: cut before the first " - " unless that stands
// in the first four characters.
QString searchTitle(const QString& title);
// How well a set fits a record (0 to 1200): language, duration, title, confirmations.
int chapterSetScore(const QString& movieTitle, std::optional<qint64> msecDuration,
                    const ChapterSetDescription& description, const QString& language);

}  // namespace ChapterDbAPI
