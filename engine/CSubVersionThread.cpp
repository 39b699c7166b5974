#include "engine/CSubVersionThread.h"

#include "engine/CCheckHost.h"
#include "engine/CCopyStatus.h"
#include "engine/CEditPrediction.h"
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
    bool m_bFileExternal = false; // a file of svn:externals, which svn's status never marks out of date
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
    QStringList parts = status.m_Switched + status.m_Externals + status.m_FileExternals;
    parts.removeAll(QString());
    std::sort(parts.begin(), parts.end(), [](const QString& left, const QString& right) {
        return left.size() != right.size() ? left.size() > right.size() : left < right;
    });
    std::vector<CCopyPart> copyParts{{QString(), local, remote, {}}};
    for (const QString& part : parts)
        copyParts.push_back({part, {}, {}, {}, status.m_FileExternals.contains(part)});
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

// Asks svn about a part other than the root, in the copy and at its URL; false when it cannot tell.
bool ReadPartInfo(CSubAutomation& svn, const QString& workingCopy, CCopyPart& part) {
    return part.m_strPath.isEmpty() ||
           (svn.GetInfo(workingCopy + QLatin1Char('/') + part.m_strPath, part.m_Local) == InfoOk &&
            !part.m_Local.m_strUrl.isEmpty() && svn.GetInfo(part.m_Local.m_strUrl, part.m_Remote) == InfoOk);
}

// Whether path, below the repository root, is folder or a folder above it.
bool IsAtOrAbove(const QString& path, const QString& folder) {
    return path == folder || path == QLatin1String("/") || folder.startsWith(path + QLatin1Char('/'));
}

bool ChangesAtOrAbove(const SVNLogEntry& entry, const QString& folder, const QStringList& actions) {
    return std::any_of(
        entry.m_ChangedPaths.begin(), entry.m_ChangedPaths.end(), [&](const SVNChangedPath& changed) {
            return actions.contains(changed.m_strAction) && IsAtOrAbove(changed.m_strPath, folder);
        });
}

// A folder deleted and added anew has a log that starts where it was added; the deletion before,
// which an update applies too, is read from the log of the repository's root and added to log.
void AddDeletionBeforeAddition(CSubAutomation& svn, const CCopyPart& part, qlonglong oldest,
                               std::vector<SVNLogEntry>& log) {
    const QString& folder = part.m_Folder.m_strInRepository;
    qlonglong added = 0;
    for (const SVNLogEntry& entry : log) {
        if (ChangesAtOrAbove(entry, folder, {QStringLiteral("A"), QStringLiteral("R")}))
            added = entry.m_strRevision.toLongLong();
    }
    std::vector<SVNLogEntry> before;
    if (added <= oldest || !svn.GetLog(part.m_Local.m_strRoot, QString::number(added - 1),
                                       QString::number(oldest), kMaxLogEntries, before))
        return;
    for (SVNLogEntry& entry : before) {
        if (ChangesAtOrAbove(entry, folder, {QStringLiteral("D"), QStringLiteral("R")}))
            log.push_back(std::move(entry));
    }
}

// Reads the log of the part's URL over the revisions its out-of-date items may lack: from just after
// the oldest of their revisions and the part's last-changed one up to the repository's last-changed
// one. False when svn cannot tell.
bool ReadPartLog(CSubAutomation& svn, CCopyPart& part, std::vector<SVNLogEntry>& log) {
    part.m_Folder.m_strInRepository = FolderInRepository(part.m_Local);
    part.m_Folder.m_nBaseRevision = part.m_Local.m_strRevision.toLongLong();
    bool bLocalNumber = false;
    bool bRemoteNumber = false;
    qlonglong oldest = part.m_Local.m_strCommitRevision.toLongLong(&bLocalNumber);
    const qlonglong newest = part.m_Remote.m_strCommitRevision.toLongLong(&bRemoteNumber);
    for (const SVNOutOfDateItem& item : part.m_Folder.m_OutOfDate) {
        bool bNumber = false;
        const qlonglong revision = item.m_strRevision.toLongLong(&bNumber);
        if (bNumber)
            oldest = std::min(oldest, revision);
    }
    ++oldest;
    if (!bLocalNumber || !bRemoteNumber || oldest > newest ||
        !svn.GetLog(part.m_Local.m_strUrl, QString::number(newest), QString::number(oldest), kMaxLogEntries,
                    log))
        return false;
    AddDeletionBeforeAddition(svn, part, oldest, log);
    return true;
}

// The user's edits of the part that its lacking revisions changed too.
SVNEditedPart EditedItems(const QString& workingCopy, const CCopyPart& part,
                          const std::vector<SVNLogEntry>& lacking) {
    SVNEditedPart edited{part.m_strPath.isEmpty() ? workingCopy
                                                  : workingCopy + QLatin1Char('/') + part.m_strPath,
                         part.m_strPath,
                         part.m_Local.m_strUrl,
                         part.m_Local.m_strRevision,
                         part.m_Folder.m_strInRepository,
                         {},
                         {}};
    for (const SVNOutOfDateItem& item : part.m_Folder.m_OutOfDate) {
        if (!CEditPrediction::IsEdited(item))
            continue;
        QStringList revisions =
            CEditPrediction::RevisionsThatChanged(lacking, part.m_Folder.m_strInRepository, item.m_strPath);
        if (revisions.isEmpty())
            continue;
        edited.m_Items.push_back(item);
        edited.m_Revisions.push_back(std::move(revisions));
    }
    return edited;
}

// Asks svn about the first of the edited items, counting the rest.
void PredictEdits(CSubAutomation& svn, std::vector<SVNEditedPart>& parts, SVNChanges& changes) {
    std::size_t room = kMaxEditPredictions;
    for (SVNEditedPart& part : parts) {
        if (part.m_Items.size() > room) {
            changes.m_nMorePredictions += static_cast<int>(part.m_Items.size() - room);
            part.m_Items.resize(room);
            part.m_Revisions.resize(room);
        }
        room -= part.m_Items.size();
        if (part.m_Items.empty())
            continue;
        for (SVNEditPrediction& prediction : CEditPrediction::Predict(svn, part))
            changes.m_Predictions.push_back(std::move(prediction));
    }
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
    if (remote.m_strCommitRevision.isEmpty()) {
        // A folder moved or deleted in the repository: svn's own warning names the URL it misses.
        const QString said = remoteSvn.FailureReason();
        return StoreFailure(ErrorNetwork,
                            said.startsWith(QLatin1String("svn: "))
                                ? said
                                : QStringLiteral("the repository names no last-changed revision "
                                                 "for the folder's URL; check the URL with svn info"));
    }

    // Equal last-changed revisions do not tell that nothing is lacking: a subfolder at an older
    // revision, a switched part or an external follows changes of its own. After a commit svn moves
    // only the committed items to the new revision, and the folder keeps its older one: such a copy
    // lacks nothing. svn's out-of-date answer tells in each case.
    CSubAutomation svn(timeLimit, stopToken);
    CCopyStatus copy;
    if (!copy.Read(svn, m_strPath))
        return StoreFailure(ErrorNetwork, copy.m_strFailure);
    bool bLacking = false;
    bool bOwnOnly = false;
    QStringList failures = copy.m_Failures;
    std::vector<SVNEditedPart> edited;
    SVNChanges changes =
        MissingRevisions(svn, local, remote, copy.m_Status, failures, bLacking, bOwnOnly, edited);
    PredictEdits(svn, edited, changes);
    // An external that did not answer is named; the parts that did are judged all the same.
    const QString failed = failures.join(QStringLiteral("; "));
    if (!bLacking) {
        if (!failed.isEmpty())
            return StoreFailure(ErrorNetwork, failed);
        return StoreResult(UpToDate, remote.m_strCommitAuthor);
    }
    if (!bOwnOnly) {
        const QString name = DisplayName();
        m_pFrame->AnnounceModified({m_strPath, name,
                                    ModifiedMessage(remote.m_strCommitAuthor, name, local.m_strCommitRevision,
                                                    remote.m_strCommitRevision),
                                    changes});
    }
    StoreResult(Modified, remote.m_strCommitAuthor, changes, failed);
}

SVNChanges CSubVersionThread::MissingRevisions(CSubAutomation& svn, const SVNInfo& local,
                                               const SVNInfo& remote, const SVNStatus& status,
                                               QStringList& failures, bool& bLacking, bool& bOwnOnly,
                                               std::vector<SVNEditedPart>& edited) const {
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
        if (part.m_bFileExternal) {
            if (!ReadPartInfo(svn, m_strPath, part)) {
                failures.append(part.m_strPath + QStringLiteral(": ") + svn.FailureReason());
                continue;
            }
            if (part.m_Local.m_strCommitRevision == part.m_Remote.m_strCommitRevision)
                continue;
            part.m_Folder.m_OutOfDate.push_back({QString(), part.m_Local.m_strRevision,
                                                 QStringLiteral("modified"), QStringLiteral("normal"),
                                                 QStringLiteral("none")});
        }
        if (part.m_Folder.m_OutOfDate.empty())
            continue;
        bLacking = true;
        std::vector<SVNLogEntry> log;
        if ((!part.m_bFileExternal && !ReadPartInfo(svn, m_strPath, part)) || !ReadPartLog(svn, part, log)) {
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
        if (!part.m_bFileExternal) {
            SVNEditedPart editedPart = EditedItems(m_strPath, part, partLacking);
            if (!editedPart.m_Items.empty())
                edited.push_back(std::move(editedPart));
        }
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
        bAllExplained = bAllExplained && CMissingRevisions::ExplainAll(own, part.m_Folder.m_strInRepository,
                                                                       part.m_Folder.m_OutOfDate);
    }
    std::stable_sort(lacking.begin(), lacking.end(), [](const auto& left, const auto& right) {
        return left.first != right.first
                   ? left.first < right.first
                   : left.second.m_strRevision.toLongLong() > right.second.m_strRevision.toLongLong();
    });
    // Each is copied, not moved: the next one is compared with it.
    for (std::size_t i = 0; i < lacking.size(); ++i) {
        if (i == 0 || lacking[i].first != lacking[i - 1].first ||
            lacking[i].second.m_strRevision != lacking[i - 1].second.m_strRevision)
            changes.m_Revisions.push_back(lacking[i].second);
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

void CSubVersionThread::StoreResult(int state, const QString& author, const SVNChanges& changes,
                                    const QString& reason) const {
    m_pFrame->Watchdog().SetPathResult(m_strPath, author, state, changes, reason);
}

void CSubVersionThread::StoreFailure(int state, const QString& reason) const {
    m_pFrame->Watchdog().SetPathResult(m_strPath, {}, state, {}, reason);
}
