#pragma once

#include "app/workspace.h"

// Opens addresses with the desktop's handler (xdg-open and friends).
class DesktopWorkspace : public Workspace {
public:
    bool openURL(const QUrl& url) override;
};
