#pragma once

#include "engine/WorkItemBase.h"
#include "svn/CStatusReader.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <QStringList>
#include <vector>

class CCheckHost;
class CSubAutomation;
struct SVNEditedPart;
struct SVNInfo;

// One check of one watched folder: asks Subversion about the working copy and about the repository
// it comes from, then what of the copy and its externals is out of date, and stores the outcome in
// the folder's record. A copy that lacks nothing is up to date; otherwise it is modified, with the
// revisions it lacks, and it is announced to the user through the host unless those are all the
// user's own commits. A folder with a ".git" of its own is a Git working tree, which CGitCheck
// checks instead.
class CSubVersionThread final : public WorkItemBase {
public:
    // A check of path for the host.
    CSubVersionThread(CCheckHost* pFrame, QString path);

    // Carries out the check on the worker thread; the per-thread value is not used.
    void Run(void* pThreadValue) override;
    // Tells the host that the check is over and releases the job, whether it has run or not.
    void Discard() override;

private:
    // The folder's own name as the file system spells it, or the whole path when it cannot be found.
    QString DisplayName() const;
    // The revisions the copy lacks, as svn's logs and the copy's out-of-date items tell: an item of
    // a switched part or an external by the log of that part's own URL, any other by the log of the
    // copy's; a file external by its URL's last change. bLacking tells whether the copy lacks
    // anything at all; bOwnOnly whether those are all the user's own commits there and explain every
    // out-of-date item (an item that no log explains is never taken for one of the user's).
    // failures takes each file external that svn could not tell about; edited the user's edits of
    // each part that its lacking revisions changed too.
    SVNChanges MissingRevisions(CSubAutomation& svn, const SVNInfo& local, const SVNInfo& remote,
                                const SVNStatus& status, QStringList& failures, bool& bLacking,
                                bool& bOwnOnly, std::vector<SVNEditedPart>& edited) const;
    void StoreResult(int state, const QString& author, const SVNChanges& changes = {},
                     const QString& reason = {}) const;
    // Stores a failure with an empty author and its reason.
    void StoreFailure(int state, const QString& reason) const;

    CCheckHost* const m_pFrame;
    const QString m_strPath;
};
