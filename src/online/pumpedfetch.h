#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>

#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace online {

// Bounds of one fetch: how long each wait slice runs, how large a reply may
// grow before it is refused, and how long a stalled transfer is tolerated.
struct FetchLimits {
    double sliceSeconds = 0.01;
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    int timeoutMilliseconds = 60'000;
};

// What came back. An HTTP response of any status fills `httpStatus` and
// `body`; `error` holds the description of a failed transfer (no connection,
// time-out, a reply over the size limit, a connection dropped mid-body).
struct FetchResult {
    std::optional<int> httpStatus;
    QByteArray body;
    QByteArray charset;  // the "charset" the reply's Content-Type names; empty when none
    std::optional<QString> error;
    bool interrupted = false;  // the wait was ended by `keepWaiting`
};

// Sends the request and runs the event loop in slices until the reply is
// complete, so the caller sees a synchronous call while the window stays
// live. `keepWaiting`, when given, is asked after every slice; answering
// false abandons the request.
FetchResult fetchPumped(QNetworkAccessManager& manager, const QNetworkRequest& request, const QByteArray& verb,
                        const QByteArray& body, const FetchLimits& limits,
                        const std::function<bool()>& keepWaiting = {});

}  // namespace online
