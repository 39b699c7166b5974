#include "ui/CUpdateWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr char kSvnProgram[] = "svn";

} // namespace

CUpdateWindow::CUpdateWindow(const QString& strPath, QWidget* parent)
    : QDialog(parent), m_strPath(strPath), m_pPathLabel(new QLabel(this)),
      m_pOutput(new QPlainTextEdit(this)), m_pCloseButton(new QPushButton(QStringLiteral("&Close"), this)),
      m_pProcess(new QProcess(this)), m_decoder(QStringDecoder::System) {
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
}

CUpdateWindow::~CUpdateWindow() {
    EndRun();
}

bool CUpdateWindow::Start() {
    if (m_pProcess->state() != QProcess::NotRunning) {
        return false;
    }
    // The path is one argument of its own, after "--", so no path can be taken for an option.
    m_pProcess->start(QString::fromLatin1(kSvnProgram),
                      {QStringLiteral("update"), QStringLiteral("--"), m_strPath});
    return true;
}

void CUpdateWindow::done(int iResult) {
    EndRun();
    QDialog::done(iResult);
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
    emit RunEnded();
}

void CUpdateWindow::OnErrorOccurred(QProcess::ProcessError error) {
    // Every other error is followed by finished(), which reports the end of the run.
    if (error == QProcess::FailedToStart) {
        AppendText(tr("svn could not be started: %1\nSubversion must be installed and be in the PATH.\n")
                       .arg(m_pProcess->errorString()));
        emit RunEnded();
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
    if (m_pProcess->state() == QProcess::NotRunning) {
        return;
    }
    m_pProcess->disconnect(this);
    // SIGKILL ends svn at once, so the wait that reaps it is short.
    m_pProcess->kill();
    m_pProcess->waitForFinished(1000);
}
