#include "platform/propertylist.h"

#include <QDateTime>
#include <QPoint>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <plist/plist.h>

using platform::parsePropertyList;
using platform::xmlPropertyList;

namespace {

const QByteArray sampleXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>cast</key>
  <array><dict><key>name</key><string>Sigourney Weaver</string></dict></array>
  <key>count</key><integer>-42</integer>
  <key>big</key><integer>9000000000</integer>
  <key>ratio</key><real>1.5</real>
  <key>yes</key><true/>
  <key>no</key><false/>
  <key>when</key><date>2010-05-07T20:15:00Z</date>
  <key>bytes</key><data>AAEC/w==</data>
  <key>text</key><string>Käse &amp; Brot</string>
</dict>
</plist>
)";

QByteArray binaryOf(const QByteArray& xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &root);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    QByteArray out(bin, length);
    plist_to_bin_free(bin);
    plist_free(root);
    return out;
}

void expectSample(const QVariant& value)
{
    ASSERT_EQ(value.typeId(), QMetaType::QVariantMap);
    const QVariantMap map = value.toMap();
    const QVariantList cast = map.value("cast").toList();
    ASSERT_EQ(cast.size(), 1);
    EXPECT_EQ(cast[0].toMap().value("name").toString(), "Sigourney Weaver");
    EXPECT_EQ(map.value("count").typeId(), QMetaType::LongLong);
    EXPECT_EQ(map.value("count").toLongLong(), -42);
    EXPECT_EQ(map.value("big").toLongLong(), 9000000000LL);
    EXPECT_EQ(map.value("ratio").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(map.value("ratio").toDouble(), 1.5);
    EXPECT_EQ(map.value("yes").typeId(), QMetaType::Bool);
    EXPECT_TRUE(map.value("yes").toBool());
    EXPECT_FALSE(map.value("no").toBool());
    const QDateTime when = map.value("when").toDateTime();
    EXPECT_EQ(when, QDateTime(QDate(2010, 5, 7), QTime(20, 15), QTimeZone::utc()));
    EXPECT_EQ(when.timeSpec(), Qt::UTC);
    EXPECT_EQ(map.value("bytes").toByteArray(), QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_EQ(map.value("text").toString(), QString::fromUtf8("Käse & Brot"));
}

}  // namespace

TEST(PropertyList, ParsesXmlIntoVariants)
{
    const auto value = parsePropertyList(sampleXml);
    ASSERT_TRUE(value.has_value());
    expectSample(*value);
}

TEST(PropertyList, ParsesBinaryLikeXml)
{
    const QByteArray binary = binaryOf(sampleXml);
    ASSERT_TRUE(binary.startsWith("bplist00"));
    const auto value = parsePropertyList(binary);
    ASSERT_TRUE(value.has_value());
    expectSample(*value);
}

TEST(PropertyList, MalformedInputGivesNothing)
{
    EXPECT_FALSE(parsePropertyList(QByteArray()).has_value());
    EXPECT_FALSE(parsePropertyList("not a plist at all").has_value());
    EXPECT_FALSE(parsePropertyList("<plist><dict><key>a</key>").has_value());
    EXPECT_FALSE(parsePropertyList("bplist00").has_value());
    QByteArray truncated = binaryOf(sampleXml);
    truncated.chop(20);
    EXPECT_FALSE(parsePropertyList(truncated).has_value());
    QByteArray garbage = binaryOf(sampleXml);
    for (qsizetype i = 8; i < garbage.size(); i += 3)
        garbage[i] = char(0xff);
    parsePropertyList(garbage);  // must not crash, whatever it answers
}

TEST(PropertyList, WritesXmlThatReadsBack)
{
    QVariantMap map;
    map.insert("name", QString::fromUtf8("Ann <&> Bob ü"));
    map.insert("list", QVariantList{qint64(-7), 2.25, true, QByteArray("\x00\xfe", 2)});
    map.insert("when", QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58), QTimeZone::utc()));
    map.insert("names", QStringList{"a", "b"});
    map.insert("empty", QVariantMap());
    const auto xml = xmlPropertyList(map);
    ASSERT_TRUE(xml.has_value());
    EXPECT_TRUE(xml->startsWith("<?xml"));
    EXPECT_TRUE(xml->contains("<integer>-7</integer>"));
    const auto back = parsePropertyList(*xml);
    ASSERT_TRUE(back.has_value());
    QVariantMap expected = map;
    expected.insert("names", QVariantList{QString("a"), QString("b")});
    EXPECT_EQ(back->toMap(), expected);
}

TEST(PropertyList, LeavesOutWhatXmlCannotCarry)
{
    // Every character XML 1.0 refuses, in a key and in a value; tab, line feed,
    // carriage return and the characters beyond 16 bits stay.
    QString refused;
    for (char16_t unit = 0; unit < 0x20; ++unit)
        if (unit != u'\t' && unit != u'\n' && unit != u'\r')
            refused += QChar(unit);
    refused += QChar(0xFFFE);
    refused += QChar(0xFFFF);
    const QString kept = QString::fromUtf16(u"a\tb\nc\rd \U0001F3AC \uFFFD");
    const QVariantMap map{{"key" + refused, QVariantList{refused + kept + refused}}};
    const auto xml = xmlPropertyList(map);
    ASSERT_TRUE(xml.has_value());
    const auto back = parsePropertyList(*xml);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->toMap(), (QVariantMap{{"key", QVariantList{kept}}}));
}

TEST(PropertyList, RefusesValuesItCannotWrite)
{
    EXPECT_FALSE(xmlPropertyList(QVariant()).has_value());
    EXPECT_FALSE(xmlPropertyList(QVariantList{QString("ok"), QVariant::fromValue(QPoint(1, 2))}).has_value());
    EXPECT_FALSE(xmlPropertyList(QDateTime()).has_value());
}

namespace {

// Builds binary property lists object by object, for shapes no writer makes.
class BinaryPlist {
public:
    // An array object referring to `refs`; returns its index.
    int addArray(const std::vector<int>& refs)
    {
        QByteArray object;
        if (refs.size() < 15) {
            object += char(0xA0 | refs.size());
        } else {
            object += char(0xAF);
            object += char(0x12);
            object += bigEndian(refs.size(), 4);
        }
        for (const int ref : refs)
            object += bigEndian(ref, 4);
        m_objects.push_back(object);
        return int(m_objects.size()) - 1;
    }
    int addString(const QByteArray& ascii)
    {
        m_objects.push_back(char(0x50 | ascii.size()) + ascii);
        return int(m_objects.size()) - 1;
    }
    // Any object, given as its encoded bytes.
    int addRaw(const QByteArray& object)
    {
        m_objects.push_back(object);
        return int(m_objects.size()) - 1;
    }
    int addDict(int key, int value)
    {
        m_objects.push_back(char(0xD1) + bigEndian(key, 4) + bigEndian(value, 4));
        return int(m_objects.size()) - 1;
    }
    // Reserves an index now and fills it later, to make references forward.
    int reserve()
    {
        m_objects.push_back(QByteArray());
        return int(m_objects.size()) - 1;
    }
    void setArray(int index, const std::vector<int>& refs)
    {
        const int made = addArray(refs);
        m_objects[index] = m_objects[made];
        m_objects.pop_back();
    }

    QByteArray bytes(int top) const
    {
        QByteArray out = "bplist00";
        QByteArray table;
        for (const QByteArray& object : m_objects) {
            table += bigEndian(out.size(), 4);
            out += object;
        }
        const qint64 tableOffset = out.size();
        out += table;
        out += QByteArray(6, '\0');
        out += char(4);  // offset size
        out += char(4);  // reference size
        out += bigEndian(m_objects.size(), 8);
        out += bigEndian(top, 8);
        out += bigEndian(tableOffset, 8);
        return out;
    }

private:
    static QByteArray bigEndian(quint64 value, int width)
    {
        QByteArray out(width, '\0');
        for (int i = width - 1; i >= 0; --i, value >>= 8)
            out[i] = char(value & 0xFF);
        return out;
    }
    std::vector<QByteArray> m_objects;
};

QByteArray nestedXmlArrays(int depth)
{
    QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    xml += QByteArray("<array>").repeated(depth);
    xml += QByteArray("</array>").repeated(depth);
    return xml + "</plist>";
}

}  // namespace

TEST(PropertyList, BinaryBuilderMakesWhatLibplistReads)
{
    BinaryPlist plist;
    const int text = plist.addString("hi");
    const int top = plist.addArray({text, text});
    const auto value = parsePropertyList(plist.bytes(top));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->toList(), (QVariantList{QString("hi"), QString("hi")}));
}

TEST(PropertyList, DeepNestingIsRefusedNotFollowed)
{
    EXPECT_TRUE(parsePropertyList(nestedXmlArrays(50)).has_value());
    EXPECT_FALSE(parsePropertyList(nestedXmlArrays(300000)).has_value());

    BinaryPlist deep;
    int inner = deep.addArray({});
    for (int i = 0; i < 300000; ++i)
        inner = deep.addArray({inner});
    EXPECT_FALSE(parsePropertyList(deep.bytes(inner)).has_value());

    BinaryPlist shallow;
    inner = shallow.addArray({});
    for (int i = 0; i < 50; ++i)
        inner = shallow.addArray({inner});
    EXPECT_TRUE(parsePropertyList(shallow.bytes(inner)).has_value());
}

TEST(PropertyList, CyclesAndSharedBlowUpAreRefused)
{
    BinaryPlist cycle;
    const int first = cycle.reserve();
    const int second = cycle.addArray({first});
    cycle.setArray(first, {second});
    EXPECT_FALSE(parsePropertyList(cycle.bytes(first)).has_value());

    // Each level refers twice to the one below: 64 levels would expand to 2^64 nodes.
    BinaryPlist shared;
    int level = shared.addString("x");
    for (int i = 0; i < 64; ++i)
        level = shared.addArray({level, level});
    EXPECT_FALSE(parsePropertyList(shared.bytes(level)).has_value());
}

TEST(PropertyList, BrokenBinaryTablesAreRefused)
{
    BinaryPlist plist;
    const int text = plist.addString("hi");
    const int top = plist.addArray({text});
    const QByteArray good = plist.bytes(top);
    ASSERT_TRUE(parsePropertyList(good).has_value());
    QByteArray badRef = good;
    badRef[8 + 3 + 4] = char(0x7F);  // the array's reference points past the objects
    EXPECT_FALSE(parsePropertyList(badRef).has_value());
    QByteArray badTop = good;
    badTop[badTop.size() - 9] = char(9);  // top object index out of range
    EXPECT_FALSE(parsePropertyList(badTop).has_value());
    QByteArray badTable = good;
    badTable[badTable.size() - 1] = char(0xF0);  // offset table beyond the data
    EXPECT_FALSE(parsePropertyList(badTable).has_value());
}

TEST(PropertyList, KeysLibplistWouldAbortOnAreRefused)
{
    // {"a\u0000b": "x"} with a UTF-16 key, one-byte offsets and references.
    const QByteArray handMade = QByteArray::fromHex(
        "62706c6973743030"
        "d10102"
        "63006100000062"
        "5178"
        "080b12"
        "000000000000"
        "0101"
        "0000000000000003"
        "0000000000000000"
        "0000000000000014");
    EXPECT_FALSE(parsePropertyList(handMade).has_value());

    const QByteArray utf16NulAtEnd =
        char(0x6F) + QByteArray::fromHex("1011") + QByteArray::fromHex("0041").repeated(16) + QByteArray(2, '\0');
    const struct {
        const char* name;
        QByteArray key;
        QByteArray value;
        bool accepted;
        QString readKey;
        QString readValue;
    } cases[] = {
        {"UTF-16 key holding U+0000", QByteArray::fromHex("63006100000062"), "\x51x", false, {}, {}},
        {"ASCII key holding NUL",
         QByteArray("\x53"
                    "a\0b",
                    4),
         "\x51x",
         false,
         {},
         {}},
        {"long UTF-16 key ending in U+0000", utf16NulAtEnd, "\x51x", false, {}, {}},
        {"UTF-16 key", QByteArray::fromHex("62006100e9"), "\x51x", true, QString::fromUtf8("aé"), "x"},
        {"U+0000 in a value", "\x51k", QByteArray::fromHex("63006100000062"), true, "k", QString::fromUtf8("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BinaryPlist plist;
        const int key = plist.addRaw(c.key);
        const int value = plist.addRaw(c.value);
        const auto parsed = parsePropertyList(plist.bytes(plist.addDict(key, value)));
        ASSERT_EQ(parsed.has_value(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(parsed->toMap(), (QVariantMap{{c.readKey, c.readValue}}));
        }
    }
}
