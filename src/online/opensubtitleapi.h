#pragma once

#include "online/webtransport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPointer>
#include <QString>

#include <expected>
#include <optional>

class QObject;

// Client of the subtitle service's REST API: log in once, search by IMDb id
// and language, pick the best subtitle for a record, download its SRT text.
// Each command looks synchronous to the caller but runs the event loop in
// short slices while it waits, so the window stays live; a cancel
// (kWebRequestAbortNotification) ends the wait. No command throws: a failure
// answers none and writes one log line, a cancel answers none silently.
class OpenSubtitleAPI {
public:
    // `window` is the window the waits belong to; when it goes away while a
    // command waits, the command gives up without a result.
    OpenSubtitleAPI(QObject* window, const QString& language);
    ~OpenSubtitleAPI();
    OpenSubtitleAPI(const OpenSubtitleAPI&) = delete;
    OpenSubtitleAPI& operator=(const OpenSubtitleAPI&) = delete;

    QString token() const { return m_token; }
    QObject* window() const { return m_window; }
    QString language() const { return m_language; }
    void setCurrentLanguage(const QString& language);

    // One request to the service; the reply object, or none after a logged failure.
    std::optional<QJsonObject> executeCommand(const QString& command, const QString& method,
                                              const std::optional<QJsonObject>& body, const QString& query);
    // The "data" entries of every result page, fetched one page after the
    // other; none when the first page fails or holds no "data" list (a later
    // page that does ends the walk with the entries before it).
    std::optional<QJsonArray> executePagedQuery(const QString& command, const QString& method, const QString& query);

    // Why logIn() got no token: the service refused the account (HTTP 400,
    // 401 or 403), or the login failed otherwise (the log has the reason).
    enum class LoginFailure { Refused, Failed };
    std::expected<void, LoginFailure> logIn();
    void logOut();

    // The "attributes" of every subtitle the service has for the film, in the
    // client's language (and English when asked).
    std::optional<QList<QJsonObject>> searchSubtitles(const QString& imdbId, bool addEnglish);
    // The "file_id" of the subtitle that fits the record best, as the reply gave it.
    std::optional<QJsonValue> selectBestSubtitle(const QList<QJsonObject>& subtitles, const QString& name, qint64 year,
                                                 bool isHD) const;
    // The SRT text behind the file id.
    std::optional<QString> downloadSubtitle(const QJsonValue& fileId);

private:
    // executeCommand(), or the HTTP status of the answer it failed on (none
    // without an answer, after a cancel or before sending).
    std::expected<QJsonObject, std::optional<int>> runCommand(const QString& command, const QString& method,
                                                              const std::optional<QJsonObject>& body,
                                                              const QString& query);
    bool windowIsGone() const;
    // One transfer, waited for in slices until it ends, stalls, is cancelled or the window goes away.
    FetchResult fetch(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& payload,
                      ReplyKind kind);

    QString m_token;
    QPointer<QObject> m_window;
    bool m_hadWindow = false;
    QString m_language;
};
