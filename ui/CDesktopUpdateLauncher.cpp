#include "ui/CDesktopUpdateLauncher.h"

#include "git/CGitAutomation.h"
#include "platform/CProcessEndWatcher.h"
#include "platform/CommandLine.h"
#include "platform/ShellLaunch.h"
#include "ui/CUpdateWindow.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <memory>

CDesktopUpdateLauncher::CDesktopUpdateLauncher(std::function<void(const QString&)> onUpdateEnded)
    : m_onUpdateEnded(std::move(onUpdateEnded)) {}

CDesktopUpdateLauncher::~CDesktopUpdateLauncher() {
    // The windows closed here are no updates that ended.
    m_onUpdateEnded = nullptr;
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
    QStringList running;
    for (const QPointer<CUpdateWindow>& window : m_windows) {
        if (window && window->IsRunning() && !running.contains(window->CommandName())) {
            running.append(window->CommandName());
        }
    }
    m_pQuitQuestion =
        new QMessageBox(QMessageBox::Question, QCoreApplication::applicationName(),
                        QStringLiteral("%1 %2 still running.\nStop %3 and quit?")
                            .arg(running.join(QStringLiteral(" and ")),
                                 running.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                                 running.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")),
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
    const QString strTool = FindUpdateTool(strPath);
    if (!strTool.isEmpty()) {
        qint64 processId = 0;
        if (!platform::StartThroughShell(strTool, ToolParameters(strPath), &processId)) {
            return false;
        }
        // The tool outlives Corvane; only its end is watched, for the copy's check that follows.
        auto* watcher = new platform::CProcessEndWatcher(&m_toolWatchers);
        QObject::connect(watcher, &platform::CProcessEndWatcher::Ended, watcher, [this, watcher, strPath] {
            watcher->deleteLater();
            UpdateEnded(strPath);
        });
        if (!watcher->Watch(processId)) {
            delete watcher;
        }
        return true;
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
    QObject::connect(window, &CUpdateWindow::RunEnded, window, [this, strPath] { UpdateEnded(strPath); });
    window->show();
    window->Start();
    return true;
}

void CDesktopUpdateLauncher::UpdateEnded(const QString& strPath) const {
    if (m_onUpdateEnded) {
        m_onUpdateEnded(strPath);
    }
}

QString CDesktopUpdateLauncher::FindUpdateTool(const QString& strPath) {
    return platform::FindShellProgram(CGitAutomation::IsWorkingTree(strPath)
                                          ? QStringLiteral("TortoiseGitProc.exe")
                                          : QStringLiteral("TortoiseProc.exe"));
}

QString CDesktopUpdateLauncher::ToolParameters(const QString& strPath) {
    if (CGitAutomation::IsWorkingTree(strPath))
        return QStringLiteral("/command:pull /path:%1").arg(platform::QuoteArgument(strPath));
    return QStringLiteral("/command:update /path:%1 /notempfile /closeonend:0")
        .arg(platform::QuoteArgument(strPath));
}
