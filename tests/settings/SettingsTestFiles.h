#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstdlib>
#include <gtest/gtest.h>

// Small file helpers shared by the settings tests.

inline void WriteBytes(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << fileName.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline QString TestDataFile(const char* name) {
    return QStringLiteral(CORVANE_SETTINGS_TEST_DATA "/") + name;
}

// A write that fails half-way, even for root: the running test is started again in a child whose
// files may not grow beyond one block, with SIGXFSZ ignored so that the write returns an error.
inline constexpr char kLimitedChildFolder[] = "CORVANE_LIMITED_CHILD_FOLDER";

// The folder handed to the child, or empty when this is not the child.
inline QString LimitedChildFolder() {
    return qEnvironmentVariable(kLimitedChildFolder);
}

// Runs the current test again in a limited child that works in the given folder; true when it passed.
inline bool RunCurrentTestInLimitedChild(const QString& folder) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString command =
        QStringLiteral("%1='%2' /bin/sh -c 'trap \"\" XFSZ; ulimit -f 1 && exec \"$0\" "
                       "--gtest_filter=%3.%4' '%5'")
            .arg(QLatin1String(kLimitedChildFolder), folder, QLatin1String(test->test_suite_name()),
                 QLatin1String(test->name()), executable);
    return std::system(command.toLocal8Bit().constData()) == 0;
}
