#pragma once

#include "git/GitAnswers.h"
#include "platform/CommandRunner.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// Asks git about a working tree and the remote its branch follows, without changing either: no ref
// moves, no FETCH_HEAD, no hook, no gc or maintenance, no lock on the index (the runs' environment
// says so, platform::BackgroundChildEnvironment). Only objects may be added, by Fetch. Every run is
// `git -C <folder> ...` through RunCommand, with its time limit and output bound, and never asks
// anything: ssh runs in batch mode unless the user chose a command for it. One object serves one job
// on one thread; it keeps only what its last run ended with.
class CGitAutomation {
public:
    // Each git run ends at timeLimit, or at once when a stop is requested through stopToken.
    explicit CGitAutomation(std::chrono::milliseconds timeLimit = kDefaultRunTimeLimit,
                            std::stop_token stopToken = {});
    virtual ~CGitAutomation() = default;

    // Whether folder is a Git working tree of its own: it holds ".git", a folder, or a file as in
    // a worktree or a submodule.
    static bool IsWorkingTree(const QString& folder);

    // HEAD's commit and branch and the local changes. An answer cut at the bound still gives HEAD
    // and its branch, with the changes it holds (GitStatus::m_bComplete false).
    bool GetStatus(const QString& folder, GitStatus& status);
    // The repository's configuration, as the working tree sees it.
    bool GetConfig(const QString& folder, GitConfig& config);
    // The commit that ref names at remote now. False when git fails, or when the remote answers but
    // has no such ref (RemoteLacksRef() then tells). config is the repository's, which says whether
    // the user chose an ssh command.
    bool GetRemoteTip(const QString& folder, const GitConfig& config, const QString& remote,
                      const QString& ref, QString& commit);
    bool RemoteLacksRef() const { return m_bRemoteLacksRef; }
    // Brings the objects of ref at remote into the repository, and nothing else.
    bool Fetch(const QString& folder, const GitConfig& config, const QString& remote, const QString& ref);
    // How many commits only left has, and only right has, of the two commits' histories.
    bool CountApart(const QString& folder, const QString& left, const QString& right, qlonglong& onlyLeft,
                    qlonglong& onlyRight);
    // At most limit commits of newest's history that are not in excluded's (none excluded when it is
    // empty), newest first, with the paths each changed when bPaths.
    bool GetLog(const QString& folder, const QString& newest, const QString& excluded, int limit, bool bPaths,
                std::vector<GitCommit>& commits);
    // What `git show` prints for the commit, cut one byte past kDefaultOutputLimit; empty, with
    // nothing run, when commit is no commit name.
    std::string GetShow(const QString& folder, const QString& commit);
    // A commit of the working tree as it is, on top of head: its tracked files, and the untracked
    // ones named in untracked. It is made on a copy of the index in scratchFolder, a private folder
    // of the caller's, so that the index stays as it is and its lock free. Only objects are added.
    bool CommitWorkingTree(const QString& folder, const QString& head, const QStringList& untracked,
                           const QString& scratchFolder, QString& commit);
    // Whether merging the two commits would conflict, and in which paths: git merge-tree's answer,
    // which needs git 2.38 or later. Only objects are added.
    bool FindMergeConflicts(const QString& folder, const QString& ours, const QString& theirs,
                            QStringList& conflicted);

    // Why the last step failed, in one line for the user: what kept git from answering, else git's
    // own fatal line, else that its answer could not be read; or why no run could be made.
    QString FailureReason() const;
    // Whether the last run's answer passed the output bound.
    bool LastRunWasCut() const { return m_eLastRunEnd == RunEnd::Cut; }

private:
    // Runs git in folder with the arguments; options go before the command (-c name=value), and
    // settings (NAME=value) into its environment. The run succeeded when git ended by itself with
    // status 0.
    std::string RunGit(const QString& folder, const QStringList& arguments, bool& bSucceeded,
                       const QStringList& options = {}, const QByteArrayList& settings = {});
    // The options that keep ssh from asking, unless the user chose an ssh command of their own.
    static QStringList SshOptions(const GitConfig& config);

    std::chrono::milliseconds m_msTimeLimit;
    std::stop_token m_StopToken;
    RunEnd m_eLastRunEnd = RunEnd::NotStarted;
    std::optional<int> m_LastExitCode;
    std::string m_strLastOutput;
    QString m_strFailure; // why a step failed before any run; empty after a run
    bool m_bRemoteLacksRef = false;
};
