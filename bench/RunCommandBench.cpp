// RunCommand reading a 256 MiB stream from a child, against cat draining the same stream into
// /dev/null. Both runs alternate inside one loop so that a busy machine slows both alike; the
// counters give each median throughput and their ratio.
#include "BenchTiming.h"
#include "platform/CommandRunner.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::Median;
using bench::SecondsSince;

constexpr long long kStreamBytes = 256LL << 20;
constexpr double kMebibyte = 1024.0 * 1024.0;

void RunCommandAgainstCat(benchmark::State& state) {
    const std::string producer = "-c " + std::to_string(kStreamBytes) + " /dev/zero";
    const std::string catLine = "head " + producer + " | cat > /dev/null";
    std::vector<double> runCommandSeconds;
    std::vector<double> catSeconds;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        const std::string output = RunCommand(QStringLiteral("head"), QString::fromStdString(producer),
                                              kDefaultRunTimeLimit, {}, kStreamBytes);
        runCommandSeconds.push_back(SecondsSince(start));
        if (static_cast<long long>(output.size()) != kStreamBytes) {
            state.SkipWithError("RunCommand returned a short stream");
            return;
        }
        start = Clock::now();
        if (std::system(catLine.c_str()) != 0) {
            state.SkipWithError("the cat pipeline failed");
            return;
        }
        catSeconds.push_back(SecondsSince(start));
    }
    const double mebibytes = kStreamBytes / kMebibyte;
    state.counters["runcommand_MiB_per_s"] = mebibytes / Median(runCommandSeconds);
    state.counters["cat_MiB_per_s"] = mebibytes / Median(catSeconds);
    state.counters["throughput_ratio"] = Median(catSeconds) / Median(runCommandSeconds);
}

} // namespace

BENCHMARK(RunCommandAgainstCat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

BENCHMARK_MAIN();
