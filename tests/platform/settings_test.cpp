#include "platform/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Settings;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Settings settings{dir.path()};
};

}  // namespace

TEST_F(SettingsTest, RegisteredDefaultsAnswerUntilAValueIsStored)
{
    settings.registerDefaults({{"AutomaticSearchForMovie", true}, {"SizeOfCover", 2}});
    EXPECT_TRUE(settings.boolValue("AutomaticSearchForMovie"));
    EXPECT_EQ(settings.integerValue("SizeOfCover"), 2);

    settings.setValue("AutomaticSearchForMovie", false);
    settings.setValue("SizeOfCover", 4);
    EXPECT_FALSE(settings.boolValue("AutomaticSearchForMovie"));
    EXPECT_EQ(settings.integerValue("SizeOfCover"), 4);

    settings.remove("SizeOfCover");
    EXPECT_EQ(settings.integerValue("SizeOfCover"), 2);
}

TEST_F(SettingsTest, StoredValuesSurviveAReopen)
{
    settings.setValue("FileNamePatternForSaving", "%title (%year)");
    settings.setValue("FiledsNotToBeOverwritten", QStringList{"title", "cover"});
    settings.synchronize();

    Settings reopened(dir.path());
    EXPECT_EQ(reopened.stringValue("FileNamePatternForSaving"), "%title (%year)");
    EXPECT_EQ(reopened.stringListValue("FiledsNotToBeOverwritten"), (QStringList{"title", "cover"}));
}

TEST_F(SettingsTest, OneElementListReadsBackAsAList)
{
    settings.setValue("FiledsNotToBeOverwritten", QStringList{"title"});
    settings.synchronize();
    Settings reopened(dir.path());
    EXPECT_EQ(reopened.stringListValue("FiledsNotToBeOverwritten"), QStringList{"title"});
}

TEST_F(SettingsTest, WrongTypesFallBackToTheDefault)
{
    settings.registerDefaults({{"SizeOfCover", 2}, {"AutomaticSearchForMovie", true}});
    settings.setValue("SizeOfCover", "large");
    settings.setValue("AutomaticSearchForMovie", "perhaps");
    EXPECT_EQ(settings.integerValue("SizeOfCover"), 2);
    EXPECT_TRUE(settings.boolValue("AutomaticSearchForMovie"));
    EXPECT_EQ(settings.integerValue("NeverRegistered"), 0);
    EXPECT_FALSE(settings.boolValue("NeverRegistered"));
    EXPECT_TRUE(settings.stringValue("NeverRegistered").isNull());
}

TEST_F(SettingsTest, TextStoredInTheFileConvertsToNumbersAndFlags)
{
    settings.setValue("SizeOfCover", "3");
    settings.setValue("AutomaticSearchForMovie", "true");
    settings.synchronize();
    Settings reopened(dir.path());
    EXPECT_EQ(reopened.integerValue("SizeOfCover"), 3);
    EXPECT_TRUE(reopened.boolValue("AutomaticSearchForMovie"));
}

TEST(SharedSettings, TestsNeverUseTheRealConfigFolder)
{
    EXPECT_TRUE(Settings::shared().fileName().startsWith(qEnvironmentVariable("HOME")));
}
