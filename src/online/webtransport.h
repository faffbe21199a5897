#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

// Posting this notification (any sender) cancels every transfer in flight
// and aborts the request of every WebRequest.
inline constexpr char kWebRequestAbortNotification[] = "WebRequestAbortNotification";

// What a reply is expected to hold; each kind has its own size bound.
enum class ReplyKind {
    Document,      // a service's JSON, XML or HTML answer
    Image,         // a poster, thumbnail or cover
    SubtitleFile,  // an SRT file behind a download link
};

// The bounds of one transfer. A body that would grow past `maxBodyBytes` is
// cut off at once (nothing of it is kept); a transfer that receives nothing
// for `idleTimeout`, or has no complete answer after `deadline` (redirects
// included), is given up; the wait pumps the event loop in slices of `slice`.
struct FetchLimits {
    qint64 maxBodyBytes;
    std::chrono::milliseconds idleTimeout;
    std::chrono::milliseconds slice;
    std::chrono::milliseconds deadline;
};

// A success status (2xx): the only answers that carry what was asked for.
inline bool isSuccessStatus(std::optional<int> status)
{
    return status && *status >= 200 && *status < 300;
}

// How a transfer ended. Answered: the server sent a complete response of any
// HTTP status (an error document is an answer); `httpStatus` and `body` hold
// it. Failed: no complete response; `error` says why, in the same words for
// the same fault whichever client asked. Cancelled: the abort notification
// or the caller's wait turn ended it; nothing is kept.
struct FetchResult {
    enum class End { Answered, Failed, Cancelled };
    End end = End::Failed;
    std::optional<int> httpStatus;
    QByteArray body;
    QByteArray charset;  // the "charset" the reply's Content-Type names; empty when none
    QString error;
    QUrl url;  // where the answer came from, after redirects

    bool answered() const { return end == End::Answered; }
    bool answeredOk() const { return answered() && isSuccessStatus(httpStatus); }
};

// The one way this application talks HTTP: one shared network manager on a
// thread of its own, a size bound and an overall deadline per kind of reply, an
// idle time-out, redirects followed (each new reply bounded like the first; a
// site's credentials and a request's body never carried to another site),
// cancel through kWebRequestAbortNotification. Each transfer looks synchronous
// to its caller while the caller's event loop runs in slices, so the window
// stays live and a cancel button can act; a reply is read on that thread as it
// arrives, so a window busy between its turns never makes one pile up.
namespace WebTransport {

inline constexpr qint64 kMebibyte = 1024 * 1024;
inline constexpr qint64 kMaxDocumentBytes = 16 * kMebibyte;
inline constexpr qint64 kMaxImageBytes = 64 * kMebibyte;
inline constexpr qint64 kMaxSubtitleFileBytes = 16 * kMebibyte;

// The bounds for a kind of reply, waited for in slices of `slice`.
FetchLimits limitsFor(ReplyKind kind, std::chrono::milliseconds slice = std::chrono::milliseconds(10));

// How long a transfer may receive nothing: 30 seconds unless changed (tests
// shorten it). Process-wide.
std::chrono::milliseconds idleTimeout();
void setIdleTimeout(std::chrono::milliseconds timeout);

// How long a transfer of a kind may take in all, however steadily bytes
// trickle in: a minute for documents, three for images and subtitle files
// unless changed (tests shorten it). Process-wide.
std::chrono::milliseconds deadline(ReplyKind kind);
void setDeadline(ReplyKind kind, std::chrono::milliseconds deadline);

// Called before every slice of a wait (a modal session's turn, say);
// answering false abandons the transfer as cancelled.
using WaitTurn = std::function<bool()>;

// Sends `request` with `verb` (and `body` when not empty) and waits for the
// whole reply within `limits`. Runs on the application's thread only.
FetchResult fetch(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body,
                  const FetchLimits& limits, const WaitTurn& turn = {});

// The failure texts, one per fault; the two time-outs name the one that ran out.
QString idleTimedOutText(std::chrono::milliseconds idleTimeout);
QString deadlineText(std::chrono::milliseconds deadline);
QString connectionLostText();
QString cancelledText();
QString tooLargeText(qint64 maxBodyBytes);

}  // namespace WebTransport
