#include "config/CallLogSearch.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/clsRemoteSocket.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

// The search window's work without the window: the page writers on a real call log, the date checks and
// messages, the histories in the settings, the custom SQL arrows, and the hand-over to a main window.
class TestCallLogSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void nameAndNumberQueries();
    void quotesAndSeparatorsInTypedText();
    void contactQueries();
    void dateChecks();
    void dateQueriesAndTheirMessages();
    void beginningToEndFindsTheFirstAndLastCall();
    void customSQLWithoutSeparators();
    void recentItemHistories();
    void historiesOfferTheWordsByMode();
    void customSQLArrows();
    void thirdDoubleClickEmptiesTheHistories();
    void handOverMakesTheView();
    void aStatementThatWritesChangesNothing();
    void aClientSendsTheQuery();

private:
    qint32 storeCall(const QString& name, const QString& number, const QDateTime& when);
    static QString setting(const char* key) { return GetProperty(Section::frmFind, key, QString()); }
    CallLogSearch& search() { return callLogSearch(); }

    std::unique_ptr<TempHome> m_home;
};

void TestCallLogSearch::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(QDateTime(QDate(2005, 6, 10), QTime(12, 0, 0), Qt::UTC));
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
    QVERIFY(CreateContactDB(m_home->file(QStringLiteral("dbContacts.mdb"))));
}

void TestCallLogSearch::cleanup() { m_home.reset(); }

qint32 TestCallLogSearch::storeCall(const QString& name, const QString& number, const QDateTime& when)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = 2;
    c.Answered = QStringLiteral("N/A");
    AddCaller(c);
    return c.ID;
}

void TestCallLogSearch::nameAndNumberQueries()
{
    const QDateTime day(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC);
    storeCall(QStringLiteral("JOHN SMITH"), QStringLiteral("(555) 123-4567"), day);
    storeCall(QStringLiteral("SMITHERS"), QStringLiteral("555-0000"), day.addSecs(60));
    storeCall(QStringLiteral("JANE DOE"), QStringLiteral("555-7648"), day.addSecs(120));

    search().WriteNameNumberSQL(QStringLiteral("*smith*"), true, false);
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldName Like '*smith*'"));
    QCOMPARE(CountCallers(search().strFindSQL), 2);
    QCOMPARE(search().strLastNameNumber, QStringLiteral("*smith*"));

    search().WriteNameNumberSQL(QStringLiteral("*764*"), false, true);
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldNumber Like '*764*'"));
    QCOMPARE(CountCallers(search().strFindSQL), 1);

    search().WriteNameNumberSQL(QStringLiteral("*5*"), true, true);
    QCOMPARE(search().strFindSQL,
             QStringLiteral("Select * From tblCID Where fldName Like '*5*' or fldNumber Like '*5*'"));
    QCOMPARE(CountCallers(search().strFindSQL), 3);

    // No field, or no text: nothing to search, and nothing remembered.
    search().WriteNameNumberSQL(QStringLiteral("*doe*"), false, false);
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
    search().WriteNameNumberSQL(QString(), true, true);
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
    QCOMPARE(search().strLastNameNumber, QStringLiteral("*5*"));
    QCOMPARE(CallLogSearch::NameNumberHistory(),
             (QStringList{QStringLiteral("*5*"), QStringLiteral("*764*"), QStringLiteral("*smith*")}));
}

void TestCallLogSearch::quotesAndSeparatorsInTypedText()
{
    const QDateTime day(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC);
    storeCall(QStringLiteral("O'BRIEN"), QStringLiteral("555-1111"), day);
    storeCall(QStringLiteral("OBRIEN"), QStringLiteral("555-2222"), day.addSecs(5));

    search().WriteNameNumberSQL(QStringLiteral("o'brien"), true, true);
    QCOMPARE(search().strFindSQL,
             QStringLiteral("Select * From tblCID Where fldName Like 'o''brien' or fldNumber Like 'o''brien'"));
    const QList<clsCaller> found = SelectCallers(search().strFindSQL);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().Name, QStringLiteral("O'BRIEN"));
    // The history keeps the text as typed.
    QCOMPARE(CallLogSearch::NameNumberHistory().value(0), QStringLiteral("o'brien"));

    // A quote cannot end the literal early.
    search().WriteNameNumberSQL(QStringLiteral("x' or '1'='1"), true, false);
    QCOMPARE(CountCallers(search().strFindSQL), 0);

    // The request separators never reach a query, nor the history.
    search().WriteNameNumberSQL(QStringLiteral("*x;DELETE;5|*"), true, false);
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldName Like '*xDELETE5*'"));
    QCOMPARE(CallLogSearch::NameNumberHistory().value(0), QStringLiteral("*xDELETE5*"));
    search().WriteNameNumberSQL(QStringLiteral(";|"), true, false);
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
}

void TestCallLogSearch::contactQueries()
{
    clsContact mary;
    mary.Name = QStringLiteral("Aunt Mary");
    mary.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1003"), QStringLiteral("Home")));
    mary.AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 200-3000"), QStringLiteral("Work")));
    QVERIFY(AddContact(mary));
    clsContact bob;
    bob.Name = QStringLiteral("Bob");
    bob.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-7777"), QString()));
    QVERIFY(AddContact(bob));
    const QDateTime day(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC);
    storeCall(QStringLiteral("MARY"), QStringLiteral("555-1003"), day);
    storeCall(QStringLiteral("OFFICE"), QStringLiteral("1 (555) 200-3000"), day.addSecs(1));
    storeCall(QStringLiteral("BOB"), QStringLiteral("555-7777"), day.addSecs(2));
    storeCall(QStringLiteral("OTHER"), QStringLiteral("555-9999"), day.addSecs(3));

    // Checked contacts in list order, each number as a plain substring of the call's number.
    search().WriteContactsSQL({QStringLiteral("Bob"), QStringLiteral("Aunt Mary")});
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldNumber like '*555-7777*' or fldNumber "
                                                 "like '*555-1003*' or fldNumber like '*(555) 200-3000*'"));
    QCOMPARE(CountCallers(search().strFindSQL), 3);

    // A name no contact has adds nothing; nothing at all is no query.
    search().WriteContactsSQL({QStringLiteral("Nobody"), QStringLiteral("Bob")});
    QCOMPARE(CountCallers(search().strFindSQL), 1);
    search().WriteContactsSQL({QStringLiteral("Nobody")});
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
    search().WriteContactsSQL({});
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
}

void TestCallLogSearch::dateChecks()
{
    for (const char* word : {"Beginning of Records", "BEGINNING OF RECORDS", "beginning of records"})
        QVERIFY2(CallLogSearch::IsValidStartDate(QLatin1String(word)), word);
    for (const char* word : {"Present", "PRESENT", "End of Records", "end OF records"})
        QVERIFY2(CallLogSearch::IsValidEndDate(QLatin1String(word)), word);
    QVERIFY(!CallLogSearch::IsValidStartDate(QStringLiteral("Present")));
    QVERIFY(!CallLogSearch::IsValidEndDate(QStringLiteral("Beginning of Records")));
    QVERIFY(CallLogSearch::IsValidStartDate(QStringLiteral("6/1/2005")));
    QVERIFY(CallLogSearch::IsValidEndDate(QStringLiteral("6/1/2005 10:00:00 PM")));
    // A time alone stands on the zero date of 1899 and is no date to search from.
    QVERIFY(!CallLogSearch::IsValidStartDate(QStringLiteral("10:00:00 AM")));
    QVERIFY(!CallLogSearch::IsValidEndDate(QStringLiteral("10:00")));
    QVERIFY(!CallLogSearch::IsValidStartDate(QStringLiteral("yesterday")));
    QVERIFY(!CallLogSearch::IsValidStartDate(QString()));

    // A client has no log of its own to find the first or last call in.
    gNetworkMode = Client;
    QVERIFY(!CallLogSearch::IsValidStartDate(QStringLiteral("Beginning of Records")));
    QVERIFY(!CallLogSearch::IsValidEndDate(QStringLiteral("End of Records")));
    QVERIFY(CallLogSearch::IsValidEndDate(QStringLiteral("Present")));
    QVERIFY(CallLogSearch::IsValidStartDate(QStringLiteral("6/1/2005")));
}

void TestCallLogSearch::dateQueriesAndTheirMessages()
{
    using Box = CallLogSearch::DateBox;
    QCOMPARE(search().WriteDateTimeSQL(QStringLiteral("soon"), QStringLiteral("later")), Box::Start);
    QCOMPARE(search().WriteDateTimeSQL(QStringLiteral("6/1/2005"), QStringLiteral("later")), Box::End);
    QCOMPARE(search().WriteDateTimeSQL(QStringLiteral("10:00 AM"), QStringLiteral("Present")), Box::Start);
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
    QCOMPARE(Prompt::texts(), (QStringList{QStringLiteral("Starting date and ending date must both be dates."),
                                           QStringLiteral("Ending date must be a date."),
                                           QStringLiteral("Starting date must be a date.")}));
    for (const Prompt::Record& r : Prompt::history()) {
        QCOMPARE(r.icon, int(Prompt::Critical));
        QCOMPARE(r.buttons, int(Prompt::OkOnly));
        QCOMPARE(r.title, QStringLiteral("Velquon"));
    }
    QCOMPARE(search().strLastStartDate, QString());

    Prompt::clearHistory();
    QCOMPARE(search().WriteDateTimeSQL(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("present")), Box::None);
    QCOMPARE(search().strFindSQL,
             QStringLiteral("Select * From tblCID Where fldDate > #6/1/2005 10:00:00 AM# and fldDate < #6/10/2005 "
                            "12:00:00 PM#"));
    QCOMPARE(search().strLastStartDate, QStringLiteral("6/1/2005 10:00:00 AM"));
    QCOMPARE(search().strLastEndDate, QStringLiteral("present"));
    QVERIFY(Prompt::history().isEmpty());

    QCOMPARE(search().WriteDateTimeSQL(QStringLiteral("6/1/2005"), QStringLiteral("6/2/2005")), Box::None);
    QCOMPARE(search().strFindSQL,
             QStringLiteral("Select * From tblCID Where fldDate > #6/1/2005# and fldDate < #6/2/2005#"));
    // Typed dates enter the histories, newest first; the three words never do.
    QCOMPARE(setting(Key::CustomStartDate), QStringLiteral(";6/1/2005;6/1/2005 10:00:00 AM"));
    QCOMPARE(setting(Key::CustomEndDate), QStringLiteral(";6/2/2005;"));
    QVERIFY(search().WriteDateTimeSQL(QStringLiteral("Beginning of Records"), QStringLiteral("End of Records")) ==
            Box::None);
    QCOMPARE(setting(Key::CustomStartDate), QStringLiteral(";6/1/2005;6/1/2005 10:00:00 AM"));
    QCOMPARE(setting(Key::CustomEndDate), QStringLiteral(";6/2/2005;"));
}

void TestCallLogSearch::beginningToEndFindsTheFirstAndLastCall()
{
    const QDateTime first(QDate(2005, 6, 1), QTime(1, 15, 0), Qt::UTC);
    QList<qint32> ids;
    ids << storeCall(QStringLiteral("FIRST"), QStringLiteral("555-0001"), first);
    for (int i = 1; i <= 4; ++i)
        ids << storeCall(QStringLiteral("MIDDLE %1").arg(i), QStringLiteral("555-000%1").arg(i + 1), first.addDays(i));
    ids << storeCall(QStringLiteral("LAST"), QStringLiteral("555-0009"), first.addDays(5));

    QCOMPARE(search().WriteDateTimeSQL(QStringLiteral("Beginning of Records"), QStringLiteral("End of Records")),
             CallLogSearch::DateBox::None);
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldDate >= #6/1/2005 1:15:00 AM# and "
                                                 "fldDate <= #6/6/2005 1:15:00 AM#"));
    QList<qint32> found;
    for (const clsCaller& c : SelectCallers(search().strFindSQL))
        found << c.ID;
    QCOMPARE(found, ids);

    // Either end alone includes its call too.
    search().WriteDateTimeSQL(QStringLiteral("beginning of records"), QStringLiteral("6/3/2005"));
    QCOMPARE(CountCallers(search().strFindSQL), 2);
    search().WriteDateTimeSQL(QStringLiteral("6/4/2005"), QStringLiteral("END OF RECORDS"));
    QCOMPARE(CountCallers(search().strFindSQL), 3);
}

void TestCallLogSearch::customSQLWithoutSeparators()
{
    search().intSQLIndex = 4;
    search().WriteCustomSQL(QStringLiteral("Select * From tblCID Where fldRings > 1 ;  "));
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldRings > 1"));
    QCOMPARE(search().intSQLIndex, 0);
    QCOMPARE(search().strLastCustomSQL, QStringLiteral("Select * From tblCID Where fldRings > 1"));
    QCOMPARE(setting(Key::CustomSQL), QStringLiteral(";Select * From tblCID Where fldRings > 1;"));

    // A ";" inside still runs here, but would split the history entry in two: the history never takes it.
    search().WriteCustomSQL(QStringLiteral("Select * From tblCID Where fldName = ';'"));
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID Where fldName = ';'"));
    QCOMPARE(setting(Key::CustomSQL), QStringLiteral(";Select * From tblCID Where fldRings > 1;"));

    search().WriteCustomSQL(QStringLiteral(" ; "));
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
    QVERIFY(Prompt::history().isEmpty());

    // A client's request would be cut at the ";": refused, and said so.
    gNetworkMode = Client;
    search().WriteCustomSQL(QStringLiteral("Select * From tblCID Where fldName = ';'"));
    QCOMPARE(search().strFindSQL, CallLogSearch::NotValid);
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Critical));
    QVERIFY(Prompt::texts().first().contains(QLatin1String("\";\"")));
    search().WriteCustomSQL(QStringLiteral("Select * From tblCID;"));
    QCOMPARE(search().strFindSQL, QStringLiteral("Select * From tblCID"));
}

void TestCallLogSearch::recentItemHistories()
{
    for (int i = 1; i <= 12; ++i)
        search().WriteNameNumberSQL(QStringLiteral("name %1").arg(i), true, true);
    QStringList expected;
    for (int i = 12; i >= 3; --i)
        expected << QStringLiteral("name %1").arg(i);
    QCOMPARE(CallLogSearch::NameNumberHistory(), expected);

    SaveProperty(Section::frmFind, Key::NameNumber, QString());
    search().WriteNameNumberSQL(QStringLiteral("*smith*"), true, true);
    QCOMPARE(setting(Key::NameNumber), QStringLiteral(";*smith*;"));
    search().WriteNameNumberSQL(QStringLiteral("*jones*"), true, true);
    search().WriteNameNumberSQL(QStringLiteral("*Smith*"), true, true);
    // Equal entries ignoring case are kept once, the newer text first; later additions drop the final ";".
    QCOMPARE(setting(Key::NameNumber), QStringLiteral(";*Smith*;*jones*"));
    QCOMPARE(CallLogSearch::NameNumberHistory(), (QStringList{QStringLiteral("*Smith*"), QStringLiteral("*jones*")}));
}

void TestCallLogSearch::historiesOfferTheWordsByMode()
{
    SaveProperty(Section::frmFind, Key::CustomStartDate, QStringLiteral(";6/1/2005;;5/1/2005"));
    SaveProperty(Section::frmFind, Key::CustomEndDate, QStringLiteral(";6/2/2005;"));
    QCOMPARE(CallLogSearch::StartDateHistory(), (QStringList{QStringLiteral("Beginning of Records"),
                                                             QStringLiteral("6/1/2005"), QStringLiteral("5/1/2005")}));
    QCOMPARE(CallLogSearch::EndDateHistory(),
             (QStringList{QStringLiteral("Present"), QStringLiteral("End of Records"), QStringLiteral("6/2/2005")}));
    gNetworkMode = Client;
    QCOMPARE(CallLogSearch::StartDateHistory(), (QStringList{QStringLiteral("6/1/2005"), QStringLiteral("5/1/2005")}));
    QCOMPARE(CallLogSearch::EndDateHistory(), (QStringList{QStringLiteral("Present"), QStringLiteral("6/2/2005")}));
}

void TestCallLogSearch::customSQLArrows()
{
    constexpr int Older = 1, Newer = 0;
    // An empty history splits into one empty entry: the first step back shows it, the next changes nothing.
    QCOMPARE(search().NavigateSQL(Older), std::optional<QString>(QString()));
    QCOMPARE(search().intSQLIndex, 1);
    QCOMPARE(search().NavigateSQL(Older), std::nullopt);
    QCOMPARE(search().NavigateSQL(Newer), std::nullopt);

    // Ten entries: the arrows reach the newest nine only.
    search().intSQLIndex = 0;
    for (int i = 1; i <= 10; ++i)
        AddRecentItem(Section::frmFind, Key::CustomSQL, QStringLiteral("q%1").arg(i));
    QStringList shown;
    for (int i = 0; i < 11; ++i)
        shown << search().NavigateSQL(Older).value_or(QStringLiteral("-"));
    QCOMPARE(shown, (QStringList{"q10", "q9", "q8", "q7", "q6", "q5", "q4", "q3", "q2", "q2", "q2"}));
    QCOMPARE(search().intSQLIndex, 9);
    QCOMPARE(search().NavigateSQL(Newer), std::optional<QString>(QStringLiteral("q3")));
    search().intSQLIndex = 2;
    QCOMPARE(search().NavigateSQL(Newer), std::optional<QString>(QStringLiteral("q10")));
    QCOMPARE(search().NavigateSQL(Newer), std::nullopt);
    QCOMPARE(search().intSQLIndex, 1);

    // A shorter history stops at its oldest entry.
    SaveProperty(Section::frmFind, Key::CustomSQL, QStringLiteral(";a;b"));
    search().intSQLIndex = 0;
    QCOMPARE(search().NavigateSQL(Older), std::optional<QString>(QStringLiteral("a")));
    QCOMPARE(search().NavigateSQL(Older), std::optional<QString>(QStringLiteral("b")));
    QCOMPARE(search().NavigateSQL(Older), std::nullopt);
    QCOMPARE(search().intSQLIndex, 2);
}

void TestCallLogSearch::thirdDoubleClickEmptiesTheHistories()
{
    for (const char* key : {Key::NameNumber, Key::CustomStartDate, Key::CustomEndDate, Key::CustomSQL})
        SaveProperty(Section::frmFind, key, QStringLiteral(";kept;"));
    search().intSQLIndex = 3;
    QVERIFY(!search().SecretClick());
    QVERIFY(!search().SecretClick());
    QCOMPARE(setting(Key::CustomSQL), QStringLiteral(";kept;"));
    QVERIFY(search().SecretClick());
    QCOMPARE(search().intSecretClicks, 0);
    for (const char* key : {Key::NameNumber, Key::CustomStartDate, Key::CustomEndDate, Key::CustomSQL})
        QCOMPARE(setting(key), QString());
    QCOMPARE(search().intSQLIndex, 3);
    // The count starts again.
    QVERIFY(!search().SecretClick());
}

void TestCallLogSearch::handOverMakesTheView()
{
    const QDateTime day(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC);
    storeCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-1234"), day);
    storeCall(QStringLiteral("JANE"), QStringLiteral("555-4321"), day.addSecs(1));
    MainWindow main;
    gMainForm = &main;
    main.strSQL = QStringLiteral("Select * From tblCID");
    QStringList shown;
    int waiting = 0;
    auto current = [&](const QString& sql) { shown << sql; };
    auto wait = [&] { ++waiting; };

    // Nothing, or the sentinel in any case: the view stays.
    for (const char* nothing : {"", "NOT VALID", "not valid"}) {
        search().strFindSQL = QLatin1String(nothing);
        QVERIFY(!search().HandOver(current, wait).handedOver);
    }
    QCOMPARE(main.strSQL, QStringLiteral("Select * From tblCID"));

    search().WriteNameNumberSQL(QStringLiteral("*smith*"), true, false);
    const CallLogSearch::Outcome outcome = search().HandOver(current, wait);
    QVERIFY(outcome.handedOver);
    QCOMPARE(main.strSQL, QStringLiteral("Select * From tblCID Where fldName Like '*smith*'"));
    QCOMPARE(outcome.records, std::optional<qint64>(1));
    QCOMPARE(shown, QStringList{main.strSQL});
    QCOMPARE(waiting, 0);
    QVERIFY(search().strFindSQL.isEmpty());
    gMainForm = nullptr;
}

void TestCallLogSearch::aStatementThatWritesChangesNothing()
{
    const QDateTime day(QDate(2005, 6, 1), QTime(10, 0, 0), Qt::UTC);
    storeCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-1234"), day);
    MainWindow main;
    gMainForm = &main;
    for (const char* statement : {"Delete From tblCID", "Delete * From tblCID", "Drop Table tblCID",
                                  "Update tblCID Set fldName = 'X'", "Select * From tblCID; Delete From tblCID"}) {
        search().WriteCustomSQL(QLatin1String(statement));
        const CallLogSearch::Outcome outcome = search().HandOver({}, {});
        QVERIFY2(outcome.handedOver, statement);
        QCOMPARE(outcome.records, std::optional<qint64>(0));
    }
    QCOMPARE(lastReportedTag(), QStringLiteral("frmFind_cmdFind_Click"));
    const QList<clsCaller> left = SelectCallers(QStringLiteral("Select * From tblCID"));
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().Name, QStringLiteral("JOHN SMITH"));
    gMainForm = nullptr;
}

void TestCallLogSearch::aClientSendsTheQuery()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.serverPort()));
    gNetworkMode = Client;
    install(gRemoteSocket);
    QTRY_COMPARE(gRemoteSocket->State(), SocketState::Connected);
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket* peer = server.nextPendingConnection();

    MainWindow main;
    gMainForm = &main;
    int waiting = 0;
    search().WriteNameNumberSQL(QStringLiteral("*smith*"), true, true);
    const CallLogSearch::Outcome outcome = search().HandOver({}, [&] { ++waiting; });
    QVERIFY(outcome.handedOver);
    QVERIFY(!outcome.records);
    QCOMPARE(waiting, 1);
    const QByteArray expected =
        ";SQL;Select * From tblCID Where fldName Like '*smith*' or fldNumber Like '*smith*';COMPLETE;COMPLETE;";
    QByteArray received;
    QTRY_VERIFY((received += peer->readAll()).size() >= expected.size());
    QCOMPARE(received, expected);
    gMainForm = nullptr;
}

QTEST_GUILESS_MAIN(TestCallLogSearch)
#include "test_calllogsearch.moc"
