#include "app/harness/appfixture.h"
#include "app/movielisttablemodel.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QMainWindow>
#include <QTableView>

namespace {

using MainWindow = AppFixture;

TEST_F(MainWindow, LoadedFilesBecomeSelectedRowsAndEnableTheirCommands)
{
    Ui::MainWindow& ui = m_controller->ui();
    EXPECT_FALSE(ui.actionSave->isEnabled());
    EXPECT_FALSE(ui.actionRemoveCurrent->isEnabled());

    loadMovies({"alpha", "beta"});
    m_controller->mainWindow()->show();
    const MovieListTableModel& rows = list().tableModel();
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_TRUE(rows.index(0, MovieListTableModel::TitleColumn).data().toString().contains("alpha.m4v"));
    EXPECT_EQ(list().tableSelectedRows(), (MovieList::IndexSet{0, 1}));
    EXPECT_TRUE(ui.actionRemoveCurrent->isEnabled());
    EXPECT_TRUE(ui.actionFindTmdbInfoAll->isEnabled());
    EXPECT_EQ(ui.actionSave->isEnabled(), list().canTagMovies());
    grabWindow("mainwindow-two-movies");
}

}  // namespace
