#include "engine/CCopyStatus.h"

#include "svn/CExternalsReader.h"
#include "svn/CSubAutomation.h"

#include <algorithm>
#include <vector>

namespace {

QString Joined(const QString& prefix, const QString& path) {
    if (prefix.isEmpty())
        return path;
    return path.isEmpty() ? prefix : prefix + QLatin1Char('/') + path;
}

} // namespace

bool CCopyStatus::Read(CSubAutomation& svn, const QString& path) {
    SVNStatus own;
    if (!svn.GetStatus(path, own)) {
        m_strFailure = svn.FailureReason();
        return false;
    }
    AddPart(svn, path, QString(), own);
    return true;
}

void CCopyStatus::AddPart(CSubAutomation& svn, const QString& path, const QString& prefix,
                          const SVNStatus& part) {
    for (const SVNOutOfDateItem& item : part.m_OutOfDate) {
        SVNOutOfDateItem inCopy = item;
        inCopy.m_strPath = Joined(prefix, item.m_strPath);
        m_Status.m_OutOfDate.push_back(std::move(inCopy));
    }
    for (const QString& switched : part.m_Switched)
        m_Status.m_Switched.append(Joined(prefix, switched));
    if (part.m_Externals.isEmpty() && part.m_FileExternals.isEmpty())
        return;
    const QString folder = Joined(path, prefix);
    // Without its definitions every external counts as one that follows HEAD: one too many is
    // asked about rather than one missed.
    std::vector<SVNExternal> definitions;
    svn.GetExternals(folder, definitions);
    const auto pinned = [&definitions](const QString& external) {
        return std::any_of(definitions.begin(), definitions.end(),
                           [&external](const SVNExternal& definition) {
                               return definition.m_bPinned && definition.m_strPath == external;
                           });
    };
    for (const QString& file : part.m_FileExternals) {
        if (!pinned(file))
            m_Status.m_FileExternals.append(Joined(prefix, file));
    }
    for (const QString& external : part.m_Externals) {
        const QString inCopy = Joined(prefix, external);
        m_Status.m_Externals.append(inCopy);
        if (pinned(external))
            continue;
        SVNStatus inner;
        if (!svn.GetStatus(Joined(path, inCopy), inner))
            m_Failures.append(inCopy + QStringLiteral(": ") + svn.FailureReason());
        else
            AddPart(svn, path, inCopy, inner);
    }
}
