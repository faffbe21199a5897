#pragma once

#include "online/webtransport.h"
#include "platform/notificationcenter.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform {
class ModalSession;
}

// Runs one HTTP GET at a time over the web transport and makes it look
// synchronous: it pumps the event loop (and the command's modal session) in
// 0.1-second slices until the request has finished, failed or been aborted,
// so the window stays live and its cancel button can post
// kWebRequestAbortNotification. A plain request checks no HTTP status:
// whatever body a finished request delivers, an error document included, is
// the result. A JSON request is stricter (see executeJSONRequest()). A reply
// over its kind's size bound fails like a dropped connection.
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

    // Performs one GET of `url`, bounded as `kind`; returns
    // requestIsSuccessful() at the end. After false the buffer is empty. A
    // body shorter than the length its response declared counts as a failed
    // connection, whatever the status.
    bool executeRequest(const QString& url, ReplyKind kind = ReplyKind::Document);
    // Runs executeRequest() and reads the body with QXJSON; returns the
    // reply's top-level QVariantMap or QVariantList, or an invalid QVariant
    // when the request failed, the body is empty or is no JSON document.
    // Only a JSON document under a success status (2xx) is a reply: after
    // any other answer (an error page, a body that is no JSON document) the
    // request counts as failed (requestIsError), so nobody takes a service's
    // outage for its answer. The document of an error status is returned all
    // the same, so the caller can quote the service's message.
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
    // The modal session's turn, for a transfer that waits outside this runner.
    void giveModalSessionATurn() const;

    const QByteArray& requestData() const { return m_requestData; }
    // The HTTP status of the last request's answer; none without an answer.
    std::optional<int> httpStatus() const { return m_httpStatus; }

    static constexpr std::chrono::milliseconds kSlice{100};

private:
    void didFailWithError(const QString& description, const QString& failingUrl);
    void connectionDidFinishLoading();
    // An answer that is no reply: the request failed, though the connection did not.
    void answerIsNoReply();

    bool m_requestIsAborted = false;
    bool m_requestIsError = false;
    bool m_requestIsRunning = false;
    bool m_requestIsSuccessful = false;
    QPointer<QObject> m_window;
    platform::ModalSession* m_modalSession = nullptr;
    QByteArray m_requestData;
    std::optional<int> m_httpStatus;
    platform::NotificationCenter::Token m_abortObservation;
};
