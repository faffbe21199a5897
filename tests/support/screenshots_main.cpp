// korvalane-screenshots <library folder> <picture folder>: runs the real
// application, drives it through a user's round (see ScreenshotDriver) and
// writes pictures of its windows. scripts/screenshots runs it under Xvfb
// against the fake services; it refuses settings outside the temporary
// folder, so a user's own are never touched.
#include "app/korvalaneapp.h"
#include "model/moviemodel.h"
#include "platform/settings.h"
#include "support/screenshotdriver.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

namespace {

bool settingsAreTemporary()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString temporary = QDir(QDir::tempPath()).canonicalPath();
    return !config.isEmpty() && QDir(config).canonicalPath().startsWith(temporary + "/") &&
           QDir::home().canonicalPath().startsWith(temporary + "/");
}

// German searches (the fake services answer those), the subtitle and the
// chapters fetched with each lookup, and no start-up windows in the way.
void storeSettings()
{
    platform::Settings& settings = platform::Settings::shared();
    settings.setValue("LanguageSettingsForSearch", "de");
    settings.setValue("CountrySettingsForSearch", "de");
    settings.setValue("AutomaticSearchForSubtitles", true);
    settings.setValue("AutomaticSearchForChapters", true);
    settings.setValue("DefaultChapterSetting", MovieModel::kChaptersFromChapterFileOrDb);
    settings.setValue("DontShowTipsAtStartup", true);
    settings.setValue("DontShowWarningsAtStartup", true);
    settings.setValue("DontShowNewsAtStartup_2_5_0", true);
    settings.synchronize();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Korvalane");
    QStringList arguments = QApplication::arguments();
    // --screen <name>: only the picture of the whole screen with the main window as it opened.
    QString screenPicture;
    if (arguments.size() == 5 && arguments.at(1) == "--screen") {
        screenPicture = arguments.at(2);
        arguments.remove(1, 2);
    }
    if (arguments.size() != 3) {
        std::fprintf(stderr, "use: korvalane-screenshots [--screen <name>] <library folder> <picture folder>\n");
        return 2;
    }
    if (!settingsAreTemporary()) {
        std::fprintf(stderr, "korvalane-screenshots: HOME and XDG_CONFIG_HOME must lie in %s\n",
                     qPrintable(QDir::tempPath()));
        return 2;
    }
    storeSettings();
    KorvalaneApp korvalane;
    korvalane.launch({});
    ScreenshotDriver driver(korvalane, arguments.at(1), arguments.at(2));
    int result = 1;
    QTimer::singleShot(0, [&driver, &result, &screenPicture] {
        result = (screenPicture.isEmpty() ? driver.run() : driver.pictureOfTheScreen(screenPicture)) ? 0 : 1;
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
