// Title, year, genre and picture format from file names.
#include "app/korvalanecontroller.h"

#include "model/helpers.h"
#include "platform/alerts.h"
#include "tagging/moviefilemanager.h"

namespace {

// The year text of the name parsers ("1999-01-01 12:00:00 +0000") as noon of that day, UTC.
QDateTime dateFromYearText(const QString& text)
{
    QDateTime date = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    date.setTimeSpec(Qt::UTC);
    return date;
}

// The picture format of a Plex name's HD text: "HD" and "1080p" are 1080 lines.
qint64 pictureFormat(const QString& hdText)
{
    if (hdText == QStringLiteral("HD") || hdText == QStringLiteral("1080p"))
        return 2;
    if (hdText == QStringLiteral("720p"))
        return 1;
    if (hdText == QStringLiteral("2160p"))
        return 3;
    return 0;
}

}  // namespace

bool KorvalaneController::splitTitle(const std::shared_ptr<MovieModel>& movie, bool showAlert)
{
    if (!movie)
        return false;
    const QString name = movie->fileUrl().fileName();
    QString title;
    QString year;
    QString genre;
    QString hdText;
    const bool eyeTV = MovieFileManager::parseEyeTVName(name, &title, &year, &genre);
    if (!eyeTV && !MovieFileManager::parsePlexName(name, &title, &year, &hdText)) {
        if (showAlert)
            platform::showAlert(platform::Alert::aboutFile(
                QStringLiteral("splitTitleHeader"), QStringLiteral("splitTitleBody"), movie->fileUrl().toLocalFile()));
        return false;
    }
    if (!title.isNull())
        movie->setTitle(title);
    if (!year.isNull())
        movie->setReleaseDate(dateFromYearText(year));
    if (!genre.isNull())
        movie->setGenre(genre);
    if (!hdText.isNull())
        movie->setHdVideo(pictureFormat(hdText));
    return true;
}

void KorvalaneController::splitAllTitles()
{
    const QList<std::shared_ptr<MovieModel>> movies = getSelectedMovies();
    for (const std::shared_ptr<MovieModel>& movie : movies)
        splitTitle(movie, movies.size() == 1);
}
