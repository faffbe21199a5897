#include "settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/korvalane";
}

std::unique_ptr<Settings>& sharedInstance()
{
    static std::unique_ptr<Settings> instance;
    return instance;
}

}  // namespace

Settings& Settings::shared()
{
    auto& instance = sharedInstance();
    if (!instance)
        instance = std::make_unique<Settings>(defaultFolder());
    return *instance;
}

void Settings::useFolder(const QString& folder)
{
    sharedInstance() = std::make_unique<Settings>(folder);
}

// The file holds service keys and a password: readable and writable by its owner only. An
// existing file is closed to others; a new one is made so (empty) before the first value is
// stored, and rewrites (a new file put in its place) keep the mode of the one they replace.
void keepOwnerOnly(const QString& path, bool create)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | (create ? O_CREAT : 0), S_IRUSR | S_IWUSR);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && (info.st_mode & 07777) != (S_IRUSR | S_IWUSR))
        ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);
}

bool removeAbandonedLockFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Only flock: closing our descriptor would drop this process's fcntl locks.
    const bool abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool removed = abandoned && ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}

Settings::Settings(const QString& folder)
{
    QDir().mkpath(folder);
    const QString file = folder + "/korvalane.ini";
    // Writing would wait half a minute for a lock left behind by a killed
    // process, so one is cleared at the start and before each write.
    removeAbandonedLockFile(file + ".lock");
    keepOwnerOnly(file, false);
    m_store = std::make_unique<QSettings>(file, QSettings::IniFormat);
    // A kill while writing must leave the old file or the new one, never half of one.
    m_store->setAtomicSyncRequired(true);
}

Settings::~Settings()
{
    removeAbandonedLock();
}

void Settings::removeAbandonedLock() const
{
    removeAbandonedLockFile(m_store->fileName() + ".lock");
}

void Settings::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_defaults.insert(it.key(), it.value());
}

bool Settings::contains(const QString& key) const
{
    return m_store->contains(key) || m_defaults.contains(key);
}

QVariant Settings::value(const QString& key) const
{
    if (m_store->contains(key))
        return m_store->value(key);
    return m_defaults.value(key);
}

namespace {

// INI files store everything as text, so a stored "true" or "12" must be
// converted; a value that doesn't convert gives nothing, and the reader
// falls back to the registered default.
std::optional<bool> boolFrom(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "0")
        return false;
    return std::nullopt;
}

std::optional<qint64> integerFrom(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (ok)
        return n;
    const double d = value.toString().toDouble(&ok);
    if (ok && d >= -9.2e18 && d <= 9.2e18)
        return static_cast<qint64>(d);
    return std::nullopt;
}

bool isContainer(const QVariant& value)
{
    const int type = value.typeId();
    return type == QMetaType::QVariantList || type == QMetaType::QVariantMap || type == QMetaType::QVariantHash ||
           type == QMetaType::QStringList;
}

std::optional<QString> stringFrom(const QVariant& value)
{
    if (!value.isValid() || isContainer(value) || !value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> stringListFrom(const QVariant& value)
{
    // QSettings reads an empty list back as an invalid value and a
    // one-element list as a plain string.
    if (!value.isValid())
        return QStringList();
    if (value.typeId() == QMetaType::QString)
        return value.toString().isEmpty() ? QStringList() : QStringList{value.toString()};
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList out;
    for (const QVariant& item : value.toList())
        if (item.canConvert<QString>() && !isContainer(item))
            out << item.toString();
    return out;
}

std::optional<QByteArray> dataFrom(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    if (value.typeId() == QMetaType::QString)
        return value.toString().toUtf8();
    return std::nullopt;
}

// The stored value when it converts, else the registered default when that
// converts, else the type's empty value.
template <typename Convert>
auto typedValue(const QSettings& store, const QVariantMap& defaults, const QString& key, Convert convert)
{
    if (store.contains(key))
        if (auto stored = convert(store.value(key)))
            return *stored;
    if (defaults.contains(key))
        if (auto registered = convert(defaults.value(key)))
            return *registered;
    return typename decltype(convert(QVariant()))::value_type{};
}

}  // namespace

bool Settings::boolValue(const QString& key) const
{
    return typedValue(*m_store, m_defaults, key, boolFrom);
}

qint64 Settings::integerValue(const QString& key) const
{
    return typedValue(*m_store, m_defaults, key, integerFrom);
}

QString Settings::stringValue(const QString& key) const
{
    return typedValue(*m_store, m_defaults, key, stringFrom);
}

QStringList Settings::stringListValue(const QString& key) const
{
    return typedValue(*m_store, m_defaults, key, stringListFrom);
}

QByteArray Settings::dataValue(const QString& key) const
{
    return typedValue(*m_store, m_defaults, key, dataFrom);
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    prepareFile();
    m_store->setValue(key, value);
}

void Settings::remove(const QString& key)
{
    m_store->remove(key);
}

void Settings::prepareFile()
{
    // Registered defaults alone write nothing; the first stored value finds the file ready.
    if (!m_filePrepared)
        keepOwnerOnly(m_store->fileName(), true);
    m_filePrepared = true;
}

void Settings::synchronize()
{
    removeAbandonedLock();
    m_store->sync();
    keepOwnerOnly(m_store->fileName(), false);
}

QString Settings::fileName() const
{
    return m_store->fileName();
}

}  // namespace platform
