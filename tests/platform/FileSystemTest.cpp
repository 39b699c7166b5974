#include "platform/FileSystem.h"

#include "platform/DebugCopy.h"
#include "platform/FileSystemAccess.h"
#include "platform/SystemInfo.h"
#include "support/CScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
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

namespace {

// A cache folder someone may have prepared for the debug copy, and a file of the user's beside it.
struct PlantedCache {
    const char* name;
    // Prepares cacheHome/corvane; false when it could not be done here (another user needs root).
    std::function<bool(const QString& folder, const QString& usersFile)> plant;
    bool bWritten;
};

bool Run(const QString& program, const QStringList& arguments) {
    return QProcess::execute(program, arguments) == 0;
}

bool MakeFolder(const QString& folder, const char* mode) {
    return QDir().mkpath(folder) && Run(QStringLiteral("chmod"), {QLatin1String(mode), folder});
}

const PlantedCache kPlantedCaches[] = {
    {"PrivateFolder", [](const QString& folder, const QString&) { return MakeFolder(folder, "700"); }, true},
    {"Missing", [](const QString&, const QString&) { return true; }, true},
    {"FolderIsALink",
     [](const QString& folder, const QString& usersFile) {
         const QString elsewhere = QFileInfo(usersFile).path();
         return MakeFolder(elsewhere, "700") && QFile::link(elsewhere, folder);
     },
     false},
    {"FolderWritableByOthers",
     [](const QString& folder, const QString&) { return MakeFolder(folder, "1777"); }, false},
    {"FolderWritableByGroup", [](const QString& folder, const QString&) { return MakeFolder(folder, "770"); },
     false},
    {"FolderOfAnotherUser",
     [](const QString& folder, const QString&) {
         return MakeFolder(folder, "755") && Run(QStringLiteral("chown"), {QStringLiteral("65534"), folder});
     },
     false},
    {"CopyIsALinkToTheUsersFile",
     [](const QString& folder, const QString& usersFile) {
         return MakeFolder(folder, "700") && QFile::link(usersFile, folder + QStringLiteral("/debug.xml"));
     },
     false},
    {"CopyIsAFifo",
     [](const QString& folder, const QString&) {
         return MakeFolder(folder, "700") &&
                Run(QStringLiteral("mkfifo"), {folder + QStringLiteral("/debug.xml")});
     },
     false},
};

class DebugCopyTest : public testing::TestWithParam<PlantedCache> {
protected:
    DebugCopyTest() : m_strOldCache(qgetenv("XDG_CACHE_HOME")) {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
    }
    ~DebugCopyTest() override { qputenv("XDG_CACHE_HOME", m_strOldCache); }

    QTemporaryDir m_dir;
    QByteArray m_strOldCache;
};

TEST_P(DebugCopyTest, IsWrittenOnlyIntoAPrivateFolderAndNeverThroughALink) {
    const QString folder = m_dir.filePath(QStringLiteral("cache/corvane"));
    const QString usersFile = m_dir.filePath(QStringLiteral("home/debug.xml"));
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("cache"))));
    if (!GetParam().plant(folder, usersFile))
        GTEST_SKIP() << "cannot be prepared by this user";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(usersFile).path()));
    QFile mine(usersFile);
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly) &&
                mine.write("the user's own file, longer than the copy") > 0);
    mine.close();

    EXPECT_EQ(platform::WriteDebugCopy("<info/>"), GetParam().bWritten);
    QFile copy(platform::DebugCopyPath());
    if (GetParam().bWritten) {
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), "<info/>");
        EXPECT_EQ(QFileInfo(folder).permissions() & (QFile::WriteGroup | QFile::WriteOther), 0);
    }
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "the user's own file, longer than the copy");
}

INSTANTIATE_TEST_SUITE_P(Caches, DebugCopyTest, testing::ValuesIn(kPlantedCaches),
                         [](const testing::TestParamInfo<PlantedCache>& info) {
                             return std::string(info.param.name);
                         });

// Where anyone else may write, a link could be planted that makes us overwrite a file of the user's.
TEST(UserFilesFolder, IsTheProgramsFolderOnlyWhileNoOneElseMayWriteThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const CScopedEnvironment configHome("XDG_CONFIG_HOME",
                                        QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    const QString config = dir.filePath(QStringLiteral("config/corvane"));
    const struct {
        const char* mode;
        bool bBeside;
    } cases[] = {{"700", true}, {"755", true}, {"775", false}, {"757", false}, {"1777", false}};
    for (const auto& testCase : cases) {
        const QString folder = dir.filePath(QLatin1String(testCase.mode));
        ASSERT_TRUE(MakeFolder(folder, testCase.mode));
        EXPECT_EQ(platform::UserFilesFolder(folder), testCase.bBeside ? folder : config) << testCase.mode;
    }
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("700")), dir.filePath(QStringLiteral("link"))));
    EXPECT_EQ(platform::UserFilesFolder(dir.filePath(QStringLiteral("link"))), config);
    EXPECT_EQ(platform::UserFilesFolder(dir.filePath(QStringLiteral("missing"))), config);
    // An installed tree keeps none of the user's files, whoever may write to it.
    ASSERT_TRUE(MakeFolder(dir.filePath(QStringLiteral("prefix/bin")), "700"));
    EXPECT_EQ(platform::UserFilesFolder(dir.filePath(QStringLiteral("prefix/bin"))),
              dir.filePath(QStringLiteral("prefix/bin")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("prefix/share/corvane"))));
    EXPECT_EQ(platform::UserFilesFolder(dir.filePath(QStringLiteral("prefix/bin"))), config);
    EXPECT_EQ(platform::UserFilesFolder(QStringLiteral("/usr/local/bin")), config);
    // Only root can give a folder away.
    if (::Run(QStringLiteral("chown"), {QStringLiteral("65534"), dir.filePath(QStringLiteral("755"))}))
        EXPECT_EQ(platform::UserFilesFolder(dir.filePath(QStringLiteral("755"))), config);
}

} // namespace
