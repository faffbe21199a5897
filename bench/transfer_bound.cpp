// Peak memory of transfers whose body never ends, behind one and behind three
// redirects, while the event loop is busy 500 ms between its turns: for each
// kind of reply (documents, images, subtitle files), for a GET and for a POST
// with a body (redirected by 307s, which keep it), and each number of
// redirects, the growth of the process's peak memory in every run (each in a
// process of its own), against the kind's bound + 16 MiB. Exits with 1 when a
// run went over or a body was not cut at the bound.
//
//     build/bench/transfer_bound [runs per case, default 20] [busy milliseconds, default 500]
#include "online/webtransport.h"
#include "support/fakeserver.h"
#include "support/processmemory.h"

#include <QCoreApplication>
#include <QNetworkRequest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using testsupport::FakeReply;
using testsupport::FakeServer;

namespace {

constexpr qint64 kAllowedOverBound = 16 * WebTransport::kMebibyte;

double mebibytes(qint64 bytes)
{
    return double(bytes) / double(WebTransport::kMebibyte);
}

const char* nameOf(ReplyKind kind)
{
    switch (kind) {
        case ReplyKind::Document:
            return "document";
        case ReplyKind::Image:
            return "image";
        case ReplyKind::SubtitleFile:
            return "subtitle file";
    }
    return "?";
}

// The child: one transfer in a fresh process, after the network stack's own set-up;
// prints the growth of the peak memory and whether the body was cut at the bound.
int measureOne(ReplyKind kind, const char* verb, const char* path, int busyMs)
{
    if (!testsupport::resetPeakMemory()) {
        std::fprintf(stderr, "peak memory cannot be measured here\n");
        return 2;
    }
    // On a thread of its own, so that it serves while the event loop here is busy.
    FakeServer server(FakeServer::Threading::OwnThread);
    testsupport::routeEndlessBehindRedirects(server);
    server.route("GET", "/warm-up", FakeReply::bytes("ready", "text/plain"));
    WebTransport::fetch(QNetworkRequest(QUrl(server.url("/warm-up"))), "GET", {},
                        WebTransport::limitsFor(ReplyKind::Document));
    const WebTransport::WaitTurn busy = [busyMs] {
        QThread::msleep(static_cast<unsigned long>(busyMs));
        return true;
    };
    const FetchLimits limits = WebTransport::limitsFor(kind);
    testsupport::resetPeakMemory();
    const qint64 before = testsupport::residentBytes();
    const QByteArray body = std::strcmp(verb, "POST") == 0 ? "payload" : "";
    const FetchResult result = WebTransport::fetch(QNetworkRequest(QUrl(server.url(path))), verb, body, limits, busy);
    const qint64 growth = testsupport::peakResidentBytes() - before;
    std::printf("%lld %d\n", static_cast<long long>(growth),
                result.error == WebTransport::tooLargeText(limits.maxBodyBytes) ? 1 : 0);
    return 0;
}

// Runs one measurement in a child process; false when it gave no figures.
bool measureInChild(const char* self, ReplyKind kind, const char* verb, const char* path, int busyMs, qint64& growth,
                    bool& cut)
{
    const std::string command = std::string("'") + self + "' --run " + std::to_string(static_cast<int>(kind)) + " " +
                                verb + " " + path + " " + std::to_string(busyMs);
    FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return false;
    long long bytes = 0;
    int cutAtBound = 0;
    const bool read = std::fscanf(child, "%lld %d", &bytes, &cutAtBound) == 2;
    const bool exited = ::pclose(child) == 0;
    growth = bytes;
    cut = cutAtBound == 1;
    return read && exited;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 6 && std::strcmp(argv[1], "--run") == 0)
        return measureOne(static_cast<ReplyKind>(std::atoi(argv[2])), argv[3], argv[4], std::atoi(argv[5]));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int busyMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 500;

    std::printf(
        "Endless bodies behind redirects, event loop busy %d ms per turn, %d runs per case, "
        "each in a process of its own:\n",
        busyMs, runs);
    bool allWithin = true;
    for (ReplyKind kind : {ReplyKind::Document, ReplyKind::Image, ReplyKind::SubtitleFile}) {
        const qint64 bound = WebTransport::limitsFor(kind).maxBodyBytes;
        for (const auto& [verb, hops, path] :
             {std::tuple{"GET", 1, "/hop1"}, {"GET", 3, "/hop3"}, {"POST", 1, "/hop1"}, {"POST", 3, "/hop3"}}) {
            std::vector<qint64> growths;
            int within = 0;
            int cutAtBound = 0;
            for (int run = 0; run < runs; ++run) {
                qint64 growth = 0;
                bool cut = false;
                if (!measureInChild(argv[0], kind, verb, path, busyMs, growth, cut)) {
                    std::fprintf(stderr, "a measurement failed\n");
                    return 2;
                }
                growths.push_back(growth);
                // A run whose body was not cut at the bound did not do its work: never within.
                within += cut && growth <= bound + kAllowedOverBound ? 1 : 0;
                cutAtBound += cut ? 1 : 0;
            }
            std::sort(growths.begin(), growths.end());
            std::printf(
                "  %-13s bound %3.0f MiB, %-4s behind %d redirect%s: peak growth median %6.1f MiB, max %6.1f MiB; "
                "%d of %d within bound + 16 MiB, %d of %d cut at the bound\n",
                nameOf(kind), mebibytes(bound), verb, hops, hops == 1 ? " " : "s",
                mebibytes(growths[growths.size() / 2]), mebibytes(growths.back()), within, runs, cutAtBound, runs);
            std::fflush(stdout);
            allWithin = allWithin && within == runs && cutAtBound == runs;
        }
    }
    return allWithin ? 0 : 1;
}
