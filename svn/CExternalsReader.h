#pragma once

#include <QString>
#include <string>
#include <vector>

// An item of a working copy that svn:externals brings from another URL, as its definition says.
struct SVNExternal {
    QString m_strPath;      // relative to the folder svn was asked about, '/'-separated
    bool m_bPinned = false; // the definition names a revision other than HEAD: updates never move it

    friend bool operator==(const SVNExternal&, const SVNExternal&) = default;
};

// Reads the svn:externals definitions of a working copy.
class CExternalsReader final {
public:
    // Fills externals from what `svn propget svn:externals --xml -R` prints for the folder asked
    // about, in svn's order. False, with externals untouched, when the output holds no complete
    // properties document.
    static bool Read(const std::string& rawOutput, const QString& askedPath,
                     std::vector<SVNExternal>& externals);
    // The externals that one svn:externals value defines, each path relative to the folder that holds
    // the value, in both of svn's line formats ("[-r REV] URL[@PEG] PATH" and the older
    // "PATH [-r REV] URL"). Blank lines, comments and lines that do not read are passed over.
    static std::vector<SVNExternal> Definitions(const QString& value);
};
