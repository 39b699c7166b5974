#pragma once

#include <QDialog>

class CConfigWatchdog;
class CPathList;

// The watch-list editor. Its list is a working copy of the watched folders: drops and "Add folder…"
// (the system's folder picker) add to it, double-clicks and the Delete key remove from it; "&Close" (or
// Enter) writes it to the list file and remakes the records, Escape or the close box leave both as they were.
// Dropped names the list file cannot hold, and a list file that cannot be written, are said in a message box;
// the latter keeps the dialog open.
class CWatchdogDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 134;
    static constexpr int IDC_LIST_PATHS = 1001;
    static constexpr int IDC_ADD_FOLDER = 1002;

    explicit CWatchdogDlg(CConfigWatchdog& watchdog, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows the records' paths, once, when the dialog first shows.
    void OnInitDialog();
    void OnBnClickedOk();
    // Lets the user pick a folder to add, in a picker that blocks only this dialog.
    void OnAddFolder();
    void OnNamesRefused(const QStringList& names);

    CConfigWatchdog& m_watchdog;
    CPathList* m_listPaths;
    bool m_bInitialised = false;
};
