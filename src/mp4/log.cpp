#include "mp4/log.h"

#include <cstdio>
#include <mutex>

namespace mp4 {

namespace {
std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}
LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}
}  // namespace

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(sinkMutex());
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

void log(std::string_view line)
{
    LogSink sink;
    {
        std::lock_guard lock(sinkMutex());
        sink = currentSink();
    }
    if (sink) {
        sink(line);
    } else {
        std::fprintf(stderr, "mp4: %.*s\n", static_cast<int>(line.size()), line.data());
    }
}

}  // namespace mp4
