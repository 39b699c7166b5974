#include "engine/CSubVersionThread.h"

#include "engine/CCheckHost.h"
#include "engine/CMissingRevisions.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "svn/CSubAutomation.h"
#include "svn/CSvnUserName.h"
#include "svn/SVNInfo.h"

#include <QUrl>
#include <algorithm>
#include <utility>

namespace {

// How many revisions of the log a check reads at most; more than a user reads in an alert.
constexpr int kMaxLogEntries = 100;

// The working copy's folder as svn's log names paths: below the repository root, decoded.
QString FolderInRepository(const SVNInfo& local) {
    if (!local.m_strUrl.startsWith(local.m_strRoot))
        return {};
    return QUrl::fromPercentEncoding(local.m_strUrl.mid(local.m_strRoot.size()).toUtf8());
}

QString ModifiedMessage(const QString& author, const QString& displayName, const QString& localRevision,
                        const QString& remoteRevision) {
    return QString::asprintf("Message from %s:\n%s was modified. (local=%s, remote=%s)",
                             author.toUtf8().constData(), displayName.toUtf8().constData(),
                             localRevision.toUtf8().constData(), remoteRevision.toUtf8().constData());
}

} // namespace

CSubVersionThread::CSubVersionThread(CCheckHost* pFrame, QString path)
    : m_pFrame(pFrame), m_strPath(std::move(path)) {}

void CSubVersionThread::Run(void* /*pThreadValue*/) {
    const std::stop_token stopToken = m_pFrame->CheckStopToken();
    const std::chrono::milliseconds timeLimit = m_pFrame->CheckTimeLimit();
    SVNInfo local;
    CSubAutomation localSvn(timeLimit, stopToken);
    if (localSvn.GetInfo(m_strPath, local) != InfoOk)
        return StoreFailure(ErrorLocal, localSvn.FailureReason());
    // A folder inside a working copy that is not versioned itself gets an empty but well-formed
    // answer; without a URL there is nothing to ask the repository about.
    if (local.m_strUrl.isEmpty())
        return StoreFailure(ErrorLocal, QStringLiteral("svn names no repository URL for the folder; "
                                                       "check that it is a working copy"));
    // Offline, a server cannot answer: the folder keeps its last result and stays due.
    if (!local.m_strUrl.startsWith(QStringLiteral("file://")) && m_pFrame->WaitsForNetwork(m_strPath))
        return;
    SVNInfo remote;
    CSubAutomation remoteSvn(timeLimit, stopToken);
    if (remoteSvn.GetInfo(local.m_strUrl, remote) != InfoOk)
        return StoreFailure(ErrorNetwork, remoteSvn.FailureReason());
    if (local.m_strCommitRevision.isEmpty())
        return StoreFailure(ErrorLocal, QStringLiteral("the working copy has no committed revision yet; "
                                                       "commit it, then check again"));
    if (remote.m_strCommitRevision.isEmpty())
        return StoreFailure(ErrorNetwork,
                            QStringLiteral("the repository names no last-changed revision "
                                           "for the folder's URL; check the URL with svn info"));

    // Equal revisions cost no more than the two info runs. Different ones are compared as text, so
    // any difference, also a local one that is higher, is looked into.
    if (local.m_strCommitRevision == remote.m_strCommitRevision)
        return StoreResult(UpToDate, remote.m_strCommitAuthor);

    // After a commit svn moves only the committed items to the new revision, and the folder keeps
    // its older one: such a copy lacks nothing, as svn's own out-of-date answer tells.
    CSubAutomation svn(timeLimit, stopToken);
    std::vector<SVNOutOfDateItem> outOfDate;
    const bool bStatusRead = svn.GetOutOfDate(m_strPath, outOfDate);
    if (bStatusRead && outOfDate.empty())
        return StoreResult(UpToDate, remote.m_strCommitAuthor);

    CModifiedAlert alert{m_strPath,
                         ModifiedMessage(remote.m_strCommitAuthor, DisplayName(), local.m_strCommitRevision,
                                         remote.m_strCommitRevision),
                         {}};
    if (bStatusRead)
        alert.m_Changes = MissingRevisions(svn, local, remote, outOfDate);
    if (!LacksOnlyOwnCommits(local, alert.m_Changes))
        m_pFrame->AnnounceModified(alert);
    StoreResult(Modified, remote.m_strCommitAuthor, alert.m_Changes);
}

SVNChanges CSubVersionThread::MissingRevisions(CSubAutomation& svn, const SVNInfo& local,
                                               const SVNInfo& remote,
                                               const std::vector<SVNOutOfDateItem>& outOfDate) const {
    bool bLocalNumber = false;
    bool bRemoteNumber = false;
    const qlonglong localRevision = local.m_strCommitRevision.toLongLong(&bLocalNumber);
    const qlonglong remoteRevision = remote.m_strCommitRevision.toLongLong(&bRemoteNumber);
    std::vector<SVNLogEntry> log;
    if (!bLocalNumber || !bRemoteNumber || localRevision >= remoteRevision ||
        !svn.GetLog(local.m_strUrl, remote.m_strCommitRevision, QString::number(localRevision + 1),
                    kMaxLogEntries, log))
        return {};
    return SVNChanges{local.m_strUrl, CMissingRevisions::Select(log, outOfDate, FolderInRepository(local)),
                      log.size() >= static_cast<std::size_t>(kMaxLogEntries)};
}

bool CSubVersionThread::LacksOnlyOwnCommits(const SVNInfo& local, const SVNChanges& changes) {
    if (changes.m_Revisions.empty() || changes.m_bMore)
        return false;
    const QString ownName = CSvnUserName(platform::SvnConfigFolder()).For(local.m_strRoot, local.m_strUuid);
    return std::all_of(changes.m_Revisions.begin(), changes.m_Revisions.end(),
                       [&ownName](const SVNLogEntry& entry) { return entry.m_strAuthor == ownName; });
}

void CSubVersionThread::Discard() {
    m_pFrame->CheckEnded(m_strPath);
    delete this;
}

QString CSubVersionThread::DisplayName() const {
    QString entryName;
    if (platform::FindSingleEntry(m_strPath, entryName))
        return entryName;
    return m_strPath;
}

void CSubVersionThread::StoreResult(int state, const QString& author, const SVNChanges& changes) const {
    m_pFrame->Watchdog().SetPathResult(m_strPath, author, state, changes);
}

void CSubVersionThread::StoreFailure(int state, const QString& reason) const {
    m_pFrame->Watchdog().SetPathResult(m_strPath, {}, state, {}, reason);
}
