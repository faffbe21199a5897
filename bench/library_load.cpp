// Time and peak memory to load a folder of 1,000 tagged movies into a movie
// list: each with a 1000x1500 JPEG cover of about 300 KB, and, as the floor,
// each without a cover. Every load runs in a process of its own, so that its
// peak memory is its own.
//
//     build/bench/library_load [count]
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "mp4_benchfiles.h"
#include "platform/alerts.h"
#include "platform/settings.h"
#include "tagging/moviefileloading.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A short tagged movie; with a cover of noisy pixels that JPEG cannot shrink
// below about 300 KB.
bool makeTemplate(const std::filesystem::path& folder, bool withCover)
{
    const auto movie = folder / (withCover ? "with-cover.m4v" : "without-cover.m4v");
    const auto cover = folder / "cover.jpg";
    if (withCover && !benchfiles::run("ffmpeg -v error -y -f lavfi -i 'testsrc2=s=1000x1500,noise=alls=20:allf=u' "
                                      "-frames:v 1 -q:v 4 " +
                                      benchfiles::quoted(cover)))
        return false;
    std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=s=320x240:d=0.2:r=25 -f lavfi -i sine=d=0.2 ";
    if (withCover)
        command +=
            "-i " + benchfiles::quoted(cover) + " -map 0 -map 1 -map 2 -c:v:1 copy -disposition:v:1 attached_pic ";
    command += "-c:v:0 libx264 -c:a aac -metadata title='Library Movie' " + benchfiles::quoted(movie);
    return benchfiles::run(command);
}

bool fillFolder(const QString& templateFile, const QString& folder, int count)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < count; ++i) {
        if (!QFile::copy(templateFile, QStringLiteral("%1/movie-%2.m4v").arg(folder).arg(i, 4, 10, QChar('0'))))
            return false;
    }
    return true;
}

// The child: loads one folder and prints its figures.
int loadFolder(int argc, char** argv, const char* folder)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir settingsFolder;
    platform::Settings::useFolder(settingsFolder.path());
    platform::RecordingAlerts alerts;

    const long before = benchfiles::peakRssKiB();
    MovieList list;
    const auto start = benchfiles::nowNs();
    const bool loaded =
        MovieFileManager::loadFiles(QVariantList{QUrl::fromLocalFile(QString::fromUtf8(folder))}, list, "en");
    const double elapsed = benchfiles::seconds(start);
    const long peak = benchfiles::peakRssKiB();

    int covers = 0;
    for (const auto& movie : list.arrangedObjects())
        covers += movie->coverIsSet() ? 1 : 0;
    std::printf("  %lld movies loaded (%d with a cover)%s: %.3f s, peak memory %.1f MiB (%.1f MiB before loading)\n",
                static_cast<long long>(list.arrangedObjects().size()), covers, loaded ? "" : " [not all loaded]",
                elapsed, peak / 1024.0, before / 1024.0);
    return loaded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return loadFolder(argc, argv, argv[2]);

    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    benchfiles::TempDir dir;
    const std::filesystem::path base = dir.path("");
    for (const bool withCover : {true, false}) {
        if (!makeTemplate(base, withCover)) {
            std::fprintf(stderr, "cannot make the template movie\n");
            return 1;
        }
        const QString name = withCover ? QStringLiteral("with-cover") : QStringLiteral("without-cover");
        const QString folder = QString::fromStdString((base / name.toStdString()).string());
        if (!fillFolder(folder + ".m4v", folder, count)) {
            std::fprintf(stderr, "cannot copy the movies\n");
            return 1;
        }
        std::printf("%s (%d movies", qPrintable(name), count);
        if (withCover)
            std::printf(", cover of %lld bytes",
                        static_cast<long long>(QFile(QString::fromStdString((base / "cover.jpg").string())).size()));
        std::printf("):\n");
        std::fflush(stdout);
        if (!benchfiles::run(benchfiles::quoted(argv[0]) + " --load " +
                             benchfiles::quoted(std::filesystem::path(folder.toStdString()))))
            return 1;
    }
    return 0;
}
