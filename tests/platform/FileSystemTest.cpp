#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::FindSingleEntry;

TEST(FindSingleEntry, NamesTheEntryByItsLastComponent) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString project = folder.path() + QStringLiteral("/my proj é");
    ASSERT_TRUE(QDir().mkdir(project));
    QFile file(project + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(
        QFile::link(folder.path() + QStringLiteral("/gone"), folder.path() + QStringLiteral("/dangling")));

    QString name;
    EXPECT_TRUE(FindSingleEntry(project, name));
    EXPECT_EQ(name, QStringLiteral("my proj é"));
    EXPECT_TRUE(FindSingleEntry(file.fileName(), name));
    EXPECT_EQ(name, QStringLiteral("notes.txt"));
    // The link itself is the entry, whether or not its target exists.
    EXPECT_TRUE(FindSingleEntry(folder.path() + QStringLiteral("/dangling"), name));
    EXPECT_EQ(name, QStringLiteral("dangling"));
}

TEST(FindSingleEntry, FailsWithoutTouchingTheName) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QStringList failing = {
        folder.path() + QStringLiteral("/missing"),
        folder.path() + QLatin1Char('/'),
        QStringLiteral("/"),
        QString(),
        folder.path() + QChar(0) + QStringLiteral("x"),
    };
    for (const QString& path : failing) {
        QString name = QStringLiteral("unchanged");
        EXPECT_FALSE(FindSingleEntry(path, name)) << path.toStdString();
        EXPECT_EQ(name, QStringLiteral("unchanged"));
    }
}
