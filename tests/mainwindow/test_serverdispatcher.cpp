#include "mainwindow/ServerDispatcher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

#include <sqlite3.h>

#include "config/CallLogSearch.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "network/MessageFramer.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/DateText.h"
#include "platform/DiagnosticLog.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlHeap.h"
#include "platform/SqlTransaction.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatistics.h"
#include "support/LoopbackPeer.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

// The server main window as its dispatcher sees it: the members a request reaches, with what they did.
class ServerHost : public MainWindow {
public:
    ServerDispatcher dispatcher;
    QStringList edits;
    int blocks = 0;
    int statusUpdates = 0;
    int dispatches = 0;
    std::function<void()> onDispatch; // once, as the next dispatch begins
    void ProcessNetworkData(const QString& data, int index, qint64 bytes, bool restricted) override
    {
        ++dispatches;
        if (onDispatch)
            std::exchange(onDispatch, nullptr)();
        dispatcher.ProcessNetworkData(data, index, bytes, restricted);
    }
    void EditGrid(int column, const QString& text, qint32 id) override
    {
        edits << QStringLiteral("%1|%2|%3").arg(column).arg(text).arg(id);
    }
    void BlockCall() override { ++blocks; }
    void UpdateStatus() override { ++statusUpdates; }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

QString callDate(int i) { return DateText::format(QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC).addSecs(i * 60)); }

// Calls 1 .. count, one a minute from 1 March 2024 8:00, in one transaction.
void storeCalls(int count)
{
    SqlTransaction tx(*gCallerDB);
    SqlStatement st = gCallerDB->prepare(QStringLiteral(
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
    for (int i = 1; i <= count; ++i) {
        st.bind(1, QStringLiteral("CALLER %1").arg(i));
        st.bind(2, QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0')));
        st.bind(3, DateText::toIso(*DateText::parse(callDate(i))));
        st.bind(4, qint64(i % 5));
        st.bind(5, i % 2 ? QStringLiteral("NO") : QStringLiteral("YES"));
        st.exec();
        st.reset();
    }
    tx.commit();
}

QString record(int i)
{
    return QStringLiteral("|%1|CALLER %1|NUMBER|555-%2|NONE|%3|%4|||%5|")
        .arg(i)
        .arg(i, 4, 10, QLatin1Char('0'))
        .arg(callDate(i))
        .arg(i % 5)
        .arg(i % 2 ? QStringLiteral("NO") : QStringLiteral("YES"));
}

qint64 logRows() { return CountCallers(QStringLiteral("Select * From tblCID")); }

// ";SQL;" for one row of terms values, each the term with its number for %1, perColumn of them to a column
// (as max() of them and 0; a function takes up to 127 arguments).
QByteArray rowOfTerms(const QString& term, int terms, int perColumn = 126)
{
    QStringList columns;
    for (int first = 0; first < terms; first += perColumn) {
        QStringList args;
        for (int k = first; k < std::min(terms, first + perColumn); ++k)
            args << term.arg(k);
        columns << QStringLiteral("max(%1,0) As c%2").arg(args.join(QLatin1Char(','))).arg(columns.size());
    }
    return (QStringLiteral(";SQL;Select ") + columns.join(QLatin1Char(',')) + QStringLiteral(" From tblCID Limit 1"))
        .toUtf8();
}

clsContact contact(const QString& name, const QString& number)
{
    clsContact c;
    c.Name = name;
    c.AddNumber(std::make_shared<clsNumber>(number, QStringLiteral("Home")));
    return c;
}

} // namespace

class TestServerDispatcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void connectBurstIsAnsweredInOrder();
    void requestWrittenOneByteAtATimeIsAnswered();
    void requestsOfOneClientAreAnsweredInOrder();
    void thirtyClientsEachGetTheirBurst();
    void clientLeavingDuringAnotherClientsReplyChangesNothingForTheOthers();
    void clientThatNeverReadsIsDroppedWhileOthersReceive();
    void unreadRepliesShareOneBound();
    void anAnswerTooLargeIsRefusedBeforeItIsRead();
    void rowsWithoutTextCostTheirWholeLineAndTheRequestsTime();
    void requestsAreBoundedByAllTheyCost_data();
    void requestsAreBoundedByAllTheyCost();
    void aFindOverAWholeBookIsAnsweredAsStandalone();
    void clientSqlOnlyReads();
    void restrictedChangesAreRefusedAndTheirFieldsSkipped();
    void contactNamesAreNeverPatterns();
    void contactRequests();
    void deletionByIdList();
    void cancelledDeletionAsksTheRequesterToReadAgain();
    void miniDisplayRequests();
    void loggedRecordRequests();
    void editCallerRequests();
    void modemStateAndBlocking();
    void statisticsRequests();
    void cancelReachesAStatisticsAnswerWaitingItsTurn();

private:
    LoopbackPeer& peer();
    void storeContacts();
    QStringList events() const { return m_host->lstEvents.stringList(); }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ServerHost> m_host;
    std::vector<std::unique_ptr<LoopbackPeer>> m_peers;
};

void TestServerDispatcher::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Server;
    m_host = std::make_unique<ServerHost>();
    gMainForm = m_host.get();
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
    QVERIFY(CreateContactDB(m_home->file(QStringLiteral("dbContacts.mdb"))));
    CreateDefaultStatistics();
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(freePort()));
    clsServer& server = install(gServer);
    QVERIFY(server.Listen());
    windowLinks().broadcast = [](const QString& text) {
        if (gServer)
            gServer->SendData(text, -1, -1);
    };
}

void TestServerDispatcher::cleanup()
{
    m_peers.clear();
    m_home.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_host.reset();
}

LoopbackPeer& TestServerDispatcher::peer()
{
    m_peers.push_back(std::make_unique<LoopbackPeer>(gServer->LocalPort()));
    const int count = int(m_peers.size());
    [&] { QTRY_COMPARE(gServer->ClientCount(), count); }();
    return *m_peers.back();
}

void TestServerDispatcher::storeContacts()
{
    gAttributeGroups.add(QStringLiteral("VIP Callers"), std::make_shared<clsAttributeGroup>());
    gAttributeGroups.item(QStringLiteral("VIP Callers"))->Description = QStringLiteral("VIP Callers");
    gAttributeGroups.item(QStringLiteral("VIP Callers"))->Color = 255;
    gAttributeGroups.item(QStringLiteral("VIP Callers"))->Sound = QStringLiteral("Speech");
    QVERIFY(AddContact(contact(QStringLiteral("JOHN"), QStringLiteral("555-0001"))));
    QVERIFY(AddContact(contact(QStringLiteral("SQL"), QStringLiteral("555-0002"))));
}

void TestServerDispatcher::connectBurstIsAnsweredInOrder()
{
    storeCalls(3);
    storeContacts();
    LoopbackPeer& p = peer();
    p.send(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID Order By ID");
    const QStringList replies = p.take(4);
    QCOMPARE(replies.size(), 4);
    QCOMPARE(replies[0], QStringLiteral(";MODEMCONNECTION;False;"));
    QCOMPARE(replies[1], QStringLiteral(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|VIP Callers|255|False|Speech|"
                                        ";CLEAR CONTACTS;;CONTACT;|JOHN||||NUMBER|555-0001|Home;CONTACT;|SQL||||NUMBER|"
                                        "555-0002|Home"));
    QCOMPARE(replies[2], QStringLiteral(";SIZE;3;"));
    QCOMPARE(replies[3], QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(1) + QStringLiteral(";CALLER;") +
                             record(2) + QStringLiteral(";CALLER;") + record(3));
    QCOMPARE(events().mid(2), (QStringList{QStringLiteral("127.0.0.1 Requested a Contact Update"),
                                           QStringLiteral("127.0.0.1 Requested a SQL Query: Select * From tblCID "
                                                          "Order By ID")}));

    // The same request twice in one unit is answered twice, identically; keywords may come in lower case.
    p.send(";get contact update;GET CONTACT UPDATE;");
    const QStringList twice = p.take(2);
    QCOMPARE(twice.size(), 2);
    QCOMPARE(twice[0], replies[1]);
    QCOMPARE(twice[1], replies[1]);
}

void TestServerDispatcher::requestWrittenOneByteAtATimeIsAnswered()
{
    storeCalls(2);
    LoopbackPeer& p = peer();
    const QByteArray request = QByteArray(";SQL;Select * From tblCID Where ID = 2") + MessageFramer::Marker;
    for (char byte : request) {
        p.socket.write(&byte, 1);
        p.socket.flush();
        QTest::qWait(2);
    }
    QCOMPARE(p.take(2),
             (QStringList{QStringLiteral(";SIZE;1;"), QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(2)}));
    QCOMPARE(m_host->dispatches, 1);
}

void TestServerDispatcher::requestsOfOneClientAreAnsweredInOrder()
{
    storeCalls(2000);
    LoopbackPeer& p = peer();
    // Both requests are read before the first is answered; the answers keep their order.
    p.socket.write(";SQL;Select * From tblCID Order By ID;COMPLETE;COMPLETE;;SQL;Select * From tblCID Where ID = "
                   "1;COMPLETE;COMPLETE;");
    const QStringList replies = p.take(4);
    QCOMPARE(replies.size(), 4);
    QCOMPARE(replies[0], QStringLiteral(";SIZE;2000;"));
    QCOMPARE(replies[1].count(QStringLiteral(";CALLER;")), 2000);
    QCOMPARE(replies[2], QStringLiteral(";SIZE;1;"));
    QCOMPARE(replies[3], QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(1));
}

void TestServerDispatcher::thirtyClientsEachGetTheirBurst()
{
    storeCalls(20);
    for (int i = 0; i < 30; ++i)
        peer();
    for (auto& p : m_peers)
        p->send(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID");
    for (auto& p : m_peers) {
        const QStringList replies = p->take(4);
        QCOMPARE(replies.size(), 4);
        QCOMPARE(replies[0], QStringLiteral(";MODEMCONNECTION;False;"));
        QVERIFY(replies[1].startsWith(QStringLiteral(";CLEAR ATTRIBUTE GROUPS;")));
        QCOMPARE(replies[2], QStringLiteral(";SIZE;20;"));
        QCOMPARE(replies[3].count(QStringLiteral(";CALLER;")), 20);
        QCOMPARE(p->take(1, 20), QStringList()); // nothing more
    }
    QCOMPARE(m_host->dispatches, 30);
}

void TestServerDispatcher::clientLeavingDuringAnotherClientsReplyChangesNothingForTheOthers()
{
    storeCalls(2000);
    for (int i = 0; i < 6; ++i)
        peer();
    // Client 5's reply lets the event loop run between rows (no progress window here: every few
    // milliseconds); client 2 leaves in the middle of it.
    bool dropped = false;
    windowLinks().broadcast = nullptr;
    QObject::connect(gServer.get(), &clsServer::dataSent, gServer.get(), [&](const QString& text) {
        if (!dropped && text.startsWith(QStringLiteral(";SIZE;"))) {
            dropped = true;
            m_peers[1]->socket.abort();
        }
    });
    m_peers[4]->send(";SQL;Select * From tblCID Order By ID;SQL;Select * From tblCID Order By ID");
    const QStringList replies = m_peers[4]->take(4);
    QCOMPARE(replies.size(), 4);
    QCOMPARE(replies[1].count(QStringLiteral(";CALLER;")), 2000);
    QCOMPARE(replies[3].count(QStringLiteral(";CALLER;")), 2000);
    QTRY_COMPARE(gServer->ClientCount(), 5);
    for (int i : {0, 2, 3, 5})
        QCOMPARE(m_peers[i]->take(1, 50), QStringList());
    QCOMPARE(gServer->ClientCountText(), QStringLiteral("5 Clients Connected"));
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 dropped")));
}

void TestServerDispatcher::clientThatNeverReadsIsDroppedWhileOthersReceive()
{
    LoopbackPeer& reader = peer();
    LoopbackPeer& sleeper = peer();
    sleeper.socket.setReadBufferSize(1); // takes hardly anything off the wire: the server's output piles up
    const QString block = QStringLiteral(";INCOMING CALLER;") + QString(1024 * 1024, QLatin1Char('x'));
    int sent = 0;
    qint64 received = 0;
    QElapsedTimer timer;
    timer.start();
    while (gServer->ClientCount() == 2 && timer.elapsed() < 60000) {
        gServer->SendData(block, -1, -1);
        ++sent;
        for (const QString& unit : reader.take(1, 1000))
            received += unit.size();
    }
    // A block that came late on a busy machine is still on its way, not lost.
    while (received < qint64(sent) * block.size()) {
        const QStringList late = reader.take(1, 60000);
        if (late.isEmpty())
            break;
        received += late.first().size();
    }
    QCOMPARE(gServer->ClientCount(), 1);
    QCOMPARE(gServer->ClientAt(1)->RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 stopped reading and was disconnected")));
    // The reader kept receiving all along, and still does.
    QCOMPARE(received, qint64(sent) * block.size());
    gServer->SendData(QStringLiteral(";RING;"), -1, -1);
    QCOMPARE(reader.next(), QStringLiteral(";RING;"));
}

// Clients that never read, each under its own bound, together still cannot hold more than the server's one
// bound on unread replies: the client with the most waiting goes first, the others are still served.
void TestServerDispatcher::unreadRepliesShareOneBound()
{
    gServer->MaxUnsentBytes = 24 * 1024 * 1024;
    LoopbackPeer& reader = peer();
    std::vector<LoopbackPeer*> sleepers;
    for (int i = 0; i < 3; ++i) {
        sleepers.push_back(&peer());
        sleepers.back()->socket.setReadBufferSize(1);
    }
    QTRY_COMPARE(gServer->ClientCount(), 4);
    // Each sleeper is asked for a different amount, far below a client's own bound of 128 MB.
    const qint32 index[3] = {gServer->ClientAt(2)->Index(), gServer->ClientAt(3)->Index(),
                             gServer->ClientAt(4)->Index()};
    const int megabytes[3] = {10, 14, 12};
    for (int round = 0; round < 4 && gServer->ClientCount() == 4; ++round)
        for (int i = 0; i < 3; ++i)
            if (gServer->Clients(index[i]))
                gServer->SendData(QString(megabytes[i] * 1024 * 1024, QLatin1Char('x')), index[i], -1);
    QVERIFY(gServer->ClientCount() < 4);
    QVERIFY(events().contains(
        QStringLiteral("127.0.0.1 was disconnected: the replies waiting for all clients need too much memory")));
    // The one asked for the most went first; the reader never waited for anything.
    QVERIFY(!gServer->Clients(index[1]));
    qint64 unsent = 0;
    for (int i = 1; i <= gServer->ClientCount(); ++i)
        unsent += gServer->ClientAt(i)->UnsentBytes();
    QVERIFY(unsent <= gServer->MaxUnsentBytes);
    gServer->SendData(QStringLiteral(";RING;"), -1, -1);
    QCOMPARE(reader.next(), QStringLiteral(";RING;"));
}

// A query whose answer would be larger than any client takes is refused before it is read whole, however
// large its rows: the memory is never taken.
void TestServerDispatcher::anAnswerTooLargeIsRefusedBeforeItIsRead()
{
    storeCalls(30);
    // The answer's clock and the heap's processor clock held still: only the answer's size may stop it, never the
    // machine's speed (a sanitized build on a busy machine takes seconds over these rows).
    m_host->dispatcher.replies()->setClock([] { return qint64(0); });
    SqlHeap::setProcessorClock([] { return qint64(0); });
    LoopbackPeer& p = peer();
    p.send(";SQL;Select zeroblob(60000) As fldName, a.ID As ID From tblCID a, tblCID b");
    const QString reply = p.next(60000);
    QVERIFY2(reply.startsWith(QStringLiteral(";ERROR;30000;The answer holds more than 40 MB of text: ask for fewer "
                                             "calls.;")),
             qPrintable(reply.left(200)));
    // The connection and the server are as before.
    p.send(";SQL;Select * From tblCID Where ID = 2");
    QCOMPARE(p.take(2).value(0), QStringLiteral(";SIZE;1;"));
}

// Rows of one number hold no text, yet each costs its line of the answer: a cross join is refused once
// their cost passes the bound. And the query's time is the request's own, on the answer's clock.
void TestServerDispatcher::rowsWithoutTextCostTheirWholeLineAndTheRequestsTime()
{
    storeCalls(200);
    LoopbackPeer& p = peer();
    ServerReplies& replies = *m_host->dispatcher.replies();
    qint64 now = 0;
    // Held still, so only the cost can stop the answer: 40,000 rows would take some 2.6 MB.
    replies.setClock([&now] { return now; });
    replies.MaxReplyBytes = 1024 * 1024;
    p.send(";SQL;Select 1 As x From tblCID a, tblCID b");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;30000;The answer needs more than 1 MB of memory: ask for fewer calls.;"));
    // A second at each look: stopped once the budget has passed since the request, however little of it the
    // query's own steps took.
    replies.MaxReplyBytes = ServerReplies::kMaxReplyBytes;
    replies.setClock([&now] { return now += 1000; });
    p.send(";SQL;Select a.ID As ID From tblCID a, tblCID b");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;30000;The query took too long and was stopped.;"));
    QVERIFY(now <= 2000 + SqlDatabase::defaultQueryBudget() + 1000);
}

QByteArray inListOfAMillion()
{
    QByteArray sql = ";SQL;Select ID From tblCID Where ID In (0";
    for (int i = 1; i < 1000000; ++i)
        sql += ',' + QByteArray::number(i);
    return sql + ')';
}

// Peak resident memory of this process since the last reset, in bytes.
qint64 residentPeak(bool reset)
{
    if (reset) {
        QFile refs(QStringLiteral("/proc/self/clear_refs"));
        if (refs.open(QIODevice::WriteOnly))
            refs.write("5");
    }
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Each request is bounded by all it costs, not by one of its sizes: its text, SQLite's heap, SQLite's
// temporary files, the work of our own functions inside one step. It is answered, or refused with an ERROR
// that says what was too large, while the process stays within 100 MB of where it was, and the server goes
// on: a call that comes while the request runs is stored.
void TestServerDispatcher::requestsAreBoundedByAllTheyCost_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("reply");
    // How far the processor clock moves at each look of the heap; 0 holds it still, so only a size can stop
    // the request, and the row about time builds values that stay under every size.
    QTest::addColumn<int>("msPerLook");
    // How far the answer's clock moves at each look of the query (0 holds it still): the rows about work that
    // stops on the query's deadline count that work in looks, not in the machine's speed.
    QTest::addColumn<int>("msPerRead");
    const QString tooLong =
        QStringLiteral(";ERROR;30000;The query is longer than 1,048,576 characters: ask for less.;");
    const QString tookTooLong = QStringLiteral(";ERROR;30000;The query took too long and was stopped.;");
    const QString tooMuchScratch =
        QStringLiteral(";ERROR;30000;The query needs more than 64 MB of temporary storage: ask for less.;");
    const QByteArray twoThousand =
        "(With Recursive c(x) As (Select 1 Union All Select x + 1 From c Limit 2000) Select x From c)";
    QTest::newRow("a pop-up's count beyond what a pop-up lists")
        << QByteArray(";MINI DISPLAY;2000000000") << ";ERROR;6;Overflow;" << 0 << 0;
    QTest::newRow("a row of long values")
        << rowOfTerms(QStringLiteral("cast(zeroblob(2000000 + %1) As Text)"), 40, 1)
        << ";ERROR;30000;The query makes a value longer than 64 KB: ask for less.;" << 0 << 0;
    QTest::newRow("a value made one character at a time")
        << QByteArray(";SQL;Select printf('%.*c', 100000000, 'a') As fldName From tblCID")
        << ";ERROR;30000;The function printf cannot be used here.;" << 0 << 0;
    QTest::newRow("many columns") << rowOfTerms(QStringLiteral("%1"), 150, 1)
                                  << ";ERROR;30000;too many columns in result set;" << 0 << 0;
    QTest::newRow("many values held at once")
        << rowOfTerms(QStringLiteral("cast(zeroblob(60000 + %1) As Text)"), 600)
        << ";ERROR;30000;The query needs more than 32 MB of memory: ask for less.;" << 0 << 0;
    // 60,008 characters at most: under the value's bound, whatever the term.
    QTest::newRow("long work inside one row")
        << rowOfTerms(QStringLiteral("length(hex(zeroblob(30000 + ID + %1 % 5)))"), 500) << tookTooLong << 30 << 0;
    QTest::newRow("a long pattern") << ";SQL;Select * From tblCID Where fldName Glob '" + QByteArray(300, '*') + "x'"
                                    << ";ERROR;30000;LIKE or GLOB pattern too complex;" << 0 << 0;
    // 50 million steps of one match for each call, inside one step of the query.
    QTest::newRow("a long Like") << ";SQL;Select ID From tblCID Where replace(hex(zeroblob(32767)),'0','a') Like IIf("
                                    "ID > 0, '*" +
                                        QByteArray(378, 'a') + "?" + QByteArray(378, 'a') + "c*', 'x')"
                                 << tookTooLong << 0 << 1;
    QTest::newRow("a long InStr") << ";SQL;Select ID From tblCID Where InStr(replace(hex(zeroblob(32760)),'0','a') || "
                                     "ID, '" +
                                         QByteArray(700, 'a') + "b') > 0"
                                  << tookTooLong << 0 << 1;
    // SQLite's own functions that compare every character of a value with every one of another, inside one
    // step: the statement still looks every few thousand comparisons (ten of the answer's milliseconds a look
    // here), so it stops on its deadline and gives way meanwhile, whichever function does the work.
    const QByteArray longText = "replace(hex(zeroblob(32767)),'0','a')";
    QTest::newRow("a long Glob") << ";SQL;Select ID From tblCID Where " + longText + " Glob IIf(ID > 0, '*" +
                                        QByteArray(252, 'a') + "c*', 'x')"
                                 << tookTooLong << 0 << 10;
    for (int members : {150, 190}) {
        QTest::addRow("ltrim with a set of %d", members)
            << ";SQL;Select ID From tblCID Where ltrim(" + longText + ", IIf(ID > 0, '" + QByteArray(members - 1, 'b') +
                   "a', 'x')) = 'z'"
            << tookTooLong << 0 << 10;
    }
    QTest::newRow("a function nobody has measured")
        << QByteArray(";SQL;Select json_patch('{}', '{}') As fldName From tblCID")
        << ";ERROR;30000;The function json_patch cannot be used here.;" << 0 << 0;
    QTest::newRow("an 8 MB text") << ";SQL;Select ID From tblCID Where fldName = '" +
                                         QByteArray(8 * 1024 * 1024 - 1024, 'x') + "'"
                                  << tooLong << 0 << 1;
    QTest::newRow("an IN list of a million values") << inListOfAMillion() << tooLong << 0 << 1;
    QTest::newRow("a sort of large values")
        << ";SQL;Select x As ID From " + twoThousand + " Order By randomblob(60000)" << tooMuchScratch << 0 << 1;
    QTest::newRow("a window over a sort")
        << ";SQL;Select ntile(10) Over (Order By randomblob(60000)) As ID From " + twoThousand << tooMuchScratch << 0
        << 1;
}

void TestServerDispatcher::requestsAreBoundedByAllTheyCost()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, reply);
    QFETCH(int, msPerLook);
    QFETCH(int, msPerRead);
    storeCalls(3);
    LoopbackPeer& p = peer();
    qint64 now = 0;
    m_host->dispatcher.replies()->setClock([&now, msPerRead] { return now += msPerRead; });
    static std::atomic<qint64> processorNs;
    static std::atomic<qint64> stepNs;
    processorNs = 0;
    stepNs = qint64(msPerLook) * 1'000'000;
    SqlHeap::setProcessorClock([] { return processorNs += stepNs; });
    // A call comes as the request starts to be answered: stored at once when the answer gives way to the
    // rest of the program, else just after it.
    bool storedMeanwhile = false;
    m_host->onDispatch = [&] {
        QTimer::singleShot(0, this, [&] {
            clsCaller call;
            call.Name = QStringLiteral("MEANWHILE");
            call.Number.Number = QStringLiteral("555-9999");
            call.CallerDate = callDate(100);
            call.Answered = QStringLiteral("N/A");
            AddCaller(call);
            storedMeanwhile = gServer->isDispatching();
        });
    };
    const qint64 before = sqlite3_memory_used();
    sqlite3_memory_highwater(1);
    SqlHeap::scratchHighwater(true);
    const qint64 residentBefore = residentPeak(true);
    p.send(request);
    QCOMPARE(p.next(60000), reply);
    const qint64 peak = sqlite3_memory_highwater(0) - before;
    QVERIFY2(peak <= SqlDatabase::UntrustedHeapBytes + 4 * 1024 * 1024, qPrintable(QString::number(peak)));
    QVERIFY(SqlHeap::scratchHighwater(false) <= SqlDatabase::UntrustedScratchBytes);
    const qint64 resident = residentPeak(false) - residentBefore;
    QVERIFY2(resident <= 100 * 1024 * 1024, qPrintable(QString::number(resident)));
    QTRY_COMPARE(CountCallers(QStringLiteral("Select * From tblCID Where fldName = 'MEANWHILE'")), 1);
    QCOMPARE(storedMeanwhile, msPerRead > 0 && !reply.contains(QLatin1String("is longer than")));
    p.send(";MODEMCONNECTION;");
    QCOMPARE(p.next(), QStringLiteral(";MODEMCONNECTION;False;"));
}

// A client's Find > Contacts > Select All over a book of 5,000 contacts of three numbers (some 540,000
// characters) is answered as the same search is on the server's own log.
void TestServerDispatcher::aFindOverAWholeBookIsAnsweredAsStandalone()
{
    storeCalls(30);
    QStringList names;
    for (int i = 0; i < 5000; ++i) {
        auto c = std::make_shared<clsContact>();
        c->Name = QStringLiteral("Contact %1").arg(i, 5, 10, QLatin1Char('0'));
        for (int k = 0; k < 3; ++k) {
            // The first number of contacts 10 to 19 is that of a stored call.
            const QString number = i >= 10 && i < 20 && k == 0
                                       ? QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0'))
                                       : QStringLiteral("(800) %1-%2").arg(i, 5, 10, QLatin1Char('0')).arg(k);
            c->AddNumber(std::make_shared<clsNumber>(number, QStringLiteral("Home")));
        }
        gContacts.add(c->Name, c);
        names << c->Name;
    }
    callLogSearch().WriteContactsSQL(names);
    const QString sql = callLogSearch().strFindSQL;
    QVERIFY2(sql.size() > 500000, qPrintable(QString::number(sql.size())));
    // Standalone without its time budget: only the answer is compared, never the machine's speed.
    CallerDBReader()->setTimeBudget(0);
    QCOMPARE(CountCallers(sql), 10);
    CallerDBReader()->setTimeBudget(SqlDatabase::defaultQueryBudget());
    // The answer's clock held still, and the processor's as on a slow machine, 5 ms from one look to the next:
    // half a megabyte of text parses in one stretch, which only what the request costs may stop.
    m_host->dispatcher.replies()->setClock([] { return qint64(0); });
    static std::atomic<qint64> processorNs;
    processorNs = 0;
    SqlHeap::setProcessorClock([] { return processorNs += 5'000'000; });
    LoopbackPeer& p = peer();
    p.send(";SQL;" + sql.toUtf8());
    QString rows = QStringLiteral(";CLEAR CALLERS;");
    for (int i = 10; i < 20; ++i)
        rows += QStringLiteral(";CALLER;") + record(i);
    QCOMPARE(p.take(2, 30000), (QStringList{QStringLiteral(";SIZE;10;"), rows}));
}

void TestServerDispatcher::clientSqlOnlyReads()
{
    storeCalls(5);
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";127.0.0.1 R;"));
    LoopbackPeer& p = peer();
    for (const char* sql :
         {"Delete From tblCID", "Drop Table tblCID", "Update tblCID Set fldName='X'",
          "Insert Into tblCID (fldName) Values ('X')", "With x As (Select 1) Delete From tblCID", ""}) {
        p.send(QByteArray(";SQL;") + sql);
        const QString reply = p.next();
        QVERIFY2(reply.startsWith(QStringLiteral(";ERROR;")), sql);
        // One error message: the description carries no ";" of its own.
        QCOMPARE(reply.count(QLatin1Char(';')), 4);
        QCOMPARE(logRows(), 5);
    }
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QString());
    p.send(";SQL;Delete From tblCID");
    QVERIFY(p.next().startsWith(QStringLiteral(";ERROR;")));
    QCOMPARE(logRows(), 5);
    // A query the log cannot run is an error too, described without a ";", also one the dialect cannot read.
    for (const char* sql : {"Select * From tblNothing", "Select * From tblCID Where fldName = 'open"}) {
        p.send(QByteArray(";SQL;") + sql);
        const QString reply = p.next();
        QVERIFY2(reply.startsWith(QStringLiteral(";ERROR;")), sql);
        QCOMPARE(reply.count(QLatin1Char(';')), 4);
    }
    // Jet-style patterns work as in a search on the server itself.
    p.send(";SQL;Select * From tblCID Where fldNumber Like '*555-000*' Order By ID");
    QCOMPARE(p.take(2).value(0), QStringLiteral(";SIZE;5;"));
    p.send(";SQL;Select * From tblCID Where fldNumber like '*0003*' Or fldName Like 'caller ?'");
    QCOMPARE(p.take(2),
             (QStringList{QStringLiteral(";SIZE;5;"),
                          QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(1) + QStringLiteral(";CALLER;") +
                              record(2) + QStringLiteral(";CALLER;") + record(3) + QStringLiteral(";CALLER;") +
                              record(4) + QStringLiteral(";CALLER;") + record(5)}));
    p.send(";SQL;Select * From tblCID Where fldNumber like '*0003*'");
    QCOMPARE(p.take(2),
             (QStringList{QStringLiteral(";SIZE;1;"), QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(3)}));
}

void TestServerDispatcher::restrictedChangesAreRefusedAndTheirFieldsSkipped()
{
    storeCalls(3);
    storeContacts();
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";127.0.0.1 R;"));
    LoopbackPeer& p = peer();
    // A contact named "SQL": its name is the request's field, never the next request.
    p.send(";DELETE CONTACT;SQL;Select * From tblCID;DELETE SQL;|1|2|;EDIT CALLER;0;X;1;ADD CONTACT;|NEW||||"
           ";EDIT CONTACT;JOHN;|JOHNNY||||;BLOCK CALL;MODEMCONNECTION;");
    QCOMPARE(p.take(6), (QStringList{QStringLiteral("RESTRICTED"), QStringLiteral("RESTRICTED"),
                                     QStringLiteral("RESTRICTED"), QStringLiteral("RESTRICTED"),
                                     QStringLiteral("RESTRICTED"), QStringLiteral(";MODEMCONNECTION;False;")}));
    QCOMPARE(p.take(1, 50), QStringList());
    QCOMPARE(events().count(QStringLiteral("127.0.0.1 made a restricted request")), 5);
    QCOMPARE(logRows(), 3);
    QCOMPARE(gContacts.count(), 2);
    QVERIFY(gContacts.contains(QStringLiteral("SQL")) && gContacts.contains(QStringLiteral("JOHN")));
    QVERIFY(m_host->edits.isEmpty());
    QCOMPARE(m_host->blocks, 0);
    // A restricted network restricts every client; reading stays allowed.
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QString());
    SaveProperty(Section::frmConfiguration, Key::RestrictedNetwork, QStringLiteral("True"));
    p.send(";DELETE SQL;|1|;SQL;Select * From tblCID Where ID = 3");
    QCOMPARE(p.take(3), (QStringList{QStringLiteral("RESTRICTED"), QStringLiteral(";SIZE;1;"),
                                     QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(3)}));
}

void TestServerDispatcher::contactNamesAreNeverPatterns()
{
    storeContacts();
    LoopbackPeer& p = peer();
    p.send(";DELETE CONTACT;*;DELETE CONTACT;%;DELETE CONTACT;x' or '1'='1;DELETE CONTACT;J_HN");
    QTRY_COMPARE(events().count(QStringLiteral("127.0.0.1 Deleted a Contact")), 4);
    QCOMPARE(gContacts.count(), 2);
    // The name itself, in any case, is deleted.
    p.send(";DELETE CONTACT;john");
    QTRY_COMPARE(gContacts.count(), 1);
    QVERIFY(!gContacts.contains(QStringLiteral("JOHN")));
    // Every client hears of each change; the last list it got lacks the contact.
    const QStringList updates = p.take(5);
    QCOMPARE(updates.size(), 5);
    QCOMPARE(updates.last(), QStringLiteral(";CLEAR CONTACTS;;CONTACT;|SQL||||NUMBER|555-0002|Home"));
}

void TestServerDispatcher::contactRequests()
{
    storeContacts();
    LoopbackPeer& p = peer();
    LoopbackPeer& other = peer();
    // A new contact reaches every client.
    p.send(";ADD CONTACT;|MARY||||NUMBER|555-0009|Work");
    QCOMPARE(p.next(), other.next());
    QVERIFY(gContacts.contains(QStringLiteral("MARY")));
    // Duplicates are refused with the error, nothing is stored, and the event line says what failed.
    p.send(";ADD CONTACT;|mary||||NUMBER|555-7777|Work");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;1;Duplicate names in database.;"));
    p.send(";ADD CONTACT;|PAUL||||NUMBER|555-0009|Work");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;2;555-0009 was found to be a duplicate numbers in the database.;"));
    QCOMPARE(gContacts.count(), 3);
    QCOMPARE(events().count(QStringLiteral("127.0.0.1 Added a Contact")), 1);
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 Could not add a Contact: Duplicate names in database.")));
    QVERIFY(events().contains(QStringLiteral(
        "127.0.0.1 Could not add a Contact: 555-0009 was found to be a duplicate numbers in the database.")));
    QCOMPARE(other.take(1, 50), QStringList());
    // An edit under an old name that is not stored says so instead of leaving the client waiting.
    p.send(";EDIT CONTACT;NOBODY;|NOBODY||||");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;3021;No current record.;"));
    p.send(";EDIT CONTACT;MARY;|MARY ANN||||NUMBER|555-0009|Work");
    QVERIFY(p.next().startsWith(QStringLiteral(";CLEAR CONTACTS;")));
    QVERIFY(gContacts.contains(QStringLiteral("MARY ANN")) && !gContacts.contains(QStringLiteral("MARY")));
    QCOMPARE(events().count(QStringLiteral("127.0.0.1 Edited The Contact DB")), 1);
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 Could not edit The Contact DB: No current record.")));
    // Records without a name cannot be read: counted once the unit is through, nothing stored.
    p.send(";ADD CONTACT;;ADD CONTACT;|||||NUMBER|555-4444|X;EDIT CONTACT;JOHN;");
    QTRY_VERIFY(events().contains(QStringLiteral("3 contacts were lost in an attempt to update the contact list.")));
    QCOMPARE(gContacts.count(), 3);
    p.send(";ADD CONTACT;");
    QTRY_COMPARE(events().last(), QStringLiteral("1 contact was lost in an attempt to update the contact list."));
    // A client frames its change with two questions of the modem's state, each a send of its own: what comes
    // between their answers, to it alone, is the change's answer, here none.
    p.send(";MODEMCONNECTION;");
    p.send(";ADD CONTACT;|''||||NUMBER|555-4444|X");
    p.send(";MODEMCONNECTION;");
    QCOMPARE(p.take(2),
             (QStringList{QStringLiteral(";MODEMCONNECTION;False;"), QStringLiteral(";MODEMCONNECTION;False;")}));
    // Control characters (an escape sequence, a bell) never reach the book; the other information keeps its
    // line breaks.
    p.send(QStringLiteral(";ADD CONTACT;|EVIL\x1b[31mRED\x07|||line one\nline two\x1b|NUMBER|555-0077\x00|Work\x1b")
               .toUtf8());
    QVERIFY(p.next().startsWith(QStringLiteral(";CLEAR CONTACTS;")));
    const auto evil = gContacts.item(QStringLiteral("EVIL[31mRED"));
    QVERIFY(evil);
    QCOMPARE(evil->OtherInfo, QStringLiteral("line one\nline two"));
    QCOMPARE(evil->Numbers.at(0)->PrintNumberDescription(), QStringLiteral("555-0077 (Work)"));
    // An empty field keeps its place: the record of an edit is never taken for the old name.
    p.send(";EDIT CONTACT;;|NEWNAME||||");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;3021;No current record.;"));
    // A contact as large as the book lets a user make (notes of a megabyte) is added and changed.
    const QByteArray notes(1024 * 1024, 'n');
    p.send(";ADD CONTACT;|BIG|||" + notes + "|NUMBER|555-0300|Home");
    QVERIFY(p.next().startsWith(QStringLiteral(";CLEAR CONTACTS;")));
    QCOMPARE(gContacts.item(QStringLiteral("BIG"))->OtherInfo.size(), notes.size());
    p.send(";EDIT CONTACT;BIG;|BIG|||" + notes + "m|NUMBER|555-0300|Home");
    QVERIFY(p.next().startsWith(QStringLiteral(";CLEAR CONTACTS;")));
    QCOMPARE(gContacts.item(QStringLiteral("BIG"))->OtherInfo.size(), notes.size() + 1);
    QVERIFY(Prompt::history().isEmpty());
}

void TestServerDispatcher::deletionByIdList()
{
    storeCalls(10);
    LoopbackPeer& requester = peer();
    LoopbackPeer& second = peer();
    LoopbackPeer& third = peer();
    QList<qint32> removed;
    QObject::connect(m_host->dispatcher.replies(), &ServerReplies::callDeleted, m_host->dispatcher.replies(),
                     [&](qint32 id) { removed << id; });
    requester.send(";DELETE SQL;|2|4|6|");
    QCOMPARE(requester.next(), QStringLiteral(";DELETE OK;"));
    QCOMPARE(second.take(2), (QStringList{QStringLiteral(";DELETE OK;"), QStringLiteral(";UPDATE NEEDED;")}));
    QCOMPARE(third.take(2), (QStringList{QStringLiteral(";DELETE OK;"), QStringLiteral(";UPDATE NEEDED;")}));
    QCOMPARE(requester.take(1, 50), QStringList());
    QCOMPARE(removed, (QList<qint32>{2, 4, 6}));
    QCOMPARE(logRows(), 7);
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 Deleted Call Records"));
    QCOMPARE(m_host->statusUpdates, 1);

    // The list is read whole first: an item that is no number, or one beyond 32 bits, is one answer and nothing
    // is deleted. An ID beyond 16 bits is an ID like any other.
    storeCalls(1);
    SqlStatement bump = gCallerDB->prepare(QStringLiteral("UPDATE tblCID SET ID = 40000 WHERE ID = 11"));
    bump.exec();
    requester.send(";DELETE SQL;|1|x|40000|3|");
    QCOMPARE(requester.next(), QStringLiteral(";ERROR;13;Type mismatch;"));
    requester.send(";DELETE SQL;|1|40000|99999999999|3|");
    QCOMPARE(requester.next(), QStringLiteral(";ERROR;6;Overflow;"));
    // Megabytes of such items are one answer too, and hold no other client: one's query sent meanwhile is
    // answered.
    requester.send(";DELETE SQL;|" + QByteArray("x|").repeated(4'000'000));
    second.send(";SQL;Select * From tblCID Where ID = 5");
    QCOMPARE(second.take(2),
             (QStringList{QStringLiteral(";SIZE;1;"), QStringLiteral(";CLEAR CALLERS;;CALLER;") + record(5)}));
    QCOMPARE(requester.next(60000), QStringLiteral(";ERROR;13;Type mismatch;"));
    QCOMPARE(requester.take(1, 200), QStringList());
    QCOMPARE(third.take(1, 50), QStringList());
    QCOMPARE(removed.size(), 3);
    QCOMPARE(logRows(), 8);
    requester.send(";DELETE SQL;|1|40000|3|");
    QCOMPARE(requester.next(), QStringLiteral(";DELETE OK;"));
    QCOMPARE(removed.mid(3), (QList<qint32>{1, 40000, 3}));
    QCOMPARE(logRows(), 5);

    // A delete the log refuses (a full disk) ends the deletion there, though a later one would go: one answer
    // with the cause and what was done, and no "DELETE OK", which every client would take for its own calls
    // gone. Those shown a call that did go read their views again.
    gCallerDB->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON tblCID WHEN OLD.ID = 7 "
                                   "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
    const QStringList confirmed{QStringLiteral(";DELETE OK;"), QStringLiteral(";UPDATE NEEDED;")};
    QCOMPARE(second.take(2), confirmed);
    QCOMPARE(third.take(2), confirmed);
    const qsizetype deletions = events().count(QStringLiteral("127.0.0.1 Deleted Call Records"));
    requester.send(";DELETE SQL;|5|7|8|");
    QCOMPARE(requester.take(2), (QStringList{QStringLiteral(";ERROR;30000;database or disk is full. 1 of 3 calls "
                                                            "were deleted.;"),
                                             QStringLiteral(";UPDATE NEEDED;")}));
    QCOMPARE(second.next(), QStringLiteral(";UPDATE NEEDED;"));
    QCOMPARE(third.next(), QStringLiteral(";UPDATE NEEDED;"));
    QCOMPARE(removed.mid(6), QList<qint32>{5});
    QCOMPARE(logRows(), 4);
    QCOMPARE(events().count(QStringLiteral("127.0.0.1 Deleted Call Records")), deletions + 1);
    // A Clear of a large log whose first delete fails: one answer, nothing to the others, no event.
    requester.send(";DELETE SQL;|" + QByteArray("7|").repeated(100'000));
    QCOMPARE(requester.next(),
             QStringLiteral(";ERROR;30000;database or disk is full. 0 of 100000 calls were deleted.;"));
    QCOMPARE(requester.take(1, 200), QStringList());
    QCOMPARE(second.take(1, 50), QStringList());
    QCOMPARE(logRows(), 4);
    QCOMPARE(events().count(QStringLiteral("127.0.0.1 Deleted Call Records")), deletions + 1);
    QVERIFY(Prompt::history().isEmpty());
}

void TestServerDispatcher::cancelledDeletionAsksTheRequesterToReadAgain()
{
    storeCalls(300);
    LoopbackPeer& requester = peer();
    LoopbackPeer& other = peer();
    QString ids = QStringLiteral("|");
    for (int i = 1; i <= 300; ++i)
        ids += QString::number(i) + QLatin1Char('|');
    // The cancel comes while the IDs are worked through (the reply breathes every few milliseconds).
    QObject::connect(m_host->dispatcher.replies(), &ServerReplies::callDeleted, m_host->dispatcher.replies(),
                     [&](qint32 id) {
                         if (id == 10)
                             gServer->ClientAt(1)->setNetCancel(true);
                     });
    requester.send(";DELETE SQL;" + ids.toLatin1());
    QCOMPARE(requester.take(2), (QStringList{QStringLiteral(";DELETE OK;"), QStringLiteral(";UPDATE NEEDED;")}));
    QCOMPARE(other.take(2), (QStringList{QStringLiteral(";DELETE OK;"), QStringLiteral(";UPDATE NEEDED;")}));
    QCOMPARE(logRows(), 290);
    // A cancel left over from that request does not stop the next one.
    requester.send(";DELETE SQL;|11|");
    QCOMPARE(requester.next(), QStringLiteral(";DELETE OK;"));
    QCOMPARE(logRows(), 289);
}

void TestServerDispatcher::miniDisplayRequests()
{
    storeCalls(4);
    LoopbackPeer& p = peer();
    p.send(";MINI DISPLAY;10;");
    QCOMPARE(p.next(), QStringLiteral(";MINI DISPLAY;") + record(4) + QStringLiteral(";MINI DISPLAY;") + record(3) +
                           QStringLiteral(";MINI DISPLAY;") + record(2) + QStringLiteral(";MINI DISPLAY;") + record(1) +
                           QLatin1Char(';'));
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 Requested Mini Display Information"));
    p.send(";MINI DISPLAY;2;");
    QCOMPARE(p.next(), QStringLiteral(";MINI DISPLAY;") + record(4) + QStringLiteral(";MINI DISPLAY;") + record(3) +
                           QLatin1Char(';'));
    // A count that is no number: the error, and the rest of the unit is dropped.
    p.send(";MINI DISPLAY;many;MODEMCONNECTION;");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;13;Type mismatch;"));
    QCOMPARE(p.take(1, 100), QStringList()); // the rest of the unit was dropped

    // The caller statistics text; a caller record that cannot be read gets an error, not silence.
    p.send(";MINI DISPLAY STATS;|4|CALLER 4|NUMBER|555-0004|NONE|3/1/2024 8:04:00 AM|4|||YES|;Total Calls");
    QCOMPARE(p.next(), QStringLiteral(";MINI DISPLAY STATS;Caller Info: CALLER 4\r\nTotal Calls: 1"));
    // A statistic the list names again is worked out once (each working of this one is a failure on record).
    auto broken = std::make_shared<clsStatistic>();
    broken->Description = QStringLiteral("Broken");
    broken->Statistic = QStringLiteral("fldNothing = 1");
    gStatistics->add(broken->Description, broken);
    p.send(";MINI DISPLAY STATS;|4|CALLER 4|NUMBER|555-0004|NONE|3/1/2024 8:04:00 AM|4|||YES|;Broken|Broken|Broken");
    QCOMPARE(p.next(), QStringLiteral(";MINI DISPLAY STATS;Caller Info: CALLER 4") +
                           QStringLiteral("\r\nBroken: Bad SQL").repeated(3));
    QFile trail(DiagnosticLog::path());
    QVERIFY(trail.open(QIODevice::ReadOnly));
    QCOMPARE(trail.readAll().count("frmStatistics_ExecuteStat"), 1);
    p.send(";MINI DISPLAY STATS;|99999999999|X|;Total Calls;MODEMCONNECTION;");
    QCOMPARE(p.take(2),
             (QStringList{QStringLiteral(";ERROR;13;Bad caller record;"), QStringLiteral(";MODEMCONNECTION;False;")}));
    QVERIFY(Prompt::history().isEmpty());
}

void TestServerDispatcher::loggedRecordRequests()
{
    storeCalls(3);
    LoopbackPeer& p = peer();
    p.send((";ORIGINAL ID;" + callDate(2) + ";ORIGINAL ID MINI DISPLAY;" + callDate(3) + ";").toUtf8());
    QCOMPARE(p.take(2),
             (QStringList{QStringLiteral(";ORIGINAL ID;CALLER 2;555-0002;") + callDate(2) + QStringLiteral(";2;YES;"),
                          QStringLiteral(";ORIGINAL ID MINI DISPLAY;CALLER 3;555-0003;") + callDate(3) +
                              QStringLiteral(";3;NO;")}));
    QCOMPARE(events().count(QStringLiteral("127.0.0.1 Requested an Original ID")), 2);
    // No call at that time: only the event line.
    p.send(";ORIGINAL ID;1/1/2000 1:00:00 AM;");
    QTRY_COMPARE(events().count(QStringLiteral("127.0.0.1 Requested an Original ID")), 3);
    QCOMPARE(p.take(1, 50), QStringList());
    // Text that is no date never reaches the log.
    p.send(";ORIGINAL ID;1#) or (1=1;MODEMCONNECTION;");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;13;Type mismatch;"));
    QCOMPARE(p.take(1, 100), QStringList()); // the rest of the unit was dropped
}

void TestServerDispatcher::editCallerRequests()
{
    LoopbackPeer& p = peer();
    // A cleared cell keeps its place; separators in the text are taken out; IDs are 32-bit.
    p.send(";EDIT CALLER;0;;12;EDIT CALLER;0;B|C'D;40000;EDIT CALLER;4;YES;7");
    QTRY_COMPARE(m_host->edits.size(), 3);
    QCOMPARE(m_host->edits,
             (QStringList{QStringLiteral("0||12"), QStringLiteral("0|BCD|40000"), QStringLiteral("4|YES|7")}));
    // No record has an ID of 0 or below: an error, and the server's own selection is never edited.
    p.send(";EDIT CALLER;0;X;-1;EDIT CALLER;0;X;0;MODEMCONNECTION;");
    QCOMPARE(p.take(3), (QStringList{QStringLiteral(";ERROR;5;Invalid procedure call or argument;"),
                                     QStringLiteral(";ERROR;5;Invalid procedure call or argument;"),
                                     QStringLiteral(";MODEMCONNECTION;False;")}));
    // A column or ID that is no number ends the unit with the error.
    p.send(";EDIT CALLER;x;X;5;EDIT CALLER;0;Y;6");
    QCOMPARE(p.next(), QStringLiteral(";ERROR;13;Type mismatch;"));
    QCOMPARE(p.take(1, 100), QStringList()); // the rest of the unit was dropped
    QCOMPARE(m_host->edits.size(), 3);
}

void TestServerDispatcher::modemStateAndBlocking()
{
    LoopbackPeer& p = peer();
    m_host->ModemConnected = true;
    p.send(";BLOCK CALL;MODEMCONNECTION;COMPLETE;NOTHING;");
    QCOMPARE(p.next(), QStringLiteral(";MODEMCONNECTION;True;"));
    QCOMPARE(m_host->blocks, 1);
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";127.0.0.1 R;"));
    p.send(";BLOCK CALL;MODEMCONNECTION;");
    QCOMPARE(p.next(), QStringLiteral(";MODEMCONNECTION;True;"));
    QCOMPARE(m_host->blocks, 1);
    QVERIFY(!events().contains(QStringLiteral("127.0.0.1 made a restricted request")));
}

void TestServerDispatcher::statisticsRequests()
{
    storeCalls(4);
    LoopbackPeer& p = peer();
    // The statistics engine answers from this log, to the requester; its event lines name the client.
    p.send(";STATISTIC;|TIMEPERIOD||GROUP|||STAT||NONE|;;MODEMCONNECTION;");
    QCOMPARE(p.take(2), (QStringList{QStringLiteral(";STATISTIC;|4|;"), QStringLiteral(";MODEMCONNECTION;False;")}));
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 Requested a Statistic")));
    p.send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|3/1/2024|ENDDATE|3/2/2024|GROUP|All Callers|;");
    QCOMPARE(p.next(), QStringLiteral(";GRAPH;|LINE|3/1/2024|4|;"));
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 Requested a Graph")));
    // A name the server does not know is never graphed as every call.
    p.send(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|3/1/2024|ENDDATE|3/2/2024|GROUP|My Friends|;");
    QCOMPARE(p.next(), QStringLiteral(";GRAPH;PARTIAL;"));
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 Requested a Graph of an unknown group: My Friends"));
    p.send(";GRAPH;|STATISTIC|Calls Of Friends|INCREMENT|y|STARTDATE|3/1/2024|ENDDATE|3/2/2024|GROUP|All Callers|;");
    QCOMPARE(p.next(), QStringLiteral(";GRAPH;PARTIAL;"));
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 Requested a Graph of an unknown statistic: Calls Of Friends"));
    // A cancel that arrived for an earlier request does not stop this one.
    gServer->ClientAt(1)->setNetCancel(true);
    p.send(";STATISTIC;|TIMEPERIOD||GROUP|||STAT||NONE|;");
    QCOMPARE(p.next(), QStringLiteral(";STATISTIC;|4|;"));
}

void TestServerDispatcher::cancelReachesAStatisticsAnswerWaitingItsTurn()
{
    storeCalls(4);
    LoopbackPeer& p = peer();
    const QByteArray graph =
        ";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|3/1/2024|ENDDATE|3/2/2024|GROUP|All Callers|;";
    // The statistics window's own computation, during which the client asks for a graph, cancels it and asks
    // for something else; the graph waits its turn all the while.
    class WindowRun : public StatisticsJob {
    public:
        WindowRun() : StatisticsJob(true) {}
        std::function<void()> body;
        void run() override { body(); }
    };
    auto window = std::make_shared<WindowRun>();
    QString answeredMeanwhile;
    window->body = [&] {
        p.send(graph);
        QTRY_VERIFY(events().contains(QStringLiteral("127.0.0.1 Requested a Graph")));
        QCOMPARE(StatisticsQueue::waiting(), 1);
        p.send(";NETCANCEL;");
        p.send(";MODEMCONNECTION;");
        answeredMeanwhile = p.next();
    };
    StatisticsQueue::submit(window);
    QCOMPARE(answeredMeanwhile, QStringLiteral(";MODEMCONNECTION;False;"));
    // The cancel came after the graph's request: the graph stops, although a later request was read since.
    QCOMPARE(p.next(), QStringLiteral(";GRAPH;PARTIAL;"));
    QVERIFY(!windowLinks().netCancel); // no answer held any more

    // Without a cancel the waiting graph is computed in full.
    window = std::make_shared<WindowRun>();
    window->body = [&] {
        p.send(graph);
        QTRY_COMPARE(events().count(QStringLiteral("127.0.0.1 Requested a Graph")), 2);
        p.send(";MODEMCONNECTION;");
        answeredMeanwhile = p.next();
    };
    StatisticsQueue::submit(window);
    QCOMPARE(answeredMeanwhile, QStringLiteral(";MODEMCONNECTION;False;"));
    QCOMPARE(p.next(), QStringLiteral(";GRAPH;|LINE|3/1/2024|4|;"));
}

QTEST_GUILESS_MAIN(TestServerDispatcher)
#include "test_serverdispatcher.moc"
