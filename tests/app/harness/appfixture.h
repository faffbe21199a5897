#pragma once

#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "platform/alerts.h"
#include "support/moviefactory.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failures for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '[' << texts.join(", ").toStdString() << ']';
}

// A main window set up as at start (defaults registered for an English
// system, nothing stored), with alerts recorded and movie files made by
// ffmpeg in a temporary folder.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Small movie files "<name>.m4v"; `tagged` gives each a title tag equal
    // to its name and a cover, so that it loads as tagged.
    QStringList makeMovies(const QStringList& names, bool tagged = false);
    // Loads files made by makeMovies() and checks that they loaded.
    void loadMovies(const QStringList& names, bool tagged = false);
    // With KORVALANE_SCREENSHOTS naming a folder, writes the main window's
    // picture there as <name>.png, for a look at it.
    void grabWindow(const QString& name) const;

    MovieListController& list() const { return m_controller->movieListController(); }

    testsupport::MovieFactory m_factory;
    std::unique_ptr<platform::RecordingAlerts> m_alerts;
    std::unique_ptr<KorvalaneController> m_controller;
};
