#include "app/fieldlisttokendelegate.h"
#include "app/tokenfield.h"
#include "platform/localized.h"

#include <QAbstractItemModel>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QStringList kKeys{"title", "actors",      "directors", "writers",  "producers", "studio",   "rating",  "explicit",
                        "genre", "releasedate", "shortdesc", "longdesc", "cover",     "chapters", "subtitle"};

class FieldListTokenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_language = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
        m_field.setDelegate(&m_delegate);
    }
    void TearDown() override { platform::setLocalizationLanguage(m_language); }

    static QStringList names(const QStringList& keys)
    {
        QStringList result;
        for (const QString& key : keys)
            result.append(FieldListTokenDelegate::localizedName(key));
        return result;
    }
    static QStringList allBut(const QStringList& left)
    {
        QStringList keys = kKeys;
        for (const QString& key : left)
            keys.removeAll(key);
        return keys;
    }

    QString m_language;
    FieldListTokenDelegate m_delegate;
    TokenField m_field;
};

TEST_F(FieldListTokenTest, NamesComeFromTheStringTablesUnderTheCapitalisedKey)
{
    EXPECT_EQ(m_delegate.tokenList(), kKeys);
    EXPECT_EQ(FieldListTokenDelegate::localizedName("releasedate"), platform::localized("fieldReleasedate"));
    EXPECT_EQ(FieldListTokenDelegate::localizedName("shortdesc"), "Short Description");
    for (const QString& key : kKeys) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(FieldListTokenDelegate::localizedName(key).startsWith("field"));
        platform::setLocalizationLanguage("de");
        EXPECT_FALSE(FieldListTokenDelegate::localizedName(key).startsWith("field"));
        platform::setLocalizationLanguage("en");
    }
}

TEST_F(FieldListTokenTest, CompletionsOfferTheNamesNotYetEnteredThatBeginWithTheText)
{
    struct Case {
        QStringList entered;
        QString typed;
        QStringList offered;  // keys, in tokenList order
    };
    const QList<Case> cases{
        {{}, "", kKeys},
        {{}, "   ", kKeys},
        {{}, "\n\t", kKeys},
        {{"studio", "title"}, " ", allBut({"studio", "title"})},
        {{}, "s", {"writers", "studio", "shortdesc", "subtitle"}},
        {{}, "S", {"writers", "studio", "shortdesc", "subtitle"}},
        {{}, "sT", {"studio"}},
        {{"studio"}, "s", {"writers", "shortdesc", "subtitle"}},
        {{}, " s", {}},
        {{}, "release d", {"releasedate"}},
        {{}, "x", {}},
        {allBut({"title"}), "", {"title"}},
        {kKeys, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("typed '" + c.typed.toStdString() + "' with " + c.entered.join(",").toStdString());
        m_field.setObjectValue(c.entered);
        EXPECT_EQ(m_delegate.completionsForSubstring(m_field, c.typed), names(c.offered));
    }
}

TEST_F(FieldListTokenTest, OnlyAnExactNameBecomesItsKeyAndOnlyKeysAreAdded)
{
    EXPECT_EQ(m_delegate.representedObjectForEditingString(m_field, "Release Date"), "releasedate");
    EXPECT_EQ(m_delegate.representedObjectForEditingString(m_field, "Title"), "title");
    for (const char* text : {"release date", "Titel", "Titl", "title", ""}) {
        SCOPED_TRACE(text);
        const QString object = m_delegate.representedObjectForEditingString(m_field, text);
        EXPECT_TRUE(object.isEmpty());
        EXPECT_FALSE(object.isNull());
    }
    platform::setLocalizationLanguage("de");
    EXPECT_EQ(m_delegate.representedObjectForEditingString(m_field, "Titel"), "title");

    EXPECT_EQ(m_delegate.shouldAddObjects(m_field, {"title", "", "Title", "bogus", "cover", "title"}, 0),
              QStringList({"title", "cover"}));
}

TEST_F(FieldListTokenTest, KeysWithoutANameShowThemselves)
{
    m_delegate.setTokenList({"title", "bogus"});
    EXPECT_EQ(m_delegate.completionsForSubstring(m_field, ""), QStringList({"Title", "fieldBogus"}));
    EXPECT_EQ(m_delegate.representedObjectForEditingString(m_field, "fieldBogus"), "bogus");
    EXPECT_EQ(m_delegate.displayStringForRepresentedObject(m_field, "bogus"), std::nullopt);
    EXPECT_EQ(m_delegate.displayStringForRepresentedObject(m_field, "title"), "Title");
    m_field.setObjectValue({"bogus", "title"});
    EXPECT_EQ(m_field.displayedTexts(), QStringList({"bogus", "Title"}));
}

TEST_F(FieldListTokenTest, TypingInTheFieldAddsKnownNamesAndDropsTheRest)
{
    QSignalSpy changes(&m_field, &TokenField::objectValueChanged);
    QLineEdit* editor = m_field.editor();

    QTest::keyClicks(editor, "Rating");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(m_field.objectValue(), QStringList({"rating"}));
    EXPECT_TRUE(editor->text().isEmpty());

    // Text that names no field adds nothing; Return leaves it to be mended.
    for (const char* typed : {"rating" /* another letter case, of a name entered */, "Ratings"}) {
        editor->clear();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(m_field.objectValue(), QStringList({"rating"}));
        EXPECT_EQ(editor->text(), typed);
    }
    EXPECT_EQ(changes.size(), 1);

    // Several names at once, as pasted; an entered name does not come again.
    editor->setText("Cover, Nonsense, Rating");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(m_field.objectValue(), QStringList({"rating", "cover"}));
    EXPECT_EQ(m_field.displayedTexts(), QStringList({"Rating", "Cover"}));
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes.last().first().toStringList(), m_field.objectValue());

    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(m_field.objectValue(), QStringList({"rating"}));
    EXPECT_EQ(changes.size(), 3);
}

TEST_F(FieldListTokenTest, TheCompleterShowsWhatTheDelegateOffers)
{
    m_field.setObjectValue({"chapters"});
    QTest::keyClicks(m_field.editor(), "c");
    const QAbstractItemModel* offered = m_field.completer()->model();
    QStringList shown;
    for (int row = 0; row < offered->rowCount(); ++row)
        shown.append(offered->index(row, 0).data().toString());
    EXPECT_EQ(shown, names({"cover"}));
}

}  // namespace
