#include "support/processmemory.h"

#include <QByteArray>
#include <QFile>
#include <QList>

namespace testsupport {

namespace {

// A value of /proc/self/status ("VmHWM", "VmRSS"), in bytes.
qint64 statusBytes(const QByteArray& field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

}  // namespace

bool resetPeakMemory()
{
    QFile clearRefs("/proc/self/clear_refs");
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

qint64 residentBytes()
{
    return statusBytes("VmRSS");
}

qint64 peakResidentBytes()
{
    return statusBytes("VmHWM");
}

}  // namespace testsupport
