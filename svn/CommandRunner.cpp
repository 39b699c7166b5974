#include "svn/CommandRunner.h"

#include "platform/CChildProcess.h"
#include "platform/CommandLine.h"

#include <array>

namespace {

constexpr std::size_t kReadSize = 2047;

} // namespace

std::string RunCommand(QString program, QString arguments, std::chrono::milliseconds timeLimit) {
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    platform::CChildProcess child;
    if (!child.Start(platform::SplitCommandLine(program + QLatin1Char(' ') + arguments)))
        return {};
    std::string output;
    std::array<char, kReadSize + 1> buffer;
    std::size_t received = 0;
    while (child.Read(buffer.data(), kReadSize, received, deadline) ==
           platform::CChildProcess::ReadStatus::Data)
        output.append(buffer.data(), received);
    child.Finish(deadline);
    return output;
}
