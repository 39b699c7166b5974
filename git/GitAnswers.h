#pragma once

#include <QHash>
#include <QString>
#include <vector>

// One file of the working tree whose state differs from HEAD's, as `git status --porcelain=v2` tells.
struct GitLocalChange {
    QString m_strCode; // the index's and the working tree's letters, "M.", ".M", "??" (untracked) ...
    QString m_strPath; // relative to the working tree, '/'-separated
    QString m_strFrom; // the path it was renamed or copied from; empty otherwise

    friend bool operator==(const GitLocalChange&, const GitLocalChange&) = default;
};

// What `git status --porcelain=v2 --branch` tells of a working tree.
struct GitStatus {
    QString m_strHead;   // the commit HEAD names; empty while the branch has none yet
    QString m_strBranch; // the branch checked out, "main"; empty when HEAD is detached
    std::vector<GitLocalChange> m_Changes;
    bool m_bComplete = true; // false when git's answer was longer than a run may collect

    friend bool operator==(const GitStatus&, const GitStatus&) = default;
};

// One path that a commit changed: git's letter (A, M, D, R, C, T) and the path, "new (from old)"
// for a rename or a copy.
struct GitChangedPath {
    QString m_strAction;
    QString m_strPath;

    friend bool operator==(const GitChangedPath&, const GitChangedPath&) = default;
};

// One commit as `git log` tells it.
struct GitCommit {
    QString m_strHash;
    QString m_strShortHash;
    QString m_strAuthor;  // the author's name, after the repository's mailmap
    QString m_strEmail;   // the author's e-mail, after the repository's mailmap
    QString m_strDate;    // the author's date, ISO 8601 with its offset
    QString m_strMessage; // whole, with its line breaks
    std::vector<GitChangedPath> m_ChangedPaths;

    friend bool operator==(const GitCommit&, const GitCommit&) = default;
};

// A repository's configuration as `git config --list` gives it: each key once, with its last value.
// Section and key names are lower case, a subsection ("branch.<name>.remote") as it was written.
using GitConfig = QHash<QString, QString>;
