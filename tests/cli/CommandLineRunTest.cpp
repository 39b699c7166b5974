#include "app/CCommandLineRun.h"
#include "support/CScopedEnvironment.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(CommandLineRunTest, ActivityLogGoesBesideTheProgramOrElseBesideTheUsersWatchList) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const CScopedEnvironment configHome("XDG_CONFIG_HOME",
                                        folder.filePath(QStringLiteral("config")).toLocal8Bit());

    EXPECT_EQ(CCommandLineRun::ActivityLogFile(folder.path()),
              folder.filePath(QStringLiteral("Corvane.log")));
    EXPECT_EQ(CCommandLineRun::ActivityLogFile(folder.filePath(QStringLiteral("missing"))),
              folder.filePath(QStringLiteral("config/corvane/Corvane.log")));
}

} // namespace
