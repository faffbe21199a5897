#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mp4 {

// The library's own log: it reports what it refused or could not parse here, one line per
// call. Without a sink lines go to stderr; the application routes them into its log.
using LogSink = std::function<void(std::string_view line)>;

// Installs `sink` (an empty function restores stderr); returns the previous one.
LogSink setLogSink(LogSink sink);

void log(std::string_view line);

}  // namespace mp4
