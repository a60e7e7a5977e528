#include "BenchCallLog.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "mainwindow/CallRows.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QFile>

#include <algorithm>
#include <array>
#include <vector>

#include <malloc.h>

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
    // Memory a benchmark before this one freed goes back to the system first, so each growth is its own.
    malloc_trim(0);
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

// A log and a book of the sizes a small office has: 100,000 calls from about 20,000 numbers, and (the
// argument) contacts with three numbers each, which own three quarters of the numbers that call.
QString officeNumber(int j) { return QStringLiteral("(%1) 555-%2").arg(200 + j / 100).arg(1000 + j % 100); }

clsCaller officeCall(int i)
{
    clsCaller c = makeCall(i);
    c.Number.Number = officeNumber(i % 20000);
    return c;
}

void storeOfficeBook(int contacts)
{
    for (int k = 0; k < contacts; ++k) {
        clsContact c;
        c.Name = QStringLiteral("Contact %1").arg(k);
        for (int n = 0; n < 3; ++n)
            c.AddNumber(std::make_shared<clsNumber>(officeNumber(3 * k + n), QStringLiteral("Work")));
        AddContact(c);
    }
}

// The view refresh of the main window over the office's log, with and without its contact book: the
// refill matches every distinct number to its contact.
void BM_RefreshGridWithContacts(benchmark::State& state)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    storeBenchCalls(kCalls, officeCall);
    CreateContactDB(home.file("dbContacts.mdb"));
    storeOfficeBook(int(state.range(0)));
    auto* window = new frmBaseMain;
    gMainForm = window;
    window->show();
    window->strSQL = QStringLiteral("Select * From tblCID");
    const CallerIDGrid* grid = window->findChild<CallerIDGrid*>(QStringLiteral("Grid"));
    malloc_trim(0);
    const double before = residentBytes();
    double grown = 0;
    for (auto _ : state) {
        window->RefreshGrid();
        if (grid->Rows() != kCalls + 1)
            state.SkipWithError("the grid does not hold every call");
        state.PauseTiming();
        malloc_trim(0);
        grown = std::max(grown, residentBytes() - before);
        state.ResumeTiming();
    }
    state.counters["contacts"] = double(gContacts.count());
    state.counters["rss_growth_MB"] = grown / 1e6;
    gMainForm = nullptr;
    delete window;
    CloseContactDB();
    gContacts = KeyedCollection<clsContact>();
    CloseCallerDB();
}
BENCHMARK(BM_RefreshGridWithContacts)->Arg(0)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same refresh done the way the list used to do it, kept to measure the change in the same run: every
// call read into a record first, then matched and turned into six separately held texts a row, rows
// appended one by one, then the default sort (newest first by record ID) through per-row keys.
struct PreviousRow {
    std::array<QString, 6> text;
    qint64 id = 0;
    std::array<quint32, 5> colour{};
    quint8 bold = 0;
};

void previousRefresh(const QString& sql, std::vector<PreviousRow>& rows)
{
    rows.clear();
    rows.shrink_to_fit();
    const QList<clsCaller> read = SelectCallers(sql);
    for (const clsCaller& record : read) {
        clsCaller caller = record;
        MatchCallerToContact(caller.Number.Number, caller);
        PreviousRow r;
        r.text = {caller.PrintNameDescription(), caller.Number.Number, caller.CallerDate,
                  QString::number(caller.Rings), caller.Answered,      QString::number(caller.ID)};
        r.id = r.text[5].trimmed().toLongLong();
        r.colour.fill(CallRowColour(caller.AttributeGroup));
        rows.push_back(std::move(r));
    }
    struct Key {
        bool isNumber = false;
        double number = 0;
        QString text;
    };
    std::vector<Key> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        keys[i].isNumber = true;
        keys[i].number = double(rows[i].id);
    }
    std::vector<quint32> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = quint32(i);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](quint32 a, quint32 b) { return keys[b].number < keys[a].number; });
    std::vector<PreviousRow> sorted;
    sorted.reserve(rows.size());
    for (quint32 i : order)
        sorted.push_back(std::move(rows[i]));
    rows.swap(sorted);
}

void BM_RefreshGrid100k_Previous(benchmark::State& state)
{
    TempHome home;
    CreateCallerDB(home.file("dbCID.mdb"));
    fillLog(kCalls);
    std::vector<PreviousRow> rows;
    // Memory a benchmark before this one freed goes back to the system first, so each growth is its own.
    malloc_trim(0);
    const double before = residentBytes();
    double grown = 0;
    for (auto _ : state) {
        previousRefresh(QStringLiteral("Select * From tblCID"), rows);
        grown = residentBytes() - before;
        if (rows.size() != size_t(kCalls))
            state.SkipWithError("not every call was read");
    }
    state.counters["rss_growth_MB"] = grown / 1e6;
    state.counters["rows"] = double(rows.size());
    rows.clear();
    CloseCallerDB();
}
BENCHMARK(BM_RefreshGrid100k_Previous)->Unit(benchmark::kMillisecond)->Iterations(3);

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
