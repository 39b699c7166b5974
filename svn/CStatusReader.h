#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// One item of a working copy that its repository has changed since: what `svn status -u` marks as
// out of date.
struct SVNOutOfDateItem {
    QString m_strPath; // relative to the working copy's folder, '/'-separated; empty for the folder itself
    QString m_strRevision;   // the item's revision in the working copy; empty when the copy lacks it
    QString m_strChange;     // what the repository did to it: "modified", "added", "deleted", ...
    QString m_strLocalItem;  // what the copy did to it: "normal", "modified", "conflicted", ...
    QString m_strLocalProps; // what the copy did to its properties: "none", "normal", "modified", ...

    friend bool operator==(const SVNOutOfDateItem&, const SVNOutOfDateItem&) = default;
};

// What `svn status -u` tells of a working copy: its out-of-date items, and its parts that follow
// another URL than their parent's, whose changes come from there.
struct SVNStatus {
    std::vector<SVNOutOfDateItem> m_OutOfDate;
    QStringList m_Switched;      // items switched to another URL of the repository, relative as above
    QStringList m_Externals;     // folders of svn:externals, relative as above
    QStringList m_FileExternals; // files of svn:externals, which svn never marks out of date

    friend bool operator==(const SVNStatus&, const SVNStatus&) = default;
};

// Reads what `svn status -u --xml` prints.
class CStatusReader final {
public:
    // Fills status with the out-of-date items in svn's order (local changes alone do not count),
    // the switched items and the externals' folders and files, each path relative to the first
    // target, which is the folder svn was asked about. False, with status untouched, when the output holds no
    // complete status document.
    static bool Read(const std::string& rawOutput, SVNStatus& status);
};
