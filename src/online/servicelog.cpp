#include "servicelog.h"

#include "platform/log.h"
#include "platform/serviceconfig.h"

namespace ServiceLog {

void log(const QString& line)
{
    platform::log(platform::ServiceConfig::current().redact(line));
}

}  // namespace ServiceLog
