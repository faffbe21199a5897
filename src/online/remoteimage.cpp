#include "remoteimage.h"

#include "platform/log.h"
#include "platform/serviceconfig.h"

#include <QNetworkRequest>

std::optional<QByteArray> fetchImageData(const QUrl& url, const WebTransport::WaitTurn& turn)
{
    FetchResult result =
        WebTransport::fetch(QNetworkRequest(url), "GET", {}, WebTransport::limitsFor(ReplyKind::Image), turn);
    if (result.end == FetchResult::End::Failed)
        platform::log(platform::ServiceConfig::current().redact(
            QStringLiteral("Image load failed: %1 %2").arg(result.error, result.url.toString())));
    if (!result.answeredOk())
        return std::nullopt;
    return std::move(result.body);
}
