#pragma once

#include <QPointer>
#include <vector>

class QDialog;

// The dialogs that one owner has open. Each is shown without blocking anything, so the tray icon and
// its menu stay usable while it is up, and it deletes itself when the user closes it. Whatever is
// still open when the owner ends goes with CloseAll, which the owner must call while the Qt
// application exists: nothing here is torn down on its own.
class COpenDialogs final {
public:
    COpenDialogs() = default;
    COpenDialogs(const COpenDialogs&) = delete;
    COpenDialogs& operator=(const COpenDialogs&) = delete;

    // Takes pDialog over and shows it, modeless, in front of the user.
    void Show(QDialog* pDialog);
    // Shows an open dialog again in front of the user, restored if it was minimised.
    static void BringToFront(QDialog& dialog);
    // Closes every dialog still open without its result, as Escape would, but without its finished
    // signal either, so the owner hears of nothing while it ends.
    void CloseAll();

private:
    std::vector<QPointer<QDialog>> m_Dialogs;
};
