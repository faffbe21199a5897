#include "model/contentrating.h"
#include "platform/settings.h"

#include <gtest/gtest.h>

namespace {

using platform::Settings;

class ContentRatingTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Settings::shared().remove("UseFSKRatingsInsteadOfAbJahren");
        Settings::shared().remove("CountrySettingsForSearch");
    }
    static void useFsk(bool on) { Settings::shared().setValue("UseFSKRatingsInsteadOfAbJahren", on); }
};

std::string s(const QString& text)
{
    return text.isNull() ? std::string("<none>") : text.toStdString();
}

}  // namespace

TEST_F(ContentRatingTest, SupportedLocalesAreTheTwentySixCountries)
{
    const QStringList locales = ContentRating::listOfSupportedLocales();
    EXPECT_EQ(locales.size(), 26);
    EXPECT_FALSE(locales.contains("deFSK"));
    for (const char* key : {"en", "us", "gb", "de", "au", "at", "fr", "ca", "be", "br", "dk", "fi", "gr",
                            "ie", "it", "jp", "mx", "nl", "nz", "pl", "no", "pt", "ru", "se", "es", "ch"})
        EXPECT_TRUE(locales.contains(key)) << key;
    EXPECT_TRUE(ContentRating("us").supportsLocale("deFSK"));
    EXPECT_FALSE(ContentRating("us").supportsLocale("cn"));
}

TEST_F(ContentRatingTest, EveryTableRoundTripsNameValueName)
{
    QStringList keys = ContentRating::listOfSupportedLocales();
    keys << "deFSK";
    int total = 0;
    for (const QString& key : keys) {
        const ContentRating rating(key);
        ASSERT_EQ(rating.locale(), key);
        const QStringList& names = rating.ratingNames();
        const QStringList& values = rating.ratingValues();
        ASSERT_EQ(names.size(), values.size()) << s(key);
        ASSERT_GE(names.size(), 4) << s(key);
        EXPECT_EQ(names.first(), "---");
        EXPECT_TRUE(values.first().isEmpty());
        for (qsizetype i = 0; i < names.size(); ++i) {
            EXPECT_EQ(s(rating.ratingNameForValue(rating.ratingValueForName(names[i]))), s(names[i])) << s(key);
            EXPECT_EQ(s(rating.ratingValueForName(names[i])), s(values[i])) << s(key);
            // Stored names are unique within a table, so each value finds its own row.
            if (i > 0) {
                EXPECT_EQ(rating.indexOfRatingValue(values[i]), i) << s(values[i]);
            }
        }
        total += names.size();
    }
    // 26 tables with "---" each, and "us" repeating "en".
    EXPECT_EQ(total, 148 + 26 + 8);
}

TEST_F(ContentRatingTest, TableSizesAndSelectedValues)
{
    const std::pair<const char*, int> sizes[] = {
        {"en", 8}, {"us", 8}, {"gb", 12}, {"de", 6}, {"au", 8}, {"at", 7}, {"fr", 7}, {"ca", 9}, {"be", 4},
        {"br", 7}, {"dk", 6}, {"fi", 7},  {"gr", 5}, {"ie", 6}, {"it", 4}, {"jp", 5}, {"mx", 7}, {"nl", 6},
        {"nz", 8}, {"pl", 7}, {"no", 6},  {"pt", 6}, {"ru", 7}, {"se", 5}, {"es", 7}, {"ch", 8}, {"deFSK", 6},
    };
    for (const auto& [key, size] : sizes)
        EXPECT_EQ(ContentRating(key).ratingNames().size(), size) << key;

    EXPECT_EQ(ContentRating("us").ratingValues(), ContentRating("en").ratingValues());
    EXPECT_EQ(s(ContentRating("gb").ratingValueForName("Exempt")), "uk-movie|E|0|");
    EXPECT_EQ(s(ContentRating("at").ratingValueForName("ab 6")), "at-movie|6|200|");
    EXPECT_EQ(s(ContentRating("it").ratingValueForName("V.M. 14")), "it-movie|VM14|200|");
    EXPECT_EQ(s(ContentRating("es").ratingValueForName(QString::fromUtf8("Película X"))), "es-movie|P X|600|");
    EXPECT_EQ(s(ContentRating("us").ratingValueForName("Unrated")), "mpaa|Unrated|???|");
    EXPECT_EQ(s(ContentRating("nz").ratingValueForName("R18")), "nz-movie|R18|700|");
    EXPECT_EQ(s(ContentRating("de").ratingValueForName("ab 0 Jahren")), "de-movie|ab 0 Jahren|75|");
    EXPECT_EQ(s(ContentRating("br").ratingValueForName("18")), "br-movie|18|500|");
}

TEST_F(ContentRatingTest, BareValuesAreFoundExactly)
{
    const ContentRating canada("ca");
    EXPECT_EQ(s(canada.ratingNameForValue("ca-movie|14|325")), "14");
    EXPECT_EQ(s(canada.ratingNameForValue("ca-movie|14|325|")), "<none>");
    EXPECT_EQ(s(canada.ratingNameForValue("ca-movie|18|400")), "18");
    EXPECT_EQ(s(canada.ratingNameForValue("ca-movie|R|500")), "R");
    EXPECT_EQ(s(canada.ratingNameForValue("ca-movie|A|600")), "A");
    EXPECT_EQ(s(canada.ratingNameForValue("ca-movie|Unrated|")), "Unrated");
    EXPECT_EQ(s(canada.ratingNameForValue("")), "---");
    EXPECT_EQ(s(canada.ratingNameForValue(QString())), "<none>");
    EXPECT_EQ(s(ContentRating("fr").ratingNameForValue("fr-movie|TOUT PUBLIC|100")), "TOUT PUBLIC");
    EXPECT_EQ(s(ContentRating("fr").ratingNameForValue("fr-movie|TOUT PUBLIC|100|")), "<none>");
    EXPECT_EQ(s(ContentRating("au").ratingNameForValue("au-movie|Unrated|")), "Unrated");
    EXPECT_EQ(s(ContentRating("au").ratingNameForValue("au-movie|Unrated|???|")), "<none>");
}

TEST_F(ContentRatingTest, FskSwitchChoosesTheGermanNames)
{
    useFsk(true);
    ContentRating fsk("de");
    EXPECT_EQ(fsk.locale(), "de");
    EXPECT_EQ(fsk.ratingNames(), ContentRating("deFSK").ratingNames());
    EXPECT_EQ(s(fsk.ratingValueForName("FSK 12")), "de-movie|FSK 12|200|");
    EXPECT_EQ(s(fsk.ratingValueForName("ab 12 Jahren")), "<none>");

    useFsk(false);
    EXPECT_EQ(s(fsk.ratingValueForName("FSK 12")), "de-movie|FSK 12|200|");  // lists fixed when bound
    ContentRating jahre("de");
    EXPECT_EQ(s(jahre.ratingValueForName("ab 12 Jahren")), "de-movie|ab 12 Jahren|200|");
    EXPECT_EQ(s(jahre.ratingValueForName("FSK 12")), "<none>");
    EXPECT_EQ(ContentRating("deFSK").ratingNames().value(3), "FSK 12");  // whatever the switch
    EXPECT_FALSE(jahre.ratingNamesForLocale("cn").has_value());
    EXPECT_FALSE(jahre.ratingValuesForLocale("xx").has_value());
}

TEST_F(ContentRatingTest, UnsupportedCountriesBindToUs)
{
    for (const QString& key : {QString("xx"), QString("cn"), QString(), QString("")}) {
        const ContentRating rating(key);
        EXPECT_EQ(rating.locale(), "us");
        EXPECT_EQ(rating.ratingNames().value(1), "Not Rated");
    }
    EXPECT_EQ(ContentRating().locale(), "us");
    Settings::shared().setValue("CountrySettingsForSearch", "xx");
    EXPECT_EQ(ContentRating().locale(), "us");
    Settings::shared().setValue("CountrySettingsForSearch", "gb");
    EXPECT_EQ(ContentRating().locale(), "gb");
    Settings::shared().setValue("CountrySettingsForSearch", QVariantList{1, 2});
    EXPECT_EQ(ContentRating().locale(), "us");
}

TEST_F(ContentRatingTest, IndexMatchesByNameAcrossSystems)
{
    const ContentRating us("us");
    EXPECT_EQ(us.indexOfRatingValue("mpaa|R|400|"), 5);
    EXPECT_EQ(us.indexOfRatingValue(""), ContentRating::NotFound);
    EXPECT_EQ(us.indexOfRatingValue(QString()), ContentRating::NotFound);
    EXPECT_EQ(us.indexOfRatingValue("mpaa"), ContentRating::NotFound);
    EXPECT_EQ(us.indexOfRatingValue("de-movie|FSK 12|200|"), ContentRating::NotFound);
    EXPECT_EQ(us.indexOfRatingValue("x|Unrated"), 7);
    EXPECT_EQ(ContentRating("gb").indexOfRatingValue("mpaa|PG|200|"), 4);
    const ContentRating austria("at");
    EXPECT_EQ(austria.indexOfRatingValue("at-movie|6|200|"), 2);
    EXPECT_EQ(austria.indexOfRatingValue("ch-movie|6|999|"), 2);
    EXPECT_EQ(austria.indexOfRatingValue("|"), ContentRating::NotFound);
    EXPECT_EQ(ContentRating::NotFound, std::numeric_limits<qint64>::max());
}
