#include "online/qxjson.h"

#include "platform/log.h"
#include "support/fakeserver.h"

#include <QVariantMap>

#include <gtest/gtest.h>

using QXJSON::QXJSONStringToObject;

namespace {

// Element 0 of the wrapper of `text` as a dictionary; fails when there is none.
QVariantMap objectOf(const QString& text)
{
    const std::optional<QVariantList> wrapper = QXJSONStringToObject(text);
    EXPECT_TRUE(wrapper.has_value()) << text.toStdString();
    if (!wrapper || wrapper->isEmpty())
        return {};
    EXPECT_EQ(wrapper->first().typeId(), QMetaType::QVariantMap);
    return wrapper->first().toMap();
}

QVariantList arrayOf(const QString& text)
{
    const std::optional<QVariantList> wrapper = QXJSONStringToObject(text);
    EXPECT_TRUE(wrapper.has_value()) << text.toStdString();
    if (!wrapper || wrapper->isEmpty())
        return {};
    EXPECT_EQ(wrapper->first().typeId(), QMetaType::QVariantList);
    return wrapper->first().toList();
}

bool isText(const QVariant& value, const QString& text)
{
    return value.typeId() == QMetaType::QString && value.toString() == text && !value.toString().isNull();
}

TEST(QXJSON, EveryScalarIsText)
{
    const QVariantMap object = objectOf(R"({"total_results":0,"a":12.5,"b":-1e3,"c":true,"d":false,"e":"x y"})");
    EXPECT_TRUE(isText(object.value("total_results"), "0"));
    EXPECT_TRUE(isText(object.value("a"), "12.5"));
    EXPECT_TRUE(isText(object.value("b"), "-1e3"));
    EXPECT_TRUE(isText(object.value("c"), "true"));
    EXPECT_TRUE(isText(object.value("d"), "false"));
    EXPECT_TRUE(isText(object.value("e"), "x y"));
    // Words are not checked: quoted or not, the characters are the value.
    EXPECT_TRUE(isText(objectOf(R"({"w":tru,"q":"12"})").value("w"), "tru"));
    EXPECT_TRUE(isText(objectOf(R"({"w":tru,"q":"12"})").value("q"), "12"));
}

TEST(QXJSON, TheSpecimenDocument)
{
    const QVariantMap object = objectOf(R"({"a": "1", "b": ["x", "y"], "c": null})");
    ASSERT_EQ(object.size(), 3);
    EXPECT_TRUE(isText(object.value("a"), "1"));
    EXPECT_EQ(object.value("b").toList(), QVariantList({"x", "y"}));
    EXPECT_TRUE(isText(object.value("c"), ""));
}

TEST(QXJSON, NullRules)
{
    EXPECT_TRUE(isText(objectOf(R"({"iso_639_1":null})").value("iso_639_1"), ""));
    EXPECT_TRUE(isText(objectOf(R"({"iso_639_1":"null"})").value("iso_639_1"), ""));
    const QVariantList list = arrayOf(R"(["de",null])");
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(isText(list[0], "de"));
    EXPECT_TRUE(isText(list[1], "null"));
}

TEST(QXJSON, EmptyStringsAndEmptyKeys)
{
    const QVariantMap withEmpty = objectOf(R"({"homepage":"","id":"7"})");
    EXPECT_TRUE(withEmpty.contains("homepage"));
    EXPECT_TRUE(isText(withEmpty.value("homepage"), ""));
    EXPECT_TRUE(isText(withEmpty.value("id"), "7"));
    EXPECT_TRUE(arrayOf(R"(["",""])").isEmpty());

    const QVariantMap emptyKey = objectOf(R"({"":"dropped","next":"kept"})");
    EXPECT_FALSE(emptyKey.contains(""));
    // The dropped value does not run on into the next one.
    EXPECT_TRUE(isText(emptyKey.value("next"), "kept"));

    const QVariantMap emptyKeyObject = objectOf(R"({"":{"inner":"1"}})");
    ASSERT_TRUE(emptyKeyObject.contains(""));
    EXPECT_TRUE(isText(emptyKeyObject.value("").toMap().value("inner"), "1"));
}

TEST(QXJSON, Escapes)
{
    const QVariantMap object = objectOf(R"({"t":"caf\u00e9\nA\"B\\C\/D\tE\qF","s":"\ud83c\udfac"})");
    EXPECT_EQ(object.value("t").toString(), QString::fromUtf8("café\nA\"B\\C/D\tEqF"));
    const QString clapper = object.value("s").toString();
    EXPECT_EQ(clapper.size(), 2);
    EXPECT_EQ(clapper, QString::fromUtf8("\xf0\x9f\x8e\xac"));
    // Structure characters and non-ASCII text inside quotes are plain text.
    EXPECT_EQ(objectOf(QString::fromUtf8(R"({"k":"{[a,b]}: Komödie"})")).value("k").toString(),
              QString::fromUtf8("{[a,b]}: Komödie"));
}

TEST(QXJSON, SyntaxErrorsLogAndGiveNil)
{
    platform::LogCapture log;
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":'x'})").has_value());
    EXPECT_FALSE(QXJSONStringToObject(R"({"adult":True})").has_value());
    EXPECT_FALSE(QXJSONStringToObject("{\"a\":1\v}").has_value());
    EXPECT_EQ(log.lines(),
              QStringList({"Syntax error: Character: ', Location: 5", "Syntax error: Character: T, Location: 9",
                           "Syntax error: Character: \v, Location: 6"}));
}

TEST(QXJSON, OpenEndsAreSyntaxErrors)
{
    platform::LogCapture log;
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":")").has_value());      // quote opening at the end
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":"x\)").has_value());    // backslash at the end
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":"1"}})").has_value());  // closing with nothing open
    EXPECT_FALSE(QXJSONStringToObject(R"(])").has_value());
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":"\u00e"})").has_value());  // short \u
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":"\u00)").has_value());
    EXPECT_FALSE(QXJSONStringToObject(R"(["x"})").has_value());  // other kind of bracket, text pending
    EXPECT_FALSE(QXJSONStringToObject(R"({"a":"1"])").has_value());
    EXPECT_EQ(log.lines().size(), 8);
    EXPECT_EQ(log.lines()[2], "Syntax error: Character: }, Location: 9");
    // A closing quote at the very end is fine: a lone string is an empty wrapper.
    EXPECT_EQ(QXJSONStringToObject(R"("abc")"), QVariantList());
}

TEST(QXJSON, EmptyAndScalarTextsGiveAnEmptyWrapper)
{
    EXPECT_EQ(QXJSONStringToObject(QString()), QVariantList());
    EXPECT_EQ(QXJSONStringToObject(""), QVariantList());
    EXPECT_EQ(QXJSONStringToObject(" \n"), QVariantList());
    EXPECT_EQ(QXJSONStringToObject("42"), QVariantList());
}

TEST(QXJSON, TruncatedTextKeepsWhatWasStored)
{
    const QVariantMap object = objectOf(R"({"a":"1","b":"2)");
    EXPECT_EQ(object.size(), 1);
    EXPECT_TRUE(isText(object.value("a"), "1"));
    const QVariantMap nested = objectOf(R"({"a":"1","list":["x","y)");
    EXPECT_EQ(nested.value("list").toList(), QVariantList({"x"}));
}

TEST(QXJSON, SeveralTopLevelDocuments)
{
    const std::optional<QVariantList> wrapper = QXJSONStringToObject(R"({"a":"1"}{"b":"2"})");
    ASSERT_TRUE(wrapper.has_value());
    ASSERT_EQ(wrapper->size(), 2);
    EXPECT_TRUE(isText(wrapper->at(0).toMap().value("a"), "1"));
    EXPECT_TRUE(isText(wrapper->at(1).toMap().value("b"), "2"));
}

TEST(QXJSON, ArraysKeepEachElementsOwnText)
{
    const QVariantList list = arrayOf(R"(["w92", "w154" ,"original",12])");
    EXPECT_EQ(list, QVariantList({"w92", "w154", "original", "12"}));
    const QVariantList objects = arrayOf(R"([{"id":1},{"id":2,"x":[]},[]])");
    ASSERT_EQ(objects.size(), 3);
    EXPECT_TRUE(isText(objects[1].toMap().value("id"), "2"));
    EXPECT_EQ(objects[1].toMap().value("x").toList(), QVariantList());
    EXPECT_EQ(objects[2].toList(), QVariantList());
}

TEST(QXJSON, LaterPairReplacesEarlier)
{
    EXPECT_TRUE(isText(objectOf(R"({"a":"1","a":"2"})").value("a"), "2"));
    EXPECT_TRUE(isText(objectOf(R"({"a":{"x":"1"},"a":"3"})").value("a"), "3"));
}

TEST(QXJSON, ReadsTheServiceReplies)
{
    const QString images = QString::fromUtf8(testsupport::serviceData("tmdb/images-348.json"));
    const QVariantMap reply = objectOf(images);
    const QVariantList posters = reply.value("posters").toList();
    ASSERT_FALSE(posters.isEmpty());
    bool sawUntagged = false;
    for (const QVariant& poster : posters) {
        const QVariantMap entry = poster.toMap();
        EXPECT_EQ(entry.value("vote_count").typeId(), QMetaType::QString);
        sawUntagged = sawUntagged || isText(entry.value("iso_639_1"), "");
    }
    EXPECT_TRUE(sawUntagged);
    const QVariantMap empty = objectOf(QString::fromUtf8(testsupport::serviceData("tmdb/search-empty.json")));
    EXPECT_TRUE(isText(empty.value("total_results"), "0"));
    EXPECT_EQ(empty.value("results").toList(), QVariantList());
}

TEST(QXJSON, DeepNestingNeedsNoRecursion)
{
    const int depth = 20000;
    const QString text = QString("[").repeated(depth) + "\"core\"" + QString("]").repeated(depth);
    const std::optional<QVariantList> wrapper = QXJSONStringToObject(text);
    ASSERT_TRUE(wrapper.has_value());
    QVariant level = wrapper->first();
    for (int i = 1; i < depth; ++i)
        level = QVariant(level.toList().first());
    EXPECT_EQ(level.toList(), QVariantList({"core"}));
}

}  // namespace
