#include "app/CFolderCheckRun.h"

#include "engine/CSubVersionThread.h"
#include "settings/CPathListFile.h"
#include "settings/MyLogFile.h"
#include "settings/SVNPathState.h"

#include <QTextStream>
#include <algorithm>
#include <optional>

namespace {

constexpr QLatin1Char kSeparator('\t');
constexpr QLatin1String kMessageIndent("  ");

int ExitStatusOf(int iState) {
    switch (iState) {
    case UpToDate:
        return CFolderCheckRun::kAllUpToDate;
    case Modified:
        return CFolderCheckRun::kSomeModified;
    default:
        return CFolderCheckRun::kSomeFailed;
    }
}

} // namespace

CFolderCheckRun::CFolderCheckRun(const QString& listFile, QTextStream& output, QTextStream& errors,
                                 MyLogFile& log)
    : m_Watchdog(listFile), m_Output(output), m_Errors(errors), m_Log(log) {}

int CFolderCheckRun::CheckFolders(const QStringList& folders) {
    int exitStatus = kAllUpToDate;
    for (const QString& folder : folders)
        exitStatus = std::max(exitStatus, CheckFolder(folder));
    return exitStatus;
}

int CFolderCheckRun::CheckListedFolders() {
    const std::optional<QStringList> folders = CPathListFile(m_Watchdog.ListFile()).ReadPaths();
    if (!folders) {
        m_Errors << "corvane: cannot read the watch list " << m_Watchdog.ListFile() << Qt::endl;
        return kSomeFailed;
    }
    if (folders->isEmpty())
        m_Errors << "corvane: the watch list " << m_Watchdog.ListFile() << " names no folder" << Qt::endl;
    return CheckFolders(*folders);
}

void CFolderCheckRun::AnnounceModified(const QString& message) {
    m_strAnnouncement = message;
}

// Each job runs to its end inside CheckFolder, so there is nothing to wait for.
void CFolderCheckRun::CheckEnded(const QString& /*path*/) {}

int CFolderCheckRun::CheckFolder(const QString& folder) {
    // The folder's record is the only one, so a result never lands in another folder's record.
    m_Watchdog.RemoveAllPaths();
    m_Watchdog.AddPath(folder, 0);
    m_strAnnouncement.clear();
    // Run, then Discard, as a worker of the work queue does with every job.
    auto* pJob = new CSubVersionThread(this, folder, m_Watchdog.Generation());
    pJob->Run(nullptr);
    pJob->Discard();

    const CSVNPath record = m_Watchdog.Records().front();
    const QString line = record.m_strPath + kSeparator + StateText(record.m_iState) + kSeparator +
                         record.m_strLastAuthor + kSeparator + record.m_strCheckedAt;
    m_Output << line << '\n';
    if (!m_strAnnouncement.isEmpty()) {
        for (const QString& messageLine : m_strAnnouncement.split(QLatin1Char('\n')))
            m_Output << kMessageIndent << messageLine << '\n';
    }
    m_Output.flush();
    m_Log.LogText(line);
    return ExitStatusOf(record.m_iState);
}
