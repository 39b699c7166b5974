#pragma once

#include "ui/CCommandTarget.h"

#include <memory>

class CMainFrame;
namespace platform {
class CNotifyArea;
}

// The application object: makes the main frame, which runs everything, and handles the commands the
// frame passes on (About and Quit). Runs on the UI thread.
class CCorvaneApp final : public CCommandTarget {
public:
    static constexpr unsigned ID_APP_ABOUT = 57664;
    static constexpr unsigned ID_APP_EXIT = 57665;

    CCorvaneApp();
    ~CCorvaneApp() override;
    CCorvaneApp(const CCorvaneApp&) = delete;
    CCorvaneApp& operator=(const CCorvaneApp&) = delete;

    // Makes the main frame with the desktop's notification area and the usual watch list. False, with
    // no frame left, when the frame cannot be created (no notification area): the program ends.
    bool InitInstance();
    // Destroys the main frame; call it while the Qt application still exists. The exit code, 0.
    int ExitInstance();

    void OnCommand(unsigned nId) override;
    // The About box, modally.
    void OnAbout();

private:
    std::unique_ptr<platform::CNotifyArea> m_pNotifyArea;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

// The program's application object. Its construction and destruction touch neither theSettings nor
// theLogFile, so the order in which the globals of different files are made cannot harm it; the frame,
// which uses both, lives only between InitInstance and ExitInstance.
extern CCorvaneApp theApp;
