#pragma once

#include "tagging/filestream.h"

#include <QObject>
#include <QUrl>

#include <atomic>
#include <vector>

// Copies one file to a new place without blocking the thread's event loop:
// one chunk moves per event-loop turn while the caller keeps the loop running
// and polls status() and bytesWritten(). The copy may live in a worker thread
// of its own: status(), fileSize() and bytesWritten() may be read from any thread.
class CopyFileStream : public QObject {
    Q_OBJECT
public:
    enum Status : qint64 {
        Idle = 0,
        Opened = 1,
        Copying = 2,
        Cancelled = 3,
        Error = 4,
        Finished = 5,
    };
    static constexpr qint64 chunkSize = 0x30000;

    CopyFileStream(const QUrl& source, const QUrl& destination, QObject* parent = nullptr);
    ~CopyFileStream() override;

    // Opens both files and returns at once; the copy runs from the event loop.
    void start();
    // The delegate operation of both streams.
    void stream(FileStream* stream, FileStream::Event eventCode);
    // Closes both streams; the status stays.
    void close();
    // Closes, removes the partly written destination and ends with Cancelled.
    void cancel();

    qint64 status() const { return m_status.load(); }
    quint64 fileSize() const { return m_fileSize.load(); }
    quint64 bytesWritten() const { return m_bytesWritten.load(); }
    QUrl sourceUrl() const { return m_sourceUrl; }
    QUrl destinationUrl() const { return m_destinationUrl; }

private:
    void moveOneChunk();
    void fail();

    FileStream* m_inputStream = nullptr;
    FileStream* m_outputStream = nullptr;
    QUrl m_destinationUrl;
    QUrl m_sourceUrl;
    std::atomic<qint64> m_status = Idle;
    std::atomic<quint64> m_fileSize = 0;
    std::atomic<quint64> m_bytesWritten = 0;
    // Only a destination this copy opened for writing is ever removed.
    bool m_destinationWritten = false;
    std::vector<char> m_buffer;
};
