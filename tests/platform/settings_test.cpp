#include "platform/settings.h"

#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::Settings;

namespace {

ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

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

TEST_F(SettingsTest, TextListAndDataOfTheWrongTypeFallBackToTheDefault)
{
    settings.registerDefaults({{"CountrySettingsForSearch", "us"},
                               {"FiledsNotToBeOverwritten", QStringList{"title"}},
                               {"WorkingDirectoryBookmark", QByteArray()}});
    settings.setValue("CountrySettingsForSearch", QVariantList{1, 2});
    settings.setValue("FiledsNotToBeOverwritten", QVariantMap{{"a", 1}});
    settings.setValue("WorkingDirectoryBookmark", 12);
    EXPECT_EQ(settings.stringValue("CountrySettingsForSearch"), "us");
    EXPECT_EQ(settings.stringListValue("FiledsNotToBeOverwritten"), QStringList{"title"});
    EXPECT_TRUE(settings.dataValue("WorkingDirectoryBookmark").isEmpty());
    settings.setValue("CountrySettingsForSearch", "gb");
    EXPECT_EQ(settings.stringValue("CountrySettingsForSearch"), "gb");
}

TEST_F(SettingsTest, AStoredEmptyListStaysEmpty)
{
    settings.registerDefaults({{"FiledsNotToBeOverwritten", QStringList{"title"}}});
    settings.setValue("FiledsNotToBeOverwritten", QStringList());
    settings.synchronize();
    Settings reopened(dir.path());
    reopened.registerDefaults({{"FiledsNotToBeOverwritten", QStringList{"title"}}});
    EXPECT_TRUE(reopened.stringListValue("FiledsNotToBeOverwritten").isEmpty());
    reopened.remove("FiledsNotToBeOverwritten");
    EXPECT_EQ(reopened.stringListValue("FiledsNotToBeOverwritten"), QStringList{"title"});
}

TEST_F(SettingsTest, DataSurvivesAReopenByteForByte)
{
    const QByteArray bytes("/home/a b/\xc3\xa9\x00x", 14);
    settings.setValue("WorkingDirectoryBookmark", bytes);
    settings.synchronize();
    Settings reopened(dir.path());
    EXPECT_EQ(reopened.dataValue("WorkingDirectoryBookmark"), bytes);
}

TEST_F(SettingsTest, ALockLeftByAKilledWriterIsClearedAndALiveOneKept)
{
    settings.setValue("SizeOfCover", 3);
    settings.synchronize();
    const QString lockPath = settings.fileName() + ".lock";
    {
        QFile lock(lockPath);  // what a kill between creating and filling the lock leaves
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    }
    Settings next(dir.path());
    EXPECT_FALSE(QFile::exists(lockPath));
    EXPECT_EQ(next.integerValue("SizeOfCover"), 3);

    // Written through a new file renamed over the old one, never in place.
    const ino_t before = inodeOf(next.fileName());
    ASSERT_NE(before, ino_t{0});
    next.setValue("SizeOfCover", 4);
    next.synchronize();
    EXPECT_NE(inodeOf(next.fileName()), before);
    EXPECT_EQ(Settings(dir.path()).integerValue("SizeOfCover"), 4);

    QLockFile live(lockPath);
    ASSERT_TRUE(live.tryLock(0));
    EXPECT_FALSE(platform::removeAbandonedLockFile(lockPath));
    EXPECT_TRUE(QFile::exists(lockPath));
    live.unlock();
    EXPECT_FALSE(platform::removeAbandonedLockFile(lockPath));  // nothing left to remove
}

// The file holds the service keys and the subtitle service's password: only its owner may
// read it, from its first write on and after every rewrite, also one the settings make on
// their own when they go away.
TEST(SettingsFileMode, OnlyTheOwnerCanReadTheFileAfterEveryWrite)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("korvalane.ini");
    auto modeOf = [&file] {
        struct stat info {};
        return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? (info.st_mode & 07777) : 0u;
    };
    const mode_t previous = ::umask(022);
    ino_t beforeGoing = 0;
    {
        Settings settings(dir.path());
        settings.setValue("Services/OpenSubtitlesPassword", "secret");
        settings.synchronize();
        EXPECT_EQ(modeOf(), 0600u) << "first write";
        const ino_t first = inodeOf(file);
        settings.setValue("Services/OpenSubtitlesPassword", "another");
        settings.synchronize();
        EXPECT_NE(inodeOf(file), first);  // a rewrite: a new file put in its place
        EXPECT_EQ(modeOf(), 0600u) << "rewrite";
        settings.setValue("LastDisplayedTip", 3);
        beforeGoing = inodeOf(file);
    }
    EXPECT_NE(inodeOf(file), beforeGoing);
    EXPECT_EQ(modeOf(), 0600u) << "written when the settings went away";
    // A file left readable by everyone (by an older version, say) is closed to others.
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    Settings reopened(dir.path());
    EXPECT_EQ(reopened.stringValue("Services/OpenSubtitlesPassword"), "another");
    EXPECT_EQ(modeOf(), 0600u) << "reopened";
    ::umask(previous);
}
