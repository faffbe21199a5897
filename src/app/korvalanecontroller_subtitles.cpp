// Subtitles from the subtitle service or an SRT file.
#include "app/korvalanecontroller.h"

#include "app/browseraddress.h"
#include "app/lastfolder.h"
#include "app/workspace.h"
#include "model/helpers.h"
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
    runUserSearch(&KorvalaneController::setSubtitleSearchOngoing, QStringLiteral("SubtitleSearchError: %1"),
                  [&] { searchForSubtitle(movie); });
}

void KorvalaneController::searchForSubtitle(const std::shared_ptr<MovieModel>& movie)
{
    if (!movie || movie->imdbID().isEmpty())
        return;
    if (!serviceKeyIsSet(platform::Service::SubtitleService))
        return;
    // One client for the whole run, so its login is made once and reused.
    if (!m_subtitleAPI)
        m_subtitleAPI = std::make_shared<OpenSubtitleAPI>(m_mainWindow.get(), m_languageId);
    else
        m_subtitleAPI->setCurrentLanguage(m_languageId);
    OpenSubtitleAPI& client = *m_subtitleAPI;
    if (client.token().isEmpty() && !client.logIn())
        return;
    const std::optional<QList<QJsonObject>> subtitles = client.searchSubtitles(movie->imdbID(), false);
    if (!subtitles || subtitles->isEmpty())
        return;
    const bool isHD = movie->hdVideo().value_or(0) != 0;
    const std::optional<QJsonValue> fileId =
        client.selectBestSubtitle(*subtitles, movie->title(), yearOfDate(movie->releaseDate()), isHD);
    if (!fileId)
        return;
    if (const std::optional<QString> text = client.downloadSubtitle(*fileId))
        movie->setSubtitle(*text);
}
