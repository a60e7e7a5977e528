#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"
#include "statistics/ServerStatistics.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatistics.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

// A server answering STATISTIC and GRAPH requests on a real loopback connection, from a real call log.

namespace {

const QByteArray kMarker = ";COMPLETE;COMPLETE;";

// The server's request dispatcher as far as these requests go: the keyword and its one field, and a cancel.
class ServerWindow : public MainWindow {
public:
    void ProcessNetworkData(const QString& data, int index, qint64, bool) override
    {
        const QStringList tokens = data.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            if (tokens[i] == QLatin1String("STATISTIC"))
                SendStatistic(index, tokens.value(++i));
            else if (tokens[i] == QLatin1String("GRAPH"))
                SendGraph(index, tokens.value(++i));
            else if (tokens[i] == QLatin1String("NETCANCEL") && gServer->Clients(index))
                gServer->Clients(index)->setNetCancel(true);
        }
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

void addCall(const QString& name, const QString& number, const char* iso, int rings, const QString& answered)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(*DateText::fromIso(QString::fromLatin1(iso)));
    c.Rings = rings;
    c.Answered = answered;
    AddCaller(c);
}

// A client of the server: sends requests and collects what comes back, one completed send at a time.
class FakeClient {
public:
    bool connect(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        if (!m_socket.waitForConnected(5000))
            return false;
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { m_buffer += m_socket.readAll(); });
        return QTest::qWaitFor([] { return gServer->ClientCount() == 1; }, 5000);
    }
    void send(const QByteArray& text) { m_socket.write(text + kMarker); }
    // The next completed reply, without its marker; empty after the timeout.
    QByteArray reply(int timeoutMs = 20000)
    {
        if (!QTest::qWaitFor([this] { return m_buffer.contains(kMarker); }, timeoutMs))
            return {};
        const qsizetype end = m_buffer.indexOf(kMarker);
        const QByteArray unit = m_buffer.left(end);
        m_buffer.remove(0, end + kMarker.size());
        return unit;
    }
    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
};

} // namespace

class TestServerStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void aStatisticIsAnsweredFromTheServersLog();
    void aCancelCutsAStatisticShort();
    void aGraphFromTheFirstCall();
    void graphsOfUnknownNamesAreRefused();
    void unreadableAndTooLargeGraphs();
    void statisticsTooLargeAreRefused();

private:
    std::unique_ptr<TempHome> m_home;
    ServerWindow m_window;
    FakeClient* m_client = nullptr;
};

void TestServerStatistics::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Server;
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-06-15 12:00:00")));
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    addCall("John Smith", "555-1234", "2024-06-01 10:00:00", 3, "YES");
    addCall("John Smith", "555-1234", "2024-06-01 10:20:00", 5, "NO");
    addCall("Jane Doe", "(555) 987-6543", "2024-06-01 10:50:00", 2, "YES");
    addCall("PRIVATE NUMBER", "PRIVATE NUMBER", "2024-06-03 21:30:00", 1, "NO");
    addCall("Jane Doe", "(555) 987-6543", "2024-06-10 00:00:00", 0, "NO");
    addCall("John Smith", "555-1234", "2024-06-12 01:15:00", 2, "YES");
    addCall("Bob", "555-0000", "2024-06-14 09:00:00", 3, "YES");
    CreateDefaultStatistics();
    gMainForm = &m_window;
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(freePort()));
    install(gServer);
    QVERIFY(gServer->Listen());
    m_client = new FakeClient;
    QVERIFY(m_client->connect(gServer->LocalPort()));
}

void TestServerStatistics::cleanup()
{
    delete m_client;
    m_client = nullptr;
    m_home.reset();
}

void TestServerStatistics::aStatisticIsAnsweredFromTheServersLog()
{
    m_client->send(";STATISTIC;|TIMEPERIOD||GROUP|||STAT||NONE|;");
    QCOMPARE(m_client->reply(), QByteArray(";STATISTIC;|7|;"));
    QCOMPARE(m_window.lstEvents.stringList().last(), QStringLiteral("127.0.0.1 Requested a Statistic"));

    // Two groups by two statistics over the last week, statistic-major; a bad condition is "Bad SQL" alone.
    m_client->send(";STATISTIC;|TIMEPERIOD|and fldDate > #6/8/2024 12:00:00 PM#|GROUP||GROUP|fldName Like "
                   "'*smith*'||STAT||NONE||STAT|fldRings >|NONE|;");
    QCOMPARE(m_client->reply(), QByteArray(";STATISTIC;|3||1||Bad SQL||Bad SQL|;"));
    // The averages count the week as seven days, as the server's own window would.
    m_client->send(";STATISTIC;|TIMEPERIOD|and fldDate > #6/8/2024 12:00:00 PM#|GROUP||STAT||AVERAGE CALLS PER "
                   "DAY|;");
    QCOMPARE(m_client->reply(), QByteArray(";STATISTIC;|0.43|;"));
}

void TestServerStatistics::aCancelCutsAStatisticShort()
{
    // A log of 100,000 calls, and groups that each need a query of their own over all of it.
    {
        SqlTransaction tx(*gCallerDB);
        SqlStatement st = gCallerDB->prepare(QStringLiteral(
            "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
        const QDateTime first = *DateText::fromIso(QStringLiteral("2023-06-01 00:00:00"));
        for (int i = 0; i < 100000; ++i) {
            st.bind(1, QStringLiteral("CALLER %1").arg(i % 997));
            st.bind(2, QStringLiteral("(555) %1-%2").arg(100 + i % 997).arg(1000 + i % 9000));
            st.bind(3, DateText::toIso(first.addSecs(qint64(i) * 300)));
            st.bind(4, qint64(i % 7));
            st.bind(5, QStringLiteral("YES"));
            st.exec();
            st.reset();
        }
        tx.commit();
    }
    QByteArray request = ";STATISTIC;|TIMEPERIOD|";
    for (int g = 0; g < 40; ++g)
        request += "|GROUP|Len(fldName) > " + QByteArray::number(g % 5);
    request += "|";
    for (const char* style : {"NONE", "AVERAGE RINGS", "MOST RINGS", "MOST CALLS IN A DAY", "NONE"})
        request += QByteArray("|STAT||") + style;
    request += "|;";

    // The cancel goes out as soon as the server is at work on the request.
    QElapsedTimer sinceCancel;
    QTimer cancel;
    cancel.setInterval(0);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (!StatisticsQueue::busy())
            return;
        cancel.stop();
        m_client->send(";NETCANCEL;");
        m_client->socket().flush();
        sinceCancel.start();
    });
    cancel.start();
    m_client->send(request);
    const QByteArray reply = m_client->reply(60000);
    QVERIFY(reply.startsWith(";STATISTIC;"));
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
    // Cut short wherever the cancel found it: in the read of the calls (no cell yet) or among the cells.
    const QStringList cells = DecodeStatisticReply(QString::fromUtf8(reply.mid(11, reply.size() - 12)));
    QVERIFY2(cells.size() < 200, qPrintable(QString::number(cells.size())));
}

void TestServerStatistics::aGraphFromTheFirstCall()
{
    // A client without a log asks for any time: the zero date, answered from a second before the first call.
    m_client->send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|12:00:00 AM|ENDDATE|6/4/2024|GROUP|All "
                   "Callers|GROUP|PRIVATE NUMBER|;");
    QCOMPARE(m_client->reply(), QByteArray(";GRAPH;|LINE|6/1/2024 9:59:59 AM|3|0||LINE|6/2/2024|0|0||LINE|6/3/2024|"
                                           "1|1|;"));
    QCOMPARE(m_window.lstEvents.stringList().last(), QStringLiteral("127.0.0.1 Requested a Graph"));
    // A call at exactly midnight counts in the day it opens.
    m_client->send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|6/9/2024|ENDDATE|6/11/2024|GROUP|All "
                   "Callers|;");
    QCOMPARE(m_client->reply(), QByteArray(";GRAPH;|LINE|6/9/2024|0||LINE|6/10/2024|1|;"));
}

void TestServerStatistics::graphsOfUnknownNamesAreRefused()
{
    m_client->send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|6/1/2024|ENDDATE|6/4/2024|GROUP|Somebody "
                   "Else|;");
    QCOMPARE(m_client->reply(), QByteArray(";GRAPH;PARTIAL;"));
    QCOMPARE(m_window.lstEvents.stringList().last(),
             QStringLiteral("127.0.0.1 Requested a Graph of an unknown group: Somebody Else"));
    m_client->send(";GRAPH;|STATISTIC|My Own Statistic|INCREMENT|y|STARTDATE|6/1/2024|ENDDATE|6/4/2024|GROUP|All "
                   "Callers|;");
    QCOMPARE(m_client->reply(), QByteArray(";GRAPH;PARTIAL;"));
}

void TestServerStatistics::unreadableAndTooLargeGraphs()
{
    m_client->send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|yesterday|ENDDATE|6/4/2024|;");
    QCOMPARE(m_client->reply(), QByteArray(";ERROR;13;Type mismatch;"));
    // Hourly for 2 groups over 100 years is far beyond what a graph may hold: an answer all the same.
    m_client->send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|h|STARTDATE|1/1/1930|ENDDATE|6/4/2024|GROUP|All "
                   "Callers|GROUP|PRIVATE NUMBER|;");
    QCOMPARE(m_client->reply(), QByteArray(";GRAPH;PARTIAL;"));
    QCOMPARE(m_window.lstEvents.stringList().last(),
             QStringLiteral("127.0.0.1 Requested a Graph too large to compute"));
    // An empty log has no first call to graph from.
    QCOMPARE(DeleteCallers({1, 2, 3, 4, 5, 6, 7}), 7);
    m_client->send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|m|STARTDATE|12:00:00 AM|ENDDATE|6/4/2024|GROUP|All "
                   "Callers|;");
    QCOMPARE(m_client->reply(), QByteArray(";GRAPH;PARTIAL;"));
}

// A grid far larger than any window shows, or one whose cells each need a scan of the whole log, would hold the
// server for minutes: refused at once, with an empty answer that lets the client's window go on.
void TestServerStatistics::statisticsTooLargeAreRefused()
{
    const auto request = [](int statistics, int groups, const QByteArray& group) {
        QByteArray r = ";STATISTIC;|TIMEPERIOD|";
        for (int g = 0; g < groups; ++g)
            r += "|GROUP|" + group + " > " + QByteArray::number(g);
        r += "|";
        for (int s = 0; s < statistics; ++s)
            r += "|STAT|fldRings > " + QByteArray::number(s) + "|NONE";
        return r + "|;";
    };
    const QByteArray refused = ";ERROR;30001;The statistics asked for hold ";
    m_client->send(request(150, 150, "fldRings"));
    QVERIFY(m_client->reply().startsWith(refused + "22500 values"));
    QCOMPARE(m_client->reply(), QByteArray(";STATISTIC;;"));
    QCOMPARE(m_window.lstEvents.stringList().last(),
             QStringLiteral("127.0.0.1 Requested Statistics too large to compute"));
    // Few cells, but each a query of its own.
    m_client->send(request(20, 30, "Len(fldName)"));
    QVERIFY(m_client->reply().startsWith(refused + "600 values"));
    QCOMPARE(m_client->reply(), QByteArray(";STATISTIC;;"));
    // A grid of the usual kind is answered as always.
    m_client->send(request(2, 2, "fldRings"));
    QCOMPARE(m_client->reply(), QByteArray(";STATISTIC;|6||5||5||5|;"));
}

QTEST_GUILESS_MAIN(TestServerStatistics)
#include "test_serverstatistics.moc"
