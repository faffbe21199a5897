// The batch search: one movie database lookup per selected record under the
// progress sheet, each result fetched into, attached to and merged into its
// record.
#include "app/korvalanecontroller.h"

#include "app/imageselectcontroller.h"
#include "app/movielistcontroller.h"
#include "app/progressbarindicator.h"
#include "app/saveasmoviefilemanager.h"
#include "app/savemovielistwindowcontroller.h"
#include "app/statusnews.h"
#include "online/tmdbapi.h"
#include "platform/localized.h"
#include "platform/pumpevents.h"
#include "platform/settings.h"
#include "tagging/moviefilemanager.h"

#include <QLabel>
#include <QMainWindow>

namespace {

// The pause after each record, in which the sheet's cancel button can act.
constexpr double kPauseBetweenRecords = 1.0;

}  // namespace

void KorvalaneController::findTmdbInfoAll()
{
    // The automatic start after loading calls without a sender and shows each result found.
    const bool showResults = sender() == nullptr;
    MovieListController& list = *m_movieListController;
    const MovieList::IndexSet selection = list.selectionIndexes();
    if (selection.isEmpty())
        return;
    // Without a key no lookup could succeed: the run ends before its first, as at a failed one.
    if (!serviceKeyIsSet(platform::Service::MovieDatabase))
        return;
    // Merging can rearrange the list: the run holds the records it was started on.
    MovieList::Records records;
    for (const qsizetype index : selection)
        records << list.arrangedObjects().at(index);

    std::unique_ptr<SaveMovieListWindowController> sheet;
    SaveAsMovieFileManager::openProgressWindow(sheet, m_mainWindow.get());
    ProgressBarIndicator& indicator = sheet->movieProgress();
    sheet->setFileNumber(selection.size());
    sheet->setFilesWritten(0);
    sheet->setBytesWritten(-1);

    TMDbAPI client;
    BatchTally tally;
    qint64 counter = 1;
    for (const std::shared_ptr<MovieModel>& record : records) {
        const QString name = record->fileUrl().fileName();
        // A cancel between two lookups reaches no request: the flag ends the run.
        if (sheet->abort()) {
            tally.cancelled = true;
            break;
        }
        sheet->movieNameTextField()->setText(name);
        indicator.setIndeterminate(true);
        indicator.startAnimation();
        const SearchTurn turn = searchAndMerge(*record, client, &indicator, sheet.get());
        if (turn.lookup == SearchOutcome::Stopped) {
            sheet->setBytesWritten(0);
            tally.cancelled = client.status() == TMDbAPI::Status::Cancelled;
            break;
        }
        if (turn.lookup == SearchOutcome::Merged) {
            ++tally.found;
            tally.subtitles.count(turn.extras.subtitle, name);
            tally.chapters.count(turn.extras.chapters, name);
            list.updateTableViewSelection(selection);
            if (showResults)
                showSearchResultPage(*record->searchResult());
        } else {
            tally.notFound << name;
        }
        sheet->setFilesWritten(counter++);
        platform::pumpEvents(kPauseBetweenRecords);
    }
    // The one that failed or was cancelled, and those after it.
    for (qsizetype index = tally.found + tally.notFound.size(); index < records.size(); ++index)
        tally.notSearched << records.at(index)->fileUrl().fileName();
    indicator.stopAnimation();
    indicator.setIndeterminate(false);
    sheet->endSheet();
    list.updateTableViewSelection(selection);
    showSearchHitsPage();
    tellBatchTally(tally);
}

void KorvalaneController::tellBatchTally(const BatchTally& tally)
{
    const auto listed = [](const QString& headingKey, const QStringList& names) {
        return names.isEmpty() ? QStringList() : QStringList{platform::localized(headingKey)} + names;
    };
    const QStringList counts{QString::number(tally.found), QString::number(tally.notFound.size()),
                             QString::number(tally.notSearched.size())};
    if (tally.cancelled)
        m_news->tell(QStringLiteral("newsBatchSearchCancelled"), counts,
                     listed(QStringLiteral("newsNotFoundList"), tally.notFound) +
                         listed(QStringLiteral("newsNotSearchedList"), tally.notSearched));
    else
        m_news->tell(QStringLiteral("newsBatchSearch"), counts,
                     listed(QStringLiteral("newsNotFoundList"), tally.notFound) +
                         listed(QStringLiteral("newsFailedList"), tally.notSearched));
    // A service's sentence only when it missed something.
    const auto addMisses = [&](const ExtrasTally& extras, const QString& key, const QString& notFoundHeadingKey,
                               const QString& failedHeadingKey) {
        if (extras.notFound.isEmpty() && extras.failed.isEmpty())
            return;
        m_news->add(key, {QString::number(extras.notFound.size()), QString::number(extras.failed.size())},
                    listed(notFoundHeadingKey, extras.notFound) + listed(failedHeadingKey, extras.failed));
    };
    addMisses(tally.subtitles, QStringLiteral("newsBatchSubtitles"), QStringLiteral("newsSubtitlesNotFoundList"),
              QStringLiteral("newsSubtitlesFailedList"));
    addMisses(tally.chapters, QStringLiteral("newsBatchChapters"), QStringLiteral("newsChaptersNotFoundList"),
              QStringLiteral("newsChaptersFailedList"));
}

void KorvalaneController::ExtrasTally::count(FetchOutcome outcome, const QString& name)
{
    switch (outcome) {
        case FetchOutcome::NoneFound:
        case FetchOutcome::NoImdbId:
            notFound << name;
            break;
        case FetchOutcome::Failed:
        case FetchOutcome::NoLogin:
            failed << name;
            break;
        case FetchOutcome::Fetched:
        case FetchOutcome::NoRecord:
        case FetchOutcome::NoKey:  // told by the key check
            break;
    }
}

KorvalaneController::SearchTurn KorvalaneController::searchAndMerge(MovieModel& record, TMDbAPI& client,
                                                                    platform::ProgressIndicator* indicator,
                                                                    platform::ModalSession* session)
{
    const platform::Settings& settings = platform::Settings::shared();
    QString name = record.title();
    if (name.isEmpty())
        name = MovieFileManager::makeTitleFromFileURL(record.fileUrl());
    const std::shared_ptr<MovieModel> result = client.readTmDBInformation(
        {.name = name,
         .language = m_languageId,
         .locale = m_localeId,
         .window = m_mainWindow.get(),
         .progressIndicator = indicator,
         .modalSession = session,
         .loadCovers = !settings.boolValue(QStringLiteral("DoNotAutomaticLoadCoverPictures"))});
    if (!result)
        return {client.status() == TMDbAPI::Status::NotFound ? SearchOutcome::NotFound : SearchOutcome::Stopped, {}};
    const ExtrasOutcome extras = completeSearchResult(record, result);
    record.setSearchResult(result);
    record.copySearchResultsToMovie(settings.integerValue(QStringLiteral("CopyBehaviorOfMovieSearch")));
    return {SearchOutcome::Merged, extras};
}

KorvalaneController::ExtrasOutcome KorvalaneController::completeSearchResult(const MovieModel& record,
                                                                             const std::shared_ptr<MovieModel>& result)
{
    result->setDuration(record.duration());
    result->setMsecDuration(record.msecDuration());
    result->setHdVideo(record.hdVideo());
    result->setChapterSettings(record.chapterSettings());
    const platform::Settings& settings = platform::Settings::shared();
    ExtrasOutcome extras;
    if (settings.boolValue(QStringLiteral("AutomaticSearchForSubtitles")))
        extras.subtitle = searchForSubtitle(result);
    if (settings.boolValue(QStringLiteral("AutomaticSearchForChapters")))
        extras.chapters = chapterDbSearchViaAPIWithMovie(result);
    return extras;
}

void KorvalaneController::tellExtrasMissed(const ExtrasOutcome& extras, MovieModel& result)
{
    const auto missed = [](FetchOutcome outcome) {
        return outcome == FetchOutcome::NoneFound || outcome == FetchOutcome::Failed ||
               outcome == FetchOutcome::NoLogin;
    };
    if (missed(extras.subtitle))
        tellSubtitleOutcome(extras.subtitle, result);
    if (missed(extras.chapters))
        tellChapterOutcome(extras.chapters, result);
}

void KorvalaneController::showSearchResultPage(const MovieModel& result)
{
    if (m_imageSelectController)
        m_imageSelectController->showResultPage(result);
}

void KorvalaneController::showSearchHitsPage()
{
    if (m_imageSelectController)
        m_imageSelectController->showHitsPage();
}
