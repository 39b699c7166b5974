#pragma once

#include "svn/SVNChanges.h"

#include <QDialog>
#include <QString>
#include <thread>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The revisions a working copy lacks, each in full: author, date, the whole message and the paths
// it changed, and on request the revision's diff, which svn gives in the background (for a Git
// commit, git show in the working tree), and for each changed path that meets an edit of the
// user's, what an update would make of it. Everything they tell is shown as plain text. Closing the
// window ends a diff that is still being given.
class CChangesWindow final : public QDialog {
    Q_OBJECT

public:
    CChangesWindow(const QString& strPath, SVNChanges changes, QWidget* parent = nullptr);
    ~CChangesWindow() override;

    // Shows the revision at this row of the list.
    void SelectRevision(int iRow);
    // Asks svn for the diff of the selected revision; the diff view shows it when it comes.
    void ShowDiff();

signals:
    // The diff view shows what svn gave for a revision (or that it failed).
    void DiffShown();

private:
    void OnRevisionChanged(int iRow);
    // Hands what svn gave from the diff's thread to the window's.
    void DeliverDiff(const QString& strRevision, const QString& strDiff);
    void OnDiff(const QString& strRevision, const QString& strDiff);
    // The entry in full; each changed path that meets an edit of the user's is marked with what an
    // update would make of it.
    static QString Details(const SVNLogEntry& entry, const std::vector<SVNEditPrediction>& predictions);

    const QString m_strPath;
    const SVNChanges m_Changes;
    QListWidget* m_pRevisions;
    QPlainTextEdit* m_pDetails;
    QPlainTextEdit* m_pDiff;
    QPushButton* m_pDiffButton;
    QString m_strShownRevision; // the revision whose details the window shows
    QString m_strShownUrl;      // the repository folder whose log gave it
    QString m_strShownCommit;   // its whole name, when it is a Git commit
    std::jthread m_DiffRun;     // gone first, so that no diff is delivered to a window half destroyed
};
