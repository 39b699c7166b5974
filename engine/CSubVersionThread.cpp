#include "engine/CSubVersionThread.h"

#include "engine/CCheckHost.h"
#include "platform/FileSystem.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "svn/CSubAutomation.h"
#include "svn/SVNInfo.h"

#include <utility>

namespace {

QString ModifiedMessage(const QString& author, const QString& displayName, const QString& localRevision,
                        const QString& remoteRevision) {
    return QString::asprintf("Message from %s:\n%s was modified. (local=%s, remote=%s)",
                             author.toUtf8().constData(), displayName.toUtf8().constData(),
                             localRevision.toUtf8().constData(), remoteRevision.toUtf8().constData());
}

} // namespace

CSubVersionThread::CSubVersionThread(CCheckHost* pFrame, QString path, std::uint64_t generation)
    : m_pFrame(pFrame), m_strPath(std::move(path)), m_nGeneration(generation) {}

void CSubVersionThread::Run(void* /*pThreadValue*/) {
    const std::stop_token stopToken = m_pFrame->CheckStopToken();
    const std::chrono::milliseconds timeLimit = m_pFrame->CheckTimeLimit();
    SVNInfo local;
    if (CSubAutomation(timeLimit, stopToken).GetInfo(m_strPath, local) != InfoOk)
        return StoreResult(ErrorLocal, {});
    // A folder inside a working copy that is not versioned itself gets an empty but well-formed
    // answer; without a URL there is nothing to ask the repository about.
    if (local.m_strUrl.isEmpty() || local.m_strCommitRevision.isEmpty())
        return StoreResult(ErrorLocal, {});
    SVNInfo remote;
    if (CSubAutomation(timeLimit, stopToken).GetInfo(local.m_strUrl, remote) != InfoOk)
        return StoreResult(ErrorNetwork, {});
    if (remote.m_strCommitRevision.isEmpty())
        return StoreResult(ErrorNetwork, {});

    // Revisions are compared as text: any difference, also a local one that is higher, is announced.
    if (local.m_strCommitRevision != remote.m_strCommitRevision) {
        m_pFrame->AnnounceModified(ModifiedMessage(remote.m_strCommitAuthor, DisplayName(),
                                                   local.m_strCommitRevision, remote.m_strCommitRevision));
        return StoreResult(Modified, remote.m_strCommitAuthor);
    }
    StoreResult(UpToDate, remote.m_strCommitAuthor);
}

void CSubVersionThread::Discard() {
    m_pFrame->CheckEnded(m_strPath);
    delete this;
}

QString CSubVersionThread::DisplayName() const {
    QString entryName;
    if (platform::FindSingleEntry(m_strPath, entryName))
        return entryName;
    return m_strPath;
}

void CSubVersionThread::StoreResult(int state, const QString& author) const {
    m_pFrame->Watchdog().SetPathResult(m_strPath, author, state, m_nGeneration);
}
