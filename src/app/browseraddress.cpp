#include "app/browseraddress.h"

namespace {

QString escaped(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// A host written with spaces or letters outside ASCII is escaped as a whole address.
QUrl address(const QString& text)
{
    return QUrl(text, QUrl::TolerantMode);
}

}  // namespace

namespace BrowserAddress {

QUrl chapterDbBrowsePage(const QString& host, const QString& title)
{
    if (title.isEmpty())
        return address(host + QStringLiteral("/browse"));
    return address(host + QStringLiteral("/browse?title=") + escaped(title));
}

QUrl subtitleSearchPage(const QString& webHost, const QString& language, const QString& title)
{
    if (title.isEmpty())
        return address(webHost);
    const QString code = escaped(language);
    return address(
        webHost + QStringLiteral("/%1/%2/search-all/q-%3/hearing_impaired-include/machine_translated-/trusted_sources-")
                      .arg(code, code, escaped(title)));
}

}  // namespace BrowserAddress
