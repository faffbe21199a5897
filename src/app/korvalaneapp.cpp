#include "app/korvalaneapp.h"

#include "online/moviegenre.h"
#include "online/tmdbapi.h"

#include <QMainWindow>
#include <QTimer>

KorvalaneApp::KorvalaneApp()
{
    // The genre tables take the database's names through the movie database client.
    MovieGenre::setGenreNameLoader(&TMDbAPI::loadGenreNames);
    // Every setting has its default before the main window reads any.
    AppDelegate::initialize();
    m_controller = std::make_unique<KorvalaneController>();
    m_delegate = std::make_unique<AppDelegate>(*m_controller);
}

KorvalaneApp::~KorvalaneApp() = default;

void KorvalaneApp::launch(const QStringList& paths)
{
    m_controller->mainWindow()->show();
    if (!paths.isEmpty())
        m_delegate->openFiles(paths);
    // Once the main window is on the screen.
    QTimer::singleShot(0, m_delegate.get(), &AppDelegate::applicationDidFinishLaunching);
}
