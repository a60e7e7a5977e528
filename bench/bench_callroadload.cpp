// The call road while the program does something heavy, measured on the real program in server mode (see
// BenchServer.h): for each heavy operation, started just before a call, the time from the write of the
// call's NMBR line on the pseudo-terminal to the client holding the call's ";INCOMING CALLER;" broadcast
// with that number (median_ms, max_ms). The program stores a call before it sends it, so this is also the
// time by which the call was stored. The aim is well under a second whatever runs. For the three seconds
// after the operation starts a RING goes out every 25 ms: the longest any of them waited for its ";RING;"
// (ring_max_ms) is the longest the operation held the program's loop.
//
// The operations (the benchmark's argument): 0 nothing; 1 opening the Activity Log on a 500 MB file; 2 the
// call list refilled with 100,000 calls (the view "All"); 3 the statistics window opening on a 100,000-call
// log; 4 a client that does not read asking for all 100,000 calls. Each is started three times and undone
// after its call (the window closed, the view back to one day, the client gone), then a fourth time with a
// SIGTERM 300 ms later: sigterm_to_exit_ms is how long the program took to end.

#include <QDateTime>

#include "BenchCallLog.h"
#include "BenchServer.h"

using namespace benchserver;

namespace {

constexpr int Calls = 100000;

void fillLog(const QString& path)
{
    CreateCallerDB(path);
    // The newest call just now, one every 15 minutes before it: every period sees calls.
    const QDateTime newest = QDateTime::currentDateTime();
    const QDateTime now(newest.date(), newest.time(), Qt::UTC);
    storeBenchCalls(Calls, [&](int i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i % 700);
        c.Number.Number = QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
        c.CallerDate = DateText::format(now.addSecs(-qint64(Calls - i) * 900));
        c.Rings = i % 6;
        c.Answered = i % 3 ? QStringLiteral("NO") : QStringLiteral("YES");
        return c;
    });
    CloseCallerDB();
}

void writeLargeActivityLog(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QByteArray line = "\"6/1/2025 10:00:00 AM:  Connection Request By:  192.168.1.20\"\r\n";
    QByteArray block;
    while (block.size() < 1024 * 1024)
        block += line;
    while (file.size() < bytes)
        file.write(block);
}

// Starts the operation; the client that does not read, for the last one.
std::unique_ptr<QTcpSocket> start(Server& server, int operation)
{
    switch (operation) {
    case 1:
        server.command(QStringLiteral("trigger mnuWindow(0)"));
        break;
    case 2:
        server.command(QStringLiteral("trigger mnuViewTime(12)"));
        break;
    case 3:
        server.command(QStringLiteral("trigger mnuWindow(4)"));
        break;
    case 4: {
        auto slowClient = std::make_unique<QTcpSocket>();
        slowClient->setReadBufferSize(1);
        slowClient->connectToHost(QHostAddress::LocalHost, server.port);
        slowClient->waitForConnected(5000);
        slowClient->write(MessageFramer::frame(QStringLiteral(";SQL;Select * From tblCID")));
        slowClient->flush();
        return slowClient;
    }
    default:
        break;
    }
    return nullptr;
}

} // namespace

static void BM_CallDuringHeavyWork(benchmark::State& state)
{
    const int operation = int(state.range(0));
    Server server;
    {
        const QString path = server.home.filePath(QStringLiteral("dbCID.mdb"));
        fillLog(path);
        QSettings ini(server.home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/CallerDBPath"), path);
        if (operation == 1)
            writeLargeActivityLog(server.home.filePath(QStringLiteral("ActivityLog.dat")), 500LL * 1024 * 1024);
    }
    if (!server.start(state, 1))
        return;
    Client& client = *server.clients.front();
    std::vector<double> millis;
    std::vector<double> ringMillis; // per round: the longest a ring waited for its ";RING;"
    int call = 0;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round, ++call) {
            std::unique_ptr<QTcpSocket> slowClient = start(server, operation);
            // Rings every 25 ms for three seconds from the start of the operation: each ring's ";RING;" at the
            // client shows how long the program's loop was held meanwhile.
            std::vector<qint64> sent;
            std::vector<qint64> heard;
            QElapsedTimer span;
            span.start();
            auto listen = [&] {
                client.units += client.framer.feed(client.socket.readAll());
                for (const QString& unit : std::as_const(client.units))
                    if (unit.contains(QStringLiteral(";RING;")))
                        heard.push_back(span.nsecsElapsed());
                client.units.clear();
            };
            while (span.elapsed() < 3000) {
                sent.push_back(span.nsecsElapsed());
                server.modem.injectLine(QStringLiteral("RING"));
                const qint64 next = span.elapsed() + 25;
                while (span.elapsed() < next) {
                    client.socket.waitForReadyRead(int(std::max<qint64>(1, next - span.elapsed())));
                    listen();
                }
            }
            while (heard.size() < sent.size() && span.elapsed() < 600000) {
                client.socket.waitForReadyRead(100);
                listen();
            }
            double held = 0;
            for (size_t i = 0; i < std::min(sent.size(), heard.size()); ++i)
                held = std::max(held, double(heard[i] - sent[i]) / 1e6);
            ringMillis.push_back(held);
            const QString digits = QStringLiteral("555%1").arg(2000000 + call, 7, 10, QLatin1Char('0'));
            const QString shown = QStringLiteral("(555) %1-%2").arg(digits.mid(3, 3), digits.mid(6, 4));
            QElapsedTimer clock;
            clock.start();
            server.modem.inject("\r\nNMBR = " + digits.toLatin1() + "\r\n");
            if (!client.waitFor(shown, 600000, false)) {
                state.SkipWithError("no INCOMING CALLER broadcast with the number");
                return;
            }
            millis.push_back(double(clock.nsecsElapsed()) / 1e6);
            switch (operation) {
            case 1:
            case 3:
                server.command(QStringLiteral("trigger ") +
                               (operation == 1 ? QStringLiteral("mnuWindow(0)") : QStringLiteral("mnuWindow(4)")));
                break;
            case 2:
                server.command(QStringLiteral("trigger mnuViewTime(6)"));
                break;
            default:
                break;
            }
            slowClient.reset();
            // The call ends after eight seconds without a ring.
            server.settle(9000);
        }
    }
    state.counters["server_peak_MB"] = double(server.counters().peakKb) / 1024.0;
    // Once more, and SIGTERM while it runs: how long until the program has ended.
    std::unique_ptr<QTcpSocket> slowClient = start(server, operation);
    server.settle(300);
    QElapsedTimer ending;
    ending.start();
    server.process.terminate();
    if (!server.process.waitForFinished(600000)) {
        state.SkipWithError("the program did not end after SIGTERM");
        return;
    }
    state.counters["sigterm_to_exit_ms"] = double(ending.nsecsElapsed()) / 1e6;
    state.counters["calls"] = double(millis.size());
    state.counters["median_ms"] = percentile(millis, 0.5);
    state.counters["max_ms"] = percentile(millis, 1.0);
    state.counters["ring_max_ms"] = percentile(ringMillis, 1.0);
}
BENCHMARK(BM_CallDuringHeavyWork)->DenseRange(0, 4)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
