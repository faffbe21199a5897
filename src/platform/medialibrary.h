#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <memory>

namespace platform {

// A media-library application (iTunes, TV) as its scripting interface offers it.
class MediaLibraryApplication {
public:
    virtual ~MediaLibraryApplication() = default;
    // Whether the application understands the command that adds files.
    virtual bool respondsToAdd() const = 0;
    // Adds the files to the library; false when the application gave no result.
    virtual bool add(const QList<QUrl>& files) = 0;
};

// Reaches the media-library applications of the system. Safe to use from any
// thread: imports run away from the main thread.
class MediaLibrary {
public:
    virtual ~MediaLibrary() = default;

    // The desktop system's version, which decides which application is asked;
    // 0.0 when it cannot be read.
    virtual QVersionNumber operatingSystemVersion() const = 0;
    // The application with that bundle identifier, or none when it cannot be reached.
    virtual std::unique_ptr<MediaLibraryApplication> application(const QString& bundleIdentifier) = 0;

    static MediaLibrary& current();
    // Installs `library` (nullptr restores the system's one); the caller keeps ownership.
    static void setCurrent(MediaLibrary* library);
};

// This system has no media-library application: every lookup is logged and fails.
class SystemMediaLibrary : public MediaLibrary {
public:
    QVersionNumber operatingSystemVersion() const override;
    std::unique_ptr<MediaLibraryApplication> application(const QString& bundleIdentifier) override;
};

}  // namespace platform
