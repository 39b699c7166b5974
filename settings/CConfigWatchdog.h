#pragma once

#include "settings/CSVNPath.h"

#include <QString>
#include <QStringList>
#include <map>
#include <mutex>
#include <vector>

// Index of the line of the list file that GetNextPath returns next; shared by the whole process.
extern int g_iNextPathLine;

// The watched folders: the list file "pathlist.ini" and one record per non-blank line, and the
// intervals of those that are checked at an interval of their own, in "intervals.ini" beside it.
//
// Thread safety: m_lock guards m_pPaths. Every operation takes it, so the worker
// thread may store a result while the UI thread counts down, looks up, reads or remakes records.
// The list file itself and g_iNextPathLine belong to the UI thread.
class CConfigWatchdog final {
public:
    // Uses "pathlist.ini" beside the executable, or in the user's configuration folder when the
    // executable's folder cannot keep the user's files (platform::UserFilesFolder).
    CConfigWatchdog();
    // Uses the given list file; touches no file.
    explicit CConfigWatchdog(QString listFile);
    ~CConfigWatchdog();
    CConfigWatchdog(const CConfigWatchdog&) = delete;
    CConfigWatchdog& operator=(const CConfigWatchdog&) = delete;

    // The list file for a program kept in this folder: beside the program while the folder is the
    // user's own and no one else may write to it, else in the user's configuration folder.
    static QString DefaultListFile(const QString& programFolder);

    // Makes one record per non-blank line, each due at once (countdown 0) and with its own interval
    // where the intervals file gives one. False, with the records as they were, when the list file
    // cannot be read.
    bool LoadPathList();
    // Replaces the list file atomically with one line per non-blank item and remakes the records
    // (Waiting, countdown 60, or the folder's own interval when shorter); a folder no longer listed
    // loses its interval. False, with the file and the records unchanged, when the file cannot be
    // written or an item is a name that a line of it cannot hold (CPathListFile::CanHold).
    bool SavePathList(const QStringList& items);
    // Gives the folder an interval of its own in minutes (the default takes it away) and keeps it in
    // the intervals file; the countdown moves by the difference, so that the new interval counts
    // from the last result (and a folder already due for longer has waited past it). False, with nothing
    // changed, when no record has the path, the interval is out of range or the file cannot be written.
    bool SetInterval(const QString& path, int minutes);
    // The interval of the last record with this path; the default when none has it.
    int GetInterval(const QString& path) const;
    // The next non-blank line of the list file in rotation, read afresh; empty when there is none.
    QString GetNextPath();
    // The lines of the list file whose turn it is, read afresh: the next one in rotation, and beyond
    // 60 lines those that share its minute, so that the rotation comes round the whole list in 60
    // calls, as it does one line a call up to 60 lines. Empty when there is none.
    QStringList GetNextPaths();
    // Brings the records in line with the list file as it reads now, which the user may have edited
    // by hand: a new line gets a record (Waiting, due at once, with its own interval where the
    // intervals file gives one), a line gone loses its record, and the others keep theirs. Whether
    // the records changed; false, with the records as they were, when the file cannot be read.
    bool FollowListFile();
    // Lowers every positive countdown by ticks, down to 0 at the lowest; the ticks beyond 0 count as
    // waited past the interval.
    void DecrementCountdowns(int ticks = 1);
    // The countdown of the last record with this path, or -33 when none has it.
    int GetCountdown(const QString& path) const;
    // Stores a result in every record with this path, also in records made since its check began, and
    // restarts its countdown at its interval (60 unless it has one of its own); changes are the
    // revisions a modified working copy lacks, reason why a failed check failed.
    void SetPathResult(const QString& path, const QString& author, int state, const SVNChanges& changes = {},
                       const QString& reason = {});
    // Appends a record with empty author and time, state Waiting and the given countdown.
    void AddPath(const QString& path, int countdown);
    // Deletes every record.
    void RemoveAllPaths();

    // A consistent copy of the records, in list-file order.
    std::vector<CSVNPath> Records() const;
    // The full path of the list file.
    QString ListFile() const { return m_strListFile; }
    // The full path of the intervals file, beside the list file.
    QString IntervalsFile() const { return m_strIntervalsFile; }

private:
    // Replaces every record by one per path, all with this countdown, or their own interval when it
    // is shorter; m_lock must be held.
    void RemakeRecordsLocked(const QStringList& paths, int countdown,
                             const std::map<QString, int>& intervals);
    // The folders' own intervals as the records hold them; m_lock must be held.
    std::map<QString, int> IntervalsLocked() const;
    // Applies a result to every record with this path; m_lock must be held.
    void SetPathResultLocked(const QString& path, const QString& author, int state, const QString& checkedAt,
                             const SVNChanges& changes, const QString& reason);

    mutable std::mutex m_lock;
    std::vector<CSVNPath> m_pPaths;
    const QString m_strListFile;
    const QString m_strIntervalsFile;
};
