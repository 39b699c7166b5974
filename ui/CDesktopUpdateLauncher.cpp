#include "ui/CDesktopUpdateLauncher.h"

#include "platform/CommandLine.h"
#include "ui/CUpdateWindow.h"

#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>

CDesktopUpdateLauncher::~CDesktopUpdateLauncher() {
    for (const QPointer<CUpdateWindow>& window : m_windows) {
        delete window.data();
    }
}

bool CDesktopUpdateLauncher::StartUpdate(const QString& strPath, QWidget* pRequester) {
    const QString strTool = FindUpdateTool();
    if (!strTool.isEmpty()) {
        return QProcess::startDetached(strTool, platform::SplitCommandLine(ToolParameters(strPath)));
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
    QString strTool = QStandardPaths::findExecutable(QStringLiteral("TortoiseProc.exe"));
    if (strTool.isEmpty()) {
        strTool = QStandardPaths::findExecutable(QStringLiteral("TortoiseProc"));
    }
    return strTool;
}

QString CDesktopUpdateLauncher::ToolParameters(const QString& strPath) {
    return QStringLiteral("/command:update /path:%1 /notempfile /closeonend:0")
        .arg(platform::QuoteArgument(strPath));
}
