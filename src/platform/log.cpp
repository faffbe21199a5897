#include "log.h"

#include <QDateTime>

#include <cstdio>
#include <mutex>

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
    m_previous = setLogSink([this](const QString& line) { m_lines << line; });
}

LogCapture::~LogCapture()
{
    setLogSink(std::move(m_previous));
}

}  // namespace platform
