#include "tagging/copyfilestream.h"

#include "tagging/filepaths.h"

#include <QFile>
#include <QFileInfo>

CopyFileStream::CopyFileStream(const QUrl& source, const QUrl& destination, QObject* parent)
    : QObject(parent), m_destinationUrl(destination), m_sourceUrl(source)
{
}

CopyFileStream::~CopyFileStream()
{
    close();
}

void CopyFileStream::start()
{
    if (m_inputStream || m_outputStream || m_status != Idle)
        return;  // a copy object copies once
    const QString sourcePath = m_sourceUrl.toLocalFile();
    const QString destinationPath = m_destinationUrl.toLocalFile();
    const QFileInfo sourceInfo(sourcePath);
    m_fileSize = sourceInfo.exists() ? static_cast<quint64>(sourceInfo.size()) : 0;
    m_bytesWritten = 0;
    m_buffer.resize(chunkSize);

    m_inputStream = new FileStream(sourcePath, FileStream::Direction::Input, this);
    // Opening the source itself for writing would empty it before a byte is
    // read; an empty path stands for a destination that cannot be opened.
    const bool usable = !destinationPath.isEmpty() && !FilePaths::isSameEntry(sourcePath, destinationPath);
    m_outputStream = new FileStream(usable ? destinationPath : QString(), FileStream::Direction::Output, this);
    for (FileStream* each : {m_inputStream, m_outputStream}) {
        each->setDelegate([this](FileStream* s, FileStream::Event e) { stream(s, e); });
        each->schedule();
    }
    m_inputStream->open();
    m_outputStream->open();
    m_destinationWritten = m_outputStream->fileWasOpened();
}

void CopyFileStream::stream(FileStream* /*sender*/, FileStream::Event eventCode)
{
    switch (eventCode) {
        case FileStream::OpenCompleted:
            m_status = Opened;
            break;
        case FileStream::HasBytesAvailable:
            moveOneChunk();
            break;
        case FileStream::HasSpaceAvailable:
            break;
        case FileStream::ErrorOccurred:
            fail();
            break;
        case FileStream::EndEncountered:
            // Closed first: whoever sees the end from another thread finds the copy whole and shut.
            close();
            m_status = Finished;
            break;
    }
}

void CopyFileStream::moveOneChunk()
{
    if (!m_inputStream || !m_outputStream)
        return;
    const qint64 count = m_inputStream->read(m_buffer.data(), chunkSize);
    if (count < 0) {
        fail();
        return;
    }
    if (count > 0) {
        // Every chunk reaches the destination whole, or the copy fails.
        if (m_outputStream->write(m_buffer.data(), count) != count) {
            fail();
            return;
        }
        m_bytesWritten.fetch_add(static_cast<quint64>(count));
    }
    m_status = Copying;
}

void CopyFileStream::fail()
{
    close();
    m_status = Error;
}

void CopyFileStream::close()
{
    for (FileStream** each : {&m_inputStream, &m_outputStream}) {
        FileStream* stream = *each;
        if (!stream)
            continue;
        stream->close();
        stream->unschedule();
        stream->setDelegate({});
        // Closing may happen inside the stream's own event delivery.
        stream->deleteLater();
        *each = nullptr;
    }
}

void CopyFileStream::cancel()
{
    close();
    // Only a plain file this copy wrote is removed: never a folder, and never
    // a device or a file that was there and could not be opened.
    if (!m_destinationUrl.isEmpty() && m_destinationWritten) {
        const QString path = m_destinationUrl.toLocalFile();
        if (FilePaths::isRegularFile(path))
            QFile::remove(path);
    }
    m_destinationUrl = QUrl();
    m_status = Cancelled;
}
