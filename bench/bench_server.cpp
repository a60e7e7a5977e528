// The server as its clients see it, measured on the real program: velquon runs in server mode in its own
// process (offscreen, a fresh program folder), its modem is a fake one on a pseudo-terminal, and the
// clients are loopback connections of this process.
//
//  - NumberLineToClientBroadcast: for each call, from the write of the NMBR line on the pseudo-terminal to
//    the last client holding the call's ";INCOMING CALLER;" broadcast with that number (one client, and
//    fifty). CPU comes from the server process's own counters (/proc/<pid>/stat): per call over the whole
//    run, and between calls (an idle stretch after the last call) with the process's wake-ups. The ring
//    counters time a call's first RING line to the last client holding ";RING;", the third of the messages
//    a first ring brings (after ";NEW;" and ";INCOMING CALLER;").
//    A call ends only after eight seconds without a ring, so a run takes about 9 seconds a call;
//    VELQUON_BENCH_CALLS overrides the number of calls; VELQUON_BENCH_SETTINGS ("section/key=value;...") sets
//    options of the server's settings file for a run; VELQUON_BENCH_SEPARATE_CPUS=1 keeps the server on the
//    last processor this benchmark may use and the clients on the first, as a client on another computer
//    would never wait for the server's own processor. VELQUON_BENCH_PROGRAM runs another program in velquon's
//    place: floor_server, built beside the benchmarks, passes the number on and does nothing else, so its
//    figures are what this machine's kernel and sockets take, whatever the server.
//  - SqlReply: a client's ";SQL;" for every row of a 100,000-call log, from the request to the last byte of
//    the reply, and how much the server's peak memory grew for it.

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
#include <memory>
#include <vector>

#include <sched.h>
#include <unistd.h>

#include "BenchCallLog.h"
#include "network/MessageFramer.h"
#include "support/FakeModem.h"

namespace {

struct ProcessCounters {
    double cpuMs = 0;   // user + system time
    qint64 wakeUps = 0; // voluntary context switches of all threads: each is a sleep the process woke from
    qint64 peakKb = 0;  // VmHWM: the largest resident size so far
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
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : status.readAll().split('\n')) {
            if (l.startsWith("VmHWM:"))
                c.peakKb = l.mid(6).trimmed().split(' ').value(0).toLongLong();
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

// The server's threads on the last allowed processor, this process's on the first.
bool separateCpus(qint64 pid)
{
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2)
        return false;
    int first = -1;
    int last = -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            if (first < 0)
                first = cpu;
            last = cpu;
        }
    }
    cpu_set_t server;
    CPU_ZERO(&server);
    CPU_SET(last, &server);
    const QString taskDir = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(taskDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        sched_setaffinity(pid_t(task.toInt()), sizeof server, &server);
    // Threads the server starts later inherit the setting of the one that starts them.
    cpu_set_t clients;
    CPU_ZERO(&clients);
    CPU_SET(first, &clients);
    return sched_setaffinity(0, sizeof clients, &clients) == 0;
}

// A loopback client: the server's sends, cut at their markers.
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
    // Waits on the socket until a unit containing text arrives. With idle set the event loop runs between
    // reads (the fake modem answers the program's commands from it); without it this blocks on the socket
    // alone, so the moment the data arrives is the moment it is seen.
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
    void forget()
    {
        units += framer.feed(socket.readAll());
        units.clear();
    }

    QTcpSocket socket;
    MessageFramer framer{256 * 1024 * 1024};
    QStringList units;
};

// The real program in server mode in a folder of its own, with clients connected.
class Server {
public:
    // settings: extra keys ("key" of section frmConfiguration, or "section/key").
    bool start(benchmark::State& state, int count, const QList<QPair<QString, QString>>& settings = {})
    {
        const quint16 port = freePort();
        {
            QSettings ini(home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
            ini.setValue(QStringLiteral("frmConfiguration/InitializedSettings"), QStringLiteral("True"));
            ini.setValue(QStringLiteral("frmConfiguration/Networking"), QStringLiteral("1"));
            ini.setValue(QStringLiteral("frmConfiguration/LocalPort"), QString::number(port));
            ini.setValue(QStringLiteral("frmConfiguration/CommPort"), modem.slavePath());
            // The fake modem has no line to probe: the answered test would only hold the port between calls.
            ini.setValue(QStringLiteral("frmConfiguration/DialToneTest"), QStringLiteral("False"));
            for (const auto& [key, value] : settings)
                ini.setValue(key.contains(QLatin1Char('/')) ? key : QStringLiteral("frmConfiguration/") + key, value);
            // VELQUON_BENCH_SETTINGS="section/key=value;..." tries the run with other options.
            for (const QString& pair :
                 qEnvironmentVariable("VELQUON_BENCH_SETTINGS").split(QLatin1Char(';'), Qt::SkipEmptyParts))
                ini.setValue(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELQUON_HOME"), home.path());
        env.insert(QStringLiteral("VELQUON_NONINTERACTIVE"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR");
        const QString program = qEnvironmentVariable("VELQUON_BENCH_PROGRAM");
        process.start(!program.isEmpty()
                          ? program
                          : (dir.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/..") : dir) +
                                QStringLiteral("/velquon"),
                      {});
        if (!process.waitForStarted(10000)) {
            state.SkipWithError("velquon did not start");
            return false;
        }
        if (qEnvironmentVariableIntValue("VELQUON_BENCH_SEPARATE_CPUS") && !separateCpus(process.processId())) {
            state.SkipWithError("fewer than two processors to keep server and clients apart");
            return false;
        }
        for (int i = 0; i < count; ++i) {
            auto client = std::make_unique<Client>();
            if (!client->connectTo(port, 30000)) {
                state.SkipWithError("the server did not listen");
                return false;
            }
            client->send(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID Where ID = 0");
            clients.push_back(std::move(client));
        }
        // The port opens soon after start-up: the reply ("True") or, later, the broadcast ("TRUE") says so.
        if (!clients.front()->waitFor(QStringLiteral(";MODEMCONNECTION;T"), 30000)) {
            state.SkipWithError("the fake modem was not opened");
            return false;
        }
        settle(1000);
        return true;
    }
    // Lets the program (and the fake modem) work for ms milliseconds; what the clients got is dropped.
    void settle(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
            for (auto& c : clients)
                c->forget();
        }
    }
    ProcessCounters counters() const { return ::counters(process.processId()); }
    ~Server()
    {
        process.terminate();
        process.waitForFinished(30000);
    }

    QTemporaryDir home;
    FakeModem modem;
    QProcess process;
    std::vector<std::unique_ptr<Client>> clients;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(double(values.size()) * p))];
}

} // namespace

static void BM_NumberLineToClientBroadcast(benchmark::State& state)
{
    const int calls = qEnvironmentVariableIsSet("VELQUON_BENCH_CALLS")
                          ? qEnvironmentVariableIntValue("VELQUON_BENCH_CALLS")
                          : int(state.range(0));
    Server server;
    if (!server.start(state, int(state.range(1))))
        return;
    std::vector<double> micros;
    std::vector<double> ringMicros; // the first ring's line to the last message it brings, ";RING;"
    ProcessCounters start;
    for (auto _ : state) {
        start = server.counters();
        for (int i = 0; i < calls; ++i) {
            QElapsedTimer ringClock;
            ringClock.start();
            server.modem.injectLine(QStringLiteral("RING"));
            if (!server.clients.back()->waitFor(QStringLiteral(";RING;"), 5000, false)) {
                state.SkipWithError("no RING broadcast");
                return;
            }
            ringMicros.push_back(double(ringClock.nsecsElapsed()) / 1000.0);
            server.settle(300);
            const QString digits = QStringLiteral("555%1").arg(1000000 + i, 7, 10, QLatin1Char('0'));
            const QString shown = QStringLiteral("(555) %1-%2").arg(digits.mid(3, 3), digits.mid(6, 4));
            QElapsedTimer clock;
            clock.start();
            server.modem.inject("\r\nNMBR = " + digits.toLatin1() + "\r\n");
            for (auto& client : server.clients) {
                if (!client->waitFor(shown, 5000, false)) {
                    state.SkipWithError("no INCOMING CALLER broadcast with the number");
                    return;
                }
            }
            micros.push_back(double(clock.nsecsElapsed()) / 1000.0);
            server.modem.injectLine(QStringLiteral("NAME = CALLER %1").arg(i));
            // The call ends after eight seconds without a ring.
            server.settle(9000);
        }
    }
    const ProcessCounters end = server.counters();
    // Between calls: nothing to do, so nothing should run.
    const ProcessCounters idleStart = server.counters();
    server.settle(20000);
    const ProcessCounters idleEnd = server.counters();

    state.counters["calls"] = double(micros.size());
    state.counters["median_us"] = percentile(micros, 0.5);
    state.counters["p90_us"] = percentile(micros, 0.9);
    state.counters["p99_us"] = percentile(micros, 0.99);
    state.counters["max_us"] = percentile(micros, 1.0);
    state.counters["ring_median_us"] = percentile(ringMicros, 0.5);
    state.counters["ring_max_us"] = percentile(ringMicros, 1.0);
    state.counters["cpu_ms_per_call"] = (end.cpuMs - start.cpuMs) / double(calls);
    state.counters["idle_cpu_ms_20s"] = idleEnd.cpuMs - idleStart.cpuMs;
    state.counters["idle_wakeups_20s"] = double(idleEnd.wakeUps - idleStart.wakeUps);
    // The first and the last tenth of the run apart: a drift (the log growing slower to write) shows here.
    const size_t tenth = std::max<size_t>(1, micros.size() / 10);
    state.counters["first_tenth_median_us"] = percentile({micros.begin(), micros.begin() + long(tenth)}, 0.5);
    state.counters["last_tenth_median_us"] = percentile({micros.end() - long(tenth), micros.end()}, 0.5);
}
// calls, clients
BENCHMARK(BM_NumberLineToClientBroadcast)->Args({100, 1})->Args({20, 50})->Iterations(1)->Unit(benchmark::kSecond);

static void BM_SqlReply(benchmark::State& state)
{
    const int rows = int(state.range(0));
    Server server;
    {
        // The log is filled before the program opens it.
        const QString path = server.home.filePath(QStringLiteral("dbCID.mdb"));
        CreateCallerDB(path);
        storeBenchCalls(rows, [](int i) {
            clsCaller c;
            c.Name = QStringLiteral("CALLER %1").arg(i % 700);
            c.Number.Number = QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
            c.CallerDate =
                DateText::format(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).addSecs(qint64(i) * 900));
            c.Rings = i % 6;
            c.Answered = i % 3 ? QStringLiteral("NO") : QStringLiteral("YES");
            return c;
        });
        CloseCallerDB();
        QSettings ini(server.home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/CallerDBPath"), path);
    }
    if (!server.start(state, 1))
        return;
    Client& client = *server.clients.front();
    const qint64 peakBefore = server.counters().peakKb;
    std::vector<double> millis;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        client.send(";SQL;Select * From tblCID");
        if (!client.waitFor(QStringLiteral(";CLEAR CALLERS;"), 600000, false)) {
            state.SkipWithError("no reply");
            return;
        }
        millis.push_back(double(clock.nsecsElapsed()) / 1e6);
        state.SetIterationTime(millis.back() / 1000.0);
    }
    state.counters["rows"] = rows;
    state.counters["median_ms"] = percentile(millis, 0.5);
    state.counters["server_peak_growth_MB"] = double(server.counters().peakKb - peakBefore) / 1024.0;
}
BENCHMARK(BM_SqlReply)->Arg(100000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
