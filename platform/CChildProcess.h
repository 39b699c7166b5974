#pragma once

#include <QStringList>
#include <chrono>
#include <cstddef>

namespace platform {

// One program run as a child process whose standard output and standard error are one pipe that
// this object reads. The child gets /dev/null as standard input, a session of its own (no
// controlling terminal, so it can never prompt) and no other descriptor of this process. The
// object owns the child: whatever is still running of it when the object goes is killed with its
// whole process group and reaped. Not thread-safe; one thread drives one child.
class CChildProcess final {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    enum class ReadStatus {
        Data,          // some bytes arrived
        End,           // every holder of the pipe's write end has closed it
        DeadlinePassed // nothing arrived before the deadline
    };

    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts arguments[0], looked up through PATH when it has no '/', with the whole list as its
    // argv; a name ending in ".exe" that is not found is tried again without ".exe". False when
    // nothing was started: no arguments, an argument holding a NUL character, no pipe, no program,
    // or a child already started by this object.
    bool Start(const QStringList& arguments);

    // Waits for output until the deadline and reads at most capacity bytes of it into buffer;
    // received is their count when the result is Data, else 0.
    ReadStatus Read(char* buffer, std::size_t capacity, std::size_t& received, Deadline deadline);

    // Ends the run: waits for the child to exit until the deadline, then kills its process group
    // with SIGKILL if it is still there, and reaps it either way.
    void Finish(Deadline deadline);

    // Kills the child's whole process group with SIGKILL at once and reaps the child.
    void Kill();

private:
    bool WaitForExit(Deadline deadline);
    bool Reap(bool wait);
    void CloseDescriptors();

    int m_iProcessId = -1; // the child until it is reaped; it leads its own process group
    int m_iReadEnd = -1;   // our end of the output pipe, non-blocking
    int m_iProcessFd = -1; // a pidfd for waiting on the child's exit with a deadline; -1 when unsupported
};

} // namespace platform
