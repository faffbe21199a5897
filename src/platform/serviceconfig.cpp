#include "serviceconfig.h"

#include "settings.h"

#include <QUrl>

#include <algorithm>

namespace platform {

namespace {

QString configured(const Settings& settings, const char* environmentName, const char* settingsKey,
                   const QString& fallback = QString())
{
    const QString fromEnvironment = qEnvironmentVariable(environmentName).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString stored = settings.stringValue(settingsKey).trimmed();
    return stored.isEmpty() ? fallback : stored;
}

QString withoutTrailingSlash(QString url)
{
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

}  // namespace

ServiceConfig ServiceConfig::current()
{
    return fromSettings(Settings::shared());
}

ServiceConfig ServiceConfig::fromSettings(const Settings& settings)
{
    ServiceConfig config;
    config.m_movieDatabase.baseUrl =
        withoutTrailingSlash(configured(settings, "KORVALANE_TMDB_URL", movieDatabaseUrlKey, defaultMovieDatabaseUrl));
    config.m_movieDatabase.apiKey = configured(settings, "KORVALANE_TMDB_API_KEY", movieDatabaseApiKeyKey);

    config.m_subtitleService.baseUrl = withoutTrailingSlash(
        configured(settings, "KORVALANE_OPENSUBTITLES_URL", subtitleServiceUrlKey, defaultSubtitleServiceUrl));
    config.m_subtitleService.apiKey = configured(settings, "KORVALANE_OPENSUBTITLES_API_KEY", subtitleServiceApiKeyKey);
    config.m_subtitleService.user = configured(settings, "KORVALANE_OPENSUBTITLES_USER", subtitleServiceUserKey);
    config.m_subtitleService.password =
        configured(settings, "KORVALANE_OPENSUBTITLES_PASSWORD", subtitleServicePasswordKey);

    config.m_chapterDatabase.baseUrl = withoutTrailingSlash(
        configured(settings, "KORVALANE_CHAPTERDB_URL", chapterDatabaseUrlKey, defaultChapterDatabaseUrl));
    config.m_chapterDatabase.apiKey = configured(settings, "KORVALANE_CHAPTERDB_API_KEY", chapterDatabaseApiKeyKey);
    return config;
}

QStringList ServiceConfig::secrets() const
{
    QStringList out;
    for (const QString& secret :
         {m_movieDatabase.apiKey, m_subtitleService.apiKey, m_subtitleService.password, m_chapterDatabase.apiKey})
        if (!secret.isEmpty())
            out << secret;
    // Longer first, so a key that contains another is hidden whole.
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return out;
}

QString ServiceConfig::redact(const QString& text) const
{
    QString out = text;
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
