#pragma once

#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "platform/alerts.h"
#include "support/moviefactory.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// A main window set up as at start (defaults registered for an English
// system, nothing stored), with alerts recorded and movie files made by
// ffmpeg in a temporary folder.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Small movie files "<name>.m4v"; `titled` gives each a title tag equal to its name.
    QStringList makeMovies(const QStringList& names, bool titled = false);
    // Loads files made by makeMovies() and checks that they loaded.
    void loadMovies(const QStringList& names, bool titled = false);
    // With KORVALANE_SCREENSHOTS naming a folder, writes the main window's
    // picture there as <name>.png, for a look at it.
    void grabWindow(const QString& name) const;

    MovieListController& list() const { return m_controller->movieListController(); }

    testsupport::MovieFactory m_factory;
    std::unique_ptr<platform::RecordingAlerts> m_alerts;
    std::unique_ptr<KorvalaneController> m_controller;
};
