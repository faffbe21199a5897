#include "app/fieldlisttokendelegate.h"

#include "platform/localized.h"

namespace {

const QString kNamePrefix = QStringLiteral("field");

}  // namespace

FieldListTokenDelegate::FieldListTokenDelegate()
    : m_tokenList({"title", "actors", "directors", "writers", "producers", "studio", "rating", "explicit", "genre",
                   "releasedate", "shortdesc", "longdesc", "cover", "chapters", "subtitle"})
{
}

QString FieldListTokenDelegate::localizedName(const QString& key)
{
    const QString capitalized = key.left(1).toUpper() + key.mid(1).toLower();
    return platform::localized(kNamePrefix + capitalized);
}

QStringList FieldListTokenDelegate::completionsForSubstring(const TokenField& field, const QString& substring) const
{
    const QStringList entered = field.objectValue();
    const bool blank = substring.trimmed().isEmpty();
    const QString typed = substring.toLower();
    QStringList offered;
    for (const QString& key : m_tokenList) {
        if (entered.contains(key))
            continue;
        const QString name = localizedName(key);
        if (blank || name.toLower().startsWith(typed))
            offered.append(name);
    }
    return offered;
}

std::optional<QString> FieldListTokenDelegate::displayStringForRepresentedObject(const TokenField&,
                                                                                 const QString& object) const
{
    const QString name = localizedName(object);
    if (name.startsWith(kNamePrefix))
        return std::nullopt;
    return name;
}

QString FieldListTokenDelegate::representedObjectForEditingString(const TokenField&, const QString& text) const
{
    for (const QString& key : m_tokenList)
        if (localizedName(key) == text)
            return key;
    return QString("");
}

QStringList FieldListTokenDelegate::shouldAddObjects(const TokenField& field, const QStringList& objects, int) const
{
    // A field is protected or not: a second token of it would only have to be removed twice.
    QStringList entered = field.objectValue();
    QStringList accepted;
    for (const QString& object : objects)
        if (m_tokenList.contains(object) && !entered.contains(object)) {
            accepted.append(object);
            entered.append(object);
        }
    return accepted;
}
