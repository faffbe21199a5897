// A batch of movie database lookups against the fake server answering at
// once: where does the time of one lookup go? Prints the wall time per
// lookup, the CPU time the process spent (our code, Qt and the server
// together), the wait slices taken and the requests made.
// Usage: tmdb_lookup [number of lookups, default 20]
#include "model/moviemodel.h"
#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "platform/modalsession.h"
#include "platform/settings.h"
#include "support/fakeserver.h"
#include "support/imagebytes.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

using testsupport::FakeReply;

namespace {

constexpr char kApiKey[] = "c0ffee00c0ffee00c0ffee00c0ffee00";

// Times every turn the lookup gives its modal session: one per wait slice.
class SliceCounter : public platform::ModalSession {
public:
    void runModalSession() override { ++turns; }
    qint64 turns = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QByteArray png(int width, int height)
{
    return testsupport::pngBytes(QSize(width, height), Qt::darkCyan);
}

void routeAlien(testsupport::FakeServer& server)
{
    const QString key = QStringLiteral("api_key=") + kApiKey;
    server.route("GET", "/3/configuration",
                 FakeReply::fromFile("tmdb/configuration.json")
                     .withReplaced("http://image.tmdb.org", server.baseUrl().toUtf8()));
    server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    server.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-alien-1979.json"));
    server.route("GET", "/3/movie/348", key + "&language=de", FakeReply::fromFile("tmdb/movie-348-de.json"));
    server.route("GET", "/3/movie/348", key + "&language=en", FakeReply::fromFile("tmdb/movie-348-en.json"));
    server.route("GET", "/3/movie/348/casts", FakeReply::fromFile("tmdb/casts-348.json"));
    server.route("GET", "/3/movie/348/releases", FakeReply::fromFile("tmdb/releases-348.json"));
    server.route("GET", "/3/movie/348/images", FakeReply::fromFile("tmdb/images-348.json"));

    const QByteArray thumbnail = png(92, 138);
    for (const char* path : {"/k9QzMx4rTqW2hVbE7nL5sYcPa1D.jpg", "/hT7aWq2LcN9vRx0pBm3ZsUe5KyG.jpg"})
        server.route("GET", QStringLiteral("/t/p/w92") + path, FakeReply::bytes(thumbnail, "image/png"));
    const QByteArray poster = png(154, 231);
    const QByteArray cover = png(1000, 1500);
    for (const char* path :
         {"/k9QzMx4rTqW2hVbE7nL5sYcPa1D.jpg", "/m3Nq8Vt2XyRb6Kc0Jh4WdLs7PaE.jpg", "/n4Or9Wu3YzSc7Ld1Ki5XeMt8QbF.jpg",
          "/o5Ps0Xv4ZaTd8Me2Lj6YfNu9RcG.jpg", "/p6Qt1Yw5AbUe9Nf3Mk7ZgOv0SdH.jpg", "/q7Ru2Zx6BcVf0Og4Nl8AhPw1TeI.jpg"}) {
        server.route("GET", QStringLiteral("/t/p/w154") + path, FakeReply::bytes(poster, "image/png"));
        server.route("GET", QStringLiteral("/t/p/original") + path, FakeReply::bytes(cover, "image/png"));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Never the user's settings, never a real service.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    platform::Settings::useFolder(home.path() + "/config/korvalane");
    platform::Settings::shared().registerDefaults({{"SizeOfCoverInSearchWindow", 2}});
    const int lookups = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;

    testsupport::FakeServer server;
    if (!server.isListening()) {
        std::printf("the fake server did not start\n");
        return 1;
    }
    qputenv("KORVALANE_TMDB_URL", server.baseUrl().toUtf8());
    qputenv("KORVALANE_TMDB_API_KEY", kApiKey);
    routeAlien(server);
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);
    MovieGenre::genreNames();  // the genre tables' one load per process, outside the batch
    server.clearRequests();

    TMDbAPI client;  // one client for the batch, as the batch search has
    SliceCounter slices;
    int found = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < lookups; ++i) {
        if (client.readTmDBInformation(
                {.name = "Alien #1979", .language = "de", .locale = "de", .modalSession = &slices, .loadCovers = true}))
            ++found;
    }
    const double wall = timer.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;

    // The waits the lookup is built of: every runner request ends in a slice
    // of 0.1 s; hit thumbnails and the poster loop wait in slices of 0.01 s.
    qint64 runnerRequests = 0;
    qint64 shortWaits = 0;
    for (const testsupport::FakeRequest& request : server.requests()) {
        if (request.path.startsWith("/3/") || request.path.startsWith("/t/p/w154")) {
            ++runnerRequests;
            if (request.path.startsWith("/t/p/w154"))
                ++shortWaits;  // each poster also has one loop slice
        } else if (request.path.startsWith("/t/p/w92")) {
            ++shortWaits;
        }
    }
    shortWaits += qint64(lookups);  // the French poster: a loop slice, no load
    const double floor = (runnerRequests * 0.1 + shortWaits * 0.01) / lookups;

    std::printf("lookups                 %d (%d found)%s\n", lookups, found,
                found == lookups ? "" : " -- a lookup did not find the movie: the times below mean nothing");
    std::printf("wall time per lookup    %.3f s\n", wall / lookups);
    std::printf("CPU time per lookup     %.3f s (%.1f%% of the wall time)\n", cpu / lookups, 100.0 * cpu / wall);
    std::printf("wait slices per lookup  %.1f\n", double(slices.turns) / lookups);
    std::printf("requests per lookup     %.1f\n", double(server.requestCount()) / lookups);
    std::printf("prescribed slices       %.3f s per lookup; the rest, %.3f s, is everything else\n", floor,
                wall / lookups - floor);
    return found == lookups ? 0 : 1;
}
