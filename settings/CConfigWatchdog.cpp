#include "settings/CConfigWatchdog.h"

#include "platform/FileSystemAccess.h"
#include "platform/SystemInfo.h"
#include "settings/CPathListFile.h"

#include <utility>

int g_iNextPathLine = 0;

namespace {

constexpr int kNoRecordCountdown = -33;
constexpr int kCountdownAfterResult = 60;
constexpr int kCountdownAfterSave = 60;
constexpr int kCountdownAfterLoad = 0;
constexpr char kCheckedAtFormat[] = "%H:%M:%S";

QString ListFileIn(const QString& folder) {
    return folder + QStringLiteral("/pathlist.ini");
}

// A copy that shares no data with the original. Records keep their strings to themselves, so the
// reference counts of their texts change only under the lock, whichever thread gave or takes them.
QString OwnCopy(const QString& text) {
    return QString(text.constData(), text.size());
}

SVNChanges OwnCopy(const SVNChanges& changes) {
    SVNChanges copy{OwnCopy(changes.m_strUrl), {}, changes.m_bMore};
    copy.m_Revisions.reserve(changes.m_Revisions.size());
    for (const SVNLogEntry& entry : changes.m_Revisions) {
        SVNLogEntry& entryCopy = copy.m_Revisions.emplace_back(SVNLogEntry{OwnCopy(entry.m_strRevision),
                                                                           OwnCopy(entry.m_strAuthor),
                                                                           OwnCopy(entry.m_strDate),
                                                                           OwnCopy(entry.m_strMessage),
                                                                           {}});
        for (const SVNChangedPath& path : entry.m_ChangedPaths)
            entryCopy.m_ChangedPaths.push_back({OwnCopy(path.m_strAction), OwnCopy(path.m_strPath)});
    }
    return copy;
}

} // namespace

CConfigWatchdog::CConfigWatchdog() : m_strListFile(DefaultListFile(platform::ProgramFolder())) {}

CConfigWatchdog::CConfigWatchdog(QString listFile) : m_strListFile(std::move(listFile)) {}

CConfigWatchdog::~CConfigWatchdog() {
    RemoveAllPaths();
}

QString CConfigWatchdog::DefaultListFile(const QString& programFolder) {
    return ListFileIn(platform::UserFilesFolder(programFolder));
}

bool CConfigWatchdog::LoadPathList() {
    const std::optional<QStringList> paths = CPathListFile(m_strListFile).ReadPaths();
    if (!paths)
        return false;
    std::lock_guard guard(m_lock);
    RemakeRecordsLocked(*paths, kCountdownAfterLoad);
    return true;
}

bool CConfigWatchdog::SavePathList(const QStringList& items) {
    QStringList paths;
    for (const QString& item : items) {
        // A blank line would make no record when the file is read back.
        if (CPathListFile::Trimmed(item).isEmpty())
            continue;
        // The records must be what the saved file reads back as.
        if (!CPathListFile::CanHold(item))
            return false;
        paths.append(item);
    }
    if (!CPathListFile(m_strListFile).WritePaths(paths))
        return false;
    std::lock_guard guard(m_lock);
    RemakeRecordsLocked(paths, kCountdownAfterSave);
    return true;
}

QString CConfigWatchdog::GetNextPath() {
    const std::optional<QStringList> paths = CPathListFile(m_strListFile).ReadPaths();
    if (!paths)
        return {};
    QString chosen;
    if (g_iNextPathLine >= 0 && g_iNextPathLine < paths->size()) {
        chosen = paths->at(g_iNextPathLine);
    } else {
        chosen = paths->value(0);
        g_iNextPathLine = 0;
    }
    ++g_iNextPathLine;
    return chosen;
}

void CConfigWatchdog::DecrementCountdowns() {
    std::lock_guard guard(m_lock);
    for (CSVNPath& record : m_pPaths) {
        if (record.m_iCountdown > 0)
            --record.m_iCountdown;
    }
}

int CConfigWatchdog::GetCountdown(const QString& path) const {
    std::lock_guard guard(m_lock);
    int countdown = kNoRecordCountdown;
    for (const CSVNPath& record : m_pPaths) {
        if (record.m_strPath == path)
            countdown = record.m_iCountdown;
    }
    return countdown;
}

void CConfigWatchdog::SetPathResult(const QString& path, const QString& author, int state,
                                    const SVNChanges& changes, const QString& reason) {
    const QString checkedAt = platform::LocalTimeText(kCheckedAtFormat);
    std::lock_guard guard(m_lock);
    SetPathResultLocked(path, author, state, checkedAt, changes, reason);
}

void CConfigWatchdog::AddPath(const QString& path, int countdown) {
    std::lock_guard guard(m_lock);
    m_pPaths.push_back(CSVNPath{OwnCopy(path), {}, {}, Waiting, countdown, {}, {}});
}

void CConfigWatchdog::RemoveAllPaths() {
    std::lock_guard guard(m_lock);
    m_pPaths.clear();
}

std::vector<CSVNPath> CConfigWatchdog::Records() const {
    std::lock_guard guard(m_lock);
    std::vector<CSVNPath> records;
    records.reserve(m_pPaths.size());
    for (const CSVNPath& record : m_pPaths) {
        records.push_back(CSVNPath{OwnCopy(record.m_strPath), OwnCopy(record.m_strLastAuthor),
                                   OwnCopy(record.m_strCheckedAt), record.m_iState, record.m_iCountdown,
                                   OwnCopy(record.m_Changes), OwnCopy(record.m_strReason)});
    }
    return records;
}

void CConfigWatchdog::RemakeRecordsLocked(const QStringList& paths, int countdown) {
    m_pPaths.clear();
    m_pPaths.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths)
        m_pPaths.push_back(CSVNPath{OwnCopy(path), {}, {}, Waiting, countdown, {}, {}});
}

void CConfigWatchdog::SetPathResultLocked(const QString& path, const QString& author, int state,
                                          const QString& checkedAt, const SVNChanges& changes,
                                          const QString& reason) {
    for (CSVNPath& record : m_pPaths) {
        if (record.m_strPath != path)
            continue;
        record.m_iState = state;
        record.m_strLastAuthor = OwnCopy(author);
        record.m_strCheckedAt = OwnCopy(checkedAt);
        record.m_iCountdown = kCountdownAfterResult;
        record.m_Changes = OwnCopy(changes);
        record.m_strReason = OwnCopy(reason);
    }
}
