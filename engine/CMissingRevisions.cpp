#include "engine/CMissingRevisions.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>

namespace {

// The out-of-date items by path, each with its revision in the copy (none when the copy lacks it).
using OutOfDateRevisions = QHash<QString, std::optional<qlonglong>>;

OutOfDateRevisions ByPath(const std::vector<SVNOutOfDateItem>& outOfDate) {
    OutOfDateRevisions byPath;
    for (const SVNOutOfDateItem& item : outOfDate) {
        bool bNumber = false;
        const qlonglong revision = item.m_strRevision.toLongLong(&bNumber);
        byPath.insert(item.m_strPath, bNumber ? std::optional(revision) : std::nullopt);
    }
    return byPath;
}

// The path below the folder, or nothing for a path outside it.
std::optional<QString> PathBelow(const QString& folder, const QString& path) {
    if (path == folder)
        return QString();
    if (!path.startsWith(folder + QLatin1Char('/')))
        return std::nullopt;
    return path.mid(folder.size() + 1);
}

// Whether the copy lacks the change that revision made to the item at path: it has the item at an
// older revision, or lacks the item or a folder above it.
bool LacksChange(const OutOfDateRevisions& outOfDate, const QString& path, qlonglong revision) {
    if (const auto found = outOfDate.constFind(path); found != outOfDate.constEnd())
        return !found->has_value() || **found < revision;
    for (QString folder = path; !folder.isEmpty();) {
        folder.truncate(std::max<qsizetype>(folder.lastIndexOf(QLatin1Char('/')), 0));
        const auto found = outOfDate.constFind(folder);
        if (found != outOfDate.constEnd() && !found->has_value())
            return true;
    }
    return false;
}

bool FollowsElsewhere(const QStringList& parts, const QString& path) {
    return std::any_of(parts.begin(), parts.end(),
                       [&path](const QString& part) { return PathBelow(part, path).has_value(); });
}

bool IsLacking(const SVNLogEntry& entry, const OutOfDateRevisions& outOfDate, const SVNCopyFolder& folder) {
    const qlonglong revision = entry.m_strRevision.toLongLong();
    bool bChangedBelow = false;
    bool bChangedElsewhere = false;
    for (const SVNChangedPath& changed : entry.m_ChangedPaths) {
        const std::optional<QString> below = PathBelow(folder.m_strInRepository, changed.m_strPath);
        if (!below)
            continue;
        if (FollowsElsewhere(folder.m_FollowElsewhere, *below)) {
            bChangedElsewhere = true;
            continue;
        }
        bChangedBelow = true;
        // The folder itself added, deleted or replaced: the copy lacks that unless it is as new.
        if (below->isEmpty() && changed.m_strAction != QLatin1String("M") &&
            revision > folder.m_nBaseRevision)
            return true;
        if (LacksChange(outOfDate, *below, revision))
            return true;
    }
    return !bChangedBelow && !bChangedElsewhere && revision > folder.m_nBaseRevision;
}

} // namespace

std::vector<SVNLogEntry> CMissingRevisions::Select(const std::vector<SVNLogEntry>& log,
                                                   const SVNCopyFolder& folder) {
    const OutOfDateRevisions byPath = ByPath(folder.m_OutOfDate);
    std::vector<SVNLogEntry> lacking;
    for (const SVNLogEntry& entry : log) {
        if (IsLacking(entry, byPath, folder))
            lacking.push_back(entry);
    }
    return lacking;
}

bool CMissingRevisions::ExplainAll(const std::vector<SVNLogEntry>& entries, const QString& folderInRepository,
                                   const std::vector<SVNOutOfDateItem>& items) {
    // The changed paths and the folders above them, so that each item costs a few lookups however
    // many paths the entries changed.
    QSet<QString> changed;
    QSet<QString> above;
    for (const SVNLogEntry& entry : entries) {
        for (const SVNChangedPath& path : entry.m_ChangedPaths) {
            changed.insert(path.m_strPath);
            for (QString folder = path.m_strPath; folder.lastIndexOf(QLatin1Char('/')) >= 0;) {
                folder.truncate(folder.lastIndexOf(QLatin1Char('/')));
                above.insert(folder);
            }
        }
    }
    return std::all_of(items.begin(), items.end(), [&](const SVNOutOfDateItem& item) {
        QString path = item.m_strPath.isEmpty() ? folderInRepository
                                                : folderInRepository + QLatin1Char('/') + item.m_strPath;
        if (changed.contains(path) || above.contains(path))
            return true;
        while (path.lastIndexOf(QLatin1Char('/')) >= 0) {
            path.truncate(path.lastIndexOf(QLatin1Char('/')));
            if (changed.contains(path))
                return true;
        }
        return false;
    });
}
