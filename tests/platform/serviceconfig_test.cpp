#include "platform/serviceconfig.h"
#include "platform/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Service;
using platform::ServiceConfig;
using platform::Settings;

namespace {

class ServiceConfigTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const QString& name : ServiceConfig::environmentVariables())
            qunsetenv(name.toLatin1().constData());
    }
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(ServiceConfigTest, DefaultsWithoutSettingsOrEnvironment)
{
    Settings settings(m_dir.path());
    const ServiceConfig config = ServiceConfig::fromSettings(settings);
    EXPECT_EQ(config.movieDatabase().baseUrl, "https://api.themoviedb.org");
    EXPECT_EQ(config.subtitleService().baseUrl, "https://api.opensubtitles.com/api/v1");
    EXPECT_EQ(config.chapterDatabase().baseUrl, "https://chapterdb.plex.tv");
    EXPECT_TRUE(config.movieDatabase().apiKey.isEmpty());
    EXPECT_TRUE(config.subtitleService().password.isEmpty());
    EXPECT_EQ(config.subtitleService().webUrl, "https://www.opensubtitles.org");
    EXPECT_TRUE(config.chapterDatabase().webUrl.isEmpty());
}

TEST_F(ServiceConfigTest, SettingsThenEnvironmentOverride)
{
    Settings settings(m_dir.path());
    settings.setValue(ServiceConfig::row(Service::MovieDatabase).url.settingsKey, "http://127.0.0.1:8080/");
    settings.setValue(ServiceConfig::row(Service::MovieDatabase).apiKey.settingsKey, "stored-key");
    settings.setValue(ServiceConfig::row(Service::SubtitleService).user.settingsKey, "someuser");
    ServiceConfig config = ServiceConfig::fromSettings(settings);
    EXPECT_EQ(config.movieDatabase().baseUrl, "http://127.0.0.1:8080");
    EXPECT_EQ(config.movieDatabase().apiKey, "stored-key");
    EXPECT_EQ(config.subtitleService().user, "someuser");

    qputenv("KORVALANE_TMDB_URL", "http://127.0.0.1:9999");
    qputenv("KORVALANE_TMDB_API_KEY", "env-key");
    config = ServiceConfig::fromSettings(settings);
    EXPECT_EQ(config.movieDatabase().baseUrl, "http://127.0.0.1:9999");
    EXPECT_EQ(config.movieDatabase().apiKey, "env-key");

    qputenv("KORVALANE_TMDB_API_KEY", "");  // empty means "not set"
    EXPECT_EQ(ServiceConfig::fromSettings(settings).movieDatabase().apiKey, "stored-key");
}

TEST_F(ServiceConfigTest, RedactHidesEveryKeyAndPassword)
{
    Settings settings(m_dir.path());
    settings.setValue(ServiceConfig::row(Service::MovieDatabase).apiKey.settingsKey, "abc123");
    qputenv("KORVALANE_OPENSUBTITLES_PASSWORD", "pa ss+word");
    qputenv("KORVALANE_CHAPTERDB_API_KEY", "CHAPTERKEY0123456789");
    const ServiceConfig config = ServiceConfig::fromSettings(settings);
    const QString line = "GET /3/configuration?api_key=abc123 pw=pa%20ss%2Bword and pa ss+word, CHAPTERKEY0123456789";
    const QString redacted = config.redact(line);
    EXPECT_FALSE(redacted.contains("abc123"));
    EXPECT_FALSE(redacted.contains("ss+word"));
    EXPECT_FALSE(redacted.contains("ss%2Bword"));
    EXPECT_FALSE(redacted.contains("CHAPTERKEY"));
    EXPECT_TRUE(redacted.startsWith("GET /3/configuration?api_key=<hidden>"));
    TearDown();
    // Nothing configured: only the value of the parameter named like a key goes.
    EXPECT_EQ(ServiceConfig::fromSettings(Settings(m_dir.path() + "/other")).redact(line).toStdString(),
              QString(line).replace("api_key=abc123", "api_key=<hidden>").toStdString());
}

// Values of parameters named like a key, token or password go, in addresses and in any text
// that quotes one; the rest of the text stays as it was.
TEST_F(ServiceConfigTest, RedactHidesValuesOfSecretParameters)
{
    const ServiceConfig config = ServiceConfig::fromSettings(Settings(m_dir.path()));
    const std::pair<const char*, const char*> cases[] = {
        {"/3/movie/1?api_key=c0ffee&language=de", "/3/movie/1?api_key=<hidden>&language=de"},
        {"Invalid API key: /3/configuration?api_key=c0ffee", "Invalid API key: /3/configuration?api_key=<hidden>"},
        {R"({"msg":"see ?ApiKey=XYZ#frag"})", R"({"msg":"see ?ApiKey=<hidden>#frag"})"},
        {"token=t1 and session_token=t2", "token=<hidden> and session_token=<hidden>"},
        {"user=me&Password=pa55", "user=me&Password=<hidden>"},
        {"api_key= left empty", "api_key= left empty"},
        {"Invalid API key: You must be granted a valid key.", "Invalid API key: You must be granted a valid key."},
        {"language=de&query=keystone", "language=de&query=keystone"},
    };
    for (const auto& [text, expected] : cases) {
        const QString redacted = config.redact(text);
        EXPECT_EQ(redacted.toStdString(), expected);
        EXPECT_EQ(config.redact(redacted), redacted) << text;  // a second pass changes nothing
    }
}

TEST_F(ServiceConfigTest, CurrentReadsTheSharedSettings)
{
    Settings::shared().setValue(ServiceConfig::row(Service::ChapterDatabase).url.settingsKey, "http://127.0.0.1:1234");
    EXPECT_EQ(ServiceConfig::current().chapterDatabase().baseUrl, "http://127.0.0.1:1234");
    Settings::shared().remove(ServiceConfig::row(Service::ChapterDatabase).url.settingsKey);
    EXPECT_EQ(ServiceConfig::current().chapterDatabase().baseUrl, "https://chapterdb.plex.tv");
}

// Every row of the service table: its settings are read, its variables
// override them, and whatever it holds as a key or password is hidden.
TEST_F(ServiceConfigTest, EveryServiceRowIsReadAndItsSecretsHidden)
{
    using Value = std::pair<platform::ServiceValueSource, QString platform::ServiceEndpoint::*>;
    for (const platform::ServiceRow& row : ServiceConfig::table()) {
        Settings settings(m_dir.path() + "/" + QString::number(static_cast<int>(row.service)));
        const std::array<Value, 5> values = {{{row.url, &platform::ServiceEndpoint::baseUrl},
                                              {row.apiKey, &platform::ServiceEndpoint::apiKey},
                                              {row.user, &platform::ServiceEndpoint::user},
                                              {row.password, &platform::ServiceEndpoint::password},
                                              {row.webUrl, &platform::ServiceEndpoint::webUrl}}};
        for (const auto& [source, member] : values)
            if (source.settingsKey)
                settings.setValue(source.settingsKey, QString("stored-") + source.settingsKey);
        ServiceConfig config = ServiceConfig::fromSettings(settings);
        for (const auto& [source, member] : values) {
            const QString read = config.endpoint(row.service).*member;
            if (!source.settingsKey) {
                EXPECT_TRUE(read.isEmpty()) << row.defaultUrl;
                continue;
            }
            EXPECT_EQ(read, QString("stored-") + source.settingsKey);
            qputenv(source.environmentVariable, QByteArray("from-env-") + source.environmentVariable);
            EXPECT_EQ(ServiceConfig::fromSettings(settings).endpoint(row.service).*member,
                      QString("from-env-") + source.environmentVariable);
            qunsetenv(source.environmentVariable);
        }
        for (const platform::ServiceValueSource& secret : {row.apiKey, row.password}) {
            if (!secret.settingsKey)
                continue;
            const QString line = "sent " + QString("stored-") + secret.settingsKey + " along";
            EXPECT_EQ(config.redact(line), "sent <hidden> along") << secret.settingsKey;
        }
    }
}
