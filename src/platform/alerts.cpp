#include "alerts.h"

#include "localized.h"
#include "log.h"

namespace platform {

namespace {

class LoggingAlerts : public Alerts {
public:
    void showAlert(const QString& headerKey, const QString& bodyKey) override
    {
        log("Alert: " + localized(headerKey) + " - " + localized(bodyKey));
    }
};

Alerts*& installed()
{
    static Alerts* alerts = nullptr;
    return alerts;
}

}  // namespace

Alerts& Alerts::current()
{
    static LoggingAlerts fallback;
    return installed() ? *installed() : fallback;
}

void Alerts::setCurrent(Alerts* alerts)
{
    installed() = alerts;
}

InstalledAlerts::InstalledAlerts() : m_previous(installed())
{
    setCurrent(this);
}

InstalledAlerts::~InstalledAlerts()
{
    setCurrent(m_previous);
}

void showAlert(const QString& headerKey, const QString& bodyKey)
{
    Alerts::current().showAlert(headerKey, bodyKey);
}

void RecordingAlerts::showAlert(const QString& headerKey, const QString& bodyKey)
{
    m_shown.append({headerKey, bodyKey});
}

}  // namespace platform
