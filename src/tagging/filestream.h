#pragma once

#include <QFile>
#include <QObject>
#include <QString>

#include <functional>

// A file read or written in pieces from the event loop of the thread that
// schedules it. It reports what can happen next (opened, bytes to read, room
// to write, error, end) to its delegate, one event per event-loop turn, so the
// thread handles its other events between two pieces.
class FileStream : public QObject {
    Q_OBJECT
public:
    enum class Direction { Input, Output };
    enum Event : int {
        OpenCompleted = 1,
        HasBytesAvailable = 2,
        HasSpaceAvailable = 4,
        ErrorOccurred = 8,
        EndEncountered = 16,
    };
    using Delegate = std::function<void(FileStream* stream, Event event)>;

    // An output stream replaces an existing file from its start.
    FileStream(const QString& path, Direction direction, QObject* parent = nullptr);
    ~FileStream() override;

    void setDelegate(Delegate delegate) { m_delegate = std::move(delegate); }
    Direction direction() const { return m_direction; }

    // Events are delivered only while the stream is scheduled and open.
    void schedule();
    void unschedule();
    void open();
    void close();
    // Whether open() got hold of the file (an output file then exists, emptied).
    bool fileWasOpened() const { return m_fileWasOpened; }

    // -1 on an error (the stream then reports ErrorOccurred); 0 at the end.
    qint64 read(char* buffer, qint64 maxLength);
    // Writes all of `data` or fails with -1.
    qint64 write(const char* data, qint64 length);

    QString errorString() const { return m_file.errorString(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    enum class State { NotOpen, Opening, Open, Failed, Ended, Closed };
    void fail();
    void updateTimer();
    bool wantsTurns() const;
    Event nextEvent();

    QFile m_file;
    Direction m_direction;
    Delegate m_delegate;
    State m_state = State::NotOpen;
    bool m_scheduled = false;
    bool m_spaceReported = false;
    bool m_errorPending = false;
    bool m_fileWasOpened = false;
    int m_timerId = 0;
};
