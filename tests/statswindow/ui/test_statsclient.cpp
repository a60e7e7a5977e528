#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsCustomization.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

// The statistics window of a client: it asks its server and fills itself from the replies, frozen meanwhile.

namespace {

const QByteArray kMarker = ";COMPLETE;COMPLETE;";

// The client main window's dispatcher as far as statistics go: it hands the two replies to the window.
class ClientWindow : public MainWindow {
public:
    void ProcessRemoteNetworkData(const QString& data) override
    {
        const QStringList tokens = data.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            if (tokens[i] == QLatin1String("STATISTIC") && windowLinks().statisticReply)
                windowLinks().statisticReply(tokens.value(++i));
            else if (tokens[i] == QLatin1String("GRAPH") && windowLinks().graphReply)
                windowLinks().graphReply(tokens.value(++i));
        }
    }
};

int waitingNotes(const QString& tag)
{
    int n = 0;
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting")))
        n += Tag(w) == tag ? 1 : 0;
    return n;
}

} // namespace

class TestStatsClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void theWindowStaysFrozenUntilBothRepliesAreIn();
    void aCancelledGraphIsEmpty();
    void conditionsThatCannotTravelAreNotSent();
    void closingWhileWaitingAsksTheServerToStop();
    void repliesWhileTheCustomizeDialogAsks();

private:
    // What the server received since the last call, waiting until it holds text.
    QByteArray received(const QByteArray& text);
    void reply(const QByteArray& message) { m_peer->write(message + kMarker); }
    frmStatistics* openWindow();

    std::unique_ptr<TempHome> m_home;
    ClientWindow m_window;
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
    QByteArray m_in;
};

void TestStatsClient::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-06-15 12:00:00")));
    gNetworkMode = Client;
    gMainForm = &m_window;
    CreateDefaultStatistics();
    QVERIFY(m_server.listen(QHostAddress::LocalHost, 0));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(m_server.serverPort()));
    install(gRemoteSocket);
    QVERIFY(QTest::qWaitFor([this] { return m_server.hasPendingConnections(); }, 5000));
    m_peer = m_server.nextPendingConnection();
    connect(m_peer, &QTcpSocket::readyRead, this, [this] { m_in += m_peer->readAll(); });
    QVERIFY(QTest::qWaitFor([] { return gRemoteSocket->State() == SocketState::Connected; }, 5000));
    received(";SQL;"); // the connect burst
}

void TestStatsClient::cleanup()
{
    if (frmStatistics* w = frmStatistics::instance(false))
        delete w;
    UnloadWaitingForms(QStringLiteral("ALL"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    gRemoteSocket.reset();
    delete m_peer;
    m_peer = nullptr;
    m_server.close();
    m_in.clear();
    gMainForm = nullptr;
    m_home.reset();
}

QByteArray TestStatsClient::received(const QByteArray& text)
{
    if (!QTest::qWaitFor([&] { return m_in.contains(text); }, 5000))
        return {};
    const QByteArray all = m_in;
    m_in.clear();
    return all;
}

frmStatistics* TestStatsClient::openWindow()
{
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(nullptr);
    QCoreApplication::processEvents();
    return w;
}

void TestStatsClient::theWindowStaysFrozenUntilBothRepliesAreIn()
{
    frmStatistics* w = openWindow();
    // The saved view (none) asks for a graph of no group; the default view then asks for the grid; its graph
    // waits for the first graph's answer.
    const QByteArray asked = received(";STATISTIC;");
    QVERIFY(asked.contains(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|12:00:00 AM|ENDDATE|6/15/2024 "
                           "12:00:00 PM|;"));
    QVERIFY(asked.contains(";STATISTIC;|TIMEPERIOD||GROUP||GROUP|(fldName Like '*NOT RECEIVED*' or fldNumber Like "
                           "'*NOT RECEIVED*')|"));
    QVERIFY(asked.contains("||STAT||NONE|STAT|fldAnswered Like 'YES'|NONE|STAT|"));
    QCOMPARE(asked.count(";GRAPH;"), 1);
    QCOMPARE(waitingNotes(QStringLiteral("STATS")), 1);
    QCOMPARE(waitingNotes(QStringLiteral("GRAPH")), 1);
    QVERIFY(w->blnWaiting);
    QVERIFY(!action(w, "mnuEditSavedSettings")->isEnabled());

    // The grid's reply: its cells, column by column; a graph is still awaited, so the window stays frozen.
    QStringList cells;
    for (int c = 0; c < 11 * 4; ++c)
        cells << QString::number(c);
    reply(";STATISTIC;" + EncodeStatisticReply(cells).toUtf8() + ";");
    QVERIFY(QTest::qWaitFor([] { return waitingNotes(QStringLiteral("STATS")) == 0; }, 5000));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("0"));
    QCOMPARE(gridOf(w)->TextMatrix(4, 1), QStringLiteral("3"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 2), QStringLiteral("4"));
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->count(), 11);
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->currentText(), QStringLiteral("Total Calls"));
    QVERIFY(w->blnWaiting);
    QVERIFY(!action(w, "mnuEditSavedSettings")->isEnabled());
    QVERIFY(!action(w, "mnuGraphRefresh")->isEnabled());

    // The first graph's reply brings the waiting one out; the window stays frozen for it.
    reply(";GRAPH;|LINE|6/1/2024||LINE|6/2/2024|;");
    const QByteArray second = received(";GRAPH;");
    QVERIFY(second.contains("|ENDDATE|6/15/2024 12:00:00 PM|GROUP|All Callers|;"));
    QVERIFY(w->blnWaiting);
    QVERIFY(!action(w, "mnuTimePeriod")->isEnabled());
    // Its reply releases the window.
    reply(";GRAPH;|LINE|6/1/2024|3||LINE|6/2/2024|5|;");
    QVERIFY(QTest::qWaitFor([w] { return !w->blnWaiting; }, 5000));
    QCOMPARE(waitingNotes(QStringLiteral("GRAPH")), 0);
    QVERIFY(action(w, "mnuEditSavedSettings")->isEnabled());
    QVERIFY(action(w, "mnuTimePeriod")->isEnabled());
    const Graphed g = graphed(w);
    QCOMPARE(g.series, QStringList({"All Callers"}));
    QCOMPARE(g.labels, QStringList({"6/1/2024", "6/2/2024"}));
    QCOMPARE(g.values, QList<QList<double>>({{3}, {5}}));

    // A reply cut short by a cancel fills the columns it reaches, and the cells it does not reach say they were
    // stopped; the chart lists those columns.
    TRIGGER(w, "mnuTime(3)");
    const QByteArray week = received(";GRAPH;");
    QVERIFY(week.contains(";STATISTIC;|TIMEPERIOD|and fldDate > #6/8/2024 12:00:00 PM#|GROUP|"));
    QVERIFY(week.contains("|STARTDATE|6/8/2024 12:00:00 PM|"));
    reply(";STATISTIC;|1||2||3||4||5||6|;");
    QVERIFY(QTest::qWaitFor([] { return waitingNotes(QStringLiteral("STATS")) == 0; }, 5000));
    QCOMPARE(gridOf(w)->TextMatrix(2, 2), QStringLiteral("6"));
    QCOMPARE(gridOf(w)->TextMatrix(3, 2), QStringLiteral("Stopped"));
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->count(), 2);
}

void TestStatsClient::aCancelledGraphIsEmpty()
{
    frmStatistics* w = openWindow();
    received(";STATISTIC;");
    reply(";STATISTIC;|1|;");
    reply(";GRAPH;PARTIAL;");
    received(";GRAPH;");
    reply(";GRAPH;PARTIAL;");
    QVERIFY(QTest::qWaitFor([w] { return !w->blnWaiting; }, 5000));
    QCOMPARE(graphed(w).labels, QStringList());
    QVERIFY(action(w, "mnuGraphRefresh")->isEnabled());
}

void TestStatsClient::conditionsThatCannotTravelAreNotSent()
{
    auto piped = std::make_shared<clsStatistic>();
    piped->Description = QStringLiteral("Piped");
    piped->Statistic = QStringLiteral("fldName = 'a|b'");
    piped->Style = QStringLiteral("NONE");
    gStatistics->add(piped->Description, piped);
    frmStatistics* w = openWindow();
    received(";STATISTIC;");
    reply(";STATISTIC;|0|;");
    reply(";GRAPH;PARTIAL;");
    received(";GRAPH;");
    reply(";GRAPH;PARTIAL;");
    QVERIFY(QTest::qWaitFor([w] { return !w->blnWaiting; }, 5000));

    gCurrentStatistics = std::make_unique<StatisticCollection>();
    gCurrentStatistics->add(QStringLiteral("Total Calls"), gStatistics->item(QStringLiteral("Total Calls")));
    gCurrentStatistics->add(piped->Description, piped);
    gCurrentGroups = std::make_unique<GroupCollection>();
    gCurrentGroups->add(QStringLiteral("All Callers"), gGroups->item(QStringLiteral("All Callers")));
    w->GenerateStatistics();
    const QByteArray asked = received(";STATISTIC;");
    QVERIFY(asked.contains(";STATISTIC;|TIMEPERIOD||GROUP|||STAT||NONE|;"));
    QVERIFY(!asked.contains("a|b"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 2), QStringLiteral("Bad SQL"));
    reply(";STATISTIC;|12|;");
    QVERIFY(QTest::qWaitFor([w] { return gridOf(w)->TextMatrix(1, 1) == QLatin1String("12"); }, 5000));
    QCOMPARE(gridOf(w)->TextMatrix(1, 2), QStringLiteral("Bad SQL"));
    QCOMPARE(m_window.lstEvents.stringList().last(),
             QStringLiteral("A statistic or group whose condition holds \"|\" or \";\" cannot be sent to the server."));
}

void TestStatsClient::closingWhileWaitingAsksTheServerToStop()
{
    frmStatistics* w = openWindow();
    received(";STATISTIC;");
    QVERIFY(w->blnWaiting);
    w->close();
    QVERIFY(!w->blnWaiting);
    QVERIFY(!received(";NETCANCEL;").isEmpty());
}

void TestStatsClient::repliesWhileTheCustomizeDialogAsks()
{
    QVERIFY(StatsCustomization::AddStatistic(QStringLiteral("Long Rings"), QStringLiteral("fldRings > 8"),
                                             QStringLiteral("NONE")));
    QVERIFY(StatsCustomization::AddStatistic(QStringLiteral("Late Calls"), QStringLiteral("fldRings > 1"),
                                             QStringLiteral("NONE")));
    frmStatistics* w = openWindow();
    received(";STATISTIC;");
    QVERIFY(w->blnWaiting);
    TRIGGER(w, "mnuEditStatistics");
    QWidget* d = FindForm(QStringLiteral("frmCustomizeStatistics"));
    QVERIFY(d && d->isVisible());
    QVERIFY(!named<QPushButton>(d, "cmdApply")->isEnabled());
    auto* available = named<QListWidget>(d, "lstStatistics");
    available->setCurrentItem(available->findItems(QStringLiteral("Long Rings"), Qt::MatchExactly).value(0));
    // While the question waits, the server's answers come in: the grid fills, the graphs are drawn and the
    // window is released.
    Prompt::clearHistory();
    Prompt::queueMeanwhile([this, w] {
        QStringList cells;
        for (int c = 0; c < 11 * 4; ++c)
            cells << QString::number(c + 1);
        reply(";STATISTIC;" + EncodeStatisticReply(cells).toUtf8() + ";");
        reply(";GRAPH;PARTIAL;");
        received(";GRAPH;");
        reply(";GRAPH;|LINE|6/1/2024|3|;");
        QTRY_VERIFY(!w->blnWaiting);
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(d, "cmdRemoveStatistic");
    QCOMPARE(Prompt::texts(),
             QStringList{QStringLiteral("Are you sure you want to permanently remove this statistic?")});
    // The statistic chosen is the one removed; the other stays.
    QVERIFY(!gStatistics->contains(QStringLiteral("Long Rings")));
    QVERIFY(gStatistics->contains(QStringLiteral("Late Calls")));
    QVERIFY(available->findItems(QStringLiteral("Long Rings"), Qt::MatchExactly).isEmpty());
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("1"));
    QCOMPARE(gridOf(w)->TextMatrix(4, 11), QStringLiteral("44"));
    QVERIFY(named<QPushButton>(d, "cmdApply")->isEnabled());
    QCOMPARE(graphed(w).values, QList<QList<double>>({{3}}));
}

QTEST_MAIN(TestStatsClient)
#include "test_statsclient.moc"
