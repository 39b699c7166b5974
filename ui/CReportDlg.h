#pragma once

#include "settings/CSVNPath.h"

#include <QDialog>
#include <QIcon>
#include <QRect>
#include <array>
#include <vector>

class CConfigWatchdog;
class CFolderChecker;
class CUpdateLauncher;
class QLabel;
class QPoint;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The report: every watched folder with its state, last author and check time, as they were when
// the dialog opened; a path too long for its column loses its middle, so that the folder's own name
// stays in sight, and the first column takes whatever room the user gives the dialog. A row's tool
// tip names the folder in full, then says why its check failed, or lists the revisions its copy
// lacks. A left double-click on a row asks for an update of that folder; its context menu also checks
// it at once (the row then shows the new outcome when it comes), sets how often it is checked, shows
// its changes and opens it in the file manager.
class CReportDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 136;
    static constexpr int IDC_LIST_REPORT = 1001;

    CReportDlg(CConfigWatchdog& watchdog, CUpdateLauncher& launcher, CFolderChecker& checker,
               QWidget* parent = nullptr);

    // What a row's context menu offers, and what it does for the row of that path.
    void UpdateFolder(const QString& strPath);
    void CheckFolderNow(const QString& strPath);
    // Checks the folder every iMinutes from now on; false when the interval cannot be kept.
    bool CheckFolderEvery(const QString& strPath, int iMinutes);
    void ShowChanges(const QString& strPath);
    void OpenFolder(const QString& strPath);

    // Shows the latest outcome of the folder in its rows; the other rows stay as they were.
    void RefreshFolder(const QString& strPath);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the list from a copy of the records, once, when the dialog first shows.
    void OnInitDialog();
    void SetUpColumns();
    void AddRows();
    // Shows the record in the row: its texts, state image and tool tip.
    void ShowRecord(QTreeWidgetItem& row, const CSVNPath& record);
    // Starts the update of the folder in the row under the pointer; nothing elsewhere.
    void OnDblclkListReport(const QPoint& position);
    void OnContextMenu(const QPoint& position);
    // The record that the rows of this path show.
    const CSVNPath* RecordOf(const QString& strPath) const;

    CConfigWatchdog& m_watchdog;
    CUpdateLauncher& m_launcher;
    CFolderChecker& m_checker;
    QTreeWidget* m_listReport = nullptr;
    QPushButton* m_buttonClose = nullptr;
    QLabel* m_labelHint = nullptr;
    // Where the template puts the list, the button and the text, for a dialog of the template's size.
    QRect m_rectList;
    QRect m_rectClose;
    QRect m_rectHint;
    std::vector<CSVNPath> m_Records; // what the rows show
    // The state images: waiting, up to date, modified, error.
    std::array<QIcon, 4> m_imageList;
    QIcon m_conflictImage; // a modified copy where an update would conflict with the user's edits
    bool m_bInitialised = false;
};
