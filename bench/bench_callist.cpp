#include "BenchCallLog.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

constexpr int kCalls = 100'000;

clsCaller makeCall(int i)
{
    static const QDateTime start(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);
    clsCaller c;
    c.ID = i + 1;
    c.Name = QStringLiteral("CALLER %1").arg((i * 7919) % 99991);
    c.Number.Number = QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
    c.CallerDate = DateText::format(start.addSecs(qint64(i) * 317));
    c.Rings = i % 7;
    c.Answered = i % 3 ? QStringLiteral("YES") : QStringLiteral("NO");
    return c;
}

void fillLog(int calls) { storeBenchCalls(calls, makeCall); }

// Resident memory of the process in bytes.
double residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 : 0;
}

// The whole view refresh of the main window: the query, the progress window, contact matching, the grid
// fill and the final sort, for a view of 100,000 calls.
void BM_RefreshGrid100k(benchmark::State& state)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    fillLog(kCalls);
    auto* window = new frmBaseMain;
    gMainForm = window;
    window->show();
    window->strSQL = QStringLiteral("Select * From tblCID");
    const CallerIDGrid* grid = window->findChild<CallerIDGrid*>(QStringLiteral("Grid"));
    const double before = residentBytes();
    double grown = 0;
    for (auto _ : state) {
        window->RefreshGrid();
        grown = residentBytes() - before;
        if (grid->Rows() != kCalls + 1)
            state.SkipWithError("the grid does not hold every call");
    }
    state.counters["rss_growth_MB"] = grown / 1e6;
    state.counters["rows"] = grid->Rows() - 1;
    gMainForm = nullptr;
    delete window;
    CloseCallerDB();
}
BENCHMARK(BM_RefreshGrid100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Only the grid: 100,000 rows added (as a refill adds them) and sorted by the default column.
void BM_GridFill100k(benchmark::State& state)
{
    QList<clsCaller> calls;
    for (int i = 0; i < kCalls; ++i)
        calls << makeCall(i);
    CallerIDGrid grid;
    for (auto _ : state) {
        grid.setGridVisible(false);
        grid.Clear();
        grid.model()->beginBulkAppend();
        for (const clsCaller& c : calls)
            grid.AddItem(c);
        grid.model()->endBulkAppend();
        grid.Sort();
        grid.setGridVisible(true);
    }
}
BENCHMARK(BM_GridFill100k)->Unit(benchmark::kMillisecond);

// A heading click on Name: 100,000 rows sorted by name, alternately up and down.
void BM_SortByName100k(benchmark::State& state)
{
    CallListModel model;
    model.beginBulkAppend();
    for (int i = 0; i < kCalls; ++i) {
        const clsCaller c = makeCall(i);
        model.addRow(
            {c.Name, c.Number.Number, c.CallerDate, QString::number(c.Rings), c.Answered, QString::number(c.ID)});
    }
    model.endBulkAppend();
    bool up = true;
    for (auto _ : state) {
        model.sortRows(CallListModel::ColName, up ? CallListModel::GenericAscending : CallListModel::GenericDescending);
        up = !up;
    }
}
BENCHMARK(BM_SortByName100k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    registerStartupWindows();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
