#include "DialogTestSupport.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "ui/CDesktopUpdateLauncher.h"
#include "ui/CUpdateWindow.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// A fake `svn` first on the PATH, for the update window's runs.
class UpdateWindowTest : public testing::Test {
protected:
    UpdateWindowTest() : m_path("PATH", PathWithFirst(m_tools.path())) {}

    void FakeSvn(const QByteArray& body) {
        ASSERT_TRUE(WriteScript(m_tools.path(), QStringLiteral("svn"), body));
    }

    static QString Output(const CUpdateWindow& window) {
        return window.findChild<QPlainTextEdit*>()->toPlainText();
    }

    QTemporaryDir m_tools;
    CScopedEnvironment m_path;
};

TEST_F(UpdateWindowTest, ShowsThePathAndTheOutputOfSvnUpdateOnIt) {
    FakeSvn("for a in \"$@\"; do printf 'arg[%s]\\n' \"$a\"; done\necho 'Updated to revision 7.' >&2\n");
    const QString strPath = QStringLiteral("/wc/my \"work\" <b>copy</b>");
    CUpdateWindow window(strPath);
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    window.show();
    ASSERT_TRUE(window.Start());
    ASSERT_TRUE(WaitUntil([&] { return ended.count() == 1; }));

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Corvane : Update"));
    EXPECT_TRUE(window.isVisible());
    QLabel* label = window.findChild<QLabel*>();
    EXPECT_EQ(label->text(), strPath);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    const QString strOutput = Output(window);
    EXPECT_TRUE(strOutput.contains("arg[update]\narg[--]\narg[" + strPath + "]\n"))
        << strOutput.toStdString();
    EXPECT_TRUE(strOutput.contains(QStringLiteral("Updated to revision 7."))) << strOutput.toStdString();
    EXPECT_TRUE(strOutput.contains(QStringLiteral("svn update finished."))) << strOutput.toStdString();
}

TEST_F(UpdateWindowTest, OutputArrivesWhileSvnStillRuns) {
    const QString strGo = m_tools.filePath(QStringLiteral("go"));
    FakeSvn("echo 'Updating first'\nwhile [ ! -e '" + strGo.toLocal8Bit() +
            "' ]; do sleep 0.05; done\necho done\n");
    CUpdateWindow window(QStringLiteral("/wc/a"));
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    window.show();
    window.Start();
    EXPECT_TRUE(WaitUntil([&] { return Output(window).contains(QStringLiteral("Updating first")); }));
    EXPECT_EQ(ended.count(), 0);
    QFile(strGo).open(QIODevice::WriteOnly);
    EXPECT_TRUE(WaitUntil([&] { return ended.count() == 1; }));
}

TEST_F(UpdateWindowTest, FailingSvnIsReportedWithItsExitCode) {
    FakeSvn("echo \"svn: E155007: '$3' is not a working copy\" >&2\nexit 1\n");
    CUpdateWindow window(QStringLiteral("/not/a/wc"));
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    window.Start();
    ASSERT_TRUE(WaitUntil([&] { return ended.count() == 1; }));
    EXPECT_TRUE(Output(window).contains(QStringLiteral("'/not/a/wc' is not a working copy")));
    EXPECT_TRUE(Output(window).contains(QStringLiteral("exit code 1")));
}

TEST_F(UpdateWindowTest, MissingSvnIsSaidPlainly) {
    QTemporaryDir empty;
    CScopedEnvironment path("PATH", QFile::encodeName(empty.path()));
    CUpdateWindow window(QStringLiteral("/wc/a"));
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    window.Start();
    ASSERT_TRUE(WaitUntil([&] { return ended.count() == 1; }));
    EXPECT_TRUE(Output(window).contains(QStringLiteral("svn could not be started")))
        << Output(window).toStdString();
}

TEST_F(UpdateWindowTest, ClosingTheWindowEndsTheRun) {
    const QString strPidFile = m_tools.filePath(QStringLiteral("pid"));
    FakeSvn("echo $$ > '" + strPidFile.toLocal8Bit() + ".part'\nmv '" + strPidFile.toLocal8Bit() +
            ".part' '" + strPidFile.toLocal8Bit() + "'\nexec sleep 60\n");
    auto* window = new CUpdateWindow(QStringLiteral("/wc/a"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<CUpdateWindow> alive(window);
    window->show();
    window->Start();
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(strPidFile); }));
    QFile pidFile(strPidFile);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const qint64 pid = pidFile.readAll().trimmed().toLongLong();
    ASSERT_TRUE(IsProcessRunning(pid));

    QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);

    EXPECT_FALSE(IsProcessRunning(pid));
    EXPECT_TRUE(WaitUntil([&] { return alive.isNull(); }));
}

TEST_F(UpdateWindowTest, LauncherWithoutToolOpensAWindowUsableBesideAModalRequester) {
    FakeSvn("echo 'At revision 3.'\n");
    ASSERT_TRUE(CDesktopUpdateLauncher::FindUpdateTool().isEmpty());
    auto launcher = std::make_unique<CDesktopUpdateLauncher>();
    QPointer<CUpdateWindow> opened;
    bool bClicked = false;
    QDialog requester;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(launcher->StartUpdate(QStringLiteral("/wc/a"), &requester));
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<CUpdateWindow*>(widget)) {
                opened = window;
            }
        }
        ASSERT_FALSE(opened.isNull());
        // A click through the window system, which drops input to windows a modal dialog blocks.
        QPushButton* closeButton = opened->findChild<QPushButton*>();
        QObject::connect(closeButton, &QPushButton::clicked, [&] { bClicked = true; });
        QTimer::singleShot(100, [&, closeButton] {
            QTest::mouseClick(opened->windowHandle(), Qt::LeftButton, {},
                              closeButton->mapTo(opened.data(), closeButton->rect().center()));
            requester.reject();
        });
    });
    requester.exec();
    EXPECT_TRUE(bClicked);
}

TEST_F(UpdateWindowTest, WindowOutlivesItsRequesterAndEndsWithTheLauncher) {
    FakeSvn("exec sleep 60\n");
    auto launcher = std::make_unique<CDesktopUpdateLauncher>();
    QPointer<CUpdateWindow> opened;
    {
        QDialog requester;
        requester.show();
        ASSERT_TRUE(launcher->StartUpdate(QStringLiteral("/wc/a"), &requester));
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<CUpdateWindow*>(widget)) {
                opened = window;
            }
        }
    }
    ASSERT_FALSE(opened.isNull());
    EXPECT_TRUE(opened->isVisible());
    const QList<qint64> children = ChildProcessIds();
    ASSERT_FALSE(children.isEmpty());
    launcher.reset();
    EXPECT_TRUE(opened.isNull());
    for (qint64 pid : children) {
        EXPECT_FALSE(IsProcessRunning(pid));
    }
}

TEST_F(UpdateWindowTest, ToolParametersKeepTheSystemsFormForPlainPaths) {
    EXPECT_EQ(CDesktopUpdateLauncher::ToolParameters(QStringLiteral("/home/me/my wc")),
              QStringLiteral("/command:update /path:\"/home/me/my wc\" /notempfile /closeonend:0"));
}

TEST(UpdateWindowRealSvnTest, BringsAWorkingCopyUpToDate) {
    CSvnSandbox sandbox;
    ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError().toStdString();
    const QString strBehind = sandbox.Checkout(QStringLiteral("behind wc"));
    const QString strAhead = sandbox.Checkout(QStringLiteral("ahead"));
    ASSERT_FALSE(strBehind.isEmpty());
    ASSERT_EQ(sandbox.Commit(strAhead, QStringLiteral("alice"), QStringLiteral("readme.txt"), "hello\n"), 1);

    CUpdateWindow window(strBehind);
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    window.Start();
    ASSERT_TRUE(WaitUntil([&] { return ended.count() == 1; }, 30000));
    const QString strOutput = window.findChild<QPlainTextEdit*>()->toPlainText();
    EXPECT_TRUE(strOutput.contains(QStringLiteral("readme.txt"))) << strOutput.toStdString();
    EXPECT_TRUE(strOutput.contains(QStringLiteral("svn update finished."))) << strOutput.toStdString();
    EXPECT_TRUE(QFile::exists(strBehind + QStringLiteral("/readme.txt")));
}

} // namespace
