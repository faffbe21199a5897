#include "platform/xmldocument.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

using platform::XmlDocument;

namespace {

const QByteArray chapters = R"(<?xml version="1.0" encoding="UTF-8"?>
<results xmlns:cg="http://jvance.com/2008/ChapterGrabber">
  <chapterInfo xml:lang="eng" confirmations="3">
    <title>Alien</title>
    <chapters>
      <chapter time="00:00:00" name="Start"/>
      <chapter time="00:05:30.500" name="Nostromo &amp; crew"/>
    </chapters>
  </chapterInfo>
  <chapterInfo xml:lang="ger" confirmations="1">
    <title>Alien</title>
    <chapters><chapter time="00:00:00" name="Anfang"/></chapters>
  </chapterInfo>
</results>
)";

}  // namespace

TEST(XmlDocument, QueriesNodesTextsAndAttributes)
{
    const auto doc = XmlDocument::parseXml(chapters);
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(doc->root().name(), "results");
    const auto sets = doc->nodesForXPath("//chapterInfo");
    ASSERT_EQ(sets.size(), 2);
    EXPECT_EQ(sets[0].attribute("confirmations"), "3");
    EXPECT_TRUE(sets[0].attribute("missing").isNull());
    EXPECT_EQ(sets[1].textsForXPath("./title"), QStringList{"Alien"});
    EXPECT_EQ(sets[0].textsForXPath("chapters/chapter/@name"), (QStringList{"Start", "Nostromo & crew"}));
    EXPECT_EQ(sets[1].nodesForXPath(".//chapter").size(), 1);
    EXPECT_EQ(doc->textsForXPath("count(//chapter)"), QStringList{"3"});
    EXPECT_EQ(sets[0].childElements().size(), 2);
    EXPECT_EQ(sets[0].childElements()[0].text(), "Alien");
}

TEST(XmlDocument, RelativeQueriesFromTheDocumentStartAtItsTop)
{
    const auto doc = XmlDocument::parseXml(chapters);
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(doc->nodesForXPath(".//chapters/chapter").size(), 3);
    EXPECT_EQ(doc->textsForXPath("results/chapterInfo/title"), (QStringList{"Alien", "Alien"}));
}

TEST(XmlDocument, BadXPathGivesNothing)
{
    const auto doc = XmlDocument::parseXml(chapters);
    ASSERT_TRUE(doc.has_value());
    EXPECT_TRUE(doc->nodesForXPath("//chapter[").isEmpty());
    EXPECT_TRUE(doc->textsForXPath("").isEmpty());
    EXPECT_TRUE(platform::XmlNode().nodesForXPath("//a").isEmpty());
    EXPECT_TRUE(platform::XmlNode().text().isNull());
}

TEST(XmlDocument, MalformedXmlIsRefused)
{
    EXPECT_FALSE(XmlDocument::parseXml("").has_value());
    EXPECT_FALSE(XmlDocument::parseXml("<a><b></a>").has_value());
    EXPECT_FALSE(XmlDocument::parseXml("plain text").has_value());
    EXPECT_FALSE(XmlDocument::parseXml(QByteArray(100000, '<')).has_value());
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    EXPECT_FALSE(XmlDocument::parseXml(deep).has_value());
}

TEST(XmlDocument, NeverReadsExternalEntities)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString secretPath = dir.filePath("secret.txt");
    FILE* file = std::fopen(secretPath.toLocal8Bit().constData(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("TOPSECRET", file);
    std::fclose(file);
    const QByteArray xxe =
        "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secretPath.toUtf8() + "\">]><r>&x;</r>";
    // Documents that declare entities are refused outright.
    EXPECT_FALSE(XmlDocument::parseXml(xxe).has_value());
}

TEST(XmlDocument, RefusesEntityExpansion)
{
    QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i)
        bomb += QByteArray("<!ENTITY a") + QByteArray::number(i) + " \"" +
                QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    bomb += "]><r>&a9;</r>";
    EXPECT_FALSE(XmlDocument::parseXml(bomb).has_value());
}

TEST(XmlDocument, TidiesBrokenHtml)
{
    const QByteArray page = R"(<html><head><title>Alien</title><body>
<table id="chapters"><tr><td class="time">00:00:00<td class="name">Start
<tr><td class="time">00:05:30.500<td class="name">Nostromo &amp; crew
</table><p>unclosed <b>bold
)";
    const auto doc = XmlDocument::parseHtml(page);
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(doc->textsForXPath("//td[@class='time']"), (QStringList{"00:00:00", "00:05:30.500"}));
    const auto rows = doc->nodesForXPath("//table[@id='chapters']/tr");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].textsForXPath("td[@class='name']").value(0).trimmed(), "Nostromo & crew");
    EXPECT_EQ(doc->textsForXPath("//title"), QStringList{"Alien"});
}

TEST(XmlDocument, HtmlOfAnyBytesGivesADocument)
{
    EXPECT_TRUE(XmlDocument::parseHtml("").has_value());
    EXPECT_TRUE(XmlDocument::parseHtml(QByteArray("\x00\xff\xfe<<<>>>", 9)).has_value());
    const auto doc = XmlDocument::parseHtml("just words");
    ASSERT_TRUE(doc.has_value());
    EXPECT_TRUE(doc->nodesForXPath("//table").isEmpty());
}
