#include "svn/DecodeQuotedUtf8.h"

#include <gtest/gtest.h>

TEST(DecodeQuotedUtf8, DecodesEscapedCharactersOfEveryLength) {
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("caf=C3=A9")), QStringLiteral("café"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("A=42C")), QStringLiteral("ABC"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=E2=82=AC 5")), QStringLiteral("€ 5"));
    // Four to six bytes: the low 16 bits of the code point (U+1F600 gives U+F600).
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=F0=9F=98=80!")), QString(QChar(0xF600)) + QLatin1Char('!'));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=F8=81=83=84=85")), QString(QChar((3 * 64 + 4) * 64 + 5)));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=FC=81=82=84=85=86")), QString(QChar((4 * 64 + 5) * 64 + 6)));
    // The character between two escapes is skipped whatever it is.
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=C3xA9")), QStringLiteral("é"));
    EXPECT_EQ(DecodeQuotedUtf8(QString()), QString());
}

TEST(DecodeQuotedUtf8, OddDigitsAndBytesAreReadAsTheRulesSay) {
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=7F")), QStringLiteral("7F"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=80=BF=FE=FF")), QStringLiteral("80BFFEFF"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("x=ab")), QStringLiteral("x") + QChar(0));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("x=e9")), QStringLiteral("x\t"));
    // Continuation bytes that are not 0x80-0xBF still give a unit, modulo 65536.
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("=C0=00")), QString(QChar(0xFF80)));
}

TEST(DecodeQuotedUtf8, TruncatedEscapesDropTheRest) {
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("abc=C3")), QStringLiteral("abc"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("abc=C3=A9=E2=82")), QStringLiteral("abcé"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("ab=4")), QStringLiteral("ab"));
    EXPECT_EQ(DecodeQuotedUtf8(QStringLiteral("ab=")), QStringLiteral("ab"));
}
