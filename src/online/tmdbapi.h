#pragma once

#include "platform/picture.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <expected>
#include <functional>
#include <memory>
#include <optional>

class ImageModel;
namespace platform {
class ModalSession;
}
class MovieModel;
class MovieSearchItemModel;
class QObject;
class QUrl;
class WebRequest;

namespace platform {
class ProgressIndicator;
}

// What one lookup is asked for, in the order the lookup takes it. Build it
// with designated initializers, so the call still reads in that order:
//     client.readTmDBInformation({.name = title, .language = "de", .locale = "de", .loadCovers = true});
struct TMDbLookupRequest {
    QString name{};         // a title, an IMDb id ("tt..."), or a movie database id when `nameIsId`
    bool nameIsId = false;  // `name` is an id chosen from `lastSearchMovieList`: no search is made
    QString language{};     // two-letter language code ("de")
    QString locale{};       // two-letter country code ("de", "us")
    QObject* window = nullptr;
    platform::ProgressIndicator* progressIndicator = nullptr;
    platform::ModalSession* modalSession = nullptr;
    std::optional<QList<std::shared_ptr<MovieSearchItemModel>>> lastSearchMovieList{};
    bool loadCovers = false;
};

// The client of The Movie Database web API (version 3). Every request is a
// GET on the API host, answered with JSON that QXJSON reads (every scalar is
// text), and goes through the object's one WebRequest, so it waits while the
// event loop and the caller's modal session are pumped.
//
// Failures inside the client are thrown as NamedFailure (online/namedfailure.h)
// and caught by the lookup's entry operation.
//
// The API host and key come from the service configuration
// (KORVALANE_TMDB_URL, KORVALANE_TMDB_API_KEY); the key never reaches the log.
class TMDbAPI {
public:
    TMDbAPI();
    ~TMDbAPI();
    TMDbAPI(const TMDbAPI&) = delete;
    TMDbAPI& operator=(const TMDbAPI&) = delete;

    // The hits of the last search, in reply order.
    const QList<std::shared_ptr<MovieSearchItemModel>>& movieSearchList() const { return m_movieSearchList; }
    QList<std::shared_ptr<MovieSearchItemModel>>& movieSearchList() { return m_movieSearchList; }
    void setMovieSearchList(QList<std::shared_ptr<MovieSearchItemModel>> list) { m_movieSearchList = std::move(list); }
    // The record that the current lookup fills.
    const std::shared_ptr<MovieModel>& movie() const { return m_movie; }
    void setMovie(std::shared_ptr<MovieModel> movie) { m_movie = std::move(movie); }
    // The runner that serves every request of this object.
    const std::shared_ptr<WebRequest>& webRequest() const { return m_webRequest; }
    void setWebRequest(std::shared_ptr<WebRequest> webRequest) { m_webRequest = std::move(webRequest); }

    // The state of the runner's last request, read in this order: cancelled,
    // running, answered (the requests succeeded, so a lookup that gave none
    // found nothing), else failed.
    enum class Status { Running = 0, NotFound = 1, Failed = 2, Cancelled = 3 };
    Status status() const;

    // The reply of `address` (made by apiUrl()) as a dictionary. Throws
    // "TMDbRequestFailed" with the reply's "status_message" when the reply is
    // the service's error document, and with "Request on TMDb failed" (and
    // the HTTP status, when it was an error status) when there is no reply
    // or it is no JSON dictionary under a success status: an error page, a
    // body that is not JSON, a reply cut short. status() then reads 2 (3
    // after a cancel). Without an API key nothing is sent: a log line,
    // status() 2 and the same failure.
    QVariantMap executeJSONUrlRequest(const QString& address);

    // Reads the configuration into the process-wide image base address
    // (the default first, so a failure leaves the default). Throws.
    void getImageBaseUrl();

    // The database's genre names for a language (none for the service's
    // default) and a country (none for the language alone). Throws.
    QStringList getGenreNames(const QString& language, const QString& country);

    // The address of `pathAndQuery` ("/3/configuration?api_key=...") on the API host.
    static QString apiUrl(const QString& pathAndQuery);
    // The API key, as the requests' "api_key" parameter; empty when not configured.
    static QString apiKey();

    // The process-wide image base address that poster addresses begin
    // with; null until the first lookup of the process sets it.
    static QString imageBaseUrl();
    static void setImageBaseUrl(const QString& address);
    static const QString kDefaultImageBaseUrl;

    // The lookup: one call of readTmDBInformation() turns a title, an IMDb id
    // or a movie database id into a new, filled record (tmdbapi_lookup.cpp,
    // _search.cpp, _details.cpp, _credits.cpp, _posters.cpp).

    // The record for the request's name, or none after any failure, which is
    // logged; status() then tells a miss from an error or a cancel.
    // Window, indicator and session may be none.
    std::shared_ptr<MovieModel> readTmDBInformation(const TMDbLookupRequest& request);

    // Loads the database's genre names through a client of its own; the
    // failure's reason when the request fails. What MovieGenre is given as its loader.
    static std::expected<QStringList, QString> loadGenreNames(const QString& language, const QString& country);

    // The search text for `text`: an IMDb id unchanged, otherwise separators
    // folded to "+", checked against code page 1252 (throws when a character
    // has no form there) and percent-escaped.
    static QString buildSearchString(const QString& text);
    // The hit dictionaries for a search text: a find by IMDb id for "tt...",
    // a search with year for "title %23 yyyy", else a plain search, retried
    // once without language when it finds nothing. Throws "TMDbMovieNotFound"
    // for a reply without hits, and "TMDbRequestFailed" (a failed request)
    // for one without a hit list, which is no reply of a search.
    QVariantList movieSearchResult(const QString& searchText, const QString& language);
    // A hit's thumbnail, or none; the event loop and the modal session run while it loads.
    platform::PicturePtr downloadImageWithURL(const QUrl& url);
    // Appends one hit per dictionary to movieSearchList(), each with its
    // thumbnail awaited. Throws "TMDbSearchResultsAborted" after a cancel.
    void getMovieSearchItems(const QVariantList& hits);
    // The movie id of the first hit for `name` (none without a hit list).
    QString searchForMovie(const QString& name, const QString& language, QObject* window);
    // Fills movie() from the details reply in `language`.
    void getMovieInfos(const QString& movieId, const QString& language);
    // Sets movie()'s genres from the details reply in English.
    void getMovieGenres(const QString& movieId);

    void getCastAndCrewInfos(const QString& movieId);
    static QStringList getActorsFromCastAndCrew(const QVariantMap& castAndCrew);
    // Sorts crew entries into the three lists by department and job.
    static void extracted_method(const QVariantList& crew, QStringList& directors, QStringList& producers,
                                 QStringList& writers);
    void getCertificationAnReleaseDate(const QString& movieId, const QString& locale);

    // Poster candidates of the movie (with thumbnails) and the chosen cover.
    void getPosterImages(const QString& movieId, const QString& language, platform::ProgressIndicator* progress);
    void coverInfoToImageModel(const QVariantMap& poster, platform::ProgressIndicator* progressIndicator,
                               const QString& language, QList<std::shared_ptr<ImageModel>>& imageModels);
    void selectCoverFromPosters(const QList<std::shared_ptr<ImageModel>>& posters, const QString& language);

private:
    // Marks the runner's last request failed (status() 2, unless it was
    // cancelled) and throws "TMDbRequestFailed" with `reason`.
    [[noreturn]] void failRequest(const QString& reason);
    // The list under `key` of a reply; a reply without it failed.
    QVariantList hitList(const QVariantMap& reply, const QString& key);

    QList<std::shared_ptr<MovieSearchItemModel>> m_movieSearchList;
    std::shared_ptr<MovieModel> m_movie;
    std::shared_ptr<WebRequest> m_webRequest;
};
