#include "app/messageboxalerts.h"
#include "platform/localized.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

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

TEST_F(MessageBoxAlertsTest, GivesThePlaceBackWhenDone)
{
    platform::Alerts* before = &platform::Alerts::current();
    {
        MessageBoxAlerts alerts;
        EXPECT_EQ(&platform::Alerts::current(), &alerts);
    }
    EXPECT_EQ(&platform::Alerts::current(), before);
}
