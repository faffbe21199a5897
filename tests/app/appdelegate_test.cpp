#include "app/appdelegate.h"
#include "app/harness/appfixture.h"
#include "platform/settings.h"

#include <QDialog>
#include <QMainWindow>
#include <QTimer>

#include <QRegularExpression>
#include <QSet>

namespace {

struct LanguageCase {
    QStringList preferred;
    const char* language;
    const char* country;
};

void PrintTo(const LanguageCase& tags, std::ostream* out)
{
    *out << tags.preferred.join(',').toStdString();
}

class PreferredLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(PreferredLanguage, LanguageAndCountryComeFromTheFirstTagWithFallbacks)
{
    QString language = "en";
    QString country = "us";
    AppDelegate::setPreferredLanguage(language, country, GetParam().preferred);
    EXPECT_EQ(language, GetParam().language);
    EXPECT_EQ(country, GetParam().country);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, PreferredLanguage,
    ::testing::Values(LanguageCase{{"de-DE", "en-US"}, "de", "de"},  // only the first tag counts
                      LanguageCase{{"en-US"}, "en", "us"}, LanguageCase{{"pt-BR"}, "pt", "br"},
                      LanguageCase{{"DE-at"}, "de", "at"},  // lower-cased
                      LanguageCase{{"de_CH"}, "de", "ch"},  // the separator is not looked at
                      LanguageCase{{"en"}, "en", "us"},     // country from the language
                      LanguageCase{{"sv"}, "sv", "se"},
                      LanguageCase{{"es-419"}, "es", "es"},  // longer tags: never the rest of the tag
                      LanguageCase{{"sv-Latn-SE"}, "sv", "se"},
                      LanguageCase{{"zh-Hans-CN"}, "en", "us"},  // neither "zh" nor "cn" is supported
                      LanguageCase{{"de-CN"}, "de", "us"},       // unsupported country, language kept
                      LanguageCase{{"ca-ES"}, "en", "es"},       // unsupported language, country kept
                      LanguageCase{{}, "en", "us"}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) {
        const QString tag = info.param.preferred.isEmpty() ? QString("none") : info.param.preferred.first();
        return QString(tag).replace(QRegularExpression("[^A-Za-z0-9]"), "_").toStdString();
    });

class RegisteredSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Settings::useFolder(m_folder.path());
        AppDelegate::initialize({"de-AT"});
    }
    QTemporaryDir m_folder;
};

TEST_F(RegisteredSettings, FortyDistinctKeysWithTheWorkedOutLanguageAndCountry)
{
    const AppDelegate::DefaultSettings defaults = AppDelegate::defaultSettings("fr", "ca");
    QSet<QString> keys;
    for (const auto& [key, value] : defaults)
        keys.insert(key);
    EXPECT_EQ(defaults.size(), 40);
    EXPECT_EQ(keys.size(), 40);
    EXPECT_EQ(defaults.first().first, "OpenCoverWindowAtLaunch");
    EXPECT_EQ(defaults.last().first, "UserDefinedGenres");

    const platform::Settings& settings = platform::Settings::shared();
    EXPECT_EQ(settings.registeredDefaults().size(), 40);
    EXPECT_EQ(settings.stringValue("LanguageSettingsForSearch"), "de");
    EXPECT_EQ(settings.stringValue("CountrySettingsForSearch"), "at");
    EXPECT_EQ(settings.integerValue("LastDisplayedTip"), -1);
    EXPECT_EQ(settings.integerValue("SizeOfCoverInSearchWindow"), 2);
    EXPECT_TRUE(settings.boolValue("SortMovieNamesWithoutArticle"));
    EXPECT_FALSE(settings.boolValue("AutomaticSearchForMovie"));
    EXPECT_EQ(settings.stringListValue("FiledsNotToBeOverwritten"), QStringList());
    EXPECT_FALSE(settings.stringValue("FileNamePlaceHolderPattern").isEmpty());
    // Registered, never stored.
    EXPECT_FALSE(QFile::exists(settings.fileName()));
}

TEST_F(RegisteredSettings, AStoredCountryWinsUntilItIsRemoved)
{
    platform::Settings& settings = platform::Settings::shared();
    settings.setValue("CountrySettingsForSearch", "fr");
    AppDelegate::initialize({"de-AT"});
    EXPECT_EQ(settings.stringValue("CountrySettingsForSearch"), "fr");
    settings.remove("CountrySettingsForSearch");
    EXPECT_EQ(settings.stringValue("CountrySettingsForSearch"), "at");
}

TEST_F(RegisteredSettings, AValueStoredWithTheWrongTypeReadsAsTheDefault)
{
    platform::Settings& settings = platform::Settings::shared();
    settings.setValue("SortMovieNamesWithoutArticle", "perhaps");
    settings.setValue("DefaultChapterSetting", "many");
    EXPECT_TRUE(settings.boolValue("SortMovieNamesWithoutArticle"));
    EXPECT_EQ(settings.integerValue("DefaultChapterSetting"), 1);
}

using OpenFiles = AppFixture;

TEST_F(OpenFiles, FilesFromTheSystemLoadOnceAndRepliesFollowTheLoad)
{
    AppDelegate delegate(*m_controller);
    const QStringList files = makeMovies({"one", "two"});
    EXPECT_TRUE(delegate.openFiles(files));
    EXPECT_EQ(list().arrangedObjects().size(), 2);
    EXPECT_EQ(list().selectionIndexes(), (MovieList::IndexSet{0, 1}));
    // The same files again add nothing: a failure reply.
    EXPECT_FALSE(delegate.openFiles(files));
    EXPECT_EQ(list().arrangedObjects().size(), 2);
    EXPECT_FALSE(delegate.openFiles({}));
}

TEST_F(OpenFiles, StartUpWindowsComeInOrderUnlessSwitchedOff)
{
    AppDelegate delegate(*m_controller);
    QList<AppDelegate::StartupWindow> made;
    delegate.setStartupWindowMaker([&made](QMainWindow* mainWindow, AppDelegate::StartupWindow kind) {
        made << kind;
        auto dialog = std::make_unique<QDialog>(mainWindow);
        // The user closes each window at once.
        QTimer::singleShot(0, dialog.get(), &QDialog::accept);
        return dialog;
    });
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(made, (QList<AppDelegate::StartupWindow>{AppDelegate::WarningWindow, AppDelegate::WhatsNewWindow}));

    platform::Settings::shared().setValue("DontShowWarningsAtStartup", true);
    made.clear();
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(made, QList<AppDelegate::StartupWindow>{AppDelegate::WhatsNewWindow});

    platform::Settings::shared().setValue("DontShowNewsAtStartup_2_5_0", true);
    platform::Settings::shared().setValue("DontShowTipsAtStartup", true);
    made.clear();
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(made.isEmpty());
    EXPECT_TRUE(delegate.openFiles(makeMovies({"late"})));
}

}  // namespace
