#pragma once

#include "platform/CommandRunner.h"
#include "svn/CExternalsReader.h"
#include "svn/CStatusReader.h"
#include "svn/SVNChanges.h"
#include "svn/SVNInfo.h"

#include <QString>
#include <chrono>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// Asks the Subversion client about a working copy or its repository: `info --xml` about one target
// (a working-copy folder or a repository URL), sorted into an SVNInfoResult and an SVNInfo; what of
// a working copy is out of date; the log and the changes of revisions. One object serves one job on
// one thread; it keeps only the texts of its last info run.
class CSubAutomation {
public:
    // Each svn run ends at timeLimit, or at once when a stop is requested through stopToken.
    explicit CSubAutomation(std::chrono::milliseconds timeLimit = kDefaultRunTimeLimit,
                            std::stop_token stopToken = {});
    virtual ~CSubAutomation() = default;

    // Runs `svn info --xml` on the target and reads its output as ReadOutput does. InfoOk leaves a
    // copy of the output in platform::DebugCopyPath(). Blocks until svn ends, the time limit passes
    // or the stop is requested; a stopped run fails as its output so far reads. An empty target
    // runs nothing and fails as an empty output; a run that writes more than kDefaultOutputLimit
    // bytes is killed and fails as broken output.
    int GetInfo(const QString& target, SVNInfo& record);

    // Classifies svn's raw output and, when it parses, fills record from it (InfoOk); the record is
    // not touched on any other result. Lines before the document (svn's warnings) are passed over;
    // output longer than kDefaultOutputLimit fails. Texts other than paths and URLs are cut to a
    // length fit for showing. Runs nothing and writes nothing.
    int ReadOutput(const std::string& rawOutput, SVNInfo& record);

    // Runs `svn status -u --xml --ignore-externals` on the working copy and reads what of it is out
    // of date, and which parts follow other URLs (CStatusReader); the items of an external folder are
    // not looked at, so that its own server's silence fails only its own run. False when svn failed on
    // it or its output does not read; FailureReason then says why.
    bool GetStatus(const QString& path, SVNStatus& status);
    // Runs `svn propget svn:externals --xml -R` on the working copy and reads the externals that its
    // folders define (CExternalsReader). False when svn failed or its output does not read.
    bool GetExternals(const QString& path, std::vector<SVNExternal>& externals);
    // The realm the server of url announces when it asks for a password, as svn names it in its
    // credential cache: the rest of the line of svn's prompt that starts with realmPrefix
    // ("<svn://host:3690> Team repositories"). Empty when the server asks for none, cannot be
    // reached, or realmPrefix is empty. svn is asked under a user name that has no cached password,
    // with nothing to read an answer from, so that it shows its prompt and fails at once.
    QString GetRealm(const QString& url, const QString& realmPrefix);
    // Runs `svn log --xml -v` on the repository URL for the revisions from newest down to oldest,
    // at most limit of them, and reads them (CLogReader). False, with nothing run, when a revision
    // is not a number; false when svn failed or its output does not read, FailureReason saying why.
    bool GetLog(const QString& url, const QString& newest, const QString& oldest, int limit,
                std::vector<SVNLogEntry>& entries);
    // What `svn diff -c` prints for one revision of the repository URL, cut one byte past
    // kDefaultOutputLimit; empty, with nothing run, when the revision is not a number.
    std::string GetDiff(const QString& url, const QString& revision);

    // Runs svn with the arguments on the targets, each taken as a path or URL of its own, never as an
    // option or a peg revision; output takes all it wrote. False when svn did not end by itself with
    // status 0, FailureReason then saying why. For runs on a scratch working copy of the program's own.
    bool RunOnTargets(const QString& arguments, const QStringList& targets, std::string& output);
    // Checks the repository folder url out as it was at revision, with none of its items, into
    // folder. False when svn failed.
    bool CheckoutEmpty(const QString& url, const QString& revision, const QString& folder);
    // The versioned properties of the item at path, by name, from `svn proplist -v --xml`. False when
    // svn failed or its output does not read.
    bool GetProperties(const QString& path, std::map<QString, QByteArray>& properties);

    // Why the last run failed, in one line for the user: what kept svn from answering or that its
    // answer was too long, else svn's own first error or numbered warning line ("svn: warning:
    // W170000: URL '...' non-existent in revision 3"), else that its answer could not be read.
    QString FailureReason() const;

    QString m_strMessage; // the diagnostic of the last run that failed with one
    QString m_strOutput;  // the last info run's whole output as text, or the last other run's that failed

private:
    // Runs svn with the arguments, the last of them the target; "--" keeps the target from being read
    // as an option, and a trailing '@' keeps an '@' inside it from being read as a peg revision
    // unless peg names one. svn is killed once it writes more than outputLimit bytes. The run ends
    // at timeLimit when one is given, else at the object's.
    std::string RunSvn(const QString& arguments, const QString& target, const QString& peg = {},
                       std::size_t outputLimit = kDefaultOutputLimit,
                       std::optional<std::chrono::milliseconds> timeLimit = std::nullopt,
                       platform::ChildConsole console = platform::ChildConsole::Hidden);
    // Runs svn with the whole command line after the program's name, under the object's limits.
    std::string RunSvnLine(const QString& line, std::size_t outputLimit = kDefaultOutputLimit,
                           std::optional<std::chrono::milliseconds> timeLimit = std::nullopt,
                           platform::ChildConsole console = platform::ChildConsole::Hidden);
    // Passes bRead on; keeps the run's output in m_strOutput when it did not read.
    bool Kept(bool bRead, const std::string& rawOutput);

    std::chrono::milliseconds m_msTimeLimit;
    std::stop_token m_StopToken;
    RunEnd m_eLastRunEnd = RunEnd::NotStarted;
    std::optional<int> m_LastExitCode;
    std::size_t m_nLastOutputLimit = kDefaultOutputLimit;
};
