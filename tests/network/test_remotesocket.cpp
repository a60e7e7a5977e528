#include "network/clsRemoteSocket.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <functional>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "platform/Prompt.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

// The client's main window as the socket sees it: the connection state and the dispatcher.
class ClientWindow : public MainWindow {
public:
    int refreshes = 0;
    QStringList dispatched;
    // Set: the first dispatch lets the event loop run until this is called back, as a long dispatch does.
    std::function<void()> duringFirst;
    int depth = 0;
    int deepest = 0;
    void RefreshOnline() override { ++refreshes; }
    void ProcessRemoteNetworkData(const QString& data) override
    {
        ++depth;
        deepest = std::max(deepest, depth);
        dispatched << data;
        if (dispatched.size() == 1 && duringFirst)
            duringFirst();
        --depth;
    }
};

class TestRemoteSocket : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void connectsAndSendsTheBurst();
    void dispatchesOnlyCompletedSends();
    void dropsSendsWhileNotConnected();
    void serverClosingIsNoticed();
    void aNewConnectionStartsWithAnEmptyBuffer();
    void unitsAreDispatchedOneAtATime();
    void addressesAndPorts();
    void boundOnlyWhenALocalPortIsSet();
    void anUnreachableServerLeavesItOfflineQuietly();

private:
    QTcpSocket* acceptClient();
    QByteArray readUntil(QTcpSocket* peer, const QByteArray& end);

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ClientWindow> m_windowHolder;
    QTcpServer m_server;
};

void TestRemoteSocket::init()
{
    m_home = std::make_unique<TempHome>();
    QVERIFY(m_server.listen(QHostAddress::LocalHost));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(m_server.serverPort()));
    m_windowHolder = std::make_unique<ClientWindow>();
    m_windowHolder->strSQL = QStringLiteral("Select * From tblCID");
    gMainForm = m_windowHolder.get();
}

void TestRemoteSocket::cleanup()
{
    // The socket goes with the home, before the window it reports to.
    m_home.reset();
    m_windowHolder.reset();
    m_server.close();
}

QTcpSocket* TestRemoteSocket::acceptClient()
{
    if (!m_server.hasPendingConnections() && !m_server.waitForNewConnection(5000))
        return nullptr;
    return m_server.nextPendingConnection();
}

QByteArray TestRemoteSocket::readUntil(QTcpSocket* peer, const QByteArray& end)
{
    QByteArray data;
    // What has come by the deadline is the answer, whole or not.
    (void)QTest::qWaitFor(
        [&] {
            data += peer->readAll();
            return data.endsWith(end);
        },
        5000);
    return data;
}

void TestRemoteSocket::connectsAndSendsTheBurst()
{
    install(gRemoteSocket);
    QCOMPARE(gRemoteSocket->RemotePort(), m_server.serverPort());
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QTRY_COMPARE(gRemoteSocket->State(), SocketState::Connected);
    QVERIFY(gRemoteSocket->Connected());
    QVERIFY(m_windowHolder->refreshes >= 1);
    QCOMPARE(readUntil(peer, ";COMPLETE;COMPLETE;"),
             QByteArray(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID;COMPLETE;COMPLETE;"));
    gRemoteSocket->SendData(QStringLiteral(";SQL;Select * From tblCID Where fldName Like 'Zoë*'"));
    QCOMPARE(QString::fromUtf8(readUntil(peer, ";COMPLETE;COMPLETE;")),
             QStringLiteral(";SQL;Select * From tblCID Where fldName Like 'Zoë*';COMPLETE;COMPLETE;"));
}

void TestRemoteSocket::dispatchesOnlyCompletedSends()
{
    install(gRemoteSocket);
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QTRY_COMPARE(gRemoteSocket->State(), SocketState::Connected);
    // The marker split across two writes: nothing is dispatched until it is whole. The client has read the
    // first part before the second is sent.
    QSignalSpy reads(gRemoteSocket->findChild<QTcpSocket*>(), &QIODevice::readyRead);
    peer->write(";RING;2;COMPL");
    peer->flush();
    QTRY_VERIFY(!reads.isEmpty());
    QVERIFY(m_windowHolder->dispatched.isEmpty());
    peer->write("ETE;COMPLETE;");
    peer->flush();
    QTRY_COMPARE(m_windowHolder->dispatched.size(), 1);
    QCOMPARE(m_windowHolder->dispatched.first(), QStringLiteral(";RING;2;COMPLETE;COMPLETE;"));
    // A send whose marker is followed in the same read by the start of the next one is not held back.
    peer->write(";NEW;COMPLETE;COMPLETE;;INCOMING CALLER;|1|Zo\xc3\xab");
    peer->flush();
    QTRY_COMPARE(m_windowHolder->dispatched.size(), 2);
    QCOMPARE(m_windowHolder->dispatched.last(), QStringLiteral(";NEW;COMPLETE;COMPLETE;"));
    peer->write("|;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_windowHolder->dispatched.size(), 3);
    QCOMPARE(m_windowHolder->dispatched.last(), QStringLiteral(";INCOMING CALLER;|1|Zoë|;COMPLETE;COMPLETE;"));
}

void TestRemoteSocket::dropsSendsWhileNotConnected()
{
    m_server.close();
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QString());
    install(gRemoteSocket);
    QCOMPARE(gRemoteSocket->State(), SocketState::Closed);
    gRemoteSocket->SendData(QStringLiteral(";SQL;x")); // dropped, no error
    QVERIFY(!gRemoteSocket->Connected());
}

void TestRemoteSocket::serverClosingIsNoticed()
{
    install(gRemoteSocket);
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QTRY_VERIFY(gRemoteSocket->Connected());
    const int before = m_windowHolder->refreshes;
    peer->close();
    QTRY_VERIFY(!gRemoteSocket->Connected());
    QVERIFY(m_windowHolder->refreshes > before);
}

void TestRemoteSocket::aNewConnectionStartsWithAnEmptyBuffer()
{
    install(gRemoteSocket);
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QTRY_VERIFY(gRemoteSocket->Connected());
    // Half a send, then the server goes.
    peer->write(";CLEAR CALLERS;;CALLER;|5|HA");
    peer->flush();
    peer->close();
    QTRY_VERIFY(!gRemoteSocket->Connected());
    gRemoteSocket->setConnected(true);
    peer = acceptClient();
    QVERIFY(peer);
    QTRY_VERIFY(gRemoteSocket->Connected());
    peer->write(";SIZE;0;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_windowHolder->dispatched.size(), 1);
    // Nothing of the old connection in front of the new one's first unit.
    QCOMPARE(m_windowHolder->dispatched.first(), QStringLiteral(";SIZE;0;COMPLETE;COMPLETE;"));
}

void TestRemoteSocket::unitsAreDispatchedOneAtATime()
{
    install(gRemoteSocket);
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QTRY_VERIFY(gRemoteSocket->Connected());
    // The first unit's dispatch lets the event loop run while the second arrives: the second waits for it.
    m_windowHolder->duringFirst = [&] {
        peer->write(";RING;COMPLETE;COMPLETE;");
        peer->flush();
        QTRY_COMPARE(gRemoteSocket->pendingUnits(), 1);
    };
    peer->write(";NEW;COMPLETE;COMPLETE;");
    QTRY_COMPARE(m_windowHolder->dispatched.size(), 2);
    QCOMPARE(m_windowHolder->deepest, 1);
    QCOMPARE(m_windowHolder->dispatched.last(), QStringLiteral(";RING;COMPLETE;COMPLETE;"));
}

void TestRemoteSocket::addressesAndPorts()
{
    install(gRemoteSocket);
    QCOMPARE(gRemoteSocket->RemoteHostIP(), QString()); // not connected yet
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QTRY_VERIFY(gRemoteSocket->Connected());
    QCOMPARE(gRemoteSocket->RemoteHost(), QStringLiteral("127.0.0.1"));
    QCOMPARE(gRemoteSocket->RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(gRemoteSocket->LocalPort(), peer->peerPort());
    // A new host and port take effect at the next connect.
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost));
    gRemoteSocket->setRemotePort(other.serverPort());
    QCOMPARE(gRemoteSocket->State(), SocketState::Connected);
    gRemoteSocket->setConnected(false);
    gRemoteSocket->setConnected(true);
    QVERIFY(other.waitForNewConnection(5000));
    QTRY_VERIFY(gRemoteSocket->Connected());
    QCOMPARE(gRemoteSocket->RemotePort(), other.serverPort());
}

void TestRemoteSocket::boundOnlyWhenALocalPortIsSet()
{
    // A local port of its own when one is set ...
    quint16 own = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        own = probe.serverPort();
    }
    SaveProperty(Section::frmConfiguration, Key::RemoteLocalPort, QString::number(own));
    install(gRemoteSocket);
    QTcpSocket* peer = acceptClient();
    QVERIFY(peer);
    QCOMPARE(peer->peerPort(), own);
    QCOMPARE(gRemoteSocket->ConfiguredLocalPort(), own);
    gRemoteSocket.reset();

    // ... and one the system picks with "0".
    SaveProperty(Section::frmConfiguration, Key::RemoteLocalPort, QStringLiteral("0"));
    install(gRemoteSocket);
    peer = acceptClient();
    QVERIFY(peer);
    QVERIFY(peer->peerPort() != 0 && peer->peerPort() != own);
    gRemoteSocket.reset();

    // A local port that is taken: the user is told once, as the server tells of its own port.
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::AnyIPv4));
    SaveProperty(Section::frmConfiguration, Key::RemoteLocalPort, QString::number(taken.serverPort()));
    Prompt::resetScript();
    install(gRemoteSocket);
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::history().first().text.startsWith(
        QStringLiteral("The local port that you have selected is in use by the ")));
    QCOMPARE(gErrNumber, kAddressInUseError);
}

void TestRemoteSocket::anUnreachableServerLeavesItOfflineQuietly()
{
    const quint16 closed = m_server.serverPort();
    m_server.close();
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(closed));
    Prompt::resetScript();
    install(gRemoteSocket);
    QTRY_COMPARE(gRemoteSocket->State(), SocketState::Closed);
    QVERIFY(!gRemoteSocket->Connected());
    QCOMPARE(m_windowHolder->refreshes, 0);
    QVERIFY(Prompt::history().isEmpty());
}

QTEST_GUILESS_MAIN(TestRemoteSocket)
#include "test_remotesocket.moc"
