#include "movieroad.h"

#include "app/appdelegate.h"
#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "online/webrequest.h"
#include "platform/bookmark.h"
#include "platform/pumpevents.h"
#include "platform/serviceconfig.h"
#include "platform/settings.h"
#include "support/imagebytes.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilemanager.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

using testsupport::FakeReply;

namespace movieroad {

namespace {

constexpr char kTmdbKey[] = "c0ffee00c0ffee00c0ffee00c0ffee00";
constexpr char kSubtitleKey[] = "k3yForTests0000000000000000000AB";
constexpr char kChapterDbKey[] = "CHAPTERDBTESTKEY0001";
constexpr char kSubtitleSearchQuery[] =
    "foreign_parts_only=exclude&hearing_impaired=exclude&imdb_id=78748&languages=de";
constexpr char kSubtitleFilePath[] =
    "/files/9C1F52A7E04B3D86F2A0C5B71E9D4A36B8F07C2E51D93A6B4E0F8C7D2A1B5E39/subfile/"
    "Alien.1979.PAL.DVDRip.XviD-GER.srt";

// The pixel size of each poster rendition the fake database serves.
const QList<QPair<QString, QSize>> kRenditions{
    {"w92", {32, 48}}, {"w154", {8, 12}}, {"w342", {16, 24}}, {"w500", {24, 36}}, {"original", {40, 60}}};

using testsupport::pngBytes;

QString searchQuery(const QString& query, const QString& year)
{
    return QString("api_key=%1&query=%2&language=de&year=%3").arg(kTmdbKey, query, year);
}

// The poster paths of the stored image list and of the stored search hits.
QStringList posterPaths()
{
    QStringList paths;
    const QJsonObject images = QJsonDocument::fromJson(testsupport::serviceData("tmdb/images-348.json")).object();
    for (const QJsonValue& poster : images.value("posters").toArray())
        paths << poster.toObject().value("file_path").toString();
    const QJsonObject hits = QJsonDocument::fromJson(testsupport::serviceData("tmdb/search-alien-1979.json")).object();
    for (const QJsonValue& hit : hits.value("results").toArray()) {
        const QString path = hit.toObject().value("poster_path").toString();
        if (!path.isEmpty() && !paths.contains(path))
            paths << path;
    }
    return paths;
}

}  // namespace

MovieRoadTest::MovieRoadTest() = default;
MovieRoadTest::~MovieRoadTest() = default;

void MovieRoadTest::SetUp()
{
    ASSERT_TRUE(m_tmdb.isListening());
    ASSERT_TRUE(m_subtitles.isListening());
    ASSERT_TRUE(m_chapterDb.isListening());
    ASSERT_TRUE(m_settingsFolder.isValid());
    platform::Settings::useFolder(m_settingsFolder.path());
    registerApplicationDefaults();

    qputenv("KORVALANE_TMDB_URL", m_tmdb.baseUrl().toUtf8());
    qputenv("KORVALANE_TMDB_API_KEY", kTmdbKey);
    qputenv("KORVALANE_OPENSUBTITLES_URL", (m_subtitles.baseUrl() + "/api/v1").toUtf8());
    qputenv("KORVALANE_OPENSUBTITLES_API_KEY", kSubtitleKey);
    qputenv("KORVALANE_OPENSUBTITLES_USER", "testuser");
    qputenv("KORVALANE_OPENSUBTITLES_PASSWORD", "abc123-def456-ghi789");
    qputenv("KORVALANE_CHAPTERDB_URL", m_chapterDb.baseUrl().toUtf8());
    qputenv("KORVALANE_CHAPTERDB_API_KEY", kChapterDbKey);
    routeMovieDatabase();
    routeSubtitleService();
    routeChapterDatabase();

    WebTransport::setIdleTimeout(std::chrono::seconds(5));
    // Local servers answer at once: every wait slice may be a tenth as long.
    m_previousSliceScale = platform::pumpSliceScale();
    platform::setPumpSliceScale(0.1);
    // As in a new process: no image address read yet.
    TMDbAPI::setImageBaseUrl(QString());
    // The genre tables load the database's names at their first use in a process.
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);
    MovieGenre::genreNames();

    m_client = std::make_unique<TMDbAPI>();
    m_controller = std::make_unique<KorvalaneController>();
    m_tmdb.clearRequests();
    m_log.clear();
}

void MovieRoadTest::TearDown()
{
    m_controller.reset();
    m_client.reset();
    platform::setPumpSliceScale(m_previousSliceScale);
    WebTransport::setIdleTimeout(std::chrono::seconds(30));
    for (const QString& name : platform::ServiceConfig::environmentVariables())
        qunsetenv(name.toLatin1().constData());
    platform::Settings::useFolder(m_settingsFolder.path() + "/after");
}

void MovieRoadTest::registerApplicationDefaults()
{
    AppDelegate::registerDefaults(kLanguage, kCountry);
}

void MovieRoadTest::set(const QString& key, const QVariant& value)
{
    platform::Settings::shared().setValue(key, value);
}

void MovieRoadTest::useWorkingFolder()
{
    set("WorkingDirectoryBookmark", platform::bookmarkDataForFolder(QUrl::fromLocalFile(workFolder())));
}

void MovieRoadTest::useEveryServiceWithPlexFiles()
{
    set("WritePLEXFiles", true);
    set("AutomaticSearchForSubtitles", true);
    set("AutomaticSearchForChapters", true);
    set("DefaultChapterSetting", MovieModel::kChaptersFromChapterFileOrDb);
    useWorkingFolder();
}

void MovieRoadTest::routeMovieDatabase()
{
    const QString key = QString("api_key=") + kTmdbKey;
    m_tmdb.route("GET", "/3/configuration",
                 FakeReply::fromFile("tmdb/configuration.json")
                     .withReplaced("http://image.tmdb.org", m_tmdb.baseUrl().toUtf8()));
    m_tmdb.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
    m_tmdb.route("GET", "/3/genre/movie/list", key + "&language=de", FakeReply::fromFile("tmdb/genre-list-de.json"));
    m_tmdb.route("GET", "/3/search/movie", searchQuery("Alien", "1979"),
                 FakeReply::fromFile("tmdb/search-alien-1979.json"));
    m_tmdb.route("GET", "/3/movie/348", key + "&language=de", FakeReply::fromFile("tmdb/movie-348-de.json"));
    m_tmdb.route("GET", "/3/movie/348", key + "&language=en", FakeReply::fromFile("tmdb/movie-348-en.json"));
    m_tmdb.route("GET", "/3/movie/348/casts", key, FakeReply::fromFile("tmdb/casts-348.json"));
    m_tmdb.route("GET", "/3/movie/348/releases", key, FakeReply::fromFile("tmdb/releases-348.json"));
    m_tmdb.route("GET", "/3/movie/348/images", key, FakeReply::fromFile("tmdb/images-348.json"));
    const QStringList posters = posterPaths();
    for (int i = 0; i < posters.size(); ++i) {
        for (const auto& [step, size] : kRenditions)
            m_tmdb.route("GET", "/t/p/" + step + posters[i],
                         FakeReply::bytes(pngBytes(size, posterColour(i)), "image/png"));
    }
}

void MovieRoadTest::routeSubtitleService()
{
    m_subtitles.route("POST", "/api/v1/login", FakeReply::fromFile("opensubtitles/login.json"));
    m_subtitles.route("DELETE", "/api/v1/logout", FakeReply::fromFile("opensubtitles/logout.json"));
    m_subtitles.route("GET", "/api/v1/subtitles", kSubtitleSearchQuery,
                      FakeReply::fromFile("opensubtitles/subtitles-tt0078748-de.json"));
    m_subtitles.route(
        "POST", "/api/v1/download",
        FakeReply::fromFile("opensubtitles/download.json")
            .withReplaced("https://www.opensubtitles.com/download/", m_subtitles.url("/files/").toUtf8()));
    m_subtitles.route("GET", kSubtitleFilePath, FakeReply::fromFile("opensubtitles/sample.srt"));
}

void MovieRoadTest::routeChapterDatabase()
{
    m_chapterDb.route("GET", "/chapters/search", FakeReply::fromFile("chapterdb/search-alien.xml"));
    // The stored three-row page, its times brought within the test movie.
    m_chapterDb.route("GET", "/browse/31047",
                      FakeReply::fromFile("chapterdb/browse-three-rows.html")
                          .withReplaced("<td>00:10:00</td>", "<td>00:00:10</td>")
                          .withReplaced("<td>00:25:00</td>", "<td>00:00:25</td>"));
}

QString MovieRoadTest::makeMovie(const QString& name, testsupport::MovieRecipe recipe)
{
    recipe.seconds = kMovieSeconds;
    recipe.width = 160;
    recipe.height = 120;
    return m_factory.make(recipe, name);
}

QStringList MovieRoadTest::workEntries() const
{
    QStringList names = QDir(workFolder()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    // The factory's own helper files (chapter and subtitle sources) are not part of the road.
    names.removeIf([](const QString& name) {
        static const QRegularExpression helper(QStringLiteral("^(chapters|subtitle)\\d+\\.(txt|srt)$"));
        return helper.match(name).hasMatch();
    });
    return names;
}

Lookup MovieRoadTest::searchAndMerge(MovieModel& record)
{
    return m_controller->searchAndMerge(record, *m_client);
}

void MovieRoadTest::searchIn(const QString& language, const QString& country)
{
    const QString countryBefore = m_controller->localeId();
    set("LanguageSettingsForSearch", language);
    set("CountrySettingsForSearch", country);
    m_controller->preferencesClosed(countryBefore,
                                    platform::Settings::shared().boolValue("UseFSKRatingsInsteadOfAbJahren"));
}

std::shared_ptr<MovieModel> MovieRoadTest::loadOne(MovieList& list, const QVariantList& paths)
{
    const qsizetype before = list.arrangedObjects().size();
    EXPECT_TRUE(MovieFileManager::loadFiles(paths, list, language()));
    EXPECT_EQ(list.arrangedObjects().size(), before + 1);
    if (list.arrangedObjects().size() != before + 1)
        return nullptr;
    list.setSelectionIndexes({before});
    return list.arrangedObjects().last();
}

std::shared_ptr<MovieModel> MovieRoadTest::readBack(const QString& path)
{
    auto movie = std::make_shared<MovieModel>();
    EXPECT_TRUE(MetaDataUtilities::readMetaDataFromURL(QUrl::fromLocalFile(path), *movie, language()));
    return movie;
}

QJsonObject MovieRoadTest::formatTags(const QJsonObject& probe)
{
    return probe.value("format").toObject().value("tags").toObject();
}

QList<QJsonObject> MovieRoadTest::streamsOfType(const QJsonObject& probe, const QString& codecType)
{
    QList<QJsonObject> streams;
    for (const QJsonValue& stream : probe.value("streams").toArray()) {
        const QJsonObject object = stream.toObject();
        if (object.value("codec_type").toString() == codecType)
            streams << object;
    }
    return streams;
}

QStringList MovieRoadTest::chapterTitles(const QJsonObject& probe)
{
    QStringList titles;
    for (const QJsonValue& chapter : probe.value("chapters").toArray())
        titles << chapter.toObject().value("tags").toObject().value("title").toString();
    return titles;
}

QList<qint64> MovieRoadTest::chapterStartsMs(const QJsonObject& probe)
{
    QList<qint64> starts;
    for (const QJsonValue& chapter : probe.value("chapters").toArray())
        starts << qRound64(chapter.toObject().value("start_time").toString().toDouble() * 1000.0);
    return starts;
}

QMap<QString, QString> MovieRoadTest::atomicParsleyAtoms(const QString& path)
{
    // Atom "©nam" contains: Alien
    // Atom "----" [com.apple.iTunes;iTunMOVI] contains: <?xml ...   (values may run over several lines)
    static const QRegularExpression line(
        QStringLiteral("^Atom \"(.+?)\"(?: \\[[^;\\]]*;([^\\]]*)\\])? contains: (.*)$"));
    QMap<QString, QString> atoms;
    QString current;
    for (const QString& text : m_factory.atomicParsleyTags(path).split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch()) {
            current = match.captured(2).isEmpty() ? match.captured(1) : match.captured(2);
            atoms.insert(current, match.captured(3));
        } else if (!current.isEmpty()) {
            atoms[current] += '\n' + text;
        }
    }
    for (QString& value : atoms)
        value = value.trimmed();
    return atoms;
}

QByteArray MovieRoadTest::fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QColor MovieRoadTest::posterColour(int index)
{
    return QColor::fromHsv((index * 53) % 360, 220, 210).toRgb();
}

bool MovieRoadTest::nearColour(QColor a, QColor b)
{
    constexpr int kJpegTolerance = 12;
    return qAbs(a.red() - b.red()) <= kJpegTolerance && qAbs(a.green() - b.green()) <= kJpegTolerance &&
           qAbs(a.blue() - b.blue()) <= kJpegTolerance;
}

}  // namespace movieroad
