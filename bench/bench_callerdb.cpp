#include "BenchCallLog.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"
#include "support/TempHome.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kCalls = 100'000;

clsCaller makeCall(int i)
{
    static const QDateTime start(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);
    clsCaller c;
    c.Name = QStringLiteral("CALLER %1").arg(i % 997);
    c.Number.Number = QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
    c.CallerDate = DateText::format(start.addSecs(qint64(i) * 317));
    c.Rings = i % 7;
    c.Answered = i % 3 ? QStringLiteral("YES") : QStringLiteral("NO");
    return c;
}

void fillLog(int calls) { storeBenchCalls(calls, makeCall); }

// Every call stored the way the call lifecycle stores it: one AddCaller, its own transaction.
void BM_AddCaller100k(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        TempHome home;
        CreateCallerDB(home.file("dbCID.mdb"));
        state.ResumeTiming();
        for (int i = 0; i < kCalls; ++i) {
            clsCaller c = makeCall(i);
            AddCaller(c);
        }
        state.PauseTiming();
        if (GetLastCallDate() != *DateText::parse(makeCall(kCalls - 1).CallerDate))
            state.SkipWithError("the log does not hold the last call");
        CloseCallerDB();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_AddCaller100k)->Iterations(1)->Unit(benchmark::kMillisecond);

// A new call's first ring and one later update, on a full log.
void BM_AddAndEditOnFullLog(benchmark::State& state)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    fillLog(kCalls);
    int i = kCalls;
    for (auto _ : state) {
        clsCaller c = makeCall(i++);
        AddCaller(c);
        c.Rings = 3;
        c.Answered = QStringLiteral("YES");
        EditCaller(c.ID, c);
        if (c.ID == 0)
            state.SkipWithError("AddCaller failed");
    }
    CloseCallerDB();
}
BENCHMARK(BM_AddAndEditOnFullLog)->Unit(benchmark::kMicrosecond);

// Date patterns are matched on the general date text of every call: the statistics' worst case.
void BM_LikeDatePatternCount(benchmark::State& state, const char* condition)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    fillLog(kCalls);
    const QString query = QStringLiteral("Select count(*) From tblCID Where ") + QLatin1String(condition);
    qint64 count = 0;
    for (auto _ : state) {
        SqlStatement st = CallerDBReader()->prepareUntrusted(query);
        st.step();
        count = st.int64(0);
    }
    state.counters["matches"] = double(count);
    CloseCallerDB();
}
BENCHMARK_CAPTURE(BM_LikeDatePatternCount, one_pattern, "fldDate Like '*/*/*9:*:*PM'")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LikeDatePatternCount, nine_pm_to_one_am,
                  "(fldDate Like '*/*/*9:*:*PM' or fldDate Like '*/*/*10:*:*PM' "
                  "or fldDate Like '*/*/*11:*:*PM' or fldDate Like '*/*/*12:*:*AM' or fldDate Like '*/*/* 1:*:*AM')")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LikeDatePatternCount, date_range_on_index, "fldDate > #6/1/2023# and fldDate < #7/1/2023#")
    ->Unit(benchmark::kMillisecond);

// The main window's view of the whole log, read as records.
void BM_SelectCallers100k(benchmark::State& state)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    fillLog(kCalls);
    qsizetype rows = 0;
    for (auto _ : state) {
        const QList<clsCaller> view = SelectCallers(QStringLiteral("Select * From tblCID Order By fldDate Desc"));
        rows = view.size();
    }
    if (rows != kCalls)
        state.SkipWithError("the view does not hold every call");
    CloseCallerDB();
}
BENCHMARK(BM_SelectCallers100k)->Unit(benchmark::kMillisecond);

// Start-up's opening of a 100,000-call log: the index check and the quick check that reads the whole file.
void BM_OpenFullLog(benchmark::State& state)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    fillLog(kCalls);
    CloseCallerDB();
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, home.file("dbCID.mdb"));
    for (auto _ : state) {
        if (!FindCallerDB())
            state.SkipWithError("the log did not open");
        CloseCallerDB();
    }
}
BENCHMARK(BM_OpenFullLog)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
