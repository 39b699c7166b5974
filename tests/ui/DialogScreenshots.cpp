// Renders every dialog, the update window and the popup notifier into PNG files, for a person to
// look at: dialog_screenshots <output folder>. Run it on a real display server (scripts/screenshots
// starts Xvfb) so that fonts and style are those of a desktop.
#include "settings/CAppSettings.h"
#include "settings/CConfigWatchdog.h"
#include "support/CSvnSandbox.h"
#include "svn/CSubAutomation.h"
#include "ui/CAboutDlg.h"
#include "ui/CChangesWindow.h"
#include "ui/CDialogTemplate.h"
#include "ui/CFolderChecker.h"
#include "ui/CNamesDlg.h"
#include "ui/CPathList.h"
#include "ui/CReportDlg.h"
#include "ui/CTaskbarNotifier.h"
#include "ui/CUpdateLauncher.h"
#include "ui/CUpdateWindow.h"
#include "ui/CWatchdogDlg.h"
#include "ui/SettingsDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <functional>

namespace {

class CNoUpdateLauncher final : public CUpdateLauncher, public CFolderChecker {
public:
    bool StartUpdate(const QString&, QWidget*) override { return false; }
    bool CheckNow(const QString&, std::function<void()>) override { return false; }
};

bool g_bAllSaved = true;

// Shows the widget, lets it settle and saves what it draws as <folder>/<name>.png.
void Shoot(QWidget& widget, const QDir& folder, const QString& strName) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget)) {
        std::fprintf(stderr, "%s: the window was never shown\n", qPrintable(strName));
    }
    QTest::qWait(100);
    const QString strFile = folder.filePath(strName + QStringLiteral(".png"));
    if (!widget.grab().save(strFile)) {
        std::fprintf(stderr, "%s: could not be saved\n", qPrintable(strFile));
        g_bAllSaved = false;
        return;
    }
    std::printf("%s\n", qPrintable(strFile));
}

// The watched folders of a typical user, checked with every outcome.
void FillRecords(CConfigWatchdog& watchdog) {
    const struct {
        const char* path;
        int state;
        const char* author;
    } records[] = {
        {"/home/anna/projects/website", UpToDate, "anna"}, {"/home/anna/projects/backend", Modified, "bruno"},
        {"/home/anna/work/old checkout", ErrorLocal, ""},  {"/home/anna/work/remote-docs", ErrorNetwork, ""},
        {"/home/anna/projects/new-tool", Waiting, ""},     {"/srv/build/trunk", UpToDate, "ci-bot"},
    };
    for (const auto& record : records) {
        const QString strPath = QString::fromUtf8(record.path);
        watchdog.AddPath(strPath, 0);
        if (record.state != Waiting) {
            watchdog.SetPathResult(strPath, QString::fromUtf8(record.author), record.state);
        }
    }
}

void ShootReport(const QDir& folder, CConfigWatchdog& watchdog) {
    CNoUpdateLauncher launcher;
    CReportDlg report(watchdog, launcher, launcher);
    Shoot(report, folder, QStringLiteral("report"));
}

void ShootWatchList(const QDir& folder, CConfigWatchdog& watchdog) {
    CWatchdogDlg watchList(watchdog);
    watchList.show();
    if (auto* list = CDialogTemplate::Control<CPathList>(watchList, CWatchdogDlg::IDC_LIST_PATHS)) {
        list->topLevelItem(1)->setSelected(true);
    }
    Shoot(watchList, folder, QStringLiteral("watch-list"));
}

void ShootNames(const QDir& folder, const QString& strNamesFile) {
    CNamesDlg names(strNamesFile);
    for (const char* name : {"anna", "anna.berg@example.org", "build-share"})
        names.AddName(QString::fromUtf8(name));
    Shoot(names, folder, QStringLiteral("names"));
}

void ShootSettings(const QDir& folder) {
    theSettings.bAutomaticUpdateAtStart = 0;
    theSettings.bAutomaticUpdate = 1;
    SettingsDlg settings;
    Shoot(settings, folder, QStringLiteral("settings"));
}

void ShootAbout(const QDir& folder) {
    CAboutDlg about;
    about.m_strRevisionText = QStringLiteral("Corvane Revision 100");
    about.m_strBuildDate = QStringLiteral("2008/02/19 15:03:47");
    Shoot(about, folder, QStringLiteral("about"));
}

// A real `svn update` of a working copy that is one commit behind.
void ShootUpdateWindow(const QDir& folder) {
    CSvnSandbox sandbox;
    QString strBehind;
    if (sandbox.CreateRepository()) {
        strBehind = sandbox.Checkout(QStringLiteral("website"));
        const QString strAhead = sandbox.Checkout(QStringLiteral("colleague"));
        sandbox.Commit(strAhead, QStringLiteral("bruno"), QStringLiteral("index.html"), "<html></html>\n");
        sandbox.Commit(strAhead, QStringLiteral("bruno"), QStringLiteral("style.css"), "body {}\n");
    }
    CUpdateWindow window(strBehind.isEmpty() ? QStringLiteral("/home/anna/projects/website") : strBehind);
    QSignalSpy ended(&window, &CUpdateWindow::RunEnded);
    window.show();
    window.Start();
    ended.wait(30000);
    Shoot(window, folder, QStringLiteral("update-window"));
}

// The revisions a copy lacks, read from a real repository, with the diff of the newest one.
void ShootChanges(const QDir& folder) {
    CSvnSandbox sandbox;
    SVNChanges changes{sandbox.RepositoryUrl(), {}, false};
    if (sandbox.CreateRepository()) {
        const QString strColleague = sandbox.Checkout(QStringLiteral("colleague"));
        sandbox.Commit(strColleague, QStringLiteral("bruno"), QStringLiteral("api/orders.py"),
                       "def orders():\n    return []\n");
        sandbox.Commit(strColleague, QStringLiteral("carla"), QStringLiteral("api/orders.py"),
                       "def orders(limit=50):\n    return fetch_orders()[:limit]\n");
        CSubAutomation(kDefaultRunTimeLimit)
            .GetLog(sandbox.RepositoryUrl(), QStringLiteral("2"), QStringLiteral("1"), 10,
                    changes.m_Revisions);
    }
    for (SVNLogEntry& entry : changes.m_Revisions) {
        entry.m_strMessage =
            entry.m_strAuthor == QLatin1String("carla")
                ? QStringLiteral("Limit the orders a request returns\n\nA client asked for every "
                                 "order at once and timed out.\nFifty is what the app shows.")
                : QStringLiteral("Add the orders endpoint");
    }
    CChangesWindow window(QStringLiteral("/home/anna/projects/backend"), changes);
    QSignalSpy shown(&window, &CChangesWindow::DiffShown);
    window.show();
    window.ShowDiff();
    shown.wait(30000);
    Shoot(window, folder, QStringLiteral("changes"));
}

void ShootNotifier(const QDir& folder) {
    QObject owner;
    CTaskbarNotifier notifier;
    notifier.SetUpDefault(&owner);
    notifier.ShowPopup(QStringLiteral("/home/anna/projects/backend was modified. (local=41, remote=42)"),
                       CTaskbarNotifier::EdgeBottom, 400, 600, 10000, 5);
    QElapsedTimer timer;
    timer.start();
    while (notifier.GetSlideState() != CTaskbarNotifier::SlideStaying && timer.elapsed() < 10000) {
        QTest::qWait(20);
    }
    Shoot(notifier, folder, QStringLiteral("notifier"));
    notifier.HidePopup();
}

} // namespace

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_screenshots <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "%s: cannot make the folder\n", argv[1]);
        return 1;
    }

    QTemporaryDir work;
    CConfigWatchdog watchdog(work.filePath(QStringLiteral("pathlist.ini")));
    FillRecords(watchdog);
    // The settings dialog saves into the current directory only on OK; stay out of the caller's.
    QDir::setCurrent(work.path());

    ShootReport(folder, watchdog);
    ShootWatchList(folder, watchdog);
    ShootNames(folder, work.filePath(QStringLiteral("names.ini")));
    ShootSettings(folder);
    ShootAbout(folder);
    ShootUpdateWindow(folder);
    ShootChanges(folder);
    ShootNotifier(folder);
    return g_bAllSaved ? 0 : 1;
}
