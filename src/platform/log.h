#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// The system log: one line per call, to stderr with a time stamp, unless a
// sink is installed (tests capture the exact lines that way).
void log(const QString& line);

using LogSink = std::function<void(const QString& line)>;

// Installs `sink` (an empty function restores stderr); returns the previous one.
LogSink setLogSink(LogSink sink);

// Collects every line logged while it lives, then restores the previous sink.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    bool contains(const QString& line) const { return m_lines.contains(line); }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
    LogSink m_previous;
};

}  // namespace platform
