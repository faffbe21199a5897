#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <span>

namespace platform {

class Settings;

// Where one web service lives and how the application identifies itself.
struct ServiceEndpoint {
    QString baseUrl;   // no trailing slash
    QString apiKey;    // empty when none is configured
    QString user;      // subtitle service account only
    QString password;  // subtitle service account only
    QString webUrl;    // the service's public site for people (search pages); empty when none
};

enum class Service { MovieDatabase, SubtitleService, ChapterDatabase };
inline constexpr std::size_t kServiceCount = 3;

// Where one value of a service is read from: the settings key (in the
// [Services] group of the settings file) and the environment variable that
// overrides it. Both null for a value the service does not have.
struct ServiceValueSource {
    const char* settingsKey = nullptr;
    const char* environmentVariable = nullptr;
};

// One row of the service table: a service, its built-in address, and the
// sources of its address, key, user and password; then the built-in address
// of its public site and where that is read from. Key and password are
// secrets by their place in the row, so no service's secret can be left out
// of redact().
struct ServiceRow {
    Service service;
    const char* logName;  // how log lines name the service
    const char* defaultUrl;
    ServiceValueSource url;
    ServiceValueSource apiKey;
    ServiceValueSource user;
    ServiceValueSource password;
    const char* defaultWebUrl = nullptr;
    ServiceValueSource webUrl = {};
};

// Addresses and keys of the web services. Each value comes from the
// environment variable when that is set and not empty, else from the settings
// file, else the built-in default address (keys have no default: none is
// shipped). Keys and passwords never go to the log: use redact() on any text
// that might contain one before logging it.
class ServiceConfig {
public:
    // Every service, one row each.
    static std::span<const ServiceRow> table();
    static const ServiceRow& row(Service service);
    // The log line of a request not sent because the service's key is not set.
    static QString keyNotSetLogLine(Service service);
    // Every environment variable the table reads.
    static QStringList environmentVariables();

    // Read now from the process-wide settings and the environment.
    static ServiceConfig current();
    static ServiceConfig fromSettings(const Settings& settings);

    const ServiceEndpoint& endpoint(Service service) const;
    const ServiceEndpoint& movieDatabase() const { return endpoint(Service::MovieDatabase); }
    const ServiceEndpoint& subtitleService() const { return endpoint(Service::SubtitleService); }
    const ServiceEndpoint& chapterDatabase() const { return endpoint(Service::ChapterDatabase); }

    // `text` with every configured key and password, and the value of every
    // parameter named like a key, token or password, replaced by "<hidden>".
    QString redact(const QString& text) const;

private:
    QStringList secrets() const;

    std::array<ServiceEndpoint, kServiceCount> m_endpoints;
};

}  // namespace platform
