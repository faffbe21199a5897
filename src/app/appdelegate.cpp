#include "app/appdelegate.h"

#include "app/korvalanecontroller.h"
#include "app/tipwindowcontroller.h"
#include "model/languageutilities.h"
#include "platform/localized.h"
#include "platform/settings.h"

#include <QDialog>
#include <QLocale>
#include <QMainWindow>
#include <QUrl>

AppDelegate::AppDelegate(KorvalaneController& controller, QObject* parent)
    : QObject(parent),
      m_korvalaneController(controller),
      m_startupWindowMaker([](QMainWindow* mainWindow, StartupWindow kind) -> std::unique_ptr<QDialog> {
          return std::make_unique<TipWindowController>(mainWindow, kind);
      })
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::initialize()
{
    initialize(QLocale::system().uiLanguages());
}

void AppDelegate::initialize(const QStringList& preferredLanguages)
{
    QString language = QStringLiteral("en");
    QString country = QStringLiteral("us");
    setPreferredLanguage(language, country, preferredLanguages);
    // Every text the user sees follows the language worked out here.
    platform::setLocalizationLanguage(language);
    registerDefaults(language, country);
}

void AppDelegate::registerDefaults(const QString& language, const QString& country)
{
    QVariantMap defaults;
    for (const auto& [key, value] : defaultSettings(language, country))
        defaults.insert(key, value);
    platform::Settings::shared().registerDefaults(defaults);
}

void AppDelegate::setPreferredLanguage(QString& language, QString& locale, const QStringList& preferredLanguages)
{
    const LanguageUtilities languages;
    if (preferredLanguages.isEmpty()) {
        language = QStringLiteral("en");
        locale = QStringLiteral("us");
        return;
    }
    const QString tag = preferredLanguages.first();
    if (tag.size() == 5) {
        // The form de-DE; the separator itself is not looked at.
        language = tag.left(2).toLower();
        locale = tag.mid(3).toLower();
    } else {
        language = tag.toLower().left(2);
        locale = languages.languageToLocale(language);
    }
    if (!languages.listOfSupportedLocales().contains(locale))
        locale = QStringLiteral("us");
    if (!languages.listOfSupportedLanguages().contains(language))
        language = QStringLiteral("en");
}

AppDelegate::DefaultSettings AppDelegate::defaultSettings(const QString& language, const QString& country)
{
    return {
        {"OpenCoverWindowAtLaunch", false},
        {"AutomaticSearchForMovie", false},
        {"SortMovieNamesWithoutArticle", true},
        {"UseFSKRatingsInsteadOfAbJahren", false},
        {"DontOverwriteWithEmptyStrings", true},
        {"MoveTaggedFilesToiTunes", false},
        {"AutomaticSearchForSubtitles", false},
        {"AutomaticSearchForChapters", false},
        {"OverwriteExistingSubtitles", false},
        {"DoNotAutomaticLoadCoverPictures", false},
        {"DontShowTipsAtStartup", false},
        {"DontShowWarningsAtStartup", false},
        {"DontShowNewsAtStartup_2_5_0", false},
        {"ReplaceExistingCoverPictures", false},
        {"SearchForMovieFilesRecursivly", false},
        {"DoNotOverWriteMediaType", false},
        {"WritePLEXFiles", false},
        {"SeparateFoldersForPLEXFiles", false},
        {"LastDisplayedTip", qint64(-1)},
        {"LastDisplayedWarning", qint64(0)},
        {"LastDisplayedNews", qint64(0)},
        {"SizeOfCoverInSearchWindow", qint64(2)},
        {"CopyBehaviorOfMovieSearch", qint64(1)},
        {"FileNamePatternForSaving", qint64(0)},
        {"FileNamePlaceHolderPattern", platform::localized(QStringLiteral("startFilePattern"))},
        {"UseFileNameDelimiterForTitle", false},
        {"DoNotReplaceUnderscoresAndDots", false},
        {"UseRegExForTitleExtraction", false},
        {"UseTMDBGenres", false},
        {"OnlyUserDefinedGenres", false},
        {"ListTMDbGenresAsList", false},
        {"ParseFileNameForTitleDelimiter", QString("")},
        {"ParseFileNameForTitleDelimiterBegin", QString("")},
        {"CountrySettingsForSearch", country},
        {"LanguageSettingsForSearch", language},
        {"NSDisabledCharacterPaletteMenuItem", true},
        {"DefaultChapterSetting", qint64(1)},
        {"FiledsNotToBeOverwritten", QStringList()},
        {"WorkingDirectoryBookmark", QByteArray()},
        {"UserDefinedGenres", QStringList()},
    };
}

QMainWindow* AppDelegate::window() const
{
    return m_korvalaneController.mainWindow();
}

bool AppDelegate::openFiles(const QStringList& paths)
{
    QVariantList urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return m_korvalaneController.loadMoviesByURL(urls);
}

void AppDelegate::applicationDidFinishLaunching()
{
    window()->setMouseTracking(true);
    runStartupWindow(QStringLiteral("DontShowWarningsAtStartup"), WarningWindow);
    runStartupWindow(QStringLiteral("DontShowNewsAtStartup_2_5_0"), WhatsNewWindow);
    TipWindowController* tips = m_korvalaneController.tipController();
    if (platform::Settings::shared().boolValue(QStringLiteral("DontShowTipsAtStartup")) || !tips)
        return;
    tips->adjustToDefaultSize(window());
    tips->show();
    tips->next();
}

void AppDelegate::runStartupWindow(const QString& switchKey, StartupWindow kind)
{
    if (platform::Settings::shared().boolValue(switchKey) || !m_startupWindowMaker)
        return;
    // Exists only while it is shown; blocks until the user closes it.
    if (const std::unique_ptr<QDialog> dialog = m_startupWindowMaker(window(), kind)) {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->exec();
        dialog->hide();
    }
}
