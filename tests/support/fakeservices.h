#pragma once

// The three web services the application talks to (the movie database, the
// subtitle service and the chapter database), each a fake server on
// 127.0.0.1 answering the stored replies of tests/data/services for the
// movie "Alien" (1979) in German. Tests that follow a movie through every
// piece use it, and so does the korvalane-fake-services program that lets
// the real application run against the same answers.
//
//     testsupport::FakeServices services;
//     services.exportEnvironment();          // the application now talks to them
//     ... run ...
//     services.movieDatabase().requests();   // what was asked
//
// Routes can be added or overridden on each server as on any FakeServer.

#include "support/fakeserver.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPair>

namespace testsupport {

class FakeServices {
public:
    // The movie database's key, as the application sends it in every query.
    static constexpr char kMovieDatabaseKey[] = "c0ffee00c0ffee00c0ffee00c0ffee00";

    explicit FakeServices(FakeServer::Threading threading = FakeServer::Threading::CallerThread);

    bool isListening() const;
    FakeServer& movieDatabase() { return m_movieDatabase; }
    FakeServer& subtitleService() { return m_subtitleService; }
    FakeServer& chapterDatabase() { return m_chapterDatabase; }

    // Every environment variable (name, value) that points the application
    // at these servers, with the keys and the account they accept.
    QList<QPair<QByteArray, QByteArray>> environment() const;
    // Sets environment() in this process.
    void exportEnvironment() const;

    // Searches for titles the database does not know find nothing (instead
    // of the server's 404), in every language; "Alien", with the year 1979
    // or without a year, is found in German and in English.
    void answerEveryTitleSearch();

    // The colour of a served poster, by its position in the stored image list.
    static QColor posterColour(int index);

private:
    void routeMovieDatabase();
    void routeSubtitleService();
    void routeChapterDatabase();

    FakeServer m_movieDatabase;
    FakeServer m_subtitleService;
    FakeServer m_chapterDatabase;
};

}  // namespace testsupport
