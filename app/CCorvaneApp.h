#pragma once

#include "app/COpenDialogs.h"
#include "ui/CCommandTarget.h"

class CMainFrame;

// The application object: runs the main frame, which runs everything, and handles the commands the
// frame passes on (About and Quit). Runs on the UI thread.
class CCorvaneApp final : public CCommandTarget {
public:
    static constexpr unsigned ID_APP_ABOUT = 57664;
    static constexpr unsigned ID_APP_EXIT = 57665;

    CCorvaneApp();
    ~CCorvaneApp() override;
    CCorvaneApp(const CCorvaneApp&) = delete;
    CCorvaneApp& operator=(const CCorvaneApp&) = delete;

    // Creates the frame's window (its icon, queue, watch list and timer) and makes it the main
    // window. False, with the frame not made the main window, when it cannot be created (no
    // notification area): the program ends. The frame belongs to the caller and must outlive
    // ExitInstance.
    bool InitInstance(CMainFrame& frame);
    // Closes the About boxes still open and lets go of the main window; call it while the Qt
    // application and the frame still exist. The exit code, 0.
    int ExitInstance();
    // The main window between InitInstance and ExitInstance, else null.
    CMainFrame* MainFrame() const { return m_pMainWnd; }

    void OnCommand(unsigned nId) override;
    // Ends the program at once with status 0, whatever runs: a signal's way out. Open dialogs close
    // unsaved; update windows stop their svn as the frame goes.
    void Quit();
    // Opens an About box and returns at once; another About opens another box.
    void OnAbout();

private:
    // When the process ends without returning from main (Qt calls exit() once the display
    // connection is gone), the checks are stopped and the log closed before any global goes.
    static void OnProcessExit();

    CMainFrame* m_pMainWnd = nullptr;
    COpenDialogs m_Dialogs;
};

// The program's application object. Its construction and destruction touch neither theSettings, nor
// theLogFile, nor any window, so the order in which the globals of different files are made and
// destroyed cannot harm it; the frame lives in main's scope.
extern CCorvaneApp theApp;
