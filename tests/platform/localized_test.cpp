#include "platform/localized.h"

#include <gtest/gtest.h>

using platform::localized;

namespace {

class LocalizedTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = platform::localizationLanguage(); }
    void TearDown() override { platform::setLocalizationLanguage(m_previous); }
    QString m_previous;
};

}  // namespace

TEST_F(LocalizedTest, EachLanguageHasItsOwnTable)
{
    platform::setLocalizationLanguage("en");
    EXPECT_EQ(platform::localizationLanguage(), "en");
    EXPECT_EQ(localized("deLanguageName"), "German");
    platform::setLocalizationLanguage("de");
    EXPECT_EQ(platform::localizationLanguage(), "de");
    EXPECT_EQ(localized("deLanguageName"), "Deutsch");
    EXPECT_EQ(localized("atCountryName"), QString::fromUtf8("Österreich"));
}

TEST_F(LocalizedTest, UnknownLanguagesUseEnglish)
{
    platform::setLocalizationLanguage("fr");
    EXPECT_EQ(platform::localizationLanguage(), "en");
    EXPECT_EQ(localized("frLanguageName"), "French");
}

TEST_F(LocalizedTest, KeyWithoutTranslationComesBackAsItself)
{
    for (const char* language : {"en", "de"}) {
        platform::setLocalizationLanguage(language);
        EXPECT_EQ(localized("noSuchKeyAnywhere"), "noSuchKeyAnywhere") << language;
        EXPECT_EQ(localized(""), "") << language;
    }
}
