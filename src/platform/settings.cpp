#include "settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

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

Settings::Settings(const QString& folder)
{
    QDir().mkpath(folder);
    m_store = std::make_unique<QSettings>(folder + "/korvalane.ini", QSettings::IniFormat);
}

Settings::~Settings() = default;

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
// converted; a value that doesn't convert falls back to the default.
template <typename T>
bool convertTo(const QVariant& value, T& out)
{
    if (!value.isValid())
        return false;
    if constexpr (std::is_same_v<T, bool>) {
        if (value.typeId() == QMetaType::Bool) {
            out = value.toBool();
            return true;
        }
        const QString text = value.toString().trimmed().toLower();
        if (text == "true" || text == "yes" || text == "1") {
            out = true;
            return true;
        }
        if (text == "false" || text == "no" || text == "0") {
            out = false;
            return true;
        }
        return false;
    } else if constexpr (std::is_same_v<T, qint64>) {
        bool ok = false;
        const qint64 n = value.toLongLong(&ok);
        if (ok) {
            out = n;
            return true;
        }
        const double d = value.toString().toDouble(&ok);
        if (ok && d >= -9.2e18 && d <= 9.2e18) {
            out = static_cast<qint64>(d);
            return true;
        }
        if (value.typeId() == QMetaType::Bool) {
            out = value.toBool() ? 1 : 0;
            return true;
        }
        return false;
    } else {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (ok)
            out = d;
        return ok;
    }
}

template <typename T>
T typedValue(const QSettings& store, const QVariantMap& defaults, const QString& key)
{
    T out{};
    if (store.contains(key) && convertTo(store.value(key), out))
        return out;
    if (convertTo(defaults.value(key), out))
        return out;
    return T{};
}

}  // namespace

bool Settings::boolValue(const QString& key) const
{
    return typedValue<bool>(*m_store, m_defaults, key);
}

qint64 Settings::integerValue(const QString& key) const
{
    return typedValue<qint64>(*m_store, m_defaults, key);
}

double Settings::doubleValue(const QString& key) const
{
    return typedValue<double>(*m_store, m_defaults, key);
}

QString Settings::stringValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QVariantMap ||
        v.typeId() == QMetaType::QStringList)
        return QString();
    return v.toString();
}

QStringList Settings::stringListValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QVariantList) {
        QStringList out;
        for (const QVariant& item : v.toList())
            if (item.canConvert<QString>())
                out << item.toString();
        return out;
    }
    // QSettings reads a one-element list back as a plain string.
    if (v.typeId() == QMetaType::QString && m_store->contains(key))
        return v.toString().isEmpty() ? QStringList() : QStringList{v.toString()};
    return {};
}

QByteArray Settings::dataValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    if (v.typeId() == QMetaType::QString)
        return v.toString().toUtf8();
    return {};
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    m_store->setValue(key, value);
}

void Settings::remove(const QString& key)
{
    m_store->remove(key);
}

void Settings::synchronize()
{
    m_store->sync();
}

QString Settings::fileName() const
{
    return m_store->fileName();
}

}  // namespace platform
