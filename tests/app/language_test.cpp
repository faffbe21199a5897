// One language throughout: the main window and its search view are built
// once for an English and once for a German system, and every text they
// show (actions, menus, labels, buttons, tabs, tips, placeholders, column
// heads, choices) is compared.
#include "app/appdelegate.h"
#include "app/harness/appfixture.h"
#include "app/korvalanecontroller.h"
#include "platform/localized.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

namespace {

// Texts that are the same in both languages: names, and words German shares.
const QStringList kSameInBothLanguages{"Korvalane", "Genre:",   "Studio:",  "Podcast", "SD 480p",
                                       "HD 720p",   "HD 1080p", "HD 2160p", "#"};

using Texts = QMap<QString, QString>;

// Where a text stands: the widget's class and name (or its place among its
// parent's children when it has none) and what the text is.
QString placeOf(const QObject* object, const QString& what)
{
    QString place = object->objectName();
    for (const QObject* parent = object->parent(); place.isEmpty() && parent; parent = parent->parent())
        place = QStringLiteral("%1#%2").arg(parent->objectName()).arg(parent->children().indexOf(object));
    return QStringLiteral("%1 %2 %3").arg(QString::fromLatin1(object->metaObject()->className()), place, what);
}

void take(Texts& texts, const QObject* object, const QString& what, const QString& text)
{
    if (!text.trimmed().isEmpty())
        texts.insert(placeOf(object, what), text);
}

// Every text the user can read in the window, whether shown now or on hover.
Texts textsOf(QMainWindow& window)
{
    Texts texts;
    take(texts, &window, "title", window.windowTitle());
    for (const QAction* action : window.findChildren<QAction*>()) {
        take(texts, action, "text", action->text());
        take(texts, action, "icon text", action->iconText());
    }
    for (const QMenu* menu : window.findChildren<QMenu*>())
        take(texts, menu, "title", menu->title());
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        // Windows of their own (a chooser's list) are not the window's texts.
        if (widget->window() != &window)
            continue;
        take(texts, widget, "tip", widget->toolTip());
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            take(texts, widget, "text", label->text());
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            take(texts, widget, "text", button->text());
        if (const auto* group = qobject_cast<const QGroupBox*>(widget))
            take(texts, widget, "title", group->title());
        if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
            take(texts, widget, "placeholder", edit->placeholderText());
        if (const auto* spin = qobject_cast<const QSpinBox*>(widget))
            take(texts, widget, "suffix", spin->suffix());
        if (const auto* tabs = qobject_cast<const QTabWidget*>(widget))
            for (int tab = 0; tab < tabs->count(); ++tab)
                take(texts, widget, QStringLiteral("tab %1").arg(tab), tabs->tabText(tab));
        if (const auto* view = qobject_cast<const QAbstractItemView*>(widget); view && view->model())
            for (int column = 0; column < view->model()->columnCount(); ++column)
                take(texts, widget, QStringLiteral("column %1").arg(column),
                     view->model()->headerData(column, Qt::Horizontal).toString());
    }
    return texts;
}

// The choices whose entries are the program's own words (genres and ratings are data).
Texts choicesOf(const Ui::MainWindow& ui)
{
    Texts texts;
    for (const QComboBox* box :
         {ui.explicitComboBox, ui.formatComboBox, ui.mediaTypeComboBox, ui.chapterSettingComboBox})
        for (int entry = 0; entry < box->count(); ++entry)
            take(texts, box, QStringLiteral("entry %1").arg(entry), box->itemText(entry));
    return texts;
}

QStringList keysOfTheTables()
{
    QFile table(QStringLiteral(":/strings/en.json"));
    table.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(table.readAll()).object().keys();
}

class Language : public AppFixture {
protected:
    void TearDown() override
    {
        AppFixture::TearDown();
        AppDelegate::initialize({QStringLiteral("en-US")});
    }

    // The main window as made for a system whose first language is `tag`.
    void buildFor(const QString& tag)
    {
        m_controller.reset();
        AppDelegate::initialize({tag});
        m_controller = std::make_unique<KorvalaneController>();
    }

    Texts shownTexts() const
    {
        Texts texts = textsOf(*m_controller->mainWindow());
        texts.insert(choicesOf(m_controller->ui()));
        return texts;
    }
};

TEST_F(Language, NoTextOfTheMainWindowAndSearchViewStaysEnglishUnderGerman)
{
    buildFor(QStringLiteral("en-US"));
    const Texts english = shownTexts();
    buildFor(QStringLiteral("de-DE"));
    const Texts german = shownTexts();

    // The walk saw the window's parts: menus, toolbar, editor, search view.
    ASSERT_GT(english.size(), 100);
    for (const char* place : {"QMenu menuMovie title", "QAction actionSaveAll text", "QLabel releaseDateEditLabel text",
                              "QTabWidget selectionTabView tab 2", "QPushButton copyButton text",
                              "QTableView movieListTableView column 2", "QComboBox explicitComboBox entry 0"})
        EXPECT_TRUE(english.contains(place)) << place;
    EXPECT_EQ(german.keys(), english.keys());

    const QStringList keys = keysOfTheTables();
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        const QString& shown = german.value(it.key());
        if (!kSameInBothLanguages.contains(it.value())) {
            EXPECT_NE(shown, it.value()) << it.key().toStdString() << ": " << shown.toStdString();
        }
        // A key shown as it stands is a text that has no translation.
        EXPECT_FALSE(keys.contains(shown) || keys.contains(it.value())) << it.key().toStdString();
    }
}

// Chapter names are the file's data, not the window's: they stay as stored.
TEST_F(Language, DurationsAndQtsOwnTextsFollowTheLanguageWhileChapterNamesStayAsStored)
{
    buildFor(QStringLiteral("de-DE"));
    loadMovies({"kapitel"});
    const QAbstractItemModel* chapters = m_controller->ui().chapterListView->model();
    ASSERT_GT(chapters->rowCount(), 1);
    EXPECT_EQ(chapters->index(1, 2).data().toString(), "Chapter 2");
    EXPECT_EQ(list().arrangedObjects().first()->listOfChapters()->first()->name(), "Chapter 1");
    // The short German head leaves the list's duration column room for its times all the same.
    const QTableView* movies = m_controller->ui().movieListTableView;
    const QString duration = movies->model()->index(0, 2).data().toString();
    ASSERT_FALSE(duration.isEmpty());
    EXPECT_GT(movies->horizontalHeader()->sectionSize(2), movies->fontMetrics().horizontalAdvance(duration));

    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'), "Abbrechen");

    buildFor(QStringLiteral("en-GB"));
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text().remove(u'&'),
              "Cancel");
}

// The keys the code hands to an alert (header and body) or to the status
// bar's news, read from the sources as they stand.
QStringList keysTheCodeShows()
{
    static const QRegularExpression alert(QStringLiteral(
        R"re((?:showAlert|aboutFile|Alert(?:\s+\w+)?)\s*[({]\s*\{?\s*QStringLiteral\("(\w+)"\)\s*,\s*QStringLiteral\("(\w+)"\))re"));
    static const QRegularExpression news(QStringLiteral(R"re(QStringLiteral\("(news\w+)"\))re"));
    QStringList keys;
    QDirIterator sources(QStringLiteral(KORVALANE_TEST_DATA "/../../src"), {"*.cpp", "*.h"}, QDir::Files,
                         QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        QFile file(sources.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString code = QString::fromUtf8(file.readAll());
        for (const QRegularExpression* pattern : {&alert, &news})
            for (const QRegularExpressionMatch& match : pattern->globalMatch(code))
                for (int group = 1; group <= pattern->captureCount(); ++group)
                    keys << match.captured(group);
    }
    keys.removeDuplicates();
    keys.sort();
    return keys;
}

TEST(AlertTexts, EveryKeyTheCodeShowsHasItsTextInBothLanguages)
{
    const QStringList keys = keysTheCodeShows();
    // The walk found the keys of each kind of call, so it reads the code as it is written.
    for (const char* key : {"splitTitleHeader", "fileError", "saveStoppedBody", "unsavedMoviesBody",
                            "serviceKeyMissingHeader", "openAddressBody", "loadMovieHeader", "newsBatchSearch",
                            "newsChapterFileLoadedWaiting", "invalidFilePatternBody"})
        EXPECT_TRUE(keys.contains(key)) << key << " not among " << keys.join(", ").toStdString();
    const QString before = platform::localizationLanguage();
    for (const char* language : {"en", "de"}) {
        platform::setLocalizationLanguage(language);
        for (const QString& key : keys) {
            const QString text = platform::localized(key);
            EXPECT_FALSE(text.isEmpty() || text == key) << language << ": " << key.toStdString();
        }
    }
    platform::setLocalizationLanguage(before);
}

}  // namespace
