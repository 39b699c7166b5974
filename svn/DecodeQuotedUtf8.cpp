#include "svn/DecodeQuotedUtf8.h"

namespace {

constexpr qsizetype kEscapeLength = 3;

unsigned HexDigit(QChar character) {
    const char16_t code = character.unicode();
    if (code >= u'0' && code <= u'9')
        return code - u'0';
    if (code >= u'A' && code <= u'F')
        return code - u'A' + 10;
    return 0;
}

// The byte written by the escape whose '=' stands at position; both digits must exist.
unsigned EscapedByte(const QString& text, qsizetype position) {
    return HexDigit(text[position + 1]) * 16 + HexDigit(text[position + 2]);
}

// How many bytes a UTF-8 character with this lead byte has; 0 when it cannot lead one.
int CharacterLength(unsigned lead) {
    if (lead <= 0x7E)
        return 1;
    if (lead >= 0xC0 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF7)
        return 4;
    if (lead >= 0xF8 && lead <= 0xFB)
        return 5;
    if (lead >= 0xFC && lead <= 0xFD)
        return 6;
    return 0;
}

// The unit of the character whose lead escape starts at position. Arithmetic is unsigned and
// wraps, so bytes that are not proper continuation bytes still give the unit modulo 65536.
char16_t DecodeCharacter(const QString& text, qsizetype position, int length) {
    const unsigned lead = EscapedByte(text, position);
    auto byte = [&](int index) { return EscapedByte(text, position + kEscapeLength * (index - 1)) - 0x80u; };
    switch (length) {
    case 1:
        return static_cast<char16_t>(lead);
    case 2:
        return static_cast<char16_t>((lead - 0xC0u) * 64u + byte(2));
    case 3:
        return static_cast<char16_t>(((lead - 0xE0u) * 64u + byte(2)) * 64u + byte(3));
    default:
        // Only the last three bytes reach the low 16 bits.
        return static_cast<char16_t>((byte(length - 2) * 64u + byte(length - 1)) * 64u + byte(length));
    }
}

} // namespace

QString DecodeQuotedUtf8(const QString& text) {
    QString decoded;
    const qsizetype size = text.size();
    qsizetype position = 0;
    while (position < size) {
        if (text[position] != QLatin1Char('=')) {
            decoded += text[position++];
            continue;
        }
        if (size - position < kEscapeLength)
            break;
        const int length = CharacterLength(EscapedByte(text, position));
        if (length == 0) {
            ++position;
            continue;
        }
        if (size - position < kEscapeLength * length)
            break;
        decoded += QChar(DecodeCharacter(text, position, length));
        position += kEscapeLength * length;
    }
    return decoded;
}
