#pragma once

#include "ui/CUpdateLauncher.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

class CUpdateWindow;

// Updates a working copy the way the desktop offers: with the update tool "TortoiseProc" when one
// is installed on the PATH, otherwise in Corvane's own update window.
class CDesktopUpdateLauncher final : public CUpdateLauncher {
public:
    CDesktopUpdateLauncher() = default;
    // Closes the update windows still open, ending their runs.
    ~CDesktopUpdateLauncher() override;
    CDesktopUpdateLauncher(const CDesktopUpdateLauncher&) = delete;
    CDesktopUpdateLauncher& operator=(const CDesktopUpdateLauncher&) = delete;

    // Starts the tool detached, or opens an update window beside pRequester. False when the tool
    // is there but could not be started.
    bool StartUpdate(const QString& strPath, QWidget* pRequester) override;

    // The update tool's full path on the PATH, or empty when there is none.
    static QString FindUpdateTool();
    // The tool's parameters as one command line; the path is quoted so that it stays one whole
    // "/path:" argument, whatever characters it holds.
    static QString ToolParameters(const QString& strPath);

private:
    std::vector<QPointer<CUpdateWindow>> m_windows;
};
