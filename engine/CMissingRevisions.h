#pragma once

#include "svn/CStatusReader.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <QStringList>
#include <vector>

// One folder of a working copy whose log is read at one URL: the copy's root, a switched folder or
// an external's folder, with what svn's status tells below it.
struct SVNCopyFolder {
    QString m_strInRepository;                 // its path below the repository root, as svn's log names paths
    qlonglong m_nBaseRevision = 0;             // its revision in the copy, as `svn info` gives it
    std::vector<SVNOutOfDateItem> m_OutOfDate; // its out-of-date items, relative to it
    QStringList m_FollowElsewhere; // its parts that follow another URL (switched, externals), relative
};

// Which revisions of its repository folder a working copy lacks. A revision counts as held when the
// copy has each item it changed at that revision or a later one, as it has after a commit made from
// it; it is lacking when it changed an item that the copy has at an older revision, or one that the
// copy does not have at all.
class CMissingRevisions final {
public:
    // The revisions of log (svn's log of the folder, in its order) that the copy lacks, judged by the
    // folder's out-of-date items. Changes below a part that follows another URL do not count: that
    // part never gets them. A revision that changed nothing else below the folder, as far as the log
    // shows, is held when it is at or below the folder's base revision, or touched only such parts;
    // otherwise it is kept, as it cannot be shown to be held.
    static std::vector<SVNLogEntry> Select(const std::vector<SVNLogEntry>& log, const SVNCopyFolder& folder);
    // Whether the entries together changed each item (its path relative to the folder whose path
    // below the repository root is folderInRepository), a folder above it, or, for a folder,
    // something in it: the changes that make svn's status mark the items out of date.
    static bool ExplainAll(const std::vector<SVNLogEntry>& entries, const QString& folderInRepository,
                           const std::vector<SVNOutOfDateItem>& items);
};
