#pragma once

#include <functional>
#include <string_view>

// The MPEG-4 library has no Qt: while a bridge lives, the lines it logs join
// the application's log (platform::log). The sink it replaced comes back when
// the bridge goes.
class Mp4LogBridge {
public:
    Mp4LogBridge();
    ~Mp4LogBridge();
    Mp4LogBridge(const Mp4LogBridge&) = delete;
    Mp4LogBridge& operator=(const Mp4LogBridge&) = delete;

private:
    std::function<void(std::string_view)> m_previous;
};
