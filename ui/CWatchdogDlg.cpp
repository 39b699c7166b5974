#include "ui/CWatchdogDlg.h"

#include "platform/PathNames.h"
#include "settings/CConfigWatchdog.h"
#include "ui/CDialogTemplate.h"
#include "ui/CPathList.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A box that blocks only the dialog, never the tray icon.
void ShowWarning(QWidget& parent, const QString& strText) {
    auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::applicationName(), strText,
                                QMessageBox::Ok, &parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
}

// A name as the user can read it in one line, its blanks at the ends and its line breaks in sight.
QString Shown(const QString& strName) {
    QString strShown = strName;
    strShown.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    return QLatin1Char('"') + strShown + QLatin1Char('"');
}

} // namespace

CWatchdogDlg::CWatchdogDlg(CConfigWatchdog& watchdog, QWidget* parent)
    : QDialog(parent), m_watchdog(watchdog) {
    const QString strDrop = QStringLiteral("Drop the folders how want to be watched by the Subversion dog.");
    const QString strRemove = QStringLiteral("double clic for remove a folder from watdog");
    const QString strNeeds = QStringLiteral("Subversion must be installed and be in the current PATH");
    const QString strAddFolder = QStringLiteral("&Add folder\u2026");
    // The button's text keeps a few units of its box for the button's own margins.
    const CDialogTemplate layout(font(),
                                 {{strDrop, 371}, {strRemove, 371}, {strNeeds, 371}, {strAddFolder, 48}});
    layout.SetUpDialog(*this, QStringLiteral("Corvane : Watchdog settings"), 394, 203);

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    layout.PlaceControl(*closeButton, 1, 172, 182, 50, 14);
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &CWatchdogDlg::OnBnClickedOk);

    m_listPaths = new CPathList(this);
    layout.PlaceControl(*m_listPaths, IDC_LIST_PATHS, 7, 29, 380, 140);
    connect(m_listPaths, &CPathList::NamesRefused, this, &CWatchdogDlg::OnNamesRefused);

    // Beside drops from a file manager, the system's own folder picker.
    auto* addButton = new QPushButton(strAddFolder, this);
    layout.PlaceControl(*addButton, IDC_ADD_FOLDER, 7, 182, 56, 14);
    addButton->setAutoDefault(false);
    connect(addButton, &QPushButton::clicked, this, &CWatchdogDlg::OnAddFolder);

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
    // A list file that cannot be written leaves the file and the records as they were; the dialog
    // stays, so the user can try again or leave with Escape.
    if (!m_watchdog.SavePathList(m_listPaths->Paths())) {
        ShowWarning(*this, QStringLiteral("The watch list could not be saved to \"%1\".\n"
                                          "The watched folders are unchanged.")
                               .arg(platform::NativePath(m_watchdog.ListFile())));
        return;
    }
    accept();
}

void CWatchdogDlg::OnAddFolder() {
    // Modal to this dialog alone, so that the tray icon stays usable while it is open.
    auto* picker = new QFileDialog(this, QStringLiteral("Add folder"));
    picker->setAttribute(Qt::WA_DeleteOnClose);
    picker->setFileMode(QFileDialog::Directory);
    picker->setOption(QFileDialog::ShowDirsOnly);
    connect(picker, &QFileDialog::fileSelected, m_listPaths,
            [this](const QString& strFolder) { m_listPaths->AddPaths({strFolder}); });
    picker->open();
}

void CWatchdogDlg::OnNamesRefused(const QStringList& names) {
    QStringList shown;
    for (const QString& strName : names) {
        shown.append(Shown(strName));
    }
    ShowWarning(*this, QStringLiteral("These names begin or end with a blank or hold a line break, which "
                                      "a line of \"pathlist.ini\" cannot keep. They were not added:\n%1")
                           .arg(shown.join(QLatin1Char('\n'))));
}
