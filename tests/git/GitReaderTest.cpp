#include "git/CGitReader.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using namespace std::string_literals;

const std::string kHead = "1111111111111111111111111111111111111111";
const std::string kTip = "2222222222222222222222222222222222222222";

// Warnings git writes before its answer are passed over; paths keep their blanks; an answer cut at
// the run's bound keeps its branch and the changes it holds whole.
TEST(GitReaderTest, StatusGivesHeadBranchAndLocalChanges) {
    const std::string answer = "warning: could not open directory 'x/': Permission denied\n"
                               "# branch.oid " +
                               kHead +
                               "\0# branch.head main\0# branch.upstream origin/main\0"s
                               "1 .M N... 100644 100644 100644 " +
                               kHead + " " + kHead +
                               " my file.txt\0"s
                               "2 R. N... 100644 100644 100644 " +
                               kHead + " " + kHead +
                               " R100 new name\0old name\0"s
                               "? untracked\0"s;
    GitStatus status;
    ASSERT_TRUE(CGitReader::ReadStatus(answer, status));
    EXPECT_EQ(status.m_strHead, QString::fromStdString(kHead));
    EXPECT_EQ(status.m_strBranch, QStringLiteral("main"));
    EXPECT_EQ(status.m_Changes,
              (std::vector<GitLocalChange>{
                  {".M", "my file.txt", {}}, {"R.", "new name", "old name"}, {"??", "untracked", {}}}));

    const std::string cut = answer.substr(0, answer.find("old name"));
    ASSERT_TRUE(CGitReader::ReadStatus(cut, status));
    EXPECT_EQ(status.m_Changes, (std::vector<GitLocalChange>{{".M", "my file.txt", {}}}));

    ASSERT_TRUE(CGitReader::ReadStatus("# branch.oid (initial)\0# branch.head (detached)\0"s, status));
    EXPECT_TRUE(status.m_strHead.isEmpty() && status.m_strBranch.isEmpty());
    EXPECT_FALSE(CGitReader::ReadStatus("fatal: not a git repository\n", status));
}

// Only the ref asked for counts, not one that merely ends the same way.
TEST(GitReaderTest, RemoteTipIsTheRefAskedFor) {
    QString commit;
    EXPECT_TRUE(CGitReader::ReadRemoteTip(kHead + "\trefs/remotes/x/refs/heads/main\n" + kTip +
                                              "\trefs/heads/main\r\n",
                                          QStringLiteral("refs/heads/main"), commit));
    EXPECT_EQ(commit, QString::fromStdString(kTip));
    EXPECT_FALSE(CGitReader::ReadRemoteTip(kHead + "\trefs/heads/mainline\n",
                                           QStringLiteral("refs/heads/main"), commit));
    qlonglong ahead = 0;
    qlonglong behind = 0;
    ASSERT_TRUE(CGitReader::ReadCounts("warning: something\n2\t35\n", ahead, behind));
    EXPECT_EQ(ahead, 2);
    EXPECT_EQ(behind, 35);
}

// Renames and copies name their origin; a commit may have no message and no paths (a merge).
TEST(GitReaderTest, LogGivesEachCommitWithItsPaths) {
    const std::string answer = kTip +
                               "\0"
                               "2222222\0carol\0carol@example.com\0"
                               "2026-12-08T10:00:00+01:00\0"s
                               "Fix the parser\n\nWhy\n\0\nM\0src/a b.c\0R087\0old.c\0new.c\0"s +
                               kHead +
                               "\0"
                               "1111111\0Zoë\0zoe@example.com\0"
                               "2026-12-07T10:00:00Z\0\0"s;
    std::vector<GitCommit> commits;
    ASSERT_TRUE(CGitReader::ReadLog(answer, commits));
    ASSERT_EQ(commits.size(), 2u);
    EXPECT_EQ(commits[0], (GitCommit{QString::fromStdString(kTip),
                                     "2222222",
                                     "carol",
                                     "carol@example.com",
                                     "2026-12-08T10:00:00+01:00",
                                     "Fix the parser\n\nWhy",
                                     {{"M", "src/a b.c"}, {"R", "new.c (from old.c)"}}}));
    EXPECT_EQ(commits[1].m_strAuthor, QStringLiteral("Zoë"));
    EXPECT_TRUE(commits[1].m_strMessage.isEmpty() && commits[1].m_ChangedPaths.empty());

    EXPECT_FALSE(CGitReader::ReadLog("fatal: bad revision\n", commits));
    EXPECT_EQ(commits.size(), 2u);
}

// merge-tree names each conflicted path once after the merged tree, and stops at its messages.
TEST(GitReaderTest, MergeTreeGivesTheConflictedPaths) {
    QStringList paths{QStringLiteral("kept")};
    ASSERT_TRUE(CGitReader::ReadMergeConflicts(kTip + "\0a b.txt\0dir/ü.c\0\0Auto-merging x\0"s, paths));
    EXPECT_EQ(paths, (QStringList{QStringLiteral("a b.txt"), QStringLiteral("dir/ü.c")}));
    ASSERT_TRUE(CGitReader::ReadMergeConflicts(kTip + "\0"s, paths));
    EXPECT_TRUE(paths.isEmpty());
    EXPECT_FALSE(CGitReader::ReadMergeConflicts("usage: git merge-tree\0"s, paths));

    QString name;
    ASSERT_TRUE(CGitReader::ReadObjectName(kTip + "\r\n", name));
    EXPECT_EQ(name, QString::fromStdString(kTip));
    EXPECT_FALSE(CGitReader::ReadObjectName("error: unmerged\n" + kTip + "\n", name));
}

} // namespace
