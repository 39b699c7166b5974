#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;

// The editor of the user's own names (names.ini). A name typed in the field joins the list with
// "&Add" or Enter; "&Remove" takes the selected names away; "&Close" writes the list to the file,
// while Escape or the close box leave the file as it was. A file that cannot be written is said in a
// message box, and the dialog stays open.
class CNamesDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CNamesDlg(QString strNamesFile, QWidget* parent = nullptr);

    // Adds the name, without the blanks at its ends, below the others; false, with the list as it
    // was, for a blank name, one with a line break, or one listed already.
    bool AddName(const QString& name);
    // The names the list shows, in order.
    QStringList Names() const;

private:
    void OnAdd();
    void OnRemove();
    void OnClose();

    const QString m_strNamesFile;
    QLineEdit* m_pNewName;
    QListWidget* m_pNames;
};
