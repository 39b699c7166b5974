// A simulated week of the tray program (a day in the sanitizer builds): 10,080 timer ticks (one a
// minute) called directly on the main frame, 200 watched folders, and a fake svn that answers each
// check as the test has planned it at random: up to date, modified, not a working copy, a broken run,
// a network failure, slow answers and now and then a run that never ends. Between ticks the test
// waits for the worker to finish, so the run takes as long as the checks, not a week. Three storms
// hold one check while the ticks go on, so that the queue fills behind it, and remake the records
// meanwhile, as closing the watch list does.
//
// What must hold: every folder is checked at the ticks that the scheduling rule gives (every 60 ticks:
// the rotation takes three or four folders a tick, to come round the 200 in an hour); a folder is
// never queued while its check is still queued or running; each
// check stores the outcome its answers call for, also in records made again while it ran; memory
// stays flat; and the frame goes away cleanly with a check in flight.
#include "CCountingNotifyArea.h"
#include "app/CMainFrame.h"
#include "platform/CThreadStarter.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "support/AtOnce.h"
#include "support/CScopedEnvironment.h"
#include "support/ChildProcesses.h"
#include "ui/CCommandTarget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr int kFolders = 200;
// The plain build runs the whole week. The sanitizer builds, each check several times slower (under
// ThreadSanitizer every start of svn forks the whole process), run one day: every outcome, every storm
// and the quit with a check in flight come many times over in a day too (the rotation comes round the
// folders 24 times), so what they look for (races, use after free, leaks) meets the same code paths.
constexpr int kTicks = kSanitized ? 1440 : 10080;
// Hangs of each kind (local, remote) per 10,000 plans: eight in the week and three in the day, where
// the storms leave fewer plans that may hang.
constexpr int kHangsPer10000 = kSanitized ? 10 : 1;
constexpr int kCountdownAfterResult = 60;
// Long enough that an answering fake svn never reaches it on a busy machine, under a sanitizer too,
// in any of a check's three or four runs (5 s was reached at a load of 20); the few planned hangs each
// cost it once.
constexpr auto kCheckTimeLimit = 15s;
constexpr auto kDrainLimit = 60s;
constexpr int kStormTicks = 250;
constexpr int kStormStarts[] = {kTicks / 4, kTicks / 2, kTicks * 3 / 4};
constexpr int kMemoryWarmUpTick = 1000;
constexpr long kAllowedGrowthKb = 16 * 1024;

enum class Outcome { UpToDate, Modified, NotWorkingCopy, BadLocal, Network, HangLocal, HangRemote, Hold };

struct Plan {
    Outcome outcome = Outcome::UpToDate;
    int localRevision = 1;
    int remoteRevision = 1;
    QString author;
    int delayMs = 0;
};

const char* Keyword(Outcome outcome) {
    switch (outcome) {
    case Outcome::UpToDate:
        return "uptodate";
    case Outcome::Modified:
        return "modified";
    case Outcome::NotWorkingCopy:
        return "notwc";
    case Outcome::BadLocal:
        return "badlocal";
    case Outcome::Network:
        return "network";
    case Outcome::HangLocal:
        return "hanglocal";
    case Outcome::HangRemote:
        return "hangremote";
    case Outcome::Hold:
        return "hold";
    }
    return "";
}

int ExpectedState(Outcome outcome) {
    switch (outcome) {
    case Outcome::UpToDate:
    case Outcome::Hold:
        return UpToDate;
    case Outcome::Modified:
        return Modified;
    case Outcome::NotWorkingCopy:
    case Outcome::BadLocal:
    case Outcome::HangLocal:
        return ErrorLocal;
    case Outcome::Network:
    case Outcome::HangRemote:
        return ErrorNetwork;
    }
    return -1;
}

bool ReachesRemote(Outcome outcome) {
    return ExpectedState(outcome) != ErrorLocal;
}

QString ExpectedAuthor(const Plan& plan) {
    const int state = ExpectedState(plan.outcome);
    return state == UpToDate || state == Modified ? plan.author : QString();
}

QString FolderName(int index) {
    return QStringLiteral("wc%1").arg(index, 3, 10, QLatin1Char('0'));
}

// The scheduling rule as the test expects the frame to keep it: every tick counts every folder down,
// the folders whose turn it is in rotation (line i in minute i * 60 / 200 of the hour) are launched
// when their countdown is 0 and they have no check pending, and a stored result restarts the
// countdown.
class CScheduleModel final {
public:
    // The folders that the next tick launches, in the order it queues them.
    std::vector<int> NextLaunches() const {
        std::vector<int> launches;
        for (const int index : Turn()) {
            if (m_folders[index].countdown <= 1 && !m_folders[index].pending)
                launches.push_back(index);
        }
        return launches;
    }
    // One tick; the folders launched.
    std::vector<int> Tick() {
        for (Folder& folder : m_folders)
            folder.countdown = std::max(0, folder.countdown - 1);
        const std::vector<int> turn = Turn();
        m_nNext = turn.back() + 1;
        std::vector<int> launches;
        for (const int index : turn) {
            if (m_folders[index].countdown != 0 || m_folders[index].pending)
                continue;
            m_folders[index].pending = true;
            launches.push_back(index);
        }
        return launches;
    }
    void ResultStored(int index) {
        m_folders[index].pending = false;
        m_folders[index].countdown = kCountdownAfterResult;
    }
    void RecordsRemade() {
        for (Folder& folder : m_folders)
            folder.countdown = kCountdownAfterResult;
    }
    int Countdown(int index) const { return m_folders[index].countdown; }

private:
    // The lines of the next tick's turn: the next one and those that share its minute of the hour.
    std::vector<int> Turn() const {
        const int first = m_nNext < kFolders ? m_nNext : 0;
        std::vector<int> turn{first};
        for (int line = first + 1; line < kFolders && line * 60 / kFolders == first * 60 / kFolders; ++line)
            turn.push_back(line);
        return turn;
    }

    struct Folder {
        int countdown = 0;
        bool pending = false;
    };
    std::vector<Folder> m_folders = std::vector<Folder>(kFolders);
    int m_nNext = 0;
};

class CNoCommands final : public CCommandTarget {
public:
    void OnCommand(unsigned) override {}
};

// A process figure from /proc/self/status, in kB.
long StatusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

class SoakTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const QString bin = m_dir.filePath(QStringLiteral("bin"));
        m_strPlans = m_dir.filePath(QStringLiteral("plans"));
        ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(m_strPlans));
        ASSERT_TRUE(QFile::link(QStringLiteral(CORVANE_SOAK_FAKE_SVN), bin + QStringLiteral("/svn")));
        m_strLog = m_dir.filePath(QStringLiteral("svn.log"));
        for (int i = 0; i < kFolders; ++i)
            m_paths.append(m_dir.filePath(QStringLiteral("folders/") + FolderName(i)));
        QFile list(m_dir.filePath(QStringLiteral("pathlist.ini")));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write((m_paths.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLocal8Bit());

        m_environment.push_back(std::make_unique<CScopedEnvironment>("PATH", QFile::encodeName(bin)));
        m_environment.push_back(
            std::make_unique<CScopedEnvironment>("CORVANE_SOAK_PLANS", QFile::encodeName(m_strPlans)));
        m_environment.push_back(
            std::make_unique<CScopedEnvironment>("CORVANE_SOAK_LOG", QFile::encodeName(m_strLog)));
        m_childrenBefore = ChildProcessIds();
    }

    void WritePlan(int index, const Plan& plan) {
        QFile file(m_strPlans + QLatin1Char('/') + FolderName(index));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(QLatin1String(Keyword(plan.outcome)))
                       .arg(plan.localRevision)
                       .arg(plan.remoteRevision)
                       .arg(plan.author)
                       .arg(plan.delayMs)
                       .toLocal8Bit());
        m_plans[index] = plan;
    }

    // Mostly quick answers of every kind; a few slow ones; now and then a run that never ends, which
    // the check's time limit ends. Each hang costs that whole limit, so they are rare: a few in the
    // week's 31,000 checks and in the day's 2,300 alike.
    Plan RandomPlan(bool quiet) {
        std::uniform_int_distribution<int> roll(0, 9999);
        const int chance = roll(m_random);
        Plan plan;
        plan.author = QStringLiteral("dev%1").arg(chance % 7);
        plan.localRevision = 100 + chance % 50;
        plan.remoteRevision = plan.localRevision;
        if (chance < kHangsPer10000 && !quiet)
            plan.outcome = Outcome::HangLocal;
        else if (chance < 2 * kHangsPer10000 && !quiet)
            plan.outcome = Outcome::HangRemote;
        if (plan.outcome == Outcome::HangLocal || plan.outcome == Outcome::HangRemote)
            ++m_hangs;
        else if (chance < 800)
            plan.outcome = Outcome::NotWorkingCopy;
        else if (chance < 1300)
            plan.outcome = Outcome::BadLocal;
        else if (chance < 2300)
            plan.outcome = Outcome::Network;
        else if (chance < 5300)
            plan.outcome = Outcome::Modified;
        if (plan.outcome == Outcome::Modified)
            plan.remoteRevision = plan.localRevision + 1 + chance % 5;
        if (roll(m_random) < 500 && !quiet)
            plan.delayMs = 1 + chance % 20;
        return plan;
    }

    // Waits until the worker has finished every queued check, then delivers what the checks posted to
    // the UI thread. Timers are not run: the ticks are the test's.
    bool DrainWorker(const CMainFrame& frame) {
        const Clock::time_point deadline = Clock::now() + kDrainLimit;
        while (frame.HasPendingChecks()) {
            if (Clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(200us);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        return true;
    }

    // The svn runs noted since the last call, one "L name" or "R name" each.
    QStringList NewSvnRuns() {
        QFile log(m_strLog);
        if (!log.open(QIODevice::ReadOnly) || !log.seek(m_nLogRead))
            return {};
        const QByteArray text = log.readAll();
        m_nLogRead += text.size();
        return QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Waits until svn has been started for this run ("L name" or "R name"), which must be the only one.
    testing::AssertionResult WaitForSvnRun(const QString& run) {
        const Clock::time_point deadline = Clock::now() + kDrainLimit;
        QStringList runs;
        while (runs.isEmpty() && Clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
            runs = NewSvnRuns();
        }
        if (runs != QStringList{run})
            return testing::AssertionFailure()
                   << "svn ran for " << runs.join(QStringLiteral(", ")).toStdString() << ", expected "
                   << run.toStdString();
        return testing::AssertionSuccess();
    }

    testing::AssertionResult CheckRanAsPlanned(int tick, const std::vector<int>& launches) {
        QStringList expected;
        for (const int launched : launches) {
            expected.append(QStringLiteral("L ") + FolderName(launched));
            if (ReachesRemote(m_plans[launched].outcome))
                expected.append(QStringLiteral("R ") + FolderName(launched));
            // A repository that answers is followed by what of the copy is out of date, and a copy
            // that is behind by the log of what it lacks.
            const int state = ExpectedState(m_plans[launched].outcome);
            if (state == UpToDate || state == Modified)
                expected.append(QStringLiteral("S ") + FolderName(launched));
            if (state == Modified)
                expected.append(QStringLiteral("R ") + FolderName(launched));
        }
        const QStringList runs = NewSvnRuns();
        if (runs != expected)
            return testing::AssertionFailure()
                   << "tick " << tick << ": svn ran for " << runs.join(QStringLiteral(", ")).toStdString()
                   << ", expected " << expected.join(QStringLiteral(", ")).toStdString();
        return testing::AssertionSuccess();
    }

    testing::AssertionResult RecordsAsModelled(int tick, const CConfigWatchdog& watchdog,
                                               const std::vector<int>& launches) {
        const std::vector<CSVNPath> records = watchdog.Records();
        if (records.size() != static_cast<std::size_t>(kFolders))
            return testing::AssertionFailure() << "tick " << tick << ": " << records.size() << " records";
        for (int i = 0; i < kFolders; ++i) {
            if (records[i].m_iCountdown != m_model.Countdown(i))
                return testing::AssertionFailure()
                       << "tick " << tick << ": " << FolderName(i).toStdString() << " counts down from "
                       << records[i].m_iCountdown << ", expected " << m_model.Countdown(i);
        }
        for (const int launched : launches) {
            const CSVNPath& record = records[launched];
            const Plan& plan = m_plans[launched];
            if (record.m_iState != ExpectedState(plan.outcome) ||
                record.m_strLastAuthor != ExpectedAuthor(plan) || record.m_strCheckedAt.isEmpty())
                return testing::AssertionFailure()
                       << "tick " << tick << ": " << FolderName(launched).toStdString() << " planned "
                       << Keyword(plan.outcome) << " stored state " << record.m_iState << " author "
                       << record.m_strLastAuthor.toStdString();
        }
        return testing::AssertionSuccess();
    }

    QTemporaryDir m_dir;
    QString m_strPlans;
    QString m_strLog;
    qint64 m_nLogRead = 0;
    QStringList m_paths;
    std::vector<std::unique_ptr<CScopedEnvironment>> m_environment;
    QList<qint64> m_childrenBefore;
    std::mt19937 m_random{20261207};
    int m_hangs = 0;
    std::map<int, Plan> m_plans;
    CScheduleModel m_model;
};

TEST_F(SoakTest, AWeekOfTicksWithTwoHundredFolders) {
    CCountingNotifyArea notifyArea;
    CNoCommands application;
    auto frame =
        std::make_unique<CMainFrame>(notifyArea, application, m_dir.filePath(QStringLiteral("pathlist.ini")),
                                     std::make_unique<CThreadStarter>());
    frame->SetCheckTimeLimit(kCheckTimeLimit);
    g_iNextPathLine = 0;

    std::vector<int> lastLaunch(kFolders, -1);
    long gaps = 0;
    long checks = 0;
    long modified = 0;
    long baselineKb = 0;
    long largestKb = 0;
    const Clock::time_point start = Clock::now();
    const int* nextStorm = std::begin(kStormStarts);

    for (int tick = 0; tick < kTicks; ++tick) {
        if (nextStorm != std::end(kStormStarts) && tick >= *nextStorm && !m_model.NextLaunches().empty()) {
            // The storm: one check is held while the ticks go on, and the records are remade under it.
            ++nextStorm;
            const int held = m_model.NextLaunches().front();
            // The held check must outlast the storm however slow the machine is; the check reads its
            // time limit when it starts.
            frame->SetCheckTimeLimit(kDrainLimit);
            std::vector<int> launchedInStorm;
            for (int stormTick = 0; stormTick < kStormTicks && tick < kTicks; ++stormTick, ++tick) {
                for (const int next : m_model.NextLaunches())
                    WritePlan(next, next == held && stormTick == 0
                                        ? Plan{Outcome::Hold, 7, 7, QStringLiteral("holder"), 0}
                                        : RandomPlan(true));
                frame->OnTimer(CMainFrame::CHECK_TIMER_ID);
                const std::vector<int> launches = m_model.Tick();
                launchedInStorm.insert(launchedInStorm.end(), launches.begin(), launches.end());
                if (stormTick == 0) {
                    ASSERT_TRUE(WaitForSvnRun(QStringLiteral("L ") + FolderName(held)));
                    frame->SetCheckTimeLimit(kCheckTimeLimit);
                }
            }
            --tick;
            EXPECT_TRUE(NewSvnRuns().isEmpty()) << "a check ran while the held one was running";
            ASSERT_TRUE(frame->Watchdog().SavePathList(m_paths));
            m_model.RecordsRemade();
            QFile release(m_strPlans + QLatin1Char('/') + FolderName(held) + QStringLiteral(".release"));
            ASSERT_TRUE(release.open(QIODevice::WriteOnly));
            ASSERT_TRUE(DrainWorker(*frame)) << "the queue did not drain after the storm";
            release.remove();
            for (const int launched : launchedInStorm) {
                m_model.ResultStored(launched);
                modified += m_plans[launched].outcome == Outcome::Modified;
            }
            ASSERT_EQ(notifyArea.Balloons(), modified) << "storm before tick " << tick;
            ASSERT_EQ(launchedInStorm.front(), held);
            ASSERT_GT(launchedInStorm.size(), static_cast<std::size_t>(kFolders / 2));

            QStringList localRuns{QStringLiteral("L ") + FolderName(held)};
            for (const QString& run : NewSvnRuns()) {
                if (run.startsWith(QLatin1Char('L')))
                    localRuns.append(run);
            }
            EXPECT_EQ(localRuns.size(), static_cast<qsizetype>(launchedInStorm.size()));
            EXPECT_EQ(localRuns.removeDuplicates(), 0) << "a folder was queued twice";
            // The checks that ran under the storm give their folders' remade records their outcomes.
            const std::vector<CSVNPath> records = frame->Watchdog().Records();
            for (const int launched : launchedInStorm)
                ASSERT_NE(records[static_cast<std::size_t>(launched)].m_iState, Waiting)
                    << "a result was dropped: " << FolderName(launched).toStdString();
            std::fill(lastLaunch.begin(), lastLaunch.end(), -1);
            checks += static_cast<long>(launchedInStorm.size());
            continue;
        }

        for (const int next : m_model.NextLaunches())
            WritePlan(next, RandomPlan(false));
        if (tick == 0)
            ASSERT_EQ(frame->OnCreate(), 0);
        else
            frame->OnTimer(CMainFrame::CHECK_TIMER_ID);
        const std::vector<int> launches = m_model.Tick();
        ASSERT_TRUE(DrainWorker(*frame)) << "tick " << tick << ": a check did not end";
        for (const int launched : launches) {
            m_model.ResultStored(launched);
            ++checks;
            modified += m_plans[launched].outcome == Outcome::Modified;
            if (lastLaunch[launched] >= 0) {
                ASSERT_EQ(tick - lastLaunch[launched], kCountdownAfterResult)
                    << FolderName(launched).toStdString();
                ++gaps;
            }
            lastLaunch[launched] = tick;
        }
        ASSERT_TRUE(CheckRanAsPlanned(tick, launches));
        ASSERT_TRUE(RecordsAsModelled(tick, frame->Watchdog(), launches));
        ASSERT_EQ(notifyArea.Balloons(), modified) << "tick " << tick << ": one balloon per change found";

        if (tick == kMemoryWarmUpTick)
            baselineKb = StatusKb("VmRSS:");
        if (tick > kMemoryWarmUpTick)
            largestKb = std::max(largestKb, StatusKb("VmRSS:"));
    }
    EXPECT_EQ(notifyArea.Balloons(), modified) << "one balloon per check that found a change";
    EXPECT_TRUE(notifyArea.AllOnOwnThread()) << "a tray call came from the worker";

    // The end of the week: the program quits while a check hangs.
    while (m_model.NextLaunches().empty()) {
        frame->OnTimer(CMainFrame::CHECK_TIMER_ID);
        m_model.Tick();
    }
    WritePlan(m_model.NextLaunches().front(), Plan{Outcome::HangLocal, 1, 1, QStringLiteral("dev"), 0});
    frame->OnTimer(CMainFrame::CHECK_TIMER_ID);
    const Clock::time_point quit = Clock::now();
    frame.reset();
    EXPECT_LT(Clock::now() - quit, kAtOnce) << "quitting waited for the hung check";
    EXPECT_EQ(ChildProcessIds(), m_childrenBefore) << "svn was left behind";

    const long peakKb = StatusKb("VmHWM:");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("soak: %d ticks, %ld checks, %d hangs, %ld gaps of %d ticks, %ld balloons, %.1f s; resident "
                "memory %ld kB after %d ticks, at most %ld kB later, peak %ld kB\n",
                kTicks, checks, m_hangs, gaps, kCountdownAfterResult, modified, seconds, baselineKb,
                kMemoryWarmUpTick, largestKb, peakKb);
    EXPECT_GT(m_hangs, 1) << "the run had too few hangs for the time limit to end";
    RecordProperty("peak_resident_kb", static_cast<int>(peakKb));
    RecordProperty("checks", static_cast<int>(checks));
    // Sanitizers keep freed memory in quarantine and shadow every byte; only a plain build shows the
    // program's own growth.
    if (!kSanitized)
        EXPECT_LT(largestKb - baselineKb, kAllowedGrowthKb) << "memory grew during the week";
}

} // namespace

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    // Listing the tests at build time happens without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
