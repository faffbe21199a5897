#include "tagging/moviefilesaving.h"

#include "model/movielist.h"
#include "model/moviemodel.h"
#include "platform/alerts.h"
#include "platform/bookmark.h"
#include "platform/log.h"
#include "platform/medialibrary.h"
#include "support/moviefactory.h"
#include "tagging/metadatautilities.h"
#include "tagging/namingtestsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QMutex>
#include <QThreadPool>
#include <QTimeZone>

#include <sys/stat.h>

namespace {

using namespace MovieFileManager;
using Shown = platform::RecordingAlerts::Shown;

// The alert names the file it is about, with its full path as the details.
Shown cantModify(const QString& path)
{
    return {"fileError", "cantModifyFile", {QFileInfo(path).fileName()}, path};
}
const QString kSubtitle = "1\n00:00:00,100 --> 00:00:00,400\nHallo\n\n";

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inode(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Saves records of real movie files in a working folder and looks at what
// lies in the folder afterwards.
class MovieFileSavingTest : public FreshSettingsTest {
protected:
    void SetUp() override
    {
        FreshSettingsTest::SetUp();
        m_movieFile = m_factory.make(smallMovieRecipe(), "movie.m4v");
        ASSERT_FALSE(m_movieFile.isEmpty());
        m_work = m_workDir.path() + "/work";
        QDir().mkpath(m_work);
    }

    void useWorkingFolder()
    {
        set("WorkingDirectoryBookmark", platform::bookmarkDataForFolder(QUrl::fromLocalFile(m_work)));
    }

    // A record read from a copy of the test movie at `relative`, with a title: ready to tag.
    std::shared_ptr<MovieModel> movieAt(const QString& relative, const QString& title = "Alien")
    {
        const QString path = m_workDir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(QFile::copy(m_movieFile, path)) << relative.toStdString();
        auto movie = std::make_shared<MovieModel>();
        EXPECT_TRUE(MetaDataUtilities::readMetaDataFromURL(QUrl::fromLocalFile(path), *movie, "de"));
        movie->setTitle(title);
        movie->setReleaseDate(QDateTime(QDate(1979, 5, 25), QTime(12, 0), QTimeZone::utc()));
        EXPECT_EQ(movie->status(), MovieModel::kStatusReadyToTag);
        return movie;
    }

    static void giveCoverAndSubtitle(MovieModel& movie, QSize size)
    {
        QImage cover(size, QImage::Format_RGB32);
        cover.fill(Qt::darkCyan);
        movie.setCover(platform::Picture::fromImage(cover));
        movie.setSubtitle(kSubtitle);
    }

    // Saves a record with a cover and a subtitle, Plex side files in a folder of the movie's own.
    std::shared_ptr<MovieModel> saveWithPlexFolders()
    {
        useWorkingFolder();
        set("WritePLEXFiles", true);
        set("SeparateFoldersForPLEXFiles", true);
        auto movie = movieAt("work/file.m4v");
        giveCoverAndSubtitle(*movie, QSize(16, 16));
        EXPECT_TRUE(save(*movie));
        return movie;
    }

    QString relative(const MovieModel& movie) const
    {
        return QDir(m_workDir.path()).relativeFilePath(movie.fileUrl().toLocalFile());
    }

    QString titleTag(const QString& path)
    {
        return m_factory.ffprobe(path).value("format").toObject().value("tags").toObject().value("title").toString();
    }

    QStringList entries(const QString& relativeFolder) const
    {
        return QDir(m_workDir.filePath(relativeFolder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }

    bool save(MovieModel& movie) { return saveFile(movie, QUrl(), "de", "us"); }

    testsupport::MovieFactory m_factory;
    QString m_movieFile;
    QTemporaryDir m_workDir;
    QString m_work;
    platform::RecordingAlerts m_alerts;
};

TEST_F(MovieFileSavingTest, WithoutAWorkingFolderOnlyTheTagsAreWritten)
{
    set("FileNamePatternForSaving", 1);
    set("WritePLEXFiles", true);
    auto movie = movieAt("work/original.m4v");
    movie->setSubtitle(kSubtitle);
    ASSERT_TRUE(save(*movie));
    EXPECT_EQ(relative(*movie), "work/original.m4v");
    EXPECT_EQ(entries("work"), QStringList{"original.m4v"});
    EXPECT_EQ(titleTag(m_work + "/original.m4v"), "Alien");
    EXPECT_TRUE(movie->isTagged());
    EXPECT_EQ(movie->status(), MovieModel::kStatusTagged);
}

TEST_F(MovieFileSavingTest, InsideTheWorkingFolderTheFileIsRenamedAndNumbered)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);
    auto first = movieAt("work/one.m4v");
    first->setHdVideo(2);
    auto second = movieAt("work/deeper/two.m4v");
    auto third = movieAt("work/deeper/three.m4v");
    ASSERT_TRUE(save(*first));
    ASSERT_TRUE(save(*second));
    ASSERT_TRUE(save(*third));
    EXPECT_EQ(relative(*first), "work/Alien (1080p HD).m4v");
    EXPECT_EQ(relative(*second), "work/deeper/Alien.m4v");
    EXPECT_EQ(relative(*third), "work/deeper/Alien[1].m4v");
    EXPECT_EQ(entries("work/deeper"), (QStringList{"Alien.m4v", "Alien[1].m4v"}));
    EXPECT_EQ(titleTag(third->fileUrl().toLocalFile()), "Alien");
}

TEST_F(MovieFileSavingTest, AWorkingFolderChosenWithATrailingSlashHoldsItsOwnFiles)
{
    set("WorkingDirectoryBookmark", platform::bookmarkDataForFolder(QUrl::fromLocalFile(m_work + "/")));
    set("FileNamePatternForSaving", 1);
    auto movie = movieAt("work/file.m4v");
    ASSERT_TRUE(save(*movie));
    EXPECT_EQ(relative(*movie), "work/Alien.m4v");
}

TEST_F(MovieFileSavingTest, TheWorkingFolderIsAPlainPrefixOfThePath)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);
    auto sibling = movieAt("work-extra/file.m4v");
    auto outside = movieAt("elsewhere/file.m4v");
    ASSERT_TRUE(save(*sibling));
    ASSERT_TRUE(save(*outside));
    EXPECT_EQ(relative(*sibling), "work-extra/Alien.m4v");
    EXPECT_EQ(relative(*outside), "elsewhere/file.m4v");
}

TEST_F(MovieFileSavingTest, ANameThatFitsStaysAndACaseChangeGoesThroughTheTemporaryName)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);
    auto fits = movieAt("work/Alien.m4v");
    const ino_t before = inode(m_work + "/Alien.m4v");
    ASSERT_TRUE(save(*fits));
    EXPECT_EQ(relative(*fits), "work/Alien.m4v");
    EXPECT_EQ(inode(m_work + "/Alien.m4v"), before);

    auto lower = movieAt("work/heat.m4v", "Heat");
    ASSERT_TRUE(save(*lower));
    EXPECT_EQ(relative(*lower), "work/Heat.m4v");
    EXPECT_EQ(entries("work"), (QStringList{"Alien.m4v", "Heat.m4v"}));
}

TEST_F(MovieFileSavingTest, PlexSideFilesBesideTheMovie)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);  // Plex makes it title and year anyway
    set("WritePLEXFiles", true);
    auto movie = movieAt("work/file.m4v");
    giveCoverAndSubtitle(*movie, QSize(40, 30));
    auto bare = movieAt("work/bare.m4v", "Heat");
    bare->setSubtitle("");
    ASSERT_TRUE(save(*movie));
    ASSERT_TRUE(save(*bare));

    EXPECT_EQ(relative(*movie), "work/Alien - (1979).m4v");
    EXPECT_EQ(entries("work"),
              (QStringList{"Alien - (1979).de.srt", "Alien - (1979).jpg", "Alien - (1979).m4v", "Heat - (1979).m4v"}));
    const QImage written(m_work + "/Alien - (1979).jpg", "JPEG");
    EXPECT_EQ(written.size(), QSize(40, 30));
    EXPECT_EQ(contents(m_work + "/Alien - (1979).de.srt"), kSubtitle.toUtf8());
}

TEST_F(MovieFileSavingTest, PlexSideFilesInAFolderOfTheMovieOwnAndNoDeeperOnTheNextSave)
{
    auto movie = saveWithPlexFolders();
    EXPECT_EQ(relative(*movie), "work/Alien - (1979)/Alien - (1979).m4v");
    EXPECT_EQ(entries("work"), QStringList{"Alien - (1979)"});
    EXPECT_EQ(entries("work/Alien - (1979)"),
              (QStringList{"Alien - (1979).de.srt", "Alien - (1979).m4v", "cover.jpg"}));

    movie->setComments("again");
    ASSERT_TRUE(save(*movie));
    EXPECT_EQ(relative(*movie), "work/Alien - (1979)/Alien - (1979).m4v");
    EXPECT_EQ(entries("work/Alien - (1979)"),
              (QStringList{"Alien - (1979).de.srt", "Alien - (1979).m4v", "cover.jpg"}));
}

TEST_F(MovieFileSavingTest, PlexFolderNeverReplacesAnotherMovie)
{
    QDir().mkpath(m_work + "/Alien - (1979)");
    ASSERT_TRUE(touch(m_work + "/Alien - (1979)/Alien - (1979).m4v", "the other movie"));
    auto movie = saveWithPlexFolders();
    EXPECT_EQ(relative(*movie), "work/Alien - (1979).m4v");
    EXPECT_EQ(contents(m_work + "/Alien - (1979)/Alien - (1979).m4v"), QByteArray("the other movie"));
    EXPECT_FALSE(titleTag(movie->fileUrl().toLocalFile()).isEmpty());
    // Left beside its folder, the movie gets its subtitle beside it and the cover in its own folder.
    EXPECT_EQ(entries("work"),
              (QStringList{"Alien - (1979)", "Alien - (1979).de.srt", "Alien - (1979).m4v", "cover.jpg"}));
    EXPECT_EQ(entries("work/Alien - (1979)"), QStringList{"Alien - (1979).m4v"});
}

TEST_F(MovieFileSavingTest, PlexFolderCannotBeMadeWhereAFileHasItsName)
{
    ASSERT_TRUE(touch(m_work + "/Alien - (1979)", "a plain file"));
    auto movie = saveWithPlexFolders();
    EXPECT_EQ(relative(*movie), "work/Alien - (1979).m4v");
    EXPECT_EQ(contents(m_work + "/Alien - (1979)"), QByteArray("a plain file"));
    EXPECT_EQ(entries("work"),
              (QStringList{"Alien - (1979)", "Alien - (1979).de.srt", "Alien - (1979).m4v", "cover.jpg"}));
}

TEST_F(MovieFileSavingTest, AFailedWriteLeavesFileAndRecordAndStopsTheSave)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);
    auto good = movieAt("work/good.m4v", "Good");
    auto broken = std::make_shared<MovieModel>();
    const QString brokenPath = m_work + "/broken.m4v";
    ASSERT_TRUE(touch(brokenPath, "this is not a movie file"));
    broken->setFileUrl(QUrl::fromLocalFile(brokenPath));
    broken->setTitle("Broken");
    auto later = movieAt("work/later.m4v", "Later");

    MovieList list;
    list.addObject(good);
    list.addObject(broken);
    list.addObject(later);
    EXPECT_FALSE(saveFiles(list, QUrl(), false, false, "de", "us"));
    // The alert counts what it leaves unsaved (the broken one and the one after
    // it, not tried) and names both.
    const Shown why{"fileError", "fileNotChangeable", {"broken.m4v"}, brokenPath};
    const Shown stopped{"fileError",
                        "saveStoppedBody",
                        {"broken.m4v", why.bodyText(), "2", "1"},
                        brokenPath + "\n" + m_work + "/later.m4v"};
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{stopped});
    EXPECT_EQ(relative(*good), "work/Good.m4v");
    EXPECT_TRUE(good->isTagged());
    EXPECT_EQ(contents(brokenPath), QByteArray("this is not a movie file"));
    EXPECT_EQ(broken->fileUrl(), QUrl::fromLocalFile(brokenPath));
    EXPECT_FALSE(broken->isTagged());
    EXPECT_EQ(relative(*later), "work/later.m4v");
    EXPECT_FALSE(later->isTagged());
}

TEST_F(MovieFileSavingTest, AFailedRenameKeepsTheFileAndTheSaveGoesOn)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);
    auto blocked = movieAt("work/first.m4v", "Blocked");
    QDir().mkpath(m_work + "/Blocked.m4v.tmp/occupied");  // the temporary name is taken
    auto next = movieAt("work/second.m4v", "Next");
    MovieList list;
    list.addObject(blocked);
    list.addObject(next);
    platform::LogCapture log;
    EXPECT_TRUE(saveFiles(list, QUrl(), false, false, "de", "us"));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{cantModify(m_work + "/first.m4v")});
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Error: "));
    EXPECT_EQ(relative(*blocked), "work/first.m4v");
    EXPECT_TRUE(blocked->isTagged());
    EXPECT_EQ(titleTag(m_work + "/first.m4v"), "Blocked");
    EXPECT_EQ(relative(*next), "work/Next.m4v");
}

TEST_F(MovieFileSavingTest, ARenameWhoseSecondMoveFailsPutsTheFileBack)
{
    ASSERT_TRUE(touch(m_work + "/present.m4v", "present"));
    ASSERT_TRUE(touch(m_work + "/taken.m4v", "taken"));
    QUrl location;
    platform::LogCapture log;
    EXPECT_FALSE(saveRenameFile(QUrl::fromLocalFile(m_work + "/present.m4v"),
                                QUrl::fromLocalFile(m_work + "/taken.m4v"), &location));
    EXPECT_EQ(location, QUrl::fromLocalFile(m_work + "/present.m4v"));
    EXPECT_EQ(contents(m_work + "/present.m4v"), QByteArray("present"));
    EXPECT_EQ(contents(m_work + "/taken.m4v"), QByteArray("taken"));
    EXPECT_EQ(entries("work"), (QStringList{"present.m4v", "taken.m4v"}));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{cantModify(m_work + "/present.m4v")});
    EXPECT_EQ(log.lines().size(), 1);

    EXPECT_TRUE(saveRenameFile(QUrl::fromLocalFile(m_work + "/present.m4v"), QUrl::fromLocalFile(m_work + "/new.m4v"),
                               &location));
    EXPECT_EQ(location, QUrl::fromLocalFile(m_work + "/new.m4v"));
    EXPECT_EQ(entries("work"), (QStringList{"new.m4v", "taken.m4v"}));
}

TEST_F(MovieFileSavingTest, PlainSaveSkipsTaggedAndUnreadyRecordsButForcedSaveDoesNot)
{
    auto ready = movieAt("work/ready.m4v", "Ready");
    auto tagged = movieAt("work/tagged.m4v", "Tagged");
    tagged->setTagged(true);
    auto untitled = movieAt("work/untitled.m4v");
    untitled->setTitle(QString());
    ASSERT_EQ(untitled->status(), MovieModel::kStatusNoTitle);
    MovieList list;
    list.addObject(ready);
    list.addObject(tagged);
    list.addObject(untitled);

    EXPECT_TRUE(saveFiles(list, QUrl(), true, false, "de", "us"));  // nothing selected
    EXPECT_FALSE(ready->isTagged());
    EXPECT_TRUE(saveFiles(list, QUrl(), false, false, "de", "us"));
    EXPECT_TRUE(ready->isTagged());
    EXPECT_TRUE(titleTag(m_work + "/tagged.m4v").isEmpty());
    EXPECT_FALSE(untitled->isTagged());

    list.setSelectionIndexes({1, 2});
    EXPECT_TRUE(saveFiles(list, QUrl(), true, true, "de", "us"));
    EXPECT_EQ(titleTag(m_work + "/tagged.m4v"), "Tagged");
    EXPECT_TRUE(untitled->isTagged());

    MovieList empty;
    EXPECT_TRUE(saveFiles(empty, QUrl(), false, false, "de", "us"));
    EXPECT_TRUE(m_alerts.shown().isEmpty());
}

// A media library that records what it is asked.
class FakeMediaLibrary : public platform::MediaLibrary {
public:
    QVersionNumber version{10, 14};
    bool reachable = true;
    bool respondsToAdd = true;
    bool accepts = true;

    QVersionNumber operatingSystemVersion() const override { return version; }

    std::unique_ptr<platform::MediaLibraryApplication> application(const QString& bundleIdentifier) override
    {
        QMutexLocker lock(&m_mutex);
        m_asked << bundleIdentifier;
        if (!reachable)
            return nullptr;
        return std::make_unique<Application>(*this);
    }

    QStringList asked() const
    {
        QMutexLocker lock(&m_mutex);
        return m_asked;
    }
    QList<QUrl> added() const
    {
        QMutexLocker lock(&m_mutex);
        return m_added;
    }

private:
    class Application : public platform::MediaLibraryApplication {
    public:
        explicit Application(FakeMediaLibrary& library) : m_library(library) {}
        bool respondsToAdd() const override { return m_library.respondsToAdd; }
        bool add(const QList<QUrl>& files) override
        {
            QMutexLocker lock(&m_library.m_mutex);
            m_library.m_added << files;
            return m_library.accepts;
        }

    private:
        FakeMediaLibrary& m_library;
    };

    mutable QMutex m_mutex;
    QStringList m_asked;
    QList<QUrl> m_added;
};

class MediaLibraryImportTest : public MovieFileSavingTest {
protected:
    void SetUp() override
    {
        MovieFileSavingTest::SetUp();
        platform::MediaLibrary::setCurrent(&m_library);
    }
    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        platform::MediaLibrary::setCurrent(nullptr);
        MovieFileSavingTest::TearDown();
    }

    FakeMediaLibrary m_library;
};

TEST_F(MediaLibraryImportTest, EachSavedFileIsHandedOverUnderItsFinalNameAfterASecond)
{
    useWorkingFolder();
    set("FileNamePatternForSaving", 1);
    set("MoveTaggedFilesToiTunes", true);
    auto movie = movieAt("work/file.m4v");
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(save(*movie));
    EXPECT_GE(timer.elapsed(), 1000);
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(m_library.asked(), QStringList{"com.apple.iTunes"});
    EXPECT_EQ(m_library.added(), QList<QUrl>{QUrl::fromLocalFile(m_work + "/Alien.m4v")});
}

TEST_F(MediaLibraryImportTest, TheSystemVersionPicksTheApplication)
{
    const QUrl file = QUrl::fromLocalFile(m_work + "/a.m4v");
    for (const QVersionNumber& version : {QVersionNumber(10, 14, 6), QVersionNumber(10, 15), QVersionNumber(11),
                                          QVersionNumber(9, 20), QVersionNumber()}) {
        m_library.version = version;
        EXPECT_TRUE(importFileToMediaLibrary(file));
    }
    EXPECT_EQ(m_library.asked(), (QStringList{"com.apple.iTunes", "com.apple.tv", "com.apple.tv", "com.apple.iTunes",
                                              "com.apple.iTunes"}));
    EXPECT_FALSE(importFileToTVApp(QUrl()));
}

TEST_F(MediaLibraryImportTest, EachFailureHasItsLogLine)
{
    const QUrl file = QUrl::fromLocalFile(m_work + "/a b.m4v");
    platform::LogCapture log;
    m_library.accepts = false;
    EXPECT_FALSE(importFileToiTunes(file));
    EXPECT_FALSE(importFileToTVApp(file));
    m_library.respondsToAdd = false;
    EXPECT_FALSE(importFileToiTunes(file));
    EXPECT_FALSE(importFileToTVApp(file));
    m_library.reachable = false;
    EXPECT_FALSE(importFileToiTunes(file));
    EXPECT_FALSE(importFileToTVApp(file));
    EXPECT_EQ(log.lines(),
              (QStringList{"Can't import file 'a b.m4v' in iTunes", "Can't import file 'a b.m4v' in TV App",
                           "iTunes scripting object doesn't respond to 'add:to:' selector",
                           "TV App scripting object doesn't respond to 'add:to:' selector",
                           "Can't open scripting bridge to iTunes", "Can't open scripting bridge to TV App"}));
}

TEST(SystemMediaLibraryTest, HasNoApplicationToImportInto)
{
    platform::LogCapture log;
    EXPECT_FALSE(importFileToMediaLibrary(QUrl::fromLocalFile("/tmp/x.m4v")));
    EXPECT_EQ(log.lines(), (QStringList{"No media-library application is available on this system (com.apple.iTunes)",
                                        "Can't open scripting bridge to iTunes"}));
}

}  // namespace
