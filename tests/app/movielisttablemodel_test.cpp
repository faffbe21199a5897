#include "app/movielisttablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<MovieModel> record(int number)
{
    auto movie = std::make_shared<MovieModel>();
    movie->setFileUrl(QUrl::fromLocalFile(QString("/m/%1.mp4").arg(number)));
    movie->setTitle(QString("Movie %1").arg(number));
    return movie;
}

class MovieListTableModelTest : public ::testing::Test {
protected:
    MovieListTableModelTest() : m_tester(&m_model, QAbstractItemModelTester::FailureReportingMode::Fatal) {}

    // The titles the rows show, in row order.
    QStringList shownTitles() const
    {
        QStringList titles;
        for (int row = 0; row < m_model.rowCount(); ++row)
            titles << m_model.index(row, MovieListTableModel::TitleColumn).data().toString().section('\n', 0, 0);
        return titles;
    }

    QStringList listTitles() const
    {
        QStringList titles;
        for (const auto& movie : m_list.arrangedObjects())
            titles << movie->title();
        return titles;
    }

    MovieList m_list;
    MovieListTableModel m_model{m_list};
    QAbstractItemModelTester m_tester;
};

// Rows are inserted and removed one change at a time, and a record's change
// refreshes exactly its own row, also for rows that moved up after a removal.
TEST_F(MovieListTableModelTest, RowsFollowAppendsRemovalsAndChangesOfSingleRecords)
{
    QSignalSpy inserted(&m_model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&m_model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&m_model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
    std::vector<std::shared_ptr<MovieModel>> movies;
    for (int i = 0; i < 8; ++i) {
        movies.push_back(record(i));
        m_list.addObject(movies.back());
    }
    EXPECT_EQ(inserted.size(), 8);
    ASSERT_EQ(shownTitles(), listTitles());

    const struct Case {
        MovieList::IndexSet remove;
        int removalSignals;
    } removals[] = {{{6}, 1}, {{0, 1, 4}, 2}, {{2, 3}, 1}};
    for (const Case& removal : removals) {
        removed.clear();
        m_list.removeObjectsAtArrangedObjectIndexes(removal.remove);
        EXPECT_EQ(removed.size(), removal.removalSignals);
        ASSERT_EQ(shownTitles(), listTitles());
        // Every record still shown refreshes its own row, wherever it moved.
        for (int row = 0; row < m_model.rowCount(); ++row) {
            changed.clear();
            m_list.arrangedObjects().at(row)->setTitle(QString("Edited %1").arg(row));
            ASSERT_FALSE(changed.isEmpty());
            for (const QList<QVariant>& signal : changed)
                EXPECT_EQ(signal.at(0).toModelIndex().row(), row);
        }
        EXPECT_EQ(shownTitles(), listTitles());
    }
    // Records no longer shown refresh nothing.
    changed.clear();
    movies[0]->setTitle("Gone");
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_EQ(reset.size(), 0);

    m_list.addObject(record(9));
    EXPECT_EQ(shownTitles(), listTitles());
}

TEST_F(MovieListTableModelTest, OnlyARealReorderingReloadsTheRows)
{
    for (int i : {3, 1, 2})
        m_list.addObject(record(i));
    QSignalSpy reset(&m_model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
    m_list.setSortOrder([](const MovieModel& a, const MovieModel& b) { return a.title() < b.title(); });
    m_list.rearrangeObjects();
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(shownTitles(), (QStringList{"Movie 1", "Movie 2", "Movie 3"}));
    m_list.rearrangeObjects();
    EXPECT_EQ(reset.size(), 1);
    ASSERT_EQ(changed.size(), 1);  // the same rows, read again
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().row(), 2);

    changed.clear();
    m_list.arrangedObjects().at(2)->setComments("changed after the reload");
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 2);
}

}  // namespace
