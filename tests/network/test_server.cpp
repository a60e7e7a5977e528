#include "network/clsServer.h"

#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <linux/capability.h>
#include <memory>
#include <sys/syscall.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/clsClient.h"
#include "platform/DiagnosticLog.h"
#include "platform/Prompt.h"
#include "support/ModalChange.h"
#include "support/QueuedMarker.h"
#include "support/ResetForTests.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"

namespace {
const QByteArray kMarker = ";COMPLETE;COMPLETE;";

struct Dispatch {
    QString data;
    int index;
    bool restricted;
};

// The server main window as the server sees it: the dispatcher and the client list.
class ServerWindow : public MainWindow {
public:
    QList<Dispatch> dispatched;
    QStringList rows;
    QString countText;
    std::function<void(const Dispatch&)> onDispatch;
    void ProcessNetworkData(const QString& data, int index, qint64, bool restricted) override
    {
        dispatched << Dispatch{data, index, restricted};
        if (onDispatch)
            onDispatch(dispatched.last());
    }
    void UpdateClientList(const QStringList& r, const QString& text) override
    {
        rows = r;
        countText = text;
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

// Takes the right to listen on ports below 1024 from this thread for as long as it lives, so a test run
// by root meets the same refusal as everyone else. active() is false when there was no such right to take
// (or it could not be taken).
class WithoutBindPrivilege {
public:
    WithoutBindPrivilege()
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        if (!(m_saved[0].effective & (1u << CAP_NET_BIND_SERVICE)))
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~(1u << CAP_NET_BIND_SERVICE);
        m_active = syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~WithoutBindPrivilege()
    {
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
    }
    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_active = false;
};

// The server's own end of its only client's connection: it reads what the peer sends.
QTcpSocket* serverSide(clsServer& server) { return server.ClientAt(1)->findChild<QTcpSocket*>(); }
} // namespace

class TestServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void acceptsAClientAndBroadcastsWithTheMarker();
    void requestsAreDispatchedWhateverTheSplit();
    void standaloneRefusesEveryConnection();
    void blockedAddressIsSentBlockedAndDropped();
    void restrictionIsDecidedPerRequest();
    void sendsReachOnlyTheAddressedClients();
    void droppedClientsIndexIsNeverReused();
    void peerLeavingMidReplyIsHarmless();
    void replyToAPeerThatJustResetIsHarmless();
    void cancelIsSeenDuringALongReply();
    void oversizedRequestDropsTheClient();
    void clientsBeyondTheCapAreRefused();
    void unfinishedRequestsShareOneMemoryBound();
    void unfinishedRequestTimesOut();
    void acceptWaitsWhileDescriptorsAreShort();
    void clientsLeaveADescriptorReserve();
    void listenerFailureIsReportedOnlyInServerMode();
    void privilegedPortFailureGivesTheHint();
    void clientListMenu();
    void clientMenuActsOnTheClientChosen();

private:
    QTcpSocket* connectClient();
    QByteArray readUntil(QTcpSocket* peer, const QByteArray& end, int ms = 5000);
    QStringList events() const { return m_window->lstEvents.stringList(); }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ServerWindow> m_window;
    clsServer* m_server = nullptr; // the program's server, gServer
    std::unique_ptr<QSignalSpy> m_sent;
    QList<QTcpSocket*> m_peers;
};

void TestServer::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Server;
    m_window = std::make_unique<ServerWindow>();
    gMainForm = m_window.get();
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(freePort()));
    m_server = &install(gServer);
    m_sent = std::make_unique<QSignalSpy>(m_server, &clsServer::dataSent);
    QVERIFY(m_server->Listen());
}

void TestServer::cleanup()
{
    qDeleteAll(m_peers);
    m_peers.clear();
    m_sent.reset();
    // The server goes with the home, before the window it reports to.
    m_home.reset();
    m_server = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_window.reset();
}

QTcpSocket* TestServer::connectClient()
{
    auto* peer = new QTcpSocket;
    m_peers << peer;
    peer->connectToHost(QHostAddress::LocalHost, m_server->LocalPort());
    if (!peer->waitForConnected(5000))
        return nullptr;
    return peer;
}

QByteArray TestServer::readUntil(QTcpSocket* peer, const QByteArray& end, int ms)
{
    QByteArray data;
    // What has come by the deadline is the answer, whole or not.
    (void)QTest::qWaitFor(
        [&] {
            data += peer->readAll();
            return data.endsWith(end);
        },
        ms);
    return data;
}

void TestServer::acceptsAClientAndBroadcastsWithTheMarker()
{
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    QCOMPARE(events(), (QStringList{QStringLiteral("Connection Request By:  127.0.0.1"),
                                    QStringLiteral("Connection Accepted By: 127.0.0.1")}));
    QCOMPARE(m_window->rows, (QStringList{"127.0.0.1", "", "", "", ""}));
    QCOMPARE(m_window->countText, QStringLiteral("1 Clients Connected"));
    QCOMPARE(m_server->ClientAt(1)->RemoteHostIP(), QStringLiteral("127.0.0.1"));

    m_server->SendData(QStringLiteral(";INCOMING CALLER;|1|Zoë|"), -1, -1);
    QCOMPARE(QString::fromUtf8(readUntil(peer, kMarker)),
             QStringLiteral(";INCOMING CALLER;|1|Zoë|;COMPLETE;COMPLETE;"));
    QCOMPARE(texts(*m_sent), QStringList{QStringLiteral(";INCOMING CALLER;|1|Zoë|")});

    peer->disconnectFromHost();
    QTRY_COMPARE(m_server->ClientCount(), 0);
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 dropped"));
    QCOMPARE(m_window->rows, (QStringList{"", "", "", "", ""}));
    QCOMPARE(m_window->countText, QStringLiteral("0 Clients Connected"));
}

void TestServer::requestsAreDispatchedWhateverTheSplit()
{
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    const qint32 index = m_server->ClientAt(1)->Index();
    // The marker torn across two writes, the second shorter than nine bytes. The server has read the first
    // part (and handled what that queued) before the second is sent.
    QSignalSpy reads(serverSide(*m_server), &QIODevice::readyRead);
    peer->write(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID;COMPLETE;COMPL");
    peer->flush();
    QTRY_VERIFY(!reads.isEmpty());
    QVERIFY(waitForQueuedMarker());
    QVERIFY(m_window->dispatched.isEmpty());
    peer->write("ETE;;NETCANCEL;COMPLETE;COMPLETE;;EDIT CALLER;0;x");
    QTRY_COMPARE(m_window->dispatched.size(), 2);
    QCOMPARE(m_window->dispatched[0].data,
             QStringLiteral(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID;COMPLETE;COMPLETE;"));
    QCOMPARE(m_window->dispatched[0].index, index);
    QVERIFY(!m_window->dispatched[0].restricted);
    QCOMPARE(m_window->dispatched[1].data, QStringLiteral(";NETCANCEL;COMPLETE;COMPLETE;"));
    peer->write(";5;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_window->dispatched.size(), 3);
    QCOMPARE(m_window->dispatched[2].data, QStringLiteral(";EDIT CALLER;0;x;5;COMPLETE;COMPLETE;"));
}

void TestServer::standaloneRefusesEveryConnection()
{
    gNetworkMode = Standalone;
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    // A request sent at once, before the refusal: the connection closing is the sign it was dealt with.
    peer->write(";SQL;x;COMPLETE;COMPLETE;");
    peer->flush();
    QTRY_COMPARE(events().size(), 2);
    QCOMPARE(events(), (QStringList{QStringLiteral("Connection Request By:  127.0.0.1"),
                                    QStringLiteral("Connection Refused By: 127.0.0.1")}));
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(m_server->ClientCount(), 0);
    QVERIFY(waitForQueuedMarker());
    QVERIFY(m_window->dispatched.isEmpty());
}

void TestServer::blockedAddressIsSentBlockedAndDropped()
{
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";10.1.1.1 R;127.0.0.1 b;"));
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    peer->write(";SQL;Select * From tblCID;COMPLETE;COMPLETE;");
    QCOMPARE(readUntil(peer, kMarker), QByteArray("BLOCKED;COMPLETE;COMPLETE;"));
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(m_server->ClientCount(), 0);
    QCOMPARE(events(),
             (QStringList{QStringLiteral("Connection Request By:  127.0.0.1"),
                          QStringLiteral("Connection Accepted By: 127.0.0.1"), QStringLiteral("127.0.0.1 dropped")}));
    QVERIFY(m_window->dispatched.isEmpty());
    QCOMPARE(texts(*m_sent), QStringList{QStringLiteral("BLOCKED")});
}

void TestServer::restrictionIsDecidedPerRequest()
{
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";127.0.0.1 r;"));
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    QCOMPARE(m_window->rows.first(), QStringLiteral("127.0.0.1 R"));
    peer->write(";DELETE CONTACT;A;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_window->dispatched.size(), 1);
    QVERIFY(m_window->dispatched[0].restricted);

    // The access list is read for every request: lifting the entry frees the connected client at once...
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QString());
    peer->write(";DELETE CONTACT;A;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_window->dispatched.size(), 2);
    QVERIFY(!m_window->dispatched[1].restricted);
    // ...and a restricted network restricts everyone.
    SaveProperty(Section::frmConfiguration, Key::RestrictedNetwork, QStringLiteral("True"));
    peer->write(";DELETE CONTACT;A;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_window->dispatched.size(), 3);
    QVERIFY(m_window->dispatched[2].restricted);

    // Blocking a connected client later stops its requests from being dispatched.
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";127.0.0.1 B;"));
    peer->write(";SQL;x;COMPLETE;COMPLETE;");
    QTRY_VERIFY(m_server->ClientAt(1)->Blocked());
    // Blocked while reading that request: a dispatch of it would have been queued before the marker.
    QVERIFY(waitForQueuedMarker());
    QCOMPARE(m_window->dispatched.size(), 3);
}

void TestServer::sendsReachOnlyTheAddressedClients()
{
    QList<QTcpSocket*> peers;
    for (int i = 0; i < 3; ++i) {
        peers << connectClient();
        QVERIFY(peers.last());
        QTRY_COMPARE(m_server->ClientCount(), i + 1);
    }
    const qint32 second = m_server->ClientAt(2)->Index();
    const qint32 first = m_server->ClientAt(1)->Index();
    // A cancel belongs to the request being answered: no send, to that client or to all, takes it back.
    m_server->ClientAt(2)->setNetCancel(true);
    m_server->SendData(QStringLiteral(";SIZE;3;"), second, -1);
    m_server->SendData(QStringLiteral(";RING;"), -1, -1);
    QVERIFY(m_server->ClientAt(2)->NetCancel());
    QCOMPARE(readUntil(peers[1], QByteArray(";RING;") + kMarker),
             QByteArray(";SIZE;3;;COMPLETE;COMPLETE;;RING;;COMPLETE;COMPLETE;"));
    QCOMPARE(readUntil(peers[0], kMarker), QByteArray(";RING;;COMPLETE;COMPLETE;"));
    QCOMPARE(readUntil(peers[2], kMarker), QByteArray(";RING;;COMPLETE;COMPLETE;"));

    m_server->SendData(QStringLiteral(";UPDATE NEEDED;"), -1, first);
    QCOMPARE(readUntil(peers[1], kMarker), QByteArray(";UPDATE NEEDED;;COMPLETE;COMPLETE;"));
    QCOMPARE(readUntil(peers[2], kMarker), QByteArray(";UPDATE NEEDED;;COMPLETE;COMPLETE;"));
    // The first client got neither message: the next one sent to it is the first it reads.
    m_server->SendData(QStringLiteral(";NEW;"), first, -1);
    QCOMPARE(readUntil(peers[0], kMarker), QByteArray(";NEW;;COMPLETE;COMPLETE;"));
}

void TestServer::droppedClientsIndexIsNeverReused()
{
    QList<QTcpSocket*> peers;
    for (int i = 0; i < 3; ++i) {
        peers << connectClient();
        QVERIFY(peers.last());
        QTRY_COMPARE(m_server->ClientCount(), i + 1);
    }
    const qint32 second = m_server->ClientAt(2)->Index();
    const qint32 third = m_server->ClientAt(3)->Index();
    m_server->DropClient(second);
    QCOMPARE(m_server->ClientCount(), 2);
    QCOMPARE(m_server->ClientAt(2)->Index(), third); // the third moved up to the second row...
    QCOMPARE(m_window->rows, (QStringList{"127.0.0.1", "127.0.0.1", "", "", ""}));
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 dropped"));
    QTRY_COMPARE(peers[1]->state(), QAbstractSocket::UnconnectedState);

    // ...but a late reply for the dropped client does not reach the client in its row: the next reply for
    // that one is the first it reads.
    m_server->SendData(QStringLiteral(";SIZE;1;"), second, -1);
    m_server->SendData(QStringLiteral(";SIZE;2;"), third, -1);
    QCOMPARE(readUntil(peers[2], kMarker), QByteArray(";SIZE;2;;COMPLETE;COMPLETE;"));

    QTcpSocket* fourth = connectClient();
    QVERIFY(fourth);
    QTRY_COMPARE(m_server->ClientCount(), 3);
    QVERIFY(m_server->ClientAt(3)->Index() > third);
    m_server->DropClient(second); // gone already: nothing happens
    QCOMPARE(m_server->ClientCount(), 3);

    // Six clients fill the list without blank rows.
    for (int i = 0; i < 3; ++i)
        QVERIFY(connectClient());
    QTRY_COMPARE(m_server->ClientCount(), 6);
    QCOMPARE(m_window->rows.size(), 6);
    QVERIFY(!m_window->rows.contains(QString()));
    m_server->DropAllClients();
    QCOMPARE(m_server->ClientCount(), 0);
    QCOMPARE(m_window->rows, (QStringList{"", "", "", "", ""}));
    QCOMPARE(m_window->countText, QStringLiteral("0 Clients Connected"));
    QTRY_COMPARE(fourth->state(), QAbstractSocket::UnconnectedState);
}

void TestServer::peerLeavingMidReplyIsHarmless()
{
    QTcpSocket* leaving = connectClient();
    QTcpSocket* staying = connectClient();
    QVERIFY(leaving && staying);
    QTRY_COMPARE(m_server->ClientCount(), 2);
    const qint32 staysIndex = m_server->ClientAt(2)->Index();
    // The reply is built while the event loop runs (as behind a progress window); the requester vanishes.
    m_window->onDispatch = [&](const Dispatch& d) {
        leaving->abort();
        QTRY_COMPARE(m_server->ClientCount(), 1);
        const QString big = QStringLiteral(";CALLER;|1|A|").repeated(50000);
        m_server->SendData(QStringLiteral(";SIZE;50000;"), d.index, -1);
        m_server->SendData(big, d.index, -1);
        m_server->SendData(QStringLiteral(";UPDATE NEEDED;"), -1, d.index);
    };
    leaving->write(";SQL;Select * From tblCID;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_window->dispatched.size(), 1);
    QCOMPARE(m_server->ClientCount(), 1);
    QCOMPARE(m_server->ClientAt(1)->Index(), staysIndex);
    QCOMPARE(readUntil(staying, kMarker), QByteArray(";UPDATE NEEDED;;COMPLETE;COMPLETE;"));
}

void TestServer::replyToAPeerThatJustResetIsHarmless()
{
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    // The server has not noticed the reset yet when it writes the reply.
    m_window->onDispatch = [&](const Dispatch& d) {
        peer->abort();
        QCOMPARE(m_server->ClientCount(), 1);
        const QString big = QStringLiteral(";CALLER;|1|A|").repeated(100000);
        m_server->SendData(big, d.index, -1);
        m_server->SendData(big, -1, -1);
    };
    peer->write(";SQL;Select * From tblCID;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_window->dispatched.size(), 1);
    QTRY_COMPARE(m_server->ClientCount(), 0);
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 dropped"));
    // The listener still serves the next client.
    QTcpSocket* next = connectClient();
    QVERIFY(next);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    m_server->SendData(QStringLiteral(";NEW;"), -1, -1);
    QCOMPARE(readUntil(next, kMarker), QByteArray(";NEW;;COMPLETE;COMPLETE;"));
}

void TestServer::cancelIsSeenDuringALongReply()
{
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    clsClient* client = m_server->ClientAt(1);
    bool cancelSeenInside = false;
    QList<bool> cancelledAtStart;
    m_window->onDispatch = [&](const Dispatch& d) {
        cancelledAtStart << client->NetCancel();
        if (!d.data.startsWith(QStringLiteral(";SQL;")) || d.data.contains(QStringLiteral("second")))
            return;
        // The long reply lets the event loop run and polls for a cancel; the cancel takes effect the moment
        // it is read, and no other request is answered inside this one.
        peer->write(";NETCANCEL;COMPLETE;COMPLETE;;SQL;second;COMPLETE;COMPLETE;");
        peer->flush();
        QTRY_VERIFY(client->NetCancel());
        QCOMPARE(m_window->dispatched.size(), 1);
        QCOMPARE(m_server->QueuedRequests(), 2);
        m_server->DispatchNext(); // a second dispatch asked for inside the first does nothing
        QCOMPARE(m_window->dispatched.size(), 1);
        cancelSeenInside = true;
    };
    peer->write(";SQL;Select * From tblCID;COMPLETE;COMPLETE;");
    QTRY_VERIFY(cancelSeenInside);
    // Then the cancel and the next request, in the order they came; the next request is not cancelled.
    QTRY_COMPARE(m_window->dispatched.size(), 3);
    QCOMPARE(m_window->dispatched[1].data, QStringLiteral(";NETCANCEL;COMPLETE;COMPLETE;"));
    QCOMPARE(m_window->dispatched[1].index, client->Index());
    QCOMPARE(m_window->dispatched[2].data, QStringLiteral(";SQL;second;COMPLETE;COMPLETE;"));
    QCOMPARE(cancelledAtStart, (QList<bool>{false, true, false}));
}

void TestServer::oversizedRequestDropsTheClient()
{
    QTcpSocket* peer = connectClient();
    QVERIFY(peer);
    QTRY_COMPARE(m_server->ClientCount(), 1);
    const QByteArray block(1024 * 1024, 'x');
    for (qsizetype sent = 0; sent <= clsClient::kMaxUnitBytes; sent += block.size())
        peer->write(block);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->ClientCount(), 0, 10000);
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 sent a request that was too large")));
    QCOMPARE(events().last(), QStringLiteral("127.0.0.1 dropped"));
    QVERIFY(m_window->dispatched.isEmpty());
}

void TestServer::clientsBeyondTheCapAreRefused()
{
    m_server->MaxClients = 3;
    for (int i = 0; i < 3; ++i)
        QVERIFY(connectClient());
    QTRY_COMPARE(m_server->ClientCount(), 3);
    m_window->lstEvents.setStringList({});
    QTcpSocket* extra = connectClient();
    QVERIFY(extra);
    QTRY_COMPARE(extra->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(m_server->ClientCount(), 3);
    QCOMPARE(events(), (QStringList{QStringLiteral("Connection Request By:  127.0.0.1"),
                                    QStringLiteral("Connection Refused By: 127.0.0.1")}));
    QCOMPARE(m_window->countText, QStringLiteral("3 Clients Connected"));

    // A place that comes free is taken again.
    m_server->DropClient(m_server->ClientAt(1)->Index());
    QVERIFY(connectClient());
    QTRY_COMPARE(m_server->ClientCount(), 3);
    QCOMPARE(events().last(), QStringLiteral("Connection Accepted By: 127.0.0.1"));
}

void TestServer::unfinishedRequestsShareOneMemoryBound()
{
    m_server->MaxBufferedBytes = 1024 * 1024;
    QTcpSocket* big = connectClient();
    QTcpSocket* small = connectClient();
    QTcpSocket* complete = connectClient();
    QVERIFY(big && small && complete);
    QTRY_COMPARE(m_server->ClientCount(), 3);
    const qint32 bigIndex = m_server->ClientAt(1)->Index();

    // Each stays below its own bound, together they pass the server's.
    big->write(";SQL;" + QByteArray(700 * 1024, 'x'));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->BufferedBytes(), qint64(700 * 1024 + 5), 10000);
    small->write(";SQL;" + QByteArray(500 * 1024, 'y'));
    // The client that holds the most is let go; the others keep their place and are served.
    QTRY_VERIFY_WITH_TIMEOUT(!m_server->Clients(bigIndex), 10000);
    QTRY_COMPARE(big->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(m_server->ClientCount(), 2);
    QVERIFY(m_server->BufferedBytes() <= m_server->MaxBufferedBytes);
    QVERIFY(events().contains(
        QStringLiteral("127.0.0.1 was disconnected: the unfinished requests of all clients need too much memory")));
    complete->write(";NETCANCEL;" + kMarker);
    QTRY_COMPARE(m_window->dispatched.size(), 1);
    small->write(kMarker);
    QTRY_COMPARE(m_window->dispatched.size(), 2);
    QCOMPARE(m_server->BufferedBytes(), qint64(0));
}

void TestServer::unfinishedRequestTimesOut()
{
    QTcpSocket* slow = connectClient();
    QTcpSocket* quiet = connectClient();
    QVERIFY(slow && quiet);
    QTRY_COMPARE(m_server->ClientCount(), 2);
    clsClient* slowClient = m_server->ClientAt(1);
    clsClient* quietClient = m_server->ClientAt(2);
    // A client with nothing begun waits for nothing.
    QVERIFY(!quietClient->RequestTimer.isActive());

    slow->write(";SQL;Select * From tblCID");
    QTRY_VERIFY(slowClient->RequestTimer.isActive());
    // Progress keeps the request alive; finishing it ends the wait.
    slow->write(" Where ID = 1");
    slow->write(kMarker);
    QTRY_COMPARE(m_window->dispatched.size(), 1);
    QVERIFY(!slowClient->RequestTimer.isActive());

    slow->write(";SQL;never finished");
    QTRY_VERIFY(slowClient->RequestTimer.isActive());
    const qint32 slowIndex = slowClient->Index();
    slowClient->RequestTimer_Timer();
    QTRY_VERIFY(!m_server->Clients(slowIndex));
    QTRY_COMPARE(slow->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(events().contains(QStringLiteral("127.0.0.1 did not finish its request and was disconnected")));
    QCOMPARE(m_server->ClientCount(), 1);
    QVERIFY(!quietClient->RequestTimer.isActive());
}

// The lowest descriptor number that is free: with the limit set to it, the process can open nothing more.
static int lowestFreeDescriptor()
{
    const int fd = ::dup(0);
    ::close(fd);
    return fd;
}

static double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void TestServer::acceptWaitsWhileDescriptorsAreShort()
{
#ifdef VELQUON_SANITIZED
    // The sanitizer's runtime opens descriptors of its own to check an object's type; with none left it
    // reports sound calls as errors.
    QSKIP("needs descriptors to spare in the sanitizer build; the normal build runs it");
#endif
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    // The client's socket is made first; its connection is completed by the system, but the server process
    // has no descriptor left to take it with.
    const int peer = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    QVERIFY(peer >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_server->LocalPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &saved) == 0);
    rlimit low = saved;
    low.rlim_cur = rlim_t(lowestFreeDescriptor());
    QVERIFY(setrlimit(RLIMIT_NOFILE, &low) == 0);
    ::connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address);

    // Waiting costs nothing: the listener does not spin on a connection it cannot take. The event loop runs
    // undisturbed for the interval, as the program's own does.
    auto runFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    runFor(100);
    const double before = cpuSeconds();
    runFor(500);
    const double spent = cpuSeconds() - before;
    QCOMPARE(m_server->ClientCount(), 0);
    QVERIFY(m_server->AcceptRetryTimer.isActive());
    setrlimit(RLIMIT_NOFILE, &saved);
    QVERIFY2(spent < 0.15, qPrintable(QString::number(spent)));
    const QString shortage =
        QStringLiteral("Connections cannot be accepted for now: the program has no file descriptor left");
    QCOMPARE(events().count(shortage), 1);

    // With descriptors back, the waiting client is taken at the next try.
    m_server->AcceptRetryTimer_Timer();
    QTRY_COMPARE(m_server->ClientCount(), 1);
    QVERIFY(!m_server->AcceptRetryTimer.isActive());
    QCOMPARE(events().last(), QStringLiteral("Connection Accepted By: 127.0.0.1"));
    ::close(peer);
    QTRY_COMPARE(m_server->ClientCount(), 0);
}

// Clients never take the last descriptors: the reserve is what the call log, the modem, files and the threads
// Qt starts later need, and a thread without a descriptor for its wake-up ends the program.
void TestServer::clientsLeaveADescriptorReserve()
{
    // The peers' sockets are made first and their connections completed by the system; then the server,
    // with few descriptors left, takes what it may.
    constexpr int Peers = 100;
    SaveProperty(Section::frmConfiguration, Key::MaxEventLog, QStringLiteral("1000"));
    std::vector<int> peers;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_server->LocalPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < Peers; ++i) {
        const int peer = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        QVERIFY(peer >= 0);
        ::connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        peers.push_back(peer);
    }
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &saved) == 0);
    rlimit low = saved;
    low.rlim_cur = rlim_t(lowestFreeDescriptor() + 80);
    QVERIFY(setrlimit(RLIMIT_NOFILE, &low) == 0);

    QTRY_COMPARE(m_server->ClientCount() + int(events().count(QStringLiteral("Connection Refused By: 127.0.0.1"))),
                 Peers);
    QVERIFY(m_server->ClientCount() > 0);
    QVERIFY(m_server->ClientCount() < Peers);
    // What is left is at least the reserve: descriptors to open files with and a thread that runs its loop.
    std::vector<int> spare;
    for (int i = 0; i < clsServer::DescriptorReserve; ++i)
        spare.push_back(::dup(0));
    const bool allOpened = std::all_of(spare.begin(), spare.end(), [](int fd) { return fd >= 0; });
    for (int fd : spare)
        if (fd >= 0)
            ::close(fd);
    QThread thread;
    QObject inThread;
    inThread.moveToThread(&thread);
    thread.start();
    bool ran = false;
    QMetaObject::invokeMethod(
        &inThread, [&] { ran = true; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    setrlimit(RLIMIT_NOFILE, &saved);
    for (int peer : peers)
        ::close(peer);
    QVERIFY(allOpened);
    QVERIFY(ran);
    QTRY_COMPARE(m_server->ClientCount(), 0);
}

void TestServer::listenerFailureIsReportedOnlyInServerMode()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::AnyIPv4, 0));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(holder.serverPort()));

    gNetworkMode = Standalone;
    clsServer quiet;
    QVERIFY(!quiet.Listen());
    QVERIFY(!quiet.isListening());
    QVERIFY(Prompt::history().isEmpty());

    gNetworkMode = Server;
    clsServer loud;
    QVERIFY(!loud.Listen());
    QCOMPARE(Prompt::texts(),
             QStringList{QStringLiteral(
                 "The local port that you have selected is in use by the \r\nmachine. Another instance of Velquon "
                 "using the \r\nsame local port may be the source of the problem. Change \r\nthe local port in "
                 "network configuration or only open one \r\ninstance of Velquon. Networking features will \r\nnot "
                 "work until this problem is resolved.")});
    QCOMPARE(loud.LocalPort(), holder.serverPort());
    // Both failures leave a trace for whoever looks into it later, the quiet one too.
    QFile diagnostics(DiagnosticLog::path());
    QVERIFY(diagnostics.open(QIODevice::ReadOnly));
    QCOMPARE(diagnostics.readAll().count("clsServer_Listen: Error #10048: "), 2);
    // A new port takes effect at once; port 0 lets the system choose one.
    const quint16 port = freePort();
    loud.setLocalPort(port);
    QVERIFY(loud.isListening());
    QCOMPARE(loud.LocalPort(), port);
    loud.setLocalPort(0);
    QVERIFY(loud.isListening());
    QVERIFY(loud.LocalPort() != 0);
    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, loud.LocalPort());
    QVERIFY(peer.waitForConnected(5000));
}

void TestServer::privilegedPortFailureGivesTheHint()
{
    // Run by root, the test gives up the privilege for the moment; either way the system refuses port 270.
    const WithoutBindPrivilege unprivileged;
    QFile lowest(QStringLiteral("/proc/sys/net/ipv4/ip_unprivileged_port_start"));
    if (lowest.open(QIODevice::ReadOnly) && lowest.readAll().trimmed().toInt() <= 270)
        QSKIP("this system lets every program listen on port 270");
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("270"));
    clsServer server;
    QVERIFY2(!server.Listen(), unprivileged.active() ? "port 270 was granted all the same"
                                                     : "port 270 was granted (no privilege to give up?)");
    QVERIFY(!server.isListening());
    QCOMPARE(Prompt::texts().size(), 1);
    QCOMPARE(Prompt::texts().first(),
             QStringLiteral("The local port 270 may only be used by a program with administrator \r\nprivileges on "
                            "this system, as every port below 1024. Change \r\nthe local port in network "
                            "configuration to 1024 or higher. \r\nNetworking features will not work until this "
                            "problem is resolved."));
    QCOMPARE(gErrNumber, kSocketAccessError);
    QCOMPARE(lastReportedTag(), QStringLiteral("clsServer_Listen"));
}

void TestServer::clientListMenu()
{
    SaveProperty(Section::frmConfiguration, Key::BlockedIPs, QStringLiteral(";127.0.0.1 R;"));
    QTcpSocket* a = connectClient();
    QTcpSocket* b = connectClient();
    QVERIFY(a && b);
    QTRY_COMPARE(m_server->ClientCount(), 2);

    // "Restrict" on a row already restricted writes nothing.
    Prompt::queueAnswer(Prompt::Yes);
    m_server->ClientOption(2, 0);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()), QStringLiteral(";127.0.0.1 R;"));

    // "Block" adds the entry beside the restriction and lets the client go after "BLOCKED".
    Prompt::queueAnswer(Prompt::Yes);
    m_server->ClientOption(1, 1);
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Do you want to block this client?"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()),
             QStringLiteral(";127.0.0.1 R;127.0.0.1 B;"));
    QCOMPARE(readUntil(b, kMarker), QByteArray("BLOCKED;COMPLETE;COMPLETE;"));
    QTRY_COMPARE(m_server->ClientCount(), 1);

    // "Drop" answered No keeps the client; Yes drops it.
    Prompt::queueAnswer(Prompt::No);
    m_server->ClientOption(0, 0);
    QCOMPARE(m_server->ClientCount(), 1);
    Prompt::queueAnswer(Prompt::Yes);
    m_server->ClientOption(0, 0);
    QCOMPARE(m_server->ClientCount(), 0);
    QTRY_COMPARE(a->state(), QAbstractSocket::UnconnectedState);
}

void TestServer::clientMenuActsOnTheClientChosen()
{
    QTcpSocket* first = connectClient();
    QTcpSocket* second = connectClient();
    QTcpSocket* third = connectClient();
    QVERIFY(first && second && third);
    QTRY_COMPARE(m_server->ClientCount(), 3);
    const qint32 secondIndex = m_server->ClientAt(2)->Index();
    const qint32 thirdIndex = m_server->ClientAt(3)->Index();
    auto leaves = [this](QTcpSocket* peer, int remaining) {
        peer->disconnectFromHost();
        QVERIFY(ModalChange::spinUntil([&] { return m_server->ClientCount() == remaining; }));
    };

    // The first client leaves while "Drop" asks about the second (rows move up): the second goes.
    Prompt::queueMeanwhile([&] { leaves(first, 2); });
    Prompt::queueAnswer(Prompt::Yes);
    m_server->ClientOption(0, 1);
    QCOMPARE(m_server->ClientCount(), 1);
    QVERIFY(!m_server->Clients(secondIndex));
    QVERIFY(m_server->Clients(thirdIndex));
    QTRY_COMPARE(second->state(), QAbstractSocket::UnconnectedState);

    // The client asked about leaves while "Block" waits and another one comes: nobody is blocked, nothing
    // is written, and the user hears which client it was.
    QTcpSocket* fourth = nullptr;
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] {
        leaves(third, 0);
        fourth = connectClient();
        QVERIFY(ModalChange::spinUntil([&] { return m_server->ClientCount() == 1; }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    m_server->ClientOption(1, 0);
    QCOMPARE(Prompt::texts(),
             (QStringList{QStringLiteral("Do you want to block this client?"),
                          QStringLiteral("The client \"127.0.0.1\" was changed or removed while this window waited; "
                                         "nothing was changed.")}));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()), QString());
    QVERIFY(fourth && !m_server->ClientAt(1)->Blocked());

    // The same for "Restrict": the newcomer at the row asked about is not restricted.
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] {
        leaves(fourth, 0);
        QVERIFY(connectClient());
        QVERIFY(ModalChange::spinUntil([&] { return m_server->ClientCount() == 1; }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    m_server->ClientOption(2, 0);
    QCOMPARE(Prompt::texts().size(), 2);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()), QString());
    QCOMPARE(m_server->ClientRows().first(), QStringLiteral("127.0.0.1"));
}

QTEST_GUILESS_MAIN(TestServer)
#include "test_server.moc"
