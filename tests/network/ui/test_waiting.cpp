#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

// The client's waiting notes: shown while a request to the server is pending, closed by the kind of request.
class TestWaiting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            delete w;
    }
    void notesByTag();
};

void TestWaiting::notesByTag()
{
    TempHome home;
    // Not connected: no note.
    QVERIFY(!ShowWaiting(QStringLiteral("SQL"), nullptr));

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.serverPort()));
    install(gRemoteSocket);
    QTRY_COMPARE(gRemoteSocket->State(), SocketState::Connected);
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket* peer = server.nextPendingConnection();

    QList<bool> waitingFlag;
    windowLinks().setStatisticsWaiting = [&](bool on) { waitingFlag << on; };

    QWidget* sql = ShowWaiting(QStringLiteral("SQL"), nullptr);
    QVERIFY(sql);
    QVERIFY(sql->isVisible());
    QCOMPARE(Tag(sql), QStringLiteral("SQL"));
    QCOMPARE(sql->windowTitle(), QStringLiteral("Waiting..."));
    QCOMPARE(sql->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Waiting for the server to process request."));
    QWidget* stats = ShowWaiting(QStringLiteral("STATS"), nullptr);
    QWidget* graph = ShowWaiting(QStringLiteral("GRAPH"), nullptr);
    QVERIFY(stats && graph && stats != graph);
    QCOMPARE(waitingFlag, (QList<bool>{true, true}));
    QCOMPARE(FindForms(QStringLiteral("frmWaiting")).size(), 3);

    // Stop asks the server to cancel; the note stays.
    QTest::mouseClick(stats->findChild<QPushButton*>(QStringLiteral("cmdStop")), Qt::LeftButton);
    QByteArray received;
    QTRY_VERIFY((received += peer->readAll()).contains(";NETCANCEL;"));
    QVERIFY(stats->isVisible());

    // Closing by tag ignores case; the GRAPH note still holds the statistics window.
    UnloadWaitingForms(QStringLiteral("stats"));
    QCOMPARE(FindForms(QStringLiteral("frmWaiting")).size(), 2);
    QCOMPARE(waitingFlag.size(), 2);
    UnloadWaitingForms(QStringLiteral("GRAPH"));
    QCOMPARE(waitingFlag.last(), false);
    UnloadWaitingForms(QStringLiteral("ALL"));
    QVERIFY(FindForms(QStringLiteral("frmWaiting")).isEmpty());

    // An open dialog keeps notes away.
    auto dialog = std::make_unique<QWidget>();
    dialog->setObjectName(QStringLiteral("frmConfiguration"));
    dialog->show();
    QVERIFY(!ShowWaiting(QStringLiteral("SQL"), nullptr));
    dialog->hide();
    QVERIFY(ShowWaiting(QStringLiteral("SQL"), nullptr));

    // The connection drops: no more notes.
    peer->abort();
    QTRY_VERIFY(gRemoteSocket->State() != SocketState::Connected);
    QVERIFY(!ShowWaiting(QStringLiteral("SQL"), nullptr));
}

QTEST_MAIN(TestWaiting)
#include "test_waiting.moc"
