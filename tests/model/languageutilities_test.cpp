#include "model/languageutilities.h"
#include "platform/localized.h"

#include <gtest/gtest.h>

namespace {

class LanguageUtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
    }
    void TearDown() override { platform::setLocalizationLanguage(m_previous); }
    LanguageUtilities m_utilities;
    QString m_previous;
};

}  // namespace

TEST_F(LanguageUtilitiesTest, CodeTables)
{
    EXPECT_EQ(m_utilities.listOfSupportedLanguages(),
              (QStringList{"en", "de", "fr", "da", "fi", "el", "it", "ja", "nl", "pl", "no", "pt", "ru", "sv", "es"}));
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("de"), "deu");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("nl"), "nld");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("fr"), "fra");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("el"), "ell");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("en"), "eng");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("sv"), "swe");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode("zh"), "eng");
    EXPECT_EQ(LanguageUtilities::subtitleLanguageCode(QString()), "eng");
    EXPECT_EQ(LanguageUtilities::twoDigitLanguageCode("ger"), "de");
    EXPECT_EQ(LanguageUtilities::twoDigitLanguageCode("ell"), "el");
    EXPECT_EQ(LanguageUtilities::twoDigitLanguageCode("dut"), "nl");
    EXPECT_EQ(LanguageUtilities::twoDigitLanguageCode("deu"), "en");
    EXPECT_EQ(LanguageUtilities::twoDigitLanguageCode("nld"), "en");
    EXPECT_EQ(LanguageUtilities::twoDigitLanguageCode(""), "en");
}

TEST_F(LanguageUtilitiesTest, LanguageToLocale)
{
    EXPECT_EQ(m_utilities.languageToLocale("zh"), "cn");
    EXPECT_EQ(m_utilities.languageToLocale("sv"), "se");
    EXPECT_EQ(m_utilities.languageToLocale("en"), "us");
    EXPECT_EQ(m_utilities.languageToLocale("ja"), "jp");
    EXPECT_EQ(m_utilities.languageToLocale("de"), "de");
    EXPECT_EQ(m_utilities.languageToLocale("xx"), "xx");
    const QStringList locales = m_utilities.listOfSupportedLocales();
    EXPECT_EQ(locales.size(), 26);
    EXPECT_FALSE(locales.contains("deFSK"));
    // Every supported language maps to a supported country.
    for (const QString& language : m_utilities.listOfSupportedLanguages())
        EXPECT_TRUE(locales.contains(m_utilities.languageToLocale(language))) << language.toStdString();
}

TEST_F(LanguageUtilitiesTest, DisplayNamesAndTheirReverse)
{
    EXPECT_EQ(m_utilities.localizedNameOfLanguage("de"), "German");
    EXPECT_EQ(m_utilities.localizedNameOfLocale("gb"), "United Kingdom");
    EXPECT_EQ(m_utilities.localizedNameOfLanguage("xx"), "xxLanguageName");
    EXPECT_EQ(m_utilities.localizedNameOfLocale("xx"), "xxCountryName");
    EXPECT_EQ(m_utilities.languageCodeForlocalizedName("Swedish"), "sv");
    EXPECT_EQ(m_utilities.languageCodeForlocalizedName("swedish"), "en");
    EXPECT_EQ(m_utilities.languageCodeForlocalizedName("Klingon"), "en");
    EXPECT_EQ(m_utilities.localeCodeForlocalizedName("Klingon"), "us");
    // Every language and country has its own name, so each name leads back to its code.
    for (const QString& code : m_utilities.listOfSupportedLanguages())
        EXPECT_EQ(m_utilities.languageCodeForlocalizedName(m_utilities.localizedNameOfLanguage(code)), code);
    for (const QString& code : m_utilities.listOfSupportedLocales()) {
        EXPECT_NE(m_utilities.localizedNameOfLocale(code), code + "CountryName");
        EXPECT_EQ(m_utilities.localeCodeForlocalizedName(m_utilities.localizedNameOfLocale(code)), code);
    }
    platform::setLocalizationLanguage("de");
    EXPECT_EQ(m_utilities.localizedNameOfLanguage("de"), "Deutsch");
    EXPECT_EQ(m_utilities.localeCodeForlocalizedName(QString::fromUtf8("Österreich")), "at");
}

TEST_F(LanguageUtilitiesTest, ListsSortedByDisplayName)
{
    EXPECT_EQ(m_utilities.sortListOfLables({"sv", "de", "en", "xx"}, "%@LanguageName"),
              (QStringList{"en", "de", "sv", "xx"}));  // English, German, Swedish, xxLanguageName
    const QStringList languages = m_utilities.localizedLanguageList();
    EXPECT_EQ(languages.size(), 15);
    EXPECT_EQ(languages.first(), "Danish");
    EXPECT_EQ(languages.last(), "Swedish");
    EXPECT_TRUE(std::is_sorted(languages.begin(), languages.end()));
    const QStringList countries = m_utilities.localizedLocaleList();
    EXPECT_EQ(countries.size(), 26);
    EXPECT_TRUE(std::is_sorted(countries.begin(), countries.end()));
    platform::setLocalizationLanguage("de");
    // Case-sensitive code-unit order: "Ö" sorts after every ASCII letter.
    EXPECT_EQ(m_utilities.localizedLocaleList().last(), QString::fromUtf8("Österreich"));
}
