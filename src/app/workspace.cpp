#include "app/workspace.h"

#include "app/desktopworkspace.h"
#include "platform/alerts.h"

namespace {

Workspace*& installed()
{
    static Workspace* workspace = nullptr;
    return workspace;
}

}  // namespace

bool Workspace::openOrShowAddress(const QUrl& url)
{
    if (current().openURL(url))
        return true;
    const QString address = url.isLocalFile() ? url.toLocalFile() : url.toString();
    platform::showAlert({QStringLiteral("openAddressHeader"), QStringLiteral("openAddressBody"), {address}, address});
    return false;
}

Workspace& Workspace::current()
{
    static DesktopWorkspace desktop;
    return installed() ? *installed() : desktop;
}

void Workspace::setCurrent(Workspace* workspace)
{
    installed() = workspace;
}

RecordingWorkspace::RecordingWorkspace() : m_previous(installed())
{
    setCurrent(this);
}

RecordingWorkspace::~RecordingWorkspace()
{
    setCurrent(m_previous);
}

bool RecordingWorkspace::openURL(const QUrl& url)
{
    m_opened << url;
    return m_takes;
}
