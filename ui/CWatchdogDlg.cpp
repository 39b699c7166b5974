#include "ui/CWatchdogDlg.h"

#include "settings/CConfigWatchdog.h"
#include "ui/CDialogTemplate.h"
#include "ui/CPathList.h"

#include <QHeaderView>
#include <QPushButton>

CWatchdogDlg::CWatchdogDlg(CConfigWatchdog& watchdog, QWidget* parent)
    : QDialog(parent), m_watchdog(watchdog) {
    const QString strDrop = QStringLiteral("Drop the folders how want to be watched by the Subversion dog.");
    const QString strRemove = QStringLiteral("double clic for remove a folder from watdog");
    const QString strNeeds = QStringLiteral("Subversion must be installed and be in the current PATH");
    const CDialogTemplate layout(font(), {{strDrop, 371}, {strRemove, 371}, {strNeeds, 371}});
    layout.SetUpDialog(*this, QStringLiteral("Corvane : Watchdog settings"), 394, 203);

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    layout.PlaceControl(*closeButton, 1, 172, 182, 50, 14);
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &CWatchdogDlg::OnBnClickedOk);

    m_listPaths = new CPathList(this);
    layout.PlaceControl(*m_listPaths, IDC_LIST_PATHS, 7, 29, 380, 140);

    layout.AddStaticText(*this, strDrop, Qt::AlignHCenter, 16, 9, 371, 8);
    layout.AddStaticText(*this, strRemove, Qt::AlignHCenter, 11, 16, 371, 8);
    layout.AddStaticText(*this, strNeeds, Qt::AlignHCenter, 16, 171, 371, 8);
}

void CWatchdogDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CWatchdogDlg::OnInitDialog() {
    m_listPaths->setHeaderLabels({QStringLiteral("Path")});
    m_listPaths->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    m_listPaths->header()->setStretchLastSection(false);
    m_listPaths->header()->resizeSection(0, m_listPaths->width());

    QStringList paths;
    for (const CSVNPath& record : m_watchdog.Records()) {
        paths.append(record.m_strPath);
    }
    m_listPaths->SetPaths(paths);
}

void CWatchdogDlg::OnBnClickedOk() {
    // A list file that cannot be written leaves the file and the records as they were.
    m_watchdog.SavePathList(m_listPaths->Paths());
    accept();
}
