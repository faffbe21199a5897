#include "app/messageboxalerts.h"
#include "platform/localized.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

class MessageBoxAlertsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
    }
    void TearDown() override { platform::setLocalizationLanguage(m_previous); }
    QString m_previous;
};

}  // namespace

TEST_F(MessageBoxAlertsTest, BoxShowsBothTranslationsAsAWarningWithOneButton)
{
    const auto box = MessageBoxAlerts::makeAlertBox({"deLanguageName", "noSuchBodyKey"});
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box->text(), "German");
    EXPECT_EQ(box->informativeText(), "noSuchBodyKey");  // no translation: the key itself
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons().first()->text(), platform::localized("OK"));
}

TEST_F(MessageBoxAlertsTest, ShowAlertReturnsWhenTheButtonIsPressed)
{
    MessageBoxAlerts alerts;
    EXPECT_EQ(&platform::Alerts::current(), &alerts);
    QString shownText;
    bool pressed = false;
    int tries = 0;
    // Press the button once the box is up, as a user would; give up (and end
    // the box's loop) should it never appear.
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++tries > 200) {
                ADD_FAILURE() << "no alert box came up";
                QCoreApplication::exit(1);
            }
            return;
        }
        presser.stop();
        shownText = box->text();
        ASSERT_EQ(box->buttons().size(), 1);
        box->buttons().first()->click();
        pressed = true;
    });
    presser.start(10);
    platform::Alerts::current().showAlert("enLanguageName", "deLanguageName");
    EXPECT_TRUE(pressed);
    EXPECT_EQ(shownText, "English");
}

TEST_F(MessageBoxAlertsTest, DetailsCarryTheFullPathToCopy)
{
    const auto box = MessageBoxAlerts::makeAlertBox(
        platform::Alert::aboutFile("fileError", "cantModifyFile", "/films/Alien 1979.m4v"));
    EXPECT_EQ(box->text(), QString::fromUtf8("Cannot save the movie file “Alien 1979.m4v”"));
    EXPECT_EQ(box->detailedText(), "/films/Alien 1979.m4v");
    EXPECT_TRUE(MessageBoxAlerts::makeAlertBox({"fileError", "cantModifyFile"})->detailedText().isEmpty());
}

// The question about unsaved work: Qt's Save All, Discard and Cancel buttons
// in our words; each press is its answer, and Escape cancels.
TEST_F(MessageBoxAlertsTest, TheSaveQuestionAnswersByTheButtonPressed)
{
    MessageBoxAlerts alerts;
    const platform::Alert question{"unsavedMoviesHeader", "unsavedMoviesBody", {"3"}};
    const auto box = MessageBoxAlerts::makeSaveQuestionBox(question);
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_TRUE(box->informativeText().contains(": 3."));
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::SaveAll));
    EXPECT_EQ(box->button(QMessageBox::Discard)->text(), "Discard");

    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> press;
        platform::SaveChoice answer;
    };
    const Case cases[] = {
        {"save all", [](QMessageBox& box) { box.button(QMessageBox::SaveAll)->click(); },
         platform::SaveChoice::SaveAll},
        {"discard", [](QMessageBox& box) { box.button(QMessageBox::Discard)->click(); }, platform::SaveChoice::Discard},
        {"cancel", [](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); }, platform::SaveChoice::Cancel},
        {"escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, platform::SaveChoice::Cancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList buttons;
        int tries = 0;
        QTimer presser;
        QObject::connect(&presser, &QTimer::timeout, [&] {
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!shown) {
                if (++tries > 200) {
                    ADD_FAILURE() << "no question came up";
                    QCoreApplication::exit(1);
                }
                return;
            }
            presser.stop();
            for (QAbstractButton* button : shown->buttons())
                buttons << button->text();
            c.press(*shown);
        });
        presser.start(10);
        EXPECT_EQ(platform::Alerts::current().askToSave(question), c.answer);
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{"Cancel", "Discard", "Save All"}));
    }
}

TEST_F(MessageBoxAlertsTest, GivesThePlaceBackWhenDone)
{
    platform::Alerts* before = &platform::Alerts::current();
    {
        MessageBoxAlerts alerts;
        EXPECT_EQ(&platform::Alerts::current(), &alerts);
    }
    EXPECT_EQ(&platform::Alerts::current(), before);
}
