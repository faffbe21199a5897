#include "online/qxjson.h"

#include "platform/log.h"
#include "support/fakeserver.h"

#include <QVariantMap>

#include <gtest/gtest.h>

using QXJSON::QXJSONStringToObject;

namespace {

// A compact picture of a read: texts in quotes (a null text as NULL, which
// the reader must never give), arrays in brackets, dictionaries in braces
// with their keys in order; "nil" for no result.
std::string describe(const QVariant& value)
{
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString().isNull() ? "NULL" : '"' + value.toString().toStdString() + '"';
        case QMetaType::QVariantList: {
            std::string text = "[";
            for (const QVariant& element : value.toList())
                text += (text.size() > 1 ? "," : "") + describe(element);
            return text + "]";
        }
        case QMetaType::QVariantMap: {
            std::string text = "{";
            const QVariantMap map = value.toMap();
            for (auto pair = map.constBegin(); pair != map.constEnd(); ++pair)
                text +=
                    (text.size() > 1 ? "," : "") + ('"' + pair.key().toStdString() + "\":") + describe(pair.value());
            return text + "}";
        }
        default:
            return "?";
    }
}

std::string describe(const std::optional<QVariantList>& wrapper)
{
    return wrapper ? describe(QVariant(*wrapper)) : "nil";
}

struct Row {
    const char* input;     // UTF-8
    const char* expected;  // describe() of the wrapper
    const char* logLine;   // the one line logged, or none
};

void check(const Row& row)
{
    platform::LogCapture log;
    const QString input = QString::fromUtf8(row.input);
    EXPECT_EQ(describe(QXJSONStringToObject(input)), row.expected) << row.input;
    const QStringList expectedLog = row.logLine ? QStringList{QString::fromUtf8(row.logLine)} : QStringList();
    EXPECT_EQ(log.lines().join('\n').toStdString(), expectedLog.join('\n').toStdString()) << row.input;
}

TEST(QXJSON, EveryScalarIsText)
{
    const Row rows[] = {
        {R"({"total_results":0})", R"([{"total_results":"0"}])", nullptr},
        {R"({"a":12.5,"b":-1e3,"c":1E+5})", R"([{"a":"12.5","b":"-1e3","c":"1E+5"}])", nullptr},
        {R"({"t":true,"f":false})", R"([{"f":"false","t":"true"}])", nullptr},
        // Words and numbers are not checked.
        {R"({"w":tru,"n":nul,"x":1.2.3})", R"([{"n":"nul","w":"tru","x":"1.2.3"}])", nullptr},
        // Quoted or not, the same characters give the same text.
        {R"({"q":"12","u":12})", R"([{"q":"12","u":"12"}])", nullptr},
        {R"([true,"true",0,"0"])", R"([["true","true","0","0"]])", nullptr},
        // Keys are collected the same way: unquoted letters of the set are a key.
        {R"({a:1})", R"([{"a":"1"}])", nullptr},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, NullRules)
{
    const Row rows[] = {
        {R"({"iso_639_1":null})", R"([{"iso_639_1":""}])", nullptr},
        {R"({"iso_639_1":"null"})", R"([{"iso_639_1":""}])", nullptr},
        {R"(["de",null])", R"([["de","null"]])", nullptr},
        {R"(["null"])", R"([["null"]])", nullptr},
        {R"({"a":"1","b":["x","y"],"c":null})", R"([{"a":"1","b":["x","y"],"c":""}])", nullptr},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, EmptyStringsAndEmptyKeys)
{
    const Row rows[] = {
        {R"({"homepage":"","id":"7"})", R"([{"homepage":"","id":"7"}])", nullptr},
        {R"(["",""])", R"([[]])", nullptr},
        {R"(["a","","b"])", R"([["a","b"]])", nullptr},
        // An empty key with a scalar stores nothing, and its value does not
        // run on into the next one.
        {R"({"":"dropped","next":"kept"})", R"([{"next":"kept"}])", nullptr},
        {R"({"":7,"next":8})", R"([{"next":"8"}])", nullptr},
        {R"({"":{"inner":"1"}})", R"([{"":{"inner":"1"}}])", nullptr},
        {R"({"":["x"]})", R"([{"":["x"]}])", nullptr},
        // Two quotes after a colon act as a comma: the pair is stored at once.
        {R"({"a":"")", R"([{"a":""}])", nullptr},
        {R"({"a":"""b":"x"})", R"([{"a":"","b":"x"}])", nullptr},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, InsideQuotes)
{
    const Row rows[] = {
        {R"(["caf\u00e9\nx"])", "[[\"caf\xc3\xa9\nx\"]]", nullptr},
        {R"(["\u00C9\u00e9"])", "[[\"\xc3\x89\xc3\xa9\"]]", nullptr},
        {R"(["\ud83c\udfac"])", "[[\"\xf0\x9f\x8e\xac\"]]", nullptr},
        {R"(["a\"b\\c\/d"])", R"([["a"b\c/d"]])", nullptr},
        {R"(["\b\f\r\t"])", "[[\"\b\f\r\t\"]]", nullptr},
        // Any other escaped character stands for itself.
        {R"(["\q\x\'"])", R"([["qx'"]])", nullptr},
        // An escaped quote neither opens nor closes a string.
        {R"(["\u0022"])", R"([["""]])", nullptr},
        // Control characters, non-ASCII text and structure characters are plain text.
        {"[\"a\tb\xc3\xbc\x01\"]", "[[\"a\tb\xc3\xbc\x01\"]]", nullptr},
        {R"(["{[a,b]}: x"])", R"([["{[a,b]}: x"]])", nullptr},
        // Several elements keep their own texts.
        {R"(["w92", "w154" ,"original",12])", R"([["w92","w154","original","12"]])", nullptr},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, StructureAndTheWrapper)
{
    const Row rows[] = {
        {"{\b\t\n\f\r \"a\"\t:\n\"1\" }", R"([{"a":"1"}])", nullptr},
        {R"({})", R"([{}])", nullptr},
        {R"([])", R"([[]])", nullptr},
        {R"([{"id":1},{"id":2,"x":[]},[],{}])", R"([[{"id":"1"},{"id":"2","x":[]},[],{}]])", nullptr},
        {R"({"a":"1"}{"b":"2"})", R"([{"a":"1"},{"b":"2"}])", nullptr},
        {R"({"a":"1","a":"2"})", R"([{"a":"2"}])", nullptr},
        {R"({"a":{"x":"1"},"a":"3"})", R"([{"a":"3"}])", nullptr},
        {R"({"a":"3","a":{"x":"1"}})", R"([{"a":{"x":"1"}}])", nullptr},
        // Opening a container inside an array leaves pending text where it is.
        {R"("x"{"a":"1"})", R"([{"xa":"1"}])", nullptr},
        // The wrapper is an array: a comma at the top stores the text before it.
        {R"("a","b")", R"(["a"])", nullptr},
        {R"(1,2,3)", R"(["1","2"])", nullptr},
        // A lone scalar, and no text at all, give an empty wrapper.
        {R"(42)", R"([])", nullptr},
        {R"("abc")", R"([])", nullptr},
        {R"(true)", R"([])", nullptr},
        {"", "[]", nullptr},
        {" \n", "[]", nullptr},
        // A closing bracket leaves the colon state alone: without a comma the
        // next key is collected as a value and its pair is not stored.
        {R"({"a":{"b":"1"}"c":"2"})", R"([{"a":{"b":"1"}}])", nullptr},
        {R"({"a":{"b":"1"},"c":"2"})", R"([{"a":{"b":"1"},"c":"2"}])", nullptr},
        // A closing bracket of the other kind with nothing pending closes the container.
        {R"({"a":"1",])", R"([{"a":"1"}])", nullptr},
        {R"(["x",})", R"([["x"]])", nullptr},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, TextCutOffKeepsWhatWasStored)
{
    const Row rows[] = {
        {R"({"a":"1","b":"2)", R"([{"a":"1"}])", nullptr},
        {R"({"a":"1","b":"2")", R"([{"a":"1"}])", nullptr},
        {R"({"a":"1","b":2)", R"([{"a":"1"}])", nullptr},
        {R"({"a":{"b":"1")", R"([{"a":{}}])", nullptr},
        {R"({"a":"1","list":["x","y)", R"([{"a":"1","list":["x"]}])", nullptr},
        {R"([["x")", R"([[[]]])", nullptr},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, SyntaxErrorsLogTheCharacterAndItsPosition)
{
    const Row rows[] = {
        {R"({"a":'x'})", "nil", "Syntax error: Character: ', Location: 5"},
        {R"({"adult":True})", "nil", "Syntax error: Character: T, Location: 9"},
        {"{\"a\":1\v}", "nil", "Syntax error: Character: \v, Location: 6"},
        {R"({b:1})", "nil", "Syntax error: Character: b, Location: 1"},
        {R"({"a":-1e3x})", "nil", "Syntax error: Character: x, Location: 9"},
        {R"([\"a"])", "nil", "Syntax error: Character: \\, Location: 1"},
        {"{\"a\":\xc3\xbc}", "nil", "Syntax error: Character: \xc3\xbc, Location: 5"},
        // Positions count UTF-16 code units.
        {"{\"\xf0\x9f\x8e\xac\":x}", "nil", "Syntax error: Character: x, Location: 6"},
        // What the services never send gives a syntax error too.
        {R"({"a":")", "nil", "Syntax error: Character: \", Location: 5"},
        {R"({"a":"x\)", "nil", "Syntax error: Character: \\, Location: 7"},
        {R"({"a":"1"}})", "nil", "Syntax error: Character: }, Location: 9"},
        {R"(])", "nil", "Syntax error: Character: ], Location: 0"},
        {R"(["\u00e"])", "nil", "Syntax error: Character: \", Location: 7"},
        {R"(["\u00)", "nil", "Syntax error: Character: u, Location: 3"},
        {R"(["x"})", "nil", "Syntax error: Character: }, Location: 4"},
        {R"({"a":"1"])", "nil", "Syntax error: Character: ], Location: 8"},
    };
    for (const Row& row : rows)
        check(row);
}

TEST(QXJSON, AbsentTextGivesAnEmptyWrapper)
{
    EXPECT_EQ(QXJSONStringToObject(QString()), QVariantList());
}

TEST(QXJSON, ReadsTheServiceReplies)
{
    const QString images = QString::fromUtf8(testsupport::serviceData("tmdb/images-348.json"));
    const std::optional<QVariantList> wrapper = QXJSONStringToObject(images);
    ASSERT_TRUE(wrapper && wrapper->size() == 1);
    const QVariantList posters = wrapper->first().toMap().value("posters").toList();
    ASSERT_FALSE(posters.isEmpty());
    bool sawUntagged = false;
    for (const QVariant& poster : posters) {
        const QVariantMap entry = poster.toMap();
        EXPECT_EQ(entry.value("vote_count").typeId(), QMetaType::QString);
        sawUntagged = sawUntagged || entry.value("iso_639_1") == QVariant(QString(""));
    }
    EXPECT_TRUE(sawUntagged);
    const QString empty = QString::fromUtf8(testsupport::serviceData("tmdb/search-empty.json"));
    EXPECT_NE(describe(QXJSONStringToObject(empty)).find(R"("total_results":"0")"), std::string::npos);
}

TEST(QXJSON, HostileNestingIsASyntaxErrorNotACrash)
{
    platform::LogCapture log;
    const QString text = QString("[").repeated(1 << 20);
    EXPECT_FALSE(QXJSONStringToObject(text).has_value());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Syntax error: Character: [, Location: 5000"));
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
