// Subtitles from the subtitle service or an SRT file.
#include "app/korvalanecontroller.h"

#include "app/browseraddress.h"
#include "app/lastfolder.h"
#include "app/statusnews.h"
#include "app/workspace.h"
#include "model/helpers.h"
#include "model/languageutilities.h"
#include "online/opensubtitleapi.h"
#include "platform/alerts.h"
#include "platform/serviceconfig.h"
#include "tagging/subtitleutilities.h"

#include <QFileInfo>
#include <QMainWindow>

namespace {

const QString kLastSubtitleFolder = QStringLiteral("NSNavLastSubtitleDirectory");

}  // namespace

void KorvalaneController::openSubtitleWebSearch()
{
    const QString host = platform::ServiceConfig::current().subtitleService().webUrl;
    Workspace::openOrShowAddress(BrowserAddress::subtitleSearchPage(host, m_languageId, titleEdit()->text()));
}

void KorvalaneController::openSubtitleFile()
{
    const std::shared_ptr<MovieModel> movie = getSelectedMovie();
    if (!movie)
        return;
    const QUrl chosen = LastFolder::chooseOneFile(kLastSubtitleFolder, {QStringLiteral("srt")}, m_mainWindow.get());
    if (chosen.isEmpty())
        return;
    if (!QFileInfo(chosen.toLocalFile()).isFile()) {
        platform::showAlert(platform::Alert::aboutFile(QStringLiteral("loadSubtitleHeader"),
                                                       QStringLiteral("loadSubtitleBody"), chosen.toLocalFile()));
        return;
    }
    const auto text = SubTitleUtilities::readSubTitleToFile(chosen);
    if (!text) {
        platform::showAlert(platform::Alert::aboutFile(QStringLiteral("parseSubtitleHeader"),
                                                       QStringLiteral("parseSubtitleBody"), chosen.toLocalFile()));
        return;
    }
    movie->setSubtitle(*text);
}

void KorvalaneController::searchSubtitleForTitle()
{
    if (m_subtitleSearchOngoing)
        return;
    const std::shared_ptr<MovieModel> movie = getSelectedMovie();
    if (!movie)
        return;
    FetchOutcome outcome = FetchOutcome::Failed;
    runUserSearch(&KorvalaneController::setSubtitleSearchOngoing, QStringLiteral("SubtitleSearchError: %1"),
                  [&] { outcome = searchForSubtitle(movie); });
    tellSubtitleOutcome(outcome, *movie);
}

void KorvalaneController::tellSubtitleOutcome(FetchOutcome outcome, const MovieModel& movie)
{
    const QString title = shownTitle(movie);
    switch (outcome) {
        case FetchOutcome::Fetched:
            m_news->add(QStringLiteral("newsSubtitleLoaded"), {title});
            break;
        case FetchOutcome::NoImdbId:
            m_news->add(QStringLiteral("newsSubtitleNoImdbId"), {title});
            break;
        case FetchOutcome::NoLogin:
            m_news->add(QStringLiteral("newsSubtitleNoLogin"));
            break;
        case FetchOutcome::NoneFound:
            m_news->add(QStringLiteral("newsSubtitleNoneFound"),
                        {title, LanguageUtilities().localizedNameOfLanguage(m_languageId)});
            break;
        case FetchOutcome::Failed:
            m_news->add(QStringLiteral("newsSubtitleFailed"), {title});
            break;
        case FetchOutcome::NoKey:  // told by the key check
        case FetchOutcome::NoRecord:
            break;
    }
}

KorvalaneController::FetchOutcome KorvalaneController::searchForSubtitle(const std::shared_ptr<MovieModel>& movie)
{
    if (!movie)
        return FetchOutcome::NoRecord;
    if (movie->imdbID().isEmpty())
        return FetchOutcome::NoImdbId;
    if (!serviceKeyIsSet(platform::Service::SubtitleService))
        return FetchOutcome::NoKey;
    // One client for the whole run, so its login is made once and reused.
    if (!m_subtitleAPI)
        m_subtitleAPI = std::make_shared<OpenSubtitleAPI>(m_mainWindow.get(), m_languageId);
    else
        m_subtitleAPI->setCurrentLanguage(m_languageId);
    OpenSubtitleAPI& client = *m_subtitleAPI;
    if (client.token().isEmpty()) {
        const auto login = client.logIn();
        if (!login)
            return login.error() == OpenSubtitleAPI::LoginFailure::Refused ? FetchOutcome::NoLogin
                                                                           : FetchOutcome::Failed;
    }
    const std::optional<QList<QJsonObject>> subtitles = client.searchSubtitles(movie->imdbID(), false);
    if (!subtitles)
        return FetchOutcome::Failed;
    if (subtitles->isEmpty())
        return FetchOutcome::NoneFound;
    const bool isHD = movie->hdVideo().value_or(0) != 0;
    const std::optional<QJsonValue> fileId =
        client.selectBestSubtitle(*subtitles, movie->title(), yearOfDate(movie->releaseDate()), isHD);
    if (!fileId)
        return FetchOutcome::NoneFound;
    const std::optional<QString> text = client.downloadSubtitle(*fileId);
    if (!text)
        return FetchOutcome::Failed;
    movie->setSubtitle(*text);
    return FetchOutcome::Fetched;
}
