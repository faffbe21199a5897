#pragma once

// The movie database as the lookup tests see it: a fake server answering the
// Alien (1979) replies, with small distinct pictures for every poster and
// rendition so a test can tell which one it got.

#include "model/moviemodel.h"
#include "platform/log.h"
#include "platform/modalsession.h"
#include "platform/progressindicator.h"
#include "support/fakeserver.h"
#include "support/imagebytes.h"

#include <QColor>
#include <QHash>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

class TMDbAPI;

namespace platform {
class Settings;
}

namespace tmdblookuptest {

inline constexpr char kApiKey[] = "c0ffee00c0ffee00c0ffee00c0ffee00";

struct Poster {
    QString path;
    QString language;
};

// The posters of images-348.json, in reply order.
extern const QList<Poster> kAlienPosters;
// The "poster_path" of the two hits of search-alien-1979.json that have one.
extern const QStringList kAlienHitPosters;
inline const QSize kHitThumbnailPixels{92, 138};
// The pixel size the server gives each rendition ("w154", "w342", "w500", "original").
extern const QHash<QString, QSize> kRenditionPixels;

QColor posterColour(int index);
using testsupport::pngBytes;

// Posts the cancel notification, now or from the event loop after `ms`.
void postAbortNow();
void postAbortSoon(int ms);

// The query of a search request: key, query, and language and year when given.
QString searchQuery(const QString& query, const QString& language = {}, const QString& year = {});

// Records what the lookup does with the progress bar, one text per call.
class RecordingProgress : public platform::ProgressIndicator {
public:
    explicit RecordingProgress(std::function<void(const QString&)> onCall = {}) : m_onCall(std::move(onCall)) {}

    void startAnimation() override { record("start"); }
    void stopAnimation() override { record("stop"); }
    void setIndeterminate(bool indeterminate) override { record(QString("indeterminate %1").arg(int(indeterminate))); }
    void setDoubleValue(double value) override { record(QString("value %1").arg(value)); }
    void setMaxValue(double maximum) override { record(QString("max %1").arg(maximum)); }
    void displayIfNeeded() override { record("display"); }

    QStringList calls;

private:
    void record(const QString& call)
    {
        calls << call;
        if (m_onCall)
            m_onCall(call);
    }
    std::function<void(const QString&)> m_onCall;
};

class CountingSession : public platform::ModalSession {
public:
    void runModalSession() override { ++turns; }
    int turns = 0;
};

class TmdbLookupTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A lookup by name in German for Germany.
    std::shared_ptr<MovieModel> lookUp(TMDbAPI& client, const QString& name, bool loadCovers = true,
                                       platform::ProgressIndicator* progress = nullptr);

    // Path and query of every request the server received, in order.
    QStringList requestLines() const;
    // The queries of the search requests, in order.
    QStringList searchRequests() const;
    // An image address on the fake server.
    QUrl imageUrl(const QString& sizeStep, const QString& path) const;
    platform::Settings& settings() const;

    testsupport::FakeServer server;
    platform::LogCapture log;

private:
    void routeAlien();

    QTemporaryDir m_settingsFolder;
    QString m_previousSettingsFolder;
    QVariantMap m_previousDefaults;
    double m_previousSliceScale = 1.0;
};

}  // namespace tmdblookuptest
