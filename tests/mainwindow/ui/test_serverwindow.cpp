#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/ProgressWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/MessageFramer.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlTransaction.h"
#include "support/FakeModem.h"
#include "support/LoopbackPeer.h"
#include "support/TempHome.h"
#include "support/ThreadedPeer.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

// Calls 1 .. count, one a minute from 21 March 2024 8:00 (the day the tests' clock stands at).
void storeCalls(int count)
{
    SqlTransaction tx(*gCallerDB);
    SqlStatement st = gCallerDB->prepare(QStringLiteral(
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
    const QDateTime first(QDate(2024, 3, 21), QTime(8, 0), Qt::UTC);
    for (int i = 1; i <= count; ++i) {
        st.bind(1, QStringLiteral("CALLER %1").arg(i));
        st.bind(2, QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0')));
        st.bind(3, DateText::toIso(first.addSecs(i * 60)));
        st.bind(4, qint64(1));
        st.bind(5, QStringLiteral("NO"));
        st.exec();
        st.reset();
    }
    tx.commit();
}

qint64 logRows() { return CountCallers(QStringLiteral("Select * From tblCID")); }

// The units of a byte stream, markers taken off.
QStringList unitsOf(const QByteArray& bytes)
{
    MessageFramer framer(256 * 1024 * 1024);
    QStringList units = framer.feed(bytes);
    for (QString& unit : units)
        unit.chop(MessageFramer::Marker.size());
    return units;
}

bool holdsReply(const QByteArray& bytes)
{
    const qsizetype at = bytes.indexOf(";CLEAR CALLERS;");
    return at >= 0 && bytes.indexOf(MessageFramer::Marker, at) >= 0;
}

} // namespace

// The server main window answering its clients: long replies that let the program go on working, the
// client list and its menu.
class TestServerWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void cancelCutsALongReplyShort();
    void clientLeavingDuringAnotherClientsReplyIsDroppedAtOnce();
    void callsKeepFlowingDuringALongReply();
    void clientEditsAndDeletionsReachTheCallList();
    void clientListMenu();
    void progressWindowsAboveTheirThresholds();

private:
    static frmBaseMain* window() { return StandaloneSession::window(); }
    static CallerIDGrid* grid() { return StandaloneSession::grid(); }
    static QListWidget* clients() { return ui::findByName<QListWidget>(window(), QStringLiteral("lstClients")); }
    LoopbackPeer& peer();

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<FakeModem> m_modem;
    std::vector<std::unique_ptr<LoopbackPeer>> m_peers;
};

void TestServerWindow::init()
{
    m_home = std::make_unique<TempHome>();
    m_modem = std::make_unique<FakeModem>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    QVERIFY(Main());
    QVERIFY(window());
    StandaloneSession::port()->PortOpenTimer.stop();
    QVERIFY(gServer && gServer->isListening());
    Prompt::resetScript();
}

void TestServerWindow::cleanup()
{
    m_peers.clear();
    if (gMainForm)
        ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && w->windowType() != Qt::Desktop)
            delete w;
    m_modem.reset();
    m_home.reset();
}

LoopbackPeer& TestServerWindow::peer()
{
    m_peers.push_back(std::make_unique<LoopbackPeer>(gServer->LocalPort()));
    const int count = int(m_peers.size());
    [&] { QTRY_COMPARE(gServer->ClientCount(), count); }();
    return *m_peers.back();
}

void TestServerWindow::cancelCutsALongReplyShort()
{
    storeCalls(2000);
    // A client on its own thread, as on another machine: it asks for 2,000 rows and cancels as soon as the
    // reply's size has come, while the rows are being gathered.
    std::atomic<bool> cancelSent{false};
    ThreadedPeer client(gServer->LocalPort(), [&cancelSent](ThreadedPeer& p) {
        p.write(";SQL;Select * From tblCID Order By ID;COMPLETE;COMPLETE;");
        p.readUntil(
            [](const QByteArray& bytes) {
                const qsizetype at = bytes.indexOf(";SIZE;");
                return at >= 0 && bytes.indexOf(MessageFramer::Marker, at) >= 0;
            },
            60000);
        p.write(";NETCANCEL;COMPLETE;COMPLETE;");
        cancelSent = true;
        p.readUntil(holdsReply, 60000);
    });
    QVERIFY(client.connected());
    // The progress window shows who the rows go to while they are gathered. Its first step waits there until
    // the cancel is on its way: whether a core was free for the client meanwhile decides nothing (a server
    // that went on alone stepped through all 2,000 rows first on one busy core).
    QString caption;
    connect(gServer.get(), &clsServer::dataSent, this, [&](const QString& text) {
        if (text.startsWith(QStringLiteral(";SIZE;")))
            QTimer::singleShot(0, this, [&] {
                if (QWidget* progress = FindForm(QStringLiteral("frmProcessing")))
                    caption = progress->windowTitle();
                QVERIFY(QTest::qWaitFor([&] { return cancelSent.load(); }, 60000));
            });
    });
    client.run();
    QTRY_VERIFY_WITH_TIMEOUT(client.done(), 60000);
    const QStringList units = unitsOf(client.received());
    QCOMPARE(units.size(), 2);
    QCOMPARE(units[0], QStringLiteral(";SIZE;2000;"));
    // The rows gathered before the cancel (maybe none) still go out, from the first on.
    QVERIFY(units[1].startsWith(QStringLiteral(";CLEAR CALLERS;")));
    QVERIFY(units[1] == QStringLiteral(";CLEAR CALLERS;") ||
            units[1].startsWith(QStringLiteral(";CLEAR CALLERS;;CALLER;|1|CALLER 1|")));
    const int rows = int(units[1].count(QStringLiteral(";CALLER;")));
    QVERIFY2(rows < 2000, qPrintable(QString::number(rows)));
    QCOMPARE(caption, QStringLiteral("Sending Data To 127.0.0.1"));
    // The client's next request is answered in full.
    LoopbackPeer& next = peer();
    next.send(";SQL;Select * From tblCID Where ID <= 120");
    const QStringList reply = next.take(2, 30000);
    QCOMPARE(reply.value(0), QStringLiteral(";SIZE;120;"));
    QCOMPARE(reply.value(1).count(QStringLiteral(";CALLER;")), 120);
}

void TestServerWindow::clientLeavingDuringAnotherClientsReplyIsDroppedAtOnce()
{
    storeCalls(2000);
    for (int i = 0; i < 30; ++i)
        peer();
    QCOMPARE(StandaloneSession::panel(3)->text(), QStringLiteral("30 Clients Connected"));
    // Client 2 goes while client 5's reply is being gathered (the reply lets the event loop run).
    int clientsWhenReplied = 0;
    connect(gServer.get(), &clsServer::dataSent, this, [&](const QString& text) {
        if (text.startsWith(QStringLiteral(";SIZE;")))
            QTimer::singleShot(0, this, [&] { m_peers[1]->socket.abort(); });
        if (text.startsWith(QStringLiteral(";CLEAR CALLERS;")))
            clientsWhenReplied = gServer->ClientCount();
    });
    m_peers[4]->send(";SQL;Select * From tblCID");
    const QStringList reply = m_peers[4]->take(2, 60000);
    QCOMPARE(reply.value(0), QStringLiteral(";SIZE;2000;"));
    QCOMPARE(reply.value(1).count(QStringLiteral(";CALLER;")), 2000);
    QCOMPARE(clientsWhenReplied, 29);
    for (int i = 0; i < 30; ++i) {
        if (i != 4 && i != 1)
            QCOMPARE(m_peers[i]->all(10), QStringList());
    }
    QCOMPARE(clients()->count(), 29);
    QCOMPARE(StandaloneSession::panel(3)->text(), QStringLiteral("29 Clients Connected"));
}

void TestServerWindow::callsKeepFlowingDuringALongReply()
{
    storeCalls(2000);
    StandaloneSession::port()->OpenPort(true);
    QVERIFY(StandaloneSession::port()->ModemConnected);
    LoopbackPeer& asking = peer();
    LoopbackPeer& watching = peer();
    // A call rings while the reply is being gathered.
    connect(gServer.get(), &clsServer::dataSent, this, [&](const QString& text) {
        if (text.startsWith(QStringLiteral(";SIZE;")))
            QTimer::singleShot(0, this, [&] {
                m_modem->injectLine(QStringLiteral("RING"));
                m_modem->injectLine(QStringLiteral("NMBR = 5559876543"));
            });
    });
    asking.send(";SQL;Select * From tblCID");
    QStringList got = asking.take(5, 60000);
    QCOMPARE(got.size(), 5);
    QCOMPARE(got[0], QStringLiteral(";SIZE;2000;"));
    // The call's messages came while the rows were being gathered, before the reply itself.
    QCOMPARE(got[1], QStringLiteral(";NEW;"));
    QVERIFY(got[2].startsWith(QStringLiteral(";INCOMING CALLER;|2001|NOT RECEIVED|")));
    QCOMPARE(got[3], QStringLiteral(";RING;"));
    QVERIFY2(got[4].startsWith(QStringLiteral(";INCOMING CALLER;|2001|NOT RECEIVED|NUMBER|(555) 987-6543|")),
             qPrintable(got[4].left(80)));
    const QString reply = asking.next(60000);
    QVERIFY(reply.startsWith(QStringLiteral(";CLEAR CALLERS;")));
    QCOMPARE(reply.count(QStringLiteral(";CALLER;")), 2000);
    QCOMPARE(watching.take(4), got.mid(1, 4));
    // The call is in the log and the call list.
    QCOMPARE(logRows(), 2001);
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColNumber), QStringLiteral("(555) 987-6543"));
}

void TestServerWindow::clientEditsAndDeletionsReachTheCallList()
{
    storeCalls(5);
    frmBaseMain* w = window();
    w->RefreshGrid();
    LoopbackPeer& editor = peer();
    LoopbackPeer& other = peer();
    auto rowOf = [w](const QString& id) {
        for (int row = 1; row < grid()->Rows(); ++row)
            if (grid()->TextMatrix(row, CallListModel::ColID) == id)
                return row;
        return 0;
    };
    QVERIFY(rowOf(QStringLiteral("3")) > 0);
    // An edit is stored, shown in the list and sent to every client; no question is asked.
    editor.send(";EDIT CALLER;0;JANE DOE;3");
    const QString edited =
        QStringLiteral(";EDIT CALLER;|3|JANE DOE|NUMBER|555-0003|NONE|3/21/2024 8:03:00 AM|1|||NO|;");
    QCOMPARE(editor.next(), edited);
    QCOMPARE(other.next(), edited);
    QCOMPARE(grid()->TextMatrix(rowOf(QStringLiteral("3")), CallListModel::ColName), QStringLiteral("JANE DOE"));
    QVERIFY(Prompt::history().isEmpty());
    // A deletion removes the calls' rows.
    editor.send(";DELETE SQL;|2|4|");
    QCOMPARE(editor.next(), QStringLiteral(";DELETE OK;"));
    QCOMPARE(other.take(2), (QStringList{QStringLiteral(";DELETE OK;"), QStringLiteral(";UPDATE NEEDED;")}));
    QCOMPARE(rowOf(QStringLiteral("2")), 0);
    QCOMPARE(rowOf(QStringLiteral("4")), 0);
    QCOMPARE(grid()->Rows(), 4);
    QCOMPARE(logRows(), 3);
}

void TestServerWindow::clientListMenu()
{
    frmBaseMain* w = window();
    LoopbackPeer& first = peer();
    LoopbackPeer& second = peer();
    (void)first;
    QListWidget* list = clients();
    QCOMPARE(list->count(), 5);
    // The list folds out over panel 3 on a double click there, and folds away on its own double click.
    QTest::mouseDClick(StandaloneSession::panel(3), Qt::LeftButton);
    QVERIFY(list->isVisible());
    QMenu* menu = ui::findByName<QMenu>(w, QStringLiteral("mnuClientOptions"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Client Options"));
    QCOMPARE(ui::findByName<QAction>(w, QStringLiteral("mnuClientOption(0)"))->text(), QStringLiteral("Drop"));
    QCOMPARE(ui::findByName<QAction>(w, QStringLiteral("mnuClientOption(1)"))->text(), QStringLiteral("Block"));
    QCOMPARE(ui::findByName<QAction>(w, QStringLiteral("mnuClientOption(2)"))->text(), QStringLiteral("Restrict"));

    // A right click on a client's row selects it and, once the mouse is up, opens the menu.
    QTimer* mouseUp = ui::findByName<QTimer>(w, QStringLiteral("ListMouseUpTimer"));
    auto rightClick = [&](int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
        QVERIFY(mouseUp->isActive());
        w->ListMouseUpTimer_Timer();
        QVERIFY(!mouseUp->isActive());
    };
    rightClick(1);
    QCOMPARE(list->currentRow(), 1);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    // On a blank row there is no menu.
    rightClick(3);
    QVERIFY(!menu->isVisible());

    // "Restrict": asked first, then the access list and the row say so; the client is not told.
    rightClick(1);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuClientOption(2)");
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Do you want to restrict this client?"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()), QStringLiteral(";127.0.0.1 R;"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("127.0.0.1 R"));
    QCOMPARE(second.all(50), QStringList());
    // Its change requests are refused from now on.
    second.send(";DELETE SQL;|1|");
    QCOMPARE(second.next(), QStringLiteral("RESTRICTED"));

    // "Block": the client is sent "BLOCKED" and let go.
    rightClick(1);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuClientOption(1)");
    QCOMPARE(second.next(), QStringLiteral("BLOCKED"));
    QTRY_COMPARE(gServer->ClientCount(), 1);
    QTRY_COMPARE(StandaloneSession::panel(3)->text(), QStringLiteral("1 Clients Connected"));

    // "Drop", answered No, keeps the client; Yes drops it.
    rightClick(0);
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, "mnuClientOption(0)");
    QCOMPARE(gServer->ClientCount(), 1);
    rightClick(0);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuClientOption(0)");
    QCOMPARE(gServer->ClientCount(), 0);
    QCOMPARE(list->item(0)->text(), QString());

    QTest::mouseDClick(list->viewport(), Qt::LeftButton);
    QVERIFY(!list->isVisible());
}

void TestServerWindow::progressWindowsAboveTheirThresholds()
{
    storeCalls(200);
    // Every progress window made, by the caption it was shown with.
    QStringList shown;
    const auto make = programLinks().createProgressWindow;
    programLinks().createProgressWindow = [&] {
        ProgressWindow* window = make();
        QTimer::singleShot(0, this, [&, object = QPointer<QObject>(window->object())] {
            if (object)
                shown << qobject_cast<QWidget*>(object.data())->windowTitle();
        });
        return window;
    };
    LoopbackPeer& p = peer();
    auto ids = [](int from, int to) {
        QByteArray list = "|";
        for (int i = from; i <= to; ++i)
            list += QByteArray::number(i) + '|';
        return list;
    };
    struct Case {
        QByteArray request;
        int replies;
        QStringList windows;
    };
    const QString to = QStringLiteral("Sending Data To 127.0.0.1");
    const QList<Case> cases = {
        {";SQL;Select * From tblCID Where ID <= 50", 2, {}},
        {";SQL;Select * From tblCID Where ID <= 51", 2, {to}},
        {";MINI DISPLAY;30;", 1, {}},
        {";MINI DISPLAY;31;", 1, {to}},
        // The deletion counts the index of its last ID: 51 IDs stay below, 52 go over.
        {";DELETE SQL;" + ids(1, 51), 1, {}},
        {";DELETE SQL;" + ids(52, 103), 1, {QStringLiteral("Processing Request From 127.0.0.1")}},
    };
    for (const Case& c : cases) {
        shown.clear();
        p.send(c.request);
        QCOMPARE(p.take(c.replies, 30000).size(), c.replies);
        QCoreApplication::processEvents();
        QCOMPARE(shown, c.windows);
    }
    programLinks().createProgressWindow = make;
}

QTEST_MAIN(TestServerWindow)
#include "test_serverwindow.moc"
