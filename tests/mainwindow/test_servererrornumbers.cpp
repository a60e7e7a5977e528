#include "mainwindow/ServerDispatcher.h"

#include <QTcpServer>
#include <QTest>

#include <memory>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "platform/SqlDatabase.h"
#include "support/LoopbackPeer.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

class ServerHost : public MainWindow {
public:
    ServerDispatcher dispatcher;
    void ProcessNetworkData(const QString& data, int index, qint64 bytes, bool restricted) override
    {
        dispatcher.ProcessNetworkData(data, index, bytes, restricted);
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

// The number of an ";ERROR;" reply; -1 for any other reply.
int errorNumber(const QString& reply)
{
    const QStringList fields = reply.split(QLatin1Char(';'));
    if (fields.size() != 5 || fields.at(1) != QLatin1String("ERROR"))
        return -1;
    bool ok = false;
    const int n = fields.at(2).toInt(&ok);
    return ok ? n : -1;
}

QString contactRecord(const QString& name, const QString& number)
{
    return QStringLiteral("|%1||||NUMBER|%2|Home").arg(name, number);
}

} // namespace

// The numbers the server's ";ERROR;" replies carry: the contact store's refusals keep the catalogue's 1 and 2,
// and a failure of the database gets a number none of them, nor the runtime's, has.
class TestServerErrorNumbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void aFailedQueryIsNoDuplicate();
    void aContactBookThatCannotBeWrittenIsNoDuplicate();

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ServerHost> m_host;
    std::unique_ptr<LoopbackPeer> m_peer;
};

void TestServerErrorNumbers::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Server;
    m_host = std::make_unique<ServerHost>();
    gMainForm = m_host.get();
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
    QVERIFY(CreateContactDB(m_home->file(QStringLiteral("dbContacts.mdb"))));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QString::number(freePort()));
    clsServer& server = install(gServer);
    QVERIFY(server.Listen());
    windowLinks().broadcast = [](const QString& text) {
        if (gServer)
            gServer->SendData(text, -1, -1);
    };
    m_peer = std::make_unique<LoopbackPeer>(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
}

void TestServerErrorNumbers::cleanup()
{
    m_peer.reset();
    m_home.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_host.reset();
}

void TestServerErrorNumbers::aFailedQueryIsNoDuplicate()
{
    // SQLite calls a syntax error and a missing table 1, and the refusal of a writing query is its 23.
    for (const char* sql : {"Selct * From tblCID", "Select * From tblNothing", "Delete From tblCID"}) {
        m_peer->send(QByteArray(";SQL;") + sql);
        const QString reply = m_peer->next();
        QVERIFY2(errorNumber(reply) == kDatabaseError, qPrintable(reply));
    }
    // The description is still the engine's own.
    m_peer->send(";SQL;Select * From tblNothing");
    QCOMPARE(m_peer->next(), QStringLiteral(";ERROR;%1;no such table: tblNothing;").arg(kDatabaseError));
}

void TestServerErrorNumbers::aContactBookThatCannotBeWrittenIsNoDuplicate()
{
    m_peer->send(QByteArray(";ADD CONTACT;") +
                 contactRecord(QStringLiteral("ANN"), QStringLiteral("555-0001")).toUtf8());
    QVERIFY(m_peer->next().startsWith(QLatin1String(";CLEAR CONTACTS;")));
    // The store's own refusals keep the catalogue's numbers.
    m_peer->send(QByteArray(";ADD CONTACT;") +
                 contactRecord(QStringLiteral("ANN"), QStringLiteral("555-0002")).toUtf8());
    QCOMPARE(m_peer->next(), QStringLiteral(";ERROR;1;Duplicate names in database.;"));

    // The book's tables are gone (a damaged or foreign file): the failure is no duplicate name.
    gContactDB->exec(QStringLiteral("DROP TABLE tblNumbers"));
    m_peer->send(QByteArray(";ADD CONTACT;") +
                 contactRecord(QStringLiteral("BOB"), QStringLiteral("555-0003")).toUtf8());
    const QString reply = m_peer->next();
    QCOMPARE(errorNumber(reply), kDatabaseError);
    QVERIFY2(reply.contains(QLatin1String("no such table")), qPrintable(reply));
    // The dispatcher still answers what comes next.
    m_peer->send(QByteArray(";MODEMCONNECTION;"));
    QCOMPARE(m_peer->next(), QStringLiteral(";MODEMCONNECTION;False;"));

    // No contact book at all (its file could not be used at start-up): every change is told it failed, and the
    // event list never says it was made.
    CloseContactDB();
    m_peer->send(QByteArray(";ADD CONTACT;") +
                 contactRecord(QStringLiteral("CAROL"), QStringLiteral("555-0004")).toUtf8());
    QCOMPARE(m_peer->next(), QStringLiteral(";ERROR;%1;The server has no contact database open.;").arg(kDatabaseError));
    m_peer->send(QByteArray(";DELETE CONTACT;ANN"));
    QCOMPARE(m_peer->next(), QStringLiteral(";ERROR;%1;The server has no contact database open.;").arg(kDatabaseError));
    const QStringList events = m_host->lstEvents.stringList();
    QVERIFY(
        events.contains(QStringLiteral("127.0.0.1 Could not add a Contact: The server has no contact database open.")));
    QVERIFY(events.contains(
        QStringLiteral("127.0.0.1 Could not delete a Contact: The server has no contact database open.")));
    QCOMPARE(events.count(QStringLiteral("127.0.0.1 Added a Contact")), 1);
    QCOMPARE(events.count(QStringLiteral("127.0.0.1 Deleted a Contact")), 0);
}

QTEST_MAIN(TestServerErrorNumbers)
#include "test_servererrornumbers.moc"
