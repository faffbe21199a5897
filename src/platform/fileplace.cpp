#include "fileplace.h"

#include "platform/log.h"

#include <QFile>

#include <algorithm>

#include <sys/stat.h>

namespace platform {

namespace {

// A window onto `length` bytes of a file from `offset` on.
class FileRangeDevice : public QIODevice {
public:
    FileRangeDevice(const QString& path, qint64 offset, qint64 length)
        : m_file(path), m_offset(offset), m_length(length)
    {
    }

    bool openRange()
    {
        if (!m_file.open(QIODevice::ReadOnly) || m_file.size() < m_offset + m_length)
            return false;
        return open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_length; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 left = m_length - pos();
        if (left <= 0)
            return 0;
        if (!m_file.seek(m_offset + pos()))
            return -1;
        return m_file.read(data, std::min(maxSize, left));
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile m_file;
    qint64 m_offset;
    qint64 m_length;
};

void refuse(const FilePlace& place)
{
    log(QStringLiteral("A cover is not read: the file changed since it was read from it: %1").arg(place.path));
}

}  // namespace

std::optional<FileIdentity> FileIdentity::of(const QString& path)
{
    // Size and modification time from one look at the file: it is looked at before and after
    // every read of a place.
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{static_cast<qint64>(info.st_size),
                        static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool FilePlace::isCurrent() const
{
    return FileIdentity::of(path) == identity;
}

bool readFromFilePlace(const FilePlace& place, const std::function<void(QIODevice& bytes)>& use)
{
    FileRangeDevice device(place.path, place.offset, place.length);
    if (!place.isCurrent() || !device.openRange()) {
        refuse(place);
        return false;
    }
    use(device);
    // A write that landed while the bytes were read may have torn them.
    if (!place.isCurrent()) {
        refuse(place);
        return false;
    }
    return true;
}

std::optional<QByteArray> bytesAtFilePlace(const FilePlace& place)
{
    QByteArray bytes;
    if (!readFromFilePlace(place, [&bytes](QIODevice& device) { bytes = device.readAll(); }))
        return std::nullopt;
    if (bytes.size() != place.length) {
        log(QStringLiteral("A cover is not read: its bytes could not be read from %1").arg(place.path));
        return std::nullopt;
    }
    return bytes;
}

}  // namespace platform
