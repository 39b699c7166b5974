#include "ui/CUpdateWindow.h"

#include "git/CGitAutomation.h"
#include "platform/CGuardedProcess.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr char kSvnProgram[] = "svn";
constexpr char kGitProgram[] = "git";
// How long a window that goes away at once waits for svn after the interrupt, and again after the kill.
constexpr std::chrono::milliseconds kEndRunWait{1000};

} // namespace

CUpdateWindow::CUpdateWindow(const QString& strPath, QWidget* parent)
    : QDialog(parent), m_strPath(strPath), m_bGit(CGitAutomation::IsWorkingTree(strPath)),
      m_pPathLabel(new QLabel(this)), m_pOutput(new QPlainTextEdit(this)),
      m_pCloseButton(new QPushButton(QStringLiteral("&Close"), this)),
      m_pProcess(new platform::CGuardedProcess(this)), m_pKillTimer(new QTimer(this)),
      m_decoder(m_bGit ? QStringDecoder::Utf8 : QStringDecoder::System) {
    setWindowTitle(QStringLiteral("Corvane : Update"));
    setModal(false);

    // The path is the user's data: shown as plain text, never as markup.
    m_pPathLabel->setTextFormat(Qt::PlainText);
    m_pPathLabel->setText(m_strPath);
    m_pPathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pOutput->setReadOnly(true);
    m_pOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pCloseButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pCloseButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pPathLabel);
    layout->addWidget(m_pOutput, 1);
    layout->addLayout(buttons);
    resize(640, 400);

    connect(m_pCloseButton, &QPushButton::clicked, this, &CUpdateWindow::accept);
    connect(m_pProcess, &platform::CGuardedProcess::ReadyRead, this, &CUpdateWindow::OnOutput);
    connect(m_pProcess, &platform::CGuardedProcess::Finished, this, &CUpdateWindow::OnFinished);
    connect(m_pProcess, &platform::CGuardedProcess::FailedToStart, this, &CUpdateWindow::OnFailedToStart);
    m_pKillTimer->setSingleShot(true);
    connect(m_pKillTimer, &QTimer::timeout, m_pProcess, &platform::CGuardedProcess::Kill);
}

CUpdateWindow::~CUpdateWindow() {
    EndRun();
}

bool CUpdateWindow::Start() {
    if (IsRunning()) {
        return false;
    }
    // The path is one argument of its own, after "--" (git's "-C" takes whatever follows), so no
    // path can be taken for an option; the trailing '@' keeps an '@' inside the path from being read
    // as a peg revision. The input is /dev/null, so neither stops to ask on it; svn leaves conflicts
    // for later, and git pulls only when the branch can simply move forward.
    const QString strTarget = m_strPath + QLatin1Char('@');
    const QString strSvn = QString::fromLatin1(kSvnProgram);
    const bool bStarted =
        m_bGit ? m_pProcess->Start({QString::fromLatin1(kGitProgram), QStringLiteral("-C"), m_strPath,
                                    QStringLiteral("pull"), QStringLiteral("--ff-only")},
                                   {}, m_msStopGrace)
               : m_pProcess->Start({strSvn, QStringLiteral("update"), QStringLiteral("--"), strTarget},
                                   {strSvn, QStringLiteral("cleanup"), QStringLiteral("--"), strTarget},
                                   m_msStopGrace);
    if (!bStarted) {
        OnFailedToStart(m_pProcess->ErrorString());
    }
    return true;
}

QString CUpdateWindow::CommandName() const {
    return m_bGit ? QStringLiteral("git pull") : QStringLiteral("svn update");
}

bool CUpdateWindow::IsRunning() const {
    return m_pProcess->IsRunning();
}

void CUpdateWindow::StopAndClose() {
    m_bCloseWhenEnded = true;
    if (m_pStopQuestion) {
        m_pStopQuestion->close();
    }
    if (!IsRunning()) {
        QDialog::done(Rejected);
        return;
    }
    if (m_pKillTimer->isActive()) {
        return;
    }
    // Killed at once, svn would leave the working copy locked until a "cleanup".
    if (!m_pProcess->Interrupt()) {
        m_pProcess->Kill();
    }
    m_pKillTimer->start(m_msStopGrace);
}

void CUpdateWindow::done(int iResult) {
    if (!IsRunning()) {
        QDialog::done(iResult);
        return;
    }
    if (!m_bCloseWhenEnded) {
        AskToStop();
    }
}

void CUpdateWindow::AskToStop() {
    if (m_pStopQuestion) {
        m_pStopQuestion->raise();
        return;
    }
    m_pStopQuestion = new QMessageBox(QMessageBox::Question, QCoreApplication::applicationName(),
                                      tr("%1 is still running on this working copy.\n"
                                         "Stop it and close the window?")
                                          .arg(CommandName()),
                                      QMessageBox::Yes | QMessageBox::No, this);
    m_pStopQuestion->setAttribute(Qt::WA_DeleteOnClose);
    m_pStopQuestion->setDefaultButton(QMessageBox::No);
    connect(m_pStopQuestion, &QMessageBox::finished, this, [this](int iAnswer) {
        if (iAnswer == QMessageBox::Yes) {
            StopAndClose();
        }
    });
    m_pStopQuestion->open();
}

void CUpdateWindow::OnOutput() {
    AppendText(m_decoder.decode(m_pProcess->ReadAll()));
}

void CUpdateWindow::OnFinished(int iExitCode, bool bCrashed) {
    OnOutput();
    if (bCrashed) {
        AppendText(tr("\n%1 ended abnormally.\n").arg(CommandName()));
    } else if (iExitCode != 0) {
        AppendText(tr("\n%1 failed (exit code %2).\n").arg(CommandName()).arg(iExitCode));
    } else {
        AppendText(tr("\n%1 finished.\n").arg(CommandName()));
    }
    m_pKillTimer->stop();
    emit RunEnded();
    if (m_bCloseWhenEnded) {
        QDialog::done(Rejected);
    }
}

void CUpdateWindow::OnFailedToStart(const QString& strReason) {
    AppendText((m_bGit
                    ? tr("git could not be started: %1\nGit must be installed and be in the PATH.\n")
                    : tr("svn could not be started: %1\nSubversion must be installed and be in the PATH.\n"))
                   .arg(strReason));
    emit RunEnded();
    if (m_bCloseWhenEnded) {
        QDialog::done(Rejected);
    }
}

void CUpdateWindow::AppendText(const QString& strText) {
    if (strText.isEmpty()) {
        return;
    }
    QScrollBar* scrollBar = m_pOutput->verticalScrollBar();
    const bool bFollowing = scrollBar->value() == scrollBar->maximum();
    QTextCursor cursor = m_pOutput->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(strText);
    if (bFollowing) {
        scrollBar->setValue(scrollBar->maximum());
    }
}

void CUpdateWindow::EndRun() {
    if (!IsRunning()) {
        return;
    }
    m_pProcess->disconnect(this);
    // The window goes now (the program ends): svn gets its chance to cancel cleanly, then is killed.
    // A guard that is not done by then finishes alone.
    if (m_pProcess->Interrupt() && m_pProcess->WaitForFinished(kEndRunWait)) {
        return;
    }
    m_pProcess->Kill();
    m_pProcess->WaitForFinished(kEndRunWait);
}
