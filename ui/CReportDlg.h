#pragma once

#include <QDialog>
#include <QIcon>
#include <array>

class CConfigWatchdog;
class CUpdateLauncher;
class QTreeWidget;
struct CSVNPath;

// The report: every watched folder with its state, last author and check time, as they were when
// the dialog opened. A double-click on a row asks for an update of that folder.
class CReportDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 136;
    static constexpr int IDC_LIST_REPORT = 1001;

    CReportDlg(CConfigWatchdog& watchdog, CUpdateLauncher& launcher, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the list from a copy of the records, once, when the dialog first shows.
    void OnInitDialog();
    void SetUpColumns();
    void AddRows();
    // Starts the update of the first selected row's folder; nothing without a selection.
    void OnDblclkListReport();

    CConfigWatchdog& m_watchdog;
    CUpdateLauncher& m_launcher;
    QTreeWidget* m_listReport;
    // The state images: waiting, up to date, modified, error.
    std::array<QIcon, 4> m_imageList;
    bool m_bInitialised = false;
};
