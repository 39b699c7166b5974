#include "platform/CommandLine.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using platform::QuoteArgument;
using platform::SplitCommandLine;

TEST(SplitCommandLine, FollowsTheCRuntimeRules) {
    struct Case {
        QString line;
        QStringList arguments;
    };
    const Case cases[] = {
        {QStringLiteral(R"("a b c" d e)"),
         {QStringLiteral("a b c"), QStringLiteral("d"), QStringLiteral("e")}},
        {QStringLiteral(R"("ab\"c" "\\" d)"),
         {QStringLiteral("ab\"c"), QStringLiteral("\\"), QStringLiteral("d")}},
        {QStringLiteral(R"(a\\\b d"e f"g h)"),
         {QStringLiteral(R"(a\\\b)"), QStringLiteral("de fg"), QStringLiteral("h")}},
        {QStringLiteral(R"(a\\\"b c d)"),
         {QStringLiteral(R"(a\"b)"), QStringLiteral("c"), QStringLiteral("d")}},
        {QStringLiteral(R"(a\\\\"b c" d e)"),
         {QStringLiteral(R"(a\\b c)"), QStringLiteral("d"), QStringLiteral("e")}},
        {QStringLiteral(R"(a"b"" c d)"), {QStringLiteral(R"(ab" c d)")}},
        {QStringLiteral(" \t svn.exe\tinfo  --xml   "),
         {QStringLiteral("svn.exe"), QStringLiteral("info"), QStringLiteral("--xml")}},
        {QStringLiteral(R"(x "" y)"), {QStringLiteral("x"), QString(), QStringLiteral("y")}},
        {QStringLiteral(R"(C:\dir\ "C:\dir\\")"),
         {QStringLiteral(R"(C:\dir\)"), QStringLiteral(R"(C:\dir\)")}},
        {QStringLiteral("\"unterminated quote"), {QStringLiteral("unterminated quote")}},
        {QStringLiteral("  \t "), {}},
        {QString(), {}},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(SplitCommandLine(testCase.line), testCase.arguments) << testCase.line.toStdString();
}

TEST(QuoteArgument, SplittingGivesEveryArgumentBackUnchanged) {
    const QStringList nasty = {
        QString(),
        QStringLiteral(" "),
        QStringLiteral("\""),
        QStringLiteral("\\"),
        QStringLiteral("\\\""),
        QStringLiteral("a\\\\\"\"b"),
        QStringLiteral("trailing\\\\"),
        QStringLiteral("\" --extra \""),
        QStringLiteral("日本 é\t\n"),
    };
    EXPECT_EQ(SplitCommandLine(QStringLiteral("svn.exe info --xml ") + QuoteArgument(nasty.join(QString()))),
              (QStringList{QStringLiteral("svn.exe"), QStringLiteral("info"), QStringLiteral("--xml"),
                           nasty.join(QString())}));

    // Random arguments made of the characters that matter to the rules.
    const QString alphabet = QStringLiteral("a \t\"\\\\\\é\n");
    QRandomGenerator random(20240301);
    for (int round = 0; round < 3000; ++round) {
        QStringList arguments;
        const int count = random.bounded(1, 5);
        for (int index = 0; index < count; ++index) {
            QString argument;
            const int length = random.bounded(0, 12);
            for (int position = 0; position < length; ++position)
                argument += alphabet[random.bounded(alphabet.size())];
            arguments.append(argument);
        }
        QStringList quoted;
        for (const QString& argument : arguments)
            quoted.append(QuoteArgument(argument));
        ASSERT_EQ(SplitCommandLine(quoted.join(QLatin1Char(' '))), arguments)
            << quoted.join(QLatin1Char(' ')).toStdString();
    }
}
