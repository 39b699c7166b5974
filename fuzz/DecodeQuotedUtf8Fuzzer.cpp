// Quoted UTF-8 decoding never reads past the text, never grows it, and undoes the quoting of any text
// whose characters fit one UTF-16 unit.
#include "FuzzRequire.h"
#include "svn/DecodeQuotedUtf8.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

// What the decoding can give back whole: no DEL (its escape cannot lead a character) and no
// character beyond one UTF-16 unit.
QString WithoutUndecodable(const QString& text) {
    QString kept;
    for (const QChar character : text) {
        if (character != QChar(0x7F) && !character.isSurrogate())
            kept += character;
    }
    return kept;
}

QString Quoted(const QString& text) {
    QString quoted;
    for (const char byte : text.toUtf8())
        quoted += QString::asprintf("=%02X", static_cast<unsigned char>(byte));
    return quoted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString decoded = DecodeQuotedUtf8(text);
    FuzzRequire(decoded.size() <= text.size(), "decoding never lengthens the text");
    if (!text.contains(QLatin1Char('=')))
        FuzzRequire(decoded == text, "text without escapes is copied unchanged");

    const QString plain = WithoutUndecodable(text);
    FuzzRequire(DecodeQuotedUtf8(Quoted(plain)) == plain, "decoding undoes the quoting");
    return 0;
}
