#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "support/TempHome.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kCalls = 100'000;
const QDateTime kStart(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);

// 100,000 calls about 5 minutes apart (a year and a week of calls), from 997 callers, some private.
void fillLog()
{
    SqlTransaction tx(*gCallerDB);
    SqlStatement st = gCallerDB->prepare(QStringLiteral(
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
    for (int i = 0; i < kCalls; ++i) {
        const bool hidden = i % 50 == 0;
        st.bind(1, hidden ? QStringLiteral("PRIVATE NUMBER") : QStringLiteral("CALLER %1").arg(i % 997));
        st.bind(2, hidden ? QStringLiteral("PRIVATE NUMBER")
                          : QStringLiteral("(555) %1-%2").arg(100 + i % 997).arg(1000 + i % 9000));
        st.bind(3, DateText::toIso(kStart.addSecs(qint64(i) * 317)));
        st.bind(4, qint64(i % 7));
        st.bind(5, i % 3 ? QStringLiteral("YES") : QStringLiteral("NO"));
        st.exec();
        st.reset();
    }
    tx.commit();
}

std::unique_ptr<TempHome> g_home;

void setUp()
{
    g_home = std::make_unique<TempHome>();
    gNetworkMode = Standalone;
    CreateCallerDB(g_home->file("dbCID.mdb"));
    fillLog();
    Clock::setNow(kStart.addSecs(qint64(kCalls) * 317 + 3600));
    CreateDefaultStatistics();
}

clsGroup contactGroup()
{
    clsGroup g;
    g.Description = QStringLiteral("Caller 17");
    g.Group = QStringLiteral("(fldNumber like '*(555) 117-*' or fldNumber like '*555-0000*')");
    return g;
}

// One built-in statistic over the whole log for every caller, as a grid cell over "Any Time".
void BM_BuiltIn(benchmark::State& state, const QString& description)
{
    const auto statistic = gStatistics->item(description);
    const auto all = gGroups->item(QStringLiteral("All Callers"));
    const int days = PeriodDays(0);
    double value = 0;
    for (auto _ : state) {
        QString note;
        value = ExecuteStat(*statistic, *all, days, QString(), &note);
        benchmark::DoNotOptimize(value);
    }
    if (value < 0)
        state.SkipWithError("the statistic failed");
    state.counters["value"] = value;
}

// The same statistic for one contact's group: the number patterns are matched on every call.
void BM_ContactGroup(benchmark::State& state, const QString& description)
{
    const auto statistic = gStatistics->item(description);
    const clsGroup group = contactGroup();
    double value = 0;
    for (auto _ : state) {
        QString note;
        value = ExecuteStat(*statistic, group, 365, QString(), &note);
        benchmark::DoNotOptimize(value);
    }
    if (value <= 0)
        state.SkipWithError("the group matched nothing");
    state.counters["value"] = value;
}

// Over the last week only: a range scan of the date index.
void BM_LastWeek(benchmark::State& state, const QString& description)
{
    const auto statistic = gStatistics->item(description);
    const auto all = gGroups->item(QStringLiteral("All Callers"));
    const QString clause =
        QStringLiteral("and fldDate > #") + DateText::format(Clock::now().addDays(-7)) + QLatin1Char('#');
    double value = 0;
    for (auto _ : state) {
        QString note;
        value = ExecuteStat(*statistic, *all, 7, clause, &note);
        benchmark::DoNotOptimize(value);
    }
    state.counters["value"] = value;
}

// The default grid of the statistics window: 11 statistics for the four built-in groups and one contact.
void BM_DefaultGrid(benchmark::State& state)
{
    QList<std::shared_ptr<clsStatistic>> shown;
    for (const auto& e : *gStatistics) {
        if (e.item->Default)
            shown << e.item;
    }
    QList<clsGroup> groups;
    for (const auto& e : *gGroups)
        groups << *e.item;
    groups << contactGroup();
    const int days = PeriodDays(0);
    for (auto _ : state) {
        for (const clsGroup& g : groups) {
            for (const auto& s : shown) {
                QString note;
                if (ExecuteStat(*s, g, days, QString(), &note) < 0)
                    state.SkipWithError("a cell failed");
            }
        }
    }
    state.counters["cells"] = double(shown.size() * groups.size());
}

} // namespace

int main(int argc, char** argv)
{
    setUp();
    for (const auto& e : *gStatistics) {
        const QString d = e.item->Description;
        benchmark::RegisterBenchmark(("BM_BuiltIn/" + d).toStdString().c_str(), BM_BuiltIn, d)
            ->Unit(benchmark::kMillisecond);
    }
    for (const char* d : {"Total Calls", "Average Rings", "Most Calls in a Hour", "Calls in the Last Week"}) {
        benchmark::RegisterBenchmark((std::string("BM_ContactGroup/") + d).c_str(), BM_ContactGroup,
                                     QString::fromLatin1(d))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_LastWeek/") + d).c_str(), BM_LastWeek, QString::fromLatin1(d))
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_DefaultGrid", BM_DefaultGrid)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseStatistics();
    CloseCallerDB();
    g_home.reset();
    return 0;
}
