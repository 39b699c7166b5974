#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#ifdef _WIN32
#include <memory>
#include <mutex>
#include <thread>
class QWinEventNotifier;
#endif

class QSocketNotifier;

namespace platform {

#ifdef _WIN32
class CJobObject;
#endif

// A program run under a guard: a small process of ours between this one and the program, which stays
// when this process ends, however it ends (Quit, a signal, SIGKILL, a display that goes away), for as
// long as the program needs to end as gently as it allows. The program starts as CChildLaunch says;
// its standard output and error arrive together.
//
// The guard passes Interrupt on to the program's process group as SIGINT, as Ctrl+C would, and Kill
// as SIGKILL. When this process ends, the guard interrupts the program itself, and kills its group
// when it has not ended within the grace period. A program that ended by SIGKILL, from the guard or
// from anyone, is followed by the repair command given to Start, which has the grace period to end.
//
// Belongs to the thread that made it, whose event loop reports the output and the end of the run.
// Linux ties the guard's parent-death signal to the thread that calls Start, so that thread must be
// one that lasts as long as the process, such as the one that runs the user interface.
class CGuardedProcess final : public QObject {
    Q_OBJECT

public:
    explicit CGuardedProcess(QObject* pParent = nullptr);
    // A guard that still runs then goes on alone: its program is killed, and repaired.
    ~CGuardedProcess() override;
    CGuardedProcess(const CGuardedProcess&) = delete;
    CGuardedProcess& operator=(const CGuardedProcess&) = delete;

    // Starts arguments[0], looked up through PATH, under a guard; repairArguments (none for no repair)
    // is the command that follows a killed program. False when a run is under way or nothing could be
    // started (ErrorString says why); a program that is found but cannot be executed is reported by
    // FailedToStart instead.
    bool Start(const QStringList& arguments, const QStringList& repairArguments,
               std::chrono::milliseconds gracePeriod);
    // Whether the run is under way: from Start until Finished or FailedToStart.
    bool IsRunning() const;
    // Why the last Start failed.
    const QString& ErrorString() const { return m_strError; }
    // The output that arrived since the last call.
    QByteArray ReadAll();
    // Asks the program to stop as Ctrl+C would. False when no run is under way.
    bool Interrupt();
    // Kills the program and whatever it started at once.
    void Kill();
    // Waits for the end of the run, reading its output meanwhile, for at most timeout; whether the run
    // has ended. Finished or FailedToStart is emitted before it returns true.
    bool WaitForFinished(std::chrono::milliseconds timeout);

signals:
    void ReadyRead();
    // The program has ended: with iExitCode, or by a signal (bCrashed).
    void Finished(int iExitCode, bool bCrashed);
    // The program was found but could not be executed.
    void FailedToStart(const QString& strReason);

private:
#ifdef _WIN32
    void OnEnded();
    void CloseRun();
    // Moves what the reading thread gathered to m_output; false when nothing had arrived.
    bool TakeOutput();

    std::unique_ptr<CJobObject> m_pJob; // the program and whatever it starts; none between runs
    QWinEventNotifier* m_pEndNotifier = nullptr;
    std::thread m_Reader; // reads the program's output until every writer is gone
    std::mutex m_ReadLock;
    QByteArray m_read; // what the reading thread gathered, under m_ReadLock
    QStringList m_repairArguments;
    std::chrono::milliseconds m_GracePeriod{0};
    bool m_bKilled = false;
    QByteArray m_output;
    QString m_strError;
#else
    void OnOutput();
    void OnReport();
    // Reads what output there is; false when nothing arrived.
    bool ReadOutput();
    void CloseRun();

    int m_iGuardId = -1;
    int m_iOutputFd = -1; // the read end of the program's output, non-blocking
    int m_iReportFd = -1; // the read end of the guard's report on the program's end
    QSocketNotifier* m_pOutputNotifier = nullptr;
    QSocketNotifier* m_pReportNotifier = nullptr;
    QByteArray m_output;
    QString m_strError;
#endif
};

} // namespace platform
