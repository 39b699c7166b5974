#pragma once

#include "platform/CommandRunner.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <stop_token>

class CConfigWatchdog;

// A working copy that is behind its repository, as the user is to be told.
struct CModifiedAlert {
    QString m_strPath;    // the folder as the watch list names it
    QString m_strName;    // the folder's own name, as the message gives it
    QString m_strMessage; // "Message from <author>:\n<name> was modified. (local=<r>, remote=<r>)"
    SVNChanges m_Changes; // the revisions it lacks; none when svn could not tell
    QString m_strTitle = QStringLiteral("SubVersion:"); // the balloon's title, which names the kind of copy
};

// What a check job needs of the program that queued it: the watch list that takes its result, a way
// to alert the user, a word when the job is over, and a way to cut the job short. The job calls them
// on the worker thread.
class CCheckHost {
public:
    virtual ~CCheckHost() = default;

    // The watch list whose records take the check's result; safe to use from the worker thread.
    virtual CConfigWatchdog& Watchdog() = 0;
    // Alerts the user that a working copy is behind its repository. Not called for a copy that lacks
    // only the user's own commits. Called on the worker thread; the host carries the alert over to
    // its own thread.
    virtual void AnnounceModified(const CModifiedAlert& alert) = 0;
    // The job for this path has run or has been discarded unrun; it will not touch the host again.
    virtual void CheckEnded(const QString& path) = 0;
    // Requested when the host goes away, so that a running check's svn run ends at once and the check
    // fails as a run that printed nothing more would. Safe to call from the worker thread. By
    // default a token that never stops.
    virtual std::stop_token CheckStopToken() const { return {}; }
    // How long each svn run of a check may take before it is killed and the check fails. Safe to call
    // from the worker thread.
    virtual std::chrono::milliseconds CheckTimeLimit() const { return kDefaultRunTimeLimit; }
    // Whether the check of this path, whose repository lies on another machine, is to wait for the
    // network rather than fail: the job then ends without a result. Safe to call from the worker
    // thread. By default never.
    virtual bool WaitsForNetwork(const QString& /*path*/) { return false; }
    // The names and e-mail addresses the user listed as their own (names.ini), which count as theirs
    // in every repository beside the name svn commits with there and Git's user.email. Safe to call
    // from the worker thread. By default none.
    virtual QStringList OwnNames() const { return {}; }

protected:
    CCheckHost() = default;
    CCheckHost(const CCheckHost&) = default;
    CCheckHost& operator=(const CCheckHost&) = default;
};
