// Movies another program tagged, opened in the main window: the editor shows
// their dates, cast and Nero chapters as the other program wrote them, and a
// save through the window that changes only the title leaves them so in the
// file; a date the user clears goes, and stays gone. (What a save keeps of
// each tagger's forms, and of the media, is OtherTaggers' table.)
#include "journey.h"

#include "app/korvalanecontroller.h"
#include "ui_mainwindow.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTableView>

namespace journeys {
namespace {

using namespace movieroad;

class TaggedElsewhereJourney : public Journey {
protected:
    Ui::MainWindow& ui() const { return m_controller->ui(); }

    // The chapter table as the window shows it: "start name" per row.
    QStringList chapterRows() const
    {
        const QAbstractItemModel* table = ui().chapterListView->model();
        QStringList rows;
        for (int row = 0; row < table->rowCount(); ++row)
            rows << table->index(row, 1).data().toString() + " " + table->index(row, 2).data().toString();
        return rows;
    }

    // A value mutagen read, as JSON text in brackets.
    static QString asText(const QJsonValue& value)
    {
        return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
    }
};

TEST_F(TaggedElsewhereJourney, WhatTheOtherProgramWroteIsShownAndKeptByATitleOnlySave)
{
    saveWhereTheFilesLie();
    const QString day = QString::fromUtf8("©day");
    const QString cast = QString::fromUtf8("Åsa Ängström, Jürgen Weiß, Zoë Øvergård");
    testsupport::MovieRecipe nero;
    nero.chapters = {{"Prolog", 0, 10'000}, {QString::fromUtf8("Überfahrt"), 10'000, 25'000}, {"Ende", 25'000, 32'000}};
    nero.chapterTrack = false;
    const QString audiobook = makeMovie("Audiobook.m4v", nero);
    ASSERT_TRUE(m_factory.mutagenTag(
        audiobook, {{day, "2019"}, {"purd", "2011-11-14 09:34:54"}, {QString::fromUtf8("©ART"), cast}}));
    const QString summer = makeMovie("Summer.m4v");
    ASSERT_TRUE(m_factory.mutagenTag(summer, {{day, "Summer 1999"}}));
    ASSERT_TRUE(m_factory.mutagenTag(makeMovie("Winter.m4v"), {{day, "Winter 2000"}}));
    const QJsonObject before = m_factory.mutagenTags(audiobook);
    const qsizetype streams = probe(audiobook)["streams"].toArray().size();
    openWorkFolder(3);

    // The year alone, the names without the blanks after the commas, the Nero chapters kept.
    clickRow(rowOf("Audiobook.m4v"));
    EXPECT_EQ(ui().releaseDateEdit->text(), "2019");
    EXPECT_EQ(ui().actorsEdit->text(), cast);
    EXPECT_EQ(chapterRows(), (QStringList{"0:00:00 Prolog", QString::fromUtf8("0:00:10 Überfahrt"), "0:00:25 Ende"}));
    EXPECT_EQ(ui().chapterSettingComboBox->currentIndex(), MovieModel::kChaptersFromFile);
    typeTitle("Das Hoerbuch");
    trigger(ui().actionSave);
    EXPECT_TRUE(m_alerts.shown().isEmpty());
    EXPECT_EQ(ui().releaseDateEdit->text(), "2019");
    // Every tag the other program wrote, and its chapters, stay as they were; no chapter track is added.
    const QJsonObject after = m_factory.mutagenTags(audiobook);
    EXPECT_EQ(asText(after["tags"][QString::fromUtf8("©nam")]), R"([["Das Hoerbuch"]])");
    for (const QString& key : before["tags"].toObject().keys())
        EXPECT_EQ(asText(after["tags"][key]), asText(before["tags"][key])) << key.toStdString();
    EXPECT_EQ(asText(after["chapters"]), asText(before["chapters"]));
    EXPECT_EQ(probe(audiobook)["streams"].toArray().size(), streams);

    // A text that names no day is shown as it stands and kept, until the user clears it.
    clickRow(rowOf("Summer.m4v"));
    EXPECT_EQ(ui().releaseDateEdit->text(), "Summer 1999");
    typeTitle("Sommer");
    trigger(ui().actionSave);
    EXPECT_EQ(m_factory.mutagenText(summer, day), "Summer 1999");
    typeInto(ui().releaseDateEdit, "");
    EXPECT_EQ(ui().releaseDateEdit->text(), "");
    trigger(ui().actionSave);
    EXPECT_EQ(m_factory.mutagenText(summer, day), "");

    // Once saved, the record knows the file without that text: a record pasted over it
    // whose date names no day does not bring the removed text back.
    clickRow(rowOf("Winter.m4v"));
    trigger(ui().actionCopyAll);
    clickRow(rowOf("Summer.m4v"));
    trigger(ui().actionPasteAll);
    EXPECT_EQ(ui().releaseDateEdit->text(), "");
    trigger(ui().actionSave);
    EXPECT_EQ(m_factory.mutagenText(summer, day), "");
    EXPECT_TRUE(m_alerts.shown().isEmpty());
}

}  // namespace
}  // namespace journeys
