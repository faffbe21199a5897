#include "app/binding.h"
#include "app/appdelegate.h"
#include "app/hdvideotransformer.h"
#include "platform/localized.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Bindings : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Settings::useFolder(m_folder.path());
        AppDelegate::initialize({"en-US"});
        for (const char* title : {"Alien", "Alien", "Brazil"}) {
            auto movie = std::make_shared<MovieModel>();
            movie->setFileUrl(QUrl::fromLocalFile(m_folder.filePath(title)));
            movie->setTitle(title);
            m_list.addObject(movie);
        }
    }

    // Types `text` into the editor as a user would and leaves it.
    static void typeInto(QLineEdit& edit, const QString& text)
    {
        edit.selectAll();
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClicks(&edit, text);
        QTest::keyClick(&edit, Qt::Key_Return);
    }

    MovieModel& movie(int index) const { return *m_list.arrangedObjects().at(index); }

    QTemporaryDir m_folder;
    MovieList m_list;
};

TEST_F(Bindings, TheEditorShowsWhatTheSelectionHolds)
{
    QLineEdit edit;
    const Binding* binding = Binding::toSelection(&edit, m_list, "title");
    const QString multiple = platform::localized("multipleValues");
    const struct {
        MovieList::IndexSet selection;
        Binding::Shown shown;
        const char* text;
        const char* placeholder;
        bool enabled;
    } cases[] = {
        {{}, Binding::Shown::NoSelection, "", "", false},
        {{2}, Binding::Shown::OneValue, "Brazil", "", true},
        {{0, 1}, Binding::Shown::AgreeingValues, "Alien", "", true},
        {{0, 2}, Binding::Shown::MultipleValues, "", "Multiple values", true},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.text);
        m_list.setSelectionIndexes(expected.selection);
        EXPECT_EQ(binding->shown(), expected.shown);
        EXPECT_EQ(edit.text(), expected.text);
        EXPECT_EQ(edit.placeholderText(), expected.placeholder == QString("Multiple values") ? multiple : "");
        EXPECT_EQ(edit.isEnabled(), expected.enabled);
    }
    // A change of a selected record reaches the editor.
    m_list.setSelectionIndexes({2});
    movie(2).setTitle("Brazil (1985)");
    EXPECT_EQ(edit.text(), "Brazil (1985)");
}

TEST_F(Bindings, AnEditReachesEverySelectedRecordAndOnlyThose)
{
    QLineEdit edit;
    Binding::toSelection(&edit, m_list, "title");
    m_list.setSelectionIndexes({0, 2});
    typeInto(edit, "Stalker");
    EXPECT_EQ(movie(0).title(), "Stalker");
    EXPECT_EQ(movie(1).title(), "Alien");
    EXPECT_EQ(movie(2).title(), "Stalker");
    // Leaving the "Multiple values" editor untouched writes nothing.
    m_list.setSelectionIndexes({1, 2});
    emit edit.editingFinished();
    EXPECT_EQ(movie(1).title(), "Alien");
    // An entry not yet left when the selection moves on (files dropped on the list) goes where it was typed.
    QTest::keyClicks(&edit, "Solaris");
    m_list.setSelectionIndexes({0});
    EXPECT_EQ(movie(1).title(), "Solaris");
    EXPECT_EQ(edit.text(), "Stalker");
}

TEST_F(Bindings, AMergedSearchResultShowsAtOnce)
{
    QLineEdit title;
    QLineEdit studio;
    Binding::toSelection(&title, m_list, "title");
    Binding::toSelection(&studio, m_list, "studio");
    m_list.setSelectionIndexes({2});
    auto result = std::make_shared<MovieModel>();
    result->setTitle("Brazil (1985)");
    result->setStudio("Embassy");
    movie(2).setSearchResult(result);
    // The merge writes the record's fields directly; the record tells its views all the same.
    movie(2).copySearchResultsToMovie(MovieModel::kCopyOverwrite);
    EXPECT_EQ(title.text(), "Brazil (1985)");
    EXPECT_EQ(studio.text(), "Embassy");
    EXPECT_EQ(movie(0).title(), "Alien");
}

// A box that means something only under one chapter setting: disabled and
// empty under any other, following the setting as it changes.
TEST_F(Bindings, ABoxAppliesOnlyWhileEverySelectedRecordHoldsItsCondition)
{
    QSpinBox count;
    count.setRange(1, 999);
    const Binding* binding = Binding::toSelection(&count, m_list, "chapterInterval", nullptr,
                                                  Binding::Condition{"chapterSettings", MovieModel::kChaptersByCount});
    movie(0).setChapterSettings(MovieModel::kChaptersByCount);
    movie(1).setChapterSettings(MovieModel::kChaptersByCount);
    movie(1).setChapterInterval(4);
    const struct {
        MovieList::IndexSet selection;
        Binding::Shown shown;
        QString text;
    } cases[] = {
        {{0}, Binding::Shown::OneValue, "10"},
        {{0, 1}, Binding::Shown::MultipleValues, "–"},
        {{2}, Binding::Shown::NotApplicable, " "},
        {{1, 2}, Binding::Shown::NotApplicable, " "},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.text.toStdString());
        m_list.setSelectionIndexes(expected.selection);
        EXPECT_EQ(binding->shown(), expected.shown);
        EXPECT_EQ(count.text(), expected.text);
        EXPECT_EQ(count.isEnabled(), expected.shown != Binding::Shown::NotApplicable);
    }
    // Choosing the count for the second record makes the box apply to both.
    movie(2).setChapterSettings(MovieModel::kChaptersByCount);
    EXPECT_EQ(binding->shown(), Binding::Shown::MultipleValues);
    EXPECT_TRUE(count.isEnabled());
    // Typing a count rebuilds both records' chapters.
    movie(1).setMsecDuration(9000);
    movie(2).setMsecDuration(9000);
    count.setFocus();
    count.selectAll();
    QTest::keyClicks(&count, "3");
    EXPECT_EQ(count.text(), "3");
    for (int index : {1, 2}) {
        EXPECT_EQ(movie(index).chapterInterval(), 3);
        EXPECT_EQ(movie(index).listOfChapters().value_or(ChapterList()).size(), 3);
    }
    EXPECT_EQ(movie(0).chapterInterval(), 10);
}

TEST_F(Bindings, DifferingValuesLeaveAPictureSlotEmptyAndATextLabelSaysSo)
{
    QLabel text;
    QLabel light;
    light.setScaledContents(true);
    Binding::toSelection(&text, m_list, "title");
    Binding::toSelection(&light, m_list, "title");
    m_list.setSelectionIndexes({0, 2});
    EXPECT_EQ(text.text(), platform::localized("multipleValues"));
    EXPECT_TRUE(light.text().isEmpty());
    m_list.setSelectionIndexes({2});
    EXPECT_EQ(light.text(), "Brazil");
}

TEST_F(Bindings, ADateThatDoesNotParseIsRefusedMarkedWithItsFormAndKeptToMend)
{
    QLineEdit edit;
    edit.setToolTip("the form's own tip");
    const QColor plainGround = edit.palette().color(QPalette::Base);
    auto marked = [&] { return edit.palette().color(QPalette::Base) != plainGround; };
    Binding::toSelection(&edit, m_list, "releaseDate", Binding::dateAsText());
    m_list.setSelectionIndexes({0});
    typeInto(edit, "1979-5-25");
    EXPECT_EQ(movie(0).releaseDate(), QDateTime(QDate(1979, 5, 25), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(edit.text(), "1979-05-25");
    EXPECT_FALSE(marked());
    // The forms of date tags are taken as well: a year alone is its first day.
    typeInto(edit, "1980");
    EXPECT_EQ(movie(0).releaseDate(), QDateTime(QDate(1980, 1, 1), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(edit.text(), "1980-01-01");
    typeInto(edit, "1979-05-25 20:15:00");
    EXPECT_EQ(edit.text(), "1979-05-25");
    for (const char* bad : {"25.05.1979", "next Friday", "1979-13-01", "1979-02-30"}) {
        typeInto(edit, bad);
        EXPECT_EQ(movie(0).releaseDate().date(), QDate(1979, 5, 25)) << bad;
        // The typed text stays for the user to mend, marked, and the tooltip gives the form.
        EXPECT_EQ(edit.text(), bad);
        EXPECT_TRUE(marked()) << bad;
        EXPECT_TRUE(edit.toolTip().contains("YYYY-MM-DD")) << edit.toolTip().toStdString();
    }
    // Mended, the mark and the hint go.
    typeInto(edit, "1979-05-26");
    EXPECT_EQ(movie(0).releaseDate().date(), QDate(1979, 5, 26));
    EXPECT_FALSE(marked());
    EXPECT_EQ(edit.toolTip(), "the form's own tip");
    // Another record shown takes the mark away with the refused text.
    typeInto(edit, "soon");
    ASSERT_TRUE(marked());
    m_list.setSelectionIndexes({1});
    EXPECT_FALSE(marked());
    // A record without a date shows none, and an editor left empty keeps it so.
    EXPECT_EQ(edit.text(), "");
    typeInto(edit, "");
    EXPECT_EQ(movie(1).releaseDate(), MovieModel::emptyReleaseDate());
    typeInto(edit, "1979-5-25");
    typeInto(edit, "");
    EXPECT_EQ(movie(1).releaseDate(), MovieModel::emptyReleaseDate());
    EXPECT_EQ(edit.text(), "");
}

TEST_F(Bindings, NamesAndChoosersGoThroughTheirConverters)
{
    QLineEdit actors;
    Binding::toSelection(&actors, m_list, "artists", Binding::namesAsText());
    QComboBox format;
    format.addItems({"SD 480p", "HD 720p", "HD 1080p", "HD 2160p"});
    format.setProperty("bindsText", true);
    Binding::toSelection(&format, m_list, "hdVideo", std::make_shared<HDVideoTransformer>());
    m_list.setSelectionIndexes({0});
    typeInto(actors, " Sigourney Weaver,Tom Skerritt , ");
    EXPECT_EQ(movie(0).artists(), (QStringList{"Sigourney Weaver", "Tom Skerritt"}));
    EXPECT_EQ(actors.text(), "Sigourney Weaver, Tom Skerritt");
    format.setCurrentIndex(2);
    emit format.activated(2);
    EXPECT_EQ(movie(0).hdVideo(), 2);
    movie(0).setHdVideo(1);
    EXPECT_EQ(format.currentText(), "HD 720p");
}

TEST_F(Bindings, ASettingReadsItsDefaultUntilTheUserChangesIt)
{
    platform::Settings& settings = platform::Settings::shared();
    settings.setValue("SortMovieNamesWithoutArticle", "perhaps");
    QCheckBox box;
    Binding::toSetting(&box, "SortMovieNamesWithoutArticle");
    EXPECT_TRUE(box.isChecked());
    box.click();
    EXPECT_FALSE(settings.boolValue("SortMovieNamesWithoutArticle"));
}

}  // namespace
