// The id, tips, what's-new and preferences windows, and the main window's end.
#include "app/korvalanecontroller.h"

#include "app/idpanel.h"
#include "app/movielistcontroller.h"
#include "online/opensubtitleapi.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>

#include <functional>

namespace {

// Tells the controller when its window is about to close.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QObject* parent, std::function<void()> willClose) : QObject(parent), m_willClose(std::move(willClose))
    {
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            m_willClose();
        return false;
    }

private:
    std::function<void()> m_willClose;
};

}  // namespace

void KorvalaneController::watchMainWindowClose()
{
    m_mainWindow->installEventFilter(new CloseWatcher(this, [this] { windowWillClose(); }));
}

void KorvalaneController::openIDWindow()
{
    if (!m_idWindow)
        m_idWindow = new IdPanel(*m_movieListController, m_mainWindow.get());
    m_idWindow->setVisible(!m_idWindow->isVisible());
}

void KorvalaneController::openTipsWindow()
{
}

void KorvalaneController::openWhatsNewWindow()
{
}

void KorvalaneController::preferencesMenu()
{
}

void KorvalaneController::windowWillClose()
{
    if (m_subtitleAPI)
        m_subtitleAPI->logOut();
    QCoreApplication::quit();
}
