// A whole `corvane --check` of one local working copy against the bare svn runs that it makes (on an
// up-to-date copy: `info --xml` on the working copy, on its repository URL, then `status -u --xml
// --ignore-externals` on the copy), each child started the same way and its output drained. The sides
// alternate inside one loop; medians give the ratio. A third side, `corvane --version`, measures the
// program's own start (loading Qt and the libraries beneath it), so that the check's work can be told
// from the cost of starting the program at all. Each on a copy of one file and on one of 20,000.
//
// Then the check job itself, run in this process as the tray program runs it, against the bare svn
// runs that it makes: on an up-to-date copy the three above; on a copy that is behind its
// repository, also `log -v` on its URL. And the same for Git clones, against the bare git runs of
// their check: status, config, ls-remote, then for an up-to-date clone the upstream commit's author
// (log -1), for one that is behind the commits apart (rev-list) and the commits it lacks (log).
//
// Last, what the prediction of the user's edits costs: the job on a copy one revision behind whose
// edit that revision meets (svn asked in a scratch copy) against the job on the same copy unedited.
#include "BenchTiming.h"
#include "engine/CCheckHost.h"
#include "engine/CSubVersionThread.h"
#include "platform/CChildProcess.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "support/CGitSandbox.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

// Runs the command, drains its output; its output, or nothing when it could not run.
std::string Run(const QStringList& command) {
    return bench::RunToEnd(command, std::chrono::seconds(60));
}

// svn with the job's own arguments: "--" before the target, which ends in '@'.
QStringList Svn(QStringList arguments, const QString& target) {
    arguments.prepend(QStringLiteral("svn"));
    arguments << QStringLiteral("--") << target + QLatin1Char('@');
    return arguments;
}

// Runs each command; false when one printed nothing, or not answerMark (svn's closing tags).
bool RunAll(const std::vector<QStringList>& runs, const std::string& answerMark = "</") {
    return std::all_of(runs.begin(), runs.end(), [&answerMark](const QStringList& run) {
        const std::string output = Run(run);
        return !output.empty() && output.find(answerMark) != std::string::npos;
    });
}

void CheckAgainstBareSvn(benchmark::State& state, const QString& workingCopy,
                         const std::vector<QStringList>& bareRuns) {
    const QStringList check{QStringLiteral(CORVANE_PROGRAM), QStringLiteral("--check"), workingCopy};
    const QStringList version{QStringLiteral(CORVANE_PROGRAM), QStringLiteral("--version")};
    std::vector<double> checkMs;
    std::vector<double> bareMs;
    std::vector<double> startMs;
    bool checkFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 3; ++turn) {
            const Clock::time_point start = Clock::now();
            if (turn == 2) {
                if (Run(version).empty()) {
                    state.SkipWithError("corvane --version printed nothing");
                    return;
                }
                startMs.push_back(MillisecondsSince(start));
            } else if ((turn == 0) == checkFirst) {
                if (Run(check).find("\tup-to-date\t") == std::string::npos) {
                    state.SkipWithError("corvane --check did not find the working copy up to date");
                    return;
                }
                checkMs.push_back(MillisecondsSince(start));
            } else {
                if (!RunAll(bareRuns)) {
                    state.SkipWithError("a bare svn run failed");
                    return;
                }
                bareMs.push_back(MillisecondsSince(start));
            }
        }
        checkFirst = !checkFirst;
    }
    state.counters["check_median_ms"] = Median(checkMs);
    state.counters["bare_svn_median_ms"] = Median(bareMs);
    state.counters["program_start_median_ms"] = Median(startMs);
    state.counters["time_ratio"] = Median(checkMs) / Median(bareMs);
    state.counters["ratio_without_start"] = (Median(checkMs) - Median(startMs)) / Median(bareMs);
}

// The check job's host: a watch list of its own, and no alert anywhere.
class CBenchHost final : public CCheckHost {
public:
    explicit CBenchHost(const QString& listFile) : m_Watchdog(listFile) {}
    CConfigWatchdog& Watchdog() override { return m_Watchdog; }
    void AnnounceModified(const CModifiedAlert& /*alert*/) override {}
    void CheckEnded(const QString& /*path*/) override {}

private:
    CConfigWatchdog m_Watchdog;
};

// The job's outcome for the folder, run on this thread as the worker runs it.
int RunCheckJob(CBenchHost& host, const QString& workingCopy) {
    auto* job = new CSubVersionThread(&host, workingCopy);
    job->Run(nullptr);
    job->Discard();
    return host.Watchdog().Records().front().m_iState;
}

// answerMark is what each bare run's output holds when it worked; any output does for an empty one.
void CheckJobAgainstBareRuns(benchmark::State& state, const QString& workingCopy, int expectedState,
                             const std::vector<QStringList>& bareRuns, const QString& listFile,
                             const std::string& answerMark) {
    CBenchHost host(listFile);
    host.Watchdog().AddPath(workingCopy, 0);
    std::vector<double> jobMs;
    std::vector<double> bareMs;
    bool jobFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const Clock::time_point start = Clock::now();
            if ((turn == 0) == jobFirst) {
                if (RunCheckJob(host, workingCopy) != expectedState) {
                    state.SkipWithError("the check job stored another state");
                    return;
                }
                jobMs.push_back(MillisecondsSince(start));
            } else {
                if (!RunAll(bareRuns, answerMark)) {
                    state.SkipWithError("a bare run failed");
                    return;
                }
                bareMs.push_back(MillisecondsSince(start));
            }
        }
        jobFirst = !jobFirst;
    }
    state.counters["job_median_ms"] = Median(jobMs);
    state.counters["bare_runs_median_ms"] = Median(bareMs);
    state.counters["time_ratio"] = Median(jobMs) / Median(bareMs);
}

// The job on the copy whose edit a lacking revision meets against the job on the same copy without it.
void CheckJobWithAndWithoutPrediction(benchmark::State& state, const QString& edited, const QString& unedited,
                                      const QString& listFile) {
    CBenchHost host(listFile);
    host.Watchdog().AddPath(edited, 0);
    CBenchHost plainHost(listFile);
    plainHost.Watchdog().AddPath(unedited, 0);
    std::vector<double> withMs;
    std::vector<double> withoutMs;
    bool editedFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool bEdited = (turn == 0) == editedFirst;
            const Clock::time_point start = Clock::now();
            if (RunCheckJob(bEdited ? host : plainHost, bEdited ? edited : unedited) != Modified) {
                state.SkipWithError("the check job did not find the copy behind");
                return;
            }
            (bEdited ? withMs : withoutMs).push_back(MillisecondsSince(start));
        }
        if (host.Watchdog().Records().front().m_Changes.m_Predictions.size() != 1) {
            state.SkipWithError("the edit was not predicted");
            return;
        }
        editedFirst = !editedFirst;
    }
    state.counters["with_prediction_median_ms"] = Median(withMs);
    state.counters["without_median_ms"] = Median(withoutMs);
    state.counters["prediction_ms"] = Median(withMs) - Median(withoutMs);
    state.counters["time_ratio"] = Median(withMs) / Median(withoutMs);
}

// git with the arguments the check gives it, in the clone.
QStringList Git(const QString& clone, const QStringList& arguments, const QStringList& options = {}) {
    QStringList command{QStringLiteral("git"), QStringLiteral("-C"), clone};
    for (const QString& option : options)
        command << QStringLiteral("-c") << option;
    return command + arguments;
}

// A clone that is up to date and one that lacks two commits of a colleague's, whose objects its first
// check brought, and the git runs of their checks.
bool RegisterGitBenchmarks(const QString& listFile) {
    static CGitSandbox git;
    const QString current = git.CreateRepository() ? git.Clone(QStringLiteral("current")) : QString();
    const QString behind = git.Clone(QStringLiteral("behind"));
    const QString seed = git.Folder() + QStringLiteral("/seed");
    QByteArray head;
    QByteArray tip;
    if (current.isEmpty() || behind.isEmpty() ||
        !git.Git(behind, {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, &head) ||
        !git.Commit(seed, QStringLiteral("carol"), QStringLiteral("a.txt"), "a\n", QStringLiteral("A")) ||
        !git.Commit(seed, QStringLiteral("carol"), QStringLiteral("b.txt"), "b\n", QStringLiteral("B")) ||
        !git.Git(seed, {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, &tip) ||
        !git.Git(current, {QStringLiteral("pull"), QStringLiteral("--quiet")})) {
        std::fprintf(stderr, "cannot make the clones: %s\n", qPrintable(git.LastError()));
        return false;
    }
    const QString before = QString::fromLatin1(head.trimmed());
    const QString after = QString::fromLatin1(tip.trimmed());
    const auto runs = [&](const QString& clone) {
        return std::vector<QStringList>{
            Git(clone,
                {QStringLiteral("status"), QStringLiteral("--porcelain=v2"), QStringLiteral("--branch"),
                 QStringLiteral("-z"), QStringLiteral("--ignore-submodules=dirty")},
                {QStringLiteral("core.fsmonitor=")}),
            Git(clone, {QStringLiteral("config"), QStringLiteral("--list"), QStringLiteral("-z")}),
            Git(clone,
                {QStringLiteral("ls-remote"), QStringLiteral("--"), QStringLiteral("origin"),
                 QStringLiteral("refs/heads/main")},
                {QStringLiteral("core.sshCommand=ssh -o BatchMode=yes")})};
    };
    const QStringList log{QStringLiteral("log"),
                          QStringLiteral("-z"),
                          QStringLiteral("--date-order"),
                          QStringLiteral("--no-show-signature"),
                          QStringLiteral("--encoding=UTF-8"),
                          QStringLiteral("--format=%H%x00%h%x00%aN%x00%aE%x00%aI%x00%B")};
    std::vector<QStringList> currentRuns = runs(current);
    currentRuns.push_back(
        Git(current, log + QStringList{QStringLiteral("--max-count=1"), after, QStringLiteral("--")}));
    std::vector<QStringList> behindRuns = runs(behind);
    behindRuns.push_back(
        Git(behind, {QStringLiteral("rev-list"), QStringLiteral("--left-right"), QStringLiteral("--count"),
                     before + QStringLiteral("...") + after, QStringLiteral("--")}));
    behindRuns.push_back(
        Git(behind, log + QStringList{QStringLiteral("--max-count=100"), QStringLiteral("--name-status"),
                                      after, QLatin1Char('^') + before, QStringLiteral("--")}));
    // The first check of the clone that is behind brings the objects, as a check does once.
    CBenchHost host(listFile);
    host.Watchdog().AddPath(behind, 0);
    if (RunCheckJob(host, behind) != Modified) {
        std::fprintf(stderr, "the clone that is behind is not modified\n");
        return false;
    }
    benchmark::RegisterBenchmark("CheckJobOfAnUpToDateGitClone", CheckJobAgainstBareRuns, current, UpToDate,
                                 currentRuns, listFile, "")
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(200);
    benchmark::RegisterBenchmark("CheckJobOfAGitCloneThatIsBehind", CheckJobAgainstBareRuns, behind, Modified,
                                 behindRuns, listFile, "")
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(200);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    CSvnSandbox sandbox;
    const QString workingCopy =
        sandbox.CreateRepository() ? sandbox.Checkout(QStringLiteral("wc")) : QString();
    const QString behind = sandbox.Checkout(QStringLiteral("behind"));
    if (workingCopy.isEmpty() || behind.isEmpty() ||
        sandbox.Commit(workingCopy, QStringLiteral("alice"), QStringLiteral("a.txt"), "a") != 1 ||
        !sandbox.Update(workingCopy) || !sandbox.Update(behind) ||
        sandbox.Commit(workingCopy, QStringLiteral("bob"), QStringLiteral("b.txt"), "b") != 2 ||
        !sandbox.Update(workingCopy)) {
        std::fprintf(stderr, "cannot make the working copy: %s\n", qPrintable(sandbox.LastError()));
        return 1;
    }
    // A copy of 20,000 files in 100 folders, imported at once.
    const QString files = sandbox.Folder() + QStringLiteral("/files");
    for (int folder = 0; folder < 100; ++folder) {
        QDir().mkpath(files + QStringLiteral("/d%1").arg(folder));
        for (int file = 0; file < 200; ++file) {
            QFile text(files + QStringLiteral("/d%1/f%2.txt").arg(folder).arg(file));
            if (!text.open(QIODevice::WriteOnly) || text.write("text\n") != 5) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(text.fileName()));
                return 1;
            }
        }
    }
    // In a repository of its own, so that the other copies stay up to date.
    const QString largeRepository = sandbox.Folder() + QStringLiteral("/large-repo");
    bench::RunToEnd({QStringLiteral("svnadmin"), QStringLiteral("create"), largeRepository},
                    std::chrono::seconds(60));
    const QString largeUrl = QUrl::fromLocalFile(largeRepository).toString(QUrl::FullyEncoded);
    const QString large = sandbox.Folder() + QStringLiteral("/large");
    // Too large for the sandbox's time limit on a busy machine.
    bench::RunToEnd({QStringLiteral("svn"), QStringLiteral("import"), QStringLiteral("-q"),
                     QStringLiteral("-m"), QStringLiteral("files"), files, largeUrl},
                    std::chrono::seconds(1200));
    bench::RunToEnd(
        {QStringLiteral("svn"), QStringLiteral("checkout"), QStringLiteral("-q"), largeUrl, large},
        std::chrono::seconds(1200));
    if (!QFile::exists(large + QStringLiteral("/d99/f199.txt"))) {
        std::fprintf(stderr, "cannot make the large working copy\n");
        return 1;
    }
    // The program's debug copy and svn's own settings stay in the sandbox.
    const QByteArray sandboxFolder = sandbox.Folder().toLocal8Bit();
    const CScopedEnvironment cache("XDG_CACHE_HOME", sandboxFolder + "/cache");
    const CScopedEnvironment home("HOME", sandboxFolder);
    const QString url = sandbox.RepositoryUrl();
    const QString listFile = sandbox.Folder() + QStringLiteral("/pathlist.ini");
    const QStringList info{QStringLiteral("info"), QStringLiteral("--xml")};
    const QStringList status{QStringLiteral("status"), QStringLiteral("-u"), QStringLiteral("--xml"),
                             QStringLiteral("--ignore-externals")};
    const std::vector<QStringList> upToDateRuns{Svn(info, workingCopy), Svn(info, url),
                                                Svn(status, workingCopy)};
    const std::vector<QStringList> largeRuns{Svn(info, large), Svn(info, largeUrl), Svn(status, large)};
    for (const auto& [name, copy, runs, iterations] :
         {std::tuple{"CheckOfAnUpToDateCopy", workingCopy, upToDateRuns, 100},
          std::tuple{"CheckOfAnUpToDateCopyOf20000Files", large, largeRuns, 30}})
        benchmark::RegisterBenchmark(name, CheckAgainstBareSvn, copy, runs)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(iterations);
    for (const auto& [name, copy, runs, iterations] :
         {std::tuple{"CheckJobOfAnUpToDateCopy", workingCopy, upToDateRuns, 100},
          std::tuple{"CheckJobOfAnUpToDateCopyOf20000Files", large, largeRuns, 30}})
        benchmark::RegisterBenchmark(name, CheckJobAgainstBareRuns, copy, UpToDate, runs, listFile, "</")
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(iterations);
    const std::vector<QStringList> behindRuns{
        Svn(info, behind), Svn(info, url), Svn(status, behind),
        Svn({QStringLiteral("log"), QStringLiteral("--xml"), QStringLiteral("-v"), QStringLiteral("--limit"),
             QStringLiteral("100"), QStringLiteral("-r"), QStringLiteral("2:2")},
            url)};
    benchmark::RegisterBenchmark("CheckJobOfACopyThatIsBehind", CheckJobAgainstBareRuns, behind, Modified,
                                 behindRuns, listFile, "</")
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(100);
    // In a repository of its own: two copies at r1, one with an edit of the file a colleague's r2 changes.
    const QString editRepository = sandbox.Folder() + QStringLiteral("/edit-repo");
    const QString editUrl = QUrl::fromLocalFile(editRepository).toString(QUrl::FullyEncoded);
    const QString editSeed = sandbox.Folder() + QStringLiteral("/edit-seed");
    const QString edited = sandbox.Folder() + QStringLiteral("/edited");
    const QString unedited = sandbox.Folder() + QStringLiteral("/unedited");
    bench::RunToEnd({QStringLiteral("svnadmin"), QStringLiteral("create"), editRepository},
                    std::chrono::seconds(60));
    bench::RunToEnd(
        {QStringLiteral("svn"), QStringLiteral("checkout"), QStringLiteral("-q"), editUrl, editSeed},
        std::chrono::seconds(60));
    if (sandbox.Commit(editSeed, QStringLiteral("carol"), QStringLiteral("a.txt"), "a\nb\nc\n") != 1) {
        std::fprintf(stderr, "cannot commit: %s\n", qPrintable(sandbox.LastError()));
        return 1;
    }
    for (const QString& copy : {edited, unedited})
        bench::RunToEnd(
            {QStringLiteral("svn"), QStringLiteral("checkout"), QStringLiteral("-q"), editUrl, copy},
            std::chrono::seconds(60));
    QFile edit(edited + QStringLiteral("/a.txt"));
    if (sandbox.Commit(editSeed, QStringLiteral("carol"), QStringLiteral("a.txt"), "a\ntheirs\nc\n") == 0 ||
        !edit.open(QIODevice::WriteOnly | QIODevice::Truncate) || edit.write("a\nmine\nc\n") != 9) {
        std::fprintf(stderr, "cannot make the edited copy: %s\n", qPrintable(sandbox.LastError()));
        return 1;
    }
    edit.close();
    benchmark::RegisterBenchmark("CheckJobWithAndWithoutPrediction", CheckJobWithAndWithoutPrediction, edited,
                                 unedited, listFile)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(100);
    if (!RegisterGitBenchmarks(listFile))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
