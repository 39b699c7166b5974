// A whole `corvane --check` of one local working copy against the two bare `svn info --xml` runs that
// it makes (the working copy, then its repository URL), each child started the same way and its
// output drained. The sides alternate inside one loop; medians give the ratio. A third side,
// `corvane --version`, measures the program's own start (loading Qt and the libraries beneath it), so
// that the check's work can be told from the cost of starting the program at all.
#include "BenchTiming.h"
#include "platform/CChildProcess.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

// Runs the command, drains its output; its output, or nothing when it could not run.
std::string Run(const QStringList& command) {
    return bench::RunToEnd(command, std::chrono::seconds(60));
}

void CheckAgainstBareSvn(benchmark::State& state, const QString& workingCopy, const QString& url) {
    const QStringList check{QStringLiteral(CORVANE_PROGRAM), QStringLiteral("--check"), workingCopy};
    const QStringList local{QStringLiteral("svn"), QStringLiteral("info"), QStringLiteral("--xml"),
                            workingCopy};
    const QStringList remote{QStringLiteral("svn"), QStringLiteral("info"), QStringLiteral("--xml"), url};
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
                if (Run(local).find("</info>") == std::string::npos ||
                    Run(remote).find("</info>") == std::string::npos) {
                    state.SkipWithError("svn info failed");
                    return;
                }
                bareMs.push_back(MillisecondsSince(start));
            }
        }
        checkFirst = !checkFirst;
    }
    state.counters["check_median_ms"] = Median(checkMs);
    state.counters["two_svn_median_ms"] = Median(bareMs);
    state.counters["program_start_median_ms"] = Median(startMs);
    state.counters["time_ratio"] = Median(checkMs) / Median(bareMs);
    state.counters["ratio_without_start"] = (Median(checkMs) - Median(startMs)) / Median(bareMs);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    CSvnSandbox sandbox;
    const QString workingCopy =
        sandbox.CreateRepository() ? sandbox.Checkout(QStringLiteral("wc")) : QString();
    if (workingCopy.isEmpty() ||
        sandbox.Commit(workingCopy, QStringLiteral("alice"), QStringLiteral("a.txt"), "a") == 0 ||
        !sandbox.Update(workingCopy)) {
        std::fprintf(stderr, "cannot make the working copy: %s\n", qPrintable(sandbox.LastError()));
        return 1;
    }
    // The program's debug copy and svn's own settings stay in the sandbox.
    const QByteArray sandboxFolder = sandbox.Folder().toLocal8Bit();
    const CScopedEnvironment cache("XDG_CACHE_HOME", sandboxFolder + "/cache");
    const CScopedEnvironment home("HOME", sandboxFolder);
    benchmark::RegisterBenchmark("CheckAgainstTwoBareSvnRuns", CheckAgainstBareSvn, workingCopy,
                                 sandbox.RepositoryUrl())
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(200);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
