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
