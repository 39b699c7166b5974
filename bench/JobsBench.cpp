// `corvane --check --jobs 4` against `--jobs 1` on 16 working copies whose repository is served by
// svnserve behind a relay that holds each connection back by 50 ms, as a server far away does. The
// sides alternate inside one loop; medians give the speed-up and the distance from the ideal, the
// sequential time divided by 4.
#include "BenchTiming.h"
#include "platform/CChildProcess.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnRelay.h"
#include "support/CSvnSandbox.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QUrl>
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

constexpr int kWorkingCopies = 16;
constexpr std::chrono::milliseconds kConnectionDelay{50};

// Runs the command, drains its output; its output, or nothing when it could not run.
std::string Run(const QStringList& command) {
    return bench::RunToEnd(command, std::chrono::seconds(120));
}

// The processor time, in ms, of every child this process has reaped so far: corvane and the svn runs
// it reaped. From /proc, whose clock ticks are hundredths of a second on Linux.
double ReapedChildrenCpuMs() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which ends with the last ')': cutime and cstime are the 14th
    // and 15th of them.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 14 ? (fields[13].toDouble() + fields[14].toDouble()) * 10 : 0;
}

// The first field of each line (the folders, in the order printed), one per line.
std::string PrintedFolders(const std::string& output) {
    std::string folders;
    std::size_t at = 0;
    while (at < output.size()) {
        std::size_t end = output.find('\n', at);
        if (end == std::string::npos)
            end = output.size();
        folders += output.substr(at, std::min(output.find('\t', at), end) - at) + '\n';
        at = end + 1;
    }
    return folders;
}

void CheckWithJobs(benchmark::State& state, const QStringList& folders) {
    auto command = [&](int nJobs) {
        return QStringList{QStringLiteral(CORVANE_PROGRAM), QStringLiteral("--check"),
                           QStringLiteral("--jobs"), QString::number(nJobs)} +
               folders;
    };
    std::vector<double> oneMs;
    std::vector<double> fourMs;
    std::vector<double> oneCpuMs;
    std::vector<double> fourCpuMs;
    bool oneFirst = true;
    std::string expected;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool one = (turn == 0) == oneFirst;
            const double cpuBefore = ReapedChildrenCpuMs();
            const Clock::time_point start = Clock::now();
            const std::string output = Run(command(one ? 1 : 4));
            (one ? oneMs : fourMs).push_back(MillisecondsSince(start));
            (one ? oneCpuMs : fourCpuMs).push_back(ReapedChildrenCpuMs() - cpuBefore);
            const std::string lines = PrintedFolders(output);
            if (std::count(output.begin(), output.end(), '\n') != kWorkingCopies ||
                output.find("up-to-date") == std::string::npos || (!expected.empty() && lines != expected)) {
                state.SkipWithError("the two runs did not print the same up-to-date folders");
                return;
            }
            expected = lines;
        }
        oneFirst = !oneFirst;
    }
    const double ideal = Median(oneMs) / 4;
    state.counters["jobs1_median_ms"] = Median(oneMs);
    state.counters["jobs4_median_ms"] = Median(fourMs);
    state.counters["ideal_ms"] = ideal;
    state.counters["speedup"] = Median(oneMs) / Median(fourMs);
    state.counters["jobs4_to_ideal"] = Median(fourMs) / ideal;
    // The processor time of corvane and its svn runs: on a machine with fewer cores than jobs, --jobs 4
    // cannot take less than this divided by the cores.
    state.counters["jobs1_cpu_ms"] = Median(oneCpuMs);
    state.counters["jobs4_cpu_ms"] = Median(fourCpuMs);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    CSvnSandbox sandbox;
    const QString url = sandbox.CreateRepository() ? sandbox.StartServer() : QString();
    if (url.isEmpty()) {
        std::fprintf(stderr, "cannot serve the repository: %s\n", qPrintable(sandbox.LastError()));
        return 1;
    }
    // A commit through file:// (svnserve lets nobody write), then every working copy through the relay.
    const QString seed = sandbox.Checkout(QStringLiteral("seed"));
    if (seed.isEmpty() || sandbox.Commit(seed, QStringLiteral("alice"), QStringLiteral("a.txt"), "a") == 0) {
        std::fprintf(stderr, "cannot commit: %s\n", qPrintable(sandbox.LastError()));
        return 1;
    }
    CSvnRelay relay(static_cast<quint16>(QUrl(url).port()));
    QStringList folders;
    for (int i = 0; i < kWorkingCopies; ++i) {
        const QString folder = sandbox.Folder() + QStringLiteral("/wc%1").arg(i);
        if (!sandbox.RunTool(QStringLiteral("svn"),
                             {QStringLiteral("checkout"), relay.Url(QStringLiteral("repo")), folder})) {
            std::fprintf(stderr, "cannot check out: %s\n", qPrintable(sandbox.LastError()));
            return 1;
        }
        folders.append(folder);
    }
    relay.SetConnectionDelay(kConnectionDelay);
    // The program's debug copy and svn's own settings stay in the sandbox.
    const QByteArray sandboxFolder = sandbox.Folder().toLocal8Bit();
    const CScopedEnvironment cache("XDG_CACHE_HOME", sandboxFolder + "/cache");
    const CScopedEnvironment home("HOME", sandboxFolder);
    benchmark::RegisterBenchmark("CheckSixteenBehindASlowServer", CheckWithJobs, folders)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(15);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
