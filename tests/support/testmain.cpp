// Entry point of every test executable: keeps tests away from the user's
// home and settings, and provides the Qt application the event loop needs.
#include "platform/settings.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests must never reach real services, whatever the developer's shell holds.
    for (const char* name : {"KORVALANE_TMDB_URL", "KORVALANE_TMDB_API_KEY", "KORVALANE_OPENSUBTITLES_URL",
                             "KORVALANE_OPENSUBTITLES_API_KEY", "KORVALANE_OPENSUBTITLES_USER",
                             "KORVALANE_OPENSUBTITLES_PASSWORD", "KORVALANE_CHAPTERDB_URL",
                             "KORVALANE_CHAPTERDB_API_KEY"})
        qunsetenv(name);

    QGuiApplication app(argc, argv);
    platform::Settings::useFolder(home.path() + "/config/korvalane");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
