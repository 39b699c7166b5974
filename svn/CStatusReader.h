#pragma once

#include <QString>
#include <string>
#include <vector>

// One item of a working copy that its repository has changed since: what `svn status -u` marks as
// out of date.
struct SVNOutOfDateItem {
    QString m_strPath; // relative to the working copy's folder, '/'-separated; empty for the folder itself
    QString m_strRevision; // the item's revision in the working copy; empty when the copy lacks it
    QString m_strChange;   // what the repository did to it: "modified", "added", "deleted", ...

    friend bool operator==(const SVNOutOfDateItem&, const SVNOutOfDateItem&) = default;
};

// Reads what `svn status -u --xml` prints into the items that are out of date.
class CStatusReader final {
public:
    // Fills items with the out-of-date items, in svn's order; local changes alone do not count.
    // False, with items untouched, when the output holds no complete status document.
    static bool ReadOutOfDate(const std::string& rawOutput, std::vector<SVNOutOfDateItem>& items);
};
