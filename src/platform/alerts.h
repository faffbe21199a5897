#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// One alert: its header and body are the localised texts of two keys, each
// with "%1", "%2", ... replaced by `arguments`; `details`, when not empty,
// is shown on request (the full path of the file the alert is about).
struct Alert {
    QString headerKey;
    QString bodyKey;
    QStringList arguments = {};
    QString details = {};

    // An alert about one file: the file's name is "%1" and its full path the
    // details; `more` follows as "%2", "%3", ...
    static Alert aboutFile(const QString& headerKey, const QString& bodyKey, const QString& path,
                           const QStringList& more = {});

    QString headerText() const;
    QString bodyText() const;

    bool operator==(const Alert&) const = default;
};

// The answers to the question whether unsaved work is saved before going on.
enum class SaveChoice { SaveAll, Discard, Cancel };

// Modal alerts built from keys of the localised strings. The application
// installs a message-box implementation; without one, alerts go to the log.
class Alerts {
public:
    virtual ~Alerts() = default;
    // Returns when the user has closed the alert.
    virtual void show(const Alert& alert) = 0;
    // Asks whether to save all, discard or cancel; returns the user's answer.
    virtual SaveChoice askToSave(const Alert& question) = 0;

    void showAlert(const QString& headerKey, const QString& bodyKey) { show({headerKey, bodyKey}); }

    static Alerts& current();
    // Installs `alerts` (nullptr restores the logging one); the caller keeps ownership.
    static void setCurrent(Alerts* alerts);
};

// Shows the alert whose header and body are the localised texts of the two
// keys, with one "OK" button, through the current alerts; returns when the
// user has closed it.
void showAlert(const QString& headerKey, const QString& bodyKey);
void showAlert(const Alert& alert);

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

// Remembers every alert and question instead of showing it, and answers
// each question with the answer set (Cancel unless set otherwise);
// installs itself while it lives.
class RecordingAlerts : public InstalledAlerts {
public:
    using Shown = Alert;

    void show(const Alert& alert) override;
    SaveChoice askToSave(const Alert& question) override;

    const QList<Shown>& shown() const { return m_shown; }
    const QList<Alert>& questions() const { return m_questions; }
    void setAnswer(SaveChoice answer) { m_answer = answer; }

private:
    QList<Shown> m_shown;
    QList<Alert> m_questions;
    SaveChoice m_answer = SaveChoice::Cancel;
};

}  // namespace platform
