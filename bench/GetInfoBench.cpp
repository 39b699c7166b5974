// One GetInfo on a local working copy against running `svn info --xml` on it bare: the child
// started and its output drained, nothing else. Both alternate inside one loop; the counters give
// each median time and their ratio.
#include "BenchTiming.h"
#include "platform/CChildProcess.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"
#include "svn/CSubAutomation.h"

#include <QCoreApplication>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

bool RunSvnBare(const QString& workingCopy) {
    platform::CChildProcess child;
    if (!child.Start({QStringLiteral("svn"), QStringLiteral("info"), QStringLiteral("--xml"), workingCopy}))
        return false;
    std::array<char, 65536> buffer;
    std::size_t received = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (child.Read(buffer.data(), buffer.size(), received, deadline) ==
           platform::CChildProcess::ReadStatus::Data)
        benchmark::DoNotOptimize(buffer.data());
    child.Finish(deadline);
    return true;
}

void GetInfoAgainstBareSvn(benchmark::State& state, const QString& workingCopy) {
    std::vector<double> getInfoMs;
    std::vector<double> bareMs;
    bool getInfoFirst = true;
    for (auto _ : state) {
        // Alternating which one goes first keeps warm caches from favouring either.
        for (int turn = 0; turn < 2; ++turn) {
            const Clock::time_point start = Clock::now();
            if ((turn == 0) == getInfoFirst) {
                CSubAutomation automation;
                SVNInfo record;
                if (automation.GetInfo(workingCopy, record) != InfoOk) {
                    state.SkipWithError("GetInfo failed");
                    return;
                }
                getInfoMs.push_back(MillisecondsSince(start));
            } else {
                if (!RunSvnBare(workingCopy)) {
                    state.SkipWithError("svn could not be started");
                    return;
                }
                bareMs.push_back(MillisecondsSince(start));
            }
        }
        getInfoFirst = !getInfoFirst;
    }
    state.counters["getinfo_median_ms"] = Median(getInfoMs);
    state.counters["bare_svn_median_ms"] = Median(bareMs);
    state.counters["time_ratio"] = Median(getInfoMs) / Median(bareMs);
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
    // The debug copy goes into the sandbox, not into the user's cache.
    const CScopedEnvironment cache("XDG_CACHE_HOME",
                                   (sandbox.Folder() + QStringLiteral("/cache")).toLocal8Bit());
    benchmark::RegisterBenchmark("GetInfoAgainstBareSvn", GetInfoAgainstBareSvn, workingCopy)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(300);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
