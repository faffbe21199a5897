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

    // Opens `url` with the current workspace; when nothing takes it, an alert
    // gives the address (a file's path for a local file) so it can be copied.
    static bool openOrShowAddress(const QUrl& url);

    static Workspace& current();
    // Installs `workspace` (nullptr restores the desktop one); the caller keeps ownership.
    static void setCurrent(Workspace* workspace);
};

// Keeps every address instead of opening it, as a desktop with or without a
// handler would; installs itself while it lives.
class RecordingWorkspace : public Workspace {
public:
    RecordingWorkspace();
    ~RecordingWorkspace() override;
    RecordingWorkspace(const RecordingWorkspace&) = delete;
    RecordingWorkspace& operator=(const RecordingWorkspace&) = delete;

    // Keeps the address and answers as set (taken unless set otherwise).
    bool openURL(const QUrl& url) override;
    const QList<QUrl>& opened() const { return m_opened; }
    void setTakesAddresses(bool takes) { m_takes = takes; }

private:
    Workspace* m_previous;
    QList<QUrl> m_opened;
    bool m_takes = true;
};
