#include "DialogTestSupport.h"
#include "support/CGitSandbox.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"
#include "support/ChildProcesses.h"
#include "support/PlaceProgram.h"
#include "ui/CDesktopUpdateLauncher.h"
#include "ui/CUpdateWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
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

    static QByteArray ReadAll(const QString& strFile) {
        QFile file(strFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Opens a window whose svn update runs until stopped, after the given signal setup; svn's process
    // id. Its cleanup records its arguments and ends at once.
    qint64 StartInterruptibleSvn(const QByteArray& setup) {
        const QByteArray pidFile = m_tools.filePath(QStringLiteral("pid")).toLocal8Bit();
        FakeSvn("[ \"$1\" = cleanup ] && { echo \"$@\" > \"$0.cleanup\"; exit; }\n" + setup + "echo $$ > '" +
                pidFile + ".part'\nmv '" + pidFile + ".part' '" + pidFile +
                "'\nwhile :; do sleep 0.05; done\n");
        m_pWindow = new CUpdateWindow(QStringLiteral("/wc/a"));
        m_pWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_pWindow->show();
        m_pWindow->Start();
        if (!WaitUntil([&] { return QFile::exists(QString::fromLocal8Bit(pidFile)); })) {
            return 0;
        }
        return ReadAll(QString::fromLocal8Bit(pidFile)).trimmed().toLongLong();
    }

    // The question the window shows, if any.
    QMessageBox* Question() const {
        for (QMessageBox* box : m_pWindow->findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                return box;
            }
        }
        return nullptr;
    }

    ~UpdateWindowTest() override { delete m_pWindow.data(); }

    QTemporaryDir m_tools;
    CScopedEnvironment m_path;
    QPointer<CUpdateWindow> m_pWindow;
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
    // The trailing '@' keeps svn from reading an '@' in the path as a peg revision.
    EXPECT_TRUE(strOutput.contains("arg[update]\narg[--]\narg[" + strPath + "@]\n"))
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
    FakeSvn("echo \"svn: E155007: '${3%@}' is not a working copy\" >&2\nexit 1\n");
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

// svn takes SIGINT as a cancel and unlocks the working copy; a kill would leave it locked.
TEST_F(UpdateWindowTest, ClosingWhileSvnRunsAsksThenInterruptsSvnAndCloses) {
    const qint64 pid = StartInterruptibleSvn("trap 'echo interrupted > \"$0.stopped\"; exit 1' INT\n");
    ASSERT_GT(pid, 0);
    QPointer<CUpdateWindow> alive(m_pWindow);

    QTest::mouseClick(m_pWindow->findChild<QPushButton*>(), Qt::LeftButton);
    QMessageBox* question = Question();
    ASSERT_NE(question, nullptr) << "closing while svn runs asks first";
    EXPECT_NE(question->windowModality(), Qt::ApplicationModal) << "the tray icon stays usable";
    EXPECT_TRUE(IsProcessRunning(pid));
    EXPECT_TRUE(m_pWindow->isVisible());

    question->button(QMessageBox::Yes)->click();
    ASSERT_TRUE(WaitUntil([&] { return alive.isNull(); }));
    EXPECT_EQ(ReadAll(m_tools.filePath(QStringLiteral("svn.stopped"))), "interrupted\n");
    EXPECT_FALSE(IsProcessRunning(pid));
    EXPECT_FALSE(QFile::exists(m_tools.filePath(QStringLiteral("svn.cleanup")))) << "svn ended by itself";
}

TEST_F(UpdateWindowTest, SvnThatIgnoresTheInterruptIsKilledAfterTheGracePeriod) {
    const qint64 pid = StartInterruptibleSvn("trap '' INT\n");
    ASSERT_GT(pid, 0);
    QPointer<CUpdateWindow> alive(m_pWindow);
    m_pWindow->SetStopGracePeriod(std::chrono::milliseconds(300));
    m_pWindow->StopAndClose();
    EXPECT_TRUE(IsProcessRunning(pid)) << "svn has its grace period";
    ASSERT_TRUE(WaitUntil([&] { return alive.isNull(); }));
    EXPECT_FALSE(IsProcessRunning(pid));
    // A killed svn leaves the working copy locked.
    EXPECT_EQ(ReadAll(m_tools.filePath(QStringLiteral("svn.cleanup"))), "cleanup -- /wc/a@\n");
}

TEST_F(UpdateWindowTest, AnsweringNoKeepsSvnRunningAndTheWindowOpen) {
    const qint64 pid = StartInterruptibleSvn("");
    ASSERT_GT(pid, 0);
    m_pWindow->close();
    QMessageBox* question = Question();
    ASSERT_NE(question, nullptr);
    question->button(QMessageBox::No)->click();
    QTest::qWait(200);
    EXPECT_TRUE(m_pWindow->isVisible());
    EXPECT_TRUE(IsProcessRunning(pid));
}

TEST_F(UpdateWindowTest, QuitWaitsUntilTheLauncherHasStoppedItsUpdatesGently) {
    FakeSvn("trap 'echo interrupted > \"$0.stopped\"; exit 1' INT\n: > \"$0.ready\"\n"
            "while :; do sleep 0.05; done\n");
    auto launcher = std::make_unique<CDesktopUpdateLauncher>();
    int iQuits = 0;
    launcher->StopUpdatesThenQuit([&] { ++iQuits; });
    EXPECT_EQ(iQuits, 1) << "nothing runs: quit at once";

    ASSERT_TRUE(launcher->StartUpdate(QStringLiteral("/wc/a"), nullptr));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(m_tools.filePath(QStringLiteral("svn.ready"))); }));
    EXPECT_TRUE(launcher->IsUpdating());
    launcher->StopUpdatesThenQuit([&] { ++iQuits; });
    QMessageBox* question = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                question = box;
            }
        }
        return question != nullptr;
    }));
    EXPECT_EQ(iQuits, 1) << "asks first";
    question->button(QMessageBox::Yes)->click();
    ASSERT_TRUE(WaitUntil([&] { return iQuits == 2; }));
    EXPECT_FALSE(launcher->IsUpdating());
    EXPECT_EQ(ReadAll(m_tools.filePath(QStringLiteral("svn.stopped"))), "interrupted\n");
}

TEST_F(UpdateWindowTest, LauncherWithoutToolOpensAWindowUsableBesideAModalRequester) {
    FakeSvn("echo 'At revision 3.'\n");
    ASSERT_TRUE(CDesktopUpdateLauncher::FindUpdateTool(QStringLiteral("/wc/a")).isEmpty());
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
        // The window system takes the click once the window is on the screen.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(opened.data()));
        QTest::mouseClick(opened->windowHandle(), Qt::LeftButton, {},
                          closeButton->mapTo(opened.data(), closeButton->rect().center()));
        requester.reject();
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

// The tool runs detached and outlives Corvane; its end is still seen, so the copy is checked then.
TEST_F(UpdateWindowTest, EndOfTheToolsRunIsToldWithTheCopysPath) {
    const QString started = m_tools.filePath(QStringLiteral("started"));
    const QString release = m_tools.filePath(QStringLiteral("release"));
    // The tool notes its start in started, then runs until release appears.
    ASSERT_TRUE(PlaceNotingSvn(m_tools.path(), QStringLiteral("TortoiseProc")));
    const CScopedEnvironment note("CORVANE_TEST_SVN_LOG", QFile::encodeName(started));
    const CScopedEnvironment gate("CORVANE_TEST_SVN_GATE", QFile::encodeName(release));
    QStringList ended;
    CDesktopUpdateLauncher launcher([&ended](const QString& strPath) { ended.append(strPath); });

    ASSERT_TRUE(launcher.StartUpdate(QStringLiteral("/wc/a b"), nullptr));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(started); }));
    QApplication::processEvents();
    EXPECT_TRUE(ended.isEmpty()) << "the end was told while the tool still ran";
    QFile(release).open(QIODevice::WriteOnly);
    EXPECT_TRUE(WaitUntil([&] { return !ended.isEmpty(); }));
    EXPECT_EQ(ended, QStringList{QStringLiteral("/wc/a b")});
}

// A Git working tree is pulled by TortoiseGit's tool.
TEST_F(UpdateWindowTest, ToolParametersKeepTheSystemsFormForPlainPaths) {
    EXPECT_EQ(CDesktopUpdateLauncher::ToolParameters(QStringLiteral("/home/me/my wc")),
              QStringLiteral("/command:update /path:\"/home/me/my wc\" /notempfile /closeonend:0"));
    const QString clone = m_tools.filePath(QStringLiteral("my clone"));
    ASSERT_TRUE(QDir().mkpath(clone + QStringLiteral("/.git")));
    EXPECT_EQ(CDesktopUpdateLauncher::ToolParameters(clone),
              QStringLiteral("/command:pull /path:\"%1\"").arg(clone));
}

// Also under a locale that is not UTF-8, where svn refuses a non-ASCII path unless it is given a
// UTF-8 character type.
TEST(UpdateWindowRealSvnTest, BringsAWorkingCopyUpToDate) {
    CSvnSandbox sandbox;
    ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError().toStdString();
    const QString strBehind = sandbox.Checkout(QStringLiteral("behind café wc"));
    const QString strAhead = sandbox.Checkout(QStringLiteral("ahead"));
    ASSERT_FALSE(strBehind.isEmpty());
    ASSERT_EQ(sandbox.Commit(strAhead, QStringLiteral("alice"), QStringLiteral("readme.txt"), "hello\n"), 1);

    CUpdateWindow window(strBehind);
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    {
        const CScopedEnvironment locale("LC_ALL", "C");
        window.Start();
    }
    ASSERT_TRUE(WaitUntil([&] { return ended.count() == 1; }, 30000));
    const QString strOutput = window.findChild<QPlainTextEdit*>()->toPlainText();
    EXPECT_TRUE(strOutput.contains(QStringLiteral("readme.txt"))) << strOutput.toStdString();
    EXPECT_TRUE(strOutput.contains(QStringLiteral("svn update finished."))) << strOutput.toStdString();
    EXPECT_TRUE(QFile::exists(strBehind + QStringLiteral("/readme.txt")));
}

// git pull only moves the branch forward: a clone whose branch has diverged stays as it was, with
// git's words in the window.
TEST(UpdateWindowRealGitTest, PullsOnlyWhatMovesTheBranchForward) {
    CGitSandbox git;
    ASSERT_TRUE(git.CreateRepository()) << git.LastError().toStdString();
    const QString behind = git.Clone(QStringLiteral("behind café"));
    const QString diverged = git.Clone(QStringLiteral("diverged"));
    const QString other = git.Clone(QStringLiteral("other"));
    ASSERT_TRUE(
        git.Commit(other, QStringLiteral("carol"), QStringLiteral("b.txt"), "b\n", QStringLiteral("B")))
        << git.LastError().toStdString();
    ASSERT_TRUE(git.Commit(diverged, QStringLiteral("me"), QStringLiteral("c.txt"), "c\n",
                           QStringLiteral("C"), false));
    QByteArray head;
    ASSERT_TRUE(git.Git(diverged, {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, &head));
    const CScopedEnvironment home("HOME", QFile::encodeName(git.Folder() + QStringLiteral("/home")));

    const auto update = [](const QString& clone) {
        CUpdateWindow window(clone);
        QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
        window.Start();
        EXPECT_TRUE(WaitUntil([&] { return ended.count() == 1; }, 30000));
        return window.findChild<QPlainTextEdit*>()->toPlainText();
    };
    const QString pulled = update(behind);
    EXPECT_TRUE(pulled.endsWith(QStringLiteral("git pull finished.\n"))) << pulled.toStdString();
    EXPECT_TRUE(QFile::exists(behind + QStringLiteral("/b.txt")));
    const QString refused = update(diverged);
    EXPECT_TRUE(refused.contains(QStringLiteral("Not possible to fast-forward"))) << refused.toStdString();
    EXPECT_TRUE(refused.endsWith(QStringLiteral("git pull failed (exit code 128).\n")))
        << refused.toStdString();
    QByteArray after;
    ASSERT_TRUE(git.Git(diverged, {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, &after));
    EXPECT_EQ(after, head);
}

} // namespace
