// Pages opened in the user's browser: the services' search pages for the
// title in the editor, and our own help pages in the user's language.
#include "app/harness/appfixture.h"
#include "app/helppages.h"
#include "app/workspace.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace {

using ServicePages = AppFixture;

// The offline services point every host at "http://127.0.0.1:9".
TEST_F(ServicePages, TitlesAreEscapedAsOneValueOfTheAddress)
{
    qputenv("KORVALANE_OPENSUBTITLES_WEB_URL", "http://127.0.0.1:9/site");
    struct Case {
        QString title;
        QByteArray chapterPage;
        QByteArray subtitlePage;
    };
    const QByteArray subtitleTail = "/hearing_impaired-include/machine_translated-/trusted_sources-";
    const Case cases[] = {
        {"", "http://127.0.0.1:9/browse", "http://127.0.0.1:9/site"},
        {"Das Boot", "http://127.0.0.1:9/browse?title=Das%20Boot",
         "http://127.0.0.1:9/site/en/en/search-all/q-Das%20Boot" + subtitleTail},
        {QString::fromUtf8("Amélie"), "http://127.0.0.1:9/browse?title=Am%C3%A9lie",
         "http://127.0.0.1:9/site/en/en/search-all/q-Am%C3%A9lie" + subtitleTail},
        {"Fast & Furious?", "http://127.0.0.1:9/browse?title=Fast%20%26%20Furious%3F",
         "http://127.0.0.1:9/site/en/en/search-all/q-Fast%20%26%20Furious%3F" + subtitleTail},
        {"#1 AC/DC", "http://127.0.0.1:9/browse?title=%231%20AC%2FDC",
         "http://127.0.0.1:9/site/en/en/search-all/q-%231%20AC%2FDC" + subtitleTail},
    };
    RecordingWorkspace workspace;
    for (const Case& c : cases) {
        const qsizetype before = workspace.opened().size();
        m_controller->titleEdit()->setText(c.title);
        m_controller->chapterDbSearch();
        m_controller->openSubtitleWebSearch();
        ASSERT_EQ(workspace.opened().size(), before + 2);
        const QUrl chapterPage = workspace.opened()[before];
        EXPECT_EQ(chapterPage.toEncoded(), c.chapterPage) << c.title.toStdString();
        EXPECT_EQ(workspace.opened()[before + 1].toEncoded(), c.subtitlePage) << c.title.toStdString();
        // The address reads back as the title it was made from.
        if (!c.title.isEmpty()) {
            EXPECT_EQ(QUrlQuery(chapterPage).queryItemValue("title", QUrl::FullyDecoded), c.title);
        }
    }
    qunsetenv("KORVALANE_OPENSUBTITLES_WEB_URL");
}

TEST(HelpLanguage, GermanOnlyWhenTheFirstPreferredLanguageIsGerman)
{
    const std::pair<QStringList, QString> cases[] = {
        {{"de-DE", "en-US"}, "de"}, {{"DE-at"}, "de"}, {{"de"}, "de"}, {{"en-US", "de-DE"}, "en"},
        {{"fr-FR"}, "en"},          {{"d"}, "en"},     {{}, "en"},     {{"dsb-DE"}, "en"},
    };
    for (const auto& [preferred, code] : cases)
        EXPECT_EQ(HelpPages::languageCode(preferred), code) << preferred.join(',').toStdString();
}

class HelpPagesTest : public AppFixture {
protected:
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        AppFixture::TearDown();
    }
};

// Each help command opens its own existing page, in the user's language.
TEST_F(HelpPagesTest, EveryCommandOpensAnExistingPageInTheUsersLanguage)
{
    const std::pair<void (KorvalaneController::*)(), HelpPages::Page> commands[] = {
        {&KorvalaneController::openHelp, HelpPages::Page::HowTo},
        {&KorvalaneController::openMainWindowHelp, HelpPages::Page::MainWindow},
        {&KorvalaneController::openSearchWindowHelp, HelpPages::Page::SearchWindow},
        {&KorvalaneController::openMenuWindowHelp, HelpPages::Page::Menu},
        {&KorvalaneController::openSupportHelp, HelpPages::Page::Support},
    };
    for (const QString language : {"de", "en"}) {
        QLocale::setDefault(QLocale(language == "de" ? "de_DE" : "en_GB"));
        RecordingWorkspace workspace;
        QStringList opened;
        for (const auto& [command, page] : commands) {
            (m_controller.get()->*command)();
            ASSERT_FALSE(workspace.opened().isEmpty());
            const QUrl url = workspace.opened().last();
            ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
            EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile()) << url.toString().toStdString();
            EXPECT_TRUE(url.path().endsWith("/" + language + "/" + HelpPages::fileName(page)));
            opened << url.path();
        }
        opened.removeDuplicates();
        EXPECT_EQ(opened.size(), 5);
    }
}

// Copies the folder `from` with everything in it to `to`.
void copyTree(const QString& from, const QString& to)
{
    QDirIterator entries(from, QDir::Files, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString file = entries.next();
        const QString target = to + file.mid(from.size());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
        ASSERT_TRUE(QFile::copy(file, target)) << target.toStdString();
    }
}

// Help is looked for from where the program is: beside it (a build folder),
// under its prefix (an install), and only then where it was built; so a
// build folder or an install that was moved finds its own.
TEST(HelpFolder, IsFoundFromWhereTheProgramIsWhereverItsFolderWasMoved)
{
    const QString built = QStringLiteral(KORVALANE_PROGRAM_FOLDER);
    ASSERT_TRUE(QFileInfo(built + "/help/en/index.html").isFile()) << "the build puts the help beside the program";
    QTemporaryDir moved;
    copyTree(built + "/help", moved.filePath("build/src/app/help"));
    copyTree(built + "/help", moved.filePath("prefix/share/korvalane/help"));
    ASSERT_TRUE(QDir().mkpath(moved.filePath("prefix/bin")) && QDir().mkpath(moved.filePath("bare/bin")));
    const struct {
        QString program;
        QString found;
    } cases[] = {
        {built, built + "/help"},
        {moved.filePath("build/src/app"), moved.filePath("build/src/app/help")},
        {moved.filePath("prefix/bin"), moved.filePath("prefix/share/korvalane/help")},
        {moved.filePath("bare/bin"), KORVALANE_TEST_DATA "/../../resources/help"},
    };
    for (const auto& [program, found] : cases)
        EXPECT_EQ(HelpPages::folderFor(program), QDir::cleanPath(found)) << program.toStdString();
}

// Every link and picture of the pages under `root` leads to a file that
// exists, and both languages have the same pages.
void expectEveryLinkLeadsToAFile(const QString& root)
{
    SCOPED_TRACE(root.toStdString());
    const QDir help(root);
    ASSERT_TRUE(help.exists());
    const QStringList english = QDir(help.filePath("en")).entryList({"*.html"}, QDir::Files, QDir::Name);
    EXPECT_EQ(QDir(help.filePath("de")).entryList({"*.html"}, QDir::Files, QDir::Name), english);
    const QRegularExpression reference(R"re((?:href|src)="([^"]*)")re");
    int links = 0;
    for (const QString language : {"en", "de"}) {
        const QDir folder(help.filePath(language));
        for (const QString& page : english) {
            QFile file(folder.filePath(page));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
            const QString text = QString::fromUtf8(file.readAll());
            EXPECT_TRUE(text.contains(QString("<html lang=\"%1\">").arg(language))) << page.toStdString();
            for (const QRegularExpressionMatch& match : reference.globalMatch(text)) {
                const QString target = match.captured(1);
                ASSERT_FALSE(target.contains("://")) << "pages link only among themselves: " << target.toStdString();
                const QString path = folder.filePath(target.section('#', 0, 0));
                EXPECT_TRUE(QFileInfo(path).isFile())
                    << language.toStdString() << "/" << page.toStdString() << " -> " << target.toStdString();
                ++links;
            }
        }
    }
    EXPECT_GT(links, 2 * 5 * 6);  // the style sheet and the five pages of the menu bar, at least
}

// The help in the source tree, and its copy beside the program in the build tree.
TEST(HelpLinks, EveryLinkOfBothLanguagesLeadsToAnExistingFile)
{
    for (const QString& root : {HelpPages::folder(), QStringLiteral(KORVALANE_PROGRAM_FOLDER "/help")})
        expectEveryLinkLeadsToAFile(root);
}

}  // namespace
