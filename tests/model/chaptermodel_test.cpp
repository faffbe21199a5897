#include "moviemodeltestsupport.h"

#include "platform/log.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

QList<quint64> lengths(const ChapterList& chapters)
{
    QList<quint64> result;
    for (const auto& chapter : chapters)
        result << chapter->length();
    return result;
}

QStringList names(const ChapterList& chapters)
{
    QStringList result;
    for (const auto& chapter : chapters)
        result << chapter->name();
    return result;
}

TEST(ChapterGenerators, ByCount)
{
    const ChapterList ten = ChapterModel::generateChapterByCountOfChapters(0, 1000);
    EXPECT_EQ(lengths(ten), QList<quint64>(10, 100));
    EXPECT_EQ(ten.first()->index(), 1);
    EXPECT_EQ(ten.last()->index(), 10);
    EXPECT_EQ(ten.last()->name(), "Chapter 10");
    // The remainder is dropped.
    EXPECT_EQ(lengths(ChapterModel::generateChapterByCountOfChapters(3, 10)), (QList<quint64>{3, 3, 3}));
    EXPECT_EQ(lengths(ChapterModel::generateChapterByCountOfChapters(4, 0)), (QList<quint64>{0, 0, 0, 0}));
}

TEST(ChapterGenerators, ByMinutes)
{
    const ChapterList list = ChapterModel::generateChapterByMinuteInterval(0, 1500000);
    EXPECT_EQ(lengths(list), (QList<quint64>{600000, 600000, 300000}));
    EXPECT_EQ(list.last()->index(), 3);
    EXPECT_EQ(ChapterModel::generateChapterByMinuteInterval(10, 1200000).size(), 2);
    const ChapterList shortMovie = ChapterModel::generateChapterByMinuteInterval(10, 59000);
    ASSERT_EQ(shortMovie.size(), 1);
    EXPECT_EQ(shortMovie.first()->length(), 59000u);
    EXPECT_EQ(shortMovie.first()->name(), "Chapter 1");
    EXPECT_TRUE(ChapterModel::generateChapterByMinuteInterval(5, 0).isEmpty());
}

TEST(ChapterGenerators, HugeNumbersAreBounded)
{
    // What a negative interval turns into when read as unsigned.
    const quint64 wrapped = static_cast<quint64>(-1);
    EXPECT_EQ(ChapterModel::generateChapterByCountOfChapters(wrapped, 1000).size(),
              qsizetype(ChapterModel::kMaxGeneratedChapters));
    // No overflow of the step: one chapter of the whole movie.
    EXPECT_EQ(lengths(ChapterModel::generateChapterByMinuteInterval(wrapped, 7200000)), QList<quint64>{7200000});
    // A one-minute step over a week-long length stays bounded and still covers the whole movie.
    const quint64 week = 7ull * 24 * 3600 * 1000;
    const ChapterList many = ChapterModel::generateChapterByMinuteInterval(1, week);
    EXPECT_LE(many.size(), qsizetype(ChapterModel::kMaxGeneratedChapters) + 1);
    quint64 total = 0;
    for (quint64 length : lengths(many))
        total += length;
    EXPECT_EQ(total, week);
}

TEST(ChapterFileNames, TellChapterFilesByName)
{
    auto valid = [](const QString& name) {
        return ChapterModel::isValidChapterFile(QUrl::fromLocalFile("/x/" + name));
    };
    EXPECT_TRUE(valid("Movie-2012.chapters.xml"));
    EXPECT_TRUE(valid("intro.chp"));
    EXPECT_TRUE(valid("list.TXT"));
    EXPECT_TRUE(valid("x.json"));
    EXPECT_TRUE(valid("notachp"));  // a plain suffix test on the whole name
    EXPECT_FALSE(valid("chapters.xml.bak"));
    EXPECT_FALSE(valid("a.srt"));
    EXPECT_FALSE(valid("movie.xml"));
    EXPECT_FALSE(valid("a"));
    EXPECT_FALSE(valid("123-"));
    EXPECT_FALSE(ChapterModel::isValidChapterFile(QUrl()));
}

TEST(ChapterConversion, LastChapterRunsToTheEndOfTheMovie)
{
    const ChapterList list = ChapterModel::chaptersFromEntries(
        {{"00:00:00.000", "Intro"}, {"00:05:00.000", ""}, {"00:08:00", "End"}}, 600000);
    EXPECT_EQ(names(list), (QStringList{"Intro", "Chapter 2", "End"}));
    EXPECT_EQ(lengths(list), (QList<quint64>{300000, 180000, 120000}));
    EXPECT_EQ(list.last()->index(), 3);
}

TEST(ChapterConversion, FirstStartIsNotKept)
{
    const ChapterList list = ChapterModel::chaptersFromEntries({{"00:01:00.000", "A"}, {"00:02:00.000", "B"}}, 600000);
    EXPECT_EQ(lengths(list), (QList<quint64>{60000, 540000}));
}

TEST(ChapterConversion, UnusableStartsAreSkipped)
{
    const ChapterList list = ChapterModel::chaptersFromEntries(
        {{"1:02:03", "single-digit hour"}, {QString(), "no start"}, {"", "empty"}, {"00:00:00", "Used"}}, 0);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.first()->name(), "Used");
    EXPECT_EQ(list.first()->length(), 0u);
    EXPECT_EQ(list.first()->index(), 1);
}

TEST(ChapterConversion, ShortFractionsArePadded)
{
    const ChapterList list = ChapterModel::chaptersFromEntries({{"00:00:00", "A"}, {"00:01:30.5", "B"}}, 100000);
    EXPECT_EQ(lengths(list), (QList<quint64>{90500, 9500}));
}

TEST(ChapterConversion, BackwardStartNeverWrapsAround)
{
    const ChapterList list = ChapterModel::chaptersFromEntries(
        {{"00:00:00.000", "A"}, {"00:10:00.000", "B"}, {"00:05:00.000", "C"}, {"00:20:00.000", "D"}}, 1800000);
    EXPECT_EQ(lengths(list), (QList<quint64>{600000, 0, 900000, 300000}));
}

TEST(ChapterConversion, ChaptersLongerThanTheMovieLeaveTheLastEmpty)
{
    const ChapterList list = ChapterModel::chaptersFromEntries({{"00:00:00.000", "A"}, {"02:00:00.000", "B"}}, 60000);
    EXPECT_EQ(lengths(list), (QList<quint64>{7200000, 0}));
}

TEST(ChapterConversion, LongNamesAreCut)
{
    const QString longName(2000, QChar('x'));
    QString surrogateAtTheCut(1022, QChar('y'));
    surrogateAtTheCut += QString::fromUtf8("\xF0\x9F\x8E\xAC");  // one character, two UTF-16 units
    const ChapterList list =
        ChapterModel::chaptersFromEntries({{"00:00:00.000", longName}, {"00:00:01.000", surrogateAtTheCut}}, 2000);
    EXPECT_EQ(list.at(0)->name().size(), 1023);
    EXPECT_EQ(list.at(1)->name(), QString(1022, QChar('y')));
}

class ChapterFileTest : public ModelTest {
protected:
    QUrl write(const QString& name, const QByteArray& contents)
    {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return QUrl::fromLocalFile(path);
    }

    QTemporaryDir m_folder;
    platform::LogCapture m_log;
};

TEST_F(ChapterFileTest, TextFile)
{
    const QUrl url =
        write("movie.txt", "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Intro\nCHAPTER02=00:05:00.000\nCHAPTER02NAME=\n");
    const ChapterList list = ChapterModel::readChapterFileFromChapterDb(url, 600000);
    EXPECT_EQ(names(list), (QStringList{"Intro", "Chapter 2"}));
    EXPECT_EQ(lengths(list), (QList<quint64>{300000, 300000}));
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterFileTest, TextFileWithWindowsLineEndsAndSpaces)
{
    const QUrl url = write("movie.CHP",
                           "CHAPTER01= 00:00:00.000 \r\nCHAPTER01NAME= Intro \r\n"
                           "CHAPTER02=00:01:00.000\r\nCHAPTER02NAME=Main\r\n");
    const ChapterList list = ChapterModel::readChapterFileFromChapterDb(url, 120000);
    EXPECT_EQ(names(list), (QStringList{"Intro", "Main"}));
    EXPECT_EQ(lengths(list), (QList<quint64>{60000, 60000}));
}

TEST_F(ChapterFileTest, TextLinesKeepTheirNumbersWhenSkipped)
{
    // The line without "=" still counts, so the pairs shift: the name line becomes a start line.
    const auto entries = ChapterModel::readTXTCHPChapterFile(
        write("a.txt", "CHAPTER01=00:00:00.000\nnonsense\nCHAPTER01NAME=Intro\nX=a=b\n"));
    ASSERT_TRUE(entries.isEmpty());
    const auto nameFirst = ChapterModel::readTXTCHPChapterFile(write("b.txt", "junk\nCHAPTER01NAME=Lonely\n"));
    ASSERT_EQ(nameFirst.size(), 1);
    EXPECT_TRUE(nameFirst.first().start.isNull());
    EXPECT_EQ(nameFirst.first().name, "Lonely");
}

TEST_F(ChapterFileTest, TextFileThatIsNotUtf8)
{
    EXPECT_TRUE(ChapterModel::readTXTCHPChapterFile(write("bad.txt", "CHAPTER01=\xff\xfe\n")).isEmpty());
    EXPECT_EQ(m_log.lines(), QStringList{"Error reading text or chp chapter file: the file is not UTF-8 text"});
}

TEST_F(ChapterFileTest, JsonFile)
{
    const QUrl url = write("movie.json", R"([
        {"start": "00:00:00.000", "title": "Opening"},
        {"time": "00:02:00.000", "name": "Middle"},
        {"time": "00:03:00.000", "name": "Three", "extra": 1},
        {"time": "00:04:00.000"},
        {"time": "00:05:00.000", "other": "no name"}
    ])");
    const ChapterList list = ChapterModel::readChapterFileFromChapterDb(url, 600000);
    EXPECT_EQ(names(list), (QStringList{"Opening", "Middle", "Chapter 3"}));
    EXPECT_EQ(lengths(list), (QList<quint64>{120000, 180000, 300000}));
}

TEST_F(ChapterFileTest, JsonWithWrongTypes)
{
    EXPECT_TRUE(ChapterModel::readJSONChapterFile(write("object.json", R"({"time": "00:00:00.000"})")).isEmpty());
    EXPECT_EQ(m_log.lines(), QStringList{"Error reading json chapter file: the top level is not an array"});
    const auto entries = ChapterModel::readJSONChapterFile(write("mixed.json", R"([
        1, "text", null, [1, 2],
        {"time": 5, "name": "numeric time"},
        {"time": 5, "start": "00:00:01.000"},
        {"time": "00:00:02.000", "title": ["not", "text"]}
    ])"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(0).start, "00:00:01.000");
    EXPECT_EQ(entries.at(1).start, "00:00:02.000");
    EXPECT_TRUE(entries.at(1).name.isNull());
}

TEST_F(ChapterFileTest, MalformedJson)
{
    EXPECT_TRUE(ChapterModel::readJSONChapterFile(write("broken.json", "[{\"time\": ")).isEmpty());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().startsWith("Error reading json chapter file: "));
    m_log.clear();
    EXPECT_TRUE(ChapterModel::readJSONChapterFile(write("empty.json", "")).isEmpty());
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterFileTest, XmlFile)
{
    const QUrl url = write("movie.chapters.xml", R"(<?xml version="1.0"?>
        <results><chapterInfo><chapters>
          <chapter time="00:00:00.000" name="Start"/>
          <chapter name="no time"/>
          <chapter time="00:00:30" name=""/>
          <chapter time="00:01:00.000" name="Later"/>
        </chapters></chapterInfo>
        <chapter time="00:09:00.000" name="outside any chapters element"/></results>)");
    const ChapterList list = ChapterModel::readChapterFileFromChapterDb(url, 90000);
    EXPECT_EQ(names(list), (QStringList{"Start", "Chapter 2", "Later"}));
    EXPECT_EQ(lengths(list), (QList<quint64>{30000, 30000, 30000}));
    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(ChapterFileTest, XmlWhoseRootIsTheChapterList)
{
    const auto entries = ChapterModel::readXMLChapterFile(
        write("root.xml", "<chapters><chapter time='00:00:01.000' name='Only'/></chapters>"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().start, "00:00:01.000");
    EXPECT_EQ(entries.first().name, "Only");
}

TEST_F(ChapterFileTest, XmlProblemsAreLogged)
{
    EXPECT_TRUE(ChapterModel::readXMLChapterFile(write("bad.xml", "<chapters><chapter")).isEmpty());
    EXPECT_EQ(m_log.lines(),
              QStringList{"Error while opening chapter xml file: the file is not a well-formed XML document"});
    m_log.clear();
    // A well-formed document without a chapter list has no entries, silently.
    for (const QByteArray& xml : {QByteArray("<root><chapter time='x' name='y'/></root>"), QByteArray("<chapters/>"),
                                  QByteArray("<chapter><chapters/></chapter>")}) {
        EXPECT_TRUE(ChapterModel::readXMLChapterFile(write("none.xml", xml)).isEmpty()) << xml.constData();
        EXPECT_TRUE(m_log.lines().isEmpty()) << m_log.lines().join('|').toStdString();
    }
}

TEST_F(ChapterFileTest, XmlWithEntitiesIsRefused)
{
    const QUrl url = write("lol.xml", R"(<?xml version="1.0"?>
        <!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">]>
        <chapters><chapter time="00:00:00.000" name="&lol2;"/></chapters>)");
    EXPECT_TRUE(ChapterModel::readXMLChapterFile(url).isEmpty());
}

TEST_F(ChapterFileTest, UnreadableAndUnknownFiles)
{
    EXPECT_TRUE(ChapterModel::readChapterFileFromChapterDb(write("chapters.srt", "1\n"), 1000).isEmpty());
    EXPECT_TRUE(
        ChapterModel::readChapterFileFromChapterDb(write("noextension", "CHAPTER01=00:00:00.000\n"), 1000).isEmpty());
    EXPECT_TRUE(m_log.lines().isEmpty());
    const QUrl missing = QUrl::fromLocalFile(m_folder.filePath("missing.txt"));
    EXPECT_TRUE(ChapterModel::readChapterFileFromChapterDb(missing, 1000).isEmpty());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().startsWith("Error reading text or chp chapter file: "));
}

TEST_F(ChapterFileTest, PipesAndFoldersAreRefusedWithoutWaiting)
{
    const QString pipe = m_folder.filePath("pipe.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_TRUE(ChapterModel::readChapterFileFromChapterDb(QUrl::fromLocalFile(pipe), 1000).isEmpty());
    ASSERT_TRUE(QDir(m_folder.path()).mkdir("folder.json"));
    EXPECT_TRUE(ChapterModel::readChapterFileFromChapterDb(QUrl::fromLocalFile(m_folder.filePath("folder.json")), 1000)
                    .isEmpty());
    EXPECT_EQ(m_log.lines(), (QStringList{"Error reading text or chp chapter file: " + pipe + " is not a regular file",
                                          "Error reading json chapter file: " + m_folder.filePath("folder.json") +
                                              " is not a regular file"}));
}

TEST_F(ChapterFileTest, HugeFilesAreRefused)
{
    const QByteArray huge(ChapterModel::kMaxChapterFileSize + 1, '\n');
    EXPECT_TRUE(ChapterModel::readTXTCHPChapterFile(write("huge.txt", huge)).isEmpty());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().endsWith("is too large for a chapter file"));
}

class UpdateChaptersTest : public ModelTest {};

TEST_F(UpdateChaptersTest, SettingsChooseTheList)
{
    MovieModel record;
    const ChapterList old = chapters({10, 20});
    record.setListOfOldChapters(old);
    record.setMsecDuration(1200000);

    record.setChapterSettings(2);
    EXPECT_EQ(lengths(*record.listOfChapters()), (QList<quint64>{600000, 600000}));
    record.setChapterSettings(1);
    EXPECT_EQ(record.listOfChapters()->size(), 10);
    record.setChapterInterval(5);
    EXPECT_EQ(record.listOfChapters()->size(), 5);
    EXPECT_EQ(record.numberOfChapters(), 5);

    record.setChapterSettings(3);  // neither file nor database list
    EXPECT_TRUE(record.listOfChapters()->isEmpty());
    EXPECT_EQ(record.numberOfChapters(), 0);
    const ChapterList db = chapters({1, 2, 3});
    record.setListOfDbChapters(db);
    record.updateChapters();
    EXPECT_EQ(*record.listOfChapters(), db);

    record.setChapterSettings(0);
    EXPECT_EQ(*record.listOfChapters(), old);
    EXPECT_EQ(record.numberOfChapters(), 2);
}

TEST_F(UpdateChaptersTest, FileChoiceTakesTheFilesListEvenWhenAbsent)
{
    MovieModel record;
    record.setMsecDuration(1000);
    record.setChapterSettings(1);
    record.setListOfOldChapters(std::nullopt);
    record.setChapterSettings(0);
    EXPECT_FALSE(record.listOfChapters().has_value());
    EXPECT_EQ(record.numberOfChapters(), 0);
    EXPECT_EQ(record.chapterStatusLed(), StatusImage::None);
}

TEST_F(UpdateChaptersTest, ChapterSettingWithoutValueGivesNoChaptersAndForgetsTheDefault)
{
    settings().setValue("DefaultChapterSetting", 2);
    MovieModel record;
    record.setMsecDuration(1000);
    record.setChapterSettings(std::nullopt);
    ASSERT_TRUE(record.listOfChapters().has_value());
    EXPECT_TRUE(record.listOfChapters()->isEmpty());
    EXPECT_FALSE(settings().contains("DefaultChapterSetting"));
}

TEST_F(UpdateChaptersTest, ChapterFileWinsOverTheDatabaseList)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("m.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("C1=00:00:00.000\nC1N=A\nC2=00:00:40.000\nC2N=B\n");
    file.close();

    MovieModel record;
    record.setMsecDuration(100000);
    record.setListOfDbChapters(chapters({1}));
    record.setChapterSettings(3);
    record.setChapterDbFileUrl(QUrl::fromLocalFile(path));
    EXPECT_EQ(names(*record.listOfChapters()), (QStringList{"A", "B"}));
    EXPECT_EQ(lengths(*record.listOfChapters()), (QList<quint64>{40000, 60000}));
}

TEST_F(UpdateChaptersTest, NegativeIntervalMeansTheDefault)
{
    MovieModel record;
    record.setMsecDuration(3000000);
    record.setChapterSettings(1);
    record.setChapterInterval(-3);
    EXPECT_EQ(record.listOfChapters()->size(), 10);
    record.setChapterSettings(2);
    EXPECT_EQ(lengths(*record.listOfChapters()), (QList<quint64>{600000, 600000, 600000, 600000, 600000}));
}

TEST_F(UpdateChaptersTest, MissingDurationCountsAsZero)
{
    MovieModel record;
    record.setChapterSettings(2);
    EXPECT_TRUE(record.listOfChapters()->isEmpty());
    record.setChapterSettings(1);
    EXPECT_EQ(lengths(*record.listOfChapters()), QList<quint64>(10, 0));
}

TEST_F(UpdateChaptersTest, NewCountUntagsTheRecord)
{
    auto record = taggedRecord();
    record->setMsecDuration(1000);
    record->setTagged(true);
    record->updateChapters();  // setting 0, no file chapters: the count stays 0
    EXPECT_TRUE(record->isTagged());
    record->setListOfOldChapters(chapters({5}));
    record->updateChapters();
    EXPECT_FALSE(record->isTagged());
    EXPECT_EQ(record->numberOfChapters(), 1);
}

TEST_F(UpdateChaptersTest, DefaultChapterSettingIsRememberedOnlyWhenItMeansSomething)
{
    MovieModel withFileChapters;
    withFileChapters.setListOfOldChapters(chapters({5}));
    withFileChapters.updateChapters();
    EXPECT_FALSE(settings().contains("DefaultChapterSetting"));

    MovieModel withoutFileChapters;
    withoutFileChapters.updateChapters();
    EXPECT_EQ(settings().value("DefaultChapterSetting").toLongLong(), 0);

    withFileChapters.setChapterSettings(2);
    EXPECT_EQ(settings().integerValue("DefaultChapterSetting"), 2);
    // Written to disk at once.
    platform::Settings fromDisk(QFileInfo(settings().fileName()).path());
    EXPECT_EQ(fromDisk.integerValue("DefaultChapterSetting"), 2);
}

}  // namespace
