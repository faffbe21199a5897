#include "platform/medialibrary.h"

#include "platform/log.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<MediaLibrary*>& installed()
{
    static std::atomic<MediaLibrary*> library{nullptr};
    return library;
}

}  // namespace

MediaLibrary& MediaLibrary::current()
{
    static SystemMediaLibrary fallback;
    MediaLibrary* library = installed().load();
    return library ? *library : fallback;
}

void MediaLibrary::setCurrent(MediaLibrary* library)
{
    installed().store(library);
}

QVersionNumber SystemMediaLibrary::operatingSystemVersion() const
{
    return QVersionNumber(0, 0);
}

std::unique_ptr<MediaLibraryApplication> SystemMediaLibrary::application(const QString& bundleIdentifier)
{
    log(QStringLiteral("No media-library application is available on this system (%1)").arg(bundleIdentifier));
    return nullptr;
}

}  // namespace platform
