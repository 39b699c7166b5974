#pragma once

#include "svn/CommandRunner.h"
#include "svn/SVNInfo.h"

#include <QString>
#include <chrono>
#include <stop_token>
#include <string>

// Asks the Subversion client for `info --xml` about one target (a working-copy folder or a
// repository URL), sorts the output into an SVNInfoResult and fills an SVNInfo from it. One object
// serves one job on one thread; it keeps only the texts of its last run.
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

    QString m_strMessage; // the diagnostic of the last run that failed with one
    QString m_strOutput;  // the last run's whole output as text

private:
    std::chrono::milliseconds m_msTimeLimit;
    std::stop_token m_StopToken;
};
