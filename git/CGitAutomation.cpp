#include "git/CGitAutomation.h"

#include "git/CGitReader.h"
#include "platform/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace {

constexpr qsizetype kMaxReasonLength = CGitReader::kMaxFieldLength;

QString Text(const std::string& output) {
    return QString::fromUtf8(output.data(), static_cast<qsizetype>(output.size()));
}

bool IsCommitName(const QString& name) {
    return (name.size() == 40 || name.size() == 64) && std::all_of(name.begin(), name.end(), [](QChar c) {
               return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                      (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
           });
}

// git's first line that starts with the prefix. A line that ends in ':' goes on in the next ("fatal:
// unable to connect to host:" and then why); what the transport said before it, such as ssh's
// "Permission denied (password).", follows it in brackets.
QString FirstLineStarting(const QStringList& lines, const QString& prefix) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        if (!line.startsWith(prefix))
            continue;
        if (line.endsWith(QLatin1Char(':')) && i + 1 < lines.size())
            line += QLatin1Char(' ') + lines[i + 1].trimmed();
        for (qsizetype before = i - 1; before >= 0; --before) {
            const QString cause = lines[before].trimmed();
            if (cause.isEmpty() || cause.startsWith(QStringLiteral("warning: ")) ||
                cause.startsWith(QStringLiteral("hint: ")))
                continue;
            line += QStringLiteral(" (%1)").arg(cause);
            break;
        }
        return line.left(kMaxReasonLength);
    }
    return {};
}

} // namespace

CGitAutomation::CGitAutomation(std::chrono::milliseconds timeLimit, std::stop_token stopToken)
    : m_msTimeLimit(timeLimit), m_StopToken(std::move(stopToken)) {}

bool CGitAutomation::IsWorkingTree(const QString& folder) {
    return !folder.isEmpty() && QFileInfo::exists(folder + QStringLiteral("/.git"));
}

bool CGitAutomation::GetStatus(const QString& folder, GitStatus& status) {
    bool bSucceeded = false;
    // An fsmonitor hook would run, and a daemon of Git for Windows' own would start and stay. Empty,
    // the setting reads as false to every git since 2.30, as a path as well as a switch.
    std::string output =
        RunGit(folder,
               {QStringLiteral("status"), QStringLiteral("--porcelain=v2"), QStringLiteral("--branch"),
                QStringLiteral("-z"), QStringLiteral("--ignore-submodules=dirty")},
               bSucceeded, {QStringLiteral("core.fsmonitor=")});
    // A tree with more changes than a run may collect still names its branch first; the changes
    // are kept up to the last whole one.
    const bool bCut = LastRunWasCut();
    if (bCut)
        output.resize(output.rfind('\0') == std::string::npos ? 0 : output.rfind('\0') + 1);
    if ((!bSucceeded && !bCut) || !CGitReader::ReadStatus(output, status))
        return false;
    status.m_bComplete = !bCut;
    return true;
}

bool CGitAutomation::GetConfig(const QString& folder, GitConfig& config) {
    bool bSucceeded = false;
    const std::string output = RunGit(
        folder, {QStringLiteral("config"), QStringLiteral("--list"), QStringLiteral("-z")}, bSucceeded);
    return bSucceeded && CGitReader::ReadConfig(output, config);
}

bool CGitAutomation::GetRemoteTip(const QString& folder, const GitConfig& config, const QString& remote,
                                  const QString& ref, QString& commit) {
    bool bSucceeded = false;
    const std::string output =
        RunGit(folder, {QStringLiteral("ls-remote"), QStringLiteral("--"), remote, ref}, bSucceeded,
               SshOptions(config));
    m_bRemoteLacksRef = bSucceeded && !CGitReader::ReadRemoteTip(output, ref, commit);
    return bSucceeded && !m_bRemoteLacksRef;
}

bool CGitAutomation::Fetch(const QString& folder, const GitConfig& config, const QString& remote,
                           const QString& ref) {
    // The ref is fetched to no ref of the repository (an empty refmap, and none given after it), so
    // only its objects arrive; neither FETCH_HEAD nor a commit graph is written, and no gc or
    // maintenance follows.
    bool bSucceeded = false;
    RunGit(folder,
           {QStringLiteral("fetch"), QStringLiteral("--quiet"), QStringLiteral("--no-tags"),
            QStringLiteral("--no-write-fetch-head"), QStringLiteral("--refmap="),
            QStringLiteral("--no-prune"), QStringLiteral("--no-recurse-submodules"),
            QStringLiteral("--no-write-commit-graph"), QStringLiteral("--no-auto-maintenance"),
            QStringLiteral("--"), remote, ref},
           bSucceeded,
           SshOptions(config) +
               QStringList{QStringLiteral("gc.auto=0"), QStringLiteral("maintenance.auto=false")});
    return bSucceeded;
}

bool CGitAutomation::CountApart(const QString& folder, const QString& left, const QString& right,
                                qlonglong& onlyLeft, qlonglong& onlyRight) {
    if (!IsCommitName(left) || !IsCommitName(right))
        return false;
    bool bSucceeded = false;
    const std::string output =
        RunGit(folder,
               {QStringLiteral("rev-list"), QStringLiteral("--left-right"), QStringLiteral("--count"),
                left + QStringLiteral("...") + right, QStringLiteral("--")},
               bSucceeded);
    return bSucceeded && CGitReader::ReadCounts(output, onlyLeft, onlyRight);
}

bool CGitAutomation::GetLog(const QString& folder, const QString& newest, const QString& excluded, int limit,
                            bool bPaths, std::vector<GitCommit>& commits) {
    if (!IsCommitName(newest) || (!excluded.isEmpty() && !IsCommitName(excluded)))
        return false;
    QStringList arguments{QStringLiteral("log"),
                          QStringLiteral("-z"),
                          QStringLiteral("--date-order"),
                          QStringLiteral("--no-show-signature"),
                          QStringLiteral("--encoding=UTF-8"),
                          QStringLiteral("--format=") + QLatin1String(CGitReader::kLogFormat),
                          QStringLiteral("--max-count=%1").arg(limit)};
    if (bPaths)
        arguments << QStringLiteral("--name-status");
    arguments << newest;
    if (!excluded.isEmpty())
        arguments << QLatin1Char('^') + excluded;
    arguments << QStringLiteral("--");
    bool bSucceeded = false;
    const std::string output = RunGit(folder, arguments, bSucceeded);
    return bSucceeded && CGitReader::ReadLog(output, commits);
}

std::string CGitAutomation::GetShow(const QString& folder, const QString& commit) {
    if (!IsCommitName(commit))
        return {};
    bool bSucceeded = false;
    // No program of the repository's own configuration turns the diff into something else.
    return RunGit(folder,
                  {QStringLiteral("show"), QStringLiteral("--no-color"), QStringLiteral("--no-ext-diff"),
                   QStringLiteral("--no-textconv"), QStringLiteral("--no-show-signature"),
                   QStringLiteral("--encoding=UTF-8"), commit, QStringLiteral("--")},
                  bSucceeded);
}

bool CGitAutomation::CommitWorkingTree(const QString& folder, const QString& head,
                                       const QStringList& untracked, const QString& scratchFolder,
                                       QString& commit) {
    if (!IsCommitName(head))
        return false;
    bool bSucceeded = false;
    const QString index = QDir(folder).absoluteFilePath(
        Text(RunGit(folder,
                    {QStringLiteral("rev-parse"), QStringLiteral("--git-path"), QStringLiteral("index")},
                    bSucceeded))
            .trimmed());
    if (!bSucceeded)
        return false;
    const QString copy = QDir(scratchFolder).filePath(QStringLiteral("index"));
    // git replaces the index by renaming a whole new one over it, so the copy is one of them whole.
    if (!QFile::copy(index, copy)) {
        m_strFailure = QStringLiteral("cannot copy the index %1 into a scratch folder")
                           .arg(QDir::toNativeSeparators(index));
        return false;
    }
    // The copy takes every write and its lock; no hook runs, from a folder that holds none, and no
    // fsmonitor. The commit's author is fixed, as the user may have set none; it is never shown.
    const QStringList options{QStringLiteral("core.hooksPath=") +
                                  QDir(scratchFolder).filePath(QStringLiteral("hooks")),
                              QStringLiteral("core.fsmonitor=")};
    const QByteArrayList settings{"GIT_INDEX_FILE=" + QDir::toNativeSeparators(copy).toUtf8(),
                                  "GIT_LITERAL_PATHSPECS=1",
                                  "GIT_AUTHOR_NAME=Corvane",
                                  "GIT_AUTHOR_EMAIL=corvane@localhost",
                                  "GIT_COMMITTER_NAME=Corvane",
                                  "GIT_COMMITTER_EMAIL=corvane@localhost"};
    RunGit(folder, {QStringLiteral("add"), QStringLiteral("--update")}, bSucceeded, options, settings);
    if (bSucceeded && !untracked.isEmpty())
        RunGit(folder, QStringList{QStringLiteral("add"), QStringLiteral("--")} + untracked, bSucceeded,
               options, settings);
    if (!bSucceeded)
        return false;
    std::string output = RunGit(folder, {QStringLiteral("write-tree")}, bSucceeded, options, settings);
    QString tree;
    if (!bSucceeded || !CGitReader::ReadObjectName(output, tree))
        return false;
    output = RunGit(folder,
                    {QStringLiteral("commit-tree"), QStringLiteral("--no-gpg-sign"), QStringLiteral("-p"),
                     head, QStringLiteral("-m"), QStringLiteral("The working tree"), tree},
                    bSucceeded, options, settings);
    return bSucceeded && CGitReader::ReadObjectName(output, commit);
}

bool CGitAutomation::FindMergeConflicts(const QString& folder, const QString& ours, const QString& theirs,
                                        QStringList& conflicted) {
    if (!IsCommitName(ours) || !IsCommitName(theirs))
        return false;
    bool bSucceeded = false;
    const std::string output =
        RunGit(folder,
               {QStringLiteral("merge-tree"), QStringLiteral("--write-tree"), QStringLiteral("--name-only"),
                QStringLiteral("--no-messages"), QStringLiteral("-z"), ours, theirs},
               bSucceeded);
    // Status 1 says that the merge conflicts; any other than 0 that git failed.
    const bool bAnswered = bSucceeded || (m_eLastRunEnd == RunEnd::Ended && m_LastExitCode == 1);
    return bAnswered && CGitReader::ReadMergeConflicts(output, conflicted) &&
           bSucceeded == conflicted.isEmpty();
}

QString CGitAutomation::FailureReason() const {
    if (!m_strFailure.isEmpty())
        return m_strFailure;
    switch (m_eLastRunEnd) {
    case RunEnd::NotStarted:
        return QStringLiteral("git was not found on the PATH");
    case RunEnd::TimedOut:
        return QStringLiteral("git did not answer within %1 s")
            .arg(std::chrono::ceil<std::chrono::seconds>(m_msTimeLimit).count());
    case RunEnd::Stopped:
        return QStringLiteral("the check was stopped before git answered");
    case RunEnd::Ended:
    case RunEnd::Cut:
        break;
    }
    const QStringList lines = Text(m_strLastOutput).split(QLatin1Char('\n'));
    for (const QString& prefix : {QStringLiteral("fatal: "), QStringLiteral("error: ")}) {
        const QString line = FirstLineStarting(lines, prefix);
        if (!line.isEmpty())
            return line;
    }
    return QStringLiteral("git's answer could not be read");
}

std::string CGitAutomation::RunGit(const QString& folder, const QStringList& arguments, bool& bSucceeded,
                                   const QStringList& options, const QByteArrayList& settings) {
    m_strFailure.clear();
    // git would take an empty folder for its current one.
    if (folder.isEmpty()) {
        m_eLastRunEnd = RunEnd::Ended;
        m_LastExitCode.reset();
        m_strLastOutput.clear();
        bSucceeded = false;
        return {};
    }
    // "-C" takes the next argument as the folder whatever it starts with.
    QString commandLine = QStringLiteral("-C ") + platform::QuoteArgument(folder);
    for (const QString& option : options)
        commandLine += QStringLiteral(" -c ") + platform::QuoteArgument(option);
    for (const QString& argument : arguments)
        commandLine += QLatin1Char(' ') + platform::QuoteArgument(argument);
    m_strLastOutput =
        RunCommand(QStringLiteral("git.exe"), commandLine, m_msTimeLimit, m_StopToken, kDefaultOutputLimit,
                   &m_eLastRunEnd, platform::ChildConsole::Hidden, &m_LastExitCode, settings);
    bSucceeded = m_eLastRunEnd == RunEnd::Ended && m_LastExitCode == 0;
    return m_strLastOutput;
}

QStringList CGitAutomation::SshOptions(const GitConfig& config) {
    if (config.contains(QStringLiteral("core.sshcommand")) || qEnvironmentVariableIsSet("GIT_SSH_COMMAND") ||
        qEnvironmentVariableIsSet("GIT_SSH"))
        return {};
    return {QStringLiteral("core.sshCommand=ssh -o BatchMode=yes")};
}
