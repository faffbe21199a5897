#pragma once

#include <QList>
#include <QUrl>

// The desktop's handler of addresses (the user's web browser for web pages).
// The application installs the desktop implementation; tests install a
// RecordingWorkspace that keeps the addresses instead.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Whether the desktop took the address.
    virtual bool openURL(const QUrl& url) = 0;

    static Workspace& current();
    // Installs `workspace` (nullptr restores the desktop one); the caller keeps ownership.
    static void setCurrent(Workspace* workspace);
};

// Keeps every address instead of opening it; installs itself while it lives.
class RecordingWorkspace : public Workspace {
public:
    RecordingWorkspace();
    ~RecordingWorkspace() override;
    RecordingWorkspace(const RecordingWorkspace&) = delete;
    RecordingWorkspace& operator=(const RecordingWorkspace&) = delete;

    bool openURL(const QUrl& url) override;
    const QList<QUrl>& opened() const { return m_opened; }

private:
    Workspace* m_previous;
    QList<QUrl> m_opened;
};
