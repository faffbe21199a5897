#pragma once

#include <QString>
#include <QStringList>

namespace platform {

class Settings;

// Where one web service lives and how the application identifies itself.
struct ServiceEndpoint {
    QString baseUrl;   // no trailing slash
    QString apiKey;    // empty when none is configured
    QString user;      // subtitle service account only
    QString password;  // subtitle service account only
};

// Addresses and keys of the three web services. Each value comes from the
// environment variable when that is set and not empty, else from the settings
// file, else the built-in default address (keys have no default: none is
// shipped). Keys and passwords never go to the log: use redact() on any text
// that might contain one before logging it.
class ServiceConfig {
public:
    // Settings keys, in the [Services] group of the settings file.
    static constexpr const char* movieDatabaseUrlKey = "Services/TMDbURL";
    static constexpr const char* movieDatabaseApiKeyKey = "Services/TMDbAPIKey";
    static constexpr const char* subtitleServiceUrlKey = "Services/OpenSubtitlesURL";
    static constexpr const char* subtitleServiceApiKeyKey = "Services/OpenSubtitlesAPIKey";
    static constexpr const char* subtitleServiceUserKey = "Services/OpenSubtitlesUser";
    static constexpr const char* subtitleServicePasswordKey = "Services/OpenSubtitlesPassword";
    static constexpr const char* chapterDatabaseUrlKey = "Services/ChapterDbURL";
    static constexpr const char* chapterDatabaseApiKeyKey = "Services/ChapterDbAPIKey";

    static constexpr const char* defaultMovieDatabaseUrl = "https://api.themoviedb.org";
    static constexpr const char* defaultSubtitleServiceUrl = "https://api.opensubtitles.com/api/v1";
    static constexpr const char* defaultChapterDatabaseUrl = "https://chapterdb.plex.tv";

    // Read now from the process-wide settings and the environment.
    static ServiceConfig current();
    static ServiceConfig fromSettings(const Settings& settings);

    const ServiceEndpoint& movieDatabase() const { return m_movieDatabase; }
    const ServiceEndpoint& subtitleService() const { return m_subtitleService; }
    const ServiceEndpoint& chapterDatabase() const { return m_chapterDatabase; }

    // `text` with every configured key and password replaced by "<hidden>".
    QString redact(const QString& text) const;

private:
    QStringList secrets() const;

    ServiceEndpoint m_movieDatabase;
    ServiceEndpoint m_subtitleService;
    ServiceEndpoint m_chapterDatabase;
};

}  // namespace platform
