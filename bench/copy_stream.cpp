// Throughput of the event-loop file copy against cp.
// Usage: copy_stream [size in MiB, default 1024] [folder, default a temporary one]
#include "platform/pumpevents.h"
#include "tagging/copyfilestream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool makeSource(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (qint64 done = 0; done < bytes; done += block.size()) {
        generator.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        const qint64 part = std::min<qint64>(block.size(), bytes - done);
        if (file.write(block.constData(), part) != part)
            return false;
    }
    return file.flush();
}

// A negative time: the copy failed, or left the destination short.
void report(const char* what, qint64 bytes, qint64 milliseconds)
{
    if (milliseconds < 0) {
        std::printf("%-28s FAILED, no figure\n", what);
        return;
    }
    const double seconds = std::max<qint64>(milliseconds, 1) / 1000.0;
    std::printf("%-28s %8.2f s  %9.1f MiB/s\n", what, seconds, bytes / 1048576.0 / seconds);
}

bool copied(const QString& destination, qint64 bytes)
{
    return QFileInfo(destination).size() == bytes;
}

// Flushes what earlier runs left to write, so each run starts alike.
void settle(const QString& destination)
{
    QFile::remove(destination);
    QProcess::execute("sync", {});
}

qint64 timeStreamCopy(const QString& source, const QString& destination)
{
    settle(destination);
    CopyFileStream copy(QUrl::fromLocalFile(source), QUrl::fromLocalFile(destination));
    QElapsedTimer timer;
    timer.start();
    copy.start();
    while (copy.status() != CopyFileStream::Finished && copy.status() != CopyFileStream::Error)
        platform::pumpEvents(0.01);  // short slices, so the end is seen at once
    const qint64 elapsed = timer.elapsed();
    return copy.status() == CopyFileStream::Finished && copied(destination, QFileInfo(source).size()) ? elapsed : -1;
}

qint64 timeCp(const QString& source, const QString& destination)
{
    settle(destination);
    QElapsedTimer timer;
    timer.start();
    const int code = QProcess::execute("cp", {"--sparse=never", source, destination});
    const qint64 elapsed = timer.elapsed();
    return code == 0 && copied(destination, QFileInfo(source).size()) ? elapsed : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 mebibytes = args.size() > 1 ? args.at(1).toLongLong() : 1024;
    QTemporaryDir temporary(args.size() > 2 ? args.at(2) + "/copy_stream-XXXXXX" : QString());
    if (!temporary.isValid() || mebibytes <= 0) {
        std::printf("usage: copy_stream [MiB] [folder]\n");
        return 2;
    }
    const QString source = temporary.filePath("source.bin");
    const QString destination = temporary.filePath("destination.bin");
    const qint64 bytes = mebibytes << 20;
    std::printf("Copying %lld MiB of random data in %s\n", static_cast<long long>(mebibytes),
                qPrintable(temporary.path()));
    if (!makeSource(source, bytes)) {
        std::printf("cannot write the source file\n");
        return 1;
    }
    for (int round = 1; round <= 3; ++round) {
        report("CopyFileStream", bytes, timeStreamCopy(source, destination));
        report("cp --sparse=never", bytes, timeCp(source, destination));
    }
    return 0;
}
