// The watch list and the settings file on a file system that is full or read-only, and settings
// files that would bring the program down: the old files stay as they were and nothing the program
// holds is lost.
#include "settings/CAppSettings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr char kOldList[] = "/wc/a\r\n/wc/b\r\n";
constexpr char kOldSettings[] = "<?xml version=\"1.0\" ?>\n<Corvane>\n    <Subversion bAutomaticUpdate=\"1\" "
                                "iTimerMilisec=\"120000\" />\n</Corvane>\n";
// Well below what 200 entries need, well above the old files.
constexpr char kFileSizeLimit[] = "2048";
constexpr int kHelperTimeoutMs = 60000;

QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteAll(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool RunningAsRoot() {
    QProcess id;
    id.start(QStringLiteral("id"), {QStringLiteral("-u")});
    return id.waitForFinished() && id.readAllStandardOutput().trimmed() == "0";
}

enum class Hostility { Full, ReadOnly };

std::string HostilityName(const testing::TestParamInfo<Hostility>& info) {
    return info.param == Hostility::Full ? "FileSystemFull" : "FolderReadOnly";
}

class HostileFolder : public testing::TestWithParam<Hostility> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // The unprivileged helper must reach the folder.
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther);
        m_strFolder = m_dir.filePath(QStringLiteral("program"));
        ASSERT_TRUE(QDir().mkpath(m_strFolder));
        ASSERT_TRUE(WriteAll(m_strFolder + QStringLiteral("/pathlist.ini"), kOldList));
        ASSERT_TRUE(WriteAll(m_strFolder + QStringLiteral("/Corvane.xml"), kOldSettings));
    }

    void TearDown() override {
        QFile::setPermissions(m_strFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Runs the helper on the folder, made full or read-only for it; its output, or empty on failure.
    QByteArray SaveInHostileFolder(const char* what) {
        const QString helper = QStringLiteral(CORVANE_FILE_WRITER);
        QString program = helper;
        QStringList arguments{QLatin1String(what), m_strFolder};
        if (GetParam() == Hostility::Full) {
            // With SIGXFSZ ignored, a write beyond the limit fails as on a full disk instead of
            // killing the writer.
            program = QStringLiteral("/bin/sh");
            arguments = QStringList{QStringLiteral("-c"),
                                    QStringLiteral("trap '' XFSZ; exec prlimit --fsize=%1 \"$@\"")
                                        .arg(QLatin1String(kFileSizeLimit)),
                                    QStringLiteral("sh"), helper} +
                        arguments;
        } else {
            QFile::setPermissions(m_strFolder,
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
            // Root writes wherever it likes; the helper then runs as nobody.
            if (RunningAsRoot()) {
                arguments = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                        QStringLiteral("--clear-groups"), helper} +
                            arguments;
                program = QStringLiteral("setpriv");
            }
        }
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(kHelperTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            ADD_FAILURE() << "helper failed: " << process.readAllStandardError().toStdString();
            return {};
        }
        return process.readAllStandardOutput();
    }

    QStringList FilesLeft() const {
        return QDir(m_strFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir m_dir;
    QString m_strFolder;
};

TEST_P(HostileFolder, WatchListSaveFailsAndKeepsTheFileAndTheResults) {
    const QByteArray output = SaveInHostileFolder("list");
    EXPECT_EQ(output, "saved 0\n"
                      "record /wc/a|1|ann|60\n"
                      "record /wc/b|0||0\n")
        << "the records, with the result stored before the save, stay as they were";
    EXPECT_EQ(ReadAll(m_strFolder + QStringLiteral("/pathlist.ini")), kOldList);
    EXPECT_EQ(FilesLeft(), QStringList({"Corvane.xml", "pathlist.ini"})) << "no temporary file is left";
}

TEST_P(HostileFolder, SettingsSaveFailsAndKeepsTheFile) {
    EXPECT_EQ(SaveInHostileFolder("settings"), "saved 0\n");
    EXPECT_EQ(ReadAll(m_strFolder + QStringLiteral("/Corvane.xml")), kOldSettings);
    EXPECT_EQ(FilesLeft(), QStringList({"Corvane.xml", "pathlist.ini"})) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(SavingTheFiles, HostileFolder, testing::Values(Hostility::Full, Hostility::ReadOnly),
                         HostilityName);

// TinyXML reads elements recursively: a settings file nested deeply enough used to overflow the stack
// while the program started.
TEST(HarmfulSettingsFile, DeepNestingIsRefusedAndStartUpGoesOnWithDefaults) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Corvane.xml"));
    constexpr int kLevels = 300000;
    ASSERT_TRUE(WriteAll(file, "<Corvane>" + QByteArray("<a>").repeated(kLevels) +
                                   QByteArray("</a>").repeated(kLevels) + "</Corvane>"));

    CAppSettings settings;
    settings.iTimerMilisec = 90000;
    EXPECT_FALSE(settings.LoadFromFile(file.toStdString()));
    EXPECT_EQ(settings.iTimerMilisec, 90000);

    CAppSettings atStartUp;
    atStartUp.LoadAtStartup(file.toStdString());
    EXPECT_EQ(atStartUp.m_strName, "Corvane");
    EXPECT_EQ(atStartUp.iTimerMilisec, 60000);
}

TEST(HarmfulSettingsFile, OrdinaryNestingStillReads) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Corvane.xml"));
    ASSERT_TRUE(WriteAll(file, "<Corvane><paths><a>x</a></paths>" + QByteArray("<n>").repeated(100) +
                                   QByteArray("</n>").repeated(100) +
                                   "<Subversion iTimerMilisec=\"70000\"/></Corvane>"));
    CAppSettings settings;
    ASSERT_TRUE(settings.LoadFromFile(file.toStdString()));
    EXPECT_EQ(settings.iTimerMilisec, 70000);
    EXPECT_EQ(settings.m_mapPaths.at("a"), "x");
}

// Files that hang, exhaust memory or crash a reader, each read by the helper in a process of its own,
// so that a hang or a crash fails the case instead of the test run. Either file is refused: the
// settings keep their values, the watch list stays empty.
struct HarmfulFile {
    const char* name;
    // Makes the file; false when it could not be made.
    std::function<bool(const QString& file)> make;
};

constexpr int kDeep = 100000;

bool MakeFifo(const QString& file) {
    return QProcess::execute(QStringLiteral("mkfifo"), {file}) == 0;
}

// The first three harm any file; the nesting ones only the settings, which are XML.
constexpr int kHarmfulToAnyFile = 3;
const HarmfulFile kHarmfulFiles[] = {
    {"Fifo", MakeFifo},
    {"LinkToDevZero", [](const QString& file) { return QFile::link(QStringLiteral("/dev/zero"), file); }},
    {"OverTheSizeCap",
     [](const QString& file) { return WriteAll(file, "<Corvane/>" + QByteArray(1024 * 1024, ' ')); }},
    // The kinds of nesting that fooled a count of '<' and "/>": TinyXML still nests one level each time.
    {"SlashGreaterInText",
     [](const QString& file) { return WriteAll(file, QByteArray("<a>/>").repeated(kDeep)); }},
    {"EndTagsFirst",
     [](const QString& file) {
         return WriteAll(file, QByteArray("</a>").repeated(kDeep) + QByteArray("<a>").repeated(kDeep));
     }},
    {"Utf8LeadByteSwallowsTheEndTag",
     [](const QString& file) {
         return WriteAll(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
                                   QByteArray("<a>\xC3</a>").repeated(kDeep));
     }},
    {"EntityHidesTheEndTag",
     [](const QString& file) { return WriteAll(file, QByteArray("<a>&#</a>#1;").repeated(kDeep)); }},
};

class HarmfulFileRead : public testing::TestWithParam<HarmfulFile> {
protected:
    // What the helper printed for the file, or empty after a hang or crash.
    QByteArray Read(const char* what, const char* fileName) {
        const QString file = m_dir.filePath(QLatin1String(fileName));
        if (!GetParam().make(file)) {
            ADD_FAILURE() << "the file could not be made";
            return {};
        }
        QProcess process;
        process.start(QStringLiteral(CORVANE_FILE_WRITER), {QLatin1String(what), file});
        if (!process.waitForFinished(kHelperTimeoutMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the reader hangs";
            return {};
        }
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            ADD_FAILURE() << "the reader crashed: " << process.readAllStandardError().toStdString();
            return {};
        }
        return process.readAllStandardOutput();
    }

    QTemporaryDir m_dir;
};

std::string HarmfulFileName(const testing::TestParamInfo<HarmfulFile>& info) {
    return info.param.name;
}

using HarmfulSettingsRead = HarmfulFileRead;
using HarmfulListRead = HarmfulFileRead;

TEST_P(HarmfulSettingsRead, IsRefused) {
    EXPECT_EQ(Read("read-settings", "Corvane.xml"), "read 0 12345\n");
}

TEST_P(HarmfulListRead, IsRefused) {
    EXPECT_EQ(Read("read-list", "pathlist.ini"), "read 0 0 []\n");
}

INSTANTIATE_TEST_SUITE_P(Files, HarmfulSettingsRead, testing::ValuesIn(kHarmfulFiles), HarmfulFileName);
INSTANTIATE_TEST_SUITE_P(Files, HarmfulListRead,
                         testing::ValuesIn(kHarmfulFiles, kHarmfulFiles + kHarmfulToAnyFile),
                         HarmfulFileName);

} // namespace
