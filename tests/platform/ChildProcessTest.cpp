#include "platform/CChildProcess.h"
#include "support/ChildProcesses.h"

#include <gtest/gtest.h>

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
    EXPECT_LT(waited, 2s);
}

TEST_F(ChildProcessTest, ObjectThatGoesTakesItsRunningChildAlong) {
    const auto start = std::chrono::steady_clock::now();
    {
        CChildProcess child;
        ASSERT_TRUE(child.Start({QStringLiteral("sleep"), QStringLiteral("30")}));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}
