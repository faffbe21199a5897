// The editor's chapter table over one and several selected records.
#include "app/chapterlistmodel.h"

#include "platform/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ChapterTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Settings::useFolder(m_folder.path());
        // Three chapters of a 30- and a 31-second movie, and two of a 30-second one.
        add(30'000, {10'000, 10'000, 10'000});
        add(31'000, {10'000, 10'000, 11'000});
        add(30'000, {10'000, 20'000});
    }

    void add(qint64 duration, const QList<quint64>& lengths)
    {
        auto record = std::make_shared<MovieModel>();
        record->setMsecDuration(duration);
        ChapterList chapters;
        for (const quint64 length : lengths)
            ChapterModel::addNewChapterToList(length, chapters.size(), chapters);
        record->setListOfOldChapters(chapters);
        record->updateChapters();
        m_list.addObject(record);
    }

    // The table's rows as "start name".
    QStringList rows() const
    {
        QStringList shown;
        for (int row = 0; row < m_table.rowCount(); ++row)
            shown << m_table.index(row, ChapterListModel::StartColumn).data().toString() + " " +
                         m_table.index(row, ChapterListModel::NameColumn).data().toString();
        return shown;
    }

    QTemporaryDir m_folder;
    MovieList m_list;
    ChapterListModel m_table{m_list};
};

TEST_F(ChapterTable, ListsTheChaptersTheSelectedRecordsAgreeOn)
{
    const QStringList three{"0:00:00 Chapter 1", "0:00:10 Chapter 2", "0:00:20 Chapter 3"};
    const struct {
        MovieList::IndexSet selection;
        QStringList rows;
    } cases[] = {
        {{}, {}},
        {{0}, three},
        // Only the last chapter's length differs, and the table does not show it.
        {{0, 1}, three},
        {{2}, {"0:00:00 Chapter 1", "0:00:10 Chapter 2"}},
        {{0, 2}, {}},
        {{0, 1, 2}, {}},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.selection.size());
        m_list.setSelectionIndexes(expected.selection);
        EXPECT_EQ(rows(), expected.rows);
    }
}

TEST_F(ChapterTable, FollowsEveryChangeOfASelectedRecordsChapters)
{
    m_list.setSelectionIndexes({0, 1});
    // A rebuild of one of them makes them differ; a rebuild of the other agrees again.
    m_list.arrangedObjects()[0]->setChapterInterval(2);
    m_list.arrangedObjects()[0]->setChapterSettings(MovieModel::kChaptersByCount);
    EXPECT_TRUE(rows().isEmpty());
    m_list.arrangedObjects()[1]->setMsecDuration(30'000);
    m_list.arrangedObjects()[1]->setChapterInterval(2);
    m_list.arrangedObjects()[1]->setChapterSettings(MovieModel::kChaptersByCount);
    EXPECT_EQ(rows(), (QStringList{"0:00:00 Chapter 1", "0:00:15 Chapter 2"}));
    // A reset keeps the chapters; a paste brings those of the pasted record.
    m_list.arrangedObjects()[1]->reset();
    EXPECT_EQ(rows().size(), 2);
    m_list.setSelectionIndexes({1});
    m_list.arrangedObjects()[1]->paste(m_list.arrangedObjects()[2].get());
    EXPECT_EQ(rows(), (QStringList{"0:00:00 Chapter 1", "0:00:10 Chapter 2"}));
}

}  // namespace
