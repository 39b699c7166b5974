#pragma once

#include <QDialog>
#include <QString>

class QLabel;

// The About box: the program's revision and build date, and what it needs to run.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 100;
    static constexpr int IDC_EDIT_REVISION = 1004;
    static constexpr int IDC_EDIT_BUILD_DATE = 1005;

    explicit CAboutDlg(QWidget* parent = nullptr);

    // Shown in the two read-only lines, which can be selected; set them before the dialog shows.
    QString m_strRevisionText;
    QString m_strBuildDate;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Copies the two texts into their lines.
    void DoDataExchange();

    QLabel* m_textRevision;
    QLabel* m_textBuildDate;
};

// An About box with this build's revision and date, made but not shown; the caller owns it.
CAboutDlg* NewAboutDialog(QWidget* parent = nullptr);
