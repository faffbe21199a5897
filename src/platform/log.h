#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// The system log: one line per call, to stderr with a time stamp, unless a
// sink is installed (tests capture the exact lines that way).
void log(const QString& line);

using LogSink = std::function<void(const QString& line)>;

// Installs `sink` (an empty function restores stderr); returns the previous one.
LogSink setLogSink(LogSink sink);

// Collects every line logged while it lives, from any thread, then restores
// the previous sink.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& line) const { return lines().contains(line); }
    void clear();

private:
    // Shared with the installed sink, which another thread may still be
    // running while the capture goes away.
    struct Lines {
        std::mutex mutex;
        QStringList lines;
    };
    std::shared_ptr<Lines> m_lines = std::make_shared<Lines>();
    LogSink m_previous;
};

}  // namespace platform
