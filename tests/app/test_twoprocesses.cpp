#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "support/FakeModem.h"
#include "support/TempHome.h"

namespace {

QString binary()
{
    const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR");
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/velquon");
}

// The rows a program's call list shows (its dump file), one list of cells per row.
QList<QStringList> shownRows(const QString& dump)
{
    QFile f(dump);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        rows << line.split(QLatin1Char('\t'));
    return rows;
}

int rowNamed(const QList<QStringList>& rows, const QString& name)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].value(0) == name)
            return i + 1;
    return 0;
}

// The lines of the program's activity log (its events, one a line) that contain text.
int loggedEvents(const QString& activityLog, const QString& text)
{
    QFile f(activityLog);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return int(QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')).filter(text).size());
}

// A connection of a third program (another client), which sends requests and reads nothing.
class ThirdClient {
public:
    explicit ThirdClient(quint16 port) { m_socket.connectToHost(QHostAddress::LocalHost, port); }
    bool connected() { return m_socket.waitForConnected(5000); }
    void send(const QString& request)
    {
        m_socket.write(request.toUtf8() + ";COMPLETE;COMPLETE;");
        m_socket.flush();
    }

private:
    QTcpSocket m_socket;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// What both programs start with: set up already, no autostart, silent, deleting without a question, every
// call in view, no pop-up at a call, their events kept in their activity logs.
void commonSettings()
{
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::Sound, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("12"));
    SaveProperty(Section::frmMiniDisplay, Key::Vibrate, QStringLiteral("False"));
}

// The server's home (the current one): it listens on port, reads the modem and tests no dial tone (so a
// call gets no final record); its call log holds "KEEP ME" and "DELETE ME", an hour old.
bool serverSettings(const TempHome& home, quint16 port, const FakeModem& modem)
{
    commonSettings();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(port));
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, home.file(QStringLiteral("dbCID.mdb")));
    if (!CreateCallerDB(home.file(QStringLiteral("dbCID.mdb"))))
        return false;
    for (const char* name : {"KEEP ME", "DELETE ME"}) {
        clsCaller c;
        c.Name = QLatin1String(name);
        c.Number.Number = QStringLiteral("555-0100");
        c.CallerDate = DateText::format(Clock::now().addSecs(-3600));
        c.Rings = 2;
        c.Answered = QStringLiteral("NO");
        AddCaller(c);
    }
    CloseCallerDB();
    return true;
}

// The client's home (the current one), connecting to the server at port.
void clientSettings(quint16 port)
{
    commonSettings();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(port));
}

// The server is up once its call list shows the log, the modem has been set up and it listens.
bool serverIsUp(const QString& shown, const FakeModem& modem, quint16 port)
{
    return QTest::qWaitFor([&] { return shownRows(shown).size() == 2 && modem.count(QStringLiteral("ATS6=2")) >= 1; },
                           30000) &&
           QTest::qWaitFor(
               [&] {
                   QTcpSocket probe;
                   probe.connectToHost(QHostAddress::LocalHost, port);
                   return probe.waitForConnected(200);
               },
               30000);
}

// A cell of the row named name in a call list's dump; empty while there is none.
QString cellOf(const QString& dump, const QString& name, int column)
{
    const QList<QStringList> rows = shownRows(dump);
    const int row = rowNamed(rows, name);
    return row > 0 ? rows.at(row - 1).value(column) : QString();
}

// A program run for a test, ended when the test is.
struct Program {
    std::unique_ptr<QProcess> process;
    ~Program()
    {
        if (!process)
            return;
        process->terminate();
        if (!process->waitForFinished(10000))
            process->kill();
    }
};

} // namespace

// Two real programs, each with its own VELQUON_HOME: a server on a fake modem and a client on a loopback
// port. A call played on the modem reaches the client's call list; a deletion made in the client reaches
// the server's call log. Each program writes what its call list shows to a file (VELQUON_DUMP_CALL_LIST) and
// takes its user's actions from one (VELQUON_TEST_COMMANDS).
class TestTwoProcesses : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aCallReachesTheClientAndADeletionTheServer();
    void aClientsCopyOfTheLogStaysTrue();
    void aClientThatJoinsDuringACallListsItOnce();

private:
    Program startProgram(const QString& home);
};

Program TestTwoProcesses::startProgram(const QString& home)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELQUON_HOME"), home);
    env.insert(QStringLiteral("VELQUON_NONINTERACTIVE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELQUON_DUMP_CALL_LIST"), home + QStringLiteral("/shown.txt"));
    env.insert(QStringLiteral("VELQUON_TEST_COMMANDS"), home + QStringLiteral("/commands.txt"));
    env.insert(QStringLiteral("VELQUON_DUMP_POPUP_LIST"), home + QStringLiteral("/popup.txt"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start(binary());
    return Program{std::move(p)};
}

void TestTwoProcesses::aCallReachesTheClientAndADeletionTheServer()
{
    if (binary().isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    FakeModem modem;
    QVERIFY(modem.isOpen());
    const quint16 port = freePort();
    TempHome serverHome;
    QVERIFY(serverSettings(serverHome, port, modem));
    TempHome clientHome;
    clientSettings(port);

    const QString serverShown = serverHome.file(QStringLiteral("shown.txt"));
    const QString clientShown = clientHome.file(QStringLiteral("shown.txt"));
    const Program server = startProgram(serverHome.path());
    QVERIFY(serverIsUp(serverShown, modem, port));
    const Program client = startProgram(clientHome.path());
    // Connected: the client shows the server's log.
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(clientShown).size(), 2, 30000);

    // The client deletes one call; the server's log loses it, and the client's list with it.
    const int row = rowNamed(shownRows(clientShown), QStringLiteral("DELETE ME"));
    QVERIFY(row > 0);
    QFile commands(clientHome.file(QStringLiteral("commands.txt")));
    QVERIFY(commands.open(QIODevice::Append));
    commands.write(QStringLiteral("select %1\ntrigger mnuEditDelete\n").arg(row).toUtf8());
    commands.flush();
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(serverShown).size(), 1, 30000);
    QCOMPARE(shownRows(serverShown).first().value(0), QStringLiteral("KEEP ME"));
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(clientShown).size(), 1, 30000);
    {
        // The call log file itself (the server keeps it open; a second reader is fine).
        TempHome reader;
        SaveProperty(Section::frmConfiguration, Key::CallerDBPath, serverHome.file(QStringLiteral("dbCID.mdb")));
        QVERIFY(FindCallerDB());
        const QList<clsCaller> left = SelectCallers(QStringLiteral("Select * From tblCID"));
        CloseCallerDB();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first().Name, QStringLiteral("KEEP ME"));
    }

    // A call on the modem: it reaches the client's list, with the number and name the line gave.
    modem.injectLine(QStringLiteral("RING"));
    for (const QString& line : FakeModem::callLines(QStringLiteral("5551234567"), QStringLiteral("JANE CALLER")))
        modem.injectLine(line);
    modem.injectLine(QStringLiteral("RING"));
    QTRY_VERIFY_WITH_TIMEOUT(rowNamed(shownRows(clientShown), QStringLiteral("JANE CALLER")) > 0, 30000);
    const QStringList call =
        shownRows(clientShown).at(rowNamed(shownRows(clientShown), QStringLiteral("JANE CALLER")) - 1);
    QCOMPARE(call.value(1), QStringLiteral("(555) 123-4567"));
    QTRY_VERIFY_WITH_TIMEOUT(rowNamed(shownRows(serverShown), QStringLiteral("JANE CALLER")) > 0, 30000);
    // Both lists show the same call under the same record ID.
    const QStringList onServer =
        shownRows(serverShown).at(rowNamed(shownRows(serverShown), QStringLiteral("JANE CALLER")) - 1);
    QTRY_COMPARE_WITH_TIMEOUT(
        shownRows(clientShown).at(rowNamed(shownRows(clientShown), QStringLiteral("JANE CALLER")) - 1).value(5),
        onServer.value(5), 30000);
}

void TestTwoProcesses::aClientsCopyOfTheLogStaysTrue()
{
    if (binary().isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    FakeModem modem;
    QVERIFY(modem.isOpen());
    const quint16 port = freePort();
    TempHome serverHome;
    QVERIFY(serverSettings(serverHome, port, modem));
    // The client's pop-up comes up at a call.
    TempHome clientHome;
    clientSettings(port);
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"));

    const QString serverShown = serverHome.file(QStringLiteral("shown.txt"));
    const QString serverEvents = serverHome.file(QStringLiteral("ActivityLog.dat"));
    const QString clientShown = clientHome.file(QStringLiteral("shown.txt"));
    const QString clientPopup = clientHome.file(QStringLiteral("popup.txt"));
    const Program server = startProgram(serverHome.path());
    QVERIFY(serverIsUp(serverShown, modem, port));
    // The record ID of the call the third connection deletes later (by then the list shows its contact).
    const QString deletedID = cellOf(serverShown, QStringLiteral("DELETE ME"), 5);
    QVERIFY(!deletedID.isEmpty());
    const Program client = startProgram(clientHome.path());
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(clientShown).size(), 2, 30000);

    // A call of three rings.
    modem.injectLine(QStringLiteral("RING"));
    for (const QString& line : FakeModem::callLines(QStringLiteral("5551234567"), QStringLiteral("JANE CALLER")))
        modem.injectLine(line);
    modem.injectLine(QStringLiteral("RING"));
    modem.injectLine(QStringLiteral("RING"));
    const auto ringsShown = [](const QString& dump) { return cellOf(dump, QStringLiteral("JANE CALLER"), 3); };
    QTRY_COMPARE_WITH_TIMEOUT(ringsShown(serverShown), QStringLiteral("3"), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(ringsShown(clientShown), QStringLiteral("3"), 30000);
    // The pop-up came up at the call and asked for the recent calls once.
    QTRY_COMPARE_WITH_TIMEOUT(loggedEvents(serverEvents, QStringLiteral("Requested Mini Display Information")), 1,
                              30000);

    // A third connection adds a contact owning the two older calls' number: every client gets the book, and
    // refills its list from its copy of the log.
    ThirdClient third(port);
    QVERIFY(third.connected());
    third.send(QStringLiteral(";ADD CONTACT;|ANN CONTACT||||NUMBER|555-0100|Home"));
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QList<QStringList> rows = shownRows(clientShown);
            return std::count_if(rows.begin(), rows.end(), [](const QStringList& r) {
                       return r.value(0).startsWith(QLatin1String("ANN CONTACT"));
                   }) == 2;
        }(),
        30000);
    QCOMPARE(ringsShown(clientShown), QStringLiteral("3"));

    // The third connection deletes a call: the client asks for its view and for the pop-up's list, once each.
    const int queries = loggedEvents(serverEvents, QStringLiteral("Requested a SQL Query"));
    third.send(QStringLiteral(";DELETE SQL;|%1|").arg(deletedID));
    QTRY_COMPARE_WITH_TIMEOUT(loggedEvents(serverEvents, QStringLiteral("Requested a SQL Query")), queries + 1, 30000);
    // A request the client sends after it has read both of the deletion's messages: once the server has
    // answered it, every request sent before it has been answered too.
    QFile commands(clientHome.file(QStringLiteral("commands.txt")));
    QVERIFY(commands.open(QIODevice::Append));
    commands.write("trigger mnuViewTime(9)\n");
    commands.flush();
    QTRY_COMPARE_WITH_TIMEOUT(loggedEvents(serverEvents, QStringLiteral("Requested a SQL Query")), queries + 2, 30000);
    QCOMPARE(loggedEvents(serverEvents, QStringLiteral("Requested Mini Display Information")), 2);

    // The pop-up holds each call once: the call, and the one older call left.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QList<QStringList> rows = shownRows(clientPopup);
            return rows.size() == 2 && rows.at(0).value(0) == QLatin1String("JANE CALLER") &&
                   rows.at(1).value(0) == QLatin1String("KEEP ME");
        }(),
        30000);
    QCOMPARE(shownRows(clientPopup).at(0).value(3), QStringLiteral("3"));
}

void TestTwoProcesses::aClientThatJoinsDuringACallListsItOnce()
{
    if (binary().isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    FakeModem modem;
    QVERIFY(modem.isOpen());
    const quint16 port = freePort();
    // The line is tested 5 s after the last ring: the call's final record comes once the client has joined.
    TempHome serverHome;
    QVERIFY(serverSettings(serverHome, port, modem));
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::DialToneWait, QStringLiteral("5"));
    TempHome clientHome;
    clientSettings(port);
    const QString serverShown = serverHome.file(QStringLiteral("shown.txt"));
    const QString clientShown = clientHome.file(QStringLiteral("shown.txt"));
    const Program server = startProgram(serverHome.path());
    QVERIFY(serverIsUp(serverShown, modem, port));
    const QString jane = QStringLiteral("JANE CALLER");
    modem.injectLine(QStringLiteral("RING"));
    for (const QString& line : FakeModem::callLines(QStringLiteral("5551234567"), jane))
        modem.injectLine(line);
    modem.injectLine(QStringLiteral("RING"));
    int rings = 2;
    QTRY_COMPARE_WITH_TIMEOUT(cellOf(serverShown, jane, 3), QStringLiteral("2"), 30000);

    // The client starts while the call rings on (a ring every 2 s) and hears one more ring once it lists the call.
    const Program client = startProgram(clientHome.path());
    QElapsedTimer sinceRing;
    sinceRing.start();
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (sinceRing.elapsed() >= 2000) {
                modem.injectLine(QStringLiteral("RING"));
                ++rings;
                sinceRing.restart();
            }
            return rowNamed(shownRows(clientShown), jane) > 0;
        },
        60000));
    modem.injectLine(QStringLiteral("RING"));
    ++rings;
    // After the final record the client lists the call once, with the server's rings and answer.
    QTRY_COMPARE_WITH_TIMEOUT(cellOf(clientShown, jane, 4), QStringLiteral("NO"), 30000);
    const QList<QStringList> rows = shownRows(clientShown);
    QCOMPARE(std::count_if(rows.begin(), rows.end(), [&](const QStringList& r) { return r.value(0) == jane; }), 1);
    QCOMPARE(cellOf(clientShown, jane, 3), QString::number(rings));
    QCOMPARE(
        loggedEvents(clientHome.file(QStringLiteral("ActivityLog.dat")),
                     QStringLiteral("Incoming Call From:  JANE CALLER     (555) 123-4567     %1 Rings").arg(rings)),
        1);
}

QTEST_GUILESS_MAIN(TestTwoProcesses)
#include "test_twoprocesses.moc"
