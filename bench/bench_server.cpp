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
//  - OneRequestMemory: the worst single requests on a 100,000-call log, each in a server of its own: its
//    peak memory, and a call that rings while the request runs (see there).
//  - TenRequestsMemory: ten clients asking at once for an answer near the answer's memory bound, and a call
//    meanwhile.
//  - TermDuringRequest: how soon SIGTERM ends the server in the middle of a long request.

#include <QElapsedTimer>
#include <QSettings>

#include "BenchCallLog.h"
#include "BenchOfficeBook.h"
#include "BenchServer.h"

using namespace benchserver;

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
    const int contacts = int(state.range(1));
    Server server;
    {
        // The log is filled before the program opens it.
        const QString path = server.home.filePath(QStringLiteral("dbCID.mdb"));
        CreateCallerDB(path);
        storeBenchCalls(rows, [contacts](int i) {
            clsCaller c;
            c.Name = QStringLiteral("CALLER %1").arg(i % 700);
            c.Number.Number = contacts < 0 ? QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000)
                                           : officeNumber(i % kOfficeNumbers);
            c.CallerDate =
                DateText::format(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).addSecs(qint64(i) * 900));
            c.Rings = i % 6;
            c.Answered = i % 3 ? QStringLiteral("NO") : QStringLiteral("YES");
            return c;
        });
        CloseCallerDB();
        QSettings ini(server.home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("frmConfiguration/CallerDBPath"), path);
        if (contacts > 0) {
            const QString book = server.home.filePath(QStringLiteral("dbContacts.mdb"));
            CreateContactDB(book);
            storeOfficeContacts(contacts);
            CloseContactDB();
            ini.setValue(QStringLiteral("frmConfiguration/ContactDBPath"), book);
        }
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
    // The first request meets the program just after its start-up.
    state.counters["first_ms"] = millis.empty() ? 0.0 : millis.front();
    state.counters["server_peak_growth_MB"] = double(server.counters().peakKb - peakBefore) / 1024.0;
}
// rows, contacts (-1: the log of 9,000 numbers the first figures used; 0 and more: an office's log of 20,000
// numbers, with that many contacts of three numbers each in the server's book)
BENCHMARK(BM_SqlReply)
    ->Args({100000, -1})
    ->Args({100000, 0})
    ->Args({100000, 5000})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

namespace {

// The log the server's memory is measured over, a year and a week of calls from 700 callers (or as many
// calls as asked, one every quarter of an hour), set as the server's call log.
void fillOneHundredThousandCalls(Server& server, int calls = 100000)
{
    const QString path = server.home.filePath(QStringLiteral("dbCID.mdb"));
    CreateCallerDB(path);
    storeBenchCalls(calls, [](int i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i % 700);
        c.Number.Number = QStringLiteral("(555) %1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
        c.CallerDate = DateText::format(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).addSecs(qint64(i) * 900));
        c.Rings = i % 6;
        c.Answered = i % 3 ? QStringLiteral("NO") : QStringLiteral("YES");
        return c;
    });
    CloseCallerDB();
    QSettings ini(server.home.filePath(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    ini.setValue(QStringLiteral("frmConfiguration/CallerDBPath"), path);
}

} // namespace

// Thirty clients that never read, each asking twelve times for every call of a 100,000-call log, then one
// query whose rows are ten megabytes each: the server's peak memory over it all, and what it holds after; a
// call rings half a second into it (call_ms as below).
static void BM_SlowClientsMemory(benchmark::State& state)
{
    Server server;
    fillOneHundredThousandCalls(server);
    if (!server.start(state, 1))
        return;
    const qint64 baseKb = server.counters().peakKb;
    for (auto _ : state) {
        std::vector<std::unique_ptr<QTcpSocket>> sleepers;
        for (int i = 0; i < 30; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->setReadBufferSize(1);
            socket->connectToHost(QHostAddress::LocalHost, server.port);
            socket->waitForConnected(5000);
            QByteArray requests;
            for (int r = 0; r < 12; ++r)
                requests += MessageFramer::frame(QStringLiteral(";SQL;Select * From tblCID"));
            socket->write(requests);
            socket->flush();
            sleepers.push_back(std::move(socket));
        }
        // A call while the server answers them: from its lines to the reading client holding its name.
        QThread::msleep(500);
        QElapsedTimer call;
        call.start();
        server.modem.inject("\r\nRING\r\n\r\nNMBR = 5553004998\r\n\r\nNAME = BENCH CALLER SLOW\r\n");
        if (server.clients.front()->waitFor(QStringLiteral("BENCH CALLER SLOW"), 10000, false))
            state.counters["call_ms"] = double(call.nsecsElapsed()) / 1e6;
        // Done once the server has used no processor time for two seconds.
        double lastCpu = -1;
        QElapsedTimer still;
        still.start();
        while (still.elapsed() < 2000) {
            server.settle(250);
            const double cpu = server.counters().cpuMs;
            if (cpu != lastCpu)
                still.restart();
            lastCpu = cpu;
        }
        state.counters["slow_clients_peak_MB"] = double(server.counters().peakKb) / 1024.0;
        sleepers.clear();
        server.settle(2000);
        Client& client = *server.clients.front();
        client.send(";SQL;Select zeroblob(10000000) As fldName, ID From tblCID");
        if (!client.waitFor(QStringLiteral(";ERROR;"), 600000, false))
            state.SkipWithError("no refusal of the zeroblob query");
    }
    state.counters["start_MB"] = double(baseKb) / 1024.0;
    state.counters["peak_MB"] = double(server.counters().peakKb) / 1024.0;
    QFile status(QStringLiteral("/proc/%1/status").arg(server.process.processId()));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : status.readAll().split('\n'))
            if (l.startsWith("VmRSS:"))
                state.counters["held_after_MB"] = double(l.mid(6).trimmed().split(' ').value(0).toLongLong()) / 1024.0;
    }
}
BENCHMARK(BM_SlowClientsMemory)->Iterations(1)->Unit(benchmark::kSecond);

namespace {

// Forty values of 15 MB in one row, each made by value.
QByteArray fortyLongValues(const char* value)
{
    QByteArray sql = ";SQL;Select ";
    for (int c = 0; c < 40; ++c)
        sql += (c ? ", " : "") + QByteArray(value) + " As c" + QByteArray::number(c);
    return sql + " From tblCID Limit 1";
}

// Every call of the log six times over: some 600,000 lines of 75 characters, just within the answer's bound
// of 96 MB as the server holds it (and its 40 MB of text).
const QByteArray kNearTheBound = ";SQL;Select a.ID As ID, a.fldName As fldName, a.fldNumber As fldNumber, a.fldDate As "
                                 "fldDate, a.fldRings As fldRings, a.fldAnswered As fldAnswered From tblCID a, tblCID "
                                 "b Where b.ID <= 6";

QByteArray worstRequest(int shape)
{
    switch (shape) {
    case 5:
        return ";MINI DISPLAY;2000000000";
    case 6:
        return fortyLongValues("printf('%.*c', 15000000, 'a')");
    case 7:
        return fortyLongValues("cast(zeroblob(15000000) As Text)");
    case 8:
        return kNearTheBound;
    case 9: {
        QByteArray list;
        for (int i = 0; i < 100000; ++i)
            list += "Total Calls|";
        return ";MINI DISPLAY STATS;|1|CALLER 1|NUMBER|(555) 100-1000|NONE|1/1/2020 12:00:00 AM|1|||NO|;" + list;
    }
    case 10:
        return ";SQL;Select ID From tblCID Where fldName = '" + QByteArray(8 * 1024 * 1024 - 1024, 'x') + "'";
    case 11: {
        QByteArray sql = ";SQL;Select ID From tblCID Where ID In (0";
        for (int i = 1; i < 1000000; ++i)
            sql += ',' + QByteArray::number(i);
        return sql + ')';
    }
    case 12:
        return ";SQL;Select ID From tblCID Order By randomblob(60000)";
    case 13:
        return ";SQL;Select ntile(10) Over (Order By randomblob(60000)) As ID From tblCID";
    case 14:
        return ";SQL;Select ID From tblCID Where replace(hex(zeroblob(32767)),'0','a') Like IIf(ID > 0, '*" +
               QByteArray(378, 'a') + "?" + QByteArray(378, 'a') + "c*', 'x')";
    case 15:
        return ";SQL;Select ID From tblCID Where InStr(replace(hex(zeroblob(32760)),'0','a') || ID, '" +
               QByteArray(700, 'a') + "b') > 0";
    case 16:
        return ";SQL;Select ID From tblCID Where replace(hex(zeroblob(32767)),'0','a') Glob IIf(ID > 0, '*" +
               QByteArray(252, 'a') + "c*', 'x')";
    case 17:
    case 18:
        return ";SQL;Select ID From tblCID Where ltrim(replace(hex(zeroblob(32767)),'0','a'), IIf(ID > 0, '" +
               QByteArray(shape == 17 ? 149 : 189, 'b') + "a', 'x')) = 'z'";
    case 19: {
        // What Find > Contacts > Select All makes of 5,000 contacts of three numbers.
        QStringList terms;
        for (int i = 0; i < 15000; ++i)
            terms << QStringLiteral("fldNumber like '*(555) %1-%2*'")
                         .arg(100 + i / 100, 3, 10, QLatin1Char('0'))
                         .arg(i % 10000, 4, 10, QLatin1Char('0'));
        while (terms.size() > 100) {
            QStringList groups;
            for (qsizetype at = 0; at < terms.size(); at += 100)
                groups << QLatin1Char('(') + terms.mid(at, 100).join(QStringLiteral(" or ")) + QLatin1Char(')');
            terms = groups;
        }
        return ";SQL;Select * From tblCID Where " + terms.join(QStringLiteral(" or ")).toUtf8();
    }
    case 0:
        return ";SQL;Select a.ID As ID From tblCID a, tblCID b";
    case 1:
        return ";SQL;Select 1 As x From tblCID a, tblCID b";
    case 2:
        return ";SQL;Select x As ID From (With Recursive c(x) As (Select 1 Union All Select x+1 From c) Select x From "
               "c)";
    case 4:
        return ";SQL;Select Count(*) As ID From tblCID a, tblCID b";
    default: {
        QByteArray payload = "|TIMEPERIOD||";
        for (int g = 0; g < 5000; ++g)
            payload += "|GROUP|fldRings > 1|";
        return ";STATISTIC;" + payload + "|STAT||NONE|;";
    }
    }
}

} // namespace

// One request of the worst shapes on a log of range(1) calls, in a server of its own so that its peak is the
// request's: 0 rows of one number from a cross join (ten billion of them), 1 the same without even an ID,
// 2 a recursive query without end, 3 a statistics request of one statistic for 5,000 groups that each hold
// most calls ("fldRings > 1"), 4 one row counted over the cross join (one step of ten billion rows), 5 a
// pop-up's list of two billion calls, 6 one row of forty values of 15 MB each (printf), 7 the same made
// without printf, 8 an answer near its memory bound (kNearTheBound), 9 a caller's statistics with one
// statistic named 100,000 times, 10 a query of 8 MB of text (one literal), 11 an IN list of a million values
// (6.9 MB), 12 every call sorted by a value of 60,000 bytes, 13 a window over that sort, 14 a Like of 50
// million steps for each call, 15 an InStr of 45 million steps for each call, 16 a Glob of a 255-byte pattern on
// a 64 KB text for each call, 17 and 18 an ltrim of that text with a set of 150 and 190 characters, 19 a Find
// over 5,000 contacts of three numbers (15,000 Like terms, 560,000 characters). Half a second into the request
// a call rings (its RING, NMBR and NAME lines written at once): call_ms runs from that write to a second
// client holding the call's name, which the server sends only once it has stored the call. answer_s is the
// request's own time to its answer, and answer_after_call says that the request was still running when the
// call came through; scratch_peak_MB is the most SQLite's temporary files held at once.
static void BM_OneRequestMemory(benchmark::State& state)
{
    const int shape = int(state.range(0));
    Server server;
    fillOneHundredThousandCalls(server, int(state.range(1)));
    if (!server.start(state, 2))
        return;
    Client& asker = *server.clients.front();
    Client& listener = *server.clients.back();
    const qint64 startKb = server.counters().peakKb;
    qint64 peakKb = startKb;
    qint64 scratchKb = 0;
    bool died = false;
    // Waits for a unit holding text, reading the server's peak meanwhile: a server that dies of the request
    // has none to read after.
    auto await = [&](Client& client, const QString& text, QString* unit) {
        QElapsedTimer waited;
        waited.start();
        while (!client.waitFor(text, 200, false, unit)) {
            const ProcessCounters now = server.counters();
            const qint64 kb = now.peakKb;
            died = kb == 0;
            if (died || waited.elapsed() > 600000)
                return false;
            peakKb = std::max(peakKb, kb);
            scratchKb = std::max(scratchKb, now.scratchKb);
        }
        return true;
    };
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        asker.send(worstRequest(shape));
        for (int i = 0; i < 50; ++i) {
            QThread::msleep(10);
            scratchKb = std::max(scratchKb, server.counters().scratchKb);
        }
        const QString shown = QStringLiteral("BENCH CALLER %1").arg(shape);
        QElapsedTimer call;
        call.start();
        server.modem.inject("\r\nRING\r\n\r\nNMBR = 555300" + QByteArray::number(4000 + shape) +
                            "\r\n\r\nNAME = " + shown.toLatin1() + "\r\n");
        QString unit;
        if (await(listener, shown, nullptr)) {
            state.counters["call_ms"] = double(call.nsecsElapsed()) / 1e6;
            state.counters["answer_after_call"] = asker.socket.bytesAvailable() == 0 && asker.units.isEmpty() ? 1 : 0;
            // An ERROR, or the answer itself: the statistics, the pop-up's list, the calls' count (and then the
            // calls); the broadcasts of the call in between are passed over.
            const QStringList answers = {QStringLiteral(";ERROR;"), QStringLiteral(";STATISTIC;"),
                                         QStringLiteral(";MINI DISPLAY STATS;"), QStringLiteral(";MINI DISPLAY;"),
                                         QStringLiteral(";SIZE;")};
            QString seen;
            while (unit.isEmpty() && await(asker, QStringLiteral(";"), &seen)) {
                for (const QString& answer : answers)
                    if (unit.isEmpty() && seen.contains(answer))
                        unit = seen.mid(seen.indexOf(answer)).section(QStringLiteral(";COMPLETE;"), 0, 0).left(80);
            }
            if (unit.startsWith(QStringLiteral(";SIZE;")))
                await(asker, QStringLiteral(";CLEAR CALLERS;"), nullptr);
        }
        if (unit.isEmpty())
            unit = died ? QStringLiteral("the server died") : QStringLiteral("no answer");
        state.SetLabel(unit.toStdString());
        state.counters["answer_s"] = double(clock.nsecsElapsed()) / 1e9;
    }
    state.counters["start_MB"] = double(startKb) / 1024.0;
    state.counters["peak_MB"] = double(std::max(peakKb, server.counters().peakKb)) / 1024.0;
    state.counters["scratch_peak_MB"] = double(scratchKb) / 1024.0;
}
BENCHMARK(BM_OneRequestMemory)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 19, 1), {100000}})
    ->Args({5, 400000})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Ten clients ask at once, on a 100,000-call log, for an answer near its memory bound (kNearTheBound, range 0)
// or with a query of 8 MB of text each (range 1), and read what they get; half a second in a call rings. The
// server answers them one after another; its peak memory over them all, the time until every client has its
// answer, and call_ms as above.
static void BM_TenRequestsMemory(benchmark::State& state)
{
    Server server;
    fillOneHundredThousandCalls(server);
    if (!server.start(state, 11))
        return;
    Client& listener = *server.clients.back();
    const qint64 startKb = server.counters().peakKb;
    qint64 peakKb = startKb;
    const QByteArray request = state.range(0) == 0 ? kNearTheBound : worstRequest(10);
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 10; ++i)
            server.clients[size_t(i)]->send(request);
        QThread::msleep(500);
        QElapsedTimer call;
        call.start();
        server.modem.inject("\r\nRING\r\n\r\nNMBR = 5553004999\r\n\r\nNAME = BENCH CALLER TEN\r\n");
        int answered = 0;
        int refused = 0;
        int dropped = 0;
        std::vector<bool> done(10, false);
        bool heard = false;
        while ((answered + refused + dropped < 10 || !heard) && clock.elapsed() < 600000) {
            for (int i = 0; i < 10; ++i) {
                Client& c = *server.clients[size_t(i)];
                if (c.socket.bytesAvailable() > 0 || c.socket.waitForReadyRead(1))
                    c.units += c.framer.feed(c.socket.readAll());
                for (const QString& unit : std::as_const(c.units)) {
                    if (!done[size_t(i)] && unit.contains(QStringLiteral(";CLEAR CALLERS;"))) {
                        done[size_t(i)] = true;
                        ++answered;
                    } else if (!done[size_t(i)] && unit.contains(QStringLiteral(";ERROR;"))) {
                        done[size_t(i)] = true;
                        ++refused;
                    }
                }
                c.units.clear();
                // Let go by the server: the unfinished requests of all clients share one bound.
                if (!done[size_t(i)] && c.socket.state() == QAbstractSocket::UnconnectedState) {
                    done[size_t(i)] = true;
                    ++dropped;
                }
            }
            if (!heard && listener.waitFor(QStringLiteral("BENCH CALLER TEN"), 1, false)) {
                heard = true;
                state.counters["call_ms"] = double(call.nsecsElapsed()) / 1e6;
            }
            const qint64 kb = server.counters().peakKb;
            if (kb == 0)
                break;
            peakKb = std::max(peakKb, kb);
        }
        state.counters["answered"] = answered;
        state.counters["refused"] = refused;
        state.counters["dropped"] = dropped;
        state.counters["all_answers_s"] = double(clock.nsecsElapsed()) / 1e9;
    }
    state.counters["start_MB"] = double(startKb) / 1024.0;
    state.counters["peak_MB"] = double(std::max(peakKb, server.counters().peakKb)) / 1024.0;
}
BENCHMARK(BM_TenRequestsMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// SIGTERM a second into one of the long requests of BM_OneRequestMemory (range 0: 16-18 SQLite's own functions,
// 19 the whole book's Find) on 100,000 calls: term_ms runs from the signal to the server's end, which its exit
// steps reach only once the statement has looked at its stop.
static void BM_TermDuringRequest(benchmark::State& state)
{
    Server server;
    fillOneHundredThousandCalls(server);
    if (!server.start(state, 2))
        return;
    for (auto _ : state) {
        server.clients.front()->send(worstRequest(int(state.range(0))));
        server.settle(1000);
        QElapsedTimer clock;
        clock.start();
        server.process.terminate();
        const bool ended = server.process.waitForFinished(30000);
        state.counters["term_ms"] = double(clock.nsecsElapsed()) / 1e6;
        state.counters["ended"] = ended ? 1 : 0;
        state.counters["exit_code"] = server.process.exitCode();
    }
}
BENCHMARK(BM_TermDuringRequest)->DenseRange(16, 19, 1)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
