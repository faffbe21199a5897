#include "model/languageutilities.h"
#include "platform/localized.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

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

// Each input gives its expected output; a failure names the input.
template <typename Function>
void expectMapping(Function function, std::initializer_list<std::pair<QString, QString>> cases)
{
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(function(input), expected) << "input: \"" << input.toStdString() << '"';
}

}  // namespace

TEST_F(LanguageUtilitiesTest, CodeTables)
{
    EXPECT_EQ(m_utilities.listOfSupportedLanguages(),
              (QStringList{"en", "de", "fr", "da", "fi", "el", "it", "ja", "nl", "pl", "no", "pt", "ru", "sv", "es"}));
    expectMapping(LanguageUtilities::subtitleLanguageCode, {{"de", "deu"},
                                                            {"nl", "nld"},
                                                            {"fr", "fra"},
                                                            {"el", "ell"},
                                                            {"en", "eng"},
                                                            {"sv", "swe"},
                                                            {"zh", "eng"},
                                                            {QString(), "eng"}});
    expectMapping(LanguageUtilities::twoDigitLanguageCode,
                  {{"ger", "de"}, {"ell", "el"}, {"dut", "nl"}, {"deu", "en"}, {"nld", "en"}, {"", "en"}});
}

TEST_F(LanguageUtilitiesTest, LanguageToLocale)
{
    expectMapping([this](const QString& code) { return m_utilities.languageToLocale(code); },
                  {{"zh", "cn"}, {"sv", "se"}, {"en", "us"}, {"ja", "jp"}, {"de", "de"}, {"xx", "xx"}});
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
    expectMapping([this](const QString& name) { return m_utilities.languageCodeForlocalizedName(name); },
                  {{"Swedish", "sv"}, {"swedish", "en"}, {"Klingon", "en"}});
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
