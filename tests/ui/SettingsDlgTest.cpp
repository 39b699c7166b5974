#include "ui/SettingsDlg.h"

#include "settings/CAppSettings.h"
#include "ui/CDialogTemplate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Each case runs in a folder of its own as the current directory, with theSettings as a normal
// start leaves it plus both flags set, and puts both back afterwards.
class SettingsDlgTest : public testing::Test {
protected:
    SettingsDlgTest() : m_strOldFolder(QDir::currentPath()), m_oldSettings(theSettings) {
        QDir::setCurrent(m_folder.path());
        theSettings = CAppSettings();
        theSettings.m_strName = "Corvane";
        theSettings.m_mapPaths = {{"path1", "chemin\\du\\projet-1"}, {"path2", "chemin\\du\\projet-2"}};
        theSettings.bAutomaticUpdateAtStart = 1;
        theSettings.bAutomaticUpdate = 1;
        theSettings.iTimerMilisec = 120000;
    }
    ~SettingsDlgTest() override {
        theSettings = m_oldSettings;
        QDir::setCurrent(m_strOldFolder);
    }

    void Open() {
        m_dialog = std::make_unique<SettingsDlg>();
        m_dialog->show();
    }
    template <typename T> T* Control(int iId) { return CDialogTemplate::Control<T>(*m_dialog, iId); }

    QTemporaryDir m_folder;
    const QString m_strOldFolder;
    const CAppSettings m_oldSettings;
    std::unique_ptr<SettingsDlg> m_dialog;
};

TEST_F(SettingsDlgTest, ShowsBothFlagsAndAnEmptySortedTimerChoice) {
    Open();
    EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Corvane : Application settings"));
    EXPECT_TRUE(Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE)->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE_AT_START)->isChecked());
    QCheckBox* debug = Control<QCheckBox>(SettingsDlg::IDC_CHECK_DEBUG);
    EXPECT_EQ(debug->text(), QStringLiteral("Debug mode"));
    EXPECT_FALSE(debug->isEnabled());

    QComboBox* timer = Control<QComboBox>(SettingsDlg::IDC_COMBO_TIMER);
    QStringList choices;
    for (int i = 0; i < timer->count(); ++i) {
        choices.append(timer->itemText(i));
    }
    EXPECT_EQ(choices, QStringList({"120", "15", "30", "60"}));
    EXPECT_EQ(timer->currentIndex(), -1);
    EXPECT_TRUE(timer->currentText().isEmpty());
}

TEST_F(SettingsDlgTest, FlagsAreReadWhenTheDialogShows) {
    m_dialog = std::make_unique<SettingsDlg>();
    theSettings.bAutomaticUpdate = 0;
    m_dialog->show();
    EXPECT_FALSE(Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE)->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE_AT_START)->isChecked());
}

TEST_F(SettingsDlgTest, OkStoresTheClearedFlagOnlyAndWritesTheFile) {
    Open();
    Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE)->click();
    // The timer choice is not connected to any setting.
    Control<QComboBox>(SettingsDlg::IDC_COMBO_TIMER)->setCurrentIndex(1);
    QTest::mouseClick(Control<QPushButton>(1), Qt::LeftButton);

    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(theSettings.bAutomaticUpdate, 0);
    EXPECT_EQ(theSettings.bAutomaticUpdateAtStart, 1);
    EXPECT_EQ(theSettings.iTimerMilisec, 120000);

    CAppSettings written;
    ASSERT_TRUE(
        written.LoadFromFile(QDir(m_folder.path()).filePath(QStringLiteral("Corvane.xml")).toStdString()));
    EXPECT_EQ(written.m_strName, "Corvane");
    EXPECT_EQ(written.bAutomaticUpdate, 0);
    EXPECT_EQ(written.bAutomaticUpdateAtStart, 1);
    EXPECT_EQ(written.iTimerMilisec, 120000);
    EXPECT_EQ(written.m_mapPaths, theSettings.m_mapPaths);
}

TEST_F(SettingsDlgTest, EnterActsAsOk) {
    Open();
    Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE_AT_START)->click();
    QTest::keyClick(Control<QComboBox>(SettingsDlg::IDC_COMBO_TIMER), Qt::Key_Return);
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(theSettings.bAutomaticUpdateAtStart, 0);
    EXPECT_TRUE(QFile::exists(QStringLiteral("Corvane.xml")));
}

TEST_F(SettingsDlgTest, EscapeChangesNothing) {
    Open();
    Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE)->click();
    Control<QCheckBox>(SettingsDlg::IDC_CHECK_AUTO_UPDATE_AT_START)->click();
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_EQ(theSettings.bAutomaticUpdate, 1);
    EXPECT_EQ(theSettings.bAutomaticUpdateAtStart, 1);
    EXPECT_FALSE(QFile::exists(QStringLiteral("Corvane.xml")));
}

} // namespace
