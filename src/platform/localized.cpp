#include "localized.h"

#include "log.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <atomic>
#include <memory>

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

// Qt's own texts (standard buttons, file dialogs, a field's context menu)
// in the same language; English needs none.
void useQtTranslation(bool german)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (!german || !QCoreApplication::instance())
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        log(QStringLiteral("localized: Qt's German texts are not installed"));
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
}

}  // namespace

QString localized(const QString& key)
{
    // A key the table has gives its text, even an empty one; any other key gives itself.
    const Table& texts = table(germanInUse().load());
    const auto it = texts.constFind(key);
    return it == texts.constEnd() ? key : *it;
}

QString localized(const QString& key, const QStringList& arguments)
{
    const QString text = localized(key);
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

QString localizationLanguage()
{
    return germanInUse().load() ? QStringLiteral("de") : QStringLiteral("en");
}

void setLocalizationLanguage(const QString& language)
{
    const bool german = language == "de";
    germanInUse().store(german);
    useQtTranslation(german);
}

}  // namespace platform
