#include "support/testenvironment.h"

#include "platform/serviceconfig.h"

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
    for (const QString& name : platform::ServiceConfig::environmentVariables())
        qunsetenv(name.toLatin1().constData());
}

}  // namespace testsupport
