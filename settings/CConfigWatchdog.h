#pragma once

#include "settings/CSVNPath.h"

#include <QString>
#include <QStringList>
#include <mutex>
#include <vector>

// Index of the line of the list file that GetNextPath returns next; shared by the whole process.
extern int g_iNextPathLine;

// The watched folders: the list file "pathlist.ini" and one record per non-blank line.
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

    // Makes one record per non-blank line, each due at once (countdown 0). False, with the records
    // as they were, when the list file cannot be read.
    bool LoadPathList();
    // Replaces the list file atomically with one line per non-blank item and remakes the records
    // (Waiting, countdown 60). False, with the file and the records unchanged, when the file cannot
    // be written or an item is a name that a line of it cannot hold (CPathListFile::CanHold).
    bool SavePathList(const QStringList& items);
    // The next non-blank line of the list file in rotation, read afresh; empty when there is none.
    QString GetNextPath();
    // Lowers every positive countdown by one.
    void DecrementCountdowns();
    // The countdown of the last record with this path, or -33 when none has it.
    int GetCountdown(const QString& path) const;
    // Stores a result in every record with this path, also in records made since its check began, and
    // restarts its countdown at 60; changes are the revisions a modified working copy lacks, reason
    // why a failed check failed.
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

private:
    // Replaces every record by one per path, all with this countdown; m_lock must be held.
    void RemakeRecordsLocked(const QStringList& paths, int countdown);
    // Applies a result to every record with this path; m_lock must be held.
    void SetPathResultLocked(const QString& path, const QString& author, int state, const QString& checkedAt,
                             const SVNChanges& changes, const QString& reason);

    mutable std::mutex m_lock;
    std::vector<CSVNPath> m_pPaths;
    const QString m_strListFile;
};
