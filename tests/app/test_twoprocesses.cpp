#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
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

private:
    std::unique_ptr<QProcess> startProgram(const QString& home);
};

std::unique_ptr<QProcess> TestTwoProcesses::startProgram(const QString& home)
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
    return p;
}

void TestTwoProcesses::aCallReachesTheClientAndADeletionTheServer()
{
    if (binary().isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    FakeModem modem;
    QVERIFY(modem.isOpen());
    const quint16 port = freePort();

    // The server's home: its settings, and a call log holding two calls already.
    TempHome serverHome;
    const auto common = [] {
        SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
        SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::Sound, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
        SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("12"));
    };
    common();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(port));
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, serverHome.file(QStringLiteral("dbCID.mdb")));
    QVERIFY(CreateCallerDB(serverHome.file(QStringLiteral("dbCID.mdb"))));
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

    TempHome clientHome;
    common();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(port));

    const QString serverShown = serverHome.file(QStringLiteral("shown.txt"));
    const QString clientShown = clientHome.file(QStringLiteral("shown.txt"));
    auto server = startProgram(serverHome.path());
    const auto stopServer = qScopeGuard([&] {
        server->terminate();
        if (!server->waitForFinished(10000))
            server->kill();
    });
    // The server is up once its call list shows the log and the modem has been set up.
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(serverShown).size(), 2, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(modem.count(QStringLiteral("ATS6=2")) >= 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        }(),
        30000);

    auto client = startProgram(clientHome.path());
    const auto stopClient = qScopeGuard([&] {
        client->terminate();
        if (!client->waitForFinished(10000))
            client->kill();
    });
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

    // The server keeps its events in its activity log; it tests no dial tone, so a call gets no final record.
    TempHome serverHome;
    const auto common = [] {
        SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
        SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::Sound, QStringLiteral("False"));
        SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
        SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("12"));
        SaveProperty(Section::frmMiniDisplay, Key::Vibrate, QStringLiteral("False"));
    };
    common();
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::LogActivity, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(port));
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, serverHome.file(QStringLiteral("dbCID.mdb")));
    QVERIFY(CreateCallerDB(serverHome.file(QStringLiteral("dbCID.mdb"))));
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

    // The client's pop-up comes up at a call.
    TempHome clientHome;
    common();
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(port));

    const QString serverShown = serverHome.file(QStringLiteral("shown.txt"));
    const QString serverEvents = serverHome.file(QStringLiteral("ActivityLog.dat"));
    const QString clientShown = clientHome.file(QStringLiteral("shown.txt"));
    const QString clientPopup = clientHome.file(QStringLiteral("popup.txt"));
    auto server = startProgram(serverHome.path());
    const auto stopServer = qScopeGuard([&] {
        server->terminate();
        if (!server->waitForFinished(10000))
            server->kill();
    });
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(serverShown).size(), 2, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(modem.count(QStringLiteral("ATS6=2")) >= 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        }(),
        30000);
    // The record ID of the call the third connection deletes later (by then the list shows its contact).
    const QString deletedID = shownRows(serverShown).value(rowNamed(shownRows(serverShown), "DELETE ME") - 1).value(5);
    QVERIFY(!deletedID.isEmpty());
    auto client = startProgram(clientHome.path());
    const auto stopClient = qScopeGuard([&] {
        client->terminate();
        if (!client->waitForFinished(10000))
            client->kill();
    });
    QTRY_COMPARE_WITH_TIMEOUT(shownRows(clientShown).size(), 2, 30000);

    // A call of three rings.
    modem.injectLine(QStringLiteral("RING"));
    for (const QString& line : FakeModem::callLines(QStringLiteral("5551234567"), QStringLiteral("JANE CALLER")))
        modem.injectLine(line);
    modem.injectLine(QStringLiteral("RING"));
    modem.injectLine(QStringLiteral("RING"));
    const auto ringsShown = [&](const QString& dump) {
        const QList<QStringList> rows = shownRows(dump);
        const int row = rowNamed(rows, QStringLiteral("JANE CALLER"));
        return row > 0 ? rows.at(row - 1).value(3) : QString();
    };
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

QTEST_GUILESS_MAIN(TestTwoProcesses)
#include "test_twoprocesses.moc"
