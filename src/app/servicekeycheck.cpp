#include "app/servicekeycheck.h"

#include "platform/localized.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {

// How the log and the user name each service.
struct ServiceNames {
    const char* logName;
    const char* nameKey;
};

ServiceNames namesOf(platform::Service service)
{
    switch (service) {
        case platform::Service::MovieDatabase:
            return {"TMDb", "serviceNameTMDb"};
        case platform::Service::SubtitleService:
            return {"OpenSubtitles", "serviceNameOpenSubtitles"};
        case platform::Service::ChapterDatabase:
            return {"ChapterDb", "serviceNameChapterDb"};
    }
    return {"", ""};
}

}  // namespace

bool ServiceKeyCheck::keyIsSet(platform::Service service)
{
    if (!platform::ServiceConfig::current().endpoint(service).apiKey.isEmpty())
        return true;
    const platform::ServiceValueSource& source = platform::ServiceConfig::row(service).apiKey;
    platform::log(QStringLiteral("%1 API key is not set (%2): no request sent")
                      .arg(QLatin1String(namesOf(service).logName), QLatin1String(source.environmentVariable)));
    const auto index = static_cast<std::size_t>(service);
    if (!m_told.test(index)) {
        m_told.set(index);
        platform::showAlert(missingKeyAlert(service));
    }
    return false;
}

platform::Alert ServiceKeyCheck::missingKeyAlert(platform::Service service)
{
    const platform::ServiceValueSource& source = platform::ServiceConfig::row(service).apiKey;
    // The key's name in the file, without the group the text names.
    const QString settingsKey = QString::fromLatin1(source.settingsKey).section(u'/', -1);
    const QString settingsFile = platform::Settings::shared().fileName();
    return {QStringLiteral("serviceKeyMissingHeader"),
            QStringLiteral("serviceKeyMissingBody"),
            {platform::localized(QLatin1String(namesOf(service).nameKey)),
             QLatin1String(source.environmentVariable), settingsKey, settingsFile},
            settingsFile};
}
