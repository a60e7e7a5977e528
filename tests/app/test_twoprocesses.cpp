#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

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

QTEST_GUILESS_MAIN(TestTwoProcesses)
#include "test_twoprocesses.moc"
