#include "tagging/filestream.h"

#include <QTimerEvent>

FileStream::FileStream(const QString& path, Direction direction, QObject* parent)
    : QObject(parent), m_file(path), m_direction(direction)
{
}

FileStream::~FileStream()
{
    close();
}

void FileStream::schedule()
{
    m_scheduled = true;
    updateTimer();
}

void FileStream::unschedule()
{
    m_scheduled = false;
    updateTimer();
}

void FileStream::open()
{
    if (m_state != State::NotOpen)
        return;
    // Unbuffered: every piece goes straight to the file, and a failed write
    // shows up at once rather than at close.
    const QIODevice::OpenMode mode = m_direction == Direction::Input
                                         ? QIODevice::ReadOnly | QIODevice::Unbuffered
                                         : QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    // A stream without a path stands for a file that cannot be opened.
    if (!m_file.fileName().isEmpty() && m_file.open(mode)) {
        m_fileWasOpened = true;
        m_state = State::Opening;
    } else
        fail();  // reported through the event loop like any other error
    updateTimer();
}

void FileStream::close()
{
    if (m_file.isOpen())
        m_file.close();
    m_state = State::Closed;
    updateTimer();
}

qint64 FileStream::read(char* buffer, qint64 maxLength)
{
    if (m_direction != Direction::Input || m_state != State::Open)
        return -1;
    const qint64 count = m_file.read(buffer, maxLength);
    if (count < 0)
        fail();
    return count;
}

qint64 FileStream::write(const char* data, qint64 length)
{
    if (m_direction != Direction::Output || m_state != State::Open)
        return -1;
    qint64 done = 0;
    while (done < length) {
        const qint64 count = m_file.write(data + done, length - done);
        if (count <= 0) {
            fail();
            return -1;
        }
        done += count;
    }
    return done;
}

void FileStream::fail()
{
    m_file.close();
    m_state = State::Failed;
    m_errorPending = true;
    updateTimer();
}

bool FileStream::wantsTurns() const
{
    if (!m_scheduled || !m_delegate)
        return false;
    switch (m_state) {
        case State::Opening:
            return true;
        case State::Open:
            return m_direction == Direction::Input || !m_spaceReported;
        case State::Failed:
            return m_errorPending;
        case State::NotOpen:
        case State::Ended:
        case State::Closed:
            return false;
    }
    return false;
}

void FileStream::updateTimer()
{
    const bool wanted = wantsTurns();
    if (wanted && m_timerId == 0)
        m_timerId = startTimer(0);
    else if (!wanted && m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
}

FileStream::Event FileStream::nextEvent()
{
    switch (m_state) {
        case State::Opening:
            m_state = State::Open;
            return OpenCompleted;
        case State::Failed:
            // Reported once; the stream stays silent afterwards.
            m_errorPending = false;
            return ErrorOccurred;
        case State::Open:
            if (m_direction == Direction::Output) {
                m_spaceReported = true;
                return HasSpaceAvailable;
            }
            if (m_file.atEnd()) {
                m_state = State::Ended;
                return EndEncountered;
            }
            return HasBytesAvailable;
        case State::NotOpen:
        case State::Ended:
        case State::Closed:
            break;
    }
    return ErrorOccurred;
}

void FileStream::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId) {
        QObject::timerEvent(event);
        return;
    }
    if (!wantsTurns()) {
        updateTimer();
        return;
    }
    const Event next = nextEvent();
    updateTimer();
    // The delegate may close this stream; nothing here touches it afterwards.
    Delegate delegate = m_delegate;
    delegate(this, next);
}
