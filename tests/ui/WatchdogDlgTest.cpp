#include "DialogTestSupport.h"
#include "settings/CConfigWatchdog.h"
#include "ui/CDialogTemplate.h"
#include "ui/CPathList.h"
#include "ui/CWatchdogDlg.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class WatchdogDlgTest : public testing::Test {
protected:
    WatchdogDlgTest()
        : m_strListFile(m_folder.filePath(QStringLiteral("pathlist.ini"))), m_watchdog(m_strListFile) {}

    // The list file with these lines, loaded into the records as at start-up.
    void StartWith(const QByteArray& content) {
        QFile file(m_strListFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        ASSERT_TRUE(m_watchdog.LoadPathList());
    }

    CPathList* Open() {
        m_dialog = std::make_unique<CWatchdogDlg>(m_watchdog);
        m_dialog->show();
        return CDialogTemplate::Control<CPathList>(*m_dialog, CWatchdogDlg::IDC_LIST_PATHS);
    }

    // Drops these local paths on the list at once, as a file manager does; whether it was taken.
    static bool Drop(CPathList& list, const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& strPath : paths) {
            urls.append(QUrl::fromLocalFile(strPath));
        }
        return DropUrls(list, urls);
    }

    static bool DropUrls(CPathList& list, const QList<QUrl>& urls) {
        QMimeData mimeData;
        mimeData.setUrls(urls);
        const QPoint where = list.viewport()->rect().center();
        QDragEnterEvent enter(where, Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(where, Qt::CopyAction, &mimeData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &drop);
        return drop.isAccepted();
    }

    QByteArray ListFileContent() const {
        QFile file(m_strListFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QStringList RecordPaths() const { return PathsOf(m_watchdog); }

    static QStringList PathsOf(const CConfigWatchdog& watchdog) {
        QStringList paths;
        for (const CSVNPath& record : watchdog.Records()) {
            paths.append(record.m_strPath);
        }
        return paths;
    }

    // The message box the dialog shows, if any.
    static QMessageBox* ShownBox(const QWidget& dialog) {
        for (QMessageBox* box : dialog.findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                return box;
            }
        }
        return nullptr;
    }

    void PressClose() {
        auto* closeButton = CDialogTemplate::Control<QPushButton>(*m_dialog, 1);
        ASSERT_NE(closeButton, nullptr);
        QTest::mouseClick(closeButton, Qt::LeftButton);
    }

    QTemporaryDir m_folder;
    const QString m_strListFile;
    CConfigWatchdog m_watchdog;
    std::unique_ptr<CWatchdogDlg> m_dialog;
};

TEST_F(WatchdogDlgTest, OpensWithTheRecordsSorted) {
    StartWith("C:\\b\nC:\\a\n");
    CPathList* list = Open();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Paths(), QStringList({"C:\\a", "C:\\b"}));
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Path"));
    EXPECT_EQ(list->header()->sectionSize(0), list->width());
    EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Corvane : Watchdog settings"));
}

TEST_F(WatchdogDlgTest, FoldersDroppedTogetherAreAllAddedInOrder) {
    StartWith("/wc/m\n");
    CPathList* list = Open();
    EXPECT_TRUE(Drop(*list, {QStringLiteral("/wc/z"), QStringLiteral("/wc/a")}));
    EXPECT_EQ(list->Paths(), QStringList({"/wc/a", "/wc/m", "/wc/z"}));
    // Nothing is saved before "&Close".
    EXPECT_EQ(RecordPaths(), QStringList({"/wc/m"}));
}

TEST_F(WatchdogDlgTest, DroppingTheSameFolderTwiceKeepsBothUpToTheFile) {
    StartWith("");
    CPathList* list = Open();
    EXPECT_TRUE(Drop(*list, {QStringLiteral("/wc/same")}));
    EXPECT_TRUE(Drop(*list, {QStringLiteral("/wc/same")}));
    EXPECT_EQ(list->Paths(), QStringList({"/wc/same", "/wc/same"}));
    PressClose();
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(ListFileContent().count("/wc/same"), 2);
    EXPECT_EQ(RecordPaths(), QStringList({"/wc/same", "/wc/same"}));
}

TEST_F(WatchdogDlgTest, DroppedNamesAreTakenWhole) {
    StartWith("");
    CPathList* list = Open();
    const QString strLong = QStringLiteral("/wc/") + QString(400, QLatin1Char('x'));
    const QString strOdd = QStringLiteral("/wc/a b \"c\" <b>d</b> é");
    EXPECT_TRUE(Drop(*list, {strLong, strOdd, QStringLiteral("/wc/folder/")}));
    EXPECT_EQ(list->Paths(), QStringList({strOdd, QStringLiteral("/wc/folder"), strLong}));
}

TEST_F(WatchdogDlgTest, DropsWithoutLocalFilesAreRefused) {
    StartWith("");
    CPathList* list = Open();
    EXPECT_FALSE(DropUrls(*list, {QUrl(QStringLiteral("https://example.org/repo"))}));
    QMimeData text;
    text.setText(QStringLiteral("/wc/typed"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_TRUE(list->Paths().isEmpty());
}

TEST_F(WatchdogDlgTest, DoubleClickRemovesOnlyTheUpperSelectedItem) {
    StartWith("/wc/a\n/wc/b\n/wc/c\n");
    CPathList* list = Open();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    // Shift extends the selection to /wc/c; the double-click removes /wc/b only.
    const QPoint lower = list->visualItemRect(list->topLevelItem(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, lower);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, lower);
    EXPECT_EQ(list->Paths(), QStringList({"/wc/a", "/wc/c"}));
}

// Besides drops: "Add folder…" opens the folder picker, which blocks this dialog alone, and adds the
// folder chosen there, as the system writes it; Delete removes every selected folder, where a
// double-click removes one.
TEST_F(WatchdogDlgTest, AddFolderAddsThePickedFolderAndDeleteRemovesTheSelectedOnes) {
    StartWith("/wc/a\n/wc/b\n/wc/c\n");
    CPathList* list = Open();
    const QString strPicked = m_folder.filePath(QStringLiteral("picked"));
    ASSERT_TRUE(QDir().mkpath(strPicked));
    QTest::mouseClick(CDialogTemplate::Control<QPushButton>(*m_dialog, CWatchdogDlg::IDC_ADD_FOLDER),
                      Qt::LeftButton);
    auto* picker = m_dialog->findChild<QFileDialog*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowModality(), Qt::WindowModal) << "the tray icon stays usable";
    picker->setDirectory(m_folder.path());
    picker->selectFile(strPicked);
    static_cast<QDialog*>(picker)->accept(); // as its own button does
    QStringList expected{"/wc/a", "/wc/b", "/wc/c", QDir::toNativeSeparators(strPicked)};
    expected.sort();
    EXPECT_EQ(list->Paths(), expected);

    for (const char* path : {"/wc/a", "/wc/c"})
        list->findItems(QString::fromLatin1(path), Qt::MatchExactly).front()->setSelected(true);
    QTest::keyClick(list, Qt::Key_Delete);
    expected.removeAll(QStringLiteral("/wc/a"));
    expected.removeAll(QStringLiteral("/wc/c"));
    EXPECT_EQ(list->Paths(), expected);
    // Nothing is saved before "&Close"; then the folder as the system writes it.
    EXPECT_EQ(RecordPaths(), QStringList({"/wc/a", "/wc/b", "/wc/c"}));
    PressClose();
    EXPECT_EQ(RecordPaths(), expected);
    EXPECT_TRUE(ListFileContent().contains(QDir::toNativeSeparators(strPicked).toUtf8()));
}

TEST_F(WatchdogDlgTest, DoubleClickWithoutSelectionRemovesNothing) {
    StartWith("/wc/a\n");
    CPathList* list = Open();
    const QPoint below(5, list->viewport()->height() - 5);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(list->Paths(), QStringList({"/wc/a"}));
}

TEST_F(WatchdogDlgTest, EscapeAfterDropsChangesNeitherFileNorRecords) {
    StartWith("/wc/a\n");
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("alice"), UpToDate);
    const QByteArray before = ListFileContent();
    CPathList* list = Open();
    Drop(*list, {QStringLiteral("/wc/new")});
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(ListFileContent(), before);
    ASSERT_EQ(RecordPaths(), QStringList({"/wc/a"}));
    EXPECT_EQ(m_watchdog.Records().at(0).m_iState, UpToDate);
}

TEST_F(WatchdogDlgTest, EnterActsAsCloseAndSaves) {
    StartWith("/wc/b\n");
    CPathList* list = Open();
    Drop(*list, {QStringLiteral("/wc/a")});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(RecordPaths(), QStringList({"/wc/a", "/wc/b"}));
    QStringList lines =
        QString::fromLocal8Bit(ListFileContent()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines) {
        line = line.trimmed();
    }
    EXPECT_EQ(lines, QStringList({"/wc/a", "/wc/b"}));
}

TEST_F(WatchdogDlgTest, CloseWithoutChangesRemakesEveryRecordWaiting) {
    StartWith("/wc/b\n/wc/a\n");
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("alice"), Modified);
    Open();
    PressClose();
    const std::vector<CSVNPath> records = m_watchdog.Records();
    ASSERT_EQ(records.size(), 2u);
    for (const CSVNPath& record : records) {
        EXPECT_EQ(record.m_iState, Waiting);
        EXPECT_EQ(record.m_iCountdown, 60);
        EXPECT_TRUE(record.m_strLastAuthor.isEmpty());
    }
    EXPECT_EQ(RecordPaths(), QStringList({"/wc/a", "/wc/b"}));
}

TEST_F(WatchdogDlgTest, UnwritableListFileIsSaidAndKeepsTheDialogOpenAndTheRecords) {
    // A file stands where the list file's folder should be, so neither can be made.
    QFile blocker(m_folder.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CConfigWatchdog watchdog(m_folder.filePath(QStringLiteral("not-a-folder/pathlist.ini")));
    watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    CWatchdogDlg dialog(watchdog);
    dialog.show();
    auto* list = CDialogTemplate::Control<CPathList>(dialog, CWatchdogDlg::IDC_LIST_PATHS);
    Drop(*list, {QStringLiteral("/wc/b")});
    QTest::mouseClick(CDialogTemplate::Control<QPushButton>(dialog, 1), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    auto* box = ShownBox(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QDir::toNativeSeparators(watchdog.ListFile())))
        << box->text().toStdString();
    EXPECT_NE(box->windowModality(), Qt::ApplicationModal) << "the tray icon stays usable";
    ASSERT_EQ(watchdog.Records().size(), 1u);
    EXPECT_EQ(watchdog.Records().at(0).m_iCountdown, 0);
    EXPECT_FALSE(QFile::exists(watchdog.ListFile()));
    EXPECT_EQ(list->Paths(), QStringList({"/wc/a", "/wc/b"}));
}

// A line of the list file is read back trimmed and ends at a line break: such a name would be stored
// as one folder and checked as another, so it is refused where it is dropped.
TEST_F(WatchdogDlgTest, NamesTheListFileCannotHoldAreRefusedAtTheDrop) {
    StartWith("/wc/a\n");
    CPathList* list = Open();
    const QStringList refused = {QStringLiteral("/wc/trail "), QStringLiteral("/wc/two\nlines"),
                                 QStringLiteral("/wc/tab\t")};
    EXPECT_TRUE(
        Drop(*list, refused + QStringList{QStringLiteral("/wc/in side"), QStringLiteral("/wc/ lead")}));
    EXPECT_EQ(list->Paths(), QStringList({"/wc/ lead", "/wc/a", "/wc/in side"}));
    auto* box = ShownBox(*m_dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("\"/wc/two\\nlines\""))) << box->text().toStdString();
    EXPECT_TRUE(box->text().contains(QStringLiteral("\"/wc/trail \""))) << box->text().toStdString();
    EXPECT_FALSE(box->text().contains(QStringLiteral("in side")) ||
                 box->text().contains(QStringLiteral("lead")));
    box->close();

    PressClose();
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    CConfigWatchdog reloaded(m_strListFile);
    ASSERT_TRUE(reloaded.LoadPathList());
    EXPECT_EQ(RecordPaths(), QStringList({"/wc/ lead", "/wc/a", "/wc/in side"}));
    EXPECT_EQ(PathsOf(reloaded), RecordPaths()) << "the records are what the saved file reads back as";
}

} // namespace
