// Nothing the user did is lost without a question, and no failure goes by
// without naming its file: quitting with records not yet saved, a save that
// cannot write its file, a load that stops at an unreadable file.
#include "app/filechooser.h"
#include "app/harness/appfixture.h"
#include "app/movielisttablemodel.h"
#include "platform/localized.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes a file unwritable for as long as it lives: no write permission, and
// for root, who writes anyway, the file system's immutable flag.
class UnwritableFile {
public:
    explicit UnwritableFile(const QString& path) : m_path(path)
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (::geteuid() == 0)
            m_immutable = setFlags(FS_IMMUTABLE_FL);
    }
    ~UnwritableFile()
    {
        if (m_immutable)
            setFlags(0);
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    UnwritableFile(const UnwritableFile&) = delete;
    UnwritableFile& operator=(const UnwritableFile&) = delete;

    bool holds() const
    {
        QFile file(m_path);
        return !file.open(QIODevice::ReadWrite);
    }

private:
    bool setFlags(int flags) const
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY);
        if (fd < 0)
            return false;
        const bool set = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return set;
    }

    QString m_path;
    bool m_immutable = false;
};

class UnsavedWork : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        m_language = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
    }
    void TearDown() override
    {
        platform::setLocalizationLanguage(m_language);
        AppFixture::TearDown();
    }

    Ui::MainWindow& ui() const { return m_controller->ui(); }

    // A fresh main window on the screen with one tagged movie "alpha" whose
    // title the user changed to `title` (its light yellow); the movie's path.
    QString windowWithEditedMovie(const QString& title)
    {
        m_controller = std::make_unique<KorvalaneController>();
        const QString path = makeMovies({"alpha"}, true).first();
        EXPECT_TRUE(m_controller->loadMoviesByURL(QStringList{path}));
        m_controller->mainWindow()->show();
        QLineEdit* edit = ui().titleEdit;
        edit->selectAll();
        QTest::keyClicks(edit, title);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(list().arrangedObjects().first()->status(), MovieModel::kStatusReadyToTag);
        return path;
    }

    // The user quits with the menu's command (Ctrl+Q) while the application
    // runs its event loop; true when the application ended, false when its
    // window was still open once the command returned.
    bool quitByMenu()
    {
        // Only against a hang should quitting neither end nor be refused.
        QTimer hung;
        hung.setSingleShot(true);
        QObject::connect(&hung, &QTimer::timeout, [] {
            ADD_FAILURE() << "the window closed but the application went on";
            QCoreApplication::exit(kStillRunning);
        });
        QTimer::singleShot(0, m_controller.get(), [&] {
            ui().actionQuit->trigger();
            if (m_controller->mainWindow()->isVisible())
                QCoreApplication::exit(kStillRunning);
            else
                hung.start(30'000);
        });
        return QCoreApplication::exec() != kStillRunning;
    }

    static constexpr int kStillRunning = 7;
    QString m_language;
};

TEST_F(UnsavedWork, QuittingWithAYellowRecordAsksAndEachAnswerDoesWhatItSays)
{
    struct Case {
        const char* name;
        platform::SaveChoice answer;
        bool quits;
        bool written;
    };
    const Case cases[] = {
        {"cancel", platform::SaveChoice::Cancel, false, false},
        {"discard", platform::SaveChoice::Discard, true, false},
        {"save all", platform::SaveChoice::SaveAll, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = windowWithEditedMovie("Alpha Returns");
        const QByteArray before = fileBytes(path);
        const qsizetype asked = m_alerts->questions().size();
        m_alerts->setAnswer(c.answer);

        EXPECT_EQ(quitByMenu(), c.quits);

        ASSERT_EQ(m_alerts->questions().size(), asked + 1);
        const platform::Alert& question = m_alerts->questions().last();
        EXPECT_EQ(question.headerKey, "unsavedMoviesHeader");
        EXPECT_EQ(question.arguments, QStringList{"1"});
        EXPECT_EQ(m_controller->mainWindow()->isVisible(), !c.quits);
        EXPECT_TRUE(m_alerts->shown().isEmpty());
        if (c.written) {
            EXPECT_TRUE(m_factory.atomicParsleyTags(path).contains("Alpha Returns"));
            EXPECT_EQ(list().arrangedObjects().first()->status(), MovieModel::kStatusTagged);
        } else {
            EXPECT_EQ(fileBytes(path), before);
        }
        if (!c.quits) {
            // Nothing changed: the record, its light and the editor still hold the edit.
            EXPECT_EQ(list().arrangedObjects().first()->status(), MovieModel::kStatusReadyToTag);
            EXPECT_EQ(ui().titleEdit->text(), "Alpha Returns");
            EXPECT_TRUE(ui().actionSaveAll->isEnabled());
        }
    }
}

TEST_F(UnsavedWork, QuittingWithEverythingSavedAsksNothing)
{
    loadMovies({"alpha", "beta"}, true);
    m_controller->mainWindow()->show();
    EXPECT_TRUE(quitByMenu());
    EXPECT_TRUE(m_alerts->questions().isEmpty());
    EXPECT_FALSE(m_controller->mainWindow()->isVisible());
}

// Saving a file that cannot be written names it, the record stays yellow,
// and Save All on quitting fails the same way and keeps the window open.
TEST_F(UnsavedWork, AFileThatCannotBeWrittenIsNamedAndKeepsTheWindowOpen)
{
    const QString path = windowWithEditedMovie("Alpha Returns");
    const UnwritableFile unwritable(path);
    if (!unwritable.holds())
        GTEST_SKIP() << "this machine lets the test write a read-only file";
    const QByteArray before = fileBytes(path);

    ui().actionSave->trigger();
    const platform::Alert named{"fileError", "cantModifyFile", {"alpha.m4v"}, path};
    ASSERT_EQ(m_alerts->shown(), QList<platform::Alert>{named});
    EXPECT_EQ(m_alerts->shown().first().headerText(), QString::fromUtf8("Cannot save the movie file “alpha.m4v”"));

    m_alerts->setAnswer(platform::SaveChoice::SaveAll);
    EXPECT_FALSE(quitByMenu());
    EXPECT_EQ(m_alerts->shown(), (QList<platform::Alert>{named, named}));
    EXPECT_TRUE(m_controller->mainWindow()->isVisible());
    EXPECT_EQ(list().arrangedObjects().first()->status(), MovieModel::kStatusReadyToTag);
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(UnsavedWork, AFileThatVanishedIsNamedWhenSaved)
{
    const QString path = windowWithEditedMovie("Alpha Returns");
    ASSERT_TRUE(QFile::remove(path));
    ui().actionSaveAll->trigger();
    EXPECT_EQ(m_alerts->shown(), (QList<platform::Alert>{{"fileError", "cantModifyFile", {"alpha.m4v"}, path}}));
    EXPECT_EQ(list().arrangedObjects().first()->status(), MovieModel::kStatusReadyToTag);
}

// Opening a folder of eight movies whose fourth is cut short loads the three
// before it, names the fourth and says how many after it were left out.
TEST_F(UnsavedWork, ALoadStoppedByAnUnreadableFileNamesItAndCountsTheRest)
{
    const QStringList movies = makeMovies({"m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8"});
    QFile cut(movies[3]);
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    RecordingFileChooser chooser;
    chooser.queueAnswer({QUrl::fromLocalFile(m_factory.dir())});
    m_controller->mainWindow()->show();

    ui().actionOpen->trigger();

    ASSERT_EQ(m_alerts->shown().size(), 1);
    const platform::Alert& alert = m_alerts->shown().first();
    EXPECT_EQ(alert.headerKey, "loadMovieHeader");
    EXPECT_EQ(alert.details, movies[3]);
    EXPECT_EQ(alert.headerText(), QString::fromUtf8("Cannot read the movie file “m4.m4v”"));
    EXPECT_TRUE(alert.bodyText().endsWith("The 4 files after it were not loaded.")) << alert.bodyText().toStdString();
    // The window lists the three before it.
    const MovieListTableModel& rows = list().tableModel();
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.index(2, MovieListTableModel::TitleColumn).data().toString(),
              list().arrangedObjects().at(2)->titleAndFile());
    EXPECT_EQ(list().arrangedObjects().at(2)->fileUrl(), QUrl::fromLocalFile(movies[2]));
}

}  // namespace
