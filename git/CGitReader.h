#pragma once

#include "git/GitAnswers.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// Reads git's answers, each printed with NUL-separated fields (-z) so that no path or message can be
// taken for the next field. Every reader leaves its result untouched when the answer does not read:
// git failed, or the run was cut at its bound. Texts come in UTF-8, as git writes them.
class CGitReader final {
public:
    // `git status --porcelain=v2 --branch -z`: HEAD's commit, its branch and the local changes.
    // Warnings git writes before its answer are passed over.
    static bool ReadStatus(const std::string& output, GitStatus& status);
    // `git config --list -z`.
    static bool ReadConfig(const std::string& output, GitConfig& config);
    // `git ls-remote <remote> <ref>`: the commit the remote's ref names. False when the remote has no
    // such ref; a ref that merely ends the same way (refs/remotes/x/refs/heads/main) is not it.
    static bool ReadRemoteTip(const std::string& output, const QString& ref, QString& commit);
    // `git rev-list --left-right --count A...B`: the commits only A has, and those only B has.
    static bool ReadCounts(const std::string& output, qlonglong& onlyLeft, qlonglong& onlyRight);
    // `git log -z` in the format kLogFormat, with or without --name-status, in git's order.
    static bool ReadLog(const std::string& output, std::vector<GitCommit>& commits);
    // The object name that `git write-tree` or `git commit-tree` prints, alone on its line.
    static bool ReadObjectName(const std::string& output, QString& name);
    // `git merge-tree --write-tree --name-only --no-messages -z`: the merged tree's name, then the
    // paths that conflict, each once.
    static bool ReadMergeConflicts(const std::string& output, QStringList& paths);

    // The format ReadLog reads: hash, short hash, author, e-mail, date and the whole message.
    static constexpr const char* kLogFormat = "%H%x00%h%x00%aN%x00%aE%x00%aI%x00%B";
    // Authors and e-mails are cut to this many UTF-16 units; git keeps whatever a commit says.
    static constexpr qsizetype kMaxFieldLength = 256;
};
