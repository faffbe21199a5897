#include "serviceconfig.h"

#include "settings.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace platform {

namespace {

// The one table of services; a new service is one row here, one value of
// `Service` and one more in kServiceCount.
constexpr std::array<ServiceRow, kServiceCount> kServices{{
    {Service::MovieDatabase,
     "TMDb",
     "https://api.themoviedb.org",
     {"Services/TMDbURL", "KORVALANE_TMDB_URL"},
     {"Services/TMDbAPIKey", "KORVALANE_TMDB_API_KEY"},
     {},
     {}},
    {Service::SubtitleService,
     "OpenSubtitles",
     "https://api.opensubtitles.com/api/v1",
     {"Services/OpenSubtitlesURL", "KORVALANE_OPENSUBTITLES_URL"},
     {"Services/OpenSubtitlesAPIKey", "KORVALANE_OPENSUBTITLES_API_KEY"},
     {"Services/OpenSubtitlesUser", "KORVALANE_OPENSUBTITLES_USER"},
     {"Services/OpenSubtitlesPassword", "KORVALANE_OPENSUBTITLES_PASSWORD"},
     "https://www.opensubtitles.org",
     {"Services/OpenSubtitlesWebURL", "KORVALANE_OPENSUBTITLES_WEB_URL"}},
    {Service::ChapterDatabase,
     "ChapterDb",
     "https://chapterdb.plex.tv",
     {"Services/ChapterDbURL", "KORVALANE_CHAPTERDB_URL"},
     {"Services/ChapterDbAPIKey", "KORVALANE_CHAPTERDB_API_KEY"},
     {},
     {}},
}};

// A service's row stands at the index of its value.
static_assert([] {
    for (std::size_t i = 0; i < kServices.size(); ++i)
        if (kServices[i].service != static_cast<Service>(i))
            return false;
    return true;
}());

std::size_t indexOf(Service service)
{
    return static_cast<std::size_t>(service);
}

QString configured(const Settings& settings, const ServiceValueSource& source, const QString& fallback = QString())
{
    if (!source.settingsKey)
        return fallback;
    const QString fromEnvironment = qEnvironmentVariable(source.environmentVariable).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString stored = settings.stringValue(source.settingsKey).trimmed();
    return stored.isEmpty() ? fallback : stored;
}

QString withoutTrailingSlash(QString url)
{
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

}  // namespace

std::span<const ServiceRow> ServiceConfig::table()
{
    return kServices;
}

const ServiceRow& ServiceConfig::row(Service service)
{
    return kServices[indexOf(service)];
}

QString ServiceConfig::keyNotSetLogLine(Service service)
{
    const ServiceRow& serviceRow = row(service);
    return QStringLiteral("%1 API key is not set (%2): no request sent")
        .arg(QLatin1String(serviceRow.logName), QLatin1String(serviceRow.apiKey.environmentVariable));
}

QStringList ServiceConfig::environmentVariables()
{
    QStringList names;
    for (const ServiceRow& row : kServices)
        for (const ServiceValueSource& source : {row.url, row.apiKey, row.user, row.password, row.webUrl})
            if (source.environmentVariable)
                names << QString::fromLatin1(source.environmentVariable);
    return names;
}

ServiceConfig ServiceConfig::current()
{
    return fromSettings(Settings::shared());
}

ServiceConfig ServiceConfig::fromSettings(const Settings& settings)
{
    ServiceConfig config;
    for (const ServiceRow& row : kServices) {
        ServiceEndpoint& endpoint = config.m_endpoints[indexOf(row.service)];
        endpoint.baseUrl = withoutTrailingSlash(configured(settings, row.url, QString::fromLatin1(row.defaultUrl)));
        endpoint.apiKey = configured(settings, row.apiKey);
        endpoint.user = configured(settings, row.user);
        endpoint.password = configured(settings, row.password);
        endpoint.webUrl = withoutTrailingSlash(
            configured(settings, row.webUrl, QString::fromLatin1(row.defaultWebUrl ? row.defaultWebUrl : "")));
    }
    return config;
}

const ServiceEndpoint& ServiceConfig::endpoint(Service service) const
{
    return m_endpoints[indexOf(service)];
}

QStringList ServiceConfig::secrets() const
{
    QStringList out;
    for (const ServiceEndpoint& endpoint : m_endpoints)
        for (const QString& secret : {endpoint.apiKey, endpoint.password})
            if (!secret.isEmpty())
                out << secret;
    // Longer first, so a key that contains another is hidden whole.
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return out;
}

QString ServiceConfig::redact(const QString& text) const
{
    // Values of parameters named like a key, token or password ("api_key=..."), whether the
    // text is an address or a reply that quotes one: also keys that are not configured here.
    static const QRegularExpression secretParameter(
        QStringLiteral(R"(([A-Za-z0-9_.\-]*(?:key|token|password)[A-Za-z0-9_.\-]*)=[^&\s#"'<>]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(secretParameter, QStringLiteral("\\1=<hidden>"));
    for (const QString& secret : secrets()) {
        out.replace(secret, "<hidden>");
        // Keys also travel percent-encoded inside addresses.
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
        if (encoded != secret)
            out.replace(encoded, "<hidden>");
    }
    return out;
}

}  // namespace platform
