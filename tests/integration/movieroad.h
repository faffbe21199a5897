#pragma once

// The road of one movie file through every piece: files opened from a
// folder, records read from them, the movie database lookup with its
// subtitle and chapter fetches, the merge into the record, the save with its
// renaming and Plex side files, and the file read back. The three web
// services are fake servers on 127.0.0.1 answering the stored replies; the
// movie files are made by ffmpeg in a temporary working folder.

#include "app/korvalanecontroller.h"
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "platform/alerts.h"
#include "platform/log.h"
#include "support/fakeserver.h"
#include "support/fakeservices.h"
#include "support/moviefactory.h"

#include <QColor>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
class TMDbAPI;

namespace movieroad {

inline constexpr char kLanguage[] = "de";
inline constexpr char kCountry[] = "de";
// The German title of the movie database's reply, and the name saving gives it.
inline constexpr char kGermanTitle[] = "Alien - Das unheimliche Wesen aus einer fremden Welt";
inline constexpr char kPlexName[] = "Alien - Das unheimliche Wesen aus einer fremden Welt - (1979)";
// The chapters of the chapter set the chapter database's browse page lists.
inline const QStringList kDbChapterNames{"Prolog", "Mitte", "Finale"};
inline const QList<qint64> kDbChapterStartsMs{0, 10'000, 25'000};
// Long enough for the stored subtitle (its last caption ends at 30.5 s).
inline constexpr double kMovieSeconds = 32.0;

// What one record's turn in the main window's batch search came to.
using Lookup = KorvalaneController::SearchOutcome;

class MovieRoadTest : public ::testing::Test {
protected:
    MovieRoadTest();
    ~MovieRoadTest() override;
    void SetUp() override;
    void TearDown() override;

    // The settings the application registers at start, for German searches in Germany.
    static void registerApplicationDefaults();
    static void set(const QString& key, const QVariant& value);
    void useWorkingFolder();
    // The whole road: subtitle and chapters from the services, chapters from the
    // chapter database, Plex names and side files, in the working folder.
    void useEveryServiceWithPlexFiles();

    // A 32-second movie with video and audio, plus whatever `recipe` adds, in the working folder.
    QString makeMovie(const QString& name, testsupport::MovieRecipe recipe = {});
    QString workFolder() const { return m_factory.dir(); }
    QStringList workEntries() const;

    // One record's turn in the main window's batch search, with the one
    // movie database client a batch uses.
    Lookup searchAndMerge(MovieModel& record);
    // Stores another search language and country and closes the preferences
    // window over the main window, which takes them up.
    void searchIn(const QString& language, const QString& country);
    const QString& language() const { return m_controller->languageId(); }
    const QString& country() const { return m_controller->localeId(); }

    // The only record of a list loaded from `paths`.
    std::shared_ptr<MovieModel> loadOne(MovieList& list, const QVariantList& paths);
    // A fresh record read by our own reader from `path`.
    std::shared_ptr<MovieModel> readBack(const QString& path);

    // Independent readers.
    QJsonObject probe(const QString& path) { return m_factory.ffprobe(path); }
    static QJsonObject formatTags(const QJsonObject& probe);
    static QList<QJsonObject> streamsOfType(const QJsonObject& probe, const QString& codecType);
    static QStringList chapterTitles(const QJsonObject& probe);
    // Name, start and end in milliseconds of every chapter ffprobe sees.
    static QList<qint64> chapterStartsMs(const QJsonObject& probe);
    // AtomicParsley's tag listing as atom -> value; freeform items under their name ("iTunMOVI").
    QMap<QString, QString> atomicParsleyAtoms(const QString& path) { return m_factory.atomicParsleyAtoms(path); }

    static QByteArray fileBytes(const QString& path);
    // The colour a served poster has, by its position in the stored image list.
    static QColor posterColour(int index);
    static bool nearColour(QColor a, QColor b);

    testsupport::FakeServices m_services;
    testsupport::FakeServer& m_tmdb = m_services.movieDatabase();
    testsupport::FakeServer& m_subtitles = m_services.subtitleService();
    testsupport::FakeServer& m_chapterDb = m_services.chapterDatabase();
    testsupport::MovieFactory m_factory;
    platform::RecordingAlerts m_alerts;
    platform::LogCapture m_log;
    std::unique_ptr<TMDbAPI> m_client;
    // The main window, set up once the services and settings are in place.
    std::unique_ptr<KorvalaneController> m_controller;

private:
    QTemporaryDir m_settingsFolder;
    double m_previousSliceScale = 1.0;
};

}  // namespace movieroad
