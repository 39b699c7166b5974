#pragma once

#include <QString>

// Turns =XX escapes (two upper-case hexadecimal digits) back into characters, a run of escapes
// being one UTF-8 character that becomes one UTF-16 unit: the low 16 bits of its code point, no
// surrogate pairs. Any other character is copied. A digit that is not 0-9 or A-F counts as 0. An
// escape whose byte cannot start a character (0x7F, 0x80-0xBF, 0xFE, 0xFF) loses its '=' and its
// digits stay as text. A character cut short by the end of the text is dropped with the rest.
QString DecodeQuotedUtf8(const QString& text);
