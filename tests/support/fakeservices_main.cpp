// korvalane-fake-services: serves the movie database, the subtitle service
// and the chapter database on 127.0.0.1 with the answers the tests use, and
// prints the shell lines that point Korvalane at them. Runs until killed.
//
//     build/tests/support/korvalane-fake-services > services.env &
//     sleep 1; source services.env; build/src/app/korvalane
#include "support/fakeservices.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testsupport::FakeServices services;
    if (!services.isListening()) {
        std::fprintf(stderr, "korvalane-fake-services: could not listen on 127.0.0.1\n");
        return 1;
    }
    services.answerEveryTitleSearch();
    for (const auto& [name, value] : services.environment())
        std::printf("export %s=%s\n", name.constData(), value.constData());
    std::fflush(stdout);
    std::fprintf(stderr,
                 "korvalane-fake-services: ready; the movie database knows \"Alien\" (1979). Stop with Ctrl-C.\n");
    return app.exec();
}
