#include "app/servicekeycheck.h"

#include "platform/localized.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {

// The service's name as the user reads it, from the string table under its log name.
QString userNameOf(platform::Service service)
{
    return platform::localized(QStringLiteral("serviceName") +
                               QLatin1String(platform::ServiceConfig::row(service).logName));
}

}  // namespace

bool ServiceKeyCheck::keyIsSet(platform::Service service)
{
    if (!platform::ServiceConfig::current().endpoint(service).apiKey.isEmpty())
        return true;
    platform::log(platform::ServiceConfig::keyNotSetLogLine(service));
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
    return platform::Alert{QStringLiteral("serviceKeyMissingHeader"),
                           QStringLiteral("serviceKeyMissingBody"),
                           {userNameOf(service), QLatin1String(source.environmentVariable), settingsKey, settingsFile},
                           settingsFile};
}
