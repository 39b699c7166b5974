#include "engine/CGitEditPrediction.h"

#include "git/CGitAutomation.h"

#include <QTemporaryDir>
#include <algorithm>

namespace {

using Outcome = SVNEditPrediction::Outcome;

const QString kFrom = QStringLiteral(" (from ");

// A file that a merge git stopped left in conflict.
bool IsUnmerged(const QString& code) {
    return code == QLatin1String("AA") || code == QLatin1String("DD") || code.contains(QLatin1Char('U'));
}

bool IsUntracked(const QString& code) {
    return code == QLatin1String("??");
}

// Whether the commit's change brings a new file to path: added, or the goal of a rename or copy.
bool Adds(const GitChangedPath& changed, const QString& path) {
    return changed.m_strAction == QLatin1String("A") ? changed.m_strPath == path
                                                     : changed.m_strPath.startsWith(path + kFrom);
}

// Whether the commit's change touches path in any way, also as where a rename or copy came from.
bool Touches(const GitChangedPath& changed, const QString& path) {
    return changed.m_strPath == path || changed.m_strPath.startsWith(path + kFrom) ||
           changed.m_strPath.endsWith(kFrom + path + QLatin1Char(')'));
}

// The short names of the lacking commits that meet the local change, newest first.
QStringList CommitsMeeting(const GitLocalChange& change, const std::vector<GitCommit>& lacking) {
    QStringList met;
    for (const GitCommit& commit : lacking) {
        const bool bMeets = std::any_of(
            commit.m_ChangedPaths.begin(), commit.m_ChangedPaths.end(), [&](const GitChangedPath& changed) {
                if (IsUntracked(change.m_strCode))
                    return Adds(changed, change.m_strPath);
                return Touches(changed, change.m_strPath) ||
                       (!change.m_strFrom.isEmpty() && Touches(changed, change.m_strFrom));
            });
        if (bMeets)
            met.append(commit.m_strShortHash);
    }
    return met;
}

} // namespace

std::vector<SVNEditPrediction> CGitEditPrediction::EditsMet(const GitStatus& status,
                                                            const std::vector<GitCommit>& lacking) {
    std::vector<SVNEditPrediction> predictions;
    for (const GitLocalChange& change : status.m_Changes) {
        if (change.m_strCode == QLatin1String("!!"))
            continue;
        QStringList commits = CommitsMeeting(change, lacking);
        if (commits.isEmpty())
            continue;
        predictions.push_back({change.m_strPath,
                               change.m_strPath,
                               IsUnmerged(change.m_strCode) ? Outcome::Conflicts : Outcome::CannotTell,
                               std::move(commits),
                               {},
                               true});
    }
    return predictions;
}

void CGitEditPrediction::Predict(CGitAutomation& git, const QString& folder, const GitStatus& status,
                                 const QString& tip, std::vector<SVNEditPrediction>& predictions) {
    const auto isAsked = [](const SVNEditPrediction& prediction) {
        return prediction.m_eOutcome == Outcome::CannotTell;
    };
    if (std::none_of(predictions.begin(), predictions.end(), isAsked))
        return;
    QStringList untracked;
    for (const GitLocalChange& change : status.m_Changes) {
        if (IsUntracked(change.m_strCode) &&
            std::any_of(predictions.begin(), predictions.end(), [&](const SVNEditPrediction& prediction) {
                return prediction.m_strPath == change.m_strPath;
            }))
            untracked.append(change.m_strPath);
    }
    QTemporaryDir scratch;
    QString workingTree;
    QStringList conflicted;
    QString reason;
    if (!scratch.isValid())
        reason = QStringLiteral("no scratch folder: ") + scratch.errorString();
    else if (!git.CommitWorkingTree(folder, status.m_strHead, untracked, scratch.path(), workingTree) ||
             !git.FindMergeConflicts(folder, workingTree, tip, conflicted))
        reason = git.FailureReason();
    for (SVNEditPrediction& prediction : predictions) {
        if (!isAsked(prediction))
            continue;
        if (!reason.isEmpty())
            prediction.m_strReason = reason;
        else
            prediction.m_eOutcome =
                conflicted.contains(prediction.m_strPath) ? Outcome::Conflicts : Outcome::Merges;
    }
}
