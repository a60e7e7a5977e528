#include <QApplication>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "capture/RemoteCallRoad.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/clsAttributeGroup.h"
#include "core/clsCaller.h"
#include "core/clsContact.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "network/clsRemoteSocket.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlStatement.h"
#include "popup/MiniDisplay.h"
#include "support/FakeModem.h"
#include "support/LoopbackPeer.h"
#include "support/ManualWaitClock.h"
#include "support/QueuedMarker.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

struct Caller {
    const char *number, *name, *shown;
};
// The call ringing when the program changes, and the calls after it: on the new mode's modem (two in a row,
// the first ringing as the port is set up) or from the client's server.
const Caller kRinging{"5557770001", "RINGING NOW", "(555) 777-0001"};
const Caller kOwnOne{"5557770002", "OWN ONE", "(555) 777-0002"};
const Caller kOwnTwo{"5557770003", "OWN TWO", "(555) 777-0003"};
const Caller kServers{"5557770004", "SERVER NEXT", "(555) 777-0004"};

struct Row {
    QString name, number, date, answered;
    qint64 rings = 0;
};

QList<Row> logRows(const QString& path)
{
    SqlDatabase db(path, SqlDatabase::Mode::ReadOnly);
    SqlStatement st = db.prepare(QStringLiteral("SELECT fldName, fldNumber, fldDate, fldAnswered, fldRings FROM tblCID "
                                                "ORDER BY ID"));
    QList<Row> rows;
    while (st.step())
        rows << Row{st.text(0), st.text(1), st.text(2), st.text(3), st.int64(4)};
    return rows;
}

QObject* window() { return dynamic_cast<QObject*>(gMainForm); }
CallHandler* modemRoad() { return window() ? ui::findByName<CallHandler>(window(), QStringLiteral("Calls")) : nullptr; }
RemoteCallRoad* clientRoad()
{
    return window() ? ui::findByName<RemoteCallRoad>(window(), QStringLiteral("Calls")) : nullptr;
}
ModemPort* port() { return window() ? ui::findByName<ModemPort>(window(), QStringLiteral("Comm")) : nullptr; }
CallerIDGrid* grid() { return window() ? ui::findByName<CallerIDGrid>(window(), QStringLiteral("Grid")) : nullptr; }

// The call's seconds are counted by the test, never by the machine: the road's timers tick only when told.
void countSecondsByHand()
{
    constexpr int kHour = 3600 * 1000;
    if (CallHandler* calls = modemRoad()) {
        calls->RingTimer.setInterval(kHour);
        calls->AnswerTimer.setInterval(kHour);
    } else if (RemoteCallRoad* remote = clientRoad()) {
        remote->RingTimer.setInterval(kHour);
    }
}

// Eight seconds without a ring: the call's ringing is over.
void ringingEnds()
{
    for (int i = 0; i < 8; ++i)
        if (CallHandler* calls = modemRoad())
            calls->RingTimer_Timer();
        else if (RemoteCallRoad* remote = clientRoad())
            remote->RingTimer_Timer();
}

bool listShows(const Caller& c)
{
    CallerIDGrid* g = grid();
    for (int row = 1; g && row < g->Rows(); ++row)
        if (g->TextMatrix(row, CallListModel::ColName) == QLatin1String(c.name) ||
            g->TextMatrix(row, CallListModel::ColNumber) == QLatin1String(c.shown))
            return true;
    return false;
}

// A whole call as the modem reports it: its first ring, its caller ID, its second ring.
QByteArray callBytes(const Caller& c)
{
    QByteArray bytes = "\r\nRING\r\n";
    for (const QString& line : FakeModem::callLines(QLatin1String(c.number), QLatin1String(c.name)))
        bytes += "\r\n" + line.toUtf8() + "\r\n";
    return bytes + "\r\nRING\r\n";
}

clsCaller record(const Caller& c, qint32 id, int rings, bool heardName = true)
{
    clsCaller r;
    r.ID = id;
    r.Name = heardName ? QLatin1String(c.name) : QLatin1String("NOT RECEIVED");
    r.Number.Number = heardName ? QLatin1String(c.shown) : QLatin1String("NOT RECEIVED");
    r.CallerDate = QStringLiteral("3/21/2024 2:00:00 PM");
    r.Answered = QStringLiteral("N/A");
    r.Rings = rings;
    return r;
}

// A cell of the caller's row in the call list, found by its number: its name may show its contact's.
QString listCell(const Caller& c, int column = CallListModel::ColRings)
{
    CallerIDGrid* g = grid();
    for (int row = 1; g && row < g->Rows(); ++row)
        if (g->TextMatrix(row, CallListModel::ColNumber) == QLatin1String(c.shown))
            return g->TextMatrix(row, column);
    return QString();
}
QString listRings(const Caller& c) { return listCell(c); }
// The rings of the call list's row of a number.
QString listRingsOf(const QString& number)
{
    CallerIDGrid* g = grid();
    for (int row = 1; g && row < g->Rows(); ++row)
        if (g->TextMatrix(row, CallListModel::ColNumber) == number)
            return g->TextMatrix(row, CallListModel::ColRings);
    return QString();
}

// The caller is a contact of a group that blocks its calls.
bool blockingGroupHolds(const Caller& c)
{
    auto group = std::make_shared<clsAttributeGroup>();
    group->Description = QStringLiteral("Nuisance");
    group->Block = true;
    if (!gAttributeGroups.add(group->Description, group))
        return false;
    clsContact contact;
    contact.Name = QStringLiteral("NUISANCE CO");
    contact.AttributeGroup = group->Description;
    contact.AddNumber(std::make_shared<clsNumber>(QLatin1String(c.shown), QStringLiteral("Work")));
    return AddContact(contact);
}

// Whether the line was put back on hook after the program last took it off (a hang-up, a probe).
bool backOnHook(const QStringList& commands)
{
    qsizetype off = -1;
    for (qsizetype i = 0; i < commands.size(); ++i)
        if (commands[i].startsWith(QLatin1String("ATH1")) || commands[i].startsWith(QLatin1String("ATD")))
            off = i;
    return off < 0 || commands.mid(off + 1).contains(QStringLiteral("ATH0"));
}

// The last record of a call that a client was sent, read back.
clsCaller lastSent(const QStringList& units, qint32 id)
{
    clsCaller last;
    for (const QString& unit : units)
        if (const QString record = unit.section(QLatin1String(";INCOMING CALLER;"), 1);
            record.section(QLatin1Char('|'), 1, 1) == QString::number(id))
            last.BuildCaller(record);
    return last;
}

} // namespace

// A call is ringing when the program changes under it: a switch of mode either way, the port released and
// opened again, the modem lost and found again, the program's end. The old road ends in order, nothing of it
// runs or shows in the new mode, and every call is one row of its own, also one that is ringing while the new
// port is set up.
class TestCallInFlight : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        registerStartupWindows();
        // SIGTERM ends the program as it does outside the tests.
        installExitHooks();
    }
    void init();
    void cleanup();
    void aRingingCallMeetsEveryChange_data();
    void aRingingCallMeetsEveryChange();
    void everyCallerIsACallOfItsOwn_data();
    void everyCallerIsACallOfItsOwn();

private:
    // One-shot steps at the modem's commands: a line of the call sent while the port is being set up, or the
    // change fired while a wait for the modem runs.
    void atCommand(const QString& command, std::function<void()> step) { m_steps.append({command, std::move(step)}); }
    void ringInPhase(const QString& phase, const std::function<void()>& change);
    void pushFromServer(const Caller& c, qint32 id, int rings, bool heardName = true);
    bool connectToServer();
    void armOwnCallAcrossTheSetUp();
    void ownCallsAcrossTheSetUp();

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<FakeModem> m_modem;
    std::unique_ptr<ScriptedServer> m_server;
    std::unique_ptr<ManualWaitClock> m_waitClock;
    QList<std::pair<QString, std::function<void()>>> m_steps;
};

void TestCallInFlight::init()
{
    m_home = std::make_unique<TempHome>();
    m_modem = std::make_unique<FakeModem>();
    m_server = std::make_unique<ScriptedServer>();
    m_waitClock = std::make_unique<ManualWaitClock>(0);
    m_steps.clear();
    m_modem->setCommandHook([this](const QString& command) {
        for (qsizetype i = 0; i < m_steps.size(); ++i)
            if (m_steps[i].first.compare(command.trimmed(), Qt::CaseInsensitive) == 0) {
                auto step = m_steps.takeAt(i).second;
                // After the answer the modem gives now, from the event loop: the program reads them in order.
                QTimer::singleShot(0, this, step);
                return;
            }
    });
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    for (const auto& [key, value] :
         std::initializer_list<std::pair<const char*, QString>>{{Key::InitializedSettings, QStringLiteral("True")},
                                                                {Key::AutoStart, QStringLiteral("False")},
                                                                {Key::LocalPort, QStringLiteral("0")},
                                                                {Key::CommPort, m_modem->devicePath()},
                                                                {Key::ImmediateSound, QString()},
                                                                {Key::PopupScreen, QStringLiteral("True")},
                                                                {Key::DialToneTest, QStringLiteral("True")},
                                                                {Key::DialToneWait, QStringLiteral("3")},
                                                                {Key::RemoteHost, QStringLiteral("127.0.0.1")},
                                                                {Key::RemotePort, QString::number(m_server->port())}})
        SaveProperty(Section::frmConfiguration, key, value);
    Prompt::resetScript();
}

void TestCallInFlight::cleanup()
{
    StandaloneSession::unloadEverything();
    m_modem.reset();
    m_server.reset();
    m_home.reset();
    m_waitClock.reset();
}

bool TestCallInFlight::connectToServer()
{
    if (!m_server->waitForClient() || m_server->waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty())
        return false;
    m_server->send(QStringLiteral(";SIZE;0;"));
    m_server->send(QStringLiteral(";CLEAR CALLERS;"));
    return QTest::qWaitFor([] { return FindForms(QStringLiteral("frmWaiting")).isEmpty(); });
}

void TestCallInFlight::pushFromServer(const Caller& c, qint32 id, int rings, bool heardName)
{
    for (int i = 1; i <= rings; ++i) {
        if (i == 1) {
            m_server->send(QStringLiteral(";NEW;"));
            m_server->send(QStringLiteral(";INCOMING CALLER;") + record(c, id, 0, heardName).PrintSend());
        }
        m_server->send(QStringLiteral(";RING;"));
    }
}

// The call of the phase on the road of the mode the program starts in; change fires where the phase ends.
void TestCallInFlight::ringInPhase(const QString& phase, const std::function<void()>& change)
{
    if (gNetworkMode == Client) {
        const int rings = phase == QLatin1String("first ring") || phase == QLatin1String("after NAME") ? 1 : 2;
        pushFromServer(kRinging, 901, rings, phase != QLatin1String("first ring"));
        QTRY_COMPARE(clientRoad()->CurrentCaller.Rings, rings);
        // The server's answered test is still to come.
        if (phase == QLatin1String("ringing over"))
            ringingEnds();
        change();
        return;
    }
    const bool probe = phase == QLatin1String("probe");
    const bool hangUp = phase.endsWith(QLatin1String("hang-up"));
    if (probe || hangUp) {
        // The modem keeps silent: the wait goes on until the change ends it.
        m_modem->setReply(probe ? QStringLiteral("ATDT;") : QStringLiteral("ATH1"), QString());
        atCommand(probe ? QStringLiteral("ATDT;") : QStringLiteral("ATH1"), change);
    }
    const QString log = m_home->file(QStringLiteral("dbCID.mdb"));
    m_modem->injectLine(QStringLiteral("RING"));
    QTRY_COMPARE(logRows(log).size(), 1);
    if (phase == QLatin1String("first ring"))
        return change();
    QStringList lines = FakeModem::callLines(QLatin1String(kRinging.number), QLatin1String(kRinging.name));
    // The number comes last: once it blocks the call, nothing but the hang-up's own steps (or the end's) can
    // keep it.
    if (hangUp)
        lines.move(3, 2);
    for (const QString& line : lines)
        m_modem->injectLine(line);
    if (hangUp) {
        // The number blocks the call: the change comes while the modem is asked to pick the line up.
        QTRY_VERIFY(m_steps.isEmpty());
        return;
    }
    QTRY_COMPARE(logRows(log).first().name, QLatin1String(kRinging.name));
    if (phase == QLatin1String("after NAME"))
        return change();
    m_modem->injectLine(QStringLiteral("RING"));
    QTRY_COMPARE(logRows(log).first().rings, 2);
    if (phase == QLatin1String("between rings"))
        return change();
    ringingEnds();
    modemRoad()->AnswerTimer_Timer();
    modemRoad()->AnswerTimer_Timer();
    if (phase == QLatin1String("answered test's wait"))
        return change();
    // The third second probes the line; the change comes while the probe waits for the modem.
    modemRoad()->AnswerTimer_Timer();
    QVERIFY(m_steps.isEmpty());
}

// The port opens (a switch to standalone, Open Port, the modem found again) while a call rings: its first
// ring, its caller ID and its second ring come while the set-up string is being sent.
void TestCallInFlight::armOwnCallAcrossTheSetUp()
{
    atCommand(QStringLiteral("ATZ"), [this] {
        countSecondsByHand();
        // Close behind the call that rang before the change, within its eight seconds.
        Clock::advance(2);
        m_modem->injectLine(QStringLiteral("RING"));
    });
    atCommand(QStringLiteral("AT#CLS=8"), [this] {
        for (const QString& line : FakeModem::callLines(QLatin1String(kOwnOne.number), QLatin1String(kOwnOne.name)))
            m_modem->injectLine(line);
    });
    atCommand(QStringLiteral("ATM0"), [this] { m_modem->injectLine(QStringLiteral("RING")); });
}

// That call, and another after it.
void TestCallInFlight::ownCallsAcrossTheSetUp()
{
    QTRY_VERIFY(port() && port()->ModemConnected && !port()->isBusy() && m_steps.isEmpty());
    QTRY_COMPARE(listRings(kOwnOne), QStringLiteral("2"));
    ringingEnds();
    Clock::advance(60);
    m_modem->injectLine(QStringLiteral("RING"));
    for (const QString& line : FakeModem::callLines(QLatin1String(kOwnTwo.number), QLatin1String(kOwnTwo.name)))
        m_modem->injectLine(line);
    m_modem->injectLine(QStringLiteral("RING"));
    QTRY_COMPARE(listRings(kOwnTwo), QStringLiteral("2"));
    ringingEnds();
}

void TestCallInFlight::aRingingCallMeetsEveryChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("phase");
    for (const char* change : {"switch to client", "Release Port, Open Port", "modem lost and found", "the end"})
        for (const char* phase :
             {"first ring", "after NAME", "between rings", "answered test's wait", "probe", "hang-up"})
            QTest::addRow("%s, %s", change, phase) << QString::fromLatin1(change) << QString::fromLatin1(phase);
    // The user insists: the end runs at once, under the wait for the modem (the group's block waits on its own).
    for (const char* phase : {"probe", "hang-up", "group's hang-up"})
        QTest::addRow("a second SIGTERM, %s", phase)
            << QStringLiteral("a second SIGTERM") << QString::fromLatin1(phase);
    for (const char* phase : {"first ring", "after NAME", "between rings", "ringing over"})
        QTest::addRow("switch to standalone, %s", phase)
            << QStringLiteral("switch to standalone") << QString::fromLatin1(phase);
}

void TestCallInFlight::aRingingCallMeetsEveryChange()
{
    QFETCH(QString, change);
    QFETCH(QString, phase);
    const bool fromClient = change == QLatin1String("switch to standalone");
    const bool switches = change.startsWith(QLatin1String("switch"));
    const bool ends = change == QLatin1String("the end") || change == QLatin1String("a second SIGTERM");
    SaveProperty(Section::frmConfiguration, Key::Networking, fromClient ? QStringLiteral("2") : QStringLiteral("0"));
    if (phase == QLatin1String("hang-up"))
        SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, QLatin1String(kRinging.number));
    QVERIFY(Main());
    if (phase == QLatin1String("group's hang-up"))
        QVERIFY(blockingGroupHolds(kRinging));
    if (fromClient) {
        QVERIFY(connectToServer());
    } else {
        QTRY_VERIFY(port() && port()->ModemConnected && !port()->isBusy());
        // A wait for a silent modem runs until the change ends it, however slow the machine.
        port()->setWaitClock(m_waitClock->reader());
    }
    countSecondsByHand();

    // What the old road still does once the new mode has begun, or the program has ended.
    QPointer<QObject> oldRoad = fromClient ? static_cast<QObject*>(clientRoad()) : modemRoad();
    bool oldRoadRan = false;
    bool ringingCarriedOver = false;
    auto afterwards = [&] {
        // A tick that was due as the road ended comes all the same; it must change nothing.
        if (auto* calls = qobject_cast<CallHandler*>(oldRoad.data())) {
            oldRoadRan = calls->RingTimer.isActive() || calls->AnswerTimer.isActive();
            calls->RingTimer_Timer();
            calls->AnswerTimer_Timer();
        } else if (auto* remote = qobject_cast<RemoteCallRoad*>(oldRoad.data())) {
            oldRoadRan = remote->RingTimer.isActive();
            remote->RingTimer_Timer();
        }
        ringingCarriedOver = gRinging;
    };
    bool done = false;
    auto fire = [&] {
        if (switches) {
            SaveProperty(Section::frmConfiguration, Key::Networking,
                         fromClient ? QStringLiteral("0") : QStringLiteral("2"));
            if (fromClient)
                armOwnCallAcrossTheSetUp();
            Program::requestModeSwitch([&] {
                Program::runStartUpAgain();
                afterwards();
                done = true;
            });
        } else if (change == QLatin1String("the end")) {
            Program::requestEnd([&] {
                ExitProgram();
                afterwards();
                done = true;
            });
        } else if (change == QLatin1String("a second SIGTERM")) {
            ::raise(SIGTERM);
            ::raise(SIGTERM);
            done = true;
        } else if (change == QLatin1String("Release Port, Open Port")) {
            const bool waiting = port()->isBusy();
            TRIGGER(window(), "mnuOptionsRelease");
            // A wait for the modem ends with its answer before the port goes.
            if (waiting)
                m_modem->injectLine(QStringLiteral("OK"));
            done = true;
        } else {
            done = m_modem->unplugLikeUsb();
        }
    };
    ringInPhase(phase, fire);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY(done);
    if (change == QLatin1String("a second SIGTERM")) {
        QTRY_VERIFY(ProgramEnded());
        afterwards();
    }

    const QString log = m_home->file(QStringLiteral("dbCID.mdb"));
    if (switches || ends) {
        QVERIFY2(!oldRoadRan, "the old mode's call road still runs");
        QVERIFY2(!ringingCarriedOver, "the new mode starts with the old mode's call ringing");
    }
    if (change == QLatin1String("switch to client")) {
        QTRY_VERIFY(clientRoad());
        QVERIFY(connectToServer());
        countSecondsByHand();
        pushFromServer(kServers, 902, 2);
        QTRY_COMPARE(listRings(kServers), QStringLiteral("2"));
        ringingEnds();
    } else if (fromClient) {
        QTRY_VERIFY(modemRoad());
        ownCallsAcrossTheSetUp();
    } else if (change == QLatin1String("Release Port, Open Port")) {
        QTRY_VERIFY(!port()->PortOpen() && !port()->isBusy());
        armOwnCallAcrossTheSetUp();
        TRIGGER(window(), "mnuOptionsRelease");
        ownCallsAcrossTheSetUp();
    } else if (change == QLatin1String("modem lost and found")) {
        QTRY_VERIFY(!port()->PortOpen() && !port()->isBusy());
        armOwnCallAcrossTheSetUp();
        QVERIFY(m_modem->plugBackLikeUsb());
        ownCallsAcrossTheSetUp();
    }
    if (QTest::currentTestFailed())
        return;

    // Every call is one row with its own data; the new mode shows nothing of the old mode's call.
    const QList<Row> rows = logRows(log);
    QStringList names;
    for (const Row& r : rows)
        names << r.name;
    if (fromClient) {
        QCOMPARE(names, (QStringList{QLatin1String(kOwnOne.name), QLatin1String(kOwnTwo.name)}));
    } else {
        const bool heardName = phase != QLatin1String("first ring");
        const int rings = phase == QLatin1String("first ring") || phase == QLatin1String("after NAME") ||
                                  phase.endsWith(QLatin1String("hang-up"))
                              ? 1
                              : 2;
        QCOMPARE(rows.first().name, heardName ? QLatin1String(kRinging.name) : QLatin1String("NOT RECEIVED"));
        QCOMPARE(rows.first().number, heardName ? QLatin1String(kRinging.shown) : QLatin1String("NOT RECEIVED"));
        QCOMPARE(rows.first().rings, rings);
        if (phase.endsWith(QLatin1String("hang-up")))
            QCOMPARE(rows.first().answered, QStringLiteral("BLOCKED"));
        // Whatever cut the hang-up or the probe short, the line is not left off hook.
        if (change != QLatin1String("modem lost and found"))
            QTRY_VERIFY2(backOnHook(m_modem->commands()), qPrintable(m_modem->commands().join(QLatin1Char(','))));
        if (switches || ends)
            QCOMPARE(rows.size(), 1);
        else
            QCOMPARE(names.mid(1), (QStringList{QLatin1String(kOwnOne.name), QLatin1String(kOwnTwo.name)}));
    }
    for (qsizetype i = 1; i < rows.size(); ++i) {
        QCOMPARE(rows[i].rings, 2);
        QVERIFY(rows[i].date != rows[i - 1].date);
    }
    if (fromClient || rows.size() == 3) {
        QCOMPARE(rows[rows.size() - 2].number, QLatin1String(kOwnOne.shown));
        QCOMPARE(rows.last().number, QLatin1String(kOwnTwo.shown));
    }
    if (ends) {
        // Nothing of the call is stored or said once the program has ended: no write may fail on the closed log.
        QFile activity(m_home->file(QStringLiteral("ActivityLog.dat")));
        const QString written = activity.open(QIODevice::ReadOnly) ? QString::fromUtf8(activity.readAll()) : QString();
        QVERIFY2(!written.contains(QLatin1String("not stored")) && !written.contains(QLatin1String("Could not store")),
                 qPrintable(written));
        QVERIFY2(Prompt::texts().filter(QLatin1String("call log")).isEmpty(), qPrintable(Prompt::texts().join('\n')));
    }
    if (switches) {
        QVERIFY(!listShows(kRinging));
        QVERIFY(miniDisplay().CurrentCaller.Name != QLatin1String(kRinging.name));
        QVERIFY(miniDisplay().liveCall().Name != QLatin1String(kRinging.name));
        auto* status = ui::findByName<QLabel>(window(), QStringLiteral("StatusBar1.Panels(1)"));
        QVERIFY(!status->text().contains(QLatin1String(kRinging.shown)));
    }
}

void TestCallInFlight::everyCallerIsACallOfItsOwn_data()
{
    QTest::addColumn<QString>("next");
    // name|number|rings|answered, oldest first, and the contact the pop-up names where one owns the number
    QTest::addColumn<QStringList>("calls");
    const QString first = QStringLiteral("RINGING NOW|(555) 777-0001|2|N/A");
    const QString second = QStringLiteral("OWN ONE|(555) 777-0002|2|N/A");
    for (const char* next : {"5 s after the last ring", "in the same read"})
        QTest::newRow(next) << QString::fromLatin1(next) << QStringList{first, second};
    QTest::newRow("blocked") << QStringLiteral("blocked")
                             << QStringList{first, QStringLiteral("OWN ONE|(555) 777-0002|1|BLOCKED")};
    // On the block list and in a group that blocks: the group's block comes after the hang-up's wait, in which
    // the next caller began; the next caller takes the answered test over.
    QTest::newRow("first blocked") << QStringLiteral("first blocked")
                                   << QStringList{QStringLiteral("RINGING NOW|(555) 777-0001|2|BLOCKED"),
                                                  QStringLiteral("OWN ONE|(555) 777-0002|2|NO")};
    // A call without caller ID rings as the port closes; both calls wait on the line as it opens again.
    QTest::newRow("waiting as the port opens")
        << QStringLiteral("waiting as the port opens")
        << QStringList{QStringLiteral("NOT RECEIVED|NOT RECEIVED|2|N/A"), first, second};
    const QString blockedFirst = QStringLiteral("RINGING NOW|(555) 777-0001|2|BLOCKED");
    QTest::newRow("from the server") << QStringLiteral("from the server")
                                     << QStringList{blockedFirst, QStringLiteral("OWN ONE|(555) 777-0002|3|N/A")};
    QTest::newRow("from the server, the next call not stored")
        << QStringLiteral("from the server, not stored")
        << QStringList{blockedFirst, QStringLiteral("OWN ONE|(555) 777-0002|3|N/A")};
    // The first call's record has no ID: its late answered test changes nothing here.
    QTest::newRow("from the server, the earlier call not stored")
        << QStringLiteral("from the server, earlier not stored")
        << QStringList{QStringLiteral("RINGING NOW|(555) 777-0001|2|N/A"),
                       QStringLiteral("OWN ONE|(555) 777-0002|3|N/A")};
    // A line whose caller ID comes before the first ring: the server's first record has the number already; the
    // caller is announced once it rings, after the ring's own sound, as on the server.
    QTest::newRow("from the server, caller ID before the first ring")
        << QStringLiteral("from the server, caller ID before the first ring")
        << QStringList{QStringLiteral("RINGING NOW|(555) 777-0001|2|N/A")};
    // Callers who hung up before their first ring, as the server sends them: calls of 0 rings, not announced.
    QTest::newRow("from the server, blocks with no ring")
        << QStringLiteral("from the server, blocks with no ring")
        << QStringList{QStringLiteral("RINGING NOW|(555) 777-0001|0|N/A"),
                       QStringLiteral("OWN ONE|(555) 777-0002|0|N/A")};
    // A contact of a group that blocks hangs up before the first ring, after a call that showed the pop-up: a call
    // of its own under the contact, with nothing to pick up.
    QTest::newRow("a block with no ring")
        << QStringLiteral("a block with no ring")
        << QStringList{second, QStringLiteral("RINGING NOW|(555) 777-0001|0|N/A|NUISANCE CO")};
    // The program ends while a block waits for its ring: the call is stored and its clients hear of it before they
    // are let go.
    QTest::newRow("a block with no ring, then the end")
        << QStringLiteral("a block with no ring, then the end")
        << QStringList{QStringLiteral("RINGING NOW|(555) 777-0001|0|N/A")};
}

// A second caller close behind the first (a redial, a caller who gave up after two rings): each is one row with
// its own time, data and rings, its own block test, and the clients hear of each as a call of its own.
void TestCallInFlight::everyCallerIsACallOfItsOwn()
{
    QFETCH(QString, next);
    QFETCH(QStringList, calls);
    const bool client = next.startsWith(QLatin1String("from the server"));
    const bool blocked = next == QLatin1String("blocked");
    const bool firstBlocked = next == QLatin1String("first blocked");
    const bool noRing = next.startsWith(QLatin1String("a block with no ring"));
    const bool theEnd = next.endsWith(QLatin1String("then the end"));
    SaveProperty(Section::frmConfiguration, Key::Networking, client ? QStringLiteral("2") : QStringLiteral("1"));
    if (blocked || firstBlocked)
        SaveProperty(Section::frmConfiguration, Key::BlockCallStrings,
                     QLatin1String(blocked ? kOwnOne.number : kRinging.number));
    // A sound that is not there: each announcement says so in the event list.
    SaveProperty(Section::frmConfiguration, Key::DefaultSound, m_home->file(QStringLiteral("caller.wav")));
    QVERIFY(Main());
    countSecondsByHand();
    if (firstBlocked || (noRing && !theEnd))
        QVERIFY(blockingGroupHolds(kRinging));

    if (client) {
        QVERIFY(connectToServer());
        if (next.endsWith(QLatin1String("blocks with no ring"))) {
            m_server->send(QStringLiteral(";NEW;;INCOMING CALLER;") + record(kRinging, 901, 0).PrintSend());
            m_server->send(QStringLiteral(";NEW;;INCOMING CALLER;") + record(kOwnOne, 902, 0).PrintSend());
            QTRY_COMPARE(clientRoad()->CurrentCaller.ID, 902);
            QCOMPARE(listRings(kRinging), QStringLiteral("0"));
            // Logged as it comes, as its server logged it, not once its ringing would have ended.
            QCOMPARE(gMainForm->lstEvents.stringList().filter(QStringLiteral("777-0002     0 Rings")).size(), 1);
            ringingEnds();
            QCOMPARE(listRings(kOwnOne), QStringLiteral("0"));
        } else if (next.endsWith(QLatin1String("before the first ring"))) {
            pushFromServer(kRinging, 901, 2);
            QTRY_COMPARE(clientRoad()->CurrentCaller.Rings, 2);
        } else {
            const qint32 firstId = next.endsWith(QLatin1String("earlier not stored")) ? 0 : 901;
            const qint32 nextId = next.endsWith(QLatin1String("server, not stored")) ? 0 : 902;
            m_server->send(QStringLiteral(";CLEAR CONTACTS;;CONTACT;|RINGER||||NUMBER|(555) 777-0001|Home"));
            // What the server sends when the second caller's lines follow a ring of the first's: the first call
            // as it stands without that ring, then the new call; the first call's hang-up (or its answered test)
            // ends after the new call began.
            clsCaller first = record(kRinging, firstId, 2);
            pushFromServer(kRinging, firstId, 1, false);
            m_server->send(QStringLiteral(";INCOMING CALLER;") + record(kRinging, firstId, 1).PrintSend());
            m_server->send(QStringLiteral(";RING;"));
            m_server->send(QStringLiteral(";RING;"));
            m_server->send(QStringLiteral(";INCOMING CALLER;") + first.PrintSend());
            pushFromServer(kOwnOne, nextId, 1, false);
            m_server->send(QStringLiteral(";INCOMING CALLER;") + record(kOwnOne, nextId, 1).PrintSend());
            m_server->send(QStringLiteral(";RING;"));
            first.Answered = firstId != 0 ? QStringLiteral("BLOCKED") : QStringLiteral("YES");
            m_server->send(QStringLiteral(";INCOMING CALLER;") + first.PrintSend());
            // The first call's entry and row change where they stand, under the call in progress; a record the
            // server could not store names no call here and changes nothing.
            const QString firstAnswered = calls.first().section(QLatin1Char('|'), 3, 3);
            if (firstId != 0)
                QTRY_COMPARE(miniDisplay().Callers.value(1).Answered, firstAnswered);
            else
                QTRY_COMPARE(clientRoad()->CurrentCaller.ID, nextId);
            QCOMPARE(listCell(kRinging, CallListModel::ColAnswered), firstId != 0 ? firstAnswered : QString());
            if (firstId != 0) {
                QCOMPARE(miniDisplay().Callers.value(1).ContactName, QStringLiteral("RINGER"));
                QCOMPARE(gRemoteCallers->at(gRemoteCallers->indexOf(901)).ContactName, QStringLiteral("RINGER"));
            }
            QCOMPARE(clientRoad()->CurrentCaller.ID, nextId);
            QCOMPARE(clientRoad()->CurrentCaller.Name, QLatin1String(kOwnOne.name));
            m_server->send(QStringLiteral(";RING;"));
            QTRY_COMPARE(clientRoad()->CurrentCaller.Rings, 3);
            QCOMPARE(clientRoad()->CurrentCaller.ID, nextId);
            QCOMPARE(listRings(kOwnOne), nextId != 0 ? QStringLiteral("3") : QString());
            QCOMPARE(listRings(kRinging), firstId != 0 ? QStringLiteral("2") : QString());
            // The client's log says what its row says, as the server's does.
            const QStringList said = gMainForm->lstEvents.stringList().filter(QLatin1String(kRinging.shown));
            QVERIFY2(!said.isEmpty() && said.last().contains(QStringLiteral("     2 Rings")),
                     qPrintable(said.join('\n')));
        }
        // The client logs each call with the rings its server gave it, a call that never rang too, and announces
        // only a call that rang; no answer of a call the server could not store is said here.
        const QStringList events = gMainForm->lstEvents.stringList();
        int rang = 0;
        for (const QString& call : calls) {
            const QStringList said = events.filter(call.section(QLatin1Char('|'), 1, 1));
            const QString rings = call.section(QLatin1Char('|'), 2, 2);
            QVERIFY2(!said.isEmpty() &&
                         said.last().contains(QStringLiteral("     ") + rings + QStringLiteral(" Rings")),
                     qPrintable(said.join('\n')));
            rang += rings != QLatin1String("0");
        }
        QCOMPARE(events.filter(QStringLiteral("Sound file not found")).size(), rang);
        QVERIFY2(events.filter(QStringLiteral("was answered")).isEmpty(), qPrintable(events.join('\n')));
    } else {
        QTRY_VERIFY(port() && port()->ModemConnected && !port()->isBusy());
        port()->setWaitClock(m_waitClock->reader());
        LoopbackPeer peer(gServer->LocalPort());
        QTRY_COMPARE(gServer->ClientCount(), 1);
        const QString log = m_home->file(QStringLiteral("dbCID.mdb"));
        QDateTime secondRang;
        if (next == QLatin1String("waiting as the port opens")) {
            m_modem->inject("\r\nRING\r\n\r\nRING\r\n");
            QTRY_VERIFY(logRows(log).value(0).rings == 2);
            TRIGGER(window(), "mnuOptionsRelease");
            QTRY_VERIFY(!port()->PortOpen() && !port()->isBusy());
            m_modem->setDeliversWhileClosed(true);
            m_modem->inject(callBytes(kRinging) + callBytes(kOwnOne));
            TRIGGER(window(), "mnuOptionsRelease");
        } else if (next == QLatin1String("in the same read") || firstBlocked) {
            m_modem->inject(callBytes(kRinging) + callBytes(kOwnOne));
        } else if (noRing) {
            if (!theEnd) {
                m_modem->inject(callBytes(kOwnOne));
                QTRY_COMPARE(listRings(kOwnOne), QStringLiteral("2"));
                ringingEnds();
            }
            QByteArray block;
            for (const QString& line :
                 FakeModem::callLines(QLatin1String(kRinging.number), QLatin1String(kRinging.name)))
                block += "\r\n" + line.toUtf8() + "\r\n";
            m_modem->inject(block);
            QVERIFY(QTest::qWaitFor([this] { return m_modem->unreadBytes() == 0; }));
            QVERIFY(waitForQueuedMarker());
            if (theEnd) {
                Program::requestEnd([] { ExitProgram(); });
                QTRY_VERIFY(ProgramEnded());
            } else {
                ringingEnds();
            }
        } else {
            m_modem->inject(callBytes(kRinging));
            QTRY_COMPARE(listRings(kRinging), QStringLiteral("2"));
            for (int i = 0; i < 5; ++i) {
                Clock::advance(1);
                modemRoad()->RingTimer_Timer();
            }
            secondRang = Clock::now();
            m_modem->injectLine(QStringLiteral("RING"));
            QTRY_COMPARE(listRings(kRinging), QStringLiteral("3"));
            Clock::advance(1);
            QByteArray rest = callBytes(kOwnOne);
            rest.remove(0, int(qstrlen("\r\nRING\r\n")));
            // A blocked caller's line is picked up: it rings no more.
            if (blocked)
                rest.chop(int(qstrlen("\r\nRING\r\n")));
            m_modem->inject(rest);
        }
        if (!theEnd) {
            QTRY_COMPARE(listRings(kOwnOne), blocked ? QStringLiteral("1") : QStringLiteral("2"));
            QTRY_VERIFY(!port()->isBusy());
        }
        if (firstBlocked) {
            // The first call's late block changed its entry where it stands: the call in progress stays on top.
            QCOMPARE(miniDisplay().liveCall().Name, QLatin1String(kOwnOne.name));
            QCOMPARE(miniDisplay().Callers.value(0).Name, QLatin1String(kOwnOne.name));
            ringingEnds();
            for (int i = 0; i < 3; ++i)
                modemRoad()->AnswerTimer_Timer();
        }

        QStringList rows;
        for (const Row& r : logRows(log))
            rows << QStringLiteral("%1|%2|%3|%4").arg(r.name, r.number).arg(r.rings).arg(r.answered);
        QStringList stored;
        for (const QString& call : calls)
            stored << call.section(QLatin1Char('|'), 0, 3);
        QCOMPARE(rows, stored);
        QCOMPARE(m_modem->count(QStringLiteral("ATH1")), calls.filter(QStringLiteral("|BLOCKED")).size());
        if (secondRang.isValid())
            QCOMPARE(logRows(log).last().date, DateText::toIso(secondRang));
        // Each call's row as the log has it (the first call's last ring given back, a call that never rang with
        // its 0 rings).
        if (!theEnd)
            for (const QString& call : calls)
                QCOMPARE(listRingsOf(call.section(QLatin1Char('|'), 1, 1)), call.section(QLatin1Char('|'), 2, 2));

        // Each client hears of each caller as a call of its own: no record carries one caller under the other's
        // ID, and the last word on each call is what the log holds.
        int news = 0;
        int withRecord = 0; // a call that never rang, in one send: the client knows at once it did not ring
        QHash<QString, QSet<QString>> namesOf;
        const QStringList units = peer.all();
        for (const QString& unit : units) {
            news += unit.startsWith(QLatin1String(";NEW;"));
            withRecord += unit.startsWith(QLatin1String(";NEW;;INCOMING CALLER;"));
            if (const QString record = unit.section(QLatin1String(";INCOMING CALLER;"), 1); !record.isEmpty())
                namesOf[record.section(QLatin1Char('|'), 1, 1)] << record.section(QLatin1Char('|'), 2, 2);
        }
        QCOMPARE(news, calls.size());
        QCOMPARE(withRecord, calls.filter(QStringLiteral("|0|N/A")).size());
        QCOMPARE(namesOf.size(), calls.size());
        for (const QSet<QString>& names : namesOf)
            QVERIFY2(names.size() <= 2, qPrintable(names.values().join(QLatin1Char(','))));
        // The first caller's last ring was the next caller's: its clients are told so before the next call begins.
        for (const QString& id : namesOf.keys())
            if (namesOf[id].contains(QLatin1String(kRinging.name))) {
                const clsCaller sent = lastSent(units, id.toInt());
                QCOMPARE(
                    QStringLiteral("%1|%2|%3|%4").arg(sent.Name, sent.Number.Number).arg(sent.Rings).arg(sent.Answered),
                    calls.filter(QLatin1String(kRinging.name)).value(0).section(QLatin1Char('|'), 0, 3));
            }
    }
    // The pop-up lists every call, newest first, each with its own data; the program's end takes it away.
    if (theEnd)
        return;
    const QList<clsCaller> shown = miniDisplay().Callers;
    QCOMPARE(shown.size(), calls.size());
    for (qsizetype i = 0; i < calls.size(); ++i) {
        const clsCaller& entry = shown[calls.size() - 1 - i];
        QCOMPARE(
            QStringLiteral("%1|%2|%3|%4").arg(entry.Name, entry.Number.Number).arg(entry.Rings).arg(entry.Answered),
            calls[i].section(QLatin1Char('|'), 0, 3));
        if (calls[i].count(QLatin1Char('|')) > 3)
            QCOMPARE(entry.ContactName, calls[i].section(QLatin1Char('|'), 4));
    }
}

QTEST_MAIN(TestCallInFlight)
#include "test_callinflight.moc"
