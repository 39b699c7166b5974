#include "CRecordingUpdateLauncher.h"
#include "DialogTestSupport.h"
#include "settings/CConfigWatchdog.h"
#include "support/CGitSandbox.h"
#include "support/CScopedEnvironment.h"
#include "support/CSvnSandbox.h"
#include "ui/CChangesWindow.h"
#include "ui/CDesktopUpdateLauncher.h"
#include "ui/CDialogTemplate.h"
#include "ui/CReportDlg.h"

#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

// Takes the URLs that the desktop is asked to open.
class CUrlCatcher final : public QObject {
    Q_OBJECT
public:
    explicit CUrlCatcher(std::function<void(const QUrl&)> onOpen) : m_OnOpen(std::move(onOpen)) {}

public slots:
    void Open(const QUrl& url) { m_OnOpen(url); }

private:
    std::function<void(const QUrl&)> m_OnOpen;
};

constexpr int kQuestionMarkIcon = 139;
constexpr int kTickIcon = 140;
constexpr int kYellowCrossIcon = 141;
constexpr int kRedCrossIcon = 142;

class ReportDlgTest : public testing::Test {
protected:
    ReportDlgTest() : m_watchdog(m_folder.filePath(QStringLiteral("pathlist.ini"))) {}

    // A record as a finished check leaves it.
    void AddChecked(const QString& strPath, int iState, const QString& strAuthor = QString()) {
        m_watchdog.AddPath(strPath, 0);
        m_watchdog.SetPathResult(strPath, strAuthor, iState);
    }

    // Opens the report as the main frame does, without waiting for it to close.
    QTreeWidget* Open() {
        m_dialog = std::make_unique<CReportDlg>(m_watchdog, m_launcher, m_launcher);
        m_dialog->show();
        return CDialogTemplate::Control<QTreeWidget>(*m_dialog, CReportDlg::IDC_LIST_REPORT);
    }

    static QStringList Column(const QTreeWidget& list, int iColumn) {
        QStringList texts;
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            texts.append(list.topLevelItem(i)->text(iColumn));
        }
        return texts;
    }

    static QTreeWidgetItem* Row(const QTreeWidget& list, const QString& strPath) {
        const QList<QTreeWidgetItem*> rows = list.findItems(strPath, Qt::MatchExactly, 0);
        return rows.size() == 1 ? rows.first() : nullptr;
    }

    // A double-click as the mouse gives it: a click, then the second press that makes it double.
    static void DoubleClick(QTreeWidget& list, QTreeWidgetItem* row, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint where = list.visualItemRect(row).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, where);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, modifiers, where);
    }

    QTemporaryDir m_folder;
    CConfigWatchdog m_watchdog;
    CRecordingUpdateLauncher m_launcher;
    std::unique_ptr<CReportDlg> m_dialog;
};

TEST_F(ReportDlgTest, RowsAreSortedByPathWhateverTheRecordOrder) {
    for (const char* path : {"/wc/b", "/wc/c", "/wc/a"}) {
        m_watchdog.AddPath(QString::fromLatin1(path), 0);
    }
    QTreeWidget* list = Open();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Column(*list, 0), QStringList({"/wc/a", "/wc/b", "/wc/c"}));
}

TEST_F(ReportDlgTest, EachStateShowsItsTextAndIcon) {
    AddChecked(QStringLiteral("/wc/1"), UpToDate, QStringLiteral("alice"));
    AddChecked(QStringLiteral("/wc/2"), Modified, QStringLiteral("bob"));
    AddChecked(QStringLiteral("/wc/3"), ErrorLocal);
    AddChecked(QStringLiteral("/wc/4"), ErrorNetwork);
    AddChecked(QStringLiteral("/wc/5"), 17);
    QTreeWidget* list = Open();

    const struct {
        const char* path;
        const char* text;
        int icon;
    } expected[] = {
        {"/wc/1", "up-to-date", kTickIcon},
        {"/wc/2", "modified", kYellowCrossIcon},
        {"/wc/3", "error local", kRedCrossIcon},
        {"/wc/4", "error network/server", kRedCrossIcon},
        {"/wc/5", "error network/server", kRedCrossIcon},
    };
    for (const auto& row : expected) {
        QTreeWidgetItem* item = Row(*list, QString::fromLatin1(row.path));
        ASSERT_NE(item, nullptr) << row.path;
        EXPECT_EQ(item->text(1), QString::fromLatin1(row.text)) << row.path;
        EXPECT_EQ(SmallImage(item->icon(0)), StateIconImage(row.icon)) << row.path;
    }
    EXPECT_EQ(Row(*list, QStringLiteral("/wc/1"))->text(2), QStringLiteral("alice"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(Row(*list, QStringLiteral("/wc/2"))->text(3))
                    .hasMatch());
    // The four icons are told apart at the size the list shows them.
    EXPECT_NE(StateIconImage(kQuestionMarkIcon), StateIconImage(kTickIcon));
    EXPECT_NE(StateIconImage(kYellowCrossIcon), StateIconImage(kRedCrossIcon));
}

TEST_F(ReportDlgTest, NeverCheckedFolderIsWaitingWithoutAuthorOrTime) {
    m_watchdog.AddPath(QStringLiteral("/wc/new"), 0);
    QTreeWidget* list = Open();
    QTreeWidgetItem* row = Row(*list, QStringLiteral("/wc/new"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(1), QStringLiteral("wating.."));
    EXPECT_TRUE(row->text(2).isEmpty());
    EXPECT_TRUE(row->text(3).isEmpty());
    EXPECT_EQ(SmallImage(row->icon(0)), StateIconImage(kQuestionMarkIcon));
}

TEST_F(ReportDlgTest, ShowsTheRecordsAsTheyWereWhenItOpened) {
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    QTreeWidget* list = Open();
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QStringLiteral("carol"), Modified);
    m_watchdog.AddPath(QStringLiteral("/wc/b"), 0);
    m_dialog->hide();
    m_dialog->show();
    EXPECT_EQ(Column(*list, 0), QStringList({"/wc/a"}));
    EXPECT_EQ(Column(*list, 1), QStringList({"wating.."}));
}

TEST_F(ReportDlgTest, TemplateLayoutAndColumns) {
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    QTreeWidget* list = Open();
    EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Corvane : Report"));
    const CDialogTemplate layout(m_dialog->font());
    EXPECT_EQ(m_dialog->size(), QSize(layout.ToPixelsX(394), layout.ToPixelsY(220)));
    EXPECT_EQ(list->geometry(), layout.ToPixels(7, 7, 380, 162));

    const int W = list->width();
    const QStringList headings = {"Repos", "State", "Last author", "Checked at"};
    const int widths[] = {(W - 3) / 3, (W - 3) / 4, (W - 5) / 4, (W - 5) / 3};
    const Qt::Alignment alignments[] = {Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignLeft};
    ASSERT_EQ(list->columnCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list->headerItem()->text(i), headings[i]);
        EXPECT_EQ(list->header()->sectionSize(i), widths[i]) << i;
        EXPECT_EQ(Qt::Alignment(list->headerItem()->textAlignment(i)) & Qt::AlignHorizontal_Mask,
                  alignments[i]);
    }
    // Wider together than the list: the last column runs past its edge.
    EXPECT_GT(list->header()->length(), list->viewport()->width());

    auto* closeButton = CDialogTemplate::Control<QPushButton>(*m_dialog, 1);
    ASSERT_NE(closeButton, nullptr);
    EXPECT_EQ(closeButton->text(), QStringLiteral("&Close"));
    EXPECT_TRUE(closeButton->isDefault());

    // Made larger, the dialog gives its room to the list and the list to the first column; the
    // button stays centred below the list. It never becomes smaller than its template.
    const QRect closeAtFirst = closeButton->geometry();
    m_dialog->resize(m_dialog->size() + QSize(200, 100));
    EXPECT_EQ(list->geometry(), layout.ToPixels(7, 7, 380, 162).adjusted(0, 0, 200, 100));
    EXPECT_EQ(list->header()->sectionSize(0), widths[0] + 200);
    EXPECT_EQ(list->header()->sectionSize(1), widths[1]);
    EXPECT_EQ(closeButton->geometry(), closeAtFirst.translated(100, 100));
    EXPECT_EQ(m_dialog->minimumSize(), QSize(layout.ToPixelsX(394), layout.ToPixelsY(220)));
}

// A path longer than its column loses its middle, so the folder's own name stays in sight; the row's
// tool tip names it in full.
TEST_F(ReportDlgTest, LongPathKeepsTheFoldersNameInSight) {
    const QString strPath = QStringLiteral("/home/sam/corvane-demo/") + QString(120, QLatin1Char('x')) +
                            QStringLiteral("/alice-copy");
    m_watchdog.AddPath(strPath, 0);
    QTreeWidget* list = Open();
    QTreeWidgetItem* row = Row(*list, strPath);
    ASSERT_NE(row, nullptr);
    const QRect cell = list->visualRect(list->model()->index(0, 0));
    const int iTextWidth = cell.width() - list->iconSize().width() - 8;
    ASSERT_LT(iTextWidth, list->fontMetrics().horizontalAdvance(strPath));
    const QString strShown = list->fontMetrics().elidedText(strPath, list->textElideMode(), iTextWidth);
    EXPECT_TRUE(strShown.startsWith(QStringLiteral("/home/")) &&
                strShown.endsWith(QStringLiteral("/alice-copy")))
        << strShown.toStdString();
    EXPECT_EQ(row->toolTip(0), Qt::convertFromPlainText(strPath));
}

TEST_F(ReportDlgTest, DoubleClickWithoutSelectionStartsNothing) {
    m_watchdog.AddPath(QStringLiteral("/wc/a"), 0);
    QTreeWidget* list = Open();
    list->clearSelection();
    // Below the only row: the click lands on no item and leaves nothing selected.
    const QPoint below(5, list->viewport()->height() - 5);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_TRUE(m_launcher.m_requestedPaths.isEmpty());
}

TEST_F(ReportDlgTest, DoubleClickUpdatesTheRowsFolderAndShowsItWaiting) {
    AddChecked(QStringLiteral("/wc/a"), UpToDate, QStringLiteral("alice"));
    AddChecked(QStringLiteral("/wc/with blanks"), Modified, QStringLiteral("bob"));
    QTreeWidget* list = Open();
    QTreeWidgetItem* row = Row(*list, QStringLiteral("/wc/with blanks"));
    ASSERT_NE(row, nullptr);

    DoubleClick(*list, row);

    EXPECT_EQ(m_launcher.m_requestedPaths, QStringList({"/wc/with blanks"}));
    EXPECT_EQ(m_launcher.m_pLastRequester, m_dialog.get());
    EXPECT_EQ(SmallImage(row->icon(0)), StateIconImage(kQuestionMarkIcon));
    EXPECT_EQ(row->text(1), QStringLiteral("modified"));
    EXPECT_EQ(m_watchdog.Records().at(1).m_iState, Modified);
    QTreeWidgetItem* other = Row(*list, QStringLiteral("/wc/a"));
    EXPECT_EQ(SmallImage(other->icon(0)), StateIconImage(kTickIcon));
}

TEST_F(ReportDlgTest, OnlyALeftDoubleClickUpdatesAndOnlyTheRowUnderThePointer) {
    for (const char* path : {"/wc/c", "/wc/b", "/wc/a"}) {
        m_watchdog.AddPath(QString::fromLatin1(path), 0);
    }
    QTreeWidget* list = Open();
    const QPoint lowest = list->visualItemRect(list->topLevelItem(2)).center();
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseDClick(list->viewport(), button, {}, lowest);
    }
    EXPECT_TRUE(m_launcher.m_requestedPaths.isEmpty());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    // Shift extends the selection to the last row; the double-click acts on that row, not the upper one.
    DoubleClick(*list, list->topLevelItem(2), Qt::ShiftModifier);
    ASSERT_EQ(list->selectedItems().size(), 2);
    EXPECT_EQ(m_launcher.m_requestedPaths, QStringList({"/wc/c"}));
}

TEST_F(ReportDlgTest, DoubleClickHandsTheUpdateToolExactlyThePath) {
    QTemporaryDir tools;
    const QString strRecord = tools.filePath(QStringLiteral("argv"));
    ASSERT_TRUE(WriteScript(tools.path(), QStringLiteral("TortoiseProc"),
                            "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + strRecord.toLocal8Bit() +
                                ".part'\nmv '" + strRecord.toLocal8Bit() + ".part' '" +
                                strRecord.toLocal8Bit() + "'\n"));
    CScopedEnvironment path("PATH", PathWithFirst(tools.path()));
    const QString strFolder = QStringLiteral("/home/me/my work/wc \"quoted\" end\\");
    m_watchdog.AddPath(strFolder, 0);
    CDesktopUpdateLauncher launcher;
    CReportDlg dialog(m_watchdog, launcher, m_launcher);
    dialog.show();
    auto* list = CDialogTemplate::Control<QTreeWidget>(dialog, CReportDlg::IDC_LIST_REPORT);

    DoubleClick(*list, list->topLevelItem(0));

    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(strRecord); }));
    EXPECT_EQ(ReadNulSeparated(strRecord),
              QStringList({"/command:update", "/path:" + strFolder, "/notempfile", "/closeonend:0"}));
}

// The menu of a row acts on that row; a check made from it shows its outcome in that row alone, the
// rest staying the snapshot; what svn tells is shown as plain text, never as markup.
TEST_F(ReportDlgTest, ContextMenuActsOnItsRowAndACheckNowRefreshesOnlyThatRow) {
    AddChecked(QStringLiteral("/wc/a"), UpToDate, QStringLiteral("alice"));
    m_watchdog.AddPath(QStringLiteral("/wc/b"), 0);
    const SVNLogEntry change{"3",
                             "carol",
                             "2026-12-08T07:41:35.510088Z",
                             "<b>Fix</b> the parser\nand more",
                             {{"M", "/trunk/parser.c"}}};
    // An edit of the user's that the revision meets: the tool tip and the Changes window say so.
    SVNChanges lacking{"file:///repo/trunk", {change}, false};
    lacking.m_Predictions = {
        {"parser.c", "/trunk/parser.c", SVNEditPrediction::Outcome::Conflicts, {"3"}, {}}};
    m_watchdog.SetPathResult(QStringLiteral("/wc/b"), QStringLiteral("carol"), Modified, lacking);
    QTreeWidget* list = Open();
    QTreeWidgetItem* row = Row(*list, QStringLiteral("/wc/b"));
    EXPECT_TRUE(
        row->toolTip(2).contains(QStringLiteral("&lt;b&gt;Fix&lt;/b&gt;")) &&
        !row->toolTip(2).contains(QStringLiteral("<b>")) &&
        row->toolTip(2).contains(
            QStringLiteral("parser.c: your edit conflicts with r3").replace(QLatin1Char(' '), QChar(0xa0))))
        << row->toolTip(2).toStdString();

    emit list->customContextMenuRequested(list->visualItemRect(row).center());
    auto* menu = m_dialog->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QStringList labels;
    for (const QAction* action : menu->actions()) {
        labels.append(action->text());
    }
    EXPECT_EQ(labels, QStringList({"Update", "Check now", "Check every", "Changes", "Open folder"}));
    const auto choose = [&](const QString& label) {
        for (QAction* action : menu->actions()) {
            if (action->text() == label) {
                action->trigger();
            }
        }
    };

    // "Check every" marks the folder's interval and sets another, counted from its last result.
    const auto intervals = [&] {
        QStringList choices;
        for (const QAction* action : menu->actions().at(2)->menu()->actions()) {
            choices.append(action->text() + (action->isChecked() ? QStringLiteral(" *") : QString()));
        }
        return choices;
    };
    EXPECT_EQ(intervals(), QStringList({"5 minutes", "15 minutes", "1 hour *", "4 hours", "1 day"}));
    m_watchdog.DecrementCountdowns(10);
    menu->actions().at(2)->menu()->actions().at(1)->trigger();
    EXPECT_EQ(m_watchdog.GetInterval(QStringLiteral("/wc/b")), 15);
    EXPECT_EQ(m_watchdog.Records().back().m_iCountdown, 5);
    EXPECT_EQ(m_watchdog.GetInterval(QStringLiteral("/wc/a")), 60);

    QUrl opened;
    CUrlCatcher catcher([&opened](const QUrl& url) { opened = url; });
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    choose(QStringLiteral("Open folder"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(opened, QUrl::fromLocalFile(QStringLiteral("/wc/b")));

    choose(QStringLiteral("Changes"));
    auto* changes = m_dialog->findChild<CChangesWindow*>();
    ASSERT_NE(changes, nullptr);
    EXPECT_TRUE(
        changes->findChild<QPlainTextEdit*>(QStringLiteral("details"))
            ->toPlainText()
            .contains(QStringLiteral(
                "<b>Fix</b> the parser\nand more\n\nChanged paths:\n   M /trunk/parser.c   (your edit of "
                "parser.c: conflicts)\n")));

    choose(QStringLiteral("Check now"));
    ASSERT_EQ(m_launcher.m_checkedPaths, QStringList({"/wc/b"}));
    m_watchdog.SetPathResult(QStringLiteral("/wc/a"), QString(), ErrorLocal);
    m_watchdog.SetPathResult(QStringLiteral("/wc/b"), QStringLiteral("dave"), UpToDate);
    m_launcher.m_checkWaiters.front()();
    EXPECT_EQ(row->text(1), QStringLiteral("up-to-date"));
    EXPECT_EQ(row->text(2), QStringLiteral("dave"));
    EXPECT_EQ(row->toolTip(0), Qt::convertFromPlainText(QStringLiteral("/wc/b")));
    EXPECT_EQ(Row(*list, QStringLiteral("/wc/a"))->text(1), QStringLiteral("up-to-date"));

    // A check that fails says why in the tool tip, as plain text.
    choose(QStringLiteral("Check now"));
    m_watchdog.SetPathResult(QStringLiteral("/wc/b"), QString(), ErrorNetwork, {},
                             QStringLiteral("svn: E170013: Unable to connect to <svn://host>"));
    m_launcher.m_checkWaiters.back()();
    EXPECT_EQ(row->text(1), QStringLiteral("error network/server"));
    EXPECT_TRUE(row->toolTip(3).startsWith(QStringLiteral("<p>/wc/b<br")) &&
                row->toolTip(3).contains(QStringLiteral("E170013")) &&
                row->toolTip(3).contains(QStringLiteral("&lt;svn://host&gt;")))
        << row->toolTip(3).toStdString();
}

TEST_F(ReportDlgTest, ChangesWindowShowsARevisionsDiffFromSvn) {
    CSvnSandbox sandbox;
    ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError().toStdString();
    const QString workingCopy = sandbox.Checkout(QStringLiteral("wc"));
    ASSERT_EQ(sandbox.Commit(workingCopy, QStringLiteral("alice"), QStringLiteral("a.txt"), "first\n"), 1);
    ASSERT_EQ(sandbox.Commit(workingCopy, QStringLiteral("bob"), QStringLiteral("a.txt"), "second\n"), 2);
    CChangesWindow window(
        workingCopy, SVNChanges{sandbox.RepositoryUrl(), {{"2", "bob", {}, "change by bob", {}}}, false});
    QSignalSpy shown(&window, &CChangesWindow::DiffShown);

    window.ShowDiff();

    ASSERT_TRUE(shown.wait(30000));
    const QString diff = window.findChild<QPlainTextEdit*>(QStringLiteral("diff"))->toPlainText();
    EXPECT_TRUE(diff.contains(QStringLiteral("-first\n+second"))) << diff.toStdString();
}

// A commit the clone has fetched, as the check leaves it, with no ref that names it.
TEST_F(ReportDlgTest, ChangesWindowShowsAGitCommitsDiffFromGit) {
    CGitSandbox git;
    ASSERT_TRUE(git.CreateRepository()) << git.LastError().toStdString();
    const QString clone = git.Clone(QStringLiteral("clone"));
    ASSERT_TRUE(git.Commit(git.Folder() + QStringLiteral("/seed"), QStringLiteral("carol"),
                           QStringLiteral("readme.txt"), "second\n", QStringLiteral("Second")));
    QByteArray commit;
    ASSERT_TRUE(git.Git(git.Folder() + QStringLiteral("/seed"),
                        {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, &commit));
    ASSERT_TRUE(git.Git(clone, {QStringLiteral("fetch"), QStringLiteral("--quiet"),
                                QStringLiteral("--refmap="), QStringLiteral("--no-write-fetch-head"),
                                QStringLiteral("origin"), QStringLiteral("main")}));
    const QString hash = QString::fromLatin1(commit.trimmed());
    CChangesWindow window(clone,
                          SVNChanges{{}, {{hash.left(7), "carol", {}, "Second", {}, {}, hash}}, false});
    QSignalSpy shown(&window, &CChangesWindow::DiffShown);
    EXPECT_TRUE(window.findChild<QPlainTextEdit*>(QStringLiteral("details"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("Commit: ") + hash));

    window.ShowDiff();

    ASSERT_TRUE(shown.wait(30000));
    const QString diff = window.findChild<QPlainTextEdit*>(QStringLiteral("diff"))->toPlainText();
    EXPECT_TRUE(diff.startsWith(QStringLiteral("commit ") + hash) &&
                diff.contains(QStringLiteral("-first\n+second")))
        << diff.toStdString();
}

TEST_F(ReportDlgTest, TenThousandRecordsOpenQuickly) {
    for (int i = 0; i < 10000; ++i) {
        // Stored in descending order, the worst case for an insertion that keeps the list sorted.
        m_watchdog.AddPath(
            QStringLiteral("/home/user/projects/wc-%1").arg(99999 - i, 5, 10, QLatin1Char('0')), 0);
    }
    // Processor time, which other programs on a busy machine do not lengthen as they do the wall clock.
    const std::clock_t start = std::clock();
    QTreeWidget* list = Open();
    const auto elapsedMs = static_cast<qint64>((std::clock() - start) * 1000 / CLOCKS_PER_SEC);
    ASSERT_EQ(list->topLevelItemCount(), 10000);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("/home/user/projects/wc-90000"));
    EXPECT_LT(elapsedMs, 3000);
    RecordProperty("open_ms", static_cast<int>(elapsedMs));
}

} // namespace

#include "ReportDlgTest.moc"
