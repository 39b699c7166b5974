#pragma once

#include "git/CGitAutomation.h"
#include "git/GitAnswers.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <QStringList>

class CCheckHost;

// One check of one Git working tree: compares the commit that its branch's upstream names at the
// remote now with HEAD, and stores the outcome in the folder's record as the Subversion check does.
// Up to date when that commit is in HEAD's history (a branch that is ahead included); otherwise
// modified, with the commits HEAD lacks, newest first, and announced to the user through the host
// unless all of them are the user's own (by the repository's user.email, or a name or e-mail of the
// host's), and with what a pull would make of the user's edits that those commits meet. The clone is
// never changed: the upstream's objects are fetched only when they are not there yet, and then to no
// ref at all; the edits are committed on a copy of the index, which adds objects only.
class CGitCheck final {
public:
    CGitCheck(CCheckHost& host, QString path);

    // Carries out the check on the calling thread.
    void Run();

    // How many lacking commits a check reads at most; more than a user reads in an alert.
    static constexpr int kMaxLogEntries = 100;

private:
    // Whether the commit is the user's own.
    bool IsOwn(const GitCommit& commit, const GitConfig& config) const;
    // Whether the repository at remote lies on this machine, so that it answers offline too.
    static bool IsLocalRemote(const QString& remote, const GitConfig& config);
    // The folder's own name as the file system spells it, or the whole path when it cannot be found.
    QString DisplayName() const;
    void StoreResult(int state, const QString& author, const SVNChanges& changes = {}) const;
    // Stores a failure with an empty author and its reason.
    void StoreFailure(int state, const QString& reason) const;

    CCheckHost& m_Host;
    const QString m_strPath;
    CGitAutomation m_Git;
};
