#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Modal alerts built from two keys of the localised strings. The application
// installs a message-box implementation; without one, alerts go to the log.
class Alerts {
public:
    virtual ~Alerts() = default;
    // Returns when the user has closed the alert.
    virtual void showAlert(const QString& headerKey, const QString& bodyKey) = 0;

    static Alerts& current();
    // Installs `alerts` (nullptr restores the logging one); the caller keeps ownership.
    static void setCurrent(Alerts* alerts);
};

// Remembers every alert instead of showing it; installs itself while it lives.
class RecordingAlerts : public Alerts {
public:
    struct Shown {
        QString headerKey;
        QString bodyKey;
        bool operator==(const Shown&) const = default;
    };

    RecordingAlerts();
    ~RecordingAlerts() override;
    void showAlert(const QString& headerKey, const QString& bodyKey) override;
    const QList<Shown>& shown() const { return m_shown; }

private:
    QList<Shown> m_shown;
    Alerts* m_previous;
};

}  // namespace platform
