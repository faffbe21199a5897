#include "journey.h"

#include "app/preferencewindowcontroller.h"
#include "platform/settings.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace journeys {

void Journey::SetUp()
{
    MovieRoadTest::SetUp();
    useEveryServiceWithPlexFiles();
    // Titles the database does not know find nothing; the one it knows, Alien of 1979.
    m_services.answerEveryTitleSearch();
    m_controller->mainWindow()->resize(1400, 820);
    m_controller->mainWindow()->show();
    QApplication::processEvents();
}

int Journey::rowOf(const QString& fileName) const
{
    const MovieList::Records& records = list().arrangedObjects();
    for (int row = 0; row < records.size(); ++row)
        if (records[row]->fileUrl().fileName() == fileName)
            return row;
    return -1;
}

std::shared_ptr<MovieModel> Journey::record(const QString& fileName) const
{
    const int row = rowOf(fileName);
    return row < 0 ? nullptr : list().arrangedObjects().at(row);
}

void Journey::saveWhereTheFilesLie()
{
    platform::Settings::shared().remove("WorkingDirectoryBookmark");
    set("WritePLEXFiles", false);
}

void Journey::openWorkFolder(int rows)
{
    m_chooser.queueAnswer({QUrl::fromLocalFile(workFolder())});
    trigger(m_controller->ui().actionOpen);
    ASSERT_EQ(m_controller->ui().movieListTableView->model()->rowCount(), rows);
}

void Journey::clickRow(int row)
{
    QTableView* table = m_controller->ui().movieListTableView;
    ASSERT_GE(row, 0);
    ASSERT_LT(row, table->model()->rowCount());
    table->scrollTo(table->model()->index(row, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(row, 1)).center());
    QApplication::processEvents();
}

void Journey::trigger(QAction* action)
{
    ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    action->trigger();
    QApplication::processEvents();
}

void Journey::typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void Journey::changePreferences(const std::function<void(PreferenceWindowController&)>& change)
{
    bool shown = false;
    QTimer::singleShot(0, m_controller.get(), [&] {
        auto* window = qobject_cast<PreferenceWindowController*>(QApplication::activeModalWidget());
        if (!window)
            return;
        shown = true;
        change(*window);
        window->findChild<QPushButton*>("closeButton")->click();
    });
    trigger(m_controller->ui().actionPreferences);
    ASSERT_TRUE(shown) << "the preferences window did not open";
}

QByteArray Journey::served(const QUrl& url)
{
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(reply->error(), QNetworkReply::NoError) << url.toString().toStdString();
    return reply->readAll();
}

void Journey::choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

}  // namespace journeys
