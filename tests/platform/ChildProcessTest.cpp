#include "platform/CChildProcess.h"
#include "platform/ChildEnvironment.h"
#include "support/AtOnce.h"
#include "support/CDelayedStop.h"
#include "support/ChildProcesses.h"

#include <gtest/gtest.h>
#include <stop_token>

using namespace std::chrono_literals;
using platform::CChildProcess;

namespace {

class ChildProcessTest : public testing::Test {
protected:
    void SetUp() override { m_childrenBefore = ChildProcessIds(); }
    void TearDown() override { EXPECT_EQ(ChildProcessIds(), m_childrenBefore) << "a child was left behind"; }

    QList<qint64> m_childrenBefore;
};

} // namespace

TEST_F(ChildProcessTest, RefusesWhatCannotBeRun) {
    CChildProcess child;
    EXPECT_FALSE(child.Start({}));
    EXPECT_FALSE(child.Start({QStringLiteral("echo"), QStringLiteral("a") + QChar(0) + QStringLiteral("b")}));
    EXPECT_FALSE(child.Start({QStringLiteral("corvane-no-such-program.exe")}));
    ASSERT_TRUE(child.Start({QStringLiteral("true")}));
    EXPECT_FALSE(child.Start({QStringLiteral("true")})) << "one object runs one child";
    child.Finish(std::chrono::steady_clock::now() + 5s);
}

TEST_F(ChildProcessTest, ReadWaitsNoLongerThanTheDeadline) {
    CChildProcess child;
    ASSERT_TRUE(child.Start({QStringLiteral("sleep"), QStringLiteral("30")}));
    char buffer[16];
    std::size_t received = 99;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(child.Read(buffer, sizeof buffer, received, start + 200ms),
              CChildProcess::ReadStatus::DeadlinePassed);
    EXPECT_EQ(received, 0u);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 200ms);
    EXPECT_LT(waited, 200ms + kAtOnce);
}

TEST_F(ChildProcessTest, ObjectThatGoesTakesItsRunningChildAlong) {
    const auto start = std::chrono::steady_clock::now();
    {
        CChildProcess child;
        ASSERT_TRUE(child.Start({QStringLiteral("sleep"), QStringLiteral("30")}));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
}

TEST_F(ChildProcessTest, StopRequestEndsTheWaitOfReadAtOnce) {
    CChildProcess child;
    CDelayedStop stop(300ms);
    ASSERT_TRUE(child.Start({QStringLiteral("sleep"), QStringLiteral("30")}, stop.Token()));
    char buffer[16];
    std::size_t received = 99;
    EXPECT_EQ(child.Read(buffer, sizeof buffer, received, std::chrono::steady_clock::now() + 30s),
              CChildProcess::ReadStatus::Stopped);
    EXPECT_EQ(received, 0u);
    EXPECT_LT(stop.SinceRequest(), kAtOnce);
    // Once stopped, Finish does not wait for its deadline.
    const auto start = std::chrono::steady_clock::now();
    child.Finish(start + 30s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
}

TEST_F(ChildProcessTest, StopRequestEndsAChildThatNeverPausesItsOutput) {
    CChildProcess child;
    CDelayedStop stop(300ms);
    ASSERT_TRUE(child.Start({QStringLiteral("yes")}, stop.Token()));
    // Taken a byte at a time, the output never runs dry, so Read never waits and must look at the stop
    // before each read. The deadline bounds the loop for a Read that does not.
    char buffer[1];
    std::size_t received = 0;
    std::size_t total = 0;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    CChildProcess::ReadStatus status = CChildProcess::ReadStatus::Data;
    while (status == CChildProcess::ReadStatus::Data && std::chrono::steady_clock::now() < deadline) {
        status = child.Read(buffer, sizeof buffer, received, deadline);
        total += received;
    }
    EXPECT_EQ(status, CChildProcess::ReadStatus::Stopped);
    EXPECT_GT(total, 0u);
    EXPECT_LT(stop.SinceRequest(), kAtOnce);
    child.Finish(deadline);
}

TEST_F(ChildProcessTest, StopRequestEndsTheWaitOfFinishForAChildThatClosedItsOutput) {
    CChildProcess child;
    CDelayedStop stop(300ms);
    ASSERT_TRUE(
        child.Start({QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("exec >&- 2>&-; sleep 30")},
                    stop.Token()));
    char buffer[16];
    std::size_t received = 0;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    EXPECT_EQ(child.Read(buffer, sizeof buffer, received, deadline), CChildProcess::ReadStatus::End);
    child.Finish(deadline);
    EXPECT_LT(stop.SinceRequest(), kAtOnce);
}

TEST_F(ChildProcessTest, StopRequestedBeforeStartRunsNothing) {
    std::stop_source source;
    source.request_stop();
    CChildProcess child;
    EXPECT_FALSE(child.Start({QStringLiteral("sleep"), QStringLiteral("30")}, source.get_token()));
    // The refusal leaves the object free for a run without a stop.
    ASSERT_TRUE(child.Start({QStringLiteral("true")}));
    child.Finish(std::chrono::steady_clock::now() + 5s);
}

// Only the character type changes, and only when it is not UTF-8; every other category keeps the
// locale it had, also one that LC_ALL gave it.
TEST(ChildEnvironmentTest, CharacterTypeBecomesUtf8AndNothingElseChanges) {
    struct Case {
        QByteArrayList environment;
        QByteArrayList expected;
    };
    const Case cases[] = {
        {{"PATH=/bin", "LANG=C.UTF-8"}, {"PATH=/bin", "LANG=C.UTF-8"}},
        {{"LANG=C.UTF-8", "LC_CTYPE=C"}, {"LANG=C.UTF-8", "LC_CTYPE=C.UTF-8"}},
        {{"LANG=fr_FR.UTF-8", "LC_ALL=C.UTF-8"}, {"LANG=fr_FR.UTF-8", "LC_ALL=C.UTF-8"}},
        {{"PATH=/bin"}, {"PATH=/bin", "LC_CTYPE=C.UTF-8"}},
        {{"LANG=C", "LC_MESSAGES=fr_FR.UTF-8"}, {"LANG=C", "LC_MESSAGES=fr_FR.UTF-8", "LC_CTYPE=C.UTF-8"}},
        {{"LC_TERMINAL=x", "LANG=fr_FR.UTF-8", "LC_CTYPE=C.UTF-8", "LC_MESSAGES=de_DE", "LC_ALL=C",
          "HOME=/h"},
         {"LC_TERMINAL=x", "HOME=/h", "LANG=C", "LC_CTYPE=C.UTF-8"}},
        // A locale that is not installed leaves svn in the C locale.
        {{"LANG=xx_YY.UTF-8"}, {"LANG=xx_YY.UTF-8", "LC_CTYPE=C.UTF-8"}},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(platform::ChildEnvironment(testCase.environment), testCase.expected)
            << testCase.environment.join(' ').toStdString();
}

// A run in the background never has ssh start its askpass program, nor git ask in any way or take an
// optional lock, whatever the user's settings; the rest is what any child gets.
TEST(ChildEnvironmentTest, BackgroundRunsNeverAskThroughSshOrGit) {
    EXPECT_EQ(platform::BackgroundChildEnvironment({"SSH_ASKPASS=/a", "SSH_ASKPASS_REQUIRE=force", "LANG=C",
                                                    "GIT_ASKPASS=/b", "GIT_TERMINAL_PROMPT=1"}),
              QByteArrayList({"SSH_ASKPASS=/a", "LANG=C", "LC_CTYPE=C.UTF-8", "SSH_ASKPASS_REQUIRE=never",
                              "GIT_TERMINAL_PROMPT=0", "GIT_ASKPASS=", "GCM_INTERACTIVE=never",
                              "GIT_OPTIONAL_LOCKS=0"}));
    // A run's own settings take the place of the same names only, not of names that begin alike.
    EXPECT_EQ(platform::WithSettings({"GIT_INDEX_FILE=/a", "GIT_INDEX_FILE_KEPT=/b", "HOME=/h"},
                                     {"GIT_INDEX_FILE=/c", "GIT_LITERAL_PATHSPECS=1"}),
              QByteArrayList(
                  {"GIT_INDEX_FILE_KEPT=/b", "HOME=/h", "GIT_INDEX_FILE=/c", "GIT_LITERAL_PATHSPECS=1"}));
}
