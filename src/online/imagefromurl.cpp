#include "imagefromurl.h"

#include "model/helpers.h"
#include "online/servicelog.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkRequest>

namespace {

QByteArray readLocalFile(const QString& path)
{
    // Only regular files: a pipe would block the read and a device might never end.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.read(WebTransport::kMaxImageBytes + 1);
    return data.size() > WebTransport::kMaxImageBytes ? QByteArray() : data;
}

}  // namespace

std::optional<QByteArray> fetchImageData(const QUrl& url, const WebTransport::WaitTurn& turn)
{
    FetchResult result =
        WebTransport::fetch(QNetworkRequest(url), "GET", {}, WebTransport::limitsFor(ReplyKind::Image), turn);
    if (result.end == FetchResult::End::Failed)
        ServiceLog::log(QStringLiteral("Image load failed: %1 %2").arg(result.error, result.url.toString()));
    if (!result.answeredOk())
        return std::nullopt;
    return std::move(result.body);
}

platform::PicturePtr imageFromURL(const QUrl& url)
{
    QByteArray data;
    if (url.isLocalFile())
        data = readLocalFile(url.toLocalFile());
    else if (url.isValid() && !url.isRelative())
        data = fetchImageData(url).value_or(QByteArray());
    return imageFromData(data);
}
