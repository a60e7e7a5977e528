#pragma once

// The real program in server mode as a benchmark drives it: velquon runs in its own process (offscreen, a
// fresh program folder), its modem is a fake one on a pseudo-terminal, its clients are loopback connections
// of the benchmark's process, and its costs are read from the process's own counters.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
#include <sys/stat.h>
#include <unistd.h>

#include "network/MessageFramer.h"
#include "support/FakeModem.h"

namespace benchserver {

struct ProcessCounters {
    double cpuMs = 0;     // user + system time
    qint64 wakeUps = 0;   // voluntary context switches of all threads: each is a sleep the process woke from
    qint64 peakKb = 0;    // VmHWM: the largest resident size so far
    qint64 scratchKb = 0; // SQLite's temporary files open now (deleted as they are opened, so only seen here)
};

inline ProcessCounters counters(qint64 pid)
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
    const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(fdDir).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        const QFileInfo link(fdDir + QLatin1Char('/') + fd);
        if (link.symLinkTarget().contains(QLatin1String("etilqs_"))) {
            struct stat st {};
            if (::stat(QFile::encodeName(link.filePath()).constData(), &st) == 0)
                c.scratchKb += qint64(st.st_size) / 1024;
        }
    }
    return c;
}

inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

// The server's threads on the last allowed processor, this process's on the first.
inline bool separateCpus(qint64 pid)
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
    // alone, so the moment the data arrives is the moment it is seen. The unit goes to found when asked.
    bool waitFor(const QString& text, int ms, bool idle = true, QString* found = nullptr)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            while (!units.isEmpty()) {
                const QString unit = units.takeFirst();
                if (unit.contains(text)) {
                    if (found)
                        *found = unit;
                    return true;
                }
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
        port = freePort();
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
        // Commands for the main window, written by command() (the program's test driver reads them).
        env.insert(QStringLiteral("VELQUON_TEST_COMMANDS"), home.filePath(QStringLiteral("commands.txt")));
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
    ProcessCounters counters() const { return benchserver::counters(process.processId()); }
    // Carries out a line on the main window ("trigger mnuWindow(0)", "select 1 3") within a tenth of a second.
    void command(const QString& line)
    {
        QFile file(home.filePath(QStringLiteral("commands.txt")));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line.toUtf8() + '\n');
    }
    ~Server()
    {
        process.terminate();
        process.waitForFinished(30000);
    }

    QTemporaryDir home;
    quint16 port = 0;
    FakeModem modem;
    QProcess process;
    std::vector<std::unique_ptr<Client>> clients;
};

inline double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(double(values.size()) * p))];
}

} // namespace benchserver
