#include "engine/CSubVersionThread.h"

#include "engine/CCheckHost.h"
#include "engine/CGitCheck.h"
#include "engine/CMissingRevisions.h"
#include "engine/COwnNames.h"
#include "git/CGitAutomation.h"
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

// A part of the working copy that follows a URL of its own, with what the check learns of it.
struct CCopyPart {
    QString m_strPath; // relative to the working copy; empty for its root
    SVNInfo m_Local;
    SVNInfo m_Remote;
    SVNCopyFolder m_Folder;
};

QString ModifiedMessage(const QString& author, const QString& displayName, const QString& localRevision,
                        const QString& remoteRevision) {
    return QString::asprintf("Message from %s:\n%s was modified. (local=%s, remote=%s)",
                             author.toUtf8().constData(), displayName.toUtf8().constData(),
                             localRevision.toUtf8().constData(), remoteRevision.toUtf8().constData());
}

// The copy's root and its parts that follow URLs of their own (switched items, externals), each
// with the out-of-date items it is judged by: those of the innermost part they lie in.
std::vector<CCopyPart> CopyParts(const SVNInfo& local, const SVNInfo& remote, const SVNStatus& status) {
    QStringList parts = status.m_Switched + status.m_Externals;
    parts.removeAll(QString());
    std::sort(parts.begin(), parts.end(),
              [](const QString& left, const QString& right) { return left.size() > right.size(); });
    std::vector<CCopyPart> copyParts{{QString(), local, remote, {}}};
    for (const QString& part : parts)
        copyParts.push_back({part, {}, {}, {}});
    for (const SVNOutOfDateItem& item : status.m_OutOfDate) {
        auto owner = std::find_if(copyParts.begin() + 1, copyParts.end(), [&item](const CCopyPart& part) {
            return item.m_strPath == part.m_strPath ||
                   item.m_strPath.startsWith(part.m_strPath + QLatin1Char('/'));
        });
        if (owner == copyParts.end())
            owner = copyParts.begin();
        SVNOutOfDateItem relative = item;
        relative.m_strPath =
            owner->m_strPath.isEmpty() ? item.m_strPath : item.m_strPath.mid(owner->m_strPath.size() + 1);
        owner->m_Folder.m_OutOfDate.push_back(relative);
    }
    for (CCopyPart& part : copyParts) {
        for (const QString& other : parts) {
            if (part.m_strPath.isEmpty())
                part.m_Folder.m_FollowElsewhere.append(other);
            else if (other.startsWith(part.m_strPath + QLatin1Char('/')))
                part.m_Folder.m_FollowElsewhere.append(other.mid(part.m_strPath.size() + 1));
        }
    }
    return copyParts;
}

// Reads the log of the part's URL from its last-changed revision in the copy up to the repository's;
// false when svn cannot tell, or the copy is not behind there.
bool ReadPartLog(CSubAutomation& svn, const QString& workingCopy, CCopyPart& part,
                 std::vector<SVNLogEntry>& log) {
    if (!part.m_strPath.isEmpty()) {
        if (svn.GetInfo(workingCopy + QLatin1Char('/') + part.m_strPath, part.m_Local) != InfoOk ||
            part.m_Local.m_strUrl.isEmpty() || svn.GetInfo(part.m_Local.m_strUrl, part.m_Remote) != InfoOk)
            return false;
    }
    part.m_Folder.m_strInRepository = FolderInRepository(part.m_Local);
    part.m_Folder.m_nBaseRevision = part.m_Local.m_strRevision.toLongLong();
    bool bLocalNumber = false;
    bool bRemoteNumber = false;
    const qlonglong localRevision = part.m_Local.m_strCommitRevision.toLongLong(&bLocalNumber);
    const qlonglong remoteRevision = part.m_Remote.m_strCommitRevision.toLongLong(&bRemoteNumber);
    return bLocalNumber && bRemoteNumber && localRevision < remoteRevision &&
           svn.GetLog(part.m_Local.m_strUrl, part.m_Remote.m_strCommitRevision,
                      QString::number(localRevision + 1), kMaxLogEntries, log);
}

} // namespace

CSubVersionThread::CSubVersionThread(CCheckHost* pFrame, QString path)
    : m_pFrame(pFrame), m_strPath(std::move(path)) {}

void CSubVersionThread::Run(void* /*pThreadValue*/) {
    // A Git working tree is asked of git, anything else of svn; chosen anew at each check.
    if (CGitAutomation::IsWorkingTree(m_strPath))
        return CGitCheck(*m_pFrame, m_strPath).Run();
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
    SVNStatus status;
    const bool bStatusRead = svn.GetStatus(m_strPath, status);
    if (bStatusRead && status.m_OutOfDate.empty())
        return StoreResult(UpToDate, remote.m_strCommitAuthor);

    const QString name = DisplayName();
    CModifiedAlert alert{m_strPath,
                         name,
                         ModifiedMessage(remote.m_strCommitAuthor, name, local.m_strCommitRevision,
                                         remote.m_strCommitRevision),
                         {}};
    bool bOwnOnly = false;
    if (bStatusRead)
        alert.m_Changes = MissingRevisions(svn, local, remote, status, bOwnOnly);
    if (!bOwnOnly)
        m_pFrame->AnnounceModified(alert);
    StoreResult(Modified, remote.m_strCommitAuthor, alert.m_Changes);
}

SVNChanges CSubVersionThread::MissingRevisions(CSubAutomation& svn, const SVNInfo& local,
                                               const SVNInfo& remote, const SVNStatus& status,
                                               bool& bOwnOnly) const {
    std::vector<CCopyPart> copyParts = CopyParts(local, remote, status);
    const QStringList listedNames = m_pFrame->OwnNames();
    SVNChanges changes{local.m_strUrl, {}, false};
    // Which repository each lacking revision is of, by UUID, so that revisions of one repository
    // are listed newest first together, each once.
    std::vector<QString> repositories;
    std::vector<std::pair<std::size_t, SVNLogEntry>> lacking;
    bool bAllOwn = true;
    bool bAllExplained = true;
    for (CCopyPart& part : copyParts) {
        if (part.m_Folder.m_OutOfDate.empty())
            continue;
        std::vector<SVNLogEntry> log;
        if (!ReadPartLog(svn, m_strPath, part, log)) {
            bAllExplained = false;
            continue;
        }
        changes.m_bMore = changes.m_bMore || log.size() >= static_cast<std::size_t>(kMaxLogEntries);
        std::vector<SVNLogEntry> partLacking = CMissingRevisions::Select(log, part.m_Folder);
        // Only a lacking revision needs the user's name, which may cost a question to the server.
        const QString ownName =
            partLacking.empty()
                ? QString()
                : CSvnUserName(platform::SvnConfigFolder())
                      .For(part.m_Local.m_strRoot, part.m_Local.m_strUuid, [&](const QString& realmPrefix) {
                          return svn.GetRealm(part.m_Local.m_strUrl, realmPrefix);
                      });
        const COwnNames ownNames(ownName, listedNames);
        std::vector<SVNLogEntry> own;
        const auto repository = std::find(repositories.begin(), repositories.end(), part.m_Local.m_strUuid);
        const std::size_t repositoryIndex = static_cast<std::size_t>(repository - repositories.begin());
        if (repository == repositories.end())
            repositories.push_back(part.m_Local.m_strUuid);
        for (SVNLogEntry& entry : partLacking) {
            if (ownNames.Contains(entry.m_strAuthor))
                own.push_back(entry);
            else
                bAllOwn = false;
            if (part.m_Local.m_strUrl != local.m_strUrl)
                entry.m_strUrl = part.m_Local.m_strUrl;
            lacking.emplace_back(repositoryIndex, std::move(entry));
        }
        const QString inRepository = part.m_Folder.m_strInRepository;
        for (const SVNOutOfDateItem& item : part.m_Folder.m_OutOfDate) {
            bAllExplained =
                bAllExplained && std::any_of(own.begin(), own.end(), [&](const SVNLogEntry& entry) {
                    return CMissingRevisions::Explains(entry, inRepository, item.m_strPath);
                });
        }
    }
    std::stable_sort(lacking.begin(), lacking.end(), [](const auto& left, const auto& right) {
        return left.first != right.first
                   ? left.first < right.first
                   : left.second.m_strRevision.toLongLong() > right.second.m_strRevision.toLongLong();
    });
    for (std::size_t i = 0; i < lacking.size(); ++i) {
        if (i == 0 || lacking[i].first != lacking[i - 1].first ||
            lacking[i].second.m_strRevision != lacking[i - 1].second.m_strRevision)
            changes.m_Revisions.push_back(std::move(lacking[i].second));
    }
    // Quiet only when the user's own commits account for every item svn marks out of date.
    bOwnOnly = !changes.m_Revisions.empty() && !changes.m_bMore && bAllOwn && bAllExplained;
    return changes;
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
