#include "engine/CGitCheck.h"

#include "engine/CCheckHost.h"
#include "engine/CGitEditPrediction.h"
#include "platform/FileSystem.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"

#include <algorithm>
#include <utility>

namespace {

constexpr QLatin1String kBranchesPrefix("refs/heads/");

QString ModifiedMessage(const QString& author, const QString& displayName, qlonglong behind, bool bDiverged) {
    QString message = QStringLiteral("Message from %1:\n%2 was modified. (behind by %3 %4")
                          .arg(author, displayName, QString::number(behind),
                               behind == 1 ? QStringLiteral("commit") : QStringLiteral("commits"));
    // The upstream was rewritten (a force push), or the branch has commits of its own: a pull that
    // only moves the branch forward is not possible.
    if (bDiverged)
        message += QStringLiteral("; the histories have diverged");
    return message + QLatin1Char(')');
}

SVNLogEntry LogEntryOf(GitCommit commit) {
    SVNLogEntry entry{std::move(commit.m_strShortHash),
                      std::move(commit.m_strAuthor),
                      std::move(commit.m_strDate),
                      std::move(commit.m_strMessage),
                      {},
                      {},
                      std::move(commit.m_strHash)};
    for (GitChangedPath& path : commit.m_ChangedPaths)
        entry.m_ChangedPaths.push_back({std::move(path.m_strAction), std::move(path.m_strPath)});
    return entry;
}

QString BranchName(const QString& ref) {
    return ref.startsWith(kBranchesPrefix) ? ref.mid(kBranchesPrefix.size()) : ref;
}

} // namespace

CGitCheck::CGitCheck(CCheckHost& host, QString path)
    : m_Host(host), m_strPath(std::move(path)), m_Git(host.CheckTimeLimit(), host.CheckStopToken()) {}

void CGitCheck::Run() {
    // The local changes are read too: they tell whether a pull would meet the user's edits.
    GitStatus status;
    if (!m_Git.GetStatus(m_strPath, status))
        return StoreFailure(ErrorLocal, m_Git.FailureReason());
    if (status.m_strBranch.isEmpty())
        return StoreFailure(ErrorLocal, QStringLiteral("HEAD is detached, so it follows no upstream; "
                                                       "check out a branch to have it checked"));
    if (status.m_strHead.isEmpty())
        return StoreFailure(ErrorLocal,
                            QStringLiteral("the branch %1 has no commit yet; commit, then check again")
                                .arg(status.m_strBranch));
    GitConfig config;
    if (!m_Git.GetConfig(m_strPath, config))
        return StoreFailure(ErrorLocal, m_Git.FailureReason());
    const QString branchKey = QStringLiteral("branch.") + status.m_strBranch;
    const QString remote = config.value(branchKey + QStringLiteral(".remote"));
    const QString upstream = config.value(branchKey + QStringLiteral(".merge"));
    if (remote.isEmpty() || upstream.isEmpty())
        return StoreFailure(
            ErrorLocal,
            QStringLiteral("the branch %1 has no upstream; set one with `git branch --set-upstream-to`")
                .arg(status.m_strBranch));
    // Offline, a server cannot answer: the folder keeps its last result and stays due.
    if (!IsLocalRemote(remote, config) && m_Host.WaitsForNetwork(m_strPath))
        return;

    QString tip;
    if (!m_Git.GetRemoteTip(m_strPath, config, remote, upstream, tip)) {
        if (m_Git.RemoteLacksRef())
            return StoreFailure(ErrorLocal, QStringLiteral("the upstream branch %1 no longer exists on %2; "
                                                           "set another with `git branch --set-upstream-to`")
                                                .arg(BranchName(upstream), remote));
        return StoreFailure(ErrorNetwork, m_Git.FailureReason());
    }
    qlonglong ahead = 0;
    qlonglong behind = 0;
    if (tip != status.m_strHead && !m_Git.CountApart(m_strPath, status.m_strHead, tip, ahead, behind)) {
        // The upstream's commit is not in the repository yet: only its objects are brought.
        if (!m_Git.Fetch(m_strPath, config, remote, upstream))
            return StoreFailure(ErrorNetwork, m_Git.FailureReason());
        if (!m_Git.CountApart(m_strPath, status.m_strHead, tip, ahead, behind))
            return StoreFailure(ErrorLocal, m_Git.FailureReason());
    }

    std::vector<GitCommit> commits;
    if (behind == 0) {
        // The upstream's newest commit is in HEAD's history; its author is the last one.
        if (!m_Git.GetLog(m_strPath, tip, {}, 1, false, commits) || commits.empty())
            return StoreFailure(ErrorLocal, m_Git.FailureReason());
        return StoreResult(UpToDate, commits.front().m_strAuthor);
    }
    // Commits that change more paths than a run may collect are listed without them.
    if (!m_Git.GetLog(m_strPath, tip, status.m_strHead, kMaxLogEntries, true, commits) &&
        (!m_Git.LastRunWasCut() ||
         !m_Git.GetLog(m_strPath, tip, status.m_strHead, kMaxLogEntries, false, commits)))
        return StoreFailure(ErrorLocal, m_Git.FailureReason());
    if (commits.empty())
        return StoreFailure(ErrorLocal, QStringLiteral("git's answer could not be read"));

    const QString author = commits.front().m_strAuthor;
    SVNChanges changes{{}, {}, behind > static_cast<qlonglong>(commits.size())};
    changes.m_Predictions = CGitEditPrediction::EditsMet(status, commits);
    if (changes.m_Predictions.size() > kMaxEditPredictions) {
        changes.m_nMorePredictions = static_cast<int>(changes.m_Predictions.size() - kMaxEditPredictions);
        changes.m_Predictions.resize(kMaxEditPredictions);
    }
    CGitEditPrediction::Predict(m_Git, m_strPath, status, tip, changes.m_Predictions);
    // Quiet only when the user made every commit the copy lacks, as far as they are known.
    bool bOwnOnly = !changes.m_bMore;
    for (GitCommit& commit : commits) {
        bOwnOnly = bOwnOnly && IsOwn(commit, config);
        changes.m_Revisions.push_back(LogEntryOf(std::move(commit)));
    }
    if (!bOwnOnly) {
        const QString name = DisplayName();
        m_Host.AnnounceModified({m_strPath, name, ModifiedMessage(author, name, behind, ahead > 0), changes,
                                 QStringLiteral("Git:")});
    }
    StoreResult(Modified, author, changes);
}

bool CGitCheck::IsOwn(const GitCommit& commit, const GitConfig& config) const {
    const QString email = config.value(QStringLiteral("user.email"));
    if (!email.isEmpty() && commit.m_strEmail.compare(email, Qt::CaseInsensitive) == 0)
        return true;
    const QStringList names = m_Host.OwnNames();
    return names.contains(commit.m_strAuthor) ||
           (!commit.m_strEmail.isEmpty() && names.contains(commit.m_strEmail, Qt::CaseInsensitive));
}

bool CGitCheck::IsLocalRemote(const QString& remote, const GitConfig& config) {
    const QString url = config.value(QStringLiteral("remote.%1.url").arg(remote), remote);
    if (url.startsWith(QStringLiteral("file://")))
        return true;
    if (url.contains(QStringLiteral("://")))
        return false;
    // "host:path" names another machine over ssh, unless the colon follows a slash or a drive letter.
    const qsizetype colon = url.indexOf(QLatin1Char(':'));
    const auto slash = std::find_if(url.begin(), url.end(), [](QChar character) {
        return character == QLatin1Char('/') || character == QLatin1Char('\\');
    });
    return colon < 2 || slash - url.begin() < colon;
}

QString CGitCheck::DisplayName() const {
    QString entryName;
    if (platform::FindSingleEntry(m_strPath, entryName))
        return entryName;
    return m_strPath;
}

void CGitCheck::StoreResult(int state, const QString& author, const SVNChanges& changes) const {
    m_Host.Watchdog().SetPathResult(m_strPath, author, state, changes);
}

void CGitCheck::StoreFailure(int state, const QString& reason) const {
    m_Host.Watchdog().SetPathResult(m_strPath, {}, state, {}, reason);
}
