#pragma once

#include <QByteArrayList>
#include <QStringList>
#include <windows.h>

namespace platform {

// A job object that holds one started program and everything it starts in turn. The system kills
// them all when the job's last handle closes: when this object goes, or when Corvane ends however it
// ends (Task Manager's "End task" included), so nothing of it outlives Corvane.
class CJobObject final {
public:
    CJobObject() = default;
    ~CJobObject();
    CJobObject(const CJobObject&) = delete;
    CJobObject& operator=(const CJobObject&) = delete;

    // Starts arguments[0], found through the PATH when it names no folder, with the command line that
    // quotes every argument by the Windows rules, hInput as standard input and hOutput as standard
    // output and error, the given environment (UTF-8 NAME=value entries), and no other handle of this
    // process. dwCreationFlags add to the flags of a start in the job. The program starts inside the
    // job, before it can run a single instruction. False, with nothing started and GetLastError set,
    // when the program is not found or cannot be started.
    bool Start(const QStringList& arguments, const QByteArrayList& environment, HANDLE hInput, HANDLE hOutput,
               DWORD dwCreationFlags, WORD wShowWindow);

    // The started program's process, and its id; null and 0 before a start.
    HANDLE Process() const { return m_hProcess; }
    DWORD ProcessId() const { return m_dwProcessId; }

    // Kills every process in the job at once.
    void Terminate();

    // The command line for arguments, each quoted where needed so that the C runtime splits it back
    // unchanged.
    static std::wstring CommandLineFor(const QStringList& arguments);

private:
    HANDLE m_hJob = nullptr;
    HANDLE m_hProcess = nullptr;
    DWORD m_dwProcessId = 0;
};

// An inheritable handle for a child's standard input that reads as empty at once: the read end of a
// pipe that no one writes to. Not NUL, which the C runtime takes for a terminal, so that svn would
// ask for a password, and wait. INVALID_HANDLE_VALUE when no pipe could be made.
HANDLE OpenEmptyInput();

} // namespace platform
