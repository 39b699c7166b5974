#pragma once

#include <QByteArrayList>
#include <QStringList>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <stop_token>

namespace platform {

#ifdef _WIN32
class CJobObject;
#endif

// Whether a child may have a console to ask the user on. On Windows a console program's own console
// children share the child's console, which has no window, rather than open a window each; but a
// program that asks for a password asks on that console and waits there, unseen. Without a console
// it asks on its standard error, which is the output read here, and reads the empty input. On Linux
// a child never has a terminal: both are the same.
enum class ChildConsole {
    Hidden, // a console without a window, shared by the child's own console children
    None    // no console at all: the child's questions come to its output
};

// One program run as a child process whose standard output and standard error are one pipe that
// this object reads. The child gets /dev/null as standard input (on Windows a pipe that no one
// writes to), a session of its own (no controlling terminal, so it can never prompt), no other
// descriptor of this process, and this process's environment with a UTF-8 character type and no ssh
// askpass program (platform::BackgroundChildEnvironment). The object owns the child: whatever is
// still running of it when the object goes is killed with its whole process group and reaped, and
// the child is killed when this process ends, however it ends. Not thread-safe; one thread drives
// one child. Only the stop token given to Start may be triggered from another thread: it wakes a
// Read or Finish that waits.
class CChildProcess final {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    enum class ReadStatus {
        Data,           // some bytes arrived
        End,            // every holder of the pipe's write end has closed it
        DeadlinePassed, // nothing arrived before the deadline
        Stopped         // a stop was requested through the token given to Start
    };

    CChildProcess();
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts arguments[0], looked up through PATH when it has no '/', with the whole list as its
    // argv; a name ending in ".exe" that is not found is tried again without ".exe". False when
    // nothing was started: no arguments, an argument holding a NUL character, no pipe, no program,
    // a child already started by this object, or a stop already requested through stopToken. A
    // stop requested later ends the waits of Read and Finish at once. settings, NAME=value entries,
    // take the place of the same names in the child's environment.
    bool Start(const QStringList& arguments, std::stop_token stopToken = {},
               ChildConsole console = ChildConsole::Hidden, const QByteArrayList& settings = {});

    // Waits for output until the deadline and reads at most capacity bytes of it into buffer;
    // received is their count when the result is Data, else 0. Stopped as soon as a stop is
    // requested, even while output is still waiting.
    ReadStatus Read(char* buffer, std::size_t capacity, std::size_t& received, Deadline deadline);

    // Ends the run: waits for the child to exit until the deadline or a stop request, then kills its
    // process group with SIGKILL if it is still there, and reaps it either way.
    void Finish(Deadline deadline);

    // Kills the child's whole process group with SIGKILL at once and reaps the child.
    void Kill();

    // The status the child exited with, once it has been reaped after ending by itself; none while it
    // runs, and none when it was killed or ended by a signal.
    std::optional<int> ExitCode() const { return m_ExitCode; }

private:
    std::optional<int> m_ExitCode;
#ifdef _WIN32
    // Runs on the thread that requests the stop: sets the stop event, which ends the wait of the
    // thread that drives the child.
    struct CStopWaker {
        void* m_hStopEvent;
        void operator()() const noexcept;
    };

    bool WatchStop(std::stop_token stopToken);
    void CloseHandles();

    std::unique_ptr<CJobObject> m_pJob; // the child and whatever it starts; none before Start
    void* m_hReadEnd = nullptr;         // our end of the output pipe, opened for overlapped reads
    void* m_hReadDone = nullptr;        // the event a read signals when it completes
    void* m_hStopEvent = nullptr;       // set on a stop request; null without a token
    std::stop_token m_StopToken;
    std::optional<std::stop_callback<CStopWaker>> m_StopCallback;
#else
    // Runs on the thread that requests the stop: makes the stop descriptor readable, which wakes
    // the poll of the thread that drives the child.
    struct CStopWaker {
        int m_iStopFd;
        void operator()() const noexcept;
    };

    bool WatchStop(std::stop_token stopToken);
    bool WaitForExit(Deadline deadline);
    bool Reap(bool wait);
    void CloseDescriptors();

    int m_iProcessId = -1; // the child until it is reaped; it leads its own process group
    int m_iReadEnd = -1;   // our end of the output pipe, non-blocking
    int m_iProcessFd = -1; // a pidfd for waiting on the child's exit with a deadline; -1 when unsupported
    int m_iStopFd = -1;    // an eventfd that becomes readable on a stop request; -1 without a token
    std::stop_token m_StopToken;
    // Gone before m_iStopFd is closed; its destructor waits for a callback that is running.
    std::optional<std::stop_callback<CStopWaker>> m_StopCallback;
#endif
};

} // namespace platform
