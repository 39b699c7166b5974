#pragma once

#include <QString>
#include <string>
#include <vector>

// One line of `svn update`'s answer that names a path: what the update did to its text, its
// properties, and whether it left a tree conflict on it.
struct SVNUpdatedPath {
    QString m_strPath;        // as svn printed it, with '/'
    bool m_bConflict = false; // a text, property or tree conflict
    bool m_bMerged = false;   // text or properties merged with the local ones

    friend bool operator==(const SVNUpdatedPath&, const SVNUpdatedPath&) = default;
};

// Reads what `svn update` prints: the lines of four status columns, a blank and a path. Headers,
// summaries and "Skipped" lines are passed over.
class CUpdateReader final {
public:
    static std::vector<SVNUpdatedPath> Read(const std::string& rawOutput);
};
