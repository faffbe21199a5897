#include "support/testenvironment.h"

namespace testsupport {

void isolateEnvironment(const QString& home)
{
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home + "/cache").toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests must never reach real services, whatever the developer's shell holds.
    for (const char* name :
         {"KORVALANE_TMDB_URL", "KORVALANE_TMDB_API_KEY", "KORVALANE_OPENSUBTITLES_URL",
          "KORVALANE_OPENSUBTITLES_API_KEY", "KORVALANE_OPENSUBTITLES_USER", "KORVALANE_OPENSUBTITLES_PASSWORD",
          "KORVALANE_CHAPTERDB_URL", "KORVALANE_CHAPTERDB_API_KEY"})
        qunsetenv(name);
}

}  // namespace testsupport
