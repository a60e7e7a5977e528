// The server as its clients see it, measured on the real program: velquon runs in server mode in its own
// process (offscreen, a fresh program folder), its modem is a fake one on a pseudo-terminal, and one client
// is connected over loopback. For each call the clock runs from the write of the NMBR line on the
// pseudo-terminal to the client holding the call's ";INCOMING CALLER;" broadcast with that number.
// CPU comes from the server process's own counters (/proc/<pid>/stat): per call over the whole run, and
// between calls (an idle stretch after the last call), with the process's wake-ups in that stretch.
//
// A call ends only after eight seconds without a ring, so a run of N calls takes about N x 9 seconds.
// VELQUON_BENCH_CALLS sets N (default 100).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <vector>

#include <unistd.h>

#include "network/MessageFramer.h"
#include "support/FakeModem.h"

namespace {

struct ProcessCounters {
    double cpuMs = 0;   // user + system time
    qint64 wakeUps = 0; // voluntary context switches: each is a sleep the process woke from
};

ProcessCounters counters(qint64 pid)
{
    ProcessCounters c;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // Fields after the command name (which may hold blanks) start after the last ')'.
        const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (f.size() > 12) {
            const double tick = double(sysconf(_SC_CLK_TCK));
            c.cpuMs = (f.at(11).toDouble() + f.at(12).toDouble()) * 1000.0 / tick; // utime, stime
        }
    }
    // Every thread of the process counts.
    const QString taskDir = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(taskDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(taskDir + QLatin1Char('/') + task + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& l : status.readAll().split('\n')) {
            if (l.startsWith("voluntary_ctxt_switches:"))
                c.wakeUps += l.mid(24).trimmed().toLongLong();
        }
    }
    return c;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

// The loopback client: the server's sends, cut at their markers.
class Client {
public:
    bool connectTo(quint16 port, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(500))
                return true;
            socket.abort();
            QThread::msleep(100);
        }
        return false;
    }
    void send(const QByteArray& text)
    {
        socket.write(text + MessageFramer::Marker);
        socket.flush();
    }
    // Blocks on the socket until a unit containing text arrives; the event loop runs between reads only
    // when idle is set (the fake modem answers the program's commands from it).
    bool waitFor(const QString& text, int ms, bool idle = true)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            while (!units.isEmpty()) {
                if (units.takeFirst().contains(text))
                    return true;
            }
            if (t.elapsed() > ms)
                return false;
            if (idle)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(idle ? 5 : int(ms - t.elapsed())))
                units += framer.feed(socket.readAll());
        }
    }
    // Reads what comes for ms milliseconds while the event loop runs.
    void drain(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (socket.waitForReadyRead(10))
                units += framer.feed(socket.readAll());
        }
        units.clear();
    }

    QTcpSocket socket;
    MessageFramer framer{64 * 1024 * 1024};
    QStringList units;
};

QString program()
{
    const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR");
    return (dir.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/..") : dir) +
           QStringLiteral("/velquon");
}

} // namespace

static void BM_NumberLineToClientBroadcast(benchmark::State& state)
{
    const int calls = qEnvironmentVariableIsSet("VELQUON_BENCH_CALLS")
                          ? qEnvironmentVariableIntValue("VELQUON_BENCH_CALLS")
                          : int(state.range(0));
    QTemporaryDir home;
    FakeModem modem;
    const quint16 port = freePort();
    {
        QSettings ini(home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/InitializedSettings"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("frmConfiguration/Networking"), QStringLiteral("1"));
        ini.setValue(QStringLiteral("frmConfiguration/LocalPort"), QString::number(port));
        ini.setValue(QStringLiteral("frmConfiguration/CommPort"), modem.slavePath());
        // The fake modem has no line to probe: the answered test would only hold the port between calls.
        ini.setValue(QStringLiteral("frmConfiguration/DialToneTest"), QStringLiteral("False"));
        ini.setValue(QStringLiteral("frmConfiguration/LogActivity"), QStringLiteral("True"));
    }
    QProcess server;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELQUON_HOME"), home.path());
    env.insert(QStringLiteral("VELQUON_NONINTERACTIVE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    server.setProcessEnvironment(env);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(program(), {});
    if (!server.waitForStarted(10000)) {
        state.SkipWithError("velquon did not start");
        return;
    }
    Client client;
    if (!client.connectTo(port, 30000)) {
        state.SkipWithError("the server did not listen");
        return;
    }
    client.send(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID");
    // The port opens soon after start-up: the reply ("True") or, later, the broadcast ("TRUE") says so.
    if (!client.waitFor(QStringLiteral(";MODEMCONNECTION;T"), 30000)) {
        QFile log(home.filePath(QStringLiteral("ActivityLog.dat")));
        log.open(QIODevice::ReadOnly);
        qWarning("%s\n%s", log.readAll().constData(), qPrintable(modem.commands().join(QLatin1Char(' '))));
        state.SkipWithError("the fake modem was not opened");
        return;
    }
    client.drain(1000);

    std::vector<double> micros;
    micros.reserve(size_t(calls));
    ProcessCounters start;
    for (auto _ : state) {
        start = counters(server.processId());
        for (int i = 0; i < calls; ++i) {
            modem.injectLine(QStringLiteral("RING"));
            if (!client.waitFor(QStringLiteral(";RING;"), 5000)) {
                state.SkipWithError("no RING broadcast");
                return;
            }
            client.drain(300);
            const QString digits = QStringLiteral("555%1").arg(1000000 + i, 7, 10, QLatin1Char('0'));
            const QString shown = QStringLiteral("(555) %1-%2").arg(digits.mid(3, 3), digits.mid(6, 4));
            QElapsedTimer clock;
            clock.start();
            modem.inject("\r\nNMBR = " + digits.toLatin1() + "\r\n");
            if (!client.waitFor(shown, 5000, false)) {
                state.SkipWithError("no INCOMING CALLER broadcast with the number");
                return;
            }
            micros.push_back(double(clock.nsecsElapsed()) / 1000.0);
            modem.injectLine(QStringLiteral("NAME = CALLER %1").arg(i));
            // The call ends after eight seconds without a ring.
            client.drain(9000);
        }
    }
    const ProcessCounters end = counters(server.processId());
    // Between calls: nothing to do, nothing should run.
    const ProcessCounters idleStart = counters(server.processId());
    client.drain(20000);
    const ProcessCounters idleEnd = counters(server.processId());

    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    state.counters["calls"] = double(sorted.size());
    state.counters["median_us"] = sorted[sorted.size() / 2];
    state.counters["p90_us"] = sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * 0.90))];
    state.counters["p99_us"] = sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * 0.99))];
    state.counters["max_us"] = sorted.back();
    state.counters["cpu_ms_per_call"] = (end.cpuMs - start.cpuMs) / double(calls);
    state.counters["idle_cpu_ms_20s"] = idleEnd.cpuMs - idleStart.cpuMs;
    state.counters["idle_wakeups_20s"] = double(idleEnd.wakeUps - idleStart.wakeUps);
    // The first and the last tenth of the run apart: a drift (a database growing slower) shows here.
    const size_t tenth = std::max<size_t>(1, micros.size() / 10);
    std::vector<double> first(micros.begin(), micros.begin() + long(tenth));
    std::vector<double> last(micros.end() - long(tenth), micros.end());
    std::sort(first.begin(), first.end());
    std::sort(last.begin(), last.end());
    state.counters["first_tenth_median_us"] = first[first.size() / 2];
    state.counters["last_tenth_median_us"] = last[last.size() / 2];

    server.terminate();
    server.waitForFinished(30000);
}
BENCHMARK(BM_NumberLineToClientBroadcast)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
