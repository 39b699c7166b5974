#include "platform/CommandRunner.h"

#include "platform/CommandLine.h"
#include "support/AtOnce.h"
#include "support/CDelayedStop.h"
#include "support/CScopedEnvironment.h"
#include "support/ChildProcesses.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <chrono>
#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stop_token>
#include <thread>
#include <utility>

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::MatchesRegex;
using testing::StartsWith;

namespace {

std::string RunHelper(const QString& arguments, std::chrono::milliseconds limit = 20s,
                      std::stop_token stopToken = {}, std::size_t outputLimit = kDefaultOutputLimit) {
    return RunCommand(platform::QuoteArgument(QStringLiteral(CORVANE_CHILD_HELPER)), arguments, limit,
                      std::move(stopToken), outputLimit);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// What the "hang" mode printed before it was killed, and its grandchild killed with it.
void ExpectHangOutputAndNoGrandchild(const std::string& output) {
    const std::vector<std::string> lines = Lines(output);
    ASSERT_EQ(lines.size(), 2u) << output;
    EXPECT_EQ(lines[0], "partial");
    const qint64 grandchild = std::stoll(lines[1]);
    const auto deadline = std::chrono::steady_clock::now() + kAtOnce;
    while (IsProcessRunning(grandchild) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(IsProcessRunning(grandchild));
}

// Every run must leave no child behind, finished (a zombie) or not.
class RunCommandTest : public testing::Test {
protected:
    void SetUp() override { m_childrenBefore = ChildProcessIds(); }
    void TearDown() override { EXPECT_EQ(ChildProcessIds(), m_childrenBefore) << "a child was left behind"; }

    QList<qint64> m_childrenBefore;
};

} // namespace

TEST_F(RunCommandTest, OutputIsReturnedWholeAndUnchanged) {
    EXPECT_EQ(RunHelper(QStringLiteral("silent")), "");

    std::string expected;
    for (int index = 0; index < 200; ++index)
        expected += "out " + std::to_string(index) + "\nerr " + std::to_string(index) + "\n";
    EXPECT_EQ(RunHelper(QStringLiteral("interleave 200")), expected);

    // Many reads and several megabytes long, with every byte value from 0 to 255 among them.
    const std::string bytes = RunHelper(QStringLiteral("bytes 3500000"), 20s, {}, 3500000);
    ASSERT_EQ(bytes.size(), 3500000u);
    for (std::size_t index = 0; index < bytes.size(); ++index)
        ASSERT_EQ(static_cast<unsigned char>(bytes[index]), index % 256) << "at byte " << index;
}

TEST_F(RunCommandTest, OutputPastTheLimitIsCutOneBytePastItAndTheChildKilled) {
    EXPECT_EQ(RunHelper(QStringLiteral("bytes 5000"), 20s, {}, 5000).size(), 5000u);
    EXPECT_EQ(RunHelper(QStringLiteral("bytes 5001"), 20s, {}, 5000).size(), 5001u);
    EXPECT_EQ(RunHelper(QStringLiteral("bytes 3500000")).size(), kDefaultOutputLimit + 1);
    // A child that would never stop writing ends with the limit, long before the time limit.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCommand(QStringLiteral("yes"), QString(), 60s).size(), kDefaultOutputLimit + 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

TEST_F(RunCommandTest, NothingRunGivesEmptyOutput) {
    EXPECT_EQ(RunCommand(QStringLiteral("corvane-no-such-program"), QStringLiteral("x")), "");
    EXPECT_EQ(RunCommand(QStringLiteral("/nonexistent/folder/program"), QString()), "");
    EXPECT_EQ(RunCommand(QStringLiteral("/tmp"), QString()), "");
    EXPECT_EQ(RunCommand(QString(), QString()), "");
}

TEST_F(RunCommandTest, ProgramIsFoundThroughPathWithOrWithoutExe) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto writeScript = [&](const QString& name, const QByteArray& text) {
        QFile script(folder.path() + QLatin1Char('/') + name);
        return script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\necho " + text + "\n") > 0 &&
               script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    ASSERT_TRUE(writeScript(QStringLiteral("probe.exe"), "with-exe"));
    ASSERT_TRUE(writeScript(QStringLiteral("probe"), "without"));
    ASSERT_TRUE(writeScript(QStringLiteral("not-executable"), "never"));
    QFile::setPermissions(folder.path() + QStringLiteral("/not-executable"), QFile::ReadOwner);

    CScopedEnvironment path("PATH", (folder.path() + QStringLiteral(":/usr/bin:/bin")).toLocal8Bit());
    EXPECT_EQ(RunCommand(QStringLiteral("probe.exe"), QString()), "with-exe\n");
    EXPECT_EQ(RunCommand(QStringLiteral("probe"), QString()), "without\n");
    EXPECT_EQ(RunCommand(QStringLiteral("echo.exe"), QStringLiteral("found")), "found\n");
    EXPECT_EQ(RunCommand(QStringLiteral("not-executable"), QString()), "");
    ASSERT_TRUE(QFile::remove(folder.path() + QStringLiteral("/probe.exe")));
    EXPECT_EQ(RunCommand(QStringLiteral("probe.exe"), QString()), "without\n");
}

TEST_F(RunCommandTest, QuotedTargetReachesTheChildAsExactlyOneArgument) {
    const QStringList targets = {
        QStringLiteral("/home/user/my work/project"),
        QStringLiteral("a\"b"),
        QStringLiteral("\" --username mallory \""),
        QStringLiteral("C:\\work\\dir\\"),
        QStringLiteral("\\\\server\\share\\\"x\\\\"),
        QStringLiteral("café ünïcødé 日本"),
        QString(),
        QStringLiteral("tab\there and\nnewline"),
        QStringLiteral("$(touch /tmp/corvane-pwned) `id` ; | & * %PATH%"),
        QString(100000, QLatin1Char('x')),
    };
    for (const QString& target : targets) {
        const QByteArray bytes = target.toLocal8Bit();
        EXPECT_EQ(RunHelper(QStringLiteral("args ") + platform::QuoteArgument(target)),
                  std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1))
            << target.left(80).toStdString();
    }
    EXPECT_EQ(RunHelper(QStringLiteral("args one \"two three\" four")),
              std::string("one\0two three\0four\0", 19));
}

TEST_F(RunCommandTest, ChildHoldsNoDescriptorButItsOutput) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    // A C stream opens without close-on-exec, the way a careless library would.
    std::FILE* inheritable = std::fopen(file.fileName().toLocal8Bit().constData(), "r");
    ASSERT_NE(inheritable, nullptr);
    // A run that can be stopped has a descriptor more on this side; the child must not see it.
    std::stop_source stopSource;
    for (const std::stop_token& stopToken : {std::stop_token(), stopSource.get_token()}) {
        const std::vector<std::string> lines =
            Lines(RunHelper(QStringLiteral("descriptors"), 20s, stopToken));
        ASSERT_EQ(lines.size(), 4u) << "stoppable: " << stopToken.stop_possible();
        EXPECT_EQ(lines[0], "fd 0 /dev/null");
        EXPECT_THAT(lines[1], MatchesRegex("fd 1 pipe:\\[[0-9]+\\]"));
        EXPECT_EQ(lines[2], "fd 2 " + lines[1].substr(5));
        EXPECT_EQ(lines[3], "session-leader yes");
    }
    std::fclose(inheritable);
}

TEST_F(RunCommandTest, TimeLimitKillsTheChildsWholeGroupAndKeepsItsOutput) {
    const auto start = std::chrono::steady_clock::now();
    const std::string output = RunHelper(QStringLiteral("hang"), 1500ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 1500ms);
    EXPECT_LT(elapsed, 1500ms + kAtOnce);

    ExpectHangOutputAndNoGrandchild(output);
}

TEST_F(RunCommandTest, StopRequestKillsTheChildsWholeGroupAtOnceAndKeepsItsOutput) {
    CDelayedStop stop(1s);
    const std::string output = RunHelper(QStringLiteral("hang"), 60s, stop.Token());
    EXPECT_LT(stop.SinceRequest(), kAtOnce);

    ExpectHangOutputAndNoGrandchild(output);
}

TEST_F(RunCommandTest, ChildThatClosesItsOutputAndLingersEndsAtTheTimeLimit) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunHelper(QStringLiteral("linger"), 1s), "bye\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s + kAtOnce);
}
