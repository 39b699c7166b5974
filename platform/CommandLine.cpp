#include "platform/CommandLine.h"

namespace platform {
namespace {

bool IsBlank(QChar character) {
    return character == QLatin1Char(' ') || character == QLatin1Char('\t');
}

qsizetype CountBackslashes(const QString& text, qsizetype from) {
    qsizetype end = from;
    while (end < text.size() && text[end] == QLatin1Char('\\'))
        ++end;
    return end - from;
}

} // namespace

QStringList SplitCommandLine(const QString& commandLine) {
    QStringList arguments;
    const qsizetype length = commandLine.size();
    qsizetype position = 0;
    while (true) {
        while (position < length && IsBlank(commandLine[position]))
            ++position;
        if (position == length)
            break;
        QString argument;
        bool inQuotes = false;
        while (position < length && (inQuotes || !IsBlank(commandLine[position]))) {
            const QChar character = commandLine[position];
            if (character == QLatin1Char('\\')) {
                const qsizetype backslashes = CountBackslashes(commandLine, position);
                position += backslashes;
                if (position == length || commandLine[position] != QLatin1Char('"')) {
                    argument += QString(backslashes, QLatin1Char('\\'));
                    continue;
                }
                argument += QString(backslashes / 2, QLatin1Char('\\'));
                if (backslashes % 2 == 1) {
                    argument += QLatin1Char('"');
                    ++position;
                }
                continue;
            }
            if (character == QLatin1Char('"')) {
                if (inQuotes && position + 1 < length && commandLine[position + 1] == QLatin1Char('"')) {
                    argument += QLatin1Char('"');
                    position += 2;
                    continue;
                }
                inQuotes = !inQuotes;
                ++position;
                continue;
            }
            argument += character;
            ++position;
        }
        arguments.append(argument);
    }
    return arguments;
}

QString QuoteArgument(const QString& argument) {
    QString quoted(QLatin1Char('"'));
    qsizetype position = 0;
    while (position < argument.size()) {
        const qsizetype backslashes = CountBackslashes(argument, position);
        position += backslashes;
        if (position == argument.size()) {
            // They stand before the closing quote, so each one must be doubled.
            quoted += QString(backslashes * 2, QLatin1Char('\\'));
            break;
        }
        if (argument[position] == QLatin1Char('"'))
            quoted += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        else
            quoted += QString(backslashes, QLatin1Char('\\'));
        quoted += argument[position];
        ++position;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

} // namespace platform
