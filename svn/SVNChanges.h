#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

// One path that a revision changed: svn's action letter (A, M, D, R) and the path in the repository.
struct SVNChangedPath {
    QString m_strAction;
    QString m_strPath;

    friend bool operator==(const SVNChangedPath&, const SVNChangedPath&) = default;
};

// One revision as `svn log --xml -v` tells it. A revision without author or message has them empty.
struct SVNLogEntry {
    QString m_strRevision;
    QString m_strAuthor;
    QString m_strDate;
    QString m_strMessage; // whole, with its line breaks
    std::vector<SVNChangedPath> m_ChangedPaths;
    // The repository folder whose log it was read from, when that is not the changes' own: the URL
    // of a switched folder or of an external.
    QString m_strUrl;
    // A Git commit's whole name, its short one being m_strRevision; empty for an svn revision.
    QString m_strCommit;

    friend bool operator==(const SVNLogEntry&, const SVNLogEntry&) = default;
};

// What svn would make of one of the user's own edits that a lacking revision changed too, had the
// user updated when the copy was checked.
struct SVNEditPrediction {
    enum class Outcome { Merges, Conflicts, CannotTell };

    QString m_strPath;         // relative to the watched folder, '/'-separated
    QString m_strInRepository; // its path below the repository root, as svn's log names paths
    Outcome m_eOutcome = Outcome::CannotTell;
    QStringList m_Revisions; // the lacking revisions that changed it, newest first
    QString m_strReason;     // why svn could not tell: its first error line
    // A Git working tree's: its revisions are short commit names, and git tells.
    bool m_bGit = false;

    friend bool operator==(const SVNEditPrediction&, const SVNEditPrediction&) = default;
};

// How many of the user's edits a check asks about at most; the rest are only counted.
inline constexpr std::size_t kMaxEditPredictions = 50;

// The revisions a working copy lacks, newest first for each repository, and the repository folder
// they are of.
struct SVNChanges {
    QString m_strUrl;
    std::vector<SVNLogEntry> m_Revisions;
    bool m_bMore = false; // svn's log stopped at its limit: older ones are missing too
    // The user's edits that the lacking revisions meet, and how many more there were past those.
    std::vector<SVNEditPrediction> m_Predictions{};
    int m_nMorePredictions = 0;

    friend bool operator==(const SVNChanges&, const SVNChanges&) = default;
};

// "r<revision> <author>: <first line of the message>", the line cut to a length fit for one line; a
// Git commit's line begins with its short name instead ("1a2b3c4 carol: Fix the parser").
QString SummaryLine(const SVNLogEntry& entry);
// The summaries of the newest revisions, at most five, then "(and N more)" for the rest ("at least"
// or "perhaps" when the log was cut); no lines when there are no revisions.
QStringList SummaryLines(const SVNChanges& changes);
// "conflicts", "merges" or "svn could not tell" ("git could not tell"), for the prediction.
QString OutcomeText(const SVNEditPrediction& prediction);
// How many of the predictions say conflict.
int ConflictCount(const SVNChanges& changes);
// "Your edits meet these changes: parser.c (conflict), util.c (merges)", naming at most three files
// then "and n more"; empty when no edit meets a change.
QString PredictionLine(const SVNChanges& changes);
// One line for each prediction, "<path>: your edit conflicts with r4, r3", then "and n more" for
// those past the limit.
QStringList PredictionLines(const SVNChanges& changes);
