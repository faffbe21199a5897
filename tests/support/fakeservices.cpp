#include "support/fakeservices.h"

#include "support/imagebytes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSize>
#include <QString>
#include <QStringList>

namespace testsupport {

namespace {

constexpr char kSubtitleKey[] = "k3yForTests0000000000000000000AB";
constexpr char kSubtitleUser[] = "testuser";
constexpr char kSubtitlePassword[] = "abc123-def456-ghi789";
constexpr char kChapterDbKey[] = "CHAPTERDBTESTKEY0001";
constexpr char kSubtitleSearchQuery[] =
    "foreign_parts_only=exclude&hearing_impaired=exclude&imdb_id=78748&languages=de";
constexpr char kSubtitleFilePath[] =
    "/files/9C1F52A7E04B3D86F2A0C5B71E9D4A36B8F07C2E51D93A6B4E0F8C7D2A1B5E39/subfile/"
    "Alien.1979.PAL.DVDRip.XviD-GER.srt";

// The pixel size of each poster rendition the fake database serves.
const QList<QPair<QString, QSize>> kRenditions{
    {"w92", {32, 48}}, {"w154", {8, 12}}, {"w342", {16, 24}}, {"w500", {24, 36}}, {"original", {40, 60}}};

QString keyQuery()
{
    return QString("api_key=") + FakeServices::kMovieDatabaseKey;
}

QString searchQuery(const QString& query, const QString& language, const QString& year)
{
    return QString("%1&query=%2&language=%3&year=%4").arg(keyQuery(), query, language, year);
}

// The poster paths of the stored image list and of the stored search hits.
QStringList posterPaths()
{
    QStringList paths;
    const QJsonObject images = QJsonDocument::fromJson(serviceData("tmdb/images-348.json")).object();
    for (const QJsonValue& poster : images.value("posters").toArray())
        paths << poster.toObject().value("file_path").toString();
    const QJsonObject hits = QJsonDocument::fromJson(serviceData("tmdb/search-alien-1979.json")).object();
    for (const QJsonValue& hit : hits.value("results").toArray()) {
        const QString path = hit.toObject().value("poster_path").toString();
        if (!path.isEmpty() && !paths.contains(path))
            paths << path;
    }
    return paths;
}

}  // namespace

FakeServices::FakeServices(FakeServer::Threading threading)
    : m_movieDatabase(threading), m_subtitleService(threading), m_chapterDatabase(threading)
{
    routeMovieDatabase();
    routeSubtitleService();
    routeChapterDatabase();
}

bool FakeServices::isListening() const
{
    return m_movieDatabase.isListening() && m_subtitleService.isListening() && m_chapterDatabase.isListening();
}

QList<QPair<QByteArray, QByteArray>> FakeServices::environment() const
{
    return {
        {"KORVALANE_TMDB_URL", m_movieDatabase.baseUrl().toUtf8()},
        {"KORVALANE_TMDB_API_KEY", kMovieDatabaseKey},
        {"KORVALANE_OPENSUBTITLES_URL", (m_subtitleService.baseUrl() + "/api/v1").toUtf8()},
        {"KORVALANE_OPENSUBTITLES_API_KEY", kSubtitleKey},
        {"KORVALANE_OPENSUBTITLES_USER", kSubtitleUser},
        {"KORVALANE_OPENSUBTITLES_PASSWORD", kSubtitlePassword},
        {"KORVALANE_CHAPTERDB_URL", m_chapterDatabase.baseUrl().toUtf8()},
        {"KORVALANE_CHAPTERDB_API_KEY", kChapterDbKey},
    };
}

void FakeServices::exportEnvironment() const
{
    for (const auto& [name, value] : environment())
        qputenv(name.constData(), value);
}

void FakeServices::answerEveryTitleSearch()
{
    m_movieDatabase.route("GET", "/3/search/movie", FakeReply::fromFile("tmdb/search-empty.json"));
    for (const QString language : {"de", "en"}) {
        m_movieDatabase.route("GET", "/3/search/movie", searchQuery("Alien", language, "1979"),
                              FakeReply::fromFile("tmdb/search-alien-1979.json"));
        m_movieDatabase.route("GET", "/3/search/movie", QString("%1&query=Alien&language=%2").arg(keyQuery(), language),
                              FakeReply::fromFile("tmdb/search-alien-1979.json"));
    }
}

QColor FakeServices::posterColour(int index)
{
    return QColor::fromHsv((index * 53) % 360, 220, 210).toRgb();
}

void FakeServices::routeMovieDatabase()
{
    const QString key = keyQuery();
    m_movieDatabase.route("GET", "/3/configuration",
                          FakeReply::fromFile("tmdb/configuration.json")
                              .withReplaced("http://image.tmdb.org", m_movieDatabase.baseUrl().toUtf8()));
    m_movieDatabase.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    m_movieDatabase.route("GET", "/3/genre/movie/list", key + "&language=de",
                          FakeReply::fromFile("tmdb/genre-list-de.json"));
    m_movieDatabase.route("GET", "/3/search/movie", searchQuery("Alien", "de", "1979"),
                          FakeReply::fromFile("tmdb/search-alien-1979.json"));
    m_movieDatabase.route("GET", "/3/movie/348", key + "&language=de", FakeReply::fromFile("tmdb/movie-348-de.json"));
    m_movieDatabase.route("GET", "/3/movie/348", key + "&language=en", FakeReply::fromFile("tmdb/movie-348-en.json"));
    m_movieDatabase.route("GET", "/3/movie/348/casts", key, FakeReply::fromFile("tmdb/casts-348.json"));
    m_movieDatabase.route("GET", "/3/movie/348/releases", key, FakeReply::fromFile("tmdb/releases-348.json"));
    m_movieDatabase.route("GET", "/3/movie/348/images", key, FakeReply::fromFile("tmdb/images-348.json"));
    const QStringList posters = posterPaths();
    for (int i = 0; i < posters.size(); ++i) {
        for (const auto& [step, size] : kRenditions)
            m_movieDatabase.route("GET", "/t/p/" + step + posters[i],
                                  FakeReply::bytes(pngBytes(size, posterColour(i)), "image/png"));
    }
}

void FakeServices::routeSubtitleService()
{
    m_subtitleService.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/login.json"));
    m_subtitleService.route("DELETE", "/api/v1/logout", FakeReply::fromFile("opensubtitles/logout.json"));
    m_subtitleService.route("GET", "/api/v1/subtitles", kSubtitleSearchQuery,
                            FakeReply::fromFile("opensubtitles/subtitles-tt0078748-de.json"));
    m_subtitleService.route(
        "POST", "/api/v1/download",
        FakeReply::fromFile("opensubtitles/download.json")
            .withReplaced("https://www.opensubtitles.com/download/", m_subtitleService.url("/files/").toUtf8()));
    m_subtitleService.route("GET", kSubtitleFilePath, FakeReply::fromFile("opensubtitles/sample.srt"));
}

void FakeServices::routeChapterDatabase()
{
    m_chapterDatabase.route("GET", "/chapters/search", FakeReply::fromFile("chapterdb/search-alien.xml"));
    // The stored three-row page, its times brought within a movie of half a minute.
    m_chapterDatabase.route("GET", "/browse/31047",
                            FakeReply::fromFile("chapterdb/browse-three-rows.html")
                                .withReplaced("<td>00:10:00</td>", "<td>00:00:10</td>")
                                .withReplaced("<td>00:25:00</td>", "<td>00:00:25</td>"));
}

}  // namespace testsupport
