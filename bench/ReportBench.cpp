// The report dialog opened on 10,000 watched folders, on Qt's offscreen platform: the time from
// building the dialog until it is shown and painted with its list filled and sorted, against the same
// dialog on an empty watch list.
#include "BenchTiming.h"
#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "ui/CFolderChecker.h"
#include "ui/CReportDlg.h"
#include "ui/CUpdateLauncher.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

constexpr int kFolders = 10000;

class CNoUpdates final : public CUpdateLauncher, public CFolderChecker {
public:
    bool StartUpdate(const QString&, QWidget*) override { return false; }
    bool CheckNow(const QString&, std::function<void()>) override { return false; }
};

// Every state, authors and times, in an order the sort has to work on.
void FillWatchList(CConfigWatchdog& watchdog) {
    QStringList paths;
    for (int i = 0; i < kFolders; ++i)
        paths.append(QStringLiteral("/home/user/projects/%1/working-copy")
                         .arg((i * 7919) % kFolders, 5, 10, QLatin1Char('0')));
    for (const QString& path : paths)
        watchdog.AddPath(path, 0);
    for (int i = 0; i < kFolders; i += 5)
        watchdog.SetPathResult(paths[i], QStringLiteral("dev%1").arg(i % 13), 1 + i % 4);
}

// Milliseconds from building the dialog to its first painted frame; -1 when it did not show every
// folder.
double OpenReport(CConfigWatchdog& watchdog, CNoUpdates& launcher, int folders) {
    const Clock::time_point start = Clock::now();
    CReportDlg dialog(watchdog, launcher, launcher);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return -1;
    dialog.repaint();
    const double took = MillisecondsSince(start);
    const QTreeWidget* list = dialog.findChild<QTreeWidget*>();
    const bool complete = list && list->topLevelItemCount() == folders;
    dialog.close();
    return complete ? took : -1;
}

void OpenReportWithTenThousandFolders(benchmark::State& state) {
    QTemporaryDir folder;
    CConfigWatchdog full(folder.filePath(QStringLiteral("full.ini")));
    CConfigWatchdog empty(folder.filePath(QStringLiteral("empty.ini")));
    FillWatchList(full);
    CNoUpdates launcher;
    std::vector<double> fullMs;
    std::vector<double> emptyMs;
    for (auto _ : state) {
        fullMs.push_back(OpenReport(full, launcher, kFolders));
        emptyMs.push_back(OpenReport(empty, launcher, 0));
        if (fullMs.back() < 0 || emptyMs.back() < 0) {
            state.SkipWithError("the report did not show every folder");
            return;
        }
    }
    state.counters["full_median_ms"] = Median(fullMs);
    state.counters["full_worst_ms"] = *std::max_element(fullMs.begin(), fullMs.end());
    state.counters["empty_median_ms"] = Median(emptyMs);
}

} // namespace

BENCHMARK(OpenReportWithTenThousandFolders)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(15);

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
