#pragma once

#include <QString>
#include <QStringList>
#include <stop_token>

class MyLogFile;
class QTextStream;

// Checks folders once, now, with the tray program's check job and its states, several at once, and
// reports each outcome in the order the folders were given: one line of path, state text, last
// author and check time, separated by tabs; for a folder in error, the reason follows ("svn: E155007:
// '/tmp' is not a working copy"); for a folder that is behind, the alert's message follows, then one
// line per revision it lacks ("r3 carol: Fix the parser"), then one per edit of the user's that
// those revisions meet, with what svn would make of it ("src/parser.c: your edit conflicts with r3"),
// each line indented by two spaces. The log's line of such a folder ends with its count of conflicts.
// A copy that lacks only the user's own commits raises no alert, so only its revisions follow. A tab,
// a line break or a backslash in a path or an author is printed as \t, \n or \\ (on Windows, where
// it separates a path's names, a backslash stays as it is), and any other control character as \xHH,
// its code in two lower-case hexadecimal digits, so that every outcome keeps to its own line and
// fields and no text of a server's reaches the terminal as a control sequence. Needs no tray, timer
// or event loop, and never writes the list file.
//
// The checks run on worker threads of their own; the caller's thread alone prints and logs.
class CFolderCheckRun final {
public:
    // Exit statuses: every folder up-to-date; some modified and none in error; some in error.
    static constexpr int kAllUpToDate = 0;
    static constexpr int kSomeModified = 1;
    static constexpr int kSomeFailed = 2;

    // A run whose watch list is listFile and that checks up to nJobs folders at once. Outcomes go to
    // output, problems to errors; each outcome line is also written to log, which writes nothing
    // unless it was switched on.
    CFolderCheckRun(const QString& listFile, QTextStream& output, QTextStream& errors, MyLogFile& log,
                    unsigned nJobs = 1);

    // Checks the folders and prints their outcomes in the given order. The exit status. A stop
    // requested through stopToken kills the svn runs at once and ends the run: no outcome is printed
    // after it, and the status is kSomeFailed. So does an outcome that cannot be written, after
    // which OutputFailed is true.
    int CheckFolders(const QStringList& folders, std::stop_token stopToken = {});
    // Checks the folders of the list file, printed in file order. kSomeFailed, with a word on errors
    // and nothing checked, when the list file cannot be read.
    int CheckListedFolders(std::stop_token stopToken = {});

    // Whether writing an outcome has failed.
    bool OutputFailed() const { return m_bOutputFailed; }

    // The text with each tab, line break and backslash written as \t, \n and \\, and every other
    // control character (C0, DEL and C1) as \x and its code in two lower-case hexadecimal digits.
    // Where a backslash separates a path's names (Windows), it stays as it is.
    static QString Escaped(const QString& text);

private:
    class CFolderCheck;

    // Prints the outcome of one finished check; its exit status alone. A failed write sets
    // m_bOutputFailed.
    int Report(const CFolderCheck& check);

    const QString m_strListFile;
    QTextStream& m_Output;
    QTextStream& m_Errors;
    MyLogFile& m_Log;
    const unsigned m_nJobs;
    bool m_bOutputFailed = false;
};
