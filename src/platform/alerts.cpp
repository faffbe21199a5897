#include "alerts.h"

#include "localized.h"
#include "log.h"

#include <QFileInfo>

namespace platform {

namespace {

// "%1", "%2", ... of `text` replaced by the arguments in one pass, so that an
// argument holding "%2" (a file name may) stays as it is. A number without an
// argument stays too; an alert whose optional sentence is empty loses the
// space before it.
QString filled(const QString& text, const QStringList& arguments)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%') {
            qsizetype end = i + 1;
            while (end < text.size() && end - i <= 2 && text.at(end).isDigit())
                ++end;
            const int number = text.mid(i + 1, end - i - 1).toInt();  // 0 without digits
            if (number >= 1 && number <= arguments.size()) {
                out += arguments.at(number - 1);
                i = end - 1;
                continue;
            }
        }
        out += text.at(i);
    }
    return out.trimmed();
}

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
    return filled(localized(headerKey), arguments);
}

QString Alert::bodyText() const
{
    return filled(localized(bodyKey), arguments);
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
