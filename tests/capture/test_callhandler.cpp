#include "capture/CallHandler.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QFile>

#include <QSignalSpy>
#include <QTest>

#include "capture/ModemLines.h"
#include "capture/ModemPort.h"
#include "capture/clsSound.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "support/BlockedContact.h"
#include "support/FakeModem.h"
#include "support/ManualWaitClock.h"
#include "support/QueuedMarker.h"
#include "support/ReadOnlyFolder.h"
#include "support/ResetForTests.h"
#include "support/SignalTexts.h"
#include "support/StandardErrorCapture.h"
#include "support/TempHome.h"

namespace {

struct Row {
    qint64 id = 0;
    QString name, number, answered;
    qint64 rings = 0;
    QString date;
};

// A whole call road: home with a real call log, a main window for the event lines, a server for the
// broadcasts, a fake modem on a pty, the port open on it and the call handler listening.
struct Road {
    TempHome home;
    MainWindow window;
    clsServer& server = install(gServer);
    QSignalSpy sent{&server, &clsServer::dataSent};
    FakeModem modem;
    ModemPort port{&window};
    CallHandler calls{&port};
    // The modem's waits end by its answers only: a busy machine cannot make one run out.
    ManualWaitClock waitClock{0};

    Road()
    {
        gMainForm = &window;
        port.setWaitClock(waitClock.reader());
        SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
        // Nothing to hear in a test; the choice of sound is checked where it matters.
        SaveProperty(Section::frmConfiguration, Key::ImmediateSound, "");
        CreateCallerDB(home.file("dbCID.mdb"));
        // The call timers are driven by hand.
        calls.RingTimer.setInterval(3600 * 1000);
        calls.AnswerTimer.setInterval(3600 * 1000);
    }
    void open()
    {
        port.OpenPort(true);
        QVERIFY(port.ModemConnected);
        sent.clear();
        window.lstEvents.setStringList({});
        modem.clearReceived();
    }
    QStringList events() const { return window.lstEvents.stringList(); }
    QList<Row> rows() const
    {
        SqlDatabase db(home.file("dbCID.mdb"), SqlDatabase::Mode::ReadOnly);
        SqlStatement st =
            db.prepare("SELECT ID, fldName, fldNumber, fldRings, fldAnswered, fldDate FROM tblCID ORDER BY ID");
        QList<Row> out;
        while (st.step())
            out.append(Row{st.int64(0), st.text(1), st.text(2), st.text(4), st.int64(3), st.text(5)});
        return out;
    }
    void lines(const QStringList& lines)
    {
        for (const QString& l : lines)
            modem.injectLine(l);
    }
    void endCall()
    {
        for (int i = 0; i < 8; ++i)
            calls.RingTimer_Timer();
    }
};

} // namespace

class TestCallHandler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesCallerIdLines_data();
    void parsesCallerIdLines();
    void resultCodesSetTheModemFlags();
    void wholeCallThroughThePty();
    void ringsWithinEightSecondsBelongToTheSameCall();
    void callsOfALine_data();
    void callsOfALine();
    void callThatCannotBeStoredIsStillShownAndSent();
    void callThatCannotBeStoredIsKeptInTheActivityLog();
    void callThatCannotBeStoredAnywhereGoesToStandardError();
    void gluedLineCannotShiftAClientsFields();
    void textWithoutLineEndIsBounded();
    void tagAfterABabbleIsHeard();
    void nameHoldingATagSurvivesTheSalvage();
    void secondNumberLineDoesNotHandleAgain();
    void answeredTest();
    void answeredTestInRealTime();
    void answeredTestOffOrPortClosed();
    void answeredTestWhenThePortIsLostMeanwhile();
    void blockStringMatching_data();
    void blockStringMatching();
    void blockedCallIsHungUpOnce();
    void blockCallGuards();
    void contactInBlockingGroupIsBlocked();
    void soundsOfACall();
    void clientsHearOfAChangeBeforeTheWindowAndTheSounds();
};

void TestCallHandler::parsesCallerIdLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    const QString nr = "NOT RECEIVED";
    QTest::newRow("lower case, blanks round =, ten digits") << "nmbr = 5551234567" << nr << "(555) 123-4567";
    QTest::newRow("no blanks, seven digits") << "NMBR=5551234" << nr << "555-1234";
    QTest::newRow("blank before = only") << "NMBR =5551234" << nr << "555-1234";
    QTest::newRow("blank, no =") << "NMBR 5551234567" << nr << "(555) 123-4567";
    QTest::newRow("number 0") << "NMBR = 0" << nr << "UNKNOWN NUMBER";
    QTest::newRow("number O") << "NMBR = O" << nr << "UNKNOWN NUMBER";
    QTest::newRow("number P") << "NMBR = P" << nr << "PRIVATE NUMBER";
    QTest::newRow("number p is upper-cased first") << "NMBR = p" << nr << "PRIVATE NUMBER";
    QTest::newRow("eleven digits unchanged") << "NMBR = 15551234567" << nr << "15551234567";
    QTest::newRow("name O") << "NAME = O"
                            << "UNKNOWN NUMBER" << nr;
    QTest::newRow("name P") << "NAME = P"
                            << "PRIVATE NUMBER" << nr;
    QTest::newRow("name upper-cased") << "name = john doe"
                                      << "JOHN DOE" << nr;
    QTest::newRow("separator in name") << "NAME = A;B"
                                       << "A?B" << nr;
    QTest::newRow("every separator") << "NAME=a//b|c'd;e"
                                     << "A?B?C?D?E" << nr;
    QTest::newRow("glued to the tag") << "NAMEJOHN"
                                      << "JOHN" << nr;
    QTest::newRow("glued value is cleaned too") << "NameJo;hn"
                                                << "JO?HN" << nr;
    QTest::newRow("glued value with every separator") << "NAMEEVIL;X|Y|Z"
                                                      << "EVIL?X?Y?Z" << nr;
    QTest::newRow("only the leading tag goes") << "NAMENAMELESS NAME"
                                               << "NAMELESS NAME" << nr;
    QTest::newRow("glued number") << "NMBR5551234" << nr << "555-1234";
    QTest::newRow("glued number with the tag inside") << "NMBR55NMBR" << nr << "55NMBR";
    QTest::newRow("date ignored") << "DATE = 1225" << nr << nr;
    QTest::newRow("time ignored") << "TIME = 0930" << nr << nr;
    QTest::newRow("unknown line ignored") << "MESG = 0102" << nr << nr;
}

void TestCallHandler::parsesCallerIdLines()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(QString, number);
    Road road;
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent(line);
    QCOMPARE(road.calls.CurrentCaller->Name, name);
    QCOMPARE(road.calls.CurrentCaller->Number.Number, number);
    // What the record holds is what the call log holds.
    const QList<Row> rows = road.rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].name, name);
    QCOMPARE(rows[0].number, number);
}

void TestCallHandler::gluedLineCannotShiftAClientsFields()
{
    Road road;
    road.open();
    QSignalSpy sent(&road.server, &clsServer::dataSent);
    road.lines({"RING", "NMBR5551234567", "NAMEEVIL;X|Y|Z", "RING"});
    QTRY_COMPARE(road.calls.CurrentCaller->Rings, 2);

    // Every record a client was sent reads back with its fields where they belong.
    int records = 0;
    for (const QList<QVariant>& args : sent) {
        const QString text = args.at(0).toString();
        if (!text.startsWith(";INCOMING CALLER;"))
            continue;
        ++records;
        QVERIFY2(text.count(';') == 2, qPrintable(text));
        clsCaller c;
        c.BuildCaller(text.mid(QStringLiteral(";INCOMING CALLER;").size()));
        QVERIFY(!c.BadData());
        QCOMPARE(c.Answered, QStringLiteral("N/A"));
        QVERIFY(c.CallerDate.startsWith(road.calls.CurrentCaller->CallerDate.left(4)));
        if (c.Name != "NOT RECEIVED")
            QCOMPARE(c.Name, QStringLiteral("EVIL?X?Y?Z"));
    }
    QVERIFY(records >= 3);
    QCOMPARE(road.rows().at(0).name, QStringLiteral("EVIL?X?Y?Z"));
    QCOMPARE(road.rows().at(0).number, QStringLiteral("(555) 123-4567"));
}

void TestCallHandler::textWithoutLineEndIsBounded()
{
    Road road;
    road.open();
    QSignalSpy lines(&road.port, &ModemPort::lineReceived);
    // 8 MB of text that never ends its line, the way a broken modem or a noisy line can send it.
    const QByteArray chunk(64 * 1024, 'A');
    for (int i = 0; i < 128; ++i) {
        road.modem.inject(chunk);
        QVERIFY2(road.port.ReceiveBuffer().size() <= ModemPort::MaxLineBytes,
                 qPrintable(QString::number(road.port.ReceiveBuffer().size())));
    }
    // Then a call: it keeps its caller ID.
    road.lines({"RING"});
    road.lines(FakeModem::callLines("5551234567", "JOHN DOE"));
    road.lines({"RING"});
    QTRY_COMPARE(road.calls.CurrentCaller->Rings, 2);
    QCOMPARE(road.calls.CurrentCaller->Number.Number, QStringLiteral("(555) 123-4567"));
    QCOMPARE(road.calls.CurrentCaller->Name, QStringLiteral("JOHN DOE"));
    // The overlong line itself went nowhere, and was reported once.
    for (const QList<QVariant>& args : lines)
        QVERIFY(args.at(0).toString().size() <= ModemPort::MaxLineBytes);
    QCOMPARE(road.events().filter("longer than").size(), 1);

    // A second one in the same session is dropped without another word.
    road.modem.inject(QByteArray(ModemPort::MaxLineBytes + 10, 'B') + "\r\n");
    road.lines({"RING"});
    QTRY_COMPARE(road.calls.CurrentCaller->Rings, 3);
    QCOMPARE(road.events().filter("longer than").size(), 1);
}

// A modem that babbles without a line end, then rings with no line end before the tag: the ring counts,
// whether it came after a pause or in the babble's last read, both in the line cutter itself and through
// the port.
void TestCallHandler::tagAfterABabbleIsHeard()
{
    ModemLineAssembler cutter;
    // The babble's reads do not end on the bound: the last one leaves less than a line's worth.
    for (int i = 0; i < 50; ++i) {
        cutter.append(QByteArray(i == 49 ? 1000 : 3000, 'x'));
        QVERIFY(!cutter.next());
        QVERIFY(cutter.partial().size() <= ModemLineAssembler::MaxLineBytes);
    }
    cutter.append("RING\r\n");
    QCOMPARE(cutter.next(), std::optional<QString>(QStringLiteral("RING")));
    QVERIFY(cutter.takeTooLong());
    // A line that stays under the bound is not cut at a read: a modem's line may come in pieces.
    cutter.append("NMBR = 555");
    cutter.append("1234\r\n");
    QCOMPARE(cutter.next(), std::optional<QString>(QStringLiteral("NMBR = 5551234")));
    QVERIFY(!cutter.takeTooLong());
    // The tag in the same read as the babble's tail, in any case, and with its value.
    cutter.append(QByteArray(5000, 'x') + "ring\r\n" + QByteArray(4500, 'y') + "Name = JOHN DOE\r\n");
    QCOMPARE(cutter.next(), std::optional<QString>(QStringLiteral("ring")));
    QCOMPARE(cutter.next(), std::optional<QString>(QStringLiteral("Name = JOHN DOE")));
    QVERIFY(cutter.takeTooLong());
    // An over-long line with no tag at its end is dropped whole; a tag deep inside the babble is no tag.
    cutter.append("RING" + QByteArray(5000, 'z') + "\r\nOK\r\n");
    QCOMPARE(cutter.next(), std::optional<QString>(QStringLiteral("OK")));
    QVERIFY(cutter.takeTooLong());
    QVERIFY(!cutter.next());

    for (const bool pause : {true, false}) {
        Road road;
        road.open();
        road.modem.inject(QByteArray(200000, 'A') + (pause ? QByteArray() : QByteArray("RING\r\n")));
        if (pause) {
            // Every byte of the babble has been read before the ring is said.
            QVERIFY(QTest::qWaitFor([&] { return road.modem.unreadBytes() == 0; }, 10000));
            QVERIFY(waitForQueuedMarker());
            road.modem.inject("RING\r\n");
        }
        road.lines(FakeModem::callLines("5551234567", "JOHN DOE"));
        road.lines({"RING"});
        QTRY_COMPARE(road.calls.CurrentCaller->Rings, 2);
        QCOMPARE(road.calls.CurrentCaller->Number.Number, QStringLiteral("(555) 123-4567"));
        QCOMPARE(road.events().filter("longer than").size(), 1);
    }
}

void TestCallHandler::resultCodesSetTheModemFlags()
{
    Road road;
    road.calls.ProcessEvent("ok");
    QVERIFY(road.port.ModemOK);
    road.calls.ProcessEvent("Error");
    QVERIFY(road.port.ModemError);
    road.calls.ProcessEvent("NO DIAL TONE");
    QVERIFY(road.port.NoDialTone);
    QVERIFY(road.rows().isEmpty());
    QVERIFY(road.sent.isEmpty());
}

void TestCallHandler::wholeCallThroughThePty()
{
    Road road;
    road.open();
    QSignalSpy added(&road.calls, &CallHandler::callAdded);
    QSignalSpy updated(&road.calls, &CallHandler::callUpdated);
    QSignalSpy popup(&road.calls, &CallHandler::popupRequested);
    QSignalSpy rings(&road.calls, &CallHandler::popupRing);

    road.lines({"RING"});
    road.lines(FakeModem::callLines("5551234567", "JOHN DOE"));
    road.lines({"RING"});
    QTRY_COMPARE(road.calls.CurrentCaller->Rings, 2);

    const QList<Row> rows = road.rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].name, QString("JOHN DOE"));
    QCOMPARE(rows[0].number, QString("(555) 123-4567"));
    QCOMPARE(rows[0].rings, 2);
    QCOMPARE(rows[0].answered, QString("N/A"));
    QCOMPARE(road.calls.CurrentCaller->ID, qint32(rows[0].id));

    QCOMPARE(road.events(), (QStringList{"Incoming Call From:  NOT RECEIVED     NOT RECEIVED     1 Rings",
                                         "Incoming Call From:  JOHN DOE     (555) 123-4567     2 Rings"}));

    const clsCaller& c = *road.calls.CurrentCaller;
    clsCaller zeroRings = c;
    zeroRings.Name = zeroRings.Number.Number = "NOT RECEIVED";
    zeroRings.Rings = 0;
    clsCaller numberOnly = c;
    numberOnly.Name = "NOT RECEIVED";
    numberOnly.Rings = 1;
    clsCaller oneRing = c;
    oneRing.Rings = 1;
    QCOMPARE(texts(road.sent), (QStringList{";NEW;", ";INCOMING CALLER;" + zeroRings.PrintSend(), ";RING;",
                                            ";INCOMING CALLER;" + numberOnly.PrintSend(),
                                            ";INCOMING CALLER;" + oneRing.PrintSend(), ";RING;"}));

    QCOMPARE(added.size(), 1);
    QCOMPARE(updated.size(), 4); // ring, number, name, ring
    QCOMPARE(updated.last().at(0).toInt(), c.ID);
    QCOMPARE(popup.size(), 1);
    QCOMPARE(rings.size(), 2);
    QVERIFY(gRinging);
    QVERIFY(road.calls.CallHandled);
    QVERIFY(road.calls.RingTimer.isActive());
    QVERIFY(road.calls.AnswerTimer.isActive());

    // Eight quiet seconds end the call.
    for (int i = 0; i < 7; ++i)
        road.calls.RingTimer_Timer();
    QVERIFY(gRinging);
    road.calls.RingTimer_Timer();
    QVERIFY(!gRinging);
    QVERIFY(!road.calls.CallHandled);
    QVERIFY(!road.calls.RingTimer.isActive());
    QCOMPARE(road.calls.CurrentCaller->Rings, 0);
    QCOMPARE(road.calls.CurrentCaller->ID, 0);
}

void TestCallHandler::ringsWithinEightSecondsBelongToTheSameCall()
{
    Road road;
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, "False");
    QSignalSpy popup(&road.calls, &CallHandler::popupRequested);
    road.calls.ProcessEvent("RING");
    for (int i = 0; i < 7; ++i)
        road.calls.RingTimer_Timer();
    road.calls.ProcessEvent("RING"); // the counters start again
    for (int i = 0; i < 7; ++i)
        road.calls.RingTimer_Timer();
    road.calls.ProcessEvent("ring");
    QCOMPARE(road.rows().size(), 1);
    QCOMPARE(road.rows()[0].rings, 3);
    road.endCall();
    road.calls.ProcessEvent("RING");
    QCOMPARE(road.rows().size(), 2);
    QCOMPARE(road.rows()[1].rings, 1);
    QCOMPARE(popup.size(), 0);
}

void TestCallHandler::callsOfALine_data()
{
    // The modem's bytes, read by read; "1 s" is a second without a line, "port opens again" the port released and
    // opened, "road ends" the end of the call road (a mode switch, the program's end).
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("blockList");
    QTest::addColumn<QStringList>("rows"); // name|number|rings|answered|seconds from the start to the call's time
    const auto uk = [](const char* number) {
        return QStringLiteral("DATE=1203\r\nTIME=1452\r\nNMBR=%1\r\n").arg(QLatin1String(number));
    };
    const QString us = QStringLiteral("\r\nDATE = 1225\r\nTIME = 0930\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n");
    const QString ring = QStringLiteral("\r\nRING\r\n");
    const QString second = QStringLiteral("1 s");
    QTest::newRow("caller ID before the first ring") << QStringList{uk("07700900123"), ring, second, ring} << QString()
                                                     << QStringList{"NOT RECEIVED|07700900123|2|N/A|0"};
    QTest::newRow("two such calls 4 s apart")
        << QStringList{uk("07700900123"), ring, second, second, ring, second, second,
                       uk("07700900456"), ring, second, ring}
        << QString() << QStringList{"NOT RECEIVED|07700900123|2|N/A|0", "NOT RECEIVED|07700900456|2|N/A|4"};
    QTest::newRow("blocks with no ring") << QStringList{uk("07700900123"),
                                                        second,
                                                        uk("07700900456") + uk("07700900789"),
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        second}
                                         << QString()
                                         << QStringList{"NOT RECEIVED|07700900123|0|N/A|0",
                                                        "NOT RECEIVED|07700900456|0|N/A|1",
                                                        "NOT RECEIVED|07700900789|0|N/A|1"};
    QTest::newRow("blocked before its first ring")
        << QStringList{uk("07700900123"), ring, second, ring} << QStringLiteral("07700900123")
        << QStringList{"NOT RECEIVED|07700900123|2|BLOCKED|0"};
    QTest::newRow("distinctive rings") << QStringList{"\r\nRING 2\r\n" + us + "\r\nRING B\r\n"} << QString()
                                       << QStringList{"JOHN DOE|(555) 123-4567|2|N/A|0"};
    QString lf = ring + us + ring;
    lf.remove(QLatin1Char('\r'));
    QTest::newRow("lines ended by LF alone")
        << QStringList{lf} << QString() << QStringList{"JOHN DOE|(555) 123-4567|2|N/A|0"};
    QTest::newRow("a ring given back") << QStringList{ring + us + ring, second, ring + uk("5559876543") + ring}
                                       << QString()
                                       << QStringList{"JOHN DOE|(555) 123-4567|2|N/A|0",
                                                      "NOT RECEIVED|(555) 987-6543|2|N/A|1"};
    // Some modems send the block twice: the same caller, one call.
    QTest::newRow("the same block twice in one write")
        << QStringList{uk("07700900123") + uk("07700900123"), ring, second, ring} << QString()
        << QStringList{"NOT RECEIVED|07700900123|2|N/A|0"};
    QTest::newRow("the same block three times in one write")
        << QStringList{uk("07700900123") + uk("07700900123") + uk("07700900123"), ring, second, ring} << QString()
        << QStringList{"NOT RECEIVED|07700900123|2|N/A|0"};
    QTest::newRow("a number line alone, twice")
        << QStringList{QStringLiteral("NMBR=07700900123\r\nNMBR=07700900123\r\n"), ring, second, ring} << QString()
        << QStringList{"NOT RECEIVED|07700900123|2|N/A|0"};
    QTest::newRow("the block said again with the name it lacked")
        << QStringList{uk("07700900123") + uk("07700900123") + QStringLiteral("NAME=JOHN DOE\r\n"), ring, second, ring}
        << QString() << QStringList{"JOHN DOE|07700900123|2|N/A|0"};
    QTest::newRow("another number close behind")
        << QStringList{uk("07700900123") + uk("07700900456"), ring, second, ring} << QString()
        << QStringList{"NOT RECEIVED|07700900123|0|N/A|0", "NOT RECEIVED|07700900456|2|N/A|0"};
    QTest::newRow("the same number at another time")
        << QStringList{uk("07700900123") + QStringLiteral("DATE=1203\r\nTIME=1453\r\nNMBR=07700900123\r\n"), ring,
                       second, ring}
        << QString() << QStringList{"NOT RECEIVED|07700900123|0|N/A|0", "NOT RECEIVED|07700900123|2|N/A|0"};
    QTest::newRow("the same block after a pause")
        << QStringList{uk("07700900123"), second, uk("07700900123"), ring, second, ring} << QString()
        << QStringList{"NOT RECEIVED|07700900123|0|N/A|0", "NOT RECEIVED|07700900123|2|N/A|1"};
    QTest::newRow("blanks around the rings")
        << QStringList{"\r\nRING 2 \r\n" + us + "\r\n RING\r\n"} << QStringLiteral("5551234567")
        << QStringList{"JOHN DOE|(555) 123-4567|2|BLOCKED|0"};
    QTest::newRow("a tab or two blanks before a ring's code")
        << QStringList{"\r\nRING\t2\r\n" + us + "\r\nRINGS\r\nXRING\r\nRING-2\r\nRING  B\r\n"}
        << QStringLiteral("5551234567") << QStringList{"JOHN DOE|(555) 123-4567|2|BLOCKED|0"};
    QTest::newRow("the same block again with another name")
        << QStringList{uk("07700900123") + "NAME=JOHN DOE\r\n" + uk("07700900123") + "NAME=JANE ROE\r\n", ring, second,
                       ring}
        << QString() << QStringList{"JANE ROE|07700900123|2|N/A|0"};
    QTest::newRow("the same block again with no name")
        << QStringList{uk("07700900123") + "NAME=JOHN DOE\r\n" + uk("07700900123") + "NAME=\r\n", ring, second, ring}
        << QString() << QStringList{"JOHN DOE|07700900123|2|N/A|0"};
    // The usual order, a ring first: a repeat whose NAME says nothing (blank, then a tab) keeps the block's name.
    const QString unnamed = QString(us).replace(QStringLiteral("JOHN DOE"), QStringLiteral("\t"));
    const QStringList john{"JOHN DOE|(555) 123-4567|2|N/A|0"};
    QTest::newRow("ring first, repeat unnamed") << QStringList{ring + us + unnamed + ring} << QString() << john;
    QTest::newRow("ring first, repeat later") << QStringList{ring + us, second, unnamed + ring} << QString() << john;
    QTest::newRow("name first, repeat unnamed")
        << QStringList{"NAME=JOHN DOE\r\nNMBR=07700900123\r\nNAME=\r\nNMBR=07700900123\r\n", ring, second, ring}
        << QString() << QStringList{"JOHN DOE|07700900123|2|N/A|0"};
    QTest::newRow("a tab after a caller-ID line's =")
        << QStringList{"NMBR=\t5552468100\r\nNAME=\tJOHN DOE\r\n", ring, second, ring} << QString()
        << QStringList{"JOHN DOE|(555) 246-8100|2|BLOCKED|0"};
    // The block's eight seconds count from its last line.
    QTest::newRow("a block said slowly") << QStringList{QStringLiteral("DATE=1203\r\n"),
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        QStringLiteral("TIME=1452\r\nNMBR=07700900123\r\n"),
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        second,
                                                        ring,
                                                        second,
                                                        ring}
                                         << QString() << QStringList{"NOT RECEIVED|07700900123|2|N/A|10"};
    QTest::newRow("a block with no ring, and quiet after it")
        << QStringList{uk("07700900123"), second, second, second, second, second, second, second, second, second}
        << QString() << QStringList{"NOT RECEIVED|07700900123|0|N/A|0"};
    QTest::newRow("a block with no ring as the port opens again")
        << QStringList{uk("07700900123"), QStringLiteral("port opens again"), ring, second, ring} << QString()
        << QStringList{"NOT RECEIVED|07700900123|0|N/A|0", "NOT RECEIVED|NOT RECEIVED|2|N/A|0"};
    QTest::newRow("a block with no ring as the road ends")
        << QStringList{uk("07700900123"), QStringLiteral("road ends")} << QString()
        << QStringList{"NOT RECEIVED|07700900123|0|N/A|0"};
}

// Whatever order a line gives the caller ID and the rings in, and however it ends its lines, each caller is one
// row with its own number, time and rings, is blocked, sent to the clients and logged as it rang.
void TestCallHandler::callsOfALine()
{
    QFETCH(QStringList, script);
    QFETCH(QString, blockList);
    QFETCH(QStringList, rows);
    Road road;
    const QDateTime start(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC);
    Clock::setNow(start);
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, blockList);
    // A call from this contact is seen to be matched to it where it is blocked.
    QVERIFY(addBlockedContact(road.home.file("dbContacts.mdb"), "JOHN DOE", "(555) 246-8100"));
    road.open();
    for (const QString& step : script) {
        if (step == QLatin1String("1 s")) {
            Clock::advance(1);
            // A second ticks only a timer that runs, as on a real line.
            if (road.calls.RingTimer.isActive())
                road.calls.RingTimer_Timer();
            continue;
        }
        if (step == QLatin1String("port opens again")) {
            road.port.OpenPort(false);
            road.port.OpenPort(true);
            QVERIFY(road.port.ModemConnected);
            continue;
        }
        if (step == QLatin1String("road ends")) {
            road.calls.End();
            continue;
        }
        road.modem.inject(step.toLatin1());
        QVERIFY(QTest::qWaitFor([&] { return road.modem.unreadBytes() == 0 && !road.port.isBusy(); }, 10000));
        QVERIFY(waitForQueuedMarker());
    }
    // Only a call that rang leaves the line ringing: a caller who never rang leaves no ringing behind.
    QCOMPARE(gRinging, road.calls.CurrentCaller->Rings > 0);
    road.endCall();

    QStringList stored;
    for (const Row& r : road.rows())
        stored << QStringLiteral("%1|%2|%3|%4|").arg(r.name, r.number).arg(r.rings).arg(r.answered) + r.date;
    for (QString& row : rows)
        row = row.section(QLatin1Char('|'), 0, 3) + QLatin1Char('|') +
              DateText::toIso(start.addSecs(row.section(QLatin1Char('|'), 4).toInt()));
    QCOMPARE(stored, rows);
    QCOMPARE(road.modem.count(QStringLiteral("ATH1")), rows.filter(QStringLiteral("|BLOCKED|")).size());
    QCOMPARE(texts(road.sent).filter(QStringLiteral(";NEW;")).size(), rows.size());
    // The activity log's last word on each caller is the count its row has; a caller who called again has each
    // call's count said.
    const QList<Row> calls = road.rows();
    for (qsizetype i = 0; i < calls.size(); ++i) {
        const Row& r = calls[i];
        const QStringList said = road.events().filter(QStringLiteral("  ") + r.name + QStringLiteral("     ") +
                                                      r.number + QStringLiteral("     "));
        const QString count = QStringLiteral("     %1 Rings").arg(r.rings);
        const bool calledAgain = std::any_of(calls.cbegin() + i + 1, calls.cend(), [&r](const Row& later) {
            return later.name == r.name && later.number == r.number;
        });
        QVERIFY2(!said.isEmpty() && (calledAgain ? !said.filter(count).isEmpty() : said.last().contains(count)),
                 qPrintable(said.join(QLatin1Char('\n'))));
    }
}

void TestCallHandler::callThatCannotBeStoredIsStillShownAndSent()
{
    Road road;
    CloseCallerDB();
    QSignalSpy added(&road.calls, &CallHandler::callAdded);
    QSignalSpy updated(&road.calls, &CallHandler::callUpdated);
    QSignalSpy shown(&road.calls, &CallHandler::popupUpdate);
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5551234567");
    QCOMPARE(road.calls.CurrentCaller->ID, 0);
    QCOMPARE(added.size(), 0);
    QCOMPARE(updated.size(), 0);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(road.sent.size(), 4);
    QVERIFY(texts(road.sent).last().startsWith(";INCOMING CALLER;|0|NOT RECEIVED|NUMBER|(555) 123-4567|"));
}

void TestCallHandler::callThatCannotBeStoredIsKeptInTheActivityLog()
{
    Road road;
    CloseCallerDB();
    // Kept whether or not the user asked for an activity log.
    SaveProperty(Section::frmConfiguration, Key::LogActivity, "False");
    road.calls.ProcessEvent("RING");
    const QString date = road.calls.CurrentCaller->CallerDate;
    road.calls.ProcessEvent("NMBR = 5551234567");
    road.calls.ProcessEvent("NAME = JOHN DOE");
    road.calls.ProcessEvent("RING");
    road.endCall();

    QFile log(road.home.file("ActivityLog.dat"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains("Could not store the incoming call in the call log: No call log is open."),
             qPrintable(text));
    QVERIFY2(text.contains("Call not stored (No call log is open.):  " + date +
                           "     JOHN DOE     (555) 123-4567     2 Rings     N/A"),
             qPrintable(text));
    // Said in the event list too, once at the first ring and once at the end.
    QCOMPARE(road.events().filter("Call not stored").size(), 1);
    QCOMPARE(road.events().filter("Could not store the incoming call").size(), 1);

    // The next call that cannot be stored is kept as well.
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5559876");
    road.endCall();
    QVERIFY(log.seek(0));
    QVERIFY(QString::fromUtf8(log.readAll()).contains("NOT RECEIVED     555-9876     1 Rings     N/A"));
}

void TestCallHandler::callThatCannotBeStoredAnywhereGoesToStandardError()
{
    Road road;
    CloseCallerDB();
    SaveProperty(Section::frmConfiguration, Key::LogActivity, "True");
    StandardErrorCapture captured;
    {
        // A program folder the program cannot write: neither the call log nor the activity log can be made.
        ReadOnlyFolder readOnly(road.home.path());
        QVERIFY(readOnly.holds());
        road.calls.ProcessEvent("RING");
        road.calls.ProcessEvent("NMBR = 5551234567");
        road.calls.ProcessEvent("NAME = JANE ROE");
        road.calls.ProcessEvent("RING");
        road.endCall();
        // The program ends with the activity log's lines still held: they leave with it, each once.
        writeHeldActivityLinesAtEnd();
    }
    const QString text = captured.take();
    QVERIFY(!QFile::exists(road.home.file("ActivityLog.dat")));
    QVERIFY(!QFile::exists(road.home.file("Diagnostics.log")));
    QVERIFY2(text.contains("Call not stored (No call log is open.):  "), qPrintable(text));
    QCOMPARE(text.count("JANE ROE     (555) 123-4567     2 Rings     N/A"), 1);
    QCOMPARE(text.count("Incoming Call From:  JANE ROE     (555) 123-4567     2 Rings"), 1);
}

// A tag inside a name ("BRINGER", "SPRINGFIELD MO") is no tag: the salvage of an over-long line keeps the
// whole name line.
void TestCallHandler::nameHoldingATagSurvivesTheSalvage()
{
    Road road;
    road.open();
    road.modem.inject("\r\nRING\r\n");
    road.modem.inject("NMBR = 5551110008\r\n" + QByteArray(5000, 'x') + "NAME = BRINGER\r\n");
    road.modem.inject("\r\nRING\r\n");
    QTRY_COMPARE(road.calls.CurrentCaller->Rings, 2);
    QCOMPARE(road.calls.CurrentCaller->Name, QStringLiteral("BRINGER"));
    QCOMPARE(road.rows().value(0).name, QStringLiteral("BRINGER"));
    ModemLineAssembler cutter;
    cutter.append(QByteArray(5000, 'x') + "NAME = SPRINGFIELD MO\r\n");
    QCOMPARE(cutter.next(), std::optional<QString>(QStringLiteral("NAME = SPRINGFIELD MO")));
}

void TestCallHandler::secondNumberLineDoesNotHandleAgain()
{
    Road road;
    road.open();
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, ";555-1234;");
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5550000");
    QVERIFY(road.calls.CallHandled);
    // A second number that would match a block string comes too late: the call was handled.
    road.calls.ProcessEvent("NMBR = 5551234");
    QCOMPARE(road.calls.CurrentCaller->Number.Number, QString("555-1234"));
    QCOMPARE(road.calls.CurrentCaller->Answered, QString("N/A"));
    QCOMPARE(road.rows()[0].number, QString("555-1234"));
    QVERIFY(road.modem.received().isEmpty());
}

void TestCallHandler::answeredTest()
{
    Road road;
    road.open();
    SaveProperty(Section::frmConfiguration, Key::DialToneWait, "3");

    struct Case {
        QString reply;
        QString answered;
        QString event;
    };
    const QList<Case> cases = {{"NO DIAL TONE", "YES", "The incoming call was answered"},
                               {"OK", "NO", QString()},
                               {"ERROR", "N/A", "Unable to check dial tone"}};
    for (const Case& k : cases) {
        road.modem.clearReceived();
        road.window.lstEvents.setStringList({});
        road.sent.clear();
        road.modem.queueReply("ATDT;", k.reply);
        road.calls.ProcessEvent("RING");
        road.calls.ProcessEvent("NMBR = 5551234567");
        const qint32 id = road.calls.CurrentCaller->ID;
        road.calls.AnswerTimer_Timer();
        road.calls.AnswerTimer_Timer();
        QVERIFY(road.modem.received().isEmpty());
        road.calls.AnswerTimer_Timer(); // DialToneWait seconds after the last ring
        QCOMPARE(road.modem.commands().value(0), QString("ATDT;"));
        QCOMPARE(road.rows().last().id, id);
        QCOMPARE(road.rows().last().answered, k.answered);
        const QStringList events = road.events().mid(1);
        QCOMPARE(events, k.event.isEmpty() ? QStringList{} : QStringList{k.event});
        QVERIFY(texts(road.sent).last().startsWith(";INCOMING CALLER;|" + QString::number(id) + "|"));
        QVERIFY(texts(road.sent).last().endsWith("|" + k.answered + "|"));
        QVERIFY(!road.calls.AnswerTimer.isActive());
        QVERIFY(!road.calls.WatchedCaller);
        road.endCall();
    }
}

void TestCallHandler::answeredTestInRealTime()
{
    Road road;
    road.open();
    SaveProperty(Section::frmConfiguration, Key::DialToneWait, "1");
    road.calls.AnswerTimer.setInterval(1000);
    road.modem.setReply("ATDT;", "NO DIAL TONE", 50);
    road.modem.injectLine("RING");
    road.modem.injectLine("NMBR = 5551234567");
    QTRY_COMPARE_WITH_TIMEOUT(road.rows().value(0).answered, QString("YES"), 4000);
    QVERIFY(road.events().contains("The incoming call was answered"));
    QCOMPARE(road.modem.commands(), (QStringList{"ATDT;", "ATH0"}));
}

void TestCallHandler::answeredTestOffOrPortClosed()
{
    Road road;
    road.open();
    SaveProperty(Section::frmConfiguration, Key::DialToneWait, "1");
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, "False");
    road.calls.ProcessEvent("RING");
    road.calls.AnswerTimer_Timer();
    road.calls.AnswerTimer_Timer();
    QVERIFY(!road.calls.AnswerTimer.isActive());
    QVERIFY(!road.modem.commands().contains("ATDT;"));
    QCOMPARE(road.rows()[0].answered, QString("N/A"));
    road.endCall();

    // The port released: the call cannot be probed.
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, "True");
    road.port.OpenPort(false);
    road.calls.ProcessEvent("RING");
    road.calls.AnswerTimer_Timer();
    QCOMPARE(road.rows()[1].answered, QString("N/A"));
    QCOMPARE(road.events().last(), QString("Unable to check dial tone"));
    QVERIFY(!road.calls.AnswerTimer.isActive());
}

void TestCallHandler::answeredTestWhenThePortIsLostMeanwhile()
{
    Road road;
    road.open();
    SaveProperty(Section::frmConfiguration, Key::DialToneWait, "1");
    road.modem.setReply("ATDT;", "");
    road.modem.setCommandHook([&](const QString& command) {
        if (command == "ATDT;")
            QTimer::singleShot(0, &road.modem, [&] { road.modem.unplug(); });
    });
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5551234567");
    QSignalSpy sent(&road.server, &clsServer::dataSent);
    road.calls.AnswerTimer_Timer();
    QCOMPARE(road.rows().last().answered, QString("N/A"));
    QVERIFY(road.events().contains("Unable to check dial tone"));
    QVERIFY(!road.events().contains("The incoming call was answered"));
    bool toldClients = false;
    for (const QList<QVariant>& args : sent)
        toldClients = toldClients || (args.at(0).toString().startsWith(";INCOMING CALLER;") &&
                                      args.at(0).toString().endsWith("|N/A|"));
    QVERIFY(toldClients);
}

void TestCallHandler::blockStringMatching_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("blocks");
    QTest::newRow("same number, other spelling") << "(555) 123-4567"
                                                 << "(555) 123-4567" << true;
    QTest::newRow("private number words") << "private  number"
                                          << "PRIVATE NUMBER" << true;
    QTest::newRow("ten-digit entry holds a seven-digit number") << "5551234567"
                                                                << "123-4567" << true;
    QTest::newRow("number holds the entry") << "1234567"
                                            << "(555) 123-4567" << true;
    QTest::newRow("different number") << "555-1235"
                                      << "(555) 123-4567" << false;
    QTest::newRow("empty entry") << ""
                                 << "(555) 123-4567" << false;
    QTest::newRow("blank entry") << " - "
                                 << "(555) 123-4567" << false;
    QTest::newRow("exchange with stars: last seven") << "123-****"
                                                     << "(555) 123-4567" << true;
    QTest::newRow("exchange with stars: other exchange") << "124-****"
                                                         << "(555) 123-4567" << false;
    QTest::newRow("exchange with stars: seven digits") << "123-****"
                                                       << "123-9999" << true;
    QTest::newRow("area code with stars") << "(555) ***-****"
                                          << "(555) 987-6543" << true;
    QTest::newRow("area code with stars: other area") << "(556) ***-****"
                                                      << "(555) 987-6543" << false;
    QTest::newRow("area code with stars: seven digits, same start") << "(555) ***-****"
                                                                    << "555-0000" << true;
    QTest::newRow("area code with stars: seven digits, other start") << "(555) ***-****"
                                                                     << "556-0000" << false;
    QTest::newRow("area code with stars: eleven digits") << "555*******"
                                                         << "55512345678" << false;
    QTest::newRow("stars are not case-folded") << "abc****"
                                               << "ABC1234" << false;
    QTest::newRow("blank number never matches") << "555"
                                                << " " << false;
}

void TestCallHandler::blockStringMatching()
{
    QFETCH(QString, entry);
    QFETCH(QString, number);
    QFETCH(bool, blocks);
    QCOMPARE(CallHandler::matchesBlockString(entry, number), blocks);
}

void TestCallHandler::blockedCallIsHungUpOnce()
{
    Road road;
    road.open();
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, ";(555) 867-5309;555-1234;");
    SaveProperty(Section::frmConfiguration, Key::DialToneWait, "1");
    // The name line comes while the line is picked up, and the modem takes its time to answer.
    road.modem.setReply("ATH1", "OK", 100);
    road.modem.setCommandHook([&](const QString& command) {
        if (command == "ATH1")
            road.modem.injectLine("NAME = TELEMARKETER");
    });

    road.modem.injectLine("RING");
    QTRY_COMPARE(road.rows().size(), 1);
    QElapsedTimer clock;
    clock.start();
    road.modem.injectLine("NMBR = 5551234");
    QTRY_VERIFY_WITH_TIMEOUT(road.modem.count("ATH0") >= 1, 1000);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY(!road.port.isBusy());
    // A dial-tone probe as the marker: it is answered only once everything sent before it has arrived.
    QCOMPARE(road.port.CheckDialTone(), 1);
    QCOMPARE(road.modem.received(), QByteArray("\rATH1\r\rATH0\r\rATDT;\r\rATH0\r"));
    road.modem.clearReceived();
    const QList<Row> rows = road.rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].answered, QString("BLOCKED"));
    QCOMPARE(rows[0].name, QString("TELEMARKETER"));
    QCOMPARE(road.events().count("The incoming call was blocked"), 1);
    QVERIFY(texts(road.sent).last().endsWith("|BLOCKED|"));

    // The answered test leaves a blocked call alone.
    road.calls.AnswerTimer_Timer();
    road.calls.AnswerTimer_Timer();
    QVERIFY(!road.calls.AnswerTimer.isActive());
    QVERIFY(!road.modem.commands().contains("ATDT;"));
    QCOMPARE(road.rows()[0].answered, QString("BLOCKED"));

    // Later rings are still counted.
    road.modem.injectLine("RING");
    QTRY_COMPARE(road.rows()[0].rings, 2);
    QCOMPARE(road.rows()[0].answered, QString("BLOCKED"));
}

void TestCallHandler::blockCallGuards()
{
    Road road;
    road.open();
    // Nothing rings: nothing to block.
    road.calls.BlockCall();
    QVERIFY(road.modem.received().isEmpty());
    QVERIFY(road.events().isEmpty());

    road.calls.ProcessEvent("RING");
    road.calls.BlockCall();
    road.calls.BlockCall(); // a second request (pop-up, client) for the same call
    QCOMPARE(road.modem.received(), QByteArray("\rATH1\r\rATH0\r"));
    QCOMPARE(road.events().count("The incoming call was blocked"), 1);
    QCOMPARE(road.rows()[0].answered, QString("BLOCKED"));

    // After the call has ended it is too late.
    road.endCall();
    road.modem.clearReceived();
    road.calls.BlockCall();
    QVERIFY(road.modem.received().isEmpty());

    // With the port released the call is still marked, just not picked up.
    road.port.OpenPort(false);
    road.modem.clearReceived();
    road.calls.ProcessEvent("RING");
    road.calls.BlockCall();
    QVERIFY(road.modem.received().isEmpty());
    QCOMPARE(road.rows()[1].answered, QString("BLOCKED"));
}

void TestCallHandler::contactInBlockingGroupIsBlocked()
{
    Road road;
    road.open();
    QVERIFY(addBlockedContact(road.home.file("dbContacts.mdb"), "ACME", "(800) 555-0199"));
    road.modem.injectLine("RING");
    road.lines(FakeModem::callLines("8005550199", "ACME SALES"));
    QTRY_COMPARE(road.rows().value(0).name, QString("ACME SALES"));
    QTRY_VERIFY(!road.port.isBusy());
    QCOMPARE(road.modem.received(), QByteArray("\rATH1\r\rATH0\r"));
    QCOMPARE(road.rows()[0].answered, QString("BLOCKED"));
    QCOMPARE(road.calls.CurrentCaller->ContactName, QString("ACME"));
    QCOMPARE(road.events().count("The incoming call was blocked"), 1);
}

void TestCallHandler::soundsOfACall()
{
    Road road;
    clsSound& sound = install(gSound);
    // Files that are not there: the announcer names the one it was asked for, and nothing is heard.
    QStringList asked;
    connect(&sound, &clsSound::reported, this, [&](const QString& text) {
        asked << QString(text).remove("Sound file not found: " + road.home.path() + "/");
    });
    auto set = [&](const char* key, const QString& file) {
        SaveProperty(Section::frmConfiguration, key, file.isEmpty() ? QString() : road.home.file(file));
    };
    set(Key::ImmediateSound, "");
    set(Key::RingSound, "ring.wav");
    set(Key::DefaultSound, "default.wav");

    // Without a first-ring sound the ring sound plays from the first ring on; a caller without a group gets
    // the default sound, once.
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5551234567");
    road.calls.ProcessEvent("NAME = JOHN");
    road.calls.ProcessEvent("NMBR = 5551234567");
    road.calls.ProcessEvent("RING");
    QCOMPARE(asked, (QStringList{"ring.wav", "default.wav", "ring.wav"}));
    road.endCall();

    // A contact's group sound replaces the default one; the first ring has its own sound.
    QVERIFY(CreateContactDB(road.home.file("dbContacts.mdb")));
    auto family = std::make_shared<clsAttributeGroup>();
    family->Description = "Family";
    family->Sound = road.home.file("family.wav");
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    QVERIFY(gAttributeGroups.add(family->Description, family));
    clsContact mum;
    mum.Name = "MUM";
    mum.AttributeGroup = "Family";
    mum.AddNumber(std::make_shared<clsNumber>("(555) 222-3333", "Home"));
    QVERIFY(AddContact(mum));
    clsContact lost;
    lost.Name = "LOST";
    lost.AttributeGroup = "Family";
    lost.AddNumber(std::make_shared<clsNumber>("(555) 444-5555", ""));
    QVERIFY(AddContact(lost));
    set(Key::ImmediateSound, "first.wav");

    asked.clear();
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5552223333");
    road.calls.ProcessEvent("RING");
    QCOMPARE(asked, (QStringList{"first.wav", "family.wav", "ring.wav"}));
    QCOMPARE(road.calls.CurrentCaller->ContactName, QString("MUM"));
    // The ring's line comes before the ring's sound (whose file is not there).
    QCOMPARE(road.events().mid(road.events().size() - 2),
             (QStringList{"Incoming Call From:  MUM (Home)     (555) 222-3333     2 Rings",
                          "Sound file not found: " + road.home.file("ring.wav")}));
    road.endCall();

    // A contact whose group has gone plays nothing at all.
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    asked.clear();
    road.calls.ProcessEvent("RING");
    road.calls.ProcessEvent("NMBR = 5554445555");
    QCOMPARE(road.calls.CurrentCaller->AttributeGroup.isEmpty(), false);
    QCOMPARE(asked, QStringList{"first.wav"});
}

void TestCallHandler::clientsHearOfAChangeBeforeTheWindowAndTheSounds()
{
    Road road;
    clsSound& sound = install(gSound);
    SaveProperty(Section::frmConfiguration, Key::DefaultSound, road.home.file("default.wav"));
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, "True");
    // What happened, in order: the clients' messages, the window's and the pop-up's updates, the sounds.
    QStringList order;
    connect(&road.server, &clsServer::dataSent, this, [&](const QString& text) { order << text.section(';', 1, 1); });
    connect(&road.calls, &CallHandler::callAdded, this, [&] { order << "row added"; });
    connect(&road.calls, &CallHandler::callUpdated, this, [&] { order << "row shown"; });
    connect(&road.calls, &CallHandler::popupRequested, this, [&] { order << "pop-up"; });
    connect(&road.calls, &CallHandler::popupUpdate, this, [&] { order << "pop-up shown"; });
    connect(&sound, &clsSound::reported, this, [&] { order << "sound"; });

    road.calls.ProcessEvent("RING");
    QCOMPARE(order,
             (QStringList{"NEW", "INCOMING CALLER", "RING", "row added", "pop-up", "row shown", "pop-up shown"}));
    order.clear();
    road.calls.ProcessEvent("NMBR = 5551234567");
    QCOMPARE(order, (QStringList{"INCOMING CALLER", "row shown", "pop-up shown", "sound"}));
    // The message carries the call as stored.
    QCOMPARE(road.rows().value(0).number, QString("(555) 123-4567"));
}

QTEST_GUILESS_MAIN(TestCallHandler)
#include "test_callhandler.moc"
