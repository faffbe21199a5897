#include "alerts.h"

#include "localized.h"
#include "log.h"

#include <QFileInfo>

namespace platform {

namespace {

class LoggingAlerts : public Alerts {
public:
    void show(const Alert& alert) override { log("Alert: " + alert.headerText() + " - " + alert.bodyText()); }

    // Without a window nobody can answer: nothing is given up.
    SaveChoice askToSave(const Alert& question) override
    {
        show(question);
        return SaveChoice::Cancel;
    }
};

Alerts*& installed()
{
    static Alerts* alerts = nullptr;
    return alerts;
}

}  // namespace

Alert Alert::aboutFile(const QString& headerKey, const QString& bodyKey, const QString& path, const QStringList& more)
{
    return {headerKey, bodyKey, QStringList{QFileInfo(path).fileName()} + more, path};
}

QString Alert::headerText() const
{
    return localized(headerKey, arguments);
}

QString Alert::bodyText() const
{
    return localized(bodyKey, arguments);
}

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
    Alerts::current().show({headerKey, bodyKey});
}

void showAlert(const Alert& alert)
{
    Alerts::current().show(alert);
}

void RecordingAlerts::show(const Alert& alert)
{
    m_shown.append(alert);
}

SaveChoice RecordingAlerts::askToSave(const Alert& question)
{
    m_questions.append(question);
    return m_answer;
}

}  // namespace platform
