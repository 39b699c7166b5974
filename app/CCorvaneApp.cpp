#include "app/CCorvaneApp.h"

#include "app/CMainFrame.h"
#include "settings/MyLogFile.h"
#include "ui/CAboutDlg.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdlib>
#include <mutex>

CCorvaneApp theApp;

namespace {

constexpr int kExitQuit = 0;

} // namespace

CCorvaneApp::CCorvaneApp() = default;

CCorvaneApp::~CCorvaneApp() = default;

bool CCorvaneApp::InitInstance(CMainFrame& frame) {
    if (frame.OnCreate() == -1)
        return false;
    m_pMainWnd = &frame;
    // Registered once, after the globals and Qt's own exit work, so that it runs before all of them.
    static std::once_flag exitHook;
    std::call_once(exitHook, [] { std::atexit(&CCorvaneApp::OnProcessExit); });
    return true;
}

int CCorvaneApp::ExitInstance() {
    m_Dialogs.CloseAll();
    m_pMainWnd = nullptr;
    return kExitQuit;
}

void CCorvaneApp::OnCommand(unsigned nId) {
    switch (nId) {
    case ID_APP_ABOUT:
        OnAbout();
        break;
    case ID_APP_EXIT:
        // A running update is stopped only when the user agrees, and gently: a killed svn update
        // leaves its working copy locked.
        if (m_pMainWnd != nullptr)
            m_pMainWnd->QuitAfterUpdates([this] { Quit(); });
        else
            Quit();
        break;
    default:
        break;
    }
}

void CCorvaneApp::Quit() {
    // exit rather than quit: quit would first offer every window the chance to stay open. The
    // frame goes once the event loop has ended and no handler of it runs; it closes its dialogs.
    m_Dialogs.CloseAll();
    QCoreApplication::exit(kExitQuit);
}

void CCorvaneApp::OnAbout() {
    m_Dialogs.Show(NewAboutDialog());
}

void CCorvaneApp::OnProcessExit() {
    // Qt's exit() comes from the UI thread, the frame's own; a call from elsewhere leaves it alone.
    const QCoreApplication* pApplication = QCoreApplication::instance();
    if (theApp.m_pMainWnd == nullptr || pApplication == nullptr ||
        QThread::currentThread() != pApplication->thread())
        return;
    // No svn may outlive the program, and no check may run on while the globals are destroyed.
    theApp.m_pMainWnd->StopChecks();
    theLogFile.Close();
}
