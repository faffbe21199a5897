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

// Shows the alert whose header and body are the localised texts of the two
// keys, with one "OK" button, through the current alerts; returns when the
// user has closed it.
void showAlert(const QString& headerKey, const QString& bodyKey);

// An implementation that is the current one while it lives and then gives
// the place back to the one it replaced.
class InstalledAlerts : public Alerts {
public:
    InstalledAlerts();
    ~InstalledAlerts() override;
    InstalledAlerts(const InstalledAlerts&) = delete;
    InstalledAlerts& operator=(const InstalledAlerts&) = delete;

private:
    Alerts* m_previous;
};

// Remembers every alert instead of showing it; installs itself while it lives.
class RecordingAlerts : public InstalledAlerts {
public:
    struct Shown {
        QString headerKey;
        QString bodyKey;
        bool operator==(const Shown&) const = default;
    };

    void showAlert(const QString& headerKey, const QString& bodyKey) override;
    const QList<Shown>& shown() const { return m_shown; }

private:
    QList<Shown> m_shown;
};

}  // namespace platform
