#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "online/tmdbmoviegenres.h"
#include "online/webrequest.h"

#include "platform/log.h"
#include "platform/settings.h"
#include "support/fakeserver.h"

#include <gtest/gtest.h>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

const QString kKey = QStringLiteral("fedcba9876543210fedcba9876543210");

QVariantList records(const QStringList& names)
{
    QVariantList list;
    for (const QString& name : names)
        list.append(QVariantMap{{"id", "1"}, {"name", name}});
    return list;
}

// Every test starts as a fresh process would: no database genre list held,
// the movie database on the fake server, no genre settings.
class GenreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("KORVALANE_TMDB_URL", server.baseUrl().toUtf8());
        qputenv("KORVALANE_TMDB_API_KEY", kKey.toUtf8());
        server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/genre-list-en.json"));
        server.route("GET", "/3/genre/movie/list", "api_key=" + kKey + "&language=de_DE",
                     FakeReply::fromFile("tmdb/genre-list-de.json"));
        MovieGenre::resetForTests();
        MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);
        clearSettings();
    }
    void TearDown() override
    {
        qunsetenv("KORVALANE_TMDB_URL");
        qunsetenv("KORVALANE_TMDB_API_KEY");
        MovieGenre::resetForTests();
        clearSettings();
    }
    static void clearSettings()
    {
        for (const char* key : {"UseTMDBGenres", "OnlyUserDefinedGenres", "UserDefinedGenres"})
            platform::Settings::shared().remove(key);
    }

    FakeServer server;
};

TEST_F(GenreTest, ExtractsTheFirstMatchingGenreInTableOrder)
{
    EXPECT_EQ(MovieGenre::extractGenreFromString("Tatort - Krimi"), "Thriller");
    EXPECT_EQ(MovieGenre::extractGenreFromString(QString::fromUtf8("KOMÖDIE")), "Comedy");
    // The umlaut as a letter and a combining mark is one user-perceived character too.
    EXPECT_EQ(MovieGenre::extractGenreFromString(QString::fromUtf8("Komo\xcc\x88"
                                                                   "die")),
              "Comedy");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Sci-Fi"), "Sci-Fi & Fantasy");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Short film"), "Short Film");
    EXPECT_EQ(MovieGenre::extractGenreFromString("ein Road Movie"), "Action & Adventure");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Action Comedy"), "Comedy");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Family Horror"), "Kids & Family");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Star Wars"), "Drama");
    EXPECT_TRUE(MovieGenre::extractGenreFromString("scifi").isNull());
    EXPECT_TRUE(MovieGenre::extractGenreFromString("Roadmovie").isNull());
    EXPECT_TRUE(MovieGenre::extractGenreFromString("").isNull());
    EXPECT_TRUE(MovieGenre::extractGenreFromString(QString()).isNull());
}

TEST_F(GenreTest, EveryPatternFindsItsGenre)
{
    const std::pair<const char*, const char*> rows[] = {
        {"Sci-Fi & Fantasy", "sci fi|Science-Fiction|FANTASY|Fantasie|fantastic|Fantastisch"},
        {"Thriller", "thriller|Crime|krimi|Film Noir|mystery|suspense|Politthriller|politics"},
        {"Kids & Family", "kids|family|Animation|cartoon|Zeichentrick|Familienfilm|Kinderfilm"},
        {"Documentary", "documentary|Dokumentation|documentation"},
        {"Comedy",
         "comedy|Kom\xc3\xb6"
         "die|kom\xc3\xa4"
         "die"},
        {"Holiday", "Holiday"},
        {"Classics", "classic|Klassiker"},
        {"Horror", "horror"},
        {"Independent", "independent|Indie"},
        {"Music", "music|Musik|Musical"},
        {"Romance", "romance|Romantik|Liebesfilm"},
        {"Short Film", "short"},
        {"Sport", "Sport"},
        {"Western", "western"},
        {"Drama", "drama|Reality|war|Krieg"},
        {"Action & Adventure", "action|adventure|Abenteuer|disaster|Katastrophe|road movie"},
    };
    for (const auto& [genre, texts] : rows)
        for (const QString& text : QString::fromUtf8(texts).split('|'))
            EXPECT_EQ(MovieGenre::extractGenreFromString("a " + text + " b").toStdString(), genre)
                << text.toStdString();
    // A text that several patterns match gets the genre tried first.
    EXPECT_EQ(MovieGenre::extractGenreFromString("Drama Thriller"), "Thriller");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Horror Western"), "Horror");
    EXPECT_EQ(MovieGenre::extractGenreFromString("Kriegsdrama mit Musik"), "Music");
    EXPECT_TRUE(MovieGenre::extractGenreFromString("road-movie").isNull());
}

TEST_F(GenreTest, FirstUseLoadsTheDatabaseNamesOnce)
{
    EXPECT_FALSE(MovieGenre::tmdbGenreNames().has_value());
    MovieGenre::extractGenreFromString("Western");
    MovieGenre::extractGenreFromString("Horror");
    MovieGenre::genreNames();
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.requests()[0].pathAndQuery(), "/3/genre/movie/list?api_key=" + kKey);
    ASSERT_TRUE(MovieGenre::tmdbGenreNames().has_value());
    EXPECT_EQ(MovieGenre::tmdbGenreNames()->size(), 19);
}

TEST_F(GenreTest, LoadWithLanguageAndCountry)
{
    // As the first use, the call loads the names without language first.
    MovieGenre::setTMDbGenreNames("de", "de");
    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(server.requests()[0].query, "api_key=" + kKey);
    EXPECT_EQ(server.requests()[1].query, "api_key=" + kKey + "&language=de_DE");
    EXPECT_TRUE(MovieGenre::tmdbGenreNames()->contains(QString::fromUtf8("Komödie")));

    MovieGenre::setTMDbGenreNames("en", "us");
    ASSERT_EQ(server.requestCount(), 3);
    EXPECT_EQ(server.requests()[2].query, "api_key=" + kKey + "&language=en_US");
    EXPECT_TRUE(MovieGenre::tmdbGenreNames()->contains("Comedy"));
}

TEST_F(GenreTest, FailedLoadKeepsTheFallbackNames)
{
    FakeServer closed;
    qputenv("KORVALANE_TMDB_URL", closed.baseUrl().toUtf8());
    closed.stop();
    platform::LogCapture log;
    MovieGenre::setTMDbGenreNames("en", QString());
    ASSERT_TRUE(MovieGenre::tmdbGenreNames().has_value());
    EXPECT_EQ(*MovieGenre::tmdbGenreNames(),
              QStringList({"Action", "Adventure", "Animation", "Comedy", "Crime", "Documentary", "Drama", "Family",
                           "Fantasy", "History", "Horror", "Music", "Mystery", "Romance", "Science Fiction", "TV Movie",
                           "Thriller", "War", "Western"}));
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_EQ(log.lines().last(), "setTMDbGenreNames failed: Request on TMDb failed");

    platform::Settings::shared().setValue("UseTMDBGenres", true);
    platform::Settings::shared().setValue("UserDefinedGenres", QStringList({"Anime"}));
    const QStringList offered = MovieGenre::genreNames();
    EXPECT_EQ(offered.size(), 20);
    EXPECT_EQ(offered.first(), "Action");
    EXPECT_EQ(offered[3], "Anime");
}

TEST_F(GenreTest, AnErrorDocumentQuotingTheRequestLogsNoKey)
{
    MovieGenre::genreNames();  // the first use, with its own load
    server.route("GET", "/3/genre/movie/list", std::nullopt, [](const testsupport::FakeRequest& request) {
        return FakeReply::bytes(R"({"status_code":7,"status_message":"Invalid API key: )" +
                                    request.pathAndQuery().toUtf8() + R"(","success":false})",
                                "application/json;charset=utf-8", 401);
    });
    platform::LogCapture log;
    MovieGenre::setTMDbGenreNames(QString(), QString());
    EXPECT_EQ(MovieGenre::tmdbGenreNames()->size(), 19);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_FALSE(log.lines().first().contains(kKey)) << log.lines().first().toStdString();
    EXPECT_TRUE(log.lines().first().startsWith("setTMDbGenreNames failed: Invalid API key: /3/genre/movie/list?"))
        << log.lines().first().toStdString();
}

TEST_F(GenreTest, ErrorDocumentAndMissingKeyAlsoFallBack)
{
    MovieGenre::genreNames();  // the first use, with its own load
    server.clearRequests();
    server.route("GET", "/3/genre/movie/list", FakeReply::fromFile("tmdb/error-401.json", 401));
    platform::LogCapture log;
    MovieGenre::setTMDbGenreNames(QString(), QString());
    EXPECT_EQ(MovieGenre::tmdbGenreNames()->size(), 19);
    EXPECT_EQ(log.lines().join('\n').toStdString(),
              "setTMDbGenreNames failed: Invalid API key: You must be granted a valid key.");

    qunsetenv("KORVALANE_TMDB_API_KEY");
    log.clear();
    MovieGenre::setTMDbGenreNames(QString(), QString());
    EXPECT_EQ(MovieGenre::tmdbGenreNames(), MovieGenre::fallbackGenreNames());
    EXPECT_EQ(log.lines().size(), 2);
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(GenreTest, ReplyWithoutGenresGivesAnEmptyList)
{
    server.route("GET", "/3/genre/movie/list", FakeReply::bytes(R"({"page":"1"})"));
    MovieGenre::setTMDbGenreNames("en", QString());
    ASSERT_TRUE(MovieGenre::tmdbGenreNames().has_value());
    EXPECT_TRUE(MovieGenre::tmdbGenreNames()->isEmpty());
}

TEST_F(GenreTest, GenreNamesFollowTheSettings)
{
    EXPECT_EQ(MovieGenre::genreNames(), MovieGenre::builtInGenreNames());
    EXPECT_EQ(MovieGenre::genreNames().size(), 16);
    EXPECT_EQ(MovieGenre::genreNames().first(), "Action & Adventure");
    EXPECT_EQ(MovieGenre::genreNames().last(), "Western");

    platform::Settings& settings = platform::Settings::shared();
    settings.setValue("UserDefinedGenres", QStringList({"Zombie", "anime"}));
    const QStringList withUser = MovieGenre::genreNames();
    ASSERT_EQ(withUser.size(), 18);
    EXPECT_EQ(withUser[0], "Action & Adventure");
    EXPECT_EQ(withUser[1], "anime");
    EXPECT_EQ(withUser.last(), "Zombie");

    settings.setValue("OnlyUserDefinedGenres", true);
    EXPECT_EQ(MovieGenre::genreNames(), QStringList({"anime", "Zombie"}));
    settings.remove("UserDefinedGenres");
    EXPECT_TRUE(MovieGenre::genreNames().isEmpty());

    settings.setValue("OnlyUserDefinedGenres", false);
    settings.setValue("UseTMDBGenres", true);
    const QStringList database = MovieGenre::genreNames();
    ASSERT_EQ(database.size(), 19);
    EXPECT_EQ(database[15], "TV Movie");
}

TEST_F(GenreTest, WhichListsTheSettingsChoose)
{
    MovieGenre::setTMDbGenreNames("en", QString());  // the database's 19 English names
    const QStringList builtIn = MovieGenre::builtInGenreNames();
    const QStringList database = *MovieGenre::tmdbGenreNames();
    const auto sorted = [](QStringList names) {
        names.sort(Qt::CaseInsensitive);
        return names;
    };
    struct Row {
        bool useDatabase;
        bool onlyUser;
        QStringList user;
        QStringList expected;
    };
    const Row rows[] = {
        {false, false, {}, builtIn},
        {true, false, {}, database},
        {false, true, {}, {}},
        {true, true, {}, {}},
        {true, false, {"Anime"}, sorted(database + QStringList{"Anime"})},
        {true, true, {"Zombie", "anime"}, {"anime", "Zombie"}},
        // Duplicates stay.
        {false, false, {"Drama"}, sorted(builtIn + QStringList{"Drama"})},
    };
    platform::Settings& settings = platform::Settings::shared();
    for (const Row& row : rows) {
        settings.setValue("UseTMDBGenres", row.useDatabase);
        settings.setValue("OnlyUserDefinedGenres", row.onlyUser);
        settings.setValue("UserDefinedGenres", row.user);
        EXPECT_EQ(MovieGenre::genreNames().join('|').toStdString(), row.expected.join('|').toStdString())
            << row.useDatabase << row.onlyUser << row.user.join(',').toStdString();
    }
    EXPECT_EQ(MovieGenre::genreNames().count("Drama"), 2);
}

TEST_F(GenreTest, AnEmptyDatabaseListOffersNothing)
{
    server.route("GET", "/3/genre/movie/list", FakeReply::bytes(R"({"genres":[]})"));
    platform::Settings::shared().setValue("UseTMDBGenres", true);
    EXPECT_TRUE(MovieGenre::genreNames().isEmpty());
    ASSERT_TRUE(MovieGenre::tmdbGenreNames().has_value());
    EXPECT_TRUE(MovieGenre::tmdbGenreNames()->isEmpty());
}

TEST(TMDbMovieGenres, MapsNamesExactly)
{
    EXPECT_EQ(TMDbMovieGenres::iTunesGenreForName(QString::fromUtf8("Komödie")), "Comedy");
    EXPECT_EQ(TMDbMovieGenres::iTunesGenreForName("Film-Noir"), "Thriller");
    EXPECT_EQ(TMDbMovieGenres::iTunesGenreForName("Indie"), "Independent");
    EXPECT_EQ(TMDbMovieGenres::iTunesGenreForName("Katastrophenfilm"), "Action & Adventure");
    EXPECT_TRUE(TMDbMovieGenres::iTunesGenreForName("TV Movie").isNull());
    EXPECT_TRUE(TMDbMovieGenres::iTunesGenreForName("science fiction").isNull());
    EXPECT_TRUE(TMDbMovieGenres::iTunesGenreForName("Classics").isNull());
    EXPECT_EQ(TMDbMovieGenres::priorityOfGenre("Short Film"), 5);
    EXPECT_EQ(TMDbMovieGenres::priorityOfGenre("Drama"), 0);
}

TEST(TMDbMovieGenres, PicksTheGenreOfHighestPriority)
{
    using TMDbMovieGenres::getiTunesGenreForTMDbGenre;
    EXPECT_EQ(getiTunesGenreForTMDbGenre(records({"Drama", "Action", "Science Fiction"})), "Sci-Fi & Fantasy");
    EXPECT_EQ(getiTunesGenreForTMDbGenre(records({"Comedy", "Thriller"})), "Comedy");
    EXPECT_EQ(getiTunesGenreForTMDbGenre(records({"Thriller", "Comedy"})), "Thriller");
    EXPECT_EQ(getiTunesGenreForTMDbGenre(records({"Drama", "TV Movie"})), "Drama");
    EXPECT_TRUE(getiTunesGenreForTMDbGenre(records({"TV Movie"})).isNull());
    EXPECT_TRUE(getiTunesGenreForTMDbGenre({}).isNull());
    EXPECT_TRUE(getiTunesGenreForTMDbGenre(QVariantList{QVariantMap{{"id", "27"}}}).isNull());
    EXPECT_EQ(getiTunesGenreForTMDbGenre(records({"Horror", "Science Fiction"})), "Sci-Fi & Fantasy");
}

TEST_F(GenreTest, StylesTheMappedGenresInBold)
{
    const QList<TMDbMovieGenres::StyledGenreText> styled =
        TMDbMovieGenres::getiTunesGenresForTMDbGenres(records({"Horror", "Science Fiction", "TV Movie"}));
    ASSERT_EQ(styled.size(), 16);
    QStringList bold;
    for (const auto& text : styled)
        if (text.bold)
            bold << text.name;
    EXPECT_EQ(bold, QStringList({"Horror", "Sci-Fi & Fantasy"}));
    EXPECT_EQ(styled[0].name, "Action & Adventure");
    EXPECT_EQ(styled[8].toRichText(), "Kids &amp; Family");
    EXPECT_EQ(styled[6].toRichText(), "<b>Horror</b>");
}

TEST_F(GenreTest, DatabaseNamesAreBoldOnlyWhenTheyEqualAMappedGenre)
{
    platform::Settings::shared().setValue("UseTMDBGenres", true);
    const QList<TMDbMovieGenres::StyledGenreText> styled =
        TMDbMovieGenres::getiTunesGenresForTMDbGenres(records({"Comedy", "Action"}));
    ASSERT_EQ(styled.size(), 19);
    for (const auto& text : styled)
        EXPECT_EQ(text.bold, text.name == "Comedy") << text.name.toStdString();
}

}  // namespace

// The genre tables reach the database only through the loader they are given.
TEST_F(GenreTest, WithoutALoaderTheFallbackNamesStandAndNothingIsSent)
{
    MovieGenre::setGenreNameLoader({});
    platform::LogCapture log;
    EXPECT_EQ(MovieGenre::extractGenreFromString("Western"), "Western");
    EXPECT_EQ(MovieGenre::tmdbGenreNames(), MovieGenre::fallbackGenreNames());
    EXPECT_EQ(log.lines(), QStringList{"setTMDbGenreNames failed: no genre name loader"});
    EXPECT_EQ(server.requestCount(), 0);

    QStringList asked;
    MovieGenre::setGenreNameLoader([&asked](const QString& language, const QString& country) {
        asked << language + "/" + country;
        return std::expected<QStringList, QString>(QStringList{"Eins", "Zwei"});
    });
    MovieGenre::setTMDbGenreNames("de", "at");
    EXPECT_EQ(asked, QStringList{"de/at"});
    EXPECT_EQ(MovieGenre::tmdbGenreNames(), QStringList({"Eins", "Zwei"}));
    EXPECT_EQ(server.requestCount(), 0);
}
