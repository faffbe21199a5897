// The main window loads the movie database's genre names when it is set up.
// Tests here never reach a service: every service address points where
// nothing listens, unless a test starts the fake server and points there.
#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

class OfflineServices : public ::testing::Environment {
public:
    void SetUp() override
    {
        for (const char* name : {"KORVALANE_TMDB_URL", "KORVALANE_OPENSUBTITLES_URL", "KORVALANE_CHAPTERDB_URL"})
            qputenv(name, QByteArrayLiteral("http://127.0.0.1:9"));
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new OfflineServices);

}  // namespace
