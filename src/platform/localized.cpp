#include "localized.h"

#include "log.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace platform {

namespace {

QString& currentLanguage()
{
    static QString language = QLocale::system().name().startsWith("de") ? "de" : "en";
    return language;
}

QHash<QString, QString> loadTable(const QString& language)
{
    QFile file(":/strings/" + language + ".json");
    if (!file.open(QIODevice::ReadOnly)) {
        log("localized: no string table for " + language);
        return {};
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    QHash<QString, QString> table;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.value().isString())
            table.insert(it.key(), it.value().toString());
    return table;
}

const QHash<QString, QString>& table(const QString& language)
{
    static QHash<QString, QHash<QString, QString>> tables;
    auto it = tables.find(language);
    if (it == tables.end())
        it = tables.insert(language, loadTable(language));
    return *it;
}

}  // namespace

QString localized(const QString& key)
{
    const QString text = table(currentLanguage()).value(key);
    return text.isEmpty() ? key : text;
}

QString localizationLanguage()
{
    return currentLanguage();
}

void setLocalizationLanguage(const QString& language)
{
    currentLanguage() = language == "de" ? "de" : "en";
}

}  // namespace platform
