#include "localized.h"

#include "log.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <atomic>

namespace platform {

namespace {

using Table = QHash<QString, QString>;

Table loadTable(const QString& language)
{
    QFile file(":/strings/" + language + ".json");
    if (!file.open(QIODevice::ReadOnly)) {
        log("localized: no string table for " + language);
        return {};
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    Table table;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.value().isString())
            table.insert(it.key(), it.value().toString());
    return table;
}

// Both tables are read once and never change, so any thread may look texts up.
const Table& table(bool german)
{
    static const Table english = loadTable(QStringLiteral("en"));
    static const Table deutsch = loadTable(QStringLiteral("de"));
    return german ? deutsch : english;
}

std::atomic<bool>& germanInUse()
{
    static std::atomic<bool> german = QLocale::system().name().startsWith("de");
    return german;
}

}  // namespace

QString localized(const QString& key)
{
    // A key the table has gives its text, even an empty one; any other key gives itself.
    const Table& texts = table(germanInUse().load());
    const auto it = texts.constFind(key);
    return it == texts.constEnd() ? key : *it;
}

QString localizationLanguage()
{
    return germanInUse().load() ? QStringLiteral("de") : QStringLiteral("en");
}

void setLocalizationLanguage(const QString& language)
{
    germanInUse().store(language == "de");
}

}  // namespace platform
