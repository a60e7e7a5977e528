#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include "capture/ModemPort.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "support/FakeModem.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"

namespace {

QString tool()
{
    const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR");
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/tools/fakemodem");
}

// The fake modem run as a user runs it, with the program's side of its line opened here.
class ToolRun {
public:
    explicit ToolRun(const QStringList& args, const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELQUON_HOME"), home);
        m_process.setProcessEnvironment(env);
        m_process.start(tool(), args);
    }
    ~ToolRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The path of the line, from the first thing the tool prints.
    QString path()
    {
        if (!waitForOutput(QStringLiteral("\n")))
            return QString();
        const QString first = m_out.section(QLatin1Char('\n'), 0, 0);
        return first.startsWith(QLatin1String("Fake modem on ")) ? first.mid(14).trimmed() : QString();
    }
    bool openLine()
    {
        m_line.setPortName(path());
        return m_line.open(QIODevice::ReadWrite);
    }
    bool waitForOutput(const QString& text, int ms = 15000)
    {
        QElapsedTimer t;
        t.start();
        while (!m_out.contains(text) && t.elapsed() < ms) {
            m_process.waitForReadyRead(50);
            m_out += QString::fromUtf8(m_process.readAllStandardOutput());
        }
        return m_out.contains(text);
    }
    // Types lines into the tool.
    void type(const QByteArray& lines)
    {
        m_process.write(lines);
        m_process.waitForBytesWritten(5000);
    }
    // Sends a command and returns everything the line carried up to its answer (the answer included).
    QByteArray command(const QByteArray& text, int ms = 15000)
    {
        m_line.write(text + "\r");
        return readUntil("OK\r\n", ms);
    }
    QByteArray readUntil(const QByteArray& marker, int ms = 15000)
    {
        QElapsedTimer t;
        t.start();
        while (!m_heard.contains(marker) && t.elapsed() < ms) {
            m_line.waitForReadyRead(50);
            m_heard += m_line.readAll();
        }
        const qsizetype end = m_heard.indexOf(marker);
        if (end < 0)
            return QByteArray();
        const QByteArray out = m_heard.left(end + marker.size());
        m_heard.remove(0, end + marker.size());
        return out;
    }

    QProcess m_process;
    QSerialPort m_line;
    QString m_out;
    QByteArray m_heard;
};

} // namespace

class TestFakeModem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(tool()), qPrintable(tool())); }
    void severalCallersInOneRunAfterThePortOpens();
    void pickingUpStopsTheRinging();
    void callersWaitWhileThePortIsClosed();
    void callersRingIntoAClosedPortThatDelivers();
    void setPortWritesTheSettings();
    void whatComesWhileThePortIsClosed_data();
    void whatComesWhileThePortIsClosed();
    void anotherProcessOpeningTheLineChangesNothing_data();
    void anotherProcessOpeningTheLineChangesNothing();
    void theProgramsPortReadsWhatWaitedOnTheLine();
};

void TestFakeModem::severalCallersInOneRunAfterThePortOpens()
{
    TempHome home;
    QTemporaryFile list;
    QVERIFY(list.open());
    list.write("5552222222 BOB B\n\n");
    list.close();
    ToolRun run({QStringLiteral("--ring-gap-ms"), QStringLiteral("150"), QStringLiteral("--quiet-ms"),
                 QStringLiteral("200"), QStringLiteral("--rings"), QStringLiteral("2"), QStringLiteral("--callers"),
                 list.fileName(), QStringLiteral("--number"), QStringLiteral("5550000000"), QStringLiteral("--name"),
                 QStringLiteral("DEFAULT D")},
                home.path());
    QVERIFY(run.openLine());
    // Callers typed before the program has opened the port wait for it.
    run.type("5551111111 ALICE A\nnot-a-number X\n\n");
    QVERIFY(run.waitForOutput(QStringLiteral("Not a caller")));
    QVERIFY(run.waitForOutput(QStringLiteral("ALICE A  5551111111: it rings once Velquon has opened the port")));
    const QByteArray beforeOpen = run.command("ATZ");
    QVERIFY(!beforeOpen.contains("RING"));
    QVERIFY(!beforeOpen.isEmpty());
    run.m_process.closeWriteChannel();

    // The list's caller (its blank line skipped), then the typed ones (a blank line is the default caller),
    // one call after another, each with its rings and its lines.
    const QByteArray first = run.readUntil("NAME = BOB B\r\n");
    QVERIFY(first.contains("RING"));
    QVERIFY(first.contains("NMBR = 5552222222"));
    const QByteArray second = run.readUntil("NAME = ALICE A\r\n");
    QVERIFY(second.contains("RING"));
    QVERIFY(second.contains("NMBR = 5551111111"));
    QVERIFY(!second.contains("DEFAULT"));
    const QByteArray third = run.readUntil("NAME = DEFAULT D\r\n");
    QVERIFY(third.contains("RING"));
    QVERIFY(third.contains("NMBR = 5550000000"));
    // Input ended: the tool ends once the last call is over.
    QVERIFY(run.m_process.waitForFinished(15000));
    QCOMPARE(run.m_process.exitCode(), 0);
}

void TestFakeModem::pickingUpStopsTheRinging()
{
    TempHome home;
    ToolRun run({QStringLiteral("--ring-gap-ms"), QStringLiteral("600"), QStringLiteral("--quiet-ms"),
                 QStringLiteral("300"), QStringLiteral("--rings"), QStringLiteral("6")},
                home.path());
    QVERIFY(run.openLine());
    QVERIFY(!run.command("ATZ").isEmpty());
    run.type("5553333333 BLOCKED B\n");
    QVERIFY(!run.readUntil("NAME = BLOCKED B\r\n").isEmpty());
    // The program hangs up on the caller: off-hook, then on-hook again.
    QVERIFY(!run.command("ATH1").isEmpty());
    QVERIFY(!run.command("ATH0").isEmpty());
    QVERIFY(run.waitForOutput(QStringLiteral("The call is over.")));
    // Nothing rang after the pick-up: the next answer is the first thing on the line.
    QCOMPARE(run.command("AT"), QByteArray("\r\nOK\r\n"));
    QVERIFY(run.m_out.contains(QStringLiteral("Velquon picked the line up")));
}

void TestFakeModem::callersWaitWhileThePortIsClosed()
{
    TempHome home;
    ToolRun run(
        {QStringLiteral("--ring-gap-ms"), QStringLiteral("150"), QStringLiteral("--quiet-ms"), QStringLiteral("200")},
        home.path());
    QVERIFY(run.openLine());
    QVERIFY(!run.command("ATZ").isEmpty());
    // The program closes its port (a switch to client mode, Release Port): a caller typed now waits for it,
    // and nothing piles up on the line meanwhile.
    run.m_line.close();
    QVERIFY(run.waitForOutput(QStringLiteral("Velquon closed the port")));
    run.type("5554444444 WAITING W\n");
    QVERIFY(run.waitForOutput(QStringLiteral("WAITING W  5554444444: it rings once Velquon has opened the port")));
    QVERIFY(run.openLine());
    QCOMPARE(run.command("ATZ"), QByteArray("\r\nOK\r\n"));
    const QByteArray call = run.readUntil("RING\r\n\r\nDATE");
    QCOMPARE(call, QByteArray("\r\nRING\r\n\r\nDATE"));
    QVERIFY(run.readUntil("NAME = WAITING W\r\n").contains("NMBR = 5554444444"));
}

void TestFakeModem::callersRingIntoAClosedPortThatDelivers()
{
    TempHome home;
    ToolRun run({QStringLiteral("--deliver-while-closed"), QStringLiteral("--ring-gap-ms"), QStringLiteral("150"),
                 QStringLiteral("--quiet-ms"), QStringLiteral("200")},
                home.path());
    QVERIFY(run.openLine());
    QVERIFY(!run.command("ATZ").isEmpty());
    run.m_line.close();
    QVERIFY(run.waitForOutput(QStringLiteral("Velquon closed the port: callers ring on")));
    // A caller typed while the port is closed rings at once, and the whole call waits on the line.
    run.type("5554444444 RINGING ON R\n");
    QVERIFY(run.waitForOutput(QStringLiteral("The call is over.")));
    QVERIFY(run.openLine());
    const QByteArray heard = run.command("ATZ");
    QVERIFY2(heard.startsWith("\r\nRING\r\n\r\nDATE = "), heard.constData());
    QVERIFY2(heard.endsWith("\r\nNMBR = 5554444444\r\n\r\nNAME = RINGING ON R\r\n\r\nRING\r\n\r\nOK\r\n"),
             heard.constData());
}

void TestFakeModem::setPortWritesTheSettings()
{
    TempHome home;
    {
        QSettings before(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
        before.setValue(QStringLiteral("frmMain/ViewTime"), QStringLiteral("2"));
    }
    ToolRun run({QStringLiteral("--set-port")}, home.path());
    const QString path = run.path();
    QVERIFY(path.startsWith(QLatin1String("/dev/")));
    QVERIFY(run.waitForOutput(QStringLiteral("start Velquon now")));
    QVERIFY(run.m_out.contains(home.file(QStringLiteral("Velquon.ini"))));
    QSettings after(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    QCOMPARE(after.value(QStringLiteral("frmConfiguration/CommPort")).toString(), path);
    QCOMPARE(after.value(QStringLiteral("frmMain/ViewTime")).toString(), QStringLiteral("2"));
}

void TestFakeModem::whatComesWhileThePortIsClosed_data()
{
    QTest::addColumn<bool>("delivers");
    QTest::addColumn<QByteArray>("heard");
    QTest::newRow("dropped") << false << QByteArray("\r\nAFTER\r\n");
    QTest::newRow("delivered") << true << QByteArray("\r\nUNREAD\r\n\r\nWHILE CLOSED\r\n\r\nAFTER\r\n");
}

void TestFakeModem::whatComesWhileThePortIsClosed()
{
    QFETCH(bool, delivers);
    QFETCH(QByteArray, heard);
    FakeModem modem;
    QVERIFY(!modem.deliversWhileClosed());
    modem.setDeliversWhileClosed(delivers);
    QSerialPort port;
    port.setPortName(modem.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QTRY_VERIFY(modem.lineHeld());
    // A line the program has not read yet when it closes its port.
    QVERIFY(modem.injectLine(QStringLiteral("UNREAD")).isEmpty());
    port.close();
    QTRY_VERIFY(!modem.lineHeld());
    if (!delivers)
        QTest::ignoreMessage(QtWarningMsg, R"(FakeModem dropped "\r\nWHILE CLOSED\r\n": the port is closed)");
    QCOMPARE(modem.injectLine(QStringLiteral("WHILE CLOSED")),
             delivers ? QByteArray() : QByteArray("\r\nWHILE CLOSED\r\n"));
    QVERIFY(port.open(QIODevice::ReadWrite));
    QTRY_VERIFY(modem.lineHeld());
    QVERIFY(modem.injectLine(QStringLiteral("AFTER")).isEmpty());
    QByteArray got;
    QTRY_VERIFY((got += port.readAll()).contains("AFTER\r\n"));
    QCOMPARE(got, heard);
}

void TestFakeModem::anotherProcessOpeningTheLineChangesNothing_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void TestFakeModem::anotherProcessOpeningTheLineChangesNothing()
{
    QFETCH(bool, portOpen);
    FakeModem modem;
    QSignalSpy opened(&modem, &FakeModem::lineOpened);
    QSignalSpy closed(&modem, &FakeModem::lineClosed);
    QSerialPort port;
    port.setPortName(modem.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    if (!portOpen) {
        QTRY_VERIFY(modem.lineHeld());
        port.close();
        QTRY_VERIFY(!modem.lineHeld());
    }
    // Another process opens the line and closes it again, before the fake has looked at the line: stty, which
    // the fake's events cannot tell from the program.
    QProcess stty;
    stty.start(QStringLiteral("stty"), {QStringLiteral("-F"), modem.slavePath()});
    QVERIFY(stty.waitForFinished(15000));
    if (portOpen && stty.exitCode() != 0)
        QSKIP("The program's port holds the line for itself: only root may open it meanwhile.");
    QCOMPARE(stty.exitCode(), 0);

    QByteArray heard;
    if (!portOpen) {
        QTest::ignoreMessage(QtWarningMsg, R"(FakeModem dropped "\r\nRING\r\n": the port is closed)");
        QCOMPARE(modem.injectLine(QStringLiteral("RING")), QByteArray("\r\nRING\r\n"));
        QVERIFY(!modem.lineHeld());
        QVERIFY(port.open(QIODevice::ReadWrite));
    }
    // The program's command is answered: the fake has looked at the line before it answers.
    port.write("AT\r");
    QTRY_VERIFY((heard += port.readAll()).contains("OK\r\n"));
    QCOMPARE(heard, QByteArray("\r\nOK\r\n"));
    QVERIFY(modem.lineHeld());
    QVERIFY(modem.injectLine(QStringLiteral("RING")).isEmpty());
    QTRY_VERIFY((heard += port.readAll()).contains("RING\r\n"));
    // Only the program's own openings and closings were told.
    QCOMPARE(opened.count(), portOpen ? 1 : 2);
    QCOMPARE(closed.count(), portOpen ? 0 : 1);
}

void TestFakeModem::theProgramsPortReadsWhatWaitedOnTheLine()
{
    TempHome home;
    FakeModem modem;
    modem.setDeliversWhileClosed(true);
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    // Two calls rang while the program had its port closed.
    const QStringList waiting = FakeModem::callLines(QStringLiteral("5551111111"), QStringLiteral("FIRST F")) +
                                FakeModem::callLines(QStringLiteral("5552222222"), QStringLiteral("SECOND S"));
    for (const QString& line : waiting)
        QVERIFY(modem.injectLine(line).isEmpty());
    ModemPort port(nullptr);
    QSignalSpy received(&port, &ModemPort::lineReceived);
    port.OpenPort(true);
    QVERIFY(port.PortOpen());
    QCOMPARE(texts(received), waiting);
}

QTEST_GUILESS_MAIN(TestFakeModem)
#include "test_fakemodem.moc"
