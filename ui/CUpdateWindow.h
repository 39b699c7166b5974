#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringDecoder>
#include <chrono>

namespace platform {
class CGuardedProcess;
}

class QLabel;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// Corvane's own update window: runs `svn update` on one working copy, or `git pull --ff-only` on a
// Git working tree (which never merges or rebases: a branch that has diverged, or local changes in
// the way, leave the tree as it was and git says why), and shows its output live. It stays open until
// the user closes it. Closing it while the update runs asks first, without blocking anything else;
// once the user agrees, svn or git is stopped gently and the window closes when it has ended. It runs
// under a guard (platform::CGuardedProcess) that stops it as gently when Corvane ends in any other
// way, and that cleans up a working copy whose svn had to be killed (git removes its own locks when
// interrupted).
class CUpdateWindow final : public QDialog {
    Q_OBJECT

public:
    explicit CUpdateWindow(const QString& strPath, QWidget* parent = nullptr);
    ~CUpdateWindow() override;

    // Starts the update of the folder. False when a run is already under way.
    bool Start();
    // What the window runs, "svn update" or "git pull".
    QString CommandName() const;
    // Whether svn runs.
    bool IsRunning() const;
    // Stops a run under way as gently as svn allows: an interrupt, which svn takes as a cancel that
    // unlocks the working copy, and a kill when it has not ended within the grace period, after
    // which `svn cleanup` releases the lock. RunEnded follows, and the window then closes.
    void StopAndClose();
    // How long svn has to end after the interrupt; 5 s unless changed. The run that Start begins also
    // gives it to svn when Corvane ends, and to the cleanup after a kill.
    void SetStopGracePeriod(std::chrono::milliseconds gracePeriod) { m_msStopGrace = gracePeriod; }

    // Closes at once when no run is under way; otherwise asks whether to stop it and close.
    void done(int iResult) override;

signals:
    // The run has ended, however it ended (also when svn could not be started).
    void RunEnded();

private:
    void OnOutput();
    void OnFinished(int iExitCode, bool bCrashed);
    void OnFailedToStart(const QString& strReason);
    void AppendText(const QString& strText);
    // Asks, with a box that blocks nothing but this window, whether to stop svn and close.
    void AskToStop();
    // Ends a run under way without reporting it, for a window that goes away now.
    void EndRun();

    const QString m_strPath;
    const bool m_bGit; // the folder is a Git working tree
    QLabel* m_pPathLabel;
    QPlainTextEdit* m_pOutput;
    QPushButton* m_pCloseButton;
    platform::CGuardedProcess* m_pProcess;
    QTimer* m_pKillTimer;
    QPointer<QMessageBox> m_pStopQuestion;
    QStringDecoder m_decoder;
    std::chrono::milliseconds m_msStopGrace{5000};
    bool m_bCloseWhenEnded = false;
};
