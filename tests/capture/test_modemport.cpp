#include "capture/ModemPort.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <unistd.h>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "support/FakeModem.h"
#include "support/ManualWaitClock.h"
#include "support/QueuedMarker.h"
#include "support/ResetForTests.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"

namespace {

// The wait clock starts 400 ms into a second: a wait begun then gives up 2.6 s later, at the third change
// of the seconds.
constexpr qint64 kStartMs = 1'700'000'000'400;
constexpr qint64 kFirstWaitMs = 2600;

// Notes the wait clock's time as each event line arrives, so a test can tell how long the port waited
// before reporting.
struct TimedWindow : MainWindow {
    explicit TimedWindow(const ManualWaitClock& waitClock) : clock(waitClock) {}
    const ManualWaitClock& clock;
    QList<qint64> at;
    void eventAdded(int row) override
    {
        (void)row;
        at << clock.now() - kStartMs;
    }
};

// Everything one test needs: a home, a main window to collect the event lines, a server to collect the
// broadcasts, a fake modem on a pty and the port pointed at it. The port's waits run on a clock that
// stands still until a test lets a wait for a silent modem run out.
struct Rig {
    TempHome home;
    ManualWaitClock clock{kStartMs};
    TimedWindow window{clock};
    clsServer& server = install(gServer);
    QSignalSpy sent{&server, &clsServer::dataSent};
    FakeModem modem;
    ModemPort port{&window};

    Rig()
    {
        gMainForm = &window;
        port.setWaitClock(clock.reader());
        SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    }
    // The modem keeps silent about command, and the port's wait for it runs out.
    void silentTo(const QString& command)
    {
        modem.setReply(command, "");
        modem.setCommandHook([this, command](const QString& received) {
            if (received.compare(command, Qt::CaseInsensitive) == 0)
                clock.runOutWait();
        });
    }
    QStringList events() const { return window.lstEvents.stringList(); }
};

} // namespace

class TestModemPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void devicePathFromSetting();
    void decodesUtf8ReplacingOnlyInvalidBytes();
    void waitEndsAtTheThirdChangeOfTheSeconds();
    void setUpFallsBackThroughTheEnableList();
    void ownModemStringAnsweredOkSendsNoBuiltInCommand();
    void silentAnswerToOwnModemStringCountsAsAccepted();
    void everyEnableCommandRefused();
    void silentModemIsNotResponding();
    void missingDeviceCannotBeOpened();
    void releaseOfClosedPortStillReports();
    void releaseResetsTheModemAndClosesThePort();
    void linesAreAssembledAtCarriageReturn();
    void linesKeepFlowingDuringAWait();
    void dialToneProbe();
    void hangUpSendsOffHookThenOnHook();
    void hangUpAskedDuringAProbeRunsAfterIt();
    void vanishedDeviceClosesThePortOnce();
    void vanishedUsbDeviceClosesThePortAtOnce();
    void deviceThatComesBackIsOpenedAgain();
    void modemSwappedInOneStepIsOpenedAgain();
    void deviceBackAfterAFailedOpeningIsOpened_data();
    void deviceBackAfterAFailedOpeningIsOpened();
    void deviceThatFailsToOpenIsNotTriedAgain_data();
    void deviceThatFailsToOpenIsNotTriedAgain();
    void portLostDuringTheProbeIsNoAnswer_data();
    void portLostDuringTheProbeIsNoAnswer();
};

void TestModemPort::devicePathFromSetting()
{
    QCOMPARE(ModemPort::devicePath("1"), QString("/dev/ttyS0"));
    QCOMPARE(ModemPort::devicePath(" 4 "), QString("/dev/ttyS3"));
    QCOMPARE(ModemPort::devicePath("/dev/ttyACM0"), QString("/dev/ttyACM0"));
    QCOMPARE(ModemPort::devicePath("/dev/pts/7"), QString("/dev/pts/7"));
}

void TestModemPort::decodesUtf8ReplacingOnlyInvalidBytes()
{
    QCOMPARE(ModemPort::decodeLine("NAME = JOS\xC3\x89"), QString::fromUtf8("NAME = JOSÉ"));
    QCOMPARE(ModemPort::decodeLine("RING"), QString("RING"));
    // One stray byte spoils only itself: the valid characters beside it stay what they are.
    QCOMPARE(ModemPort::decodeLine("NAME = JOS\xC9 M\xC3\xBCLLER"), QString::fromUtf8("NAME = JOS\uFFFD MüLLER"));
    // Bytes that would read as control characters (C1, and DEL) never reach a record, however they came.
    QCOMPARE(ModemPort::decodeLine("NAME = A\x85\x9B"
                                   "B"),
             QString::fromUtf8("NAME = A\uFFFD\uFFFDB"));
    QCOMPARE(ModemPort::decodeLine("NAME = A\xC2\x85\xC2\x9B"
                                   "B\x7F"),
             QString("NAME = AB"));
    for (const QChar c : ModemPort::decodeLine("\x80\x81\x9f\xa0\xff\xc0\xaf"))
        QVERIFY(c.category() != QChar::Other_Control);
}

void TestModemPort::waitEndsAtTheThirdChangeOfTheSeconds()
{
    // 2 to 3 seconds, whatever part of a second the wait begins in.
    QCOMPARE(ModemPort::waitEnd(5000), 8000);
    QCOMPARE(ModemPort::waitEnd(5001), 8000);
    QCOMPARE(ModemPort::waitEnd(5999), 8000);
    QCOMPARE(ModemPort::waitEnd(6000), 9000);
    // Before the epoch the seconds change at the same whole seconds.
    QCOMPARE(ModemPort::waitEnd(-1), 2000);
    QCOMPARE(ModemPort::waitEnd(-1000), 2000);
    QCOMPARE(ModemPort::waitEnd(-1001), 1000);
}

void TestModemPort::setUpFallsBackThroughTheEnableList()
{
    Rig rig;
    rig.modem.queueReply("AT#CID=1", "ERROR");
    rig.modem.queueReply("AT+VCID=1", "ERROR");
    QSignalSpy changed(&rig.port, &ModemPort::connectionChanged);

    rig.port.PortOpenTimer.start();
    QTRY_VERIFY_WITH_TIMEOUT(rig.modem.count("ATS6=2") == 1, 5000);
    QTRY_VERIFY(!rig.port.isBusy());

    QCOMPARE(rig.modem.received(), QByteArray("\rATZ\r"
                                              "AT#CLS=8\r"
                                              "AT#CID=1\r"
                                              "AT+VCID=1\r"
                                              "AT%CCID=1\r"
                                              "\rATM0\r"
                                              "\rATS6=2\r"));
    QVERIFY(rig.port.PortOpen());
    QVERIFY(rig.port.ModemConnected);
    QVERIFY(rig.window.ModemConnected);
    QCOMPARE(rig.port.releaseCaption(), QString("&Release Port"));
    QCOMPARE(rig.port.iconKey(), QString("gicon"));
    QCOMPARE(texts(rig.sent), QStringList{";MODEMCONNECTION;TRUE;"});
    QCOMPARE(rig.events(), QStringList{"Comm port " + rig.modem.slavePath() + " opened"});
    QVERIFY(Prompt::texts().isEmpty());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toBool(), true);
}

void TestModemPort::ownModemStringAnsweredOkSendsNoBuiltInCommand()
{
    Rig rig;
    SaveProperty(Section::frmConfiguration, Key::ModemString, "AT+MYCID=1");
    rig.port.OpenPort(true);
    QCOMPARE(rig.modem.commands(), (QStringList{"ATZ", "AT#CLS=8", "AT+MYCID=1", "ATM0", "ATS6=2"}));

    // Refused: the built-in list follows, starting at its first entry.
    rig.modem.clearReceived();
    rig.modem.queueReply("AT+MYCID=1", "ERROR");
    rig.port.OpenPort(true); // already open: the modem is set up anew
    QCOMPARE(rig.modem.commands(), (QStringList{"ATZ", "AT#CLS=8", "AT+MYCID=1", "AT#CID=1", "ATM0", "ATS6=2"}));
    QCOMPARE(texts(rig.sent), (QStringList{";MODEMCONNECTION;TRUE;", ";MODEMCONNECTION;TRUE;"}));
}

void TestModemPort::silentAnswerToOwnModemStringCountsAsAccepted()
{
    Rig rig;
    SaveProperty(Section::frmConfiguration, Key::ModemString, "AT+QUIET");
    rig.silentTo("AT+QUIET");
    rig.port.OpenPort(true);
    // The port waited the whole time for an answer before it went on.
    QCOMPARE(rig.clock.waitsRunOut(), 1);
    QCOMPARE(rig.clock.now() - kStartMs, kFirstWaitMs);
    QCOMPARE(rig.modem.commands(), (QStringList{"ATZ", "AT#CLS=8", "AT+QUIET", "ATM0", "ATS6=2"}));
    QVERIFY(rig.port.ModemConnected);
}

void TestModemPort::everyEnableCommandRefused()
{
    Rig rig;
    for (const char* c : {"AT#CID=1", "AT+VCID=1", "AT%CCID=1", "AT#CC1", "AT*ID1", "AT#CID=2", "AT%CCID=2"})
        rig.modem.setReply(c, "ERROR");
    rig.port.OpenPort(true);
    QCOMPARE(rig.modem.commands(), (QStringList{"ATZ", "AT#CLS=8", "AT#CID=1", "AT+VCID=1", "AT%CCID=1", "AT#CC1",
                                                "AT*ID1", "AT#CID=2", "AT%CCID=2", "ATM0", "ATS6=2"}));
    const QString label = rig.modem.slavePath();
    const QString message = "Caller id could not be enabled on comm port " + label +
                            ". The \r\ncaller id command string in modem configuration may \r\nneed to be "
                            "reconfigured or this modem does not have \r\ncaller id capabilities. No caller id "
                            "information can \r\nbe received until this problem is resolved.";
    QCOMPARE(Prompt::texts(), QStringList{message});
    QCOMPARE(Prompt::history().at(0).icon, int(Prompt::Exclamation));
    QVERIFY(rig.events().contains(QString(message).remove("\r\n")));
    // Rings still come in: the port stays open and connected.
    QVERIFY(rig.port.PortOpen());
    QVERIFY(rig.port.ModemConnected);
}

void TestModemPort::silentModemIsNotResponding()
{
    Rig rig;
    rig.modem.setDefaultReply("");
    rig.modem.setCommandHook([&](const QString&) { rig.clock.runOutWait(); });
    rig.port.OpenPort(true);
    // The message comes after one whole wait for ATZ; the release then waits the whole time for its own
    // ATZ, which begins on a whole second.
    QCOMPARE(rig.clock.waitsRunOut(), 2);
    QCOMPARE(rig.window.at, (QList<qint64>{0, kFirstWaitMs, kFirstWaitMs}));
    QCOMPARE(rig.clock.now() - kStartMs, kFirstWaitMs + 3000);
    const QString label = rig.modem.slavePath();
    const QString message = "Comm port " + label +
                            " is not responding. Caller id \r\ninformation cannot be received until the \r\n"
                            "comm port is open.";
    QCOMPARE(Prompt::texts(), QStringList{message});
    QCOMPARE(rig.events(),
             (QStringList{"Comm port " + label + " opened", QString(message).remove("\r\n"), "Comm port closed"}));
    QCOMPARE(rig.modem.received(), QByteArray("\rATZ\r\rATZ\r"));
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(!rig.port.ModemConnected);
    QCOMPARE(rig.port.releaseCaption(), QString("&Open Port"));
    QCOMPARE(rig.port.iconKey(), QString("ricon"));
    QCOMPARE(texts(rig.sent), (QStringList{";MODEMCONNECTION;TRUE;", ";MODEMCONNECTION;FALSE;"}));
}

void TestModemPort::missingDeviceCannotBeOpened()
{
    Rig rig;
    const QString path = rig.home.file("no-such-modem");
    SaveProperty(Section::frmConfiguration, Key::CommPort, path);
    rig.port.OpenPort(true);
    const QString message = "Cannot open comm port " + path +
                            ". It may be in use by \r\nanother application. Caller id information cannot \r\nbe "
                            "received until the comm port is open.";
    QCOMPARE(Prompt::texts(), QStringList{message});
    QCOMPARE(rig.events(), (QStringList{QString(message).remove("\r\n"), "Cannot open comm port"}));
    QCOMPARE(texts(rig.sent), (QStringList{";MODEMCONNECTION;FALSE;", ";MODEMCONNECTION;FALSE;"}));
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(!rig.port.PortOpenFailed);
    QCOMPARE(rig.port.releaseCaption(), QString("&Open Port"));

    // A port number names the number in the message.
    Prompt::clearHistory();
    SaveProperty(Section::frmConfiguration, Key::CommPort, "250");
    rig.port.OpenPort(true);
    QVERIFY(Prompt::texts().value(0).startsWith("Cannot open comm port 250. It may be in use by \r\n"));
}

void TestModemPort::releaseOfClosedPortStillReports()
{
    Rig rig;
    rig.port.OpenPort(false);
    QCOMPARE(rig.events(), QStringList{"Comm port closed"});
    QCOMPARE(texts(rig.sent), QStringList{";MODEMCONNECTION;FALSE;"});
    QVERIFY(rig.modem.received().isEmpty());
}

void TestModemPort::releaseResetsTheModemAndClosesThePort()
{
    Rig rig;
    rig.port.OpenPort(true);
    rig.modem.clearReceived();
    rig.port.OpenPort(false);
    QCOMPARE(rig.modem.received(), QByteArray("\rATZ\r"));
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.events().last(), QString("Comm port closed"));
    QCOMPARE(texts(rig.sent).last(), QString(";MODEMCONNECTION;FALSE;"));
    // It can be opened again at once.
    rig.port.OpenPort(true);
    QVERIFY(rig.port.ModemConnected);
}

void TestModemPort::linesAreAssembledAtCarriageReturn()
{
    Rig rig;
    rig.port.OpenPort(true);
    QSignalSpy lines(&rig.port, &ModemPort::lineReceived);

    // "RING" CR LF in three pieces, each read by the port before the next comes, then CR CR LF: one line, no
    // empty ones.
    rig.modem.inject("RI");
    QTRY_COMPARE(rig.port.ReceiveBuffer(), QByteArray("RI"));
    rig.modem.inject("NG");
    QTRY_COMPARE(rig.port.ReceiveBuffer(), QByteArray("RING"));
    QVERIFY(lines.isEmpty());
    rig.modem.inject("\r");
    rig.modem.inject("\n\r\r\n");
    // A NUL and other stray control bytes neither end the line nor get into it; accents in UTF-8 survive, a
    // byte that is no UTF-8 becomes the replacement character alone.
    rig.modem.inject(QByteArray("NAME = A\0B\x01\x7f", 12) + "C\r\n");
    rig.modem.inject("NAME = JOS\xC3\x89\r\nNAME = REN\xC9\r\n");
    QTRY_COMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0).at(0).toString(), QString("RING"));
    QCOMPARE(lines.at(1).at(0).toString(), QString("NAME = ABC"));
    QCOMPARE(lines.at(2).at(0).toString(), QString::fromUtf8("NAME = JOSÉ"));
    QCOMPARE(lines.at(3).at(0).toString(), QString::fromUtf8("NAME = REN\uFFFD"));

    // A line made only of control bytes is no line at all; result codes are noted, not handed out.
    rig.modem.inject(QByteArray("\0\0\r", 3));
    rig.modem.inject("ok\r\n");
    QTRY_VERIFY(rig.port.ModemOK);
    QCOMPARE(lines.size(), 4);
}

void TestModemPort::linesKeepFlowingDuringAWait()
{
    Rig rig;
    rig.port.OpenPort(true);
    QStringList seen;
    bool waitRunning = false;
    connect(&rig.port, &ModemPort::lineReceived, this, [&](const QString& line) {
        seen << line + (waitRunning ? "@wait" : "");
        // The first number line starts a hang-up from inside the port's own line handling, as blocking does.
        if (line.startsWith("NMBR") && !waitRunning) {
            waitRunning = true;
            rig.port.HangUp();
            waitRunning = false;
        }
    });
    rig.modem.setCommandHook([&](const QString& command) {
        if (command == "ATH1")
            rig.modem.injectLine("NAME = LATE");
    });
    rig.modem.setReply("ATH1", "OK", 200);
    rig.modem.inject("\r\nNMBR = 5551234\r\nTIME = 0101\r\n");
    QTRY_VERIFY(seen.size() >= 3);
    // Lines that were already read come first, in order, then the one that arrived during the wait.
    QCOMPARE(seen, (QStringList{"NMBR = 5551234", "TIME = 0101@wait", "NAME = LATE@wait"}));
    QCOMPARE(rig.modem.commands().mid(5), (QStringList{"ATH1", "ATH0"}));
}

void TestModemPort::dialToneProbe()
{
    Rig rig;
    rig.port.OpenPort(true);

    rig.modem.clearReceived();
    rig.modem.queueReply("ATDT;", "NO DIAL TONE");
    QCOMPARE(rig.port.CheckDialTone(), 2);
    QCOMPARE(rig.modem.received(), QByteArray("\rATDT;\r\rATH0\r"));

    rig.modem.clearReceived();
    QCOMPARE(rig.port.CheckDialTone(), 1);
    QCOMPARE(rig.modem.received(), QByteArray("\rATDT;\r\rATH0\r"));

    // A refused probe is neither answer; a refused hang-up is tried once more.
    rig.modem.clearReceived();
    rig.modem.queueReply("ATDT;", "ERROR");
    rig.modem.queueReply("ATH0", "ERROR");
    QCOMPARE(rig.port.CheckDialTone(), 0);
    QCOMPARE(rig.modem.received(), QByteArray("\rATDT;\r\rATH0\r\rATH0\r"));

    // No reply at all, for the whole wait: the line is in use.
    rig.modem.clearReceived();
    rig.silentTo("ATDT;");
    QCOMPARE(rig.port.CheckDialTone(), 2);
    QCOMPARE(rig.clock.waitsRunOut(), 1);
    QCOMPARE(rig.modem.received(), QByteArray("\rATDT;\r\rATH0\r"));
    rig.modem.setCommandHook(nullptr);

    // Port closed: unable to probe, nothing written.
    rig.port.OpenPort(false);
    rig.modem.clearReceived();
    QCOMPARE(rig.port.CheckDialTone(), 0);
    QVERIFY(rig.modem.received().isEmpty());
}

void TestModemPort::hangUpSendsOffHookThenOnHook()
{
    Rig rig;
    rig.port.OpenPort(true);
    rig.modem.clearReceived();
    rig.port.HangUp();
    QCOMPARE(rig.modem.received(), QByteArray("\rATH1\r\rATH0\r"));
    rig.modem.clearReceived();
    rig.modem.queueReply("ATH0", "ERROR");
    rig.port.HangUp();
    QCOMPARE(rig.modem.received(), QByteArray("\rATH1\r\rATH0\r\rATH0\r"));
}

void TestModemPort::hangUpAskedDuringAProbeRunsAfterIt()
{
    Rig rig;
    rig.port.OpenPort(true);
    rig.modem.clearReceived();
    rig.modem.setReply("ATDT;", "NO DIAL TONE", 150);
    bool asked = false;
    rig.modem.setCommandHook([&](const QString& command) {
        if (command == "ATDT;" && !asked) {
            asked = true;
            QTimer::singleShot(20, &rig.port, [&] { rig.port.HangUp(); });
        }
    });
    QCOMPARE(rig.port.CheckDialTone(), 2);
    QCOMPARE(rig.modem.commands(), (QStringList{"ATDT;", "ATH0", "ATH1", "ATH0"}));
}

void TestModemPort::vanishedDeviceClosesThePortOnce()
{
    Rig rig;
    rig.port.OpenPort(true);
    rig.modem.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.PortOpen(), 3000);
    // Whatever the first error queued has been handled: still one notice.
    QVERIFY(waitForQueuedMarker());
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().at(0).kind, Prompt::Kind::Notice);
    QVERIFY(Prompt::texts().at(0).startsWith("Comm port " + rig.port.portLabel() + " stopped responding"));
    QVERIFY(!rig.port.ModemConnected);
    QCOMPARE(texts(rig.sent).last(), QString(";MODEMCONNECTION;FALSE;"));
    QCOMPARE(rig.events().last(), QString("Comm port closed"));
}

void TestModemPort::vanishedUsbDeviceClosesThePortAtOnce()
{
    Rig rig;
    SaveProperty(Section::frmConfiguration, Key::CommPort, rig.modem.devicePath());
    rig.port.OpenPort(true);
    QVERIFY(rig.port.ModemConnected);
    QSignalSpy sent(&rig.server, &clsServer::dataSent);
    const int reads = rig.clock.reads();
    if (!rig.modem.unplugLikeUsb())
        QSKIP("this process may not hang a terminal up");
    // Noticed without any command being sent (no dial-tone test runs): no wait for the modem ran meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.PortOpen(), 3000);
    QCOMPARE(rig.clock.reads(), reads);
    QTRY_VERIFY(!rig.port.ModemConnected);
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::texts().at(0).startsWith("Comm port " + rig.port.portLabel() + " stopped responding"));
    QCOMPARE(sent.last().at(0).toString(), QString(";MODEMCONNECTION;FALSE;"));
    QCOMPARE(rig.events().last(), QString("Comm port closed"));
}

// A USB adapter pulled out and plugged in again: the port opens by itself, without anyone asking and without
// a timer ticking while the adapter is out.
void TestModemPort::deviceThatComesBackIsOpenedAgain()
{
    Rig rig;
    SaveProperty(Section::frmConfiguration, Key::CommPort, rig.modem.devicePath());
    rig.port.OpenPort(true);
    QVERIFY(rig.port.ModemConnected);
    if (!rig.modem.unplugLikeUsb())
        QSKIP("this process may not hang a terminal up");
    QTRY_VERIFY(!rig.port.ModemConnected);
    QCOMPARE(rig.port.awaitedDevice(), rig.modem.devicePath());
    QVERIFY(waitForQueuedMarker());
    QVERIFY(!rig.port.ReturnTimer.isActive());
    QVERIFY(!rig.port.PortOpenTimer.isActive());

    rig.window.lstEvents.setStringList({});
    rig.modem.clearReceived();
    QVERIFY(rig.modem.plugBackLikeUsb());
    QTRY_VERIFY(rig.port.ModemConnected);
    QVERIFY(rig.port.PortOpen());
    // The modem was set up anew on the new line.
    QVERIFY(rig.modem.count("ATZ") >= 1);
    const QString label = rig.port.portLabel();
    QCOMPARE(rig.events().count("Comm port " + label + " is back"), 1);
    QVERIFY(rig.events().contains("Comm port " + label + " opened"));
    QVERIFY(rig.port.awaitedDevice().isEmpty());

    // Released by the user, the port stays released when the device goes and comes again.
    rig.port.OpenPort(false);
    QVERIFY(rig.port.awaitedDevice().isEmpty());
}

// The port's link re-pointed to another modem at once, as the system re-points a persistent name, and the
// old line lost after that: the path never goes away, and the modem behind it now is opened.
void TestModemPort::modemSwappedInOneStepIsOpenedAgain()
{
    Rig rig;
    const QString link = rig.modem.devicePath();
    SaveProperty(Section::frmConfiguration, Key::CommPort, link);
    rig.port.OpenPort(true);
    QVERIFY(rig.port.ModemConnected);
    FakeModem next;
    QVERIFY(QFile::link(next.slavePath(), link + ".new"));
    QVERIFY(::rename(QFile::encodeName(link + ".new").constData(), QFile::encodeName(link).constData()) == 0);
    rig.modem.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(next.count("ATS6=2") == 1, 10000);
    QVERIFY(rig.port.ModemConnected);
    QVERIFY(rig.port.awaitedDevice().isEmpty());
}

void TestModemPort::deviceBackAfterAFailedOpeningIsOpened_data()
{
    QTest::addColumn<QString>("before"); // what happened before the opening that fails
    // The program starts, or a mode switch makes a new main window and port, with the adapter out.
    QTest::newRow("out before the first opening") << "out";
    // Lost while open; Release Port ends the wait for it, and Open Port then fails.
    QTest::newRow("lost, Release Port, Open Port") << "lost";
    // Release Port, the adapter pulled out, Open Port.
    QTest::newRow("Release Port, pulled out, Open Port") << "released";
}

// A modem whose adapter was out when its port was opened opens by itself once the adapter is back, as a
// modem lost while open does.
void TestModemPort::deviceBackAfterAFailedOpeningIsOpened()
{
    QFETCH(QString, before);
    Rig rig;
    const QString path = rig.modem.devicePath();
    SaveProperty(Section::frmConfiguration, Key::CommPort, path);
    if (before != "out") {
        rig.port.OpenPort(true);
        QVERIFY(rig.port.ModemConnected);
    }
    if (before == "released")
        rig.port.OpenPort(false);
    if (!rig.modem.unplugLikeUsb())
        QSKIP("this process may not hang a terminal up");
    if (before == "lost") {
        QTRY_VERIFY(!rig.port.ModemConnected);
        QCOMPARE(rig.port.awaitedDevice(), path);
        QVERIFY(waitForQueuedMarker());
        rig.port.OpenPort(false);
        QVERIFY(rig.port.awaitedDevice().isEmpty());
    }
    rig.port.OpenPort(true);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.events().last(), QString("Cannot open comm port"));
    QCOMPARE(rig.port.closedReport(), QString("Cannot open comm port"));
    QCOMPARE(rig.port.awaitedDevice(), path);
    QVERIFY(!rig.port.ReturnTimer.isActive());

    rig.window.lstEvents.setStringList({});
    rig.modem.clearReceived();
    QVERIFY(rig.modem.plugBackLikeUsb());
    QTRY_VERIFY(rig.port.ModemConnected);
    QVERIFY(rig.modem.count("ATZ") >= 1);
    const QString label = rig.port.portLabel();
    QCOMPARE(rig.events().count("Comm port " + label + " is back"), 1);
    QVERIFY(rig.events().contains("Comm port " + label + " opened"));
    QVERIFY(rig.port.awaitedDevice().isEmpty());
    QVERIFY(rig.port.closedReport().isEmpty());
}

void TestModemPort::deviceThatFailsToOpenIsNotTriedAgain_data()
{
    QTest::addColumn<bool>("openedBefore");
    // Held by another program from the start: the folder of the devices changes all the time, and the busy
    // device must not be tried at each change.
    QTest::newRow("busy at the first opening") << false;
    // Another device at the path than the one the port last opened, and busy: what the port waits to change
    // is the device that failed, not the one it had.
    QTest::newRow("another device, busy") << true;
}

void TestModemPort::deviceThatFailsToOpenIsNotTriedAgain()
{
    QFETCH(bool, openedBefore);
    Rig rig;
    const QString link = rig.modem.devicePath();
    SaveProperty(Section::frmConfiguration, Key::CommPort, link);
    const auto pointLinkAt = [&link](const FakeModem& modem) {
        // In one step, as the system re-points a persistent name.
        return QFile::link(modem.slavePath(), link + ".new") &&
               ::rename(QFile::encodeName(link + ".new").constData(), QFile::encodeName(link).constData()) == 0;
    };
    FakeModem other;
    if (openedBefore) {
        rig.port.OpenPort(true);
        QVERIFY(rig.port.ModemConnected);
        rig.port.OpenPort(false);
        QVERIFY(pointLinkAt(other));
    }
    QSerialPort holder(link);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    rig.port.OpenPort(true);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.port.awaitedDevice(), link);
    QVERIFY(!rig.port.ReturnTimer.isActive());
    // Something else changes in the device's folder: the busy device is still not tried.
    QFileSystemWatcher folder({QFileInfo(link).absolutePath()});
    QSignalSpy changed(&folder, &QFileSystemWatcher::directoryChanged);
    QFile beside(link + ".beside");
    QVERIFY(beside.open(QIODevice::WriteOnly));
    QTRY_VERIFY(!changed.isEmpty());
    QVERIFY(waitForQueuedMarker());
    QVERIFY(!rig.port.ReturnTimer.isActive());
    QCOMPARE(rig.events().count("Cannot open comm port"), 1);
    beside.remove();

    // Another modem put at the path is opened.
    holder.close();
    FakeModem last;
    QVERIFY(pointLinkAt(last));
    QTRY_VERIFY_WITH_TIMEOUT(last.count("ATS6=2") == 1, 10000);
    QVERIFY(rig.port.ModemConnected);
    QVERIFY(rig.port.awaitedDevice().isEmpty());
}

void TestModemPort::portLostDuringTheProbeIsNoAnswer_data()
{
    QTest::addColumn<bool>("usb");
    QTest::newRow("line hung up") << false;
    QTest::newRow("usb device gone") << true;
}

void TestModemPort::portLostDuringTheProbeIsNoAnswer()
{
    QFETCH(bool, usb);
    if (usb && ::geteuid() != 0)
        QSKIP("only root may hang a terminal up the way a pulled adapter does");
    Rig rig;
    if (usb)
        SaveProperty(Section::frmConfiguration, Key::CommPort, rig.modem.devicePath());
    rig.port.OpenPort(true);
    QVERIFY(rig.port.ModemConnected);
    // The probe is sent, then the port goes before any answer: silence from a port that is gone is not the
    // silence of a line in use.
    rig.modem.setReply("ATDT;", "");
    rig.modem.setCommandHook([&](const QString& command) {
        if (command == "ATDT;")
            QTimer::singleShot(0, &rig.modem, [&] {
                if (usb)
                    rig.modem.unplugLikeUsb();
                else
                    rig.modem.unplug();
            });
    });
    // The wait clock stands still: only the port's going can end the wait.
    QCOMPARE(rig.port.CheckDialTone(), 0);
    QCOMPARE(rig.clock.now(), kStartMs);
    QVERIFY(!rig.port.PortOpen());
    QTRY_VERIFY(!rig.port.ModemConnected);
}

QTEST_GUILESS_MAIN(TestModemPort)
#include "test_modemport.moc"
