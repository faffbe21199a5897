// The search country, language and FSK choice changed in the preferences:
// the record editor's rating menu offers the new ratings at once, and a
// rating chosen there is stored in the new country's system.
#include "journey.h"

#include "app/korvalanecontroller.h"
#include "app/preferencewindowcontroller.h"
#include "model/contentrating.h"
#include "platform/localized.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>

namespace journeys {
namespace {

using SearchCountryJourney = Journey;

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

TEST_F(SearchCountryJourney, TheRatingMenuFollowsTheChosenCountry)
{
    makeMovie("Alien #1979.m4v");
    openWorkFolder(1);
    const std::shared_ptr<MovieModel> movie = list().arrangedObjects().first();
    Ui::MainWindow& ui = m_controller->ui();
    EXPECT_EQ(itemsOf(ui.ratingComboBox), ContentRating("de").ratingNames());

    const struct {
        const char* country;
        const char* language;
        bool fsk;
        const char* locale;
        const char* rating;
        const char* stored;
    } steps[] = {
        {"usCountryName", "enLanguageName", false, "us", "R", "mpaa|R|400|"},
        {"frCountryName", "enLanguageName", false, "fr", "-16", "fr-movie|-16|375|"},
        {"deCountryName", "deLanguageName", false, "de", "ab 12 Jahren", "de-movie|ab 12 Jahren|200|"},
        {"deCountryName", "deLanguageName", true, "de", "FSK 16", "de-movie|FSK 16|500|"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.rating);
        changePreferences([&](PreferenceWindowController& window) {
            choose(window.findChild<QComboBox*>("countryCombo"), platform::localized(step.country));
            choose(window.findChild<QComboBox*>("languageCombo"), platform::localized(step.language));
            auto* fsk = window.findChild<QCheckBox*>("UseFSKRatingsInsteadOfAbJahrenCheck");
            if (fsk->isChecked() != step.fsk)
                fsk->click();
        });
        EXPECT_EQ(itemsOf(ui.ratingComboBox), ContentRating(step.locale).ratingNames());
        choose(ui.ratingComboBox, step.rating);
        EXPECT_EQ(movie->rating(), step.stored);
        EXPECT_EQ(ui.ratingComboBox->currentText(), step.rating);
    }
}

}  // namespace
}  // namespace journeys
