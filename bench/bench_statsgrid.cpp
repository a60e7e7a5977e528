#include "BenchCallLog.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/ui/frmProcessing.h"
#include "core/ui/modMainGui.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "statistics/StatisticsBatch.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsView.h"
#include "statswindow/ui/frmCustomizeStatistics.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

// The statistics grid and graph over a log of 100,000 calls and a contact book of 200 contacts: the
// statistics window's default view is 11 statistics for the 4 special groups and the 200 contacts' groups.

namespace {

constexpr int kCalls = 100'000;
// VELQUON_BENCH_CONTACTS sets another size of book (a small office's 5,000, say).
const int kContacts =
    qEnvironmentVariableIsSet("VELQUON_BENCH_CONTACTS") ? qEnvironmentVariableIntValue("VELQUON_BENCH_CONTACTS") : 200;
const QDateTime kStart(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);

// Calls about 5 minutes apart (a year and a week), from 997 callers, every 50th private.
clsCaller makeCall(int i)
{
    clsCaller c;
    const bool hidden = i % 50 == 0;
    c.Name = hidden ? QStringLiteral("PRIVATE NUMBER") : QStringLiteral("CALLER %1").arg(i % 997);
    c.Number.Number = hidden ? QStringLiteral("PRIVATE NUMBER") : QStringLiteral("(555) %1-0000").arg(100 + i % 997);
    c.CallerDate = DateText::format(kStart.addSecs(qint64(i) * 317));
    c.Rings = i % 7;
    c.Answered = i % 3 ? QStringLiteral("YES") : QStringLiteral("NO");
    return c;
}

std::unique_ptr<TempHome> g_home;

// The real progress window, or none (the engine alone, as a server without a screen runs it).
void progressWindows(bool shown)
{
    if (shown)
        frmProcessing::install();
    else
        programLinks().createProgressWindow = nullptr;
}

void setUp()
{
    g_home = std::make_unique<TempHome>();
    gNetworkMode = Standalone;
    CreateCallerDB(g_home->file("dbCID.mdb"));
    storeBenchCalls(kCalls, makeCall);
    CreateContactDB(g_home->file("dbContacts.mdb"));
    for (int k = 0; k < kContacts; ++k) {
        clsContact c;
        c.Name = QStringLiteral("Contact %1").arg(k);
        // Each contact owns one caller's number; every tenth has a second one.
        c.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) %1-0000").arg(100 + k * 4), QString()));
        if (k % 10 == 0)
            c.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) %1-0000").arg(101 + k * 4), QString()));
        AddContact(c);
    }
    UpdateContactCollection();
    Clock::setNow(kStart.addSecs(qint64(kCalls) * 317 + 3600));
    CreateDefaultStatistics();
    LoadDefaultStatistics();
    LoadDefaultGroups();
}

QList<clsStatistic> shownStatistics()
{
    QList<clsStatistic> out;
    for (const auto& e : *gCurrentStatistics)
        out << *e.item;
    return out;
}

QList<clsGroup> shownGroups(int count = -1)
{
    QList<clsGroup> out;
    for (const auto& e : *gCurrentGroups) {
        if (count >= 0 && out.size() >= count)
            break;
        out << *e.item;
    }
    return out;
}

// The default grid for any time (11 x 204 cells), cell by cell with a yield each: the engine alone (0), and
// behind the progress window the statistics window shows (1).
void BM_DefaultGridAnyTime(benchmark::State& state)
{
    progressWindows(state.range(0) == 1);
    const QList<clsStatistic> s = shownStatistics();
    const QList<clsGroup> g = shownGroups();
    const int days = PeriodDays(0);
    int batched = 0;
    for (auto _ : state) {
        GridBatch batch(s, g, QString(), days);
        const GridRunResult r = RunStatisticsGrid(batch, RunHooks(), nullptr);
        benchmark::DoNotOptimize(r.cells);
        batched = 0;
        for (int i = 0; i < s.size(); ++i) {
            for (int j = 0; j < g.size(); ++j)
                batched += batch.answeredByBatch(i, j) ? 1 : 0;
        }
    }
    state.counters["cells"] = double(s.size() * g.size());
    state.counters["from_batch"] = batched;
    progressWindows(false);
}

// The progress window alone: as many steps as the default grid has cells, with no work between them, so the
// figure is what the window adds to a run (its showing, the yields and the counts it paints).
void BM_ProgressWindowAlone(benchmark::State& state)
{
    progressWindows(true);
    const qint32 steps = qint32(state.range(0));
    for (auto _ : state) {
        Processing p(steps, QStringLiteral("Processing Statistics..."));
        for (qint32 i = 0; i < steps; ++i)
            p.Increment();
    }
    progressWindows(false);
}

// The same grid for the four special groups and one contact (55 cells): the batch, and each cell's own query.
void BM_SmallGrid(benchmark::State& state)
{
    const bool perCell = state.range(0) == 1;
    const QList<clsStatistic> s = shownStatistics();
    const QList<clsGroup> g = shownGroups(5);
    const int days = PeriodDays(0);
    for (auto _ : state) {
        if (perCell) {
            for (const clsStatistic& st : s) {
                for (const clsGroup& gr : g) {
                    QString note;
                    benchmark::DoNotOptimize(ExecuteStat(st, gr, days, QString(), &note));
                }
            }
        } else {
            GridBatch batch(s, g, QString(), days);
            benchmark::DoNotOptimize(RunStatisticsGrid(batch, RunHooks(), nullptr).cells);
        }
    }
    state.counters["cells"] = double(s.size() * g.size());
}

// The default grid over the last month.
void BM_DefaultGridLastMonth(benchmark::State& state)
{
    const QList<clsStatistic> s = shownStatistics();
    const QList<clsGroup> g = shownGroups();
    const QString clause =
        QStringLiteral("and fldDate > #") + DateText::format(Clock::now().addDays(-30)) + QLatin1Char('#');
    for (auto _ : state) {
        GridBatch batch(s, g, clause, 30);
        benchmark::DoNotOptimize(RunStatisticsGrid(batch, RunHooks(), nullptr).cells);
    }
}

// An hourly graph of "Total Calls" for five groups over the last month (720 buckets).
void BM_HourlyGraphFiveGroupsLastMonth(benchmark::State& state)
{
    const QList<clsGroup> g = shownGroups(5);
    const QList<GraphBucket> buckets =
        GraphBuckets(Clock::now().addDays(-30), Clock::now(), GraphUnit::Hour, kMaxGraphCells);
    const clsStatistic total = *gStatistics->item(QStringLiteral("Total Calls"));
    double sum = 0;
    for (auto _ : state) {
        GraphBatch batch(total, g, buckets, 30);
        const GraphRunResult r = RunGraph(batch, buckets, int(g.size()), RunHooks(), nullptr);
        sum = 0;
        for (const auto& row : r.table.values)
            sum += row.value(0);
    }
    state.counters["buckets"] = double(buckets.size());
    state.counters["all_callers_calls"] = sum;
}

// A long run behind the real progress window: a 100 ms timer must keep firing, and Stop must end the run
// soon. The period clause uses a function, so every cell is its own query over the whole log (the slowest
// grid there is); Stop is pressed 2 s in.
void BM_TimerAndStopDuringALongRun(benchmark::State& state)
{
    const QList<clsStatistic> s = shownStatistics();
    const QList<clsGroup> g = shownGroups();
    const QString clause = QStringLiteral("and Year(fldDate) > 2000");
    double longestGap = 0, stopToEnd = 0;
    int ticks = 0;
    progressWindows(true);
    for (auto _ : state) {
        QElapsedTimer sinceTick, sinceStop;
        QTimer timer;
        timer.setInterval(100);
        sinceTick.start();
        ticks = 0;
        longestGap = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, double(sinceTick.elapsed()));
            sinceTick.restart();
            ++ticks;
            if (ticks == 20) {
                for (QWidget* w : FindForms(QStringLiteral("frmProcessing"))) {
                    if (w->isVisible())
                        qobject_cast<frmProcessing*>(w)->cmdStop->click();
                }
                sinceStop.start();
            }
        });
        timer.start();
        GridBatch batch(s, g, clause, 30);
        RunHooks hooks;
        hooks.progressCaption = QStringLiteral("Processing Statistics...");
        const GridRunResult r = RunStatisticsGrid(batch, hooks, nullptr);
        stopToEnd = sinceStop.isValid() ? double(sinceStop.elapsed()) : -1;
        if (!r.stopped)
            state.SkipWithError("the run was not stopped");
    }
    progressWindows(false);
    state.counters["timer_ticks"] = ticks;
    state.counters["longest_timer_gap_ms"] = longestGap;
    state.counters["stop_to_end_ms"] = stopToEnd;
}

// The statistics window as the user opens it (its default view: grid, chart and graph, until the last is drawn;
// the figure takes in the 200 ms quiet that tells it is done), then its "Customize Statistics" dialog with a
// list entry per group. A 5 ms timer runs meanwhile: its longest gap over all the openings (the first one lays
// out the chart's fonts and labels for the first time) is the longest the window held the event loop at a time.
void BM_OpenWindowAndCustomize(benchmark::State& state)
{
    progressWindows(true);
    double windowMs = 0, dialogMs = 0, longestHoldMs = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestHoldMs = std::max(longestHoldMs, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        ticker.start();
        sinceTick.start();
        QElapsedTimer clock;
        clock.start();
        frmStatistics* w = frmStatistics::instance();
        w->showWindow(nullptr);
        // The first view (the default grid, its chart and graph) is asked for once the window is up; it is
        // done when no progress window is left and the engine is idle.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 200 || !FindForms(QStringLiteral("frmProcessing")).isEmpty() ||
               StatisticsQueue::busy()) {
            if (!FindForms(QStringLiteral("frmProcessing")).isEmpty() || StatisticsQueue::busy())
                settle.restart();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        windowMs = double(clock.nsecsElapsed()) / 1e6;
        ticker.stop();
        clock.restart();
        frmCustomizeStatistics::showFor(w);
        QCoreApplication::processEvents();
        dialogMs = double(clock.nsecsElapsed()) / 1e6;
        for (QWidget* d : FindForms(QStringLiteral("frmCustomizeStatistics")))
            d->close();
        w->close();
        delete w;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    progressWindows(false);
    state.counters["groups"] = double(gGroups->count());
    state.counters["window_ms"] = windowMs;
    state.counters["longest_hold_ms"] = longestHoldMs;
    state.counters["customize_ms"] = dialogMs;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    registerStartupWindows();
    progressWindows(false);
    setUp();
    benchmark::RegisterBenchmark("BM_DefaultGridAnyTime/engine", BM_DefaultGridAnyTime)
        ->Arg(0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("BM_DefaultGridAnyTime/progress_window", BM_DefaultGridAnyTime)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("BM_OpenWindowAndCustomize", BM_OpenWindowAndCustomize)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("BM_ProgressWindowAlone", BM_ProgressWindowAlone)
        ->Arg(2244)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("BM_SmallGrid/batch", BM_SmallGrid)
        ->Arg(0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("BM_SmallGrid/per_cell_queries", BM_SmallGrid)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    benchmark::RegisterBenchmark("BM_DefaultGridLastMonth", BM_DefaultGridLastMonth)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("BM_HourlyGraphFiveGroupsLastMonth", BM_HourlyGraphFiveGroupsLastMonth)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("BM_TimerAndStopDuringALongRun", BM_TimerAndStopDuringALongRun)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseStatistics();
    CloseCallerDB();
    CloseContactDB();
    g_home.reset();
    return 0;
}
