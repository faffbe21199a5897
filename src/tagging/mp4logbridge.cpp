#include "tagging/mp4logbridge.h"

#include "mp4/log.h"
#include "platform/log.h"

#include <QString>

Mp4LogBridge::Mp4LogBridge()
    : m_previous(mp4::setLogSink([](std::string_view line) {
          platform::log(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
      }))
{
}

Mp4LogBridge::~Mp4LogBridge()
{
    mp4::setLogSink(std::move(m_previous));
}
