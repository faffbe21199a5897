#include "languageutilities.h"

#include "model/contentrating.h"
#include "platform/localized.h"

#include <algorithm>
#include <utility>

namespace {

struct Language {
    const char* code;
    const char* threeLetter;
    const char* subtitleTrack;
};

constexpr Language languages[] = {
    {"en", "eng", "eng"}, {"de", "ger", "deu"}, {"fr", "fre", "fra"}, {"da", "dan", "dan"}, {"fi", "fin", "fin"},
    {"el", "ell", "ell"}, {"it", "ita", "ita"}, {"ja", "jpn", "jpn"}, {"nl", "dut", "nld"}, {"pl", "pol", "pol"},
    {"no", "nor", "nor"}, {"pt", "por", "por"}, {"ru", "rus", "rus"}, {"sv", "swe", "swe"}, {"es", "spa", "spa"},
};

// Languages whose country code differs from the language code. "zh" is not
// a supported language; start-up uses it to pick a country.
constexpr std::pair<const char*, const char*> countryExceptions[] = {
    {"en", "us"}, {"da", "dk"}, {"el", "gr"}, {"ja", "jp"}, {"sv", "se"}, {"zh", "cn"},
};

const QString languageNameFormat = QStringLiteral("%@LanguageName");
const QString countryNameFormat = QStringLiteral("%@CountryName");

QString displayName(const QString& code, const QString& formatString)
{
    QString key = formatString;
    key.replace(QStringLiteral("%@"), code);
    return platform::localized(key);
}

QString codeForDisplayName(const QStringList& codes, const QString& formatString, const QString& name,
                           const QString& fallback)
{
    for (const QString& code : codes)
        if (displayName(code, formatString) == name)
            return code;
    return fallback;
}

}  // namespace

QString LanguageUtilities::subtitleLanguageCode(const QString& language)
{
    for (const Language& entry : languages)
        if (language == QLatin1String(entry.code))
            return QString::fromLatin1(entry.subtitleTrack);
    return QStringLiteral("eng");
}

QString LanguageUtilities::twoDigitLanguageCode(const QString& code)
{
    for (const Language& entry : languages)
        if (code == QLatin1String(entry.threeLetter))
            return QString::fromLatin1(entry.code);
    return QStringLiteral("en");
}

QStringList LanguageUtilities::listOfSupportedLanguages() const
{
    QStringList codes;
    for (const Language& entry : languages)
        codes << QString::fromLatin1(entry.code);
    return codes;
}

QStringList LanguageUtilities::listOfSupportedLocales() const
{
    return ContentRating::listOfSupportedLocales();
}

QString LanguageUtilities::languageToLocale(const QString& language) const
{
    for (const auto& [from, to] : countryExceptions)
        if (language == QLatin1String(from))
            return QString::fromLatin1(to);
    return language;
}

QString LanguageUtilities::localizedNameOfLanguage(const QString& language) const
{
    return displayName(language, languageNameFormat);
}

QString LanguageUtilities::localizedNameOfLocale(const QString& locale) const
{
    return displayName(locale, countryNameFormat);
}

QString LanguageUtilities::languageCodeForlocalizedName(const QString& name) const
{
    return codeForDisplayName(listOfSupportedLanguages(), languageNameFormat, name, QStringLiteral("en"));
}

QString LanguageUtilities::localeCodeForlocalizedName(const QString& name) const
{
    return codeForDisplayName(listOfSupportedLocales(), countryNameFormat, name, QStringLiteral("us"));
}

QStringList LanguageUtilities::sortListOfLables(const QStringList& codes, const QString& formatString) const
{
    QList<std::pair<QString, QString>> named;
    for (const QString& code : codes)
        named.append({displayName(code, formatString), code});
    // Plain code-unit order, not locale-aware, as the choosers have always shown it.
    std::stable_sort(named.begin(), named.end(),
                     [](const auto& a, const auto& b) { return QString::compare(a.first, b.first) < 0; });
    QStringList sorted;
    for (const auto& entry : named)
        sorted << entry.second;
    return sorted;
}

QStringList LanguageUtilities::localizedLanguageList() const
{
    return sortedDisplayNames(listOfSupportedLanguages(), languageNameFormat);
}

QStringList LanguageUtilities::localizedLocaleList() const
{
    return sortedDisplayNames(listOfSupportedLocales(), countryNameFormat);
}

QStringList LanguageUtilities::sortedDisplayNames(const QStringList& codes, const QString& formatString) const
{
    QStringList names;
    for (const QString& code : sortListOfLables(codes, formatString))
        names << displayName(code, formatString);
    return names;
}
