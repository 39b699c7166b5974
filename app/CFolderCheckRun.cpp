#include "app/CFolderCheckRun.h"

#include "engine/CCheckHost.h"
#include "engine/CSubVersionThread.h"
#include "engine/CWorkQueue.h"
#include "platform/PathNames.h"
#include "settings/CConfigWatchdog.h"
#include "settings/CNamesFile.h"
#include "settings/CPathListFile.h"
#include "settings/MyLogFile.h"
#include "settings/SVNPathState.h"

#include <QDir>
#include <QTextStream>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

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

// What the checks of one run share with the thread that waits for them.
struct CRunProgress {
    std::mutex m_lock;
    std::condition_variable_any m_checkEnded;
};

} // namespace

// The host of one folder's check: a watch list of its own with the folder's one record, so a result
// never lands in another folder's record, even when a folder is given twice.
//
// Thread safety: the worker thread writes m_strAnnouncement and the record before it sets m_bEnded
// under the progress lock; the waiting thread reads them only after it has seen m_bEnded there.
class CFolderCheckRun::CFolderCheck final : public CCheckHost {
public:
    CFolderCheck(const QString& listFile, const QString& folder, const QStringList& ownNames,
                 std::stop_token stopToken, CRunProgress& progress)
        : m_Watchdog(listFile), m_OwnNames(ownNames), m_StopToken(std::move(stopToken)),
          m_Progress(progress) {
        m_Watchdog.AddPath(folder, 0);
    }

    CConfigWatchdog& Watchdog() override { return m_Watchdog; }
    void AnnounceModified(const CModifiedAlert& alert) override { m_strAnnouncement = alert.m_strMessage; }
    void CheckEnded(const QString& /*path*/) override {
        {
            const std::lock_guard lock(m_Progress.m_lock);
            m_bEnded = true;
        }
        m_Progress.m_checkEnded.notify_all();
    }
    std::stop_token CheckStopToken() const override { return m_StopToken; }
    QStringList OwnNames() const override { return m_OwnNames; }

    // Whether the check is over; m_Progress.m_lock must be held.
    bool HasEndedLocked() const { return m_bEnded; }
    CSVNPath Record() const { return m_Watchdog.Records().front(); }
    const QString& Announcement() const { return m_strAnnouncement; }

private:
    CConfigWatchdog m_Watchdog;
    const QStringList m_OwnNames;
    const std::stop_token m_StopToken;
    CRunProgress& m_Progress;
    QString m_strAnnouncement; // the alert of the check, if it made one
    bool m_bEnded = false;     // guarded by m_Progress.m_lock
};

CFolderCheckRun::CFolderCheckRun(const QString& listFile, QTextStream& output, QTextStream& errors,
                                 MyLogFile& log, unsigned nJobs)
    : m_strListFile(listFile), m_Output(output), m_Errors(errors), m_Log(log), m_nJobs(std::max(nJobs, 1u)) {}

int CFolderCheckRun::CheckFolders(const QStringList& folders, std::stop_token stopToken) {
    // The checks stop at the caller's request, and also once their outcomes can no longer be written.
    std::stop_source runStop;
    const std::stop_callback forwardStop(stopToken, [&runStop] { runStop.request_stop(); });
    const std::stop_token checksStopToken = runStop.get_token();
    CRunProgress progress;
    // The names the user listed as their own, read once for the whole run.
    const QStringList ownNames = CNamesFile(CNamesFile::Beside(m_strListFile)).ReadNames();
    std::vector<std::unique_ptr<CFolderCheck>> checks;
    for (const QString& folder : folders)
        checks.push_back(
            std::make_unique<CFolderCheck>(m_strListFile, folder, ownNames, checksStopToken, progress));

    // Made after the checks, so it is gone, with every job it ran or dropped, before they are.
    CWorkQueue queue;
    const unsigned nThreads = std::min<unsigned>(m_nJobs, std::max<qsizetype>(folders.size(), 1));
    if (!queue.Start(nThreads)) {
        m_Errors << "corvane: cannot start the checks" << Qt::endl;
        return kSomeFailed;
    }
    for (qsizetype i = 0; i < folders.size(); ++i)
        queue.Enqueue(new CSubVersionThread(checks[i].get(), folders[i]));

    int exitStatus = kAllUpToDate;
    for (const std::unique_ptr<CFolderCheck>& pCheck : checks) {
        std::unique_lock lock(progress.m_lock);
        if (!progress.m_checkEnded.wait(lock, checksStopToken, [&] { return pCheck->HasEndedLocked(); })) {
            // Stopped: the outcomes from here on are those of killed runs, not of the folders.
            exitStatus = kSomeFailed;
            break;
        }
        lock.unlock();
        exitStatus = std::max(exitStatus, Report(*pCheck));
        if (m_bOutputFailed) {
            runStop.request_stop();
            exitStatus = kSomeFailed;
            break;
        }
    }
    queue.Stop();
    return exitStatus;
}

int CFolderCheckRun::CheckListedFolders(std::stop_token stopToken) {
    const CPathListFile listFile(m_strListFile);
    const std::optional<QStringList> folders = listFile.ReadPaths();
    if (!folders) {
        m_Errors << "corvane: cannot read the watch list " << Escaped(platform::NativePath(m_strListFile))
                 << ": " << listFile.ReadFailure()
                 << "; write one folder per line there, or name the folders after --check" << Qt::endl;
        return kSomeFailed;
    }
    if (folders->isEmpty())
        m_Errors << "corvane: the watch list " << Escaped(platform::NativePath(m_strListFile))
                 << " names no folder" << Qt::endl;
    return CheckFolders(*folders, std::move(stopToken));
}

QString CFolderCheckRun::Escaped(const QString& text) {
    // Where '\' separates the names of a path, it is printed as it is, so that paths, and svn's lines
    // that name them, read as the system writes them and paste back into its console.
    const bool bEscapeBackslash = QDir::separator() != QLatin1Char('\\');
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        if (character == QLatin1Char('\\') && bEscapeBackslash)
            escaped += QLatin1String("\\\\");
        else if (character == QLatin1Char('\t'))
            escaped += QLatin1String("\\t");
        else if (character == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else if (code < 0x20 || (code >= 0x7f && code <= 0x9f))
            escaped += QStringLiteral("\\x%1").arg(static_cast<uint>(code), 2, 16, QLatin1Char('0'));
        else
            escaped += character;
    }
    return escaped;
}

int CFolderCheckRun::Report(const CFolderCheck& check) {
    const CSVNPath record = check.Record();
    const QString line = Escaped(record.m_strPath) + kSeparator + StateText(record.m_iState) + kSeparator +
                         Escaped(record.m_strLastAuthor) + kSeparator + record.m_strCheckedAt;
    m_Output << line << '\n';
    // Why a check failed: "not a working copy" and "svn is missing" read alike otherwise.
    const QString reason = Escaped(record.m_strReason);
    if (!reason.isEmpty())
        m_Output << kMessageIndent << reason << '\n';
    const QString& message = check.Announcement();
    if (!message.isEmpty()) {
        // The alert's first line ends after the author; whatever line breaks the author or the
        // folder's name hold are escaped, so the alert stays two indented lines.
        const QString firstLine = QStringLiteral("Message from %1:").arg(record.m_strLastAuthor);
        QStringList lines{message};
        if (message.startsWith(firstLine + QLatin1Char('\n')))
            lines = QStringList{firstLine, message.mid(firstLine.size() + 1)};
        for (const QString& messageLine : lines)
            m_Output << kMessageIndent << Escaped(messageLine) << '\n';
    }
    // What the copy lacks, also when the alert stayed quiet because the user made those commits.
    for (const QString& changeLine : SummaryLines(record.m_Changes) + PredictionLines(record.m_Changes))
        m_Output << kMessageIndent << Escaped(changeLine) << '\n';
    m_Output.flush();
    if (m_Output.status() != QTextStream::Ok)
        m_bOutputFailed = true;
    QString logLine = reason.isEmpty() ? line : line + kSeparator + reason;
    if (!record.m_Changes.m_Predictions.empty())
        logLine += kSeparator + QStringLiteral("conflicts ahead: %1").arg(ConflictCount(record.m_Changes));
    m_Log.LogText(logLine);
    return ExitStatusOf(record.m_iState);
}
