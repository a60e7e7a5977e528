#include "BenchOfficeBook.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "network/clsRemoteSocket.h"
#include "platform/DateText.h"
#include "support/ResetForTests.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

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

QString callRecord(int i) { return makeCall(i).PrintSend(); }

// The same calls from an office's 20,000 numbers.
QString officeRecord(int i)
{
    clsCaller c = makeCall(i);
    c.Number.Number = officeNumber(i % kOfficeNumbers);
    return c.PrintSend();
}

// The rows of a server's answer to "Select * From tblCID" on a 100,000-call log, as it sends them.
QString rowsSend(QString (*record)(int) = callRecord)
{
    QString text = QStringLiteral(";CLEAR CALLERS;");
    text.reserve(kCalls * 80);
    for (int i = 0; i < kCalls; ++i)
        text += QStringLiteral(";CALLER;") + record(i);
    return text;
}

double residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 : 0;
}

// A client program in this process: its main window, connected to a server the benchmark plays.
struct ClientProgram {
    TempHome home;
    ScriptedServer server;
    frmRemoteMain* window = nullptr;
    CallerIDGrid* grid = nullptr;

    ClientProgram()
    {
        SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
        SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.port()));
        gNetworkMode = Client;
        gRemoteCallers = std::make_unique<RemoteCallerCollection>();
        window = new frmRemoteMain;
        gMainForm = window;
        window->show();
        grid = window->findChild<CallerIDGrid*>(QStringLiteral("Grid"));
        install(gRemoteSocket);
        server.waitForClient();
        server.waitForRequest(QStringLiteral(";MODEMCONNECTION;"));
    }
    ~ClientProgram()
    {
        gRemoteSocket.reset();
        gMainForm = nullptr;
        delete window;
    }
    // Lets the event loop run until the list shows rows records.
    void waitForRows(int rows)
    {
        while (grid->Rows() != rows + 1 || gRemoteSocket->pendingUnits() > 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

// The whole road of a large answer: the server's 100,000-row send over loopback TCP, cut into its unit,
// read by the dispatcher behind its progress window, and the call list refilled (contact matching, grid,
// sort). Time from the send to the full list; memory is the growth of the process while the list holds the
// rows, against the empty list.
void BM_ClientReceivesAndShows100k(benchmark::State& state)
{
    ClientProgram client;
    const QString rows = rowsSend();
    const double before = residentBytes();
    double grown = 0;
    for (auto _ : state) {
        client.server.send(QStringLiteral(";SIZE;%1;").arg(kCalls));
        client.server.send(rows);
        client.waitForRows(kCalls);
        state.PauseTiming();
        grown = std::max(grown, residentBytes() - before);
        client.server.send(QStringLiteral(";CLEAR CALLERS;"));
        client.waitForRows(0);
        state.ResumeTiming();
    }
    state.counters["rss_growth_MB"] = grown / 1e6;
}
BENCHMARK(BM_ClientReceivesAndShows100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Only the dispatch of the unit, already received: the 200,000 tokens read into the call collection, and
// the refill.
void BM_ClientDispatch100k(benchmark::State& state)
{
    ClientProgram client;
    const QString unit = rowsSend() + QStringLiteral(";COMPLETE;COMPLETE;");
    for (auto _ : state) {
        client.window->ProcessRemoteNetworkData(unit);
        if (client.grid->Rows() != kCalls + 1)
            state.SkipWithError("the list does not hold every call");
    }
}
BENCHMARK(BM_ClientDispatch100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The client's refill on an office's log (100,000 calls from 20,000 numbers) with the office's book of
// (the argument) contacts of three numbers each, which the server sent it: the unit read into the copy, every
// distinct number matched, the list filled and sorted. Memory is the growth while the list holds the rows,
// after freed memory went back to the system.
void BM_ClientDispatchOfficeLog(benchmark::State& state)
{
    ClientProgram client;
    client.window->ProcessRemoteNetworkData(officeContactsSend(int(state.range(0))) +
                                            QStringLiteral(";COMPLETE;COMPLETE;"));
    if (gContacts.count() != state.range(0))
        state.SkipWithError("the client does not hold the book");
    const QString unit = rowsSend(officeRecord) + QStringLiteral(";COMPLETE;COMPLETE;");
    client.window->ProcessRemoteNetworkData(QStringLiteral(";CLEAR CALLERS;;COMPLETE;COMPLETE;"));
    malloc_trim(0);
    const double before = residentBytes();
    double grown = 0;
    for (auto _ : state) {
        client.window->ProcessRemoteNetworkData(unit);
        if (client.grid->Rows() != kCalls + 1)
            state.SkipWithError("the list does not hold every call");
        state.PauseTiming();
        malloc_trim(0);
        grown = std::max(grown, residentBytes() - before);
        state.ResumeTiming();
    }
    state.counters["rss_growth_MB"] = grown / 1e6;
}
BENCHMARK(BM_ClientDispatchOfficeLog)->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The server's push of its book (the argument: contacts of three numbers each) to a client that shows the
// office's 100,000 calls: the contacts read, the call list refilled with every number matched again, the
// pop-up's contacts and the statistics groups brought up to date.
void BM_ClientReceivesBook(benchmark::State& state)
{
    ClientProgram client;
    client.window->ProcessRemoteNetworkData(rowsSend(officeRecord) + QStringLiteral(";COMPLETE;COMPLETE;"));
    const QString book = officeContactsSend(int(state.range(0))) + QStringLiteral(";COMPLETE;COMPLETE;");
    for (auto _ : state) {
        client.window->ProcessRemoteNetworkData(book);
        if (gContacts.count() != state.range(0) || client.grid->Rows() != kCalls + 1)
            state.SkipWithError("the client does not hold the book and every call");
    }
}
BENCHMARK(BM_ClientReceivesBook)->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What the client's copy of 100,000 calls holds by itself, as read from the server's rows: the former list
// of records, a clsCaller each (argument 0), against the copy the client keeps (argument 1). Measured as the
// growth of the process after freed memory went back to the system.
void BM_ClientCopyMemory100k(benchmark::State& state)
{
    QList<QString> records;
    records.reserve(kCalls);
    for (int i = 0; i < kCalls; ++i)
        records << officeRecord(i);
    double grown = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const double before = residentBytes();
        if (state.range(0) == 0) {
            QList<clsCaller> copy;
            for (const QString& r : std::as_const(records)) {
                clsCaller c;
                c.BuildCaller(r, true);
                copy.append(c);
            }
            malloc_trim(0);
            grown = std::max(grown, residentBytes() - before);
            benchmark::DoNotOptimize(copy.size());
        } else {
            RemoteCallerCollection copy;
            for (const QString& r : std::as_const(records)) {
                clsCaller c;
                c.BuildCaller(r, true);
                copy.append(c);
            }
            malloc_trim(0);
            grown = std::max(grown, residentBytes() - before);
            benchmark::DoNotOptimize(copy.size());
        }
    }
    state.counters["rss_growth_MB"] = grown / 1e6;
}
BENCHMARK(BM_ClientCopyMemory100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QApplication app(argc, argv);
    registerStartupWindows();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
