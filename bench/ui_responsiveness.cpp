// How live the main window stays while save-as copies a 2 GiB file (10 runs)
// and while the batch search of 5 records waits on a slow movie database: the
// longest gap between two turns of the event loop, next to the goal of 50 ms.
// A run that did not do its work (no tagged copy, a record not found, an alert)
// says so and counts as missed, whatever its gaps.
// Usage: ui_responsiveness [copy size in MiB, default 2048] [reply delay in ms, default 400]
//                          [save-as runs, default 10]
#include "app/appdelegate.h"
#include "app/filechooser.h"
#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "model/moviemodel.h"
#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "platform/alerts.h"
#include "platform/settings.h"
#include "support/fakeserver.h"
#include "support/moviefactory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using testsupport::FakeReply;

namespace {

constexpr char kApiKey[] = "c0ffee00c0ffee00c0ffee00c0ffee00";
constexpr double kGoalMs = 50.0;

// The one-minute load average, for reading a figure next to how busy the machine was.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 0)
                                          : QStringLiteral("?");
}

// Notes the time between consecutive turns of the event loop.
class GapMeter {
public:
    GapMeter()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
            ++m_turns;
        });
    }
    void start()
    {
        m_longest = 0;
        m_turns = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    // Whether the goal was met: the work was done (`failure` empty) with no gap longer than the goal.
    bool report(const QString& what, const QString& failure)
    {
        m_timer.stop();
        const double longestMs = m_longest / 1e6;
        const bool met = failure.isEmpty() && longestMs <= kGoalMs;
        std::printf("%-42s %7.1f s  %8lld turns  longest gap %6.1f ms  (goal <= %.0f ms: %s)  load %s\n",
                    qPrintable(what), m_clock.elapsed() / 1000.0, static_cast<long long>(m_turns), longestMs, kGoalMs,
                    met                 ? "met"
                    : failure.isEmpty() ? "MISSED"
                                        : qPrintable("MISSED, " + failure),
                    qPrintable(loadAverage()));
        std::fflush(stdout);
        m_lastGapMs = longestMs;
        return met;
    }
    double lastGapMs() const { return m_lastGapMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_turns = 0;
    double m_lastGapMs = 0;
};

void routeSlowDatabase(testsupport::FakeServer& server, int delayMs)
{
    const QString key = QStringLiteral("api_key=") + kApiKey;
    const auto slow = [delayMs](FakeReply reply) { return reply.withDelay(delayMs); };
    server.route("GET", "/3/configuration",
                 slow(FakeReply::fromFile("tmdb/configuration.json")
                          .withReplaced("http://image.tmdb.org", server.baseUrl().toUtf8())));
    server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    server.route("GET", "/3/search/movie", slow(FakeReply::fromFile("tmdb/search-alien-1979.json")));
    server.route("GET", "/3/movie/348", key + "&language=de", slow(FakeReply::fromFile("tmdb/movie-348-de.json")));
    server.route("GET", "/3/movie/348", key + "&language=en", slow(FakeReply::fromFile("tmdb/movie-348-en.json")));
    server.route("GET", "/3/movie/348/casts", slow(FakeReply::fromFile("tmdb/casts-348.json")));
    server.route("GET", "/3/movie/348/releases", slow(FakeReply::fromFile("tmdb/releases-348.json")));
    server.route("GET", "/3/movie/348/images", slow(FakeReply::fromFile("tmdb/images-348.json")));
}

// Why a save-as run did not do its work: empty when no alert was shown and the record now refers
// to its tagged copy in `folder` (which save-as does only once the copy is whole and tagged).
QString saveAsFailure(const MovieModel& record, const QString& folder, qsizetype alertsShown)
{
    if (alertsShown > 0)
        return QStringLiteral("alerts shown: %1").arg(alertsShown);
    const QFileInfo copy(record.fileUrl().toLocalFile());
    if (!copy.exists() || copy.absolutePath() != QFileInfo(folder).absoluteFilePath() || !record.isTagged())
        return QStringLiteral("no tagged copy");
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    // Never the user's settings, never a real service.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 copyMiB = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 2048;
    const int delayMs = argc > 2 ? std::max(0, QString::fromLocal8Bit(argv[2]).toInt()) : 400;
    const int saveAsRuns = argc > 3 ? std::max(1, QString::fromLocal8Bit(argv[3]).toInt()) : 10;

    testsupport::FakeServer server(testsupport::FakeServer::Threading::OwnThread);
    if (!server.isListening()) {
        std::printf("the fake server did not start\n");
        return 1;
    }
    qputenv("KORVALANE_TMDB_URL", server.baseUrl().toUtf8());
    qputenv("KORVALANE_TMDB_API_KEY", kApiKey);
    for (const char* name : {"KORVALANE_OPENSUBTITLES_URL", "KORVALANE_CHAPTERDB_URL"})
        qputenv(name, QByteArrayLiteral("http://127.0.0.1:9"));
    routeSlowDatabase(server, delayMs);

    platform::Settings::useFolder(home.path() + "/config/korvalane");
    AppDelegate::initialize({QStringLiteral("de-DE")});
    platform::Settings::shared().setValue("DoNotAutomaticLoadCoverPictures", true);
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);
    platform::RecordingAlerts alerts;
    RecordingFileChooser chooser;
    KorvalaneController controller;
    controller.mainWindow()->resize(1200, 800);
    controller.mainWindow()->show();
    MovieListController& list = controller.movieListController();

    testsupport::MovieFactory factory;
    testsupport::MovieRecipe recipe;
    recipe.seconds = 2.0;
    recipe.width = 160;
    recipe.height = 120;
    const QString small = factory.make(recipe, "small.m4v");
    // A sparse gap makes the file large without taking disk; the copy is written in full.
    const QString large = factory.makeSparseLarge(small, "Large Movie.m4v", copyMiB << 20);
    if (small.isEmpty() || large.isEmpty() || !controller.loadMoviesByURL(QStringList{large})) {
        std::printf("the test movie could not be made or loaded\n");
        return 1;
    }
    const QString copies = factory.path("copies");
    QDir().mkpath(copies);
    GapMeter meter;
    std::vector<double> gaps;  // of the runs that saved
    int met = 0;
    for (int run = 1; run <= saveAsRuns; ++run) {
        // After a save-as the record refers to its copy: each run reads the large file afresh.
        list.removeAll();
        if (!controller.loadMoviesByURL(QStringList{large})) {
            std::printf("the test movie could not be loaded again\n");
            return 1;
        }
        list.selectAll();
        chooser.queueAnswer({QUrl::fromLocalFile(copies)});
        const qsizetype alertsBefore = alerts.shown().size();
        meter.start();
        controller.saveAs();
        const QString failure =
            saveAsFailure(*list.arrangedObjects().front(), copies, alerts.shown().size() - alertsBefore);
        if (meter.report(QStringLiteral("save-as of %1 MiB, run %2").arg(copyMiB).arg(run), failure))
            ++met;
        if (failure.isEmpty())
            gaps.push_back(meter.lastGapMs());
        for (const QString& name : QDir(copies).entryList(QDir::Files))
            QFile::remove(copies + "/" + name);
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("save-as: %d of %d runs met the goal of %.0f ms; %lld saved", met, saveAsRuns, kGoalMs,
                static_cast<long long>(gaps.size()));
    if (!gaps.empty())
        std::printf(", their longest gap median %.1f ms, min %.1f ms, max %.1f ms", gaps[gaps.size() / 2], gaps.front(),
                    gaps.back());
    std::printf("\n");

    list.removeAll();
    QStringList five;
    for (int i = 1; i <= 5; ++i)
        five << factory.copy(small, QStringLiteral("Alien #1979 %1.m4v").arg(i));
    controller.loadMoviesByURL(five);
    for (const std::shared_ptr<MovieModel>& record : list.arrangedObjects())
        record->setTitle(QStringLiteral("Alien #1979"));
    list.selectAll();
    const qsizetype alertsBefore = alerts.shown().size();
    meter.start();
    controller.findTmdbInfoAll();
    const auto found = std::count_if(list.arrangedObjects().begin(), list.arrangedObjects().end(),
                                     [](const auto& record) { return bool(record->searchResult()); });
    const qsizetype shown = alerts.shown().size() - alertsBefore;
    const bool searchMet = meter.report(QStringLiteral("batch search, 5 records, %1 ms replies").arg(delayMs),
                                        found < 5   ? QStringLiteral("%1 of 5 found").arg(found)
                                        : shown > 0 ? QStringLiteral("alerts shown: %1").arg(shown)
                                                    : QString());
    return met == saveAsRuns && searchMet ? 0 : 1;
}
