// Chapters from the chapter database or a chapter file.
#include "app/korvalanecontroller.h"

#include "app/browseraddress.h"
#include "app/lastfolder.h"
#include "app/statusnews.h"
#include "app/workspace.h"
#include "model/chaptermodel.h"
#include "online/chapterdbapi.h"
#include "online/namedfailure.h"
#include "online/servicelog.h"
#include "platform/alerts.h"
#include "platform/pumpevents.h"
#include "platform/serviceconfig.h"

#include <QFileInfo>
#include <QMainWindow>

#include <algorithm>

namespace {

const QString kLastChapterFolder = QStringLiteral("NSNavLastChapterDirectory");
const QStringList kChapterFileTypes{QStringLiteral("xml"), QStringLiteral("json"), QStringLiteral("txt"),
                                    QStringLiteral("chp")};

QString failureText(const std::exception& failure)
{
    if (const auto* named = dynamic_cast<const NamedFailure*>(&failure))
        return named->name() + QStringLiteral(": ") + named->reason();
    return QString::fromLocal8Bit(failure.what());
}

KorvalaneController::FetchOutcome outcomeOf(ChapterDbAPI::NoChapters miss)
{
    return miss == ChapterDbAPI::NoChapters::Failed ? KorvalaneController::FetchOutcome::Failed
                                                    : KorvalaneController::FetchOutcome::NoneFound;
}

}  // namespace

void KorvalaneController::runUserSearch(void (KorvalaneController::*setOngoing)(bool), const QString& errorFormat,
                                        const std::function<void()>& search)
{
    (this->*setOngoing)(true);
    try {
        search();
    } catch (const std::exception& failure) {
        ServiceLog::log(errorFormat.arg(failureText(failure)));
    }
    (this->*setOngoing)(false);
}

void KorvalaneController::chapterDbSearch()
{
    const QString host = platform::ServiceConfig::current().chapterDatabase().baseUrl;
    Workspace::openOrShowAddress(BrowserAddress::chapterDbBrowsePage(host, titleEdit()->text()));
}

void KorvalaneController::chapterDbSearchViaAPI()
{
    if (m_chapterSearchOngoing)
        return;
    const std::shared_ptr<MovieModel> movie = getSelectedMovie();
    if (!movie)
        return;
    FetchOutcome outcome = FetchOutcome::Failed;
    runUserSearch(&KorvalaneController::setChapterSearchOngoing, QStringLiteral("ChapterSearchError: %1"), [&] {
        // One turn of the event loop first, so the window shows the search running
        // before the search holds the main thread.
        platform::pumpEvents(0.1);
        outcome = chapterDbSearchViaAPIWithMovie(movie);
    });
    tellChapterOutcome(outcome, *movie);
}

void KorvalaneController::tellChapterOutcome(FetchOutcome outcome, MovieModel& movie)
{
    const QString title = shownTitle(movie);
    switch (outcome) {
        case FetchOutcome::Fetched:
            tellChaptersTaken({QStringLiteral("newsChaptersFound"), QStringLiteral("newsChaptersFoundWaiting")},
                              movie.listOfDbChapters().value_or(ChapterList()).size(), title, movie);
            break;
        case FetchOutcome::NoneFound:
            m_news->add(QStringLiteral("newsChaptersNoneFound"), {title});
            break;
        case FetchOutcome::Failed:
            m_news->add(QStringLiteral("newsChaptersFailed"), {title});
            break;
        case FetchOutcome::NoKey:  // told by the key check
        case FetchOutcome::NoRecord:
        case FetchOutcome::NoImdbId:
        case FetchOutcome::NoLogin:
            break;
    }
}

void KorvalaneController::tellChaptersTaken(const std::pair<QString, QString>& keys, qsizetype count,
                                            const QString& source, MovieModel& movie)
{
    const QStringList arguments{QString::number(count), source,
                                m_chapterNames.value(MovieModel::kChaptersFromChapterFileOrDb)};
    if (movie.doEnableChapterLoad()) {
        m_news->tell(keys.first, arguments);
        return;
    }
    // Chapters from the database or a file are the record's only under that
    // chapter setting; under another one they wait for it, unseen, until the user chooses it.
    m_news->tellWhile(
        movie, QStringLiteral("doEnableChapterLoad"), [&movie] { return !movie.doEnableChapterLoad(); }, keys.second,
        arguments);
}

KorvalaneController::FetchOutcome KorvalaneController::chapterDbSearchViaAPIWithMovie(
    const std::shared_ptr<MovieModel>& movie)
{
    if (!movie)
        return FetchOutcome::NoRecord;
    if (!serviceKeyIsSet(platform::Service::ChapterDatabase))
        return FetchOutcome::NoKey;
    const ChapterDbAPI::Result<QByteArray> reply = ChapterDbAPI::searchChapterDb(movie->title(), movie->duration());
    if (!reply)
        return outcomeOf(reply.error());
    const ChapterDbAPI::Result<QList<ChapterSetDescription>> sets = ChapterDbAPI::parseChaptersXML(*reply);
    if (!sets)
        return outcomeOf(sets.error());
    const ChapterDbAPI::Result<ChapterList> chapters =
        ChapterDbAPI::selectBestChaptersForMovie(*movie, *sets, m_languageId);
    if (!chapters)
        return outcomeOf(chapters.error());
    movie->setListOfDbChapters(*chapters);
    movie->setChapterDbFileUrl(QUrl());
    movie->updateChapters();
    return FetchOutcome::Fetched;
}

void KorvalaneController::chapterDbLoad()
{
    const std::shared_ptr<MovieModel> movie = getSelectedMovie();
    if (!movie)
        return;
    const QUrl chosen = LastFolder::chooseOneFile(kLastChapterFolder, kChapterFileTypes, m_mainWindow.get());
    if (chosen.isEmpty())
        return;
    // A file that vanished or gives no chapter would leave the record without
    // chapters: refuse it and keep what the record has.
    const quint64 movieLength = static_cast<quint64>(std::max<qint64>(movie->msecDuration().value_or(0), 0));
    const qsizetype chapters = QFileInfo(chosen.toLocalFile()).isFile()
                                   ? ChapterModel::readChapterFileFromChapterDb(chosen, movieLength).size()
                                   : 0;
    if (chapters == 0) {
        platform::showAlert(platform::Alert::aboutFile(QStringLiteral("loadChapterXmlHeader"),
                                                       QStringLiteral("loadChapterXmlBody"), chosen.toLocalFile()));
        return;
    }
    movie->setChapterDbFileUrl(chosen);
    tellChaptersTaken({QStringLiteral("newsChapterFileLoaded"), QStringLiteral("newsChapterFileLoadedWaiting")},
                      chapters, chosen.fileName(), *movie);
}
