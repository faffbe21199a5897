#include "tmdblookup_fixture.h"

#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "online/webrequest.h"
#include "platform/notificationcenter.h"
#include "platform/pumpevents.h"
#include "platform/settings.h"

#include <QFileInfo>
#include <QImage>
#include <QTimer>

using testsupport::FakeReply;

namespace tmdblookuptest {

const QList<Poster> kAlienPosters{
    {"/k9QzMx4rTqW2hVbE7nL5sYcPa1D.jpg", "en"}, {"/m3Nq8Vt2XyRb6Kc0Jh4WdLs7PaE.jpg", "de"},
    {"/n4Or9Wu3YzSc7Ld1Ki5XeMt8QbF.jpg", ""},   {"/o5Ps0Xv4ZaTd8Me2Lj6YfNu9RcG.jpg", "fr"},
    {"/p6Qt1Yw5AbUe9Nf3Mk7ZgOv0SdH.jpg", "en"}, {"/q7Ru2Zx6BcVf0Og4Nl8AhPw1TeI.jpg", "de"},
};

const QStringList kAlienHitPosters{"/k9QzMx4rTqW2hVbE7nL5sYcPa1D.jpg", "/hT7aWq2LcN9vRx0pBm3ZsUe5KyG.jpg"};

const QHash<QString, QSize> kRenditionPixels{
    {"w154", {4, 6}}, {"w342", {6, 9}}, {"w500", {10, 15}}, {"original", {20, 30}}};

QColor posterColour(int index)
{
    return QColor::fromHsv((index * 47) % 360, 200, 200).toRgb();
}

void postAbortNow()
{
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification));
}

void postAbortSoon(int ms)
{
    QTimer::singleShot(ms, [] { postAbortNow(); });
}

QString searchQuery(const QString& query, const QString& language, const QString& year)
{
    QString text = "api_key=" + QString(kApiKey) + "&query=" + query;
    if (!language.isEmpty())
        text += "&language=" + language;
    if (!year.isEmpty())
        text += "&year=" + year;
    return text;
}

void TmdbLookupTest::SetUp()
{
    ASSERT_TRUE(server.isListening());
    ASSERT_TRUE(m_settingsFolder.isValid());
    qputenv("KORVALANE_TMDB_URL", server.baseUrl().toUtf8());
    qputenv("KORVALANE_TMDB_API_KEY", kApiKey);
    WebTransport::setIdleTimeout(std::chrono::seconds(5));
    // The fake server answers at once: every wait slice may be a tenth as long.
    m_previousSliceScale = platform::pumpSliceScale();
    platform::setPumpSliceScale(0.1);
    // Every test starts as a new process would: no image address read yet.
    TMDbAPI::setImageBaseUrl(QString());

    m_previousSettingsFolder = QFileInfo(platform::Settings::shared().fileName()).absolutePath();
    m_previousDefaults = platform::Settings::shared().registeredDefaults();
    platform::Settings::useFolder(m_settingsFolder.path());
    platform::Settings::shared().registerDefaults({{"SizeOfCoverInSearchWindow", 2},
                                                   {"UseTMDBGenres", false},
                                                   {"ListTMDbGenresAsList", false},
                                                   {"UseFSKRatingsInsteadOfAbJahren", false}});
    routeAlien();
    // The genre tables load the database's names on their first use in a
    // process; let that happen here, outside the requests a test looks at.
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);
    MovieGenre::genreNames();
    server.clearRequests();
    log.clear();
}

void TmdbLookupTest::TearDown()
{
    platform::Settings::useFolder(m_previousSettingsFolder);
    platform::Settings::shared().registerDefaults(m_previousDefaults);
    WebTransport::setIdleTimeout(std::chrono::seconds(30));
    platform::setPumpSliceScale(m_previousSliceScale);
    qunsetenv("KORVALANE_TMDB_URL");
    qunsetenv("KORVALANE_TMDB_API_KEY");
}

void TmdbLookupTest::routeAlien()
{
    const QString key = "api_key=" + QString(kApiKey);
    server.route("GET", "/3/configuration",
                 FakeReply::fromFile("tmdb/configuration.json")
                     .withReplaced("http://image.tmdb.org", server.baseUrl().toUtf8()));
    server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    server.route("GET", "/3/search/movie", searchQuery("Alien", "de", "1979"),
                 FakeReply::fromFile("tmdb/search-alien-1979.json"));
    server.route("GET", "/3/find/tt0078748", key + "&language=de&external_source=imdb_id",
                 FakeReply::fromFile("tmdb/find-tt0078748.json"));
    server.route("GET", "/3/movie/348", key + "&language=de", FakeReply::fromFile("tmdb/movie-348-de.json"));
    server.route("GET", "/3/movie/348", key + "&language=en", FakeReply::fromFile("tmdb/movie-348-en.json"));
    server.route("GET", "/3/movie/348/casts", key, FakeReply::fromFile("tmdb/casts-348.json"));
    server.route("GET", "/3/movie/348/releases", key, FakeReply::fromFile("tmdb/releases-348.json"));
    server.route("GET", "/3/movie/348/images", key, FakeReply::fromFile("tmdb/images-348.json"));

    for (int i = 0; i < kAlienHitPosters.size(); ++i)
        server.route("GET", "/t/p/w92" + kAlienHitPosters[i],
                     FakeReply::bytes(pngBytes(kHitThumbnailPixels, posterColour(i)), "image/png"));
    for (int i = 0; i < kAlienPosters.size(); ++i) {
        for (auto step = kRenditionPixels.begin(); step != kRenditionPixels.end(); ++step)
            server.route("GET", "/t/p/" + step.key() + kAlienPosters[i].path,
                         FakeReply::bytes(pngBytes(step.value(), posterColour(i)), "image/png"));
    }
}

std::shared_ptr<MovieModel> TmdbLookupTest::lookUp(TMDbAPI& client, const QString& name, bool loadCovers,
                                                   platform::ProgressIndicator* progress)
{
    return client.readTmDBInformation(
        {.name = name, .language = "de", .locale = "de", .progressIndicator = progress, .loadCovers = loadCovers});
}

QStringList TmdbLookupTest::requestLines() const
{
    QStringList lines;
    for (const testsupport::FakeRequest& request : server.requests())
        lines << request.pathAndQuery();
    return lines;
}

QStringList TmdbLookupTest::searchRequests() const
{
    QStringList queries;
    for (const testsupport::FakeRequest& request : server.requests()) {
        if (request.path == "/3/search/movie")
            queries << request.query;
    }
    return queries;
}

QUrl TmdbLookupTest::imageUrl(const QString& sizeStep, const QString& path) const
{
    return QUrl(server.url("/t/p/" + sizeStep + path));
}

platform::Settings& TmdbLookupTest::settings() const
{
    return platform::Settings::shared();
}

}  // namespace tmdblookuptest
