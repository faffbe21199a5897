#include "app/appdelegate.h"
#include "app/korvalanecontroller.h"
#include "app/messageboxalerts.h"
#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "tagging/mp4logbridge.h"

#include <QApplication>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvalane");
    QApplication::setDesktopFileName("korvalane");
    MessageBoxAlerts alerts;
    // The file library's own diagnostics join the application's log.
    const Mp4LogBridge fileLibraryLog;

    // The genre tables take the database's names through the movie database client.
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);

    // Every setting has its default before the main window reads any.
    AppDelegate::initialize();
    KorvalaneController controller;
    AppDelegate delegate(controller);
    controller.mainWindow()->show();
    // Files handed over on the command line (the desktop entry passes %F).
    const QStringList paths = QApplication::arguments().mid(1);
    if (!paths.isEmpty())
        delegate.openFiles(paths);
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return app.exec();
}
