#include "tmdbmoviegenres.h"

#include "online/moviegenre.h"

#include <QHash>
#include <QSet>
#include <QVariantMap>

#include <utility>
#include <vector>

namespace TMDbMovieGenres {

namespace {

const QHash<QString, QString>& mappingTable()
{
    static const QHash<QString, QString> table = [] {
        const std::pair<const char*, std::vector<const char*>> groups[] = {
            {"Action & Adventure",
             {"Action", "Action & Adventure", "Abenteuer", "Adventure", "History", "Geschichte", "Eastern", "Disaster",
              "Katastrophenfilm", "Road Movie"}},
            {"Thriller",
             {"Crime", "Krimi", "Film Noir", "Film noir", "Film-Noir", "Neo-noir", "Mystery", "Thriller", "Suspense"}},
            {"Drama", {"Drama", "Reality", "War", "Kriegsfilm", "War & Politics"}},
            {"Kids & Family", {"Animation", "Animationsfilm", "Family", "Kids"}},
            {"Sci-Fi & Fantasy", {"Fantasy", "Sci-Fi & Fantasy", "Science Fiction", "Science-Fiction"}},
            {"Documentary", {"Documentary", "Dokumentarfilm", "Dokumentation"}},
            {"Music", {"Music", "Musik", "Musical"}},
            {"Sport", {"Sport", "Sporting Event", "Sports Film"}},
            {"Comedy", {"Komödie", "Comedy"}},
            {"Romance", {"Romance", "Romanze"}},
            {"Short Film", {"Short", "Kurzfilm"}},
            {"Holiday", {"Holiday"}},
            {"Horror", {"Horror"}},
            {"Independent", {"Indie"}},
            {"Western", {"Western"}},
        };
        QHash<QString, QString> built;
        for (const auto& [genre, names] : groups)
            for (const char* name : names)
                built.insert(QString::fromUtf8(name), QString::fromUtf8(genre));
        return built;
    }();
    return table;
}

const QHash<QString, int>& priorityTable()
{
    static const QHash<QString, int> table = {
        {"Short Film", 5}, {"Classics", 4},         {"Documentary", 4},   {"Music", 4},   {"Sport", 4},
        {"Western", 4},    {"Sci-Fi & Fantasy", 4}, {"Kids & Family", 4}, {"Holiday", 3}, {"Independent", 3},
        {"Romance", 3},    {"Horror", 3},           {"Thriller", 2},      {"Comedy", 2},  {"Action & Adventure", 1},
        {"Drama", 0},
    };
    return table;
}

}  // namespace

QString StyledGenreText::toRichText() const
{
    const QString escaped = name.toHtmlEscaped();
    return bold ? QStringLiteral("<b>%1</b>").arg(escaped) : escaped;
}

QString iTunesGenreForName(const QString& tmdbName)
{
    return mappingTable().value(tmdbName);
}

int priorityOfGenre(const QString& genre)
{
    return priorityTable().value(genre, -1);
}

QString getiTunesGenreForTMDbGenre(const QVariantList& genres)
{
    QString best;
    int bestPriority = -1;
    for (const QVariant& record : genres) {
        const QString mapped = iTunesGenreForName(record.toMap().value(QStringLiteral("name")).toString());
        if (mapped.isNull())
            continue;
        const int priority = priorityOfGenre(mapped);
        if (best.isNull() || priority > bestPriority) {
            best = mapped;
            bestPriority = priority;
        }
    }
    return best;
}

QList<StyledGenreText> getiTunesGenresForTMDbGenres(const QVariantList& genres)
{
    QSet<QString> mapped;
    for (const QVariant& record : genres) {
        const QString genre = iTunesGenreForName(record.toMap().value(QStringLiteral("name")).toString());
        if (!genre.isNull())
            mapped.insert(genre);
    }
    QList<StyledGenreText> styled;
    for (const QString& name : MovieGenre::genreNames())
        styled.append({name, mapped.contains(name)});
    return styled;
}

}  // namespace TMDbMovieGenres
