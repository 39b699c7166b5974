#pragma once

#include <QDialog>
#include <QProcess>
#include <QString>
#include <QStringDecoder>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Corvane's own update window: runs `svn update` on one working copy and shows its output live.
// It stays open until the user closes it; closing it while svn runs ends that run.
class CUpdateWindow final : public QDialog {
    Q_OBJECT

public:
    explicit CUpdateWindow(const QString& strPath, QWidget* parent = nullptr);
    ~CUpdateWindow() override;

    // Starts `svn update` on the folder. False when a run is already under way.
    bool Start();

    void done(int iResult) override;

signals:
    // The run has ended, however it ended (also when svn could not be started).
    void RunEnded();

private:
    void OnOutput();
    void OnFinished(int iExitCode, QProcess::ExitStatus status);
    void OnErrorOccurred(QProcess::ProcessError error);
    void AppendText(const QString& strText);
    // Ends a run under way at once, without reporting it.
    void EndRun();

    const QString m_strPath;
    QLabel* m_pPathLabel;
    QPlainTextEdit* m_pOutput;
    QPushButton* m_pCloseButton;
    QProcess* m_pProcess;
    QStringDecoder m_decoder;
};
