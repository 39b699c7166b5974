#include "engine/CMissingRevisions.h"

#include <QHash>
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

bool CMissingRevisions::Explains(const SVNLogEntry& entry, const QString& folderInRepository,
                                 const QString& itemPath) {
    const QString item =
        itemPath.isEmpty() ? folderInRepository : folderInRepository + QLatin1Char('/') + itemPath;
    return std::any_of(entry.m_ChangedPaths.begin(), entry.m_ChangedPaths.end(),
                       [&item](const SVNChangedPath& changed) {
                           return PathBelow(changed.m_strPath, item).has_value() ||
                                  PathBelow(item, changed.m_strPath).has_value();
                       });
}
