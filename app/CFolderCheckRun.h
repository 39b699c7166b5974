#pragma once

#include "engine/CCheckHost.h"
#include "settings/CConfigWatchdog.h"

#include <QString>
#include <QStringList>

class MyLogFile;
class QTextStream;

// Checks folders once, now, one after the other, with the tray program's check job and its states,
// and reports each outcome as it is known: one line of path, state text, last author and check time,
// separated by tabs; for a folder that is behind, the alert's message follows, each of its lines
// indented by two spaces. Needs no tray, timer or event loop, and never writes the list file.
//
// The jobs run on the caller's thread, so nothing here is shared with another thread.
class CFolderCheckRun final : public CCheckHost {
public:
    // Exit statuses: every folder up-to-date; some modified and none in error; some in error.
    static constexpr int kAllUpToDate = 0;
    static constexpr int kSomeModified = 1;
    static constexpr int kSomeFailed = 2;

    // A run whose watch list is listFile. Outcomes go to output, problems to errors; each outcome
    // line is also written to log, which writes nothing unless it was switched on.
    CFolderCheckRun(const QString& listFile, QTextStream& output, QTextStream& errors, MyLogFile& log);

    // Checks each folder in the given order. The exit status.
    int CheckFolders(const QStringList& folders);
    // Checks the folders of the list file, in file order. kSomeFailed, with a word on errors and
    // nothing checked, when the list file cannot be read.
    int CheckListedFolders();

    CConfigWatchdog& Watchdog() override { return m_Watchdog; }
    void AnnounceModified(const QString& message) override;
    void CheckEnded(const QString& path) override;

private:
    // Checks one folder and prints its outcome; its exit status alone.
    int CheckFolder(const QString& folder);

    CConfigWatchdog m_Watchdog;
    QTextStream& m_Output;
    QTextStream& m_Errors;
    MyLogFile& m_Log;
    QString m_strAnnouncement; // the alert of the check that is running, if it made one
};
