#include "platform/CommandRunner.h"

#include "platform/CChildProcess.h"
#include "platform/CommandLine.h"

#include <array>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kReadSize = 2047;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

// Gathering a large output in fixed blocks and joining them once is much cheaper than copying
// one ever-growing string again at every doubling.
std::string Join(std::vector<std::string>& blocks) {
    if (blocks.size() == 1)
        return std::move(blocks.front());
    std::size_t total = 0;
    for (const std::string& block : blocks)
        total += block.size();
    std::string joined;
    joined.reserve(total);
    for (std::string& block : blocks) {
        joined += block;
        std::string().swap(block);
    }
    return joined;
}

} // namespace

std::string RunCommand(QString program, QString arguments, std::chrono::milliseconds timeLimit,
                       std::stop_token stopToken, std::size_t outputLimit, RunEnd* pEnd,
                       platform::ChildConsole console, std::optional<int>* pExitCode,
                       const QByteArrayList& settings) {
    RunEnd end = RunEnd::Ended;
    if (pEnd == nullptr)
        pEnd = &end;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    platform::CChildProcess child;
    *pEnd = stopToken.stop_requested() ? RunEnd::Stopped : RunEnd::NotStarted;
    if (pExitCode != nullptr)
        pExitCode->reset();
    if (!child.Start(platform::SplitCommandLine(program + QLatin1Char(' ') + arguments), std::move(stopToken),
                     console, settings))
        return {};
    std::vector<std::string> blocks(1);
    std::array<char, kReadSize + 1> buffer;
    std::size_t received = 0;
    std::size_t total = 0;
    platform::CChildProcess::ReadStatus status;
    while ((status = child.Read(buffer.data(), kReadSize, received, deadline)) ==
           platform::CChildProcess::ReadStatus::Data) {
        // One byte past the limit is kept, so that the caller can tell a cut run from a full one.
        const std::size_t room = outputLimit - total;
        const std::size_t kept = received > room ? room + 1 : received;
        if (blocks.back().size() + kept > kBlockSize) {
            blocks.emplace_back();
            blocks.back().reserve(kBlockSize);
        }
        blocks.back().append(buffer.data(), kept);
        total += kept;
        if (total > outputLimit) {
            child.Kill();
            break;
        }
    }
    switch (status) {
    case platform::CChildProcess::ReadStatus::Data:
        *pEnd = RunEnd::Cut;
        break;
    case platform::CChildProcess::ReadStatus::DeadlinePassed:
        *pEnd = RunEnd::TimedOut;
        break;
    case platform::CChildProcess::ReadStatus::Stopped:
        *pEnd = RunEnd::Stopped;
        break;
    case platform::CChildProcess::ReadStatus::End:
        *pEnd = RunEnd::Ended;
        break;
    }
    // After a stop, Finish kills the child without waiting.
    child.Finish(deadline);
    if (pExitCode != nullptr)
        *pExitCode = child.ExitCode();
    return Join(blocks);
}
