#pragma once

#include <QString>
#include <QStringList>

// The languages and countries the application supports. Two-letter language
// codes serve the user interface, the settings and web queries; three-letter
// codes are the languages of a movie file's tracks; two-letter country codes
// choose the rating table and the country of web queries. Display names come
// from the localised strings under "<code>LanguageName" / "<code>CountryName".
class LanguageUtilities {
public:
    // The track code of a subtitle: "deu", "fra" and "nld" where the
    // three-letter table has "ger", "fre" and "dut"; "eng" when unsupported.
    static QString subtitleLanguageCode(const QString& language);
    // The language code whose three-letter code is `code`; "en" when none is.
    static QString twoDigitLanguageCode(const QString& code);

    // The 15 language codes in their fixed order.
    QStringList listOfSupportedLanguages() const;
    // The countries of the rating tables.
    QStringList listOfSupportedLocales() const;
    // The country of a language ("en" -> "us", "sv" -> "se", ...), else the
    // code itself.
    QString languageToLocale(const QString& language) const;

    QString localizedNameOfLanguage(const QString& language) const;
    QString localizedNameOfLocale(const QString& locale) const;
    QString languageCodeForlocalizedName(const QString& name) const;  // "en" when none
    QString localeCodeForlocalizedName(const QString& name) const;    // "us" when none

    // The codes ordered by their display names, made by putting each code in
    // place of "%@" in `formatString` ("%@LanguageName") and looking that up.
    QStringList sortListOfLables(const QStringList& codes, const QString& formatString) const;
    QStringList localizedLanguageList() const;
    QStringList localizedLocaleList() const;

private:
    QStringList sortedDisplayNames(const QStringList& codes, const QString& formatString) const;
};
