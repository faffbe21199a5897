#include "log.h"

#include <QDateTime>

#include <cstdio>

namespace platform {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}

}  // namespace

void log(const QString& line)
{
    LogSink sink;
    {
        std::lock_guard lock(sinkMutex());
        sink = currentSink();
    }
    if (sink) {
        sink(line);
        return;
    }
    const QByteArray text = (QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + " Korvalane: " + line).toUtf8();
    std::fprintf(stderr, "%s\n", text.constData());
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(sinkMutex());
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

LogCapture::LogCapture()
{
    m_previous = setLogSink([lines = m_lines](const QString& line) {
        std::lock_guard lock(lines->mutex);
        lines->lines << line;
    });
}

LogCapture::~LogCapture()
{
    setLogSink(std::move(m_previous));
}

QStringList LogCapture::lines() const
{
    std::lock_guard lock(m_lines->mutex);
    return m_lines->lines;
}

void LogCapture::clear()
{
    std::lock_guard lock(m_lines->mutex);
    m_lines->lines.clear();
}

}  // namespace platform
