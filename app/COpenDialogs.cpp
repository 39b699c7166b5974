#include "app/COpenDialogs.h"

#include <QDialog>

void COpenDialogs::Show(QDialog* pDialog) {
    std::erase_if(m_Dialogs, [](const QPointer<QDialog>& pOpen) { return pOpen.isNull(); });
    pDialog->setAttribute(Qt::WA_DeleteOnClose);
    // A modal dialog would take the tray icon's input too; a message box is modal unless told not.
    pDialog->setWindowModality(Qt::NonModal);
    m_Dialogs.emplace_back(pDialog);
    BringToFront(*pDialog);
}

void COpenDialogs::BringToFront(QDialog& dialog) {
    if (dialog.isMinimized())
        dialog.showNormal();
    else
        dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void COpenDialogs::CloseAll() {
    std::vector<QPointer<QDialog>> dialogs;
    dialogs.swap(m_Dialogs);
    for (const QPointer<QDialog>& pDialog : dialogs) {
        if (pDialog.isNull())
            continue;
        pDialog->disconnect();
        delete pDialog.data();
    }
}
