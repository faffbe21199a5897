// The genre tables load the movie database's genre names on their first use.
// Tests here never reach a service: the first use happens up front, against
// an address where nothing listens, so the built-in tables are used.
#include "online/moviegenre.h"
#include "platform/log.h"

#include <gtest/gtest.h>

namespace {

class OfflineGenres : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("KORVALANE_TMDB_URL", "http://127.0.0.1:9");
        platform::LogCapture quiet;
        MovieGenre::extractGenreFromString(QString(""));
        qunsetenv("KORVALANE_TMDB_URL");
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new OfflineGenres);

}  // namespace
