#include "app/CCorvaneApp.h"

#include "app/CMainFrame.h"
#include "platform/CThreadStarter.h"
#include "platform/QtNotifyArea.h"
#include "platform/SystemInfo.h"
#include "settings/CConfigWatchdog.h"
#include "ui/CAboutDlg.h"

#include <QCoreApplication>

CCorvaneApp theApp;

CCorvaneApp::CCorvaneApp() = default;

CCorvaneApp::~CCorvaneApp() = default;

bool CCorvaneApp::InitInstance() {
    m_pNotifyArea = std::make_unique<platform::CQtNotifyArea>();
    auto pFrame = std::make_unique<CMainFrame>(*m_pNotifyArea, *this,
                                               CConfigWatchdog::DefaultListFile(platform::ProgramFolder()),
                                               std::make_unique<CThreadStarter>());
    if (pFrame->OnCreate() == -1) {
        pFrame.reset();
        m_pNotifyArea.reset();
        return false;
    }
    m_pMainWnd = std::move(pFrame);
    return true;
}

int CCorvaneApp::ExitInstance() {
    m_pMainWnd.reset();
    m_pNotifyArea.reset();
    return 0;
}

void CCorvaneApp::OnCommand(unsigned nId) {
    switch (nId) {
    case ID_APP_ABOUT:
        OnAbout();
        break;
    case ID_APP_EXIT:
        // The frame goes in ExitInstance, once the event loop has ended and no handler of it runs.
        if (m_pMainWnd)
            m_pMainWnd->QuitAfterUpdates();
        else
            QCoreApplication::quit();
        break;
    default:
        break;
    }
}

void CCorvaneApp::OnAbout() {
    RunAboutDialog();
}
