#include "tagging/moviefileloading.h"

#include "model/movielist.h"
#include "model/moviemodel.h"
#include "mp4/moviefile.h"
#include "platform/alerts.h"
#include "platform/localized.h"
#include "support/moviefactory.h"
#include "tagging/namingtestsupport.h"

#include <QDir>

#include <sys/stat.h>

namespace {

using namespace MovieFileManager;
using Shown = platform::RecordingAlerts::Shown;

const Shown kNoFiles{"loadNoFilesHeader", "loadNoFilesBody"};

// The alerts about one file name it, with its full path as the details.
Shown noEyeTVFile(const QString& path)
{
    return {"loadNoEyeTVFileHeader", "loadNoEyeTVFileBody", {QFileInfo(path).fileName()}, path};
}

// `notLoaded`: what the alert says about the files left unloaded after it.
Shown cantRead(const QString& path, const QString& notLoaded = QString())
{
    return {"loadMovieHeader", "loadMovieBody", {QFileInfo(path).fileName(), notLoaded}, path};
}

// A folder of real movie files made by ffmpeg: plain ones, one that carries a
// title, hidden ones, nested ones, EyeTV recordings and other packages.
class MovieFileLoadingTest : public FreshSettingsTest {
protected:
    void SetUp() override
    {
        FreshSettingsTest::SetUp();
        testsupport::MovieRecipe recipe = smallMovieRecipe();
        m_plain = m_factory.make(recipe, "plain.mp4");
        recipe.metadata = {{"title", "Bravo"}};
        m_titled = m_factory.make(recipe, "titled.m4v");
        ASSERT_FALSE(m_plain.isEmpty());
        ASSERT_FALSE(m_titled.isEmpty());
    }

    QString put(const QString& relative, bool titled = false)
    {
        const QString target = root(relative);
        QDir().mkpath(QFileInfo(target).absolutePath());
        EXPECT_TRUE(QFile::copy(titled ? m_titled : m_plain, target)) << relative.toStdString();
        return target;
    }

    QString root(const QString& relative = QString()) const
    {
        return relative.isEmpty() ? m_root.path() : m_root.filePath(relative);
    }

    void buildTree()
    {
        put("a.mp4");
        put("B.M4V", true);
        touch(root("notes.txt"));
        put(".hidden.mp4");
        put(".hiddendir/x.mp4");
        put("sub/c.m4v");
        put("sub/deeper/d.mp4");
        put("sub/.e.mp4");
        put("Recording.eyetv/Inner/rec.m4v");
        put("Archive.EYETV/f.mp4");
    }

    QStringList loadedFiles() const
    {
        QStringList files;
        for (const auto& movie : m_list.arrangedObjects())
            files << QDir(root()).relativeFilePath(movie->fileUrl().toLocalFile());
        return files;
    }

    bool load(const QVariantList& items) { return loadFiles(items, m_list, "en"); }

    testsupport::MovieFactory m_factory;
    QString m_plain;
    QString m_titled;
    QTemporaryDir m_root;
    platform::RecordingAlerts m_alerts;
    MovieList m_list;
};

TEST_F(MovieFileLoadingTest, AFolderGivesItsOwnMovieFilesInNameOrder)
{
    buildTree();
    ASSERT_TRUE(load({root()}));
    EXPECT_EQ(loadedFiles(), (QStringList{"B.M4V", "a.mp4"}));
    EXPECT_TRUE(m_alerts.shown().isEmpty());
}

TEST_F(MovieFileLoadingTest, RecursionEntersFoldersButNeverPackagesOrHiddenEntries)
{
    buildTree();
    ASSERT_TRUE(QFile::link(root("sub"), root("linked")));  // a loop-safe scan does not follow it
    set("SearchForMovieFilesRecursivly", true);
    ASSERT_TRUE(load({root()}));
    EXPECT_EQ(loadedFiles(), (QStringList{"B.M4V", "a.mp4", "sub/c.m4v", "sub/deeper/d.mp4"}));
}

TEST_F(MovieFileLoadingTest, ATitledFileIsTaggedAndAnUntitledOneGetsItsName)
{
    put("The_Big.Night.mp4");
    put("B.M4V", true);
    ASSERT_TRUE(load({QUrl::fromLocalFile(root("The_Big.Night.mp4")), root("B.M4V")}));
    ASSERT_EQ(m_list.arrangedObjects().size(), 2);
    const auto& untitled = m_list.arrangedObjects().at(0);
    EXPECT_EQ(untitled->title(), "The Big Night");
    EXPECT_FALSE(untitled->isTagged());
    EXPECT_EQ(untitled->status(), MovieModel::kStatusReadyToTag);
    const auto& titled = m_list.arrangedObjects().at(1);
    EXPECT_EQ(titled->title(), "Bravo");
    EXPECT_FALSE(titled->coverIsSet());
    EXPECT_TRUE(titled->isTagged());  // a title is enough, cover or not
    EXPECT_EQ(titled->status(), MovieModel::kStatusTagged);
}

TEST_F(MovieFileLoadingTest, AnEmptyTitleTagIsATitleButTheNameReplacesIt)
{
    const QString file = put("empty_title.mp4");
    {
        auto movieFile = mp4::MovieFile::openForModify(QFile::encodeName(file).toStdString());
        ASSERT_TRUE(movieFile);
        mp4::Tags tags = movieFile->tags();
        tags.name = std::string();
        ASSERT_TRUE(movieFile->setTags(tags));
        ASSERT_TRUE(movieFile->close());
    }
    ASSERT_TRUE(load({file}));
    ASSERT_EQ(m_list.arrangedObjects().size(), 1);
    const auto& movie = m_list.arrangedObjects().first();
    EXPECT_EQ(movie->title(), "empty title");
    EXPECT_FALSE(movie->isTagged());  // the new title cleared the mark again
}

TEST_F(MovieFileLoadingTest, RelativePathsBecomeAbsoluteFileUrls)
{
    put("a.mp4");
    put("sub/b.mp4");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root()));
    const bool loaded = load({QString("a.mp4"), QString("./a.mp4"), QString("sub/../a.mp4"), root("a.mp4"),
                              QUrl::fromLocalFile(root("sub/../a.mp4")), QString("."), QString("sub")});
    const bool inList = isValidMovieFileOrDirectoryInList(QStringList{"./a.mp4"}, m_list.filesInMovieList());
    QDir::setCurrent(before);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(inList);
    EXPECT_EQ(m_list.filesInMovieList(),
              (QList<QUrl>{QUrl::fromLocalFile(root("a.mp4")), QUrl::fromLocalFile(root("sub/b.mp4"))}));
    EXPECT_FALSE(load({root("a.mp4"), root("sub")}));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{kNoFiles});
}

TEST_F(MovieFileLoadingTest, APipeUnderAMovieNameIsReportedNotOpened)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(root("pipe.mp4")).constData(), 0600), 0);
    EXPECT_FALSE(load({root()}));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{cantRead(root("pipe.mp4"))});
    EXPECT_TRUE(m_list.arrangedObjects().isEmpty());
}

TEST_F(MovieFileLoadingTest, FilesAlreadyInTheListOrGivenTwiceLoadOnce)
{
    put("a.mp4");
    put("b.mp4");
    ASSERT_TRUE(load({root("a.mp4"), root(), root(), QUrl::fromLocalFile(root("a.mp4"))}));
    EXPECT_EQ(loadedFiles(), (QStringList{"a.mp4", "b.mp4"}));

    EXPECT_FALSE(load({root(), root("b.mp4")}));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{kNoFiles});
    EXPECT_EQ(m_list.arrangedObjects().size(), 2);

    put("c.mp4");
    ASSERT_TRUE(load({root()}));
    EXPECT_EQ(loadedFiles(), (QStringList{"a.mp4", "b.mp4", "c.mp4"}));
}

TEST_F(MovieFileLoadingTest, NoListAnswersNoSilentlyAndAnEmptyOneSaysSo)
{
    EXPECT_FALSE(loadFiles(std::nullopt, m_list, "en"));
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_FALSE(load({}));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{kNoFiles});
}

TEST_F(MovieFileLoadingTest, ARecordingLoadsItsInnerMovieEachTimeItIsGiven)
{
    put("Recording.eyetv/Inner/rec_file.m4v");
    put("Recording.eyetv/Inner/z.mp4");
    ASSERT_TRUE(load({root("Recording.eyetv")}));
    ASSERT_TRUE(load({QUrl::fromLocalFile(root("Recording.eyetv")), root("Recording.eyetv")}));
    {
        // From the folder above, as "korvalane Recording.eyetv" gives it: as a path, and as a
        // file URL holding that relative path (how the command line's arguments arrive).
        const QString started = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(root()));
        const bool loaded = load({"Recording.eyetv", QUrl::fromLocalFile("Recording.eyetv")});
        const QUrl inner = getFileUrlOfEyeTVMovieFile(QUrl::fromLocalFile("Recording.eyetv"), "en");
        QDir::setCurrent(started);
        EXPECT_TRUE(loaded);
        EXPECT_EQ(inner.toLocalFile(), "Recording.eyetv/Inner/rec_file.m4v");
    }
    EXPECT_EQ(loadedFiles(), QStringList(5, "Recording.eyetv/Inner/rec_file.m4v"));
    for (const auto& movie : m_list.arrangedObjects())
        EXPECT_EQ(movie->fileUrl(), QUrl::fromLocalFile(root("Recording.eyetv/Inner/rec_file.m4v")));
    EXPECT_EQ(m_list.arrangedObjects().first()->title(), "rec file");
    EXPECT_TRUE(m_alerts.shown().isEmpty());
}

TEST_F(MovieFileLoadingTest, ARecordingWithoutAMovieFileIsReported)
{
    QDir().mkpath(root("Empty.eyetv/Inner"));
    touch(root("Empty.eyetv/Inner/a.M4V"));  // the inner file's extension counts in its case
    EXPECT_FALSE(load({root("Empty.eyetv")}));
    EXPECT_EQ(m_alerts.shown(), (QList<Shown>{noEyeTVFile(root("Empty.eyetv")), kNoFiles}));
}

TEST_F(MovieFileLoadingTest, AnUpperCasePackageIsScannedLikeAFolder)
{
    put("Archive.EYETV/f.mp4");
    ASSERT_TRUE(load({root("Archive.EYETV")}));
    EXPECT_EQ(loadedFiles(), QStringList{"Archive.EYETV/f.mp4"});
}

TEST_F(MovieFileLoadingTest, APlainFileNamedLikeARecordingFailsTwice)
{
    touch(root("fake.eyetv"));
    EXPECT_FALSE(load({root("fake.eyetv")}));
    EXPECT_EQ(m_alerts.shown(), (QList<Shown>{noEyeTVFile(root("fake.eyetv")), cantRead(root("fake.eyetv"))}));
    EXPECT_TRUE(m_list.arrangedObjects().isEmpty());
}

TEST_F(MovieFileLoadingTest, AnUnreadableFileStopsTheLoadAndKeepsWhatCameBefore)
{
    put("1.mp4");
    touch(root("2.mp4"), "not a movie at all");
    put("3.mp4");
    EXPECT_FALSE(load({root()}));
    EXPECT_EQ(loadedFiles(), QStringList{"1.mp4"});
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{cantRead(root("2.mp4"), platform::localized("loadMovieOneNotLoaded"))});
}

TEST_F(MovieFileLoadingTest, MissingFileWithAMovieExtensionIsTriedAndReported)
{
    EXPECT_FALSE(load({root("missing.mp4")}));
    EXPECT_EQ(m_alerts.shown(), QList<Shown>{cantRead(root("missing.mp4"))});
}

TEST_F(MovieFileLoadingTest, ValidityChecks)
{
    put("dir/a.mp4");
    QDir().mkpath(root("Rec.eyetv"));
    auto url = [this](const QString& name) { return QUrl::fromLocalFile(root(name)); };
    EXPECT_EQ(movieFileExtensions(), (QStringList{"mp4", "m4v", "eyetv"}));
    EXPECT_TRUE(isValidMovieFile(url("x.Mp4")));
    EXPECT_TRUE(isValidMovieFile(url("x.EYETV")));
    EXPECT_FALSE(isValidMovieFile(url("x.mov")));
    EXPECT_FALSE(isValidMovieFile(QUrl()));
    EXPECT_TRUE(isValidMovieFileOrDirectory(url("dir")));
    EXPECT_TRUE(isValidMovieFileOrDirectory(url("Rec.eyetv")));  // by its extension
    EXPECT_FALSE(isValidMovieFileOrDirectory(url("nothing")));
    EXPECT_TRUE(isValidEyeTVFile(url("a.eyetvsched")));
    EXPECT_FALSE(isValidEyeTVFile(url("a.EyeTV")));
    EXPECT_TRUE(isValidImageFile(url("a.TIFF")));
    EXPECT_FALSE(isValidImageFile(url("a.bmp")));

    EXPECT_FALSE(isValidMovieFileOrDirectoryInList(std::nullopt, {}));
    EXPECT_FALSE(isValidMovieFileOrDirectoryInList(QStringList{root("notes.txt")}, {}));
    EXPECT_FALSE(isValidMovieFileOrDirectoryInList(QStringList{root("dir/a.mp4")}, {url("dir/a.mp4")}));
    EXPECT_TRUE(isValidMovieFileOrDirectoryInList(QStringList{root("dir/a.mp4"), root("dir")}, {url("dir/a.mp4")}));
}

}  // namespace
