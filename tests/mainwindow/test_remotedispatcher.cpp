#include "mainwindow/RemoteDispatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "capture/RemoteCallRoad.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "network/clsRemoteSocket.h"
#include "platform/Prompt.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

QString record(qint32 id, const QString& name)
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = QStringLiteral("555-0100");
    c.CallerDate = QStringLiteral("3/21/2024 2:00:00 PM");
    c.Rings = 1;
    c.Answered = QStringLiteral("NO");
    return c.PrintSend();
}

QList<qint32> ids()
{
    QList<qint32> out;
    for (const clsCaller& c : *gRemoteCallers)
        out << c.ID;
    return out;
}

} // namespace

// The client's reading of its server's sends, without a window: the copies it keeps, the fields each message
// takes, the deletions it confirms and the errors it tells. The window's part is in the window's tests.
class TestRemoteDispatcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void everyMessageTakesItsOwnFields();
    void collectionsAreReplacedNotEmptied();
    void deletionsConfirmedByID();
    void errorsForgetWhatWaited();
    void statisticsRepliesGoToTheirWindow();
    void modemStateNeedsATruthValue();

private:
    void dispatch(const QString& text) { m_dispatcher->ProcessRemoteNetworkData(text + ";COMPLETE;COMPLETE;"); }
    QStringList events() const { return m_host.lstEvents.stringList(); }

    std::unique_ptr<TempHome> m_home;
    MainWindow m_host;
    std::unique_ptr<RemoteCallRoad> m_calls;
    std::unique_ptr<RemoteDispatcher> m_dispatcher;
};

void TestRemoteDispatcher::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Client;
    gMainForm = &m_host;
    m_host.lstEvents.setStringList({});
    gRemoteCallers = std::make_unique<RemoteCallerCollection>();
    m_calls = std::make_unique<RemoteCallRoad>();
    m_dispatcher = std::make_unique<RemoteDispatcher>(m_host, *m_calls);
}

void TestRemoteDispatcher::cleanup()
{
    m_dispatcher.reset();
    m_calls.reset();
    m_home.reset();
}

void TestRemoteDispatcher::everyMessageTakesItsOwnFields()
{
    // A cleared name keeps its place: the number, date, rings and answered stay where they belong.
    QSignalSpy logged(m_dispatcher.get(), &RemoteDispatcher::loggedRecordArrived);
    dispatch(";ORIGINAL ID;;555-0100;3/21/2024 2:00:00 PM;2;NO;");
    QCOMPARE(logged.size(), 1);
    const auto shown = logged.first().first().value<LoggedRecord>();
    QCOMPARE(shown.Name, QString());
    QCOMPARE(shown.Number, QStringLiteral("555-0100"));
    QCOMPARE(shown.Answered, QStringLiteral("NO"));
    QCOMPARE(logged.first().last().toBool(), false);
    // Fields that look like keywords are fields: "CALLER" here is a record that cannot be read.
    dispatch(";CALLER;CALLER;CALLER;" + record(2, "TWO"));
    QCOMPARE(ids(), QList<qint32>{2});
    QVERIFY(events().contains(QStringLiteral("1 caller was lost during a file transfer.")));
    // A message cut short at the end of a unit takes empty fields.
    m_dispatcher->ProcessRemoteNetworkData(QStringLiteral(";EDIT CALLER"));
    QVERIFY(events().contains(QStringLiteral("1 caller was lost during a file transfer.")));
    QCOMPARE(events().count(QStringLiteral("1 caller was lost during a file transfer.")), 2);
    // Keywords in any case; unknown words and the marker's words are passed over.
    dispatch(";hello;caller;" + record(3, "THREE") + ";COMPLETE");
    QCOMPARE(ids(), (QList<qint32>{2, 3}));
    QCOMPARE(RemoteDispatcher::fieldCount(QStringLiteral("ORIGINAL ID MINI DISPLAY")), 5);
    QCOMPARE(RemoteDispatcher::fieldCount(QStringLiteral("COMPLETE")), -1);
}

void TestRemoteDispatcher::collectionsAreReplacedNotEmptied()
{
    dispatch(";CLEAR CALLERS;;CALLER;" + record(1, "ONE") + ";CALLER;" + record(1, "SAME ID"));
    // Rows come in the server's order, none dropped for a repeated ID.
    QCOMPARE(ids(), (QList<qint32>{1, 1}));
    const RemoteCallerCollection before = *gRemoteCallers;
    dispatch(";CLEAR CALLERS;;CALLER;" + record(5, "FIVE"));
    QCOMPARE(ids(), QList<qint32>{5});
    QCOMPARE(before.size(), 2); // a copy taken earlier (a refill running) keeps its rows

    dispatch(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|Family|100|True|x.wav|;ATTRIBUTE GROUP;|FAMILY|1|False||");
    QCOMPARE(gAttributeGroups.count(), 1);
    QCOMPARE(gAttributeGroups.item(QStringLiteral("family"))->Color, 100);
    QCOMPARE(gErrNumber, kDuplicateKeyError); // the second of a name is kept as an error, and dropped
    dispatch(";ATTRIBUTE GROUP;|Work|7|False||");
    QCOMPARE(gAttributeGroups.count(), 2); // added to the collection the last clear made
    dispatch(";CLEAR ATTRIBUTE GROUPS;");
    QCOMPARE(gAttributeGroups.count(), 0);

    dispatch(";CLEAR CONTACTS;;CONTACT;|ANN|Family||note|NUMBER|555-0100|Home");
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(gContacts.item(QStringLiteral("ANN"))->OtherInfo, QStringLiteral("note"));
    // A server's control characters never reach the windows; line breaks of the other information stay.
    dispatch(QStringLiteral(";CONTACT;|BEN\x1b[2J\x07|||a\nb\x1b|NUMBER|555-0101\x1b|Cell\x07"));
    const auto ben = gContacts.item(QStringLiteral("BEN[2J"));
    QVERIFY(ben);
    QCOMPARE(ben->OtherInfo, QStringLiteral("a\nb"));
    QCOMPARE(ben->Numbers.at(0)->PrintNumberDescription(), QStringLiteral("555-0101 (Cell)"));
    // An edited call is matched to the contacts the client has.
    QSignalSpy edited(m_dispatcher.get(), &RemoteDispatcher::callerEdited);
    dispatch(";EDIT CALLER;" + record(5, "EDITED") + ";");
    QCOMPARE(edited.size(), 1);
    QCOMPARE(edited.first().at(1).value<clsCaller>().ContactName, QStringLiteral("ANN"));
    QCOMPARE(gRemoteCallers->first().Name, QStringLiteral("EDITED"));
}

void TestRemoteDispatcher::deletionsConfirmedByID()
{
    dispatch(";CLEAR CALLERS;;CALLER;" + record(1, "A") + ";CALLER;" + record(2, "B") + ";CALLER;" + record(3, "C"));
    QSignalSpy deleted(m_dispatcher.get(), &RemoteDispatcher::callsDeleted);
    QSignalSpy cleared(m_dispatcher.get(), &RemoteDispatcher::logCleared);
    // Nothing asked: nothing goes.
    dispatch(";DELETE OK;");
    QCOMPARE(ids(), (QList<qint32>{1, 2, 3}));
    QVERIFY(deleted.isEmpty() && cleared.isEmpty());
    // The IDs asked for go (one that is not there takes nothing), then the request is done.
    m_dispatcher->PendingDeletes = QList<qint32>{3, 9, 1};
    dispatch(";DELETE OK;");
    QCOMPARE(ids(), QList<qint32>{2});
    QCOMPARE(deleted.size(), 1);
    QCOMPARE(deleted.first().first().value<QList<qint32>>(), (QList<qint32>{3, 9, 1}));
    QVERIFY(!m_dispatcher->PendingDeletes);
    dispatch(";DELETE OK;");
    QCOMPARE(deleted.size(), 1);
    // Clear Log: everything.
    m_dispatcher->DeleteAllPending = true;
    dispatch(";DELETE OK;");
    QVERIFY(gRemoteCallers->isEmpty());
    QCOMPARE(cleared.size(), 1);
    QVERIFY(!m_dispatcher->DeleteAllPending);
}

void TestRemoteDispatcher::errorsForgetWhatWaited()
{
    dispatch(";CLEAR CALLERS;;CALLER;" + record(1, "A"));
    m_dispatcher->PendingDeletes = QList<qint32>{1};
    dispatch(";ERROR;3021;No current record.;");
    QCOMPARE(events().last(), QStringLiteral("Server error #3021: No current record."));
    QCOMPARE(gErrNumber, kNoCurrentRecordError);
    QCOMPARE(gErrDescription, QStringLiteral("No current record."));
    QVERIFY(!m_dispatcher->PendingDeletes);
    dispatch(";DELETE OK;");
    QCOMPARE(ids(), QList<qint32>{1});
    // Only a refused contact is told in a box, one that does not wait.
    QVERIFY(Prompt::history().isEmpty());
    dispatch(";ERROR;2;555-0100 was found to be a duplicate numbers in the database.;");
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Notice);
    QCOMPARE(Prompt::history().first().text,
             QStringLiteral("555-0100 was found to be a duplicate numbers in the database."));
    // A refusal forgets the deletion it refused.
    m_dispatcher->DeleteAllPending = true;
    dispatch("RESTRICTED");
    QVERIFY(!m_dispatcher->DeleteAllPending);
    QCOMPARE(events().last(), QStringLiteral("Your IP address has been restricted by the server."));
}

void TestRemoteDispatcher::statisticsRepliesGoToTheirWindow()
{
    QStringList statistics, graphs;
    windowLinks().statisticReply = [&](const QString& field) { statistics << field; };
    windowLinks().graphReply = [&](const QString& field) { graphs << field; };
    dispatch(";STATISTIC;|3 calls|Too Complex|;GRAPH;PARTIAL;;GRAPH;|LINE||4|;");
    QCOMPARE(statistics, QStringList{QStringLiteral("|3 calls|Too Complex|")});
    QCOMPARE(graphs, (QStringList{QStringLiteral("PARTIAL"), QStringLiteral("|LINE||4|")}));
    // An empty reply still takes its field.
    dispatch(";STATISTIC;;CALLER;" + record(4, "FOUR"));
    QCOMPARE(statistics.last(), QString());
    QCOMPARE(ids(), QList<qint32>{4});
}

void TestRemoteDispatcher::modemStateNeedsATruthValue()
{
    QSignalSpy icon(m_dispatcher.get(), &RemoteDispatcher::connectionIconChanged);
    dispatch(";MODEMCONNECTION;TRUE;");
    QVERIFY(m_host.ModemConnected);
    // Not connected (no socket here): red whatever the modem does.
    QCOMPARE(icon.last().first().toString(), QStringLiteral("ricon"));
    dispatch(";MODEMCONNECTION;perhaps;");
    QVERIFY(m_host.ModemConnected);
    QCOMPARE(gErrNumber, kTypeMismatchError);
    dispatch(";MODEMCONNECTION;false;");
    QVERIFY(!m_host.ModemConnected);
}

QTEST_GUILESS_MAIN(TestRemoteDispatcher)
#include "test_remotedispatcher.moc"
