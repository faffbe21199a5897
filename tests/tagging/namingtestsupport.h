#pragma once

#include "platform/settings.h"
#include "support/moviefactory.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A short, small movie: enough for the file pipeline, quick to make.
inline testsupport::MovieRecipe smallMovieRecipe()
{
    testsupport::MovieRecipe recipe;
    recipe.seconds = 0.5;
    recipe.width = 160;
    recipe.height = 120;
    return recipe;
}

// Gives each test settings of its own, so that the naming and saving settings
// one test stores never reach the next.
class FreshSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Settings::useFolder(m_settingsDir.path()); }
    void TearDown() override { platform::Settings::useFolder(m_settingsDir.path() + "/after"); }

    static void set(const QString& key, const QVariant& value) { platform::Settings::shared().setValue(key, value); }

    static bool touch(const QString& path, const QByteArray& bytes = "x")
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QTemporaryDir m_settingsDir;
};
