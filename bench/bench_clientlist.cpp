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

#include <benchmark/benchmark.h>

namespace {

constexpr int kCalls = 100'000;

QString callRecord(int i)
{
    static const QDateTime start(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);
    clsCaller c;
    c.ID = i + 1;
    c.Name = QStringLiteral("CALLER %1").arg((i * 7919) % 99991);
    c.Number.Number = QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
    c.CallerDate = DateText::format(start.addSecs(qint64(i) * 317));
    c.Rings = i % 7;
    c.Answered = i % 3 ? QStringLiteral("YES") : QStringLiteral("NO");
    return c.PrintSend();
}

// The rows of a server's answer to "Select * From tblCID" on a 100,000-call log, as it sends them.
QString rowsSend()
{
    QString text = QStringLiteral(";CLEAR CALLERS;");
    text.reserve(kCalls * 80);
    for (int i = 0; i < kCalls; ++i)
        text += QStringLiteral(";CALLER;") + callRecord(i);
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
