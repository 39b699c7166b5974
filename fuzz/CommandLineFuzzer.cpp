// Any command line splits without harm, and arguments of any content survive quoting: quoted,
// joined with blanks and split again, they come back exactly, one for one.
#include "FuzzRequire.h"
#include "platform/CommandLine.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace {

QStringList SplitAgain(const QStringList& arguments) {
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted.append(platform::QuoteArgument(argument));
    return platform::SplitCommandLine(quoted.join(QLatin1Char(' ')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QStringList split = platform::SplitCommandLine(text);
    for (const QString& argument : split)
        FuzzRequire(argument.size() <= text.size(), "no argument is longer than the line");
    FuzzRequire(SplitAgain(split) == split, "a split line quotes and splits back the same");

    // The input read as an argument vector, one argument per NUL-separated piece, empty ones too.
    const QStringList vector = text.split(QChar(0));
    FuzzRequire(SplitAgain(vector) == vector, "any argument vector quotes and splits back the same");
    return 0;
}
