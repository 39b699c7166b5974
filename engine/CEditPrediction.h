#pragma once

#include "svn/CStatusReader.h"
#include "svn/SVNChanges.h"

#include <QString>
#include <QStringList>
#include <vector>

class CSubAutomation;

// A part of a working copy that follows one URL (its root, a switched part, an external), with the
// user's edits there that lacking revisions changed too.
struct SVNEditedPart {
    QString m_strFolder;       // the part on disk: a folder, or a switched file
    QString m_strPrefix;       // the part's path relative to the watched folder; empty for its root
    QString m_strUrl;          // the URL it follows
    QString m_strRevision;     // its revision in the copy
    QString m_strInRepository; // its path below the repository root
    std::vector<SVNOutOfDateItem> m_Items; // the edited items, relative to the part
    std::vector<QStringList> m_Revisions;  // for each item, the lacking revisions that changed it
};

// Tells what `svn update` would make of the user's edits, without touching the copy: the part's
// items are checked out at their own revisions into a private scratch folder outside it, the user's
// edits are laid onto them there, and svn updates that scratch copy. Only svn's own answer counts.
// (A dry-run merge in the copy itself leaves files in its administrative folder.)
class CEditPrediction final {
public:
    // Whether the user changed the item, as the check counts edits: its text or kind, or its
    // properties; an unversioned file counts where the repository adds one of the same name.
    static bool IsEdited(const SVNOutOfDateItem& item);
    // The revisions among lacking (svn's log of the folder folderInRepository) that changed the item
    // at path below it, a folder below it, or replaced or deleted a folder above it; newest first.
    static QStringList RevisionsThatChanged(const std::vector<SVNLogEntry>& lacking,
                                            const QString& folderInRepository, const QString& path);

    // svn's prediction for each item of the part, in its order.
    static std::vector<SVNEditPrediction> Predict(CSubAutomation& svn, const SVNEditedPart& part);
};
