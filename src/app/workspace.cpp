#include "app/workspace.h"

#include "app/desktopworkspace.h"

namespace {

Workspace*& installed()
{
    static Workspace* workspace = nullptr;
    return workspace;
}

}  // namespace

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
    return true;
}
