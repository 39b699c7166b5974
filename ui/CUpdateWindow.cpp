#include "ui/CUpdateWindow.h"

#include "platform/ChildEnvironment.h"
#include "platform/ProcessInterrupt.h"

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
// How long a window that goes away at once waits for svn after the interrupt, and again after the kill.
constexpr int kEndRunWaitMs = 1000;

} // namespace

CUpdateWindow::CUpdateWindow(const QString& strPath, QWidget* parent)
    : QDialog(parent), m_strPath(strPath), m_pPathLabel(new QLabel(this)),
      m_pOutput(new QPlainTextEdit(this)), m_pCloseButton(new QPushButton(QStringLiteral("&Close"), this)),
      m_pProcess(new QProcess(this)), m_pKillTimer(new QTimer(this)), m_decoder(QStringDecoder::System) {
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
    m_pProcess->setProcessChannelMode(QProcess::MergedChannels);
    // Without a terminal on its input svn never stops to ask; conflicts are left for later.
    m_pProcess->setStandardInputFile(QProcess::nullDevice());
    connect(m_pProcess, &QProcess::readyReadStandardOutput, this, &CUpdateWindow::OnOutput);
    connect(m_pProcess, &QProcess::finished, this, &CUpdateWindow::OnFinished);
    connect(m_pProcess, &QProcess::errorOccurred, this, &CUpdateWindow::OnErrorOccurred);
    m_pKillTimer->setSingleShot(true);
    connect(m_pKillTimer, &QTimer::timeout, m_pProcess, &QProcess::kill);
}

CUpdateWindow::~CUpdateWindow() {
    EndRun();
}

bool CUpdateWindow::Start() {
    if (m_pProcess->state() != QProcess::NotRunning) {
        return false;
    }
    // As for the checks: under a locale that is not UTF-8, svn could not take a non-ASCII path.
    QStringList environment;
    for (const QByteArray& entry : platform::ChildEnvironment())
        environment.append(QString::fromLocal8Bit(entry));
    m_pProcess->setEnvironment(environment);
    // The path is one argument of its own, after "--", so no path can be taken for an option; the
    // trailing '@' keeps an '@' inside the path from being read as a peg revision.
    m_pProcess->start(QString::fromLatin1(kSvnProgram),
                      {QStringLiteral("update"), QStringLiteral("--"), m_strPath + QLatin1Char('@')});
    return true;
}

bool CUpdateWindow::IsRunning() const {
    return m_pProcess->state() != QProcess::NotRunning;
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
    if (!platform::InterruptProcess(m_pProcess->processId())) {
        m_pProcess->kill();
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
                                      tr("svn update is still running on this working copy.\n"
                                         "Stop it and close the window?"),
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
    AppendText(m_decoder.decode(m_pProcess->readAllStandardOutput()));
}

void CUpdateWindow::OnFinished(int iExitCode, QProcess::ExitStatus status) {
    OnOutput();
    if (status == QProcess::CrashExit) {
        AppendText(tr("\nsvn update ended abnormally.\n"));
    } else if (iExitCode != 0) {
        AppendText(tr("\nsvn update failed (exit code %1).\n").arg(iExitCode));
    } else {
        AppendText(tr("\nsvn update finished.\n"));
    }
    m_pKillTimer->stop();
    emit RunEnded();
    if (m_bCloseWhenEnded) {
        QDialog::done(Rejected);
    }
}

void CUpdateWindow::OnErrorOccurred(QProcess::ProcessError error) {
    // Every other error is followed by finished(), which reports the end of the run.
    if (error == QProcess::FailedToStart) {
        AppendText(tr("svn could not be started: %1\nSubversion must be installed and be in the PATH.\n")
                       .arg(m_pProcess->errorString()));
        emit RunEnded();
        if (m_bCloseWhenEnded) {
            QDialog::done(Rejected);
        }
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
    if (platform::InterruptProcess(m_pProcess->processId()) && m_pProcess->waitForFinished(kEndRunWaitMs)) {
        return;
    }
    m_pProcess->kill();
    m_pProcess->waitForFinished(kEndRunWaitMs);
}
