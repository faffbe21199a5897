#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QSettings;

namespace platform {

// The user's settings: an INI file under $XDG_CONFIG_HOME/korvalane/, with
// registered defaults kept in memory that answer while nothing is stored. The
// file holds the service keys, so only its owner may read it (mode 0600).
// Typed readers never fail: a stored value of the wrong type reads as the
// registered default, and that as the type's empty value.
class Settings {
public:
    // The process-wide settings used by the application.
    static Settings& shared();

    // Settings kept in `folder` (tests point this at a temporary folder).
    explicit Settings(const QString& folder);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Points the process-wide settings at another folder and forgets the
    // registered defaults; tests call this before touching any setting.
    static void useFolder(const QString& folder);

    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const { return m_defaults; }

    bool contains(const QString& key) const;  // stored or registered
    QVariant value(const QString& key) const;
    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    QString stringValue(const QString& key) const;
    QStringList stringListValue(const QString& key) const;
    QByteArray dataValue(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    void synchronize();

    QString fileName() const;

private:
    void removeAbandonedLock() const;
    void prepareFile();

    std::unique_ptr<QSettings> m_store;
    QVariantMap m_defaults;
    bool m_filePrepared = false;
};

// Removes the lock file at `path` when no live process holds it (a holder
// keeps a native lock on it while it lives): a process killed while writing
// leaves one, often empty, and QSettings would wait out its 30-second
// stale-lock time before every read and write. True when it was removed.
bool removeAbandonedLockFile(const QString& path);

}  // namespace platform
