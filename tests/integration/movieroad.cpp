#include "movieroad.h"

#include "app/appdelegate.h"
#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "online/webrequest.h"
#include "platform/bookmark.h"
#include "platform/pumpevents.h"
#include "platform/serviceconfig.h"
#include "platform/settings.h"
#include "tagging/metadatautilities.h"
#include "tagging/moviefilemanager.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace movieroad {

MovieRoadTest::MovieRoadTest() = default;
MovieRoadTest::~MovieRoadTest() = default;

void MovieRoadTest::SetUp()
{
    ASSERT_TRUE(m_services.isListening());
    ASSERT_TRUE(m_settingsFolder.isValid());
    platform::Settings::useFolder(m_settingsFolder.path());
    registerApplicationDefaults();

    m_services.exportEnvironment();

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
    return m_controller->searchAndMerge(record, *m_client).lookup;
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

QByteArray MovieRoadTest::fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QColor MovieRoadTest::posterColour(int index)
{
    return testsupport::FakeServices::posterColour(index);
}

bool MovieRoadTest::nearColour(QColor a, QColor b)
{
    constexpr int kJpegTolerance = 12;
    return qAbs(a.red() - b.red()) <= kJpegTolerance && qAbs(a.green() - b.green()) <= kJpegTolerance &&
           qAbs(a.blue() - b.blue()) <= kJpegTolerance;
}

}  // namespace movieroad
