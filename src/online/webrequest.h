#pragma once

#include "platform/notificationcenter.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <memory>

namespace platform {
class ModalSession;
}
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Posting this notification (any sender) aborts the request of every runner.
inline constexpr char kWebRequestAbortNotification[] = "WebRequestAbortNotification";

// Runs one HTTP GET at a time and makes it look synchronous: it pumps the
// event loop (and the command's modal session) in 0.1-second slices until
// the request has finished, failed or been aborted, so the window stays live
// and its cancel button can post kWebRequestAbortNotification. The HTTP
// status is not checked: whatever body a finished request delivers, an error
// document included, is the result.
//
// The four flags are cleared when a request starts. They are not exclusive
// across requests (an abort after a finished request sets requestIsAborted
// beside requestIsSuccessful), so a caller reads them in the order aborted,
// running, successful, and counts anything else as an error.
class WebRequest {
public:
    WebRequest();
    ~WebRequest();
    WebRequest(const WebRequest&) = delete;
    WebRequest& operator=(const WebRequest&) = delete;

    // Performs one GET of `url`; returns requestIsSuccessful() at the end.
    // After false the buffer is empty. A body shorter than the length its
    // response declared counts as a failed connection, whatever the status.
    bool executeRequest(const QString& url);
    // Runs executeRequest() and reads the body with QXJSON; returns the
    // reply's top-level QVariantMap or QVariantList, or an invalid QVariant
    // when the request failed, the body is empty or is no JSON document.
    QVariant executeJSONRequest(const QString& url);
    // The abort handler: marks this runner aborted and cancels its request.
    void cancelSearch();

    bool requestIsAborted() const { return m_requestIsAborted; }
    void setRequestIsAborted(bool value) { m_requestIsAborted = value; }
    bool requestIsError() const { return m_requestIsError; }
    void setRequestIsError(bool value) { m_requestIsError = value; }
    bool requestIsRunning() const { return m_requestIsRunning; }
    void setRequestIsRunning(bool value) { m_requestIsRunning = value; }
    bool requestIsSuccessful() const { return m_requestIsSuccessful; }
    void setRequestIsSuccessful(bool value) { m_requestIsSuccessful = value; }

    // The window of the command the request serves; kept, not used here.
    QObject* window() const { return m_window; }
    void setWindow(QObject* window) { m_window = window; }
    // When set, every slice of the wait gives it one turn. Not owned.
    platform::ModalSession* modalSession() const { return m_modalSession; }
    void setModalSession(platform::ModalSession* session) { m_modalSession = session; }

    // One slice of a wait: the modal session (if any) gets a turn, then the
    // event loop runs for `seconds`.
    void pumpSlice(double seconds) const;

    const QByteArray& requestData() const { return m_requestData; }

    // Idle time-out of every request, 30 seconds unless changed (tests
    // shorten it). Process-wide.
    static double timeoutSeconds();
    static void setTimeoutSeconds(double seconds);

    static constexpr double kSliceSeconds = 0.1;

private:
    struct DeleteLater {
        void operator()(QObject* object) const;
    };

    // What the connection reports, on the event loop the wait pumps.
    void didReceiveResponse();
    void didReceiveData();
    void didFailWithError(const QString& description, const QString& failingUrl);
    void connectionDidFinishLoading();

    void onFinished();
    void onTimeout();
    void dropConnection();

    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::unique_ptr<QNetworkReply, DeleteLater> m_requestConnection;
    std::unique_ptr<QTimer> m_timeout;
    QObject m_receiver;  // context of the connection's signals, so they can be cut at once
    bool m_requestIsAborted = false;
    bool m_requestIsError = false;
    bool m_requestIsRunning = false;
    bool m_requestIsSuccessful = false;
    QPointer<QObject> m_window;
    platform::ModalSession* m_modalSession = nullptr;
    QByteArray m_requestData;
    platform::NotificationCenter::Token m_abortObservation;
};
