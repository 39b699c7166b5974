#include "ui/CDesktopUpdateLauncher.h"

#include "platform/CommandLine.h"
#include "platform/ShellLaunch.h"
#include "ui/CUpdateWindow.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <memory>

CDesktopUpdateLauncher::~CDesktopUpdateLauncher() {
    delete m_pQuitQuestion.data();
    for (const QPointer<CUpdateWindow>& window : m_windows) {
        delete window.data();
    }
}

bool CDesktopUpdateLauncher::IsUpdating() const {
    return std::any_of(m_windows.begin(), m_windows.end(),
                       [](const QPointer<CUpdateWindow>& window) { return window && window->IsRunning(); });
}

void CDesktopUpdateLauncher::StopUpdatesThenQuit(std::function<void()> quit) {
    if (!IsUpdating()) {
        quit();
        return;
    }
    if (m_pQuitQuestion) {
        m_pQuitQuestion->raise();
        m_pQuitQuestion->activateWindow();
        return;
    }
    m_pQuitQuestion = new QMessageBox(QMessageBox::Question, QCoreApplication::applicationName(),
                                      QStringLiteral("svn update is still running.\nStop it and quit?"),
                                      QMessageBox::Yes | QMessageBox::No);
    m_pQuitQuestion->setAttribute(Qt::WA_DeleteOnClose);
    m_pQuitQuestion->setDefaultButton(QMessageBox::No);
    QObject::connect(m_pQuitQuestion, &QMessageBox::finished, m_pQuitQuestion,
                     [this, quit = std::move(quit)](int iAnswer) {
                         if (iAnswer == QMessageBox::Yes) {
                             StopAllThen(quit);
                         }
                     });
    m_pQuitQuestion->show();
}

void CDesktopUpdateLauncher::StopAllThen(std::function<void()> onStopped) {
    std::vector<CUpdateWindow*> running;
    for (const QPointer<CUpdateWindow>& window : m_windows) {
        if (window && window->IsRunning()) {
            running.push_back(window.data());
        }
    }
    if (running.empty()) {
        onStopped();
        return;
    }
    auto left = std::make_shared<std::size_t>(running.size());
    auto done = std::make_shared<std::function<void()>>(std::move(onStopped));
    for (CUpdateWindow* window : running) {
        // Queued, so that quitting never runs inside a window's own signal.
        QObject::connect(
            window, &CUpdateWindow::RunEnded, QCoreApplication::instance(),
            [left, done] {
                if (--*left == 0) {
                    (*done)();
                }
            },
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
        window->StopAndClose();
    }
}

bool CDesktopUpdateLauncher::StartUpdate(const QString& strPath, QWidget* pRequester) {
    const QString strTool = FindUpdateTool();
    if (!strTool.isEmpty()) {
        return platform::StartThroughShell(strTool, ToolParameters(strPath));
    }

    std::erase_if(m_windows, [](const QPointer<CUpdateWindow>& window) { return window.isNull(); });
    auto* window = new CUpdateWindow(strPath);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (pRequester != nullptr && pRequester->window()->windowHandle() != nullptr) {
        // A transient child of the (modal) requester takes input while the requester is open,
        // yet it is not owned by it and stays open after the requester has closed.
        window->winId();
        window->windowHandle()->setTransientParent(pRequester->window()->windowHandle());
    }
    m_windows.emplace_back(window);
    window->show();
    window->Start();
    return true;
}

QString CDesktopUpdateLauncher::FindUpdateTool() {
    return platform::FindShellProgram(QStringLiteral("TortoiseProc.exe"));
}

QString CDesktopUpdateLauncher::ToolParameters(const QString& strPath) {
    return QStringLiteral("/command:update /path:%1 /notempfile /closeonend:0")
        .arg(platform::QuoteArgument(strPath));
}
