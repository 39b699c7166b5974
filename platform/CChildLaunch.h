#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QStringList>
#include <vector>

namespace platform {

// A program made ready to start as a child process. Everything the start needs (the file, the
// argument and environment vectors) is made by Prepare, so that Start allocates nothing and may be
// called in a process forked from a threaded one, where only async-signal-safe calls are allowed.
//
// The child gets /dev/null as standard input, one descriptor as standard output and error, no other
// descriptor of its parent, default handling of every signal with none blocked, the environment it
// is prepared with, and a session of its own: no
// controlling terminal, so it can never prompt there, and a process group that it leads, so that a
// kill of the group reaches whatever it starts in turn. It also gets a parent-death signal.
class CChildLaunch final {
public:
    CChildLaunch() = default;
    CChildLaunch(const CChildLaunch&) = delete;
    CChildLaunch& operator=(const CChildLaunch&) = delete;

    // Makes arguments[0] ready to run with the whole list as its argv and the environment's NAME=value
    // entries; it is looked up through PATH when it has no '/', and a name ending in ".exe" that is
    // not found is tried again without it. False, with errno set, when there are no arguments, an
    // argument holds a NUL character or the program is not found.
    bool Prepare(const QStringList& arguments, QByteArrayList environment);

    // Starts the prepared program with iOutputFd as its standard output and error. The child gets
    // iParentDeathSignal when the thread that calls Start ends: Linux ties the signal to that thread,
    // not to the whole process, so the thread must outlive the child unless the process ends. The
    // child's process id, or -1 with errno set when it could not be started; a child whose program
    // could not be executed is reaped before Start returns. Async-signal-safe.
    int Start(int iOutputFd, int iParentDeathSignal) const;

    // A pipe whose ends are close-on-exec and above standard error, so that the child's setup cannot
    // overwrite them. False when none can be made.
    static bool OpenPipe(int (&ends)[2]);
    // Closes every descriptor above standard error except iKept and iAlsoKept (-1 for none).
    // Async-signal-safe.
    static void CloseOtherDescriptors(int iKept, int iAlsoKept);
    // Sets every signal to its default action. Async-signal-safe.
    static void ResetSignalActions();

private:
    QByteArray m_program;
    std::vector<QByteArray> m_arguments;
    QByteArrayList m_environment;
    std::vector<char*> m_argv;
    std::vector<char*> m_envp;
};

} // namespace platform
