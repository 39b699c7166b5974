#include "settings/CConfigWatchdog.h"

#include "platform/FileSystemAccess.h"
#include "platform/SystemInfo.h"
#include "settings/CIntervalsFile.h"
#include "settings/CPathListFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <utility>

int g_iNextPathLine = 0;

namespace {

constexpr int kNoRecordCountdown = -33;
constexpr int kCountdownAfterSave = 60;
constexpr int kCountdownAfterLoad = 0;
constexpr char kCheckedAtFormat[] = "%H:%M:%S";

QString ListFileIn(const QString& folder) {
    return folder + QStringLiteral("/pathlist.ini");
}

QString IntervalsFileBeside(const QString& listFile) {
    return QFileInfo(listFile).dir().filePath(QStringLiteral("intervals.ini"));
}

// The line at g_iNextPathLine, or the first when there is none there; g_iNextPathLine moves past it.
QString TakeNextLine(const QStringList& paths) {
    if (g_iNextPathLine < 0 || g_iNextPathLine >= paths.size())
        g_iNextPathLine = 0;
    return paths.value(g_iNextPathLine++);
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
                                                                           {},
                                                                           OwnCopy(entry.m_strUrl),
                                                                           OwnCopy(entry.m_strCommit)});
        for (const SVNChangedPath& path : entry.m_ChangedPaths)
            entryCopy.m_ChangedPaths.push_back({OwnCopy(path.m_strAction), OwnCopy(path.m_strPath)});
    }
    for (const SVNEditPrediction& prediction : changes.m_Predictions) {
        QStringList revisions;
        for (const QString& revision : prediction.m_Revisions)
            revisions.append(OwnCopy(revision));
        copy.m_Predictions.push_back({OwnCopy(prediction.m_strPath), OwnCopy(prediction.m_strInRepository),
                                      prediction.m_eOutcome, revisions, OwnCopy(prediction.m_strReason),
                                      prediction.m_bGit});
    }
    copy.m_nMorePredictions = changes.m_nMorePredictions;
    return copy;
}

} // namespace

CConfigWatchdog::CConfigWatchdog() : CConfigWatchdog(DefaultListFile(platform::ProgramFolder())) {}

CConfigWatchdog::CConfigWatchdog(QString listFile)
    : m_strListFile(std::move(listFile)), m_strIntervalsFile(IntervalsFileBeside(m_strListFile)) {}

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
    const std::map<QString, int> intervals =
        CIntervalsFile(m_strIntervalsFile).ReadIntervals().value_or(std::map<QString, int>{});
    std::lock_guard guard(m_lock);
    RemakeRecordsLocked(*paths, kCountdownAfterLoad, intervals);
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
    std::map<QString, int> intervals = IntervalsLocked();
    const std::size_t nBefore = intervals.size();
    std::erase_if(intervals, [&paths](const auto& interval) { return !paths.contains(interval.first); });
    // Should this write fail, the removed folder's line stays, and is read only if it comes back.
    if (intervals.size() != nBefore)
        CIntervalsFile(m_strIntervalsFile).WriteIntervals(intervals);
    RemakeRecordsLocked(paths, kCountdownAfterSave, intervals);
    return true;
}

bool CConfigWatchdog::SetInterval(const QString& path, int minutes) {
    if (minutes < CIntervalsFile::kShortest || minutes > CIntervalsFile::kLongest)
        return false;
    std::lock_guard guard(m_lock);
    if (std::none_of(m_pPaths.begin(), m_pPaths.end(),
                     [&path](const CSVNPath& record) { return record.m_strPath == path; }))
        return false;
    std::map<QString, int> intervals = IntervalsLocked();
    if (minutes == kDefaultCheckInterval)
        intervals.erase(path);
    else
        intervals[path] = minutes;
    if (!CIntervalsFile(m_strIntervalsFile).WriteIntervals(intervals))
        return false;
    for (CSVNPath& record : m_pPaths) {
        if (record.m_strPath != path)
            continue;
        // Negative once the folder is due: then it tells how long it has waited past its interval.
        const qint64 left = qint64{record.m_iCountdown} - record.m_iOverdue + minutes - record.m_iInterval;
        record.m_iCountdown = static_cast<int>(std::max<qint64>(0, left));
        record.m_iOverdue = static_cast<int>(std::min<qint64>(std::max<qint64>(0, -left), INT_MAX));
        record.m_iInterval = minutes;
    }
    return true;
}

int CConfigWatchdog::GetInterval(const QString& path) const {
    std::lock_guard guard(m_lock);
    int interval = kDefaultCheckInterval;
    for (const CSVNPath& record : m_pPaths) {
        if (record.m_strPath == path)
            interval = record.m_iInterval;
    }
    return interval;
}

QString CConfigWatchdog::GetNextPath() {
    const std::optional<QStringList> paths = CPathListFile(m_strListFile).ReadPaths();
    if (!paths)
        return {};
    return TakeNextLine(*paths);
}

QStringList CConfigWatchdog::GetNextPaths() {
    const std::optional<QStringList> paths = CPathListFile(m_strListFile).ReadPaths();
    if (!paths)
        return {};
    QStringList chosen{TakeNextLine(*paths)};
    if (paths->isEmpty())
        return {};
    // Line i has its turn in minute i * 60 / n of the round: beyond 60 lines, those that share a
    // minute come together.
    const qint64 lines = paths->size();
    const auto minute = [lines](qint64 line) { return line * kDefaultCheckInterval / lines; };
    while (g_iNextPathLine < lines && minute(g_iNextPathLine) == minute(g_iNextPathLine - 1))
        chosen.append(paths->at(g_iNextPathLine++));
    return chosen;
}

bool CConfigWatchdog::FollowListFile() {
    const std::optional<QStringList> paths = CPathListFile(m_strListFile).ReadPaths();
    if (!paths)
        return false;
    {
        std::lock_guard guard(m_lock);
        if (std::equal(m_pPaths.begin(), m_pPaths.end(), paths->begin(), paths->end(),
                       [](const CSVNPath& record, const QString& path) { return record.m_strPath == path; }))
            return false;
    }
    // Read only when the list changed; a line written by hand may come with an interval written so.
    const std::map<QString, int> intervals =
        CIntervalsFile(m_strIntervalsFile).ReadIntervals().value_or(std::map<QString, int>{});
    std::lock_guard guard(m_lock);
    std::vector<CSVNPath> previous = std::move(m_pPaths);
    m_pPaths.clear();
    m_pPaths.reserve(static_cast<std::size_t>(paths->size()));
    std::vector<bool> taken(previous.size(), false);
    for (const QString& path : *paths) {
        std::size_t index = 0;
        while (index < previous.size() && (taken[index] || previous[index].m_strPath != path))
            ++index;
        if (index < previous.size()) {
            taken[index] = true;
            m_pPaths.push_back(std::move(previous[index]));
            continue;
        }
        CSVNPath& record = m_pPaths.emplace_back();
        record.m_strPath = OwnCopy(path);
        record.m_iCountdown = kCountdownAfterLoad;
        if (const auto own = intervals.find(path); own != intervals.end())
            record.m_iInterval = own->second;
    }
    return true;
}

void CConfigWatchdog::DecrementCountdowns(int ticks) {
    std::lock_guard guard(m_lock);
    for (CSVNPath& record : m_pPaths) {
        // A machine that slept for weeks gives many ticks at once; the sum stays in range.
        const qint64 waited = qint64{ticks} - std::max(0, record.m_iCountdown);
        if (waited > 0)
            record.m_iOverdue = static_cast<int>(std::min<qint64>(record.m_iOverdue + waited, INT_MAX));
        if (record.m_iCountdown > 0)
            record.m_iCountdown = std::max(0, record.m_iCountdown - ticks);
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
    CSVNPath record;
    record.m_strPath = OwnCopy(path);
    record.m_iCountdown = countdown;
    std::lock_guard guard(m_lock);
    m_pPaths.push_back(std::move(record));
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
                                   OwnCopy(record.m_Changes), record.m_iInterval, OwnCopy(record.m_strReason),
                                   record.m_iOverdue});
    }
    return records;
}

void CConfigWatchdog::RemakeRecordsLocked(const QStringList& paths, int countdown,
                                          const std::map<QString, int>& intervals) {
    m_pPaths.clear();
    m_pPaths.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) {
        const auto own = intervals.find(path);
        const int interval = own == intervals.end() ? kDefaultCheckInterval : own->second;
        m_pPaths.push_back(
            CSVNPath{OwnCopy(path), {}, {}, Waiting, std::min(countdown, interval), {}, interval, {}});
    }
}

std::map<QString, int> CConfigWatchdog::IntervalsLocked() const {
    std::map<QString, int> intervals;
    for (const CSVNPath& record : m_pPaths) {
        if (record.m_iInterval != kDefaultCheckInterval)
            intervals[OwnCopy(record.m_strPath)] = record.m_iInterval;
    }
    return intervals;
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
        record.m_iCountdown = record.m_iInterval;
        record.m_iOverdue = 0;
        record.m_Changes = OwnCopy(changes);
        record.m_strReason = OwnCopy(reason);
    }
}
