#include "contentrating.h"

#include "platform/settings.h"

#include <QMap>

namespace {

struct RatingRow {
    const char* table;
    const char* name;   // shown to the user
    const char* value;  // stored in the movie file
};

// Every stored value is written exactly as movie files carry it, including
// the few without a closing bar or without a code. Each table also starts
// with the shared "---" / "" entry (no rating), added when the tables are built.
constexpr RatingRow ratingRows[] = {
    {"en", "Not Rated", "mpaa|Not Rated|000|"},
    {"en", "G", "mpaa|G|100|"},
    {"en", "PG", "mpaa|PG|200|"},
    {"en", "PG-13", "mpaa|PG-13|300|"},
    {"en", "R", "mpaa|R|400|"},
    {"en", "NC-17", "mpaa|NC-17|500|"},
    {"en", "Unrated", "mpaa|Unrated|???|"},
    {"gb", "Not Rated", "uk-movie|Not Rated|000|"},
    {"gb", "U", "uk-movie|U|100|"},
    {"gb", "Uc", "uk-movie|Uc|150|"},
    {"gb", "PG", "uk-movie|PG|200|"},
    {"gb", "12", "uk-movie|12|300|"},
    {"gb", "12A", "uk-movie|12A|325|"},
    {"gb", "15", "uk-movie|15|350|"},
    {"gb", "18", "uk-movie|18|400|"},
    {"gb", "R18", "uk-movie|R18|600|"},
    {"gb", "Exempt", "uk-movie|E|0|"},
    {"gb", "Unrated", "uk-movie|Unrated|???|"},
    {"de", "ab 0 Jahren", "de-movie|ab 0 Jahren|75|"},
    {"de", "ab 6 Jahren", "de-movie|ab 6 Jahren|100|"},
    {"de", "ab 12 Jahren", "de-movie|ab 12 Jahren|200|"},
    {"de", "ab 16 Jahren", "de-movie|ab 16 Jahren|500|"},
    {"de", "ab 18 Jahren", "de-movie|ab 18 Jahren|600|"},
    {"au", "E", "au-movie|E|50|"},
    {"au", "G", "au-movie|G|100|"},
    {"au", "PG", "au-movie|PG|200|"},
    {"au", "M", "au-movie|M|350|"},
    {"au", "MA15+", "au-movie|MA15+|375|"},
    {"au", "R18+", "au-movie|R18+|400|"},
    {"au", "Unrated", "au-movie|Unrated|"},
    {"at", "ab 0", "at-movie|0|100|"},
    {"at", "ab 6", "at-movie|6|200|"},
    {"at", "ab 10", "at-movie|10|300|"},
    {"at", "ab 12", "at-movie|12|400|"},
    {"at", "ab 14", "at-movie|14|500|"},
    {"at", "ab 16", "at-movie|16|600|"},
    {"fr", "TOUT PUBLIC", "fr-movie|TOUT PUBLIC|100"},
    {"fr", "-10", "fr-movie|-10|100|"},
    {"fr", "-12", "fr-movie|-12|300|"},
    {"fr", "-16", "fr-movie|-16|375|"},
    {"fr", "-18", "fr-movie|-18|400|"},
    {"fr", "Unrated", "fr-movie|Unrated|???|"},
    {"ca", "Not Rated", "ca-movie|Not Rated|000|"},
    {"ca", "G", "ca-movie|G|100|"},
    {"ca", "PG", "ca-movie|PG|200|"},
    {"ca", "14", "ca-movie|14|325"},
    {"ca", "18", "ca-movie|18|400"},
    {"ca", "R", "ca-movie|R|500"},
    {"ca", "A", "ca-movie|A|600"},
    {"ca", "Unrated", "ca-movie|Unrated|"},
    {"be", "KT/EA", "be-movie|KT/EA|100|"},
    {"be", "KNT/ENA", "be-movie|KNT/ENA|200|"},
    {"be", "E", "be-movie|E|300|"},
    {"br", "L", "br-movie|L|100|"},
    {"br", "10", "br-movie|10|200|"},
    {"br", "12", "br-movie|12|300|"},
    {"br", "14", "br-movie|14|400|"},
    {"br", "16", "br-movie|16|500|"},
    {"br", "18", "br-movie|18|500|"},
    {"dk", "A", "dk-movie|A|100|"},
    {"dk", "7", "dk-movie|7|200|"},
    {"dk", "11", "dk-movie|11|300|"},
    {"dk", "15", "dk-movie|15|350|"},
    {"dk", "F", "dk-movie|F|500|"},
    {"fi", "S", "fi-movie|S|100|"},
    {"fi", "K-7", "fi-movie|K-7|200|"},
    {"fi", "K-12", "fi-movie|K-12|300|"},
    {"fi", "K-16", "fi-movie|K-16|400|"},
    {"fi", "K-18", "fi-movie|K-18|500|"},
    {"fi", "K-E", "fi-movie|K-E|600|"},
    {"gr", "K", "gr-movie|K|100|"},
    {"gr", "K-13", "gr-movie|K-13|200|"},
    {"gr", "K-17", "gr-movie|K-17|300|"},
    {"gr", "E", "gr-movie|E|400|"},
    {"ie", "G", "ie-movie|G|100|"},
    {"ie", "12A", "ie-movie|12A|200|"},
    {"ie", "PG", "ie-movie|PG|300|"},
    {"ie", "15A", "ie-movie|15A|400|"},
    {"ie", "18", "ie-movie|18|500|"},
    {"it", "T", "it-movie|T|100|"},
    {"it", "V.M. 14", "it-movie|VM14|200|"},
    {"it", "V.M. 18", "it-movie|VM18|300|"},
    {"jp", "G", "jp-movie|G|100|"},
    {"jp", "PG-12", "jp-movie|PG-12|200|"},
    {"jp", "R15+", "jp-movie|R15+|300|"},
    {"jp", "R18+", "jp-movie|R18+|400|"},
    {"mx", "AA", "mx-movie|AA|100|"},
    {"mx", "A", "mx-movie|A|200|"},
    {"mx", "B", "mx-movie|B|300|"},
    {"mx", "B-15", "mx-movie|B-15|400|"},
    {"mx", "C", "mx-movie|C|500|"},
    {"mx", "D", "mx-movie|D|600|"},
    {"nl", "AL", "nl-movie|AL|100|"},
    {"nl", "6", "nl-movie|6|200|"},
    {"nl", "9", "nl-movie|9|300|"},
    {"nl", "12", "nl-movie|12|400|"},
    {"nl", "16", "nl-movie|16|500|"},
    {"nz", "G", "nz-movie|G|100|"},
    {"nz", "PG", "nz-movie|PG|200|"},
    {"nz", "R13", "nz-movie|R13|300|"},
    {"nz", "R15", "nz-movie|R15|400|"},
    {"nz", "R16", "nz-movie|R16|500|"},
    {"nz", "M", "nz-movie|M|600|"},
    {"nz", "R18", "nz-movie|R18|700|"},
    {"pl", "AL", "pl-movie|AL|100|"},
    {"pl", "7", "pl-movie|7|200|"},
    {"pl", "12", "pl-movie|12|300|"},
    {"pl", "15", "pl-movie|15|400|"},
    {"pl", "AP", "pl-movie|AP|500|"},
    {"pl", "21", "pl-movie|21|600|"},
    {"no", "A", "no-movie|A|100|"},
    {"no", "7", "no-movie|7|200|"},
    {"no", "11", "no-movie|11|300|"},
    {"no", "15", "no-movie|15|400|"},
    {"no", "18", "no-movie|18|500|"},
    {"pt", "M/4", "pt-movie|M/4|100|"},
    {"pt", "M/6", "pt-movie|M/6|200|"},
    {"pt", "M/12", "pt-movie|M/12|300|"},
    {"pt", "M/16", "pt-movie|M/16|400|"},
    {"pt", "M/18", "pt-movie|M/18|500|"},
    {"ru", "0+", "ru-movie|0+|100|"},
    {"ru", "6+", "ru-movie|6+|200|"},
    {"ru", "12+", "ru-movie|12+|300|"},
    {"ru", "14+", "ru-movie|14+|400|"},
    {"ru", "16+", "ru-movie|16+|500|"},
    {"ru", "18+", "ru-movie|18+|600|"},
    {"se", "Btl", "se-movie|Btl|100|"},
    {"se", "7", "se-movie|7|200|"},
    {"se", "11", "se-movie|11|300|"},
    {"se", "15", "se-movie|15|400|"},
    {"es", "APTA", "es-movie|APTA|100|"},
    {"es", "7", "es-movie|7|200|"},
    {"es", "12", "es-movie|12|300|"},
    {"es", "16", "es-movie|16|400|"},
    {"es", "18", "es-movie|18|500|"},
    {"es", "Película X", "es-movie|P X|600|"},
    {"ch", "0", "ch-movie|0|100|"},
    {"ch", "7", "ch-movie|7|200|"},
    {"ch", "10", "ch-movie|10|300|"},
    {"ch", "12", "ch-movie|12|400|"},
    {"ch", "14", "ch-movie|14|500|"},
    {"ch", "16", "ch-movie|16|600|"},
    {"ch", "18", "ch-movie|18|700|"},
    {"deFSK", "FSK 0", "de-movie|FSK 0|75|"},
    {"deFSK", "FSK 6", "de-movie|FSK 6|100|"},
    {"deFSK", "FSK 12", "de-movie|FSK 12|200|"},
    {"deFSK", "FSK 16", "de-movie|FSK 16|500|"},
    {"deFSK", "FSK 18", "de-movie|FSK 18|600|"},
};

// "en" and "us" share one table.
constexpr const char* sharedTableAlias = "us";
constexpr const char* sharedTableSource = "en";

struct Tables {
    QStringList keys;  // in the order of the rows
    QMap<QString, QStringList> names;
    QMap<QString, QStringList> values;
};

const Tables& tables()
{
    static const Tables built = [] {
        Tables t;
        for (const RatingRow& row : ratingRows) {
            const QString key = QString::fromLatin1(row.table);
            if (!t.keys.contains(key)) {
                t.keys << key;
                t.names.insert(key, {QStringLiteral("---")});
                t.values.insert(key, {QString("")});
            }
            t.names[key] << QString::fromUtf8(row.name);
            t.values[key] << QString::fromUtf8(row.value);
        }
        const QString alias = QString::fromLatin1(sharedTableAlias);
        const QString source = QString::fromLatin1(sharedTableSource);
        t.keys.insert(t.keys.indexOf(source) + 1, alias);
        t.names.insert(alias, t.names.value(source));
        t.values.insert(alias, t.values.value(source));
        return t;
    }();
    return built;
}

const QString fskKey = QStringLiteral("deFSK");

// "de" shows its ratings as "FSK 12" instead of "ab 12 Jahren" when so set.
QString tableKeyFor(const QString& locale)
{
    if (locale == "de" && platform::Settings::shared().boolValue("UseFSKRatingsInsteadOfAbJahren"))
        return fskKey;
    return locale;
}

// The names or the values of the table that `locale` shows.
std::optional<QStringList> listFor(const QMap<QString, QStringList>& lists, const QString& locale)
{
    const auto it = lists.constFind(tableKeyFor(locale));
    if (it == lists.constEnd())
        return std::nullopt;
    return *it;
}

// The second "|"-separated field, if the text has one.
std::optional<QString> ratingNameOf(const QString& value)
{
    const QStringList parts = value.split(u'|');
    if (parts.size() < 2)
        return std::nullopt;
    return parts.at(1);
}

}  // namespace

QStringList ContentRating::listOfSupportedLocales()
{
    QStringList locales = tables().keys;
    locales.removeAll(fskKey);
    return locales;
}

ContentRating::ContentRating()
{
    const QString country = platform::Settings::shared().stringValue("CountrySettingsForSearch");
    setLocale(country.isEmpty() || country == "xx" ? QStringLiteral("us") : country);
}

ContentRating::ContentRating(const QString& locale)
{
    setLocale(locale);
}

void ContentRating::setLocale(const QString& locale)
{
    m_locale = supportsLocale(locale) ? locale : QStringLiteral("us");
    m_ratingNames = ratingNamesForLocale(m_locale).value_or(QStringList());
    m_ratingValues = ratingValuesForLocale(m_locale).value_or(QStringList());
}

bool ContentRating::supportsLocale(const QString& locale) const
{
    return !locale.isNull() && tables().names.contains(locale);
}

std::optional<QStringList> ContentRating::ratingNamesForLocale(const QString& locale) const
{
    return listFor(tables().names, locale);
}

std::optional<QStringList> ContentRating::ratingValuesForLocale(const QString& locale) const
{
    return listFor(tables().values, locale);
}

QString ContentRating::ratingValueForName(const QString& name) const
{
    const qsizetype index = name.isNull() ? -1 : m_ratingNames.indexOf(name);
    return index < 0 ? QString() : m_ratingValues.value(index);
}

QString ContentRating::ratingNameForValue(const QString& value) const
{
    const qsizetype index = value.isNull() ? -1 : m_ratingValues.indexOf(value);
    return index < 0 ? QString() : m_ratingNames.value(index);
}

qint64 ContentRating::indexOfRatingValue(const QString& value) const
{
    if (value.isEmpty())
        return NotFound;
    const std::optional<QString> name = ratingNameOf(value);
    if (!name)
        return NotFound;
    for (qsizetype i = 0; i < m_ratingValues.size(); ++i) {
        const std::optional<QString> entryName = ratingNameOf(m_ratingValues.at(i));
        if (entryName && *entryName == *name)
            return i;
    }
    return NotFound;
}
