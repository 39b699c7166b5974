#pragma once

#include "git/GitAnswers.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <vector>

class CGitAutomation;

// Tells what pulling the lacking commits would make of the user's edits in a Git working tree,
// without touching it: the working tree is committed on a copy of the index, and git merge-tree
// merges that commit with the upstream's. Only git's own answer counts.
class CGitEditPrediction final {
public:
    // The user's edits that the lacking commits changed too, in the order of status, each with those
    // commits' short names, newest first, and no outcome yet. An untracked file counts where a lacking
    // commit adds one of the same name; a file git left unmerged is in conflict already.
    static std::vector<SVNEditPrediction> EditsMet(const GitStatus& status,
                                                   const std::vector<GitCommit>& lacking);

    // git's outcome for each of the predictions: conflicts where merge-tree finds a conflict, else
    // merges; "cannot tell", with git's reason, when git could not answer (before 2.38 it has no
    // merge-tree that answers this).
    static void Predict(CGitAutomation& git, const QString& folder, const GitStatus& status,
                        const QString& tip, std::vector<SVNEditPrediction>& predictions);
};
