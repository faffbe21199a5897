#include "tagging/moviefilenaming.h"

#include "model/moviemodel.h"
#include "tagging/namingtestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace {

using namespace MovieFileManager;

QDateTime yearDate(int year)
{
    return QDateTime(QDate(year, 1, 1), QTime(12, 0), QTimeZone::utc());
}

class TitleFromFileNameTest : public FreshSettingsTest {
protected:
    static QString title(const QString& name) { return makeTitleFromFileURL(QUrl::fromLocalFile("/movies/" + name)); }

    static void useDelimiters(const QString& begin, const QString& end, bool regex)
    {
        set("UseFileNameDelimiterForTitle", true);
        set("ParseFileNameForTitleDelimiterBegin", begin);
        set("ParseFileNameForTitleDelimiter", end);
        set("UseRegExForTitleExtraction", regex);
    }
};

TEST_F(TitleFromFileNameTest, ReplacesUnderscoresAndDotsWithoutTrimming)
{
    EXPECT_EQ(title("The_Big.Lebowski_.m4v"), "The Big Lebowski ");
    EXPECT_EQ(title("Alien.mp4"), "Alien");
    EXPECT_EQ(makeTitleFromFileURL(QUrl()), "");
    set("DoNotReplaceUnderscoresAndDots", true);
    EXPECT_EQ(title("The_Big.Lebowski_.m4v"), "The_Big.Lebowski_");
}

TEST_F(TitleFromFileNameTest, CharacterSetsCutBetweenFirstBeginAndLastEnd)
{
    useDelimiters("[", "]", false);
    EXPECT_EQ(title("Studio [ Alien [Cut] ] x.m4v"), "Alien [Cut]");
    EXPECT_EQ(title("  Whole Name  .m4v"), "Whole Name");
    useDelimiters("-(", "", false);
    EXPECT_EQ(title("Studio (Alien) - x.m4v"), "Alien) - x");
    useDelimiters("", "", false);
    EXPECT_EQ(title(" Untouched .m4v"), " Untouched ");
}

TEST_F(TitleFromFileNameTest, CharacterSetsTakeCharactersBeyondSixteenBitsWhole)
{
    // U+1F3AC and U+1F39E share their first UTF-16 unit.
    const QString clapper = QString::fromUtf8("\xF0\x9F\x8E\xAC");
    const QString film = QString::fromUtf8("\xF0\x9F\x8E\x9E");
    useDelimiters(clapper, clapper, false);
    EXPECT_EQ(title("a" + film + "b" + clapper + " Alien " + clapper + "x" + film + "y.m4v"), "Alien");
    EXPECT_EQ(title(film + "Heat" + film + ".m4v"), film + "Heat" + film);
}

TEST_F(TitleFromFileNameTest, ExpressionsTakeTheGroupBetweenThem)
{
    useDelimiters("", "\\(", true);
    EXPECT_EQ(title("Alien (1979) (HD).m4v"), "Alien (1979)");  // greedy: up to the last match
    useDelimiters(" - ", "", true);
    EXPECT_EQ(title("Studio - Alien - Cut.mp4"), "Alien - Cut");  // after the first match
    useDelimiters("\\[", "\\]", true);
    EXPECT_EQ(title("x [alien] y.mp4"), "alien");
    useDelimiters("STUDIO ", "", true);
    EXPECT_EQ(title("studio Heat.mp4"), "Heat");  // case-insensitive
}

TEST_F(TitleFromFileNameTest, ABrokenOrMissingExpressionLeavesTheNameUntrimmed)
{
    useDelimiters("(", "", true);
    EXPECT_EQ(title(" Alien (1979).mp4"), " Alien (1979)");
    useDelimiters("", "zzz", true);
    EXPECT_EQ(title(" Alien .mp4"), " Alien ");
}

using Splitter = bool (*)(const QString&, QString*, QString*, QString*);

// One name through a splitter: the three outputs start as "keep", so an
// output the splitter does not set shows as "keep".
struct SplitCase {
    Splitter splitter;
    QString name;
    bool splits;
    QString title;
    QString year;
    QString third;  // the HD flag or the genre
};

TEST(NameSplitterTest, BothSplittersOnTheirExamples)
{
    const QString keep = "keep";
    const QList<SplitCase> cases{
        {parsePlexName, "Alien (1979) HD.m4v", true, "Alien", "1979-01-01 12:00:00 +0000", "HD"},
        {parsePlexName, "Heat - (1995) 720p.mp4", true, "Heat", "1995-01-01 12:00:00 +0000", "720p"},
        {parsePlexName, "Heat (1995).M4V", true, "Heat", "1995-01-01 12:00:00 +0000", keep},
        {parsePlexName, "Up (2009) sd.mp4", true, "Up", "2009-01-01 12:00:00 +0000", "sd"},
        {parsePlexName, "Ran, (1985) 1080p.m4v", true, "Ran", "1985-01-01 12:00:00 +0000", "1080p"},
        {parsePlexName, "Alien 1979.m4v", false, keep, keep, keep},
        {parseEyeTVName, "Tatort - D 2010, Krimi.m4v", true, "Tatort", "2010-01-01 12:00:00 +0000", "Thriller"},
        {parseEyeTVName, "Der Alte - d 1999.mp4", true, "Der Alte", "1999-01-01 12:00:00 +0000", keep},
        {parseEyeTVName, "Heimat - D, A 1984, Nachrichten.m4v", true, "Heimat", "1984-01-01 12:00:00 +0000", QString()},
        {parseEyeTVName, "Tatort 2010.m4v", false, keep, keep, keep},
    };
    for (const SplitCase& example : cases) {
        QString title = keep, year = keep, third = keep;
        EXPECT_EQ(example.splitter(example.name, &title, &year, &third), example.splits) << example.name.toStdString();
        EXPECT_EQ(title, example.title) << example.name.toStdString();
        EXPECT_EQ(year, example.year) << example.name.toStdString();
        EXPECT_EQ(third, example.third) << example.name.toStdString();
        EXPECT_EQ(third.isNull(), example.third.isNull()) << example.name.toStdString();
    }
}

TEST(PatternKeywordTest, GermanSystemsUseGermanWords)
{
    EXPECT_EQ(titleKeyword("de-CH"), "titel");
    EXPECT_EQ(yearKeyword("de"), "jahr");
    EXPECT_EQ(titleKeyword("en-US"), "title");
    EXPECT_EQ(yearKeyword("fr-FR"), "year");
    EXPECT_EQ(yearKeyword(""), "year");
}

// A folder with movie files, and records pointing into it.
class NamingSchemeTest : public FreshSettingsTest {
protected:
    void SetUp() override
    {
        FreshSettingsTest::SetUp();
        m_folder = m_files.path();
    }

    std::shared_ptr<MovieModel> movie(const QString& fileName, const QString& title)
    {
        EXPECT_TRUE(touch(path(fileName)));
        auto record = std::make_shared<MovieModel>();
        record->setFileUrl(QUrl::fromLocalFile(path(fileName)));
        record->setTitle(title);
        record->setReleaseDate(yearDate(1979));
        return record;
    }

    QString path(const QString& name) const { return m_folder + "/" + name; }
    QString saved(const MovieModel& record, bool overwrite = true) const
    {
        const QUrl url = getNewFileURL(record, QUrl(), false, overwrite, "us");
        EXPECT_EQ(QFileInfo(url.toLocalFile()).absolutePath(), QFileInfo(m_folder).absoluteFilePath())
            << url.toLocalFile().toStdString();
        return url.toLocalFile().mid(m_folder.size() + 1);
    }

    QString language() const { return systemPreferredLanguage(); }

    QTemporaryDir m_files;
    QString m_folder;
};

TEST_F(NamingSchemeTest, SchemeZeroKeepsTheFileName)
{
    auto record = movie("My_Movie.m4v", "Alien");
    EXPECT_EQ(saved(*record), "My_Movie.m4v");
    EXPECT_EQ(saved(*record, false), "My_Movie[1].m4v");
    ASSERT_TRUE(touch(path("My_Movie[1].m4v")));
    EXPECT_EQ(saved(*record, false), "My_Movie[2].m4v");
}

// One record under one scheme. "{title}" and "{year}" in the pattern and in
// the expected name stand for the system language's keywords.
struct SchemeCase {
    qint64 scheme;
    bool plex;
    QString title;
    std::optional<qint64> hdVideo;
    QString rating;
    QString genre;
    bool dated;
    QString expected;
};

TEST_F(NamingSchemeTest, EveryExampleOfTheSchemes)
{
    const QString pattern = "{title} ({year}) hd format rating genre ";
    const QList<SchemeCase> cases{
        {0, false, "Alien", 2, "mpaa|R|400|", "Horror", true, "file.mp4"},
        {1, false, "Alien", std::nullopt, {}, {}, true, "Alien.mp4"},
        {1, false, "Alien", -1, {}, {}, true, "Alien.mp4"},
        {1, false, "Alien", 0, {}, {}, true, "Alien.mp4"},
        {1, false, "Alien", 1, {}, {}, true, "Alien (HD).mp4"},
        {1, false, "Alien", 2, {}, {}, true, "Alien (1080p HD).mp4"},
        {1, false, "Alien", 3, {}, {}, true, "Alien (4K).mp4"},
        {1, false, "Alien", 7, {}, {}, true, "Alien (4K).mp4"},
        {1, false, "", 1, {}, {}, true, "file (HD).mp4"},
        {2, false, "Alien", 3, "mpaa|R|400|", "Horror", true, "Alien (1979) 4K 2160p R Horror.mp4"},
        {2, false, "Alien", 2, "mpaa|R|400|", "Horror", true, "Alien (1979) HD 1080p R Horror.mp4"},
        {2, false, "Alien", 1, "mpaa|R|400|", "Horror", true, "Alien (1979) HD 720p R Horror.mp4"},
        {2, false, "Alien", 0, "mpaa|R|400|", "Horror", true, "Alien (1979) SD 480p R Horror.mp4"},
        {2, false, "Alien", 4, "mpaa|R|400|", "Horror", true, "Alien (1979) SD 480p R Horror.mp4"},
        {2, false, "Alien", std::nullopt, "mpaa|R|400|", "Horror", true, "Alien (1979) SD 480p R Horror.mp4"},
        {2, false, "Alien", 3, "no such rating", "Horror", true, "Alien (1979) 4K 2160p Horror.mp4"},
        {2, false, "Alien", 0, QString(), "", true, "Alien (1979) SD 480p.mp4"},
        {2, false, QString(), 0, {}, "Horror", false, "{title} SD 480p Horror.mp4"},
        {3, false, "Alien", 2, "mpaa|R|400|", "Horror", true, "Alien - (1979).mp4"},
        {3, false, "", 0, {}, {}, true, "{title} - (1979).mp4"},
        {3, false, "Alien", 0, {}, {}, false, "Alien.mp4"},
        {3, false, QString(), 0, {}, {}, false, "{title}.mp4"},
        {1, true, "Alien", 2, {}, {}, true, "Alien - (1979).mp4"},
        {2, true, "Alien", 2, {}, {}, true, "Alien - (1979).mp4"},
        {9, false, "Alien", 2, "mpaa|R|400|", "Horror", true, "Alien.mp4"},
    };
    auto keywords = [this](QString text) {
        return text.replace("{title}", titleKeyword(language())).replace("{year}", yearKeyword(language()));
    };
    set("FileNamePlaceHolderPattern", keywords(pattern));
    auto record = movie("file.mp4", QString());
    for (const SchemeCase& example : cases) {
        set("FileNamePatternForSaving", example.scheme);
        set("WritePLEXFiles", example.plex);
        record->setTitle(example.title);
        record->setHdVideo(example.hdVideo);
        record->setRating(example.rating);
        record->setGenre(example.genre);
        // A record without a date holds the empty-date value; both mean no date.
        for (const QDateTime& undated : {QDateTime(), MovieModel::emptyReleaseDate()}) {
            record->setReleaseDate(example.dated ? yearDate(1979) : undated);
            EXPECT_EQ(saved(*record), keywords(example.expected))
                << example.scheme << " " << example.title.toStdString() << " " << example.hdVideo.value_or(-99);
        }
    }
}

TEST_F(NamingSchemeTest, ATakenNameIsNumberedAfterThePictureFormat)
{
    set("FileNamePatternForSaving", 1);
    auto record = movie("file.m4v", "Alien");
    record->setHdVideo(2);
    ASSERT_TRUE(touch(path("Alien (1080p HD).m4v")));
    EXPECT_EQ(saved(*record), "Alien (1080p HD)[1].m4v");
    ASSERT_TRUE(touch(path("Alien (1080p HD)[1].m4v")));
    EXPECT_EQ(saved(*record), "Alien (1080p HD)[2].m4v");
}

TEST_F(NamingSchemeTest, SchemeOneFallsBackToTheFileNameAndKeepsTheExtensionCase)
{
    set("FileNamePatternForSaving", 1);
    auto record = movie("the_thing.M4V", "");
    EXPECT_EQ(saved(*record), "the thing.M4V");
    record->setTitle(QString());
    EXPECT_EQ(saved(*record), "the thing.M4V");
}

TEST_F(NamingSchemeTest, ANameThatFitsIsKeptAndOneInAnotherCaseIsTakenOver)
{
    set("FileNamePatternForSaving", 1);
    auto fits = movie("Alien.m4v", "Alien");
    EXPECT_EQ(saved(*fits), "Alien.m4v");
    EXPECT_EQ(saved(*fits, false), "Alien[1].m4v");  // save-as beside it

    auto lower = movie("heat.m4v", "Heat");
    EXPECT_EQ(saved(*lower), "Heat.m4v");
}

TEST_F(NamingSchemeTest, AnotherFileUnderTheOtherCaseIsNeverTakenOver)
{
    set("FileNamePatternForSaving", 1);
    auto record = movie("heat.m4v", "Heat");
    ASSERT_TRUE(touch(path("Heat.m4v"), "another movie"));
    EXPECT_EQ(saved(*record), "Heat[1].m4v");
}

TEST_F(NamingSchemeTest, PlexNamesAreNumberedUnlessEachGetsAFolderOfItsOwn)
{
    set("WritePLEXFiles", true);
    auto record = movie("file.mp4", "Alien");
    ASSERT_TRUE(touch(path("Alien - (1979).mp4")));
    EXPECT_EQ(saved(*record), "Alien - (1979)[1].mp4");
    set("SeparateFoldersForPLEXFiles", true);
    EXPECT_EQ(saved(*record), "Alien - (1979).mp4");  // its own folder comes later, no number
}

TEST_F(NamingSchemeTest, KeywordsInsideValuesAreNotReplacedAgain)
{
    set("FileNamePatternForSaving", 3);
    const QString title = "The " + yearKeyword(language()) + " of the " + titleKeyword(language()) + " format hd";
    auto record = movie("file.mp4", title);
    record->setReleaseDate(yearDate(1982));
    EXPECT_EQ(saved(*record), title + " - (1982).mp4");
}

TEST_F(NamingSchemeTest, GetCustomPatternTrimsAndReplacesEveryOccurrence)
{
    auto record = movie("file.mp4", "Heat");
    record->setGenre("Crime");
    EXPECT_EQ(getCustomPattern(*record, "\t genre: title/title hd \t", "1995", "HD", "1080p", QString(), "us"),
              "Crime: " + QString(titleKeyword(language()) == "title" ? "Heat/Heat" : "title/title") + " HD");
    EXPECT_EQ(getCustomPattern(*record, "rating", "1995", "", "", "de-movie|ab 12 Jahren|200|", "de"), "ab 12 Jahren");
    EXPECT_EQ(getCustomPattern(*record, "[rating]", "1995", "", "", "", "us"), "");
    EXPECT_EQ(getCustomPattern(*record, "[rating]", "1995", "", "", QString(), "us"), "");
}

TEST_F(NamingSchemeTest, MissingValuesLeaveTidyNames)
{
    const struct {
        QString pattern;
        bool dated;
        QString hd;
        QString rating;
        QString expected;
    } cases[] = {
        {"{title} ({year}) [hd]", false, "HD", "mpaa|R|400|", "Alien [HD]"},
        {"{title} - ({year}) - hd", false, "HD", "", "Alien - HD"},
        {"{title} - {year} - hd - rating", true, "", "", "Alien - 1979"},
        {"{title}.{year}.hd.format", false, "", "", "Alien.1080p"},
        {"{title}_{year}_hd", false, "HD", "", "Alien_HD"},
        {"{year} - hd - {title}", false, "", "", "Alien"},
        {"{title} [rating] ({year})", true, "HD", "", "Alien (1979)"},
        {"{title} ({year} - hd)", true, "", "", "Alien (1979)"},
        {"{title} [hd - rating]  genre", true, "", "no such rating", "Alien Horror"},
        {"{title}  hd  format", true, "", "", "Alien 1080p"},
        // Everything there: the pattern stands as it is, odd spacing and all.
        {"{title}  -- ({year}) [hd]_ rating", true, "HD", "mpaa|R|400|", "Alien  -- (1979) [HD]_ R"},
    };
    auto keywords = [this](QString text) {
        return text.replace("{title}", titleKeyword(language())).replace("{year}", yearKeyword(language()));
    };
    auto record = movie("file.mp4", "Alien");
    record->setGenre("Horror");
    for (const auto& c : cases) {
        record->setReleaseDate(c.dated ? yearDate(1979) : MovieModel::emptyReleaseDate());
        EXPECT_EQ(getCustomPattern(*record, keywords(c.pattern), "1979", c.hd, "1080p", c.rating, "us"), c.expected)
            << c.pattern.toStdString();
    }

    // Dots, hyphens and brackets of a title are its own, never tidied.
    for (const QString title : {"...And Justice for All", "Mr. () _Smith_ -", "[REC]"}) {
        record->setTitle(title);
        EXPECT_EQ(getCustomPattern(*record, keywords("{title} - ({year}) [hd]"), "", "", "", "", "us"), title);
    }
}

TEST(ReleaseYearTest, YearOfTheDateInUtc)
{
    EXPECT_EQ(extractYearFromReleaseDate(QDateTime(QDate(2010, 12, 31), QTime(23, 30), QTimeZone(-2 * 3600))), "2011");
    EXPECT_TRUE(extractYearFromReleaseDate(QDateTime()).isNull());
    EXPECT_TRUE(extractYearFromReleaseDate(MovieModel::emptyReleaseDate()).isNull());
    EXPECT_EQ(extractYearFromReleaseDate(QDateTime(QDate(2012, 1, 1), QTime(11, 0), QTimeZone::utc())), "2012");
}

// Whatever a title holds, the name stays one plain, visible entry of the folder.
TEST_F(NamingSchemeTest, HostileTitlesStayInTheFolder)
{
    set("FileNamePatternForSaving", 1);
    const QStringList titles{"..",
                             ".",
                             "../../etc/passwd",
                             "/",
                             "///",
                             ".hidden",
                             "...",
                             "",
                             "a\nb\tc\x01"
                             "d\x7f"
                             "e",
                             QString(QChar(0)) + "nul",
                             "C:\\Windows\\..\\x",
                             "Dawn: Part 1/2",
                             QString(300, QChar(0x00e9)),
                             QString::fromUtf8("\xF0\x9F\x8E\xAC").repeated(100)};
    for (const QString& title : titles) {
        auto record = movie("file.m4v", title);
        const QString name = saved(*record);
        EXPECT_FALSE(name.contains('/')) << title.toStdString();
        EXPECT_FALSE(name.startsWith('.')) << title.toStdString();
        EXPECT_TRUE(name.endsWith(".m4v")) << title.toStdString();
        EXPECT_LE((name + ".tmp").toUtf8().size(), 255) << title.toStdString();
        for (QChar c : name)
            EXPECT_NE(c.category(), QChar::Other_Control) << title.toStdString();
        EXPECT_TRUE(touch(path(name))) << name.toStdString();
        QFile::remove(path(name));
    }
}

TEST(SafeFileNameTest, TheSanitiser)
{
    EXPECT_EQ(sanitizedFileName("Dawn: Part 1/2"), "Dawn - Part 1-2");
    EXPECT_EQ(sanitizedFileName(QString()), "empty");
    EXPECT_EQ(sanitizedFileName(""), "");
    EXPECT_EQ(sanitizedFileName("a::b//c"), "a - -b--c");
}

TEST(SafeFileNameTest, WhatItChangesBeyondTheSanitiser)
{
    EXPECT_EQ(safeFileName("Dawn: Part 1/2", 0), "Dawn - Part 1-2");
    EXPECT_EQ(safeFileName("..", 0), "empty");
    EXPECT_EQ(safeFileName("", 0), "empty");
    EXPECT_EQ(safeFileName(QString(), 0), "empty");
    EXPECT_EQ(safeFileName(".. and more", 0), " and more");
    EXPECT_EQ(safeFileName("a\nb\rc", 0), "a b c");
    EXPECT_EQ(safeFileName(QString(300, 'x'), 55).size(), 200);
    const QString cut = safeFileName(QString::fromUtf8("\xF0\x9F\x8E\xAC").repeated(100), 100);
    EXPECT_LE(cut.toUtf8().size(), 155);
    EXPECT_FALSE(cut.back().isHighSurrogate());
}

}  // namespace
