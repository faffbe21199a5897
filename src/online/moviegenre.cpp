#include "moviegenre.h"

#include "online/servicelog.h"
#include "platform/settings.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

namespace MovieGenre {

namespace {

struct Detection {
    QString genre;
    QRegularExpression pattern;
};

// Tried in this order: a text that several patterns match (such as
// "Action Comedy") gets the first one's genre.
const std::vector<Detection>& detectionTable()
{
    static const std::vector<Detection> table = [] {
        const std::pair<const char*, const char*> entries[] = {
            {"Sci-Fi & Fantasy", R"(sci.fi|science.fiction|fantasy|fantasie|fantastic|fantastisch)"},
            {"Thriller", R"(thriller|crime|krimi|noir|mystery|suspense|politthriller|politics)"},
            {"Kids & Family", R"(kids|family|animation|cartoon|zeichentrick|familienfilm|kinderfilm)"},
            {"Documentary", R"(documentary|dokumentation|documentation)"},
            {"Comedy", R"(comedy|kom\Xdie)"},
            {"Holiday", R"(holiday)"},
            {"Classics", R"(classic|klassiker)"},
            {"Horror", R"(horror)"},
            {"Independent", R"(independent|indie)"},
            {"Music", R"(music|musik|musical)"},
            {"Romance", R"(romance|romantik|liebesfilm)"},
            {"Short Film", R"(short)"},
            {"Sport", R"(sport)"},
            {"Western", R"(western)"},
            {"Drama", R"(drama|reality|war|krieg)"},
            {"Action & Adventure", R"(action|adventure|abenteuer|disaster|katastrophe|road\ movie)"},
        };
        std::vector<Detection> built;
        for (const auto& [genre, pattern] : entries)
            built.push_back({QString::fromUtf8(genre), QRegularExpression(QString::fromUtf8(pattern),
                                                                          QRegularExpression::CaseInsensitiveOption)});
        return built;
    }();
    return table;
}

struct State {
    bool firstUseDone = false;
    std::optional<QStringList> tmdbGenreNames;
};

State& state()
{
    static State shared;
    return shared;
}

GenreNameLoader& loader()
{
    static GenreNameLoader installed;
    return installed;
}

// The first use loads the database's names when none are held yet.
void initialize()
{
    State& current = state();
    if (current.firstUseDone)
        return;
    current.firstUseDone = true;
    if (!current.tmdbGenreNames)
        setTMDbGenreNames(QString(), QString());
}

}  // namespace

const QStringList& builtInGenreNames()
{
    static const QStringList names = {"Action & Adventure",
                                      "Classics",
                                      "Comedy",
                                      "Documentary",
                                      "Drama",
                                      "Holiday",
                                      "Horror",
                                      "Independent",
                                      "Kids & Family",
                                      "Music",
                                      "Romance",
                                      "Sci-Fi & Fantasy",
                                      "Short Film",
                                      "Sport",
                                      "Thriller",
                                      "Western"};
    return names;
}

const QStringList& fallbackGenreNames()
{
    static const QStringList names = {"Action",      "Adventure", "Animation", "Comedy",  "Crime",
                                      "Documentary", "Drama",     "Family",    "Fantasy", "History",
                                      "Horror",      "Music",     "Mystery",   "Romance", "Science Fiction",
                                      "TV Movie",    "Thriller",  "War",       "Western"};
    return names;
}

QStringList genreNames()
{
    initialize();
    const platform::Settings& settings = platform::Settings::shared();
    QStringList names = builtInGenreNames();
    if (settings.boolValue(QStringLiteral("UseTMDBGenres")))
        names = state().tmdbGenreNames.value_or(QStringList());
    if (settings.boolValue(QStringLiteral("OnlyUserDefinedGenres")))
        names.clear();
    const QStringList userGenres = settings.stringListValue(QStringLiteral("UserDefinedGenres"));
    if (userGenres.isEmpty())
        return names;
    names += userGenres;
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return names;
}

QString extractGenreFromString(const QString& text)
{
    initialize();
    if (text.isNull())
        return {};
    for (const Detection& detection : detectionTable())
        if (detection.pattern.match(text).hasMatch())
            return detection.genre;
    return {};
}

void setTMDbGenreNames(const QString& language, const QString& country)
{
    // Also a first use: the load without language comes first.
    initialize();
    const std::expected<QStringList, QString> loaded =
        loader() ? loader()(language, country) : std::unexpected(QStringLiteral("no genre name loader"));
    if (loaded) {
        state().tmdbGenreNames = *loaded;
        return;
    }
    ServiceLog::log(QStringLiteral("setTMDbGenreNames failed: %1").arg(loaded.error()));
    state().tmdbGenreNames = fallbackGenreNames();
}

void setGenreNameLoader(GenreNameLoader installed)
{
    loader() = std::move(installed);
}

std::optional<QStringList> tmdbGenreNames()
{
    return state().tmdbGenreNames;
}

void resetForTests()
{
    state() = State();
}

}  // namespace MovieGenre
