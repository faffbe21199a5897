#include "platform/alerts.h"
#include "platform/localized.h"
#include "platform/log.h"

#include <gtest/gtest.h>

using platform::Alerts;
using platform::RecordingAlerts;

TEST(Alerts, RecordingAlertsNestAndRestore)
{
    RecordingAlerts outer;
    {
        RecordingAlerts inner;
        Alerts::current().showAlert("fileError", "cantModifyFile");
        ASSERT_EQ(inner.shown().size(), 1);
        EXPECT_EQ(inner.shown()[0], (RecordingAlerts::Shown{"fileError", "cantModifyFile"}));
    }
    Alerts::current().showAlert("loadNoFilesHeader", "loadNoFilesBody");
    EXPECT_EQ(outer.shown(), (QList<RecordingAlerts::Shown>{{"loadNoFilesHeader", "loadNoFilesBody"}}));
}

TEST(Alerts, WithoutAWindowAlertsGoToTheLog)
{
    platform::LogCapture log;
    Alerts::current().showAlert("noSuchHeaderKey", "noSuchBodyKey");
    EXPECT_EQ(log.lines(), QStringList{"Alert: noSuchHeaderKey - noSuchBodyKey"});
}

TEST(Alerts, ShowAlertPassesBothKeys)
{
    RecordingAlerts alerts;
    platform::showAlert("loadNoFilesHeader", "loadNoFilesBody");
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown()[0], (RecordingAlerts::Shown{"loadNoFilesHeader", "loadNoFilesBody"}));
}

// Arguments fill "%1", "%2", ... of both texts in one pass: an argument that
// itself holds "%2" (a file name may) stays as it is, and an empty optional
// sentence at the end leaves no trailing space.
TEST(Alerts, ArgumentsFillBothTextsOnceAndAFileAlertNamesItsFile)
{
    const QString language = platform::localizationLanguage();
    platform::setLocalizationLanguage("en");
    struct Case {
        platform::Alert alert;
        QString header;
        QString body;
    };
    const QString why =
        "The file is not an MPEG-4 movie with a video or audio track, or it cannot be read. "
        "Loading stopped at this file.";
    const Case cases[] = {
        {platform::Alert::aboutFile("loadMovieHeader", "loadMovieBody", "/films/100%2 Real.m4v",
                                    {"The file after it was not loaded."}),
         QString::fromUtf8("Cannot read the movie file “100%2 Real.m4v”"), why + " The file after it was not loaded."},
        {platform::Alert::aboutFile("loadMovieHeader", "loadMovieBody", "/films/a.m4v", {""}),
         QString::fromUtf8("Cannot read the movie file “a.m4v”"), why},
        // Without arguments the placeholders stay, and keys without a text show themselves.
        {{"fileError", "noSuchBodyKey"}, QString::fromUtf8("Cannot save the movie file “%1”"), "noSuchBodyKey"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.alert.headerText(), c.header);
        EXPECT_EQ(c.alert.bodyText(), c.body);
    }
    EXPECT_EQ(cases[0].alert.details, "/films/100%2 Real.m4v");
    EXPECT_EQ(cases[0].alert.arguments.first(), "100%2 Real.m4v");
    platform::setLocalizationLanguage(language);
}

TEST(Alerts, RecordingAlertsAnswerQuestionsAsSetAndWithoutAWindowNothingIsGivenUp)
{
    const platform::Alert question{"unsavedMoviesHeader", "unsavedMoviesBody", {"2"}};
    {
        RecordingAlerts alerts;
        EXPECT_EQ(Alerts::current().askToSave(question), platform::SaveChoice::Cancel);
        alerts.setAnswer(platform::SaveChoice::Discard);
        EXPECT_EQ(Alerts::current().askToSave(question), platform::SaveChoice::Discard);
        EXPECT_EQ(alerts.questions(), (QList<platform::Alert>{question, question}));
        EXPECT_TRUE(alerts.shown().isEmpty());
    }
    platform::LogCapture log;
    EXPECT_EQ(Alerts::current().askToSave(question), platform::SaveChoice::Cancel);
    EXPECT_EQ(log.lines().size(), 1);
}
