#pragma once

#include "platform/CChildProcess.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

// Timing helpers every benchmark here shares.
namespace bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Medians, because other work on a shared machine adds long outliers to either side at random.
inline double Median(std::vector<double> samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// Runs the command to its end, for at most timeLimit; its output, or nothing when it could not run.
inline std::string RunToEnd(const QStringList& command, std::chrono::seconds timeLimit) {
    platform::CChildProcess child;
    if (!child.Start(command))
        return {};
    std::string output;
    std::array<char, 65536> buffer;
    std::size_t received = 0;
    const auto deadline = Clock::now() + timeLimit;
    while (child.Read(buffer.data(), buffer.size(), received, deadline) ==
           platform::CChildProcess::ReadStatus::Data)
        output.append(buffer.data(), received);
    child.Finish(deadline);
    return output;
}

} // namespace bench
