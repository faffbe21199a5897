#include "platform/windows1252.h"

#include <gtest/gtest.h>

using platform::decodeWindows1252;
using platform::encodeWindows1252;

TEST(Windows1252, EncodesItsOwnCharacters)
{
    const auto bytes = encodeWindows1252(QString::fromUtf8("Café – 5€ “quoted” ß"));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, QByteArray("Caf\xe9 \x96 5\x80 \x93quoted\x94 \xdf"));
    EXPECT_EQ(encodeWindows1252(QString()).value(), QByteArray());
}

TEST(Windows1252, FailsOnCharactersOutsideTheCodePage)
{
    EXPECT_FALSE(encodeWindows1252(QString::fromUtf8("Łódź")).has_value());
    EXPECT_FALSE(encodeWindows1252(QString::fromUtf8("日本")).has_value());
    EXPECT_FALSE(encodeWindows1252(QString::fromUtf8("smile 😀")).has_value());
}

TEST(Windows1252, DecodesEveryByte)
{
    EXPECT_EQ(decodeWindows1252("Caf\xe9 \x80 \x9f"), QString::fromUtf8("Café € Ÿ"));
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QString text = decodeWindows1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x81), QChar(0x81));
    // Whatever decodes from assigned bytes encodes back to the same bytes.
    QByteArray assigned;
    for (int b = 0; b < 256; ++b)
        if (b != 0x81 && b != 0x8d && b != 0x8f && b != 0x90 && b != 0x9d)
            assigned += char(b);
    EXPECT_EQ(encodeWindows1252(decodeWindows1252(assigned)).value_or("failed"), assigned);
}
