#include "pumpedfetch.h"

#include "platform/pumpevents.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

namespace online {

namespace {

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};
using ReplyHandle = std::unique_ptr<QNetworkReply, ReplyDeleter>;

// Qt reports 4xx and 5xx answers as reply errors; they are still complete
// HTTP responses, unlike a broken or refused transfer.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

// The value of the "charset" parameter of a Content-Type header, without quotes.
QByteArray charsetOf(const QByteArray& contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

}  // namespace

FetchResult fetchPumped(QNetworkAccessManager& manager, const QNetworkRequest& request, const QByteArray& verb,
                        const QByteArray& body, const FetchLimits& limits, const std::function<bool()>& keepWaiting)
{
    FetchResult result;
    if (!QCoreApplication::instance()) {
        result.error = QStringLiteral("no event loop to run the request on");
        return result;
    }
    QNetworkRequest timed = request;
    timed.setTransferTimeout(limits.timeoutMilliseconds);
    ReplyHandle reply(body.isEmpty() ? manager.sendCustomRequest(timed, verb)
                                     : manager.sendCustomRequest(timed, verb, body));

    bool tooLarge = false;
    const auto refuseOversize = [&](qint64 received, qint64 total) {
        if (!tooLarge && (received > limits.maxBodyBytes || total > limits.maxBodyBytes)) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(), refuseOversize);

    while (!reply->isFinished()) {
        platform::pumpEvents(limits.sliceSeconds);
        if (!reply->isFinished() && keepWaiting && !keepWaiting()) {
            reply->disconnect();
            reply->abort();
            result.interrupted = true;
            return result;
        }
    }

    if (tooLarge) {
        result.error = QStringLiteral("reply larger than %1 bytes refused").arg(limits.maxBodyBytes);
        return result;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError && !(status.isValid() && isHttpStatusError(error))) {
        result.error = reply->errorString();
        return result;
    }
    if (status.isValid())
        result.httpStatus = status.toInt();
    result.charset = charsetOf(reply->rawHeader("Content-Type"));
    result.body = reply->readAll();
    return result;
}

}  // namespace online
