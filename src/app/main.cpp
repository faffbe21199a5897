#include "app/mainwindow.h"
#include "app/messageboxalerts.h"
#include "online/moviegenre.h"
#include "online/tmdbapi.h"
#include "tagging/mp4logbridge.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvalane");
    MessageBoxAlerts alerts;
    // The file library's own diagnostics join the application's log.
    const Mp4LogBridge fileLibraryLog;

    // The genre tables take the database's names through the movie database client.
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);

    MainWindow window;
    window.show();
    // Files handed over on the command line (the desktop entry passes %F).
    window.openFiles(QApplication::arguments().mid(1));
    return app.exec();
}
