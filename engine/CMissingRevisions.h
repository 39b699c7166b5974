#pragma once

#include "svn/CStatusReader.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <vector>

// Which revisions of its repository folder a working copy lacks. A revision counts as held when the
// copy has each item it changed at that revision or a later one, as it has after a commit made from
// it; it is lacking when it changed an item that the copy has at an older revision, or one that the
// copy does not have at all.
class CMissingRevisions final {
public:
    // The revisions of log (svn's log of the folder, in its order) that the copy lacks, judged by the
    // copy's out-of-date items. folderInRepository is the folder's path below the repository root,
    // as svn's log names paths ("/trunk/project"; empty for the root). A revision that changed nothing
    // below the folder, as far as the log shows, is kept: it cannot be shown to be held.
    static std::vector<SVNLogEntry> Select(const std::vector<SVNLogEntry>& log,
                                           const std::vector<SVNOutOfDateItem>& outOfDate,
                                           const QString& folderInRepository);
};
