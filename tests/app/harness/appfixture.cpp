#include "app/harness/appfixture.h"

#include "app/appdelegate.h"
#include "platform/settings.h"

#include <QDir>
#include <QMainWindow>
#include <QPixmap>

void AppFixture::SetUp()
{
    platform::Settings::useFolder(m_factory.path(QStringLiteral("settings")));
    AppDelegate::initialize({QStringLiteral("en-US")});
    m_alerts = std::make_unique<platform::RecordingAlerts>();
    m_controller = std::make_unique<KorvalaneController>();
    m_controller->mainWindow()->resize(1400, 820);
}

void AppFixture::TearDown()
{
    m_controller.reset();
    m_alerts.reset();
}

QStringList AppFixture::makeMovies(const QStringList& names, bool tagged)
{
    const QString cover = tagged ? m_factory.makeImage(QStringLiteral("cover.jpg"), 48, 64) : QString();
    QStringList files;
    for (const QString& name : names) {
        testsupport::MovieRecipe recipe;
        recipe.seconds = 1.0;
        recipe.width = 160;
        recipe.height = 120;
        if (tagged) {
            recipe.metadata = {{QStringLiteral("title"), name}};
            recipe.coverImages = {cover};
        }
        files << m_factory.make(recipe, name + QStringLiteral(".m4v"));
    }
    return files;
}

void AppFixture::loadMovies(const QStringList& names, bool tagged)
{
    ASSERT_TRUE(m_controller->loadMoviesByURL(makeMovies(names, tagged)));
    ASSERT_EQ(list().arrangedObjects().size(), names.size());
}

void AppFixture::grabWindow(const QString& name) const
{
    const QString folder = qEnvironmentVariable("KORVALANE_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    m_controller->mainWindow()->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}
