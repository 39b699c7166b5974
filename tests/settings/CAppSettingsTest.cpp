#include "settings/CAppSettings.h"

#include "SettingsTestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Paths = std::map<std::string, std::string>;

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_settings.m_strName = "Before";
        m_settings.m_mapPaths = {{"kept", "value"}};
        m_settings.bAutomaticUpdateAtStart = 7;
        m_settings.bAutomaticUpdate = 7;
        m_settings.iTimerMilisec = 7;
    }

    void ExpectUnchanged() const {
        EXPECT_EQ(m_settings.m_strName, "Before");
        EXPECT_EQ(m_settings.m_mapPaths, Paths({{"kept", "value"}}));
        EXPECT_EQ(m_settings.bAutomaticUpdateAtStart, 7);
        EXPECT_EQ(m_settings.bAutomaticUpdate, 7);
        EXPECT_EQ(m_settings.iTimerMilisec, 7);
    }

    std::string FileIn(const char* name) const { return m_dir.filePath(QLatin1String(name)).toStdString(); }

    QTemporaryDir m_dir;
    CAppSettings m_settings;
};

TEST_F(SettingsFileTest, UnreadableFilesChangeNothing) {
    EXPECT_FALSE(m_settings.LoadFromFile(FileIn("missing.xml")));
    ExpectUnchanged();
    WriteBytes(QString::fromStdString(FileIn("empty.xml")), "");
    EXPECT_FALSE(m_settings.LoadFromFile(FileIn("empty.xml")));
    ExpectUnchanged();
    EXPECT_FALSE(m_settings.LoadFromFile(TestDataFile("malformed.xml").toStdString()));
    ExpectUnchanged();
}

TEST_F(SettingsFileTest, ReadsWhatItCanAndKeepsTheRest) {
    ASSERT_TRUE(m_settings.LoadFromFile(TestDataFile("other-root.xml").toStdString()));
    EXPECT_EQ(m_settings.m_strName, "Other");
    EXPECT_EQ(m_settings.m_mapPaths, Paths({{"alpha", "two"}, {"beta", "b"}}));
    EXPECT_EQ(m_settings.bAutomaticUpdateAtStart, 1);
    EXPECT_EQ(m_settings.bAutomaticUpdate, 7) << "yes is not a number";
    EXPECT_EQ(m_settings.iTimerMilisec, 12) << "12abc reads as its leading digits";

    ASSERT_TRUE(m_settings.LoadFromFile(TestDataFile("paths-comment.xml").toStdString()));
    EXPECT_TRUE(m_settings.m_mapPaths.empty());
    EXPECT_EQ(m_settings.bAutomaticUpdateAtStart, 1) << "a missing attribute keeps its value";
    EXPECT_EQ(m_settings.iTimerMilisec, 120000);
}

TEST_F(SettingsFileTest, StartUpAdjustsTheLoadedValues) {
    CAppSettings fresh;
    fresh.LoadAtStartup(FileIn("missing.xml"));
    EXPECT_EQ(fresh.m_strName, "Corvane");
    EXPECT_EQ(fresh.m_mapPaths,
              Paths({{"path1", "chemin\\du\\projet-1"}, {"path2", "chemin\\du\\projet-2"}}));
    EXPECT_EQ(fresh.iTimerMilisec, 60000);
    EXPECT_EQ(fresh.bAutomaticUpdate, 0);

    m_settings.LoadAtStartup(TestDataFile("other-root.xml").toStdString());
    EXPECT_EQ(m_settings.m_strName, "Corvane");
    EXPECT_EQ(m_settings.iTimerMilisec, 60000);
    m_settings.LoadAtStartup(TestDataFile("timer-30000.xml").toStdString());
    EXPECT_EQ(m_settings.iTimerMilisec, 60000);
    m_settings.LoadAtStartup(TestDataFile("paths-comment.xml").toStdString());
    EXPECT_EQ(m_settings.iTimerMilisec, 120000);
    EXPECT_EQ(m_settings.bAutomaticUpdate, 1);
    EXPECT_EQ(m_settings.m_mapPaths.size(), 2u);
}

TEST_F(SettingsFileTest, SaveAfterNormalStartIsTheKnownDocument) {
    CAppSettings settings;
    settings.LoadAtStartup(FileIn("missing.xml"));
    // The file name is taken relative to the current directory.
    const QString previousDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    const bool saved = settings.SaveToFile(kSettingsFileName);
    QDir::setCurrent(previousDirectory);
    ASSERT_TRUE(saved);
    EXPECT_EQ(ReadBytes(QString::fromStdString(FileIn(kSettingsFileName))),
              ReadBytes(TestDataFile("normal-start.xml")));
}

TEST_F(SettingsFileTest, EscapedValuesComeBackWhole) {
    m_settings.m_mapPaths = {{"path1", "R&D <main> \"x\""}};
    ASSERT_TRUE(m_settings.SaveToFile(FileIn("round.xml")));
    EXPECT_TRUE(ReadBytes(QString::fromStdString(FileIn("round.xml"))).contains("R&amp;D &lt;main&gt;"));
    CAppSettings loaded;
    ASSERT_TRUE(loaded.LoadFromFile(FileIn("round.xml")));
    EXPECT_EQ(loaded.m_mapPaths, m_settings.m_mapPaths);
    EXPECT_EQ(loaded.m_strName, "Before");
    EXPECT_EQ(loaded.iTimerMilisec, 7);
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFile) {
    WriteBytes(m_dir.filePath(QStringLiteral("folder")), "not a folder");
    EXPECT_FALSE(m_settings.SaveToFile(FileIn("folder/Corvane.xml")));

    for (int i = 0; i < 100; ++i)
        m_settings.m_mapPaths["path" + std::to_string(i)] = "/home/user/projects/working-copy";
    if (const QString folder = LimitedChildFolder(); !folder.isEmpty()) {
        EXPECT_FALSE(m_settings.SaveToFile((folder + QStringLiteral("/Corvane.xml")).toStdString()));
        return;
    }
    const QString file = m_dir.filePath(QStringLiteral("Corvane.xml"));
    WriteBytes(file, ReadBytes(TestDataFile("normal-start.xml")));
    EXPECT_TRUE(RunCurrentTestInLimitedChild(m_dir.path()));
    EXPECT_EQ(ReadBytes(file), ReadBytes(TestDataFile("normal-start.xml")));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"Corvane.xml", "folder"}));
}

} // namespace
