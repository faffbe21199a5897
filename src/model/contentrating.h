#pragma once

#include <QString>
#include <QStringList>

#include <limits>
#include <optional>

// The content ratings a user can choose for one country, paired with the
// rating string each stores in a movie file ("de-movie|FSK 12|200|"). The
// tables are fixed and shared; an instance is bound to one country.
class ContentRating {
public:
    // What indexOfRatingValue() answers when nothing matches.
    static constexpr qint64 NotFound = std::numeric_limits<qint64>::max();

    // The country keys of the tables without "deFSK" (26, "en" and "us" both).
    static QStringList listOfSupportedLocales();

    // Bound to the country of the setting "CountrySettingsForSearch" ("us"
    // when it is missing, "xx" or not supported).
    ContentRating();
    explicit ContentRating(const QString& locale);

    // An unsupported key binds to "us". The lists are chosen now: a later
    // change of the settings reaches only instances bound afterwards.
    void setLocale(const QString& locale);
    const QString& locale() const { return m_locale; }

    bool supportsLocale(const QString& locale) const;
    // For "de" with "UseFSKRatingsInsteadOfAbJahren" on, the "deFSK" lists;
    // nullopt for an unsupported key.
    std::optional<QStringList> ratingNamesForLocale(const QString& locale) const;
    std::optional<QStringList> ratingValuesForLocale(const QString& locale) const;

    // Exact look-ups in the bound lists; a null QString when nothing matches.
    QString ratingValueForName(const QString& name) const;
    QString ratingNameForValue(const QString& value) const;

    // Position in the bound lists of the entry whose rating name (the text
    // between the first and second "|") equals that of `value`, whatever its
    // rating system; NotFound when there is none.
    qint64 indexOfRatingValue(const QString& value) const;

    const QStringList& ratingNames() const { return m_ratingNames; }
    const QStringList& ratingValues() const { return m_ratingValues; }

private:
    QString m_locale;
    QStringList m_ratingNames;
    QStringList m_ratingValues;
};
