// The main window from the keyboard: Tab moves between controls (never
// between movies), the control with the focus shows a clear frame, and line
// fields show the start of a long text.
#include "app/harness/appfixture.h"
#include "app/imageselectcontroller.h"
#include "support/testenvironment.h"
#include "ui_imageselectview.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QFocusFrame>
#include <QMainWindow>
#include <QTableView>
#include <QTest>

namespace {

class Keyboard : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        QMainWindow* window = m_controller->mainWindow();
        window->show();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, testsupport::kWindowWaitMs));
    }

    Ui::MainWindow& ui() const { return m_controller->ui(); }
    QMainWindow* window() const { return m_controller->mainWindow(); }
    MovieModel& movie(int row) const { return *list().arrangedObjects().at(row); }

    // The one focus frame of the window, if it shows.
    QFocusFrame* focusFrame() const
    {
        const QList<QFocusFrame*> frames = window()->findChildren<QFocusFrame*>();
        return frames.size() == 1 && frames.first()->isVisible() ? frames.first() : nullptr;
    }

    // Where the frame lies on the screen, and where the control it frames.
    static QRect onScreen(const QWidget* widget) { return {widget->mapToGlobal(QPoint(0, 0)), widget->size()}; }

    void clickRow(int row) const
    {
        QTableView* table = ui().movieListTableView;
        const QRect cell = table->visualRect(table->model()->index(row, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }

    static void pressOn(QWidget* widget, Qt::Key key)
    {
        QTest::keyClick(widget, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    }
};

TEST_F(Keyboard, TabAndShiftTabLeaveTheMovieListWithTheSelectionKept)
{
    loadMovies({"first", "second", "third"});
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        clickRow(0);
        QTableView* table = ui().movieListTableView;
        ASSERT_EQ(QApplication::focusWidget(), table);
        ASSERT_EQ(list().selectionIndexes(), MovieList::IndexSet{0});

        pressOn(table, key);
        QWidget* next = QApplication::focusWidget();
        ASSERT_NE(next, nullptr);
        EXPECT_NE(next, table) << "key " << key;
        EXPECT_FALSE(table->isAncestorOf(next));
        pressOn(next, key);
        EXPECT_NE(QApplication::focusWidget(), table);
        EXPECT_EQ(list().selectionIndexes(), MovieList::IndexSet{0}) << "key " << key;
        EXPECT_EQ(ui().titleEdit->text(), "first");
    }
}

TEST_F(Keyboard, EveryControlOnTheTabChainShowsAFrameInTheHighlightColour)
{
    loadMovies({"framed"});
    ui().movieListTableView->setFocus();
    QSet<QWidget*> visited;
    int ringsLookedAt = 0;
    const QColor highlight = window()->palette().color(QPalette::Highlight);
    for (QWidget* focused = QApplication::focusWidget(); focused && !visited.contains(focused);
         focused = QApplication::focusWidget()) {
        visited.insert(focused);
        QFocusFrame* frame = focusFrame();
        ASSERT_NE(frame, nullptr) << focused->objectName().toStdString();
        EXPECT_EQ(frame->widget(), focused);
        EXPECT_TRUE(onScreen(frame).contains(onScreen(focused))) << focused->objectName().toStdString();
        // The ring itself, just outside the control, is drawn in the highlight colour.
        const QPoint ring = frame->mapTo(window(), QPoint(0, frame->height() / 2));
        if (window()->rect().contains(ring) && focused->visibleRegion().boundingRect() == focused->rect()) {
            EXPECT_EQ(window()->grab().toImage().pixelColor(ring), highlight) << focused->objectName().toStdString();
            ++ringsLookedAt;
        }
        if (focused == ui().titleEdit)
            grabWindow("focus-on-title");
        pressOn(focused, Qt::Key_Tab);
    }
    // Every kind of control takes its turn: the list, fields, choosers, the search view.
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui().movieListTableView, ui().titleEdit, ui().genreComboBox, ui().ratingComboBox, ui().shortDescTextView,
             m_controller->imageSelectController()->ui().tmdbSearchField})
        EXPECT_TRUE(visited.contains(control)) << control->objectName().toStdString();
    EXPECT_GT(ringsLookedAt, visited.size() / 2);
    // Passing through the descriptions typed nothing into them.
    EXPECT_TRUE(movie(0).shortDescription().isEmpty());
    EXPECT_TRUE(movie(0).longDescription().isEmpty());
}

TEST_F(Keyboard, LineFieldsShowTheStartOfALongTextAndKeepATypingUsersCursor)
{
    const QString longTitle =
        QStringLiteral("Die wundersame Reise der Familie Huber von Flensburg nach München (Überlänge)");
    loadMovies({"long"});
    movie(0).setTitle(longTitle);
    movie(0).setArtists(QStringList{"Maximiliane Kunigunde von Hohenzollern-Sigmaringen", "Bruno Ganz",
                                    "Hanna Schygulla", "Armin Mueller-Stahl"});
    movie(0).setStudio(QString(120, u'S'));
    QLineEdit* search = m_controller->imageSelectController()->ui().tmdbSearchField;
    const struct {
        QLineEdit* field;
        QString starts;
    } fields[] = {
        {ui().titleEdit, "Die wundersame"},
        {ui().actorsEdit, "Maximiliane"},
        {ui().studioEdit, "SSS"},
        {search, "Die wundersame"},
    };
    for (const auto& [field, starts] : fields) {
        ASSERT_TRUE(field->text().startsWith(starts)) << field->objectName().toStdString();
        EXPECT_EQ(field->cursorPosition(), 0) << field->objectName().toStdString();
        // The first letters are inside the field, where its text begins.
        EXPECT_LT(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), field->width() / 4)
            << field->objectName().toStdString();
    }

    // A user who typed at the end keeps the cursor there when the value comes back.
    QLineEdit* title = ui().titleEdit;
    title->setFocus();
    title->end(false);
    QTest::keyClicks(title, " II");
    QTest::keyClick(title, Qt::Key_Return);
    EXPECT_EQ(movie(0).title(), longTitle + " II");
    EXPECT_EQ(title->cursorPosition(), title->text().size());
}

}  // namespace
