#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "support/TempHome.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>

#include <sqlite3.h>

class TestCallerDB : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void findWithoutAFileChangesNothing();
    void createsTheTableAndTheDateIndex();
    void createOnAnExistingFileLeavesItAlone();
    void sameTimeCallsGetTheirOwnIDs();
    void idsPast32767AreCarried();
    void editOfAMissingIDChangesNothing();
    void emptyTextIsAccepted();
    void badDateIsReportedWithTheOperationsTag();
    void firstAndLastCallDatesTakeInEveryCall();
    void clientModeTouchesNothing();
    void findAddsTheIndexAndRefusesOtherFiles();
    void readersFollowTheOpenLog();
    void viewsShowTheGeneralDateForm();
    void untrustedTextCannotDeleteCalls();
    void statisticAndSearchConditionsCount();
    void writeAheadFileIsCopiedBackBetweenCalls();
    void anEndedCallStartsTheWriteAheadFileOver();
    void callsStoredInTurnKeepTheirOwnDates();

private:
    static clsCaller call(const QString& name, const QString& number, const QString& date, int rings,
                          const QString& answered);
    static QStringList rows();
};

void TestCallerDB::init()
{
    SaveError(0, QString());
    ReportError(QString());
}

clsCaller TestCallerDB::call(const QString& name, const QString& number, const QString& date, int rings,
                             const QString& answered)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = date;
    c.Rings = rings;
    c.Answered = answered;
    return c;
}

// Every row of the open log as one text, in ID order, read on the program's own connection.
QStringList TestCallerDB::rows()
{
    QStringList out;
    SqlStatement st = gCallerDB->prepare(
        QStringLiteral("SELECT ID, fldName, fldNumber, fldDate, fldRings, fldAnswered FROM tblCID ORDER BY ID"));
    while (st.step()) {
        QStringList fields;
        for (int c = 0; c < 6; ++c)
            fields << st.text(c);
        out << fields.join(QLatin1Char('|'));
    }
    return out;
}

void TestCallerDB::findWithoutAFileChangesNothing()
{
    TempHome home;
    QVERIFY(!FindCallerDB());
    QVERIFY(!gCallerDB);
    QVERIFY(CreateCallerDB(home.file("other.db")));
    SqlDatabase* open = gCallerDB.get();
    QVERIFY(!FindCallerDB()); // CallerDBPath unset, no dbCID.mdb in the program folder
    QCOMPARE(gCallerDB.get(), open);
    QVERIFY(!QFile::exists(home.file("dbCID.mdb")));
}

void TestCallerDB::createsTheTableAndTheDateIndex()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    QVERIFY(gCallerDB);
    SqlStatement info = gCallerDB->prepare(QStringLiteral("PRAGMA table_info(tblCID)"));
    QStringList columns;
    while (info.step())
        columns << info.text(1) + QLatin1Char(' ') + info.text(2) + (info.int64(5) ? QStringLiteral(" pk") : QString());
    QCOMPARE(columns, QStringList({"ID INTEGER pk", "fldName TEXT(50)", "fldNumber TEXT(50)", "fldDate DATETIME",
                                   "fldRings INTEGER", "fldAnswered TEXT(50)"}));
    // Text columns ignore case in comparisons.
    SqlStatement sql = gCallerDB->prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'tblCID'"));
    QVERIFY(sql.step());
    QCOMPARE(sql.text(0).count(QLatin1String("COLLATE NOCASE")), 3);
    SqlStatement index = gCallerDB->prepare(QStringLiteral("PRAGMA index_info(idxCIDDate)"));
    QVERIFY(index.step());
    QCOMPARE(index.text(2), QStringLiteral("fldDate"));
    // The IDs count from 1.
    clsCaller c = call("A", "1", "3/21/2024 2:05:07 PM", 0, "N/A");
    AddCaller(c);
    QCOMPARE(c.ID, 1);
}

void TestCallerDB::createOnAnExistingFileLeavesItAlone()
{
    TempHome home;
    const QString path = home.file("dbCID.mdb");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not touched\n");
    }
    QVERIFY(!CreateCallerDB(path));
    QVERIFY(!gCallerDB);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("not touched\n"));
    QVERIFY(!QFile::exists(path + "-wal"));

    // An existing call log likewise: same bytes, and the open log is not replaced.
    const QString log = home.file("log.db");
    QVERIFY(CreateCallerDB(log));
    clsCaller c = call("A", "1", "3/21/2024 2:05:07 PM", 1, "YES");
    AddCaller(c);
    CloseCallerDB(); // checkpoints the log into the file
    QVERIFY(CreateCallerDB(home.file("current.db")));
    SqlDatabase* open = gCallerDB.get();
    QFile logFile(log);
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    const QByteArray before = logFile.readAll();
    logFile.close();
    QVERIFY(!CreateCallerDB(log));
    QCOMPARE(gCallerDB.get(), open);
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    QCOMPARE(logFile.readAll(), before);
}

void TestCallerDB::sameTimeCallsGetTheirOwnIDs()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller first = call("NOT RECEIVED", "NOT RECEIVED", "3/21/2024 2:05:07 PM", 0, "N/A");
    clsCaller second = first;
    AddCaller(first);
    AddCaller(second);
    QCOMPARE(first.ID, 1);
    QCOMPARE(second.ID, 2);
    second.Name = "JOHN SMITH";
    second.Number.Number = "555-1234";
    second.Rings = 3;
    second.Answered = "YES";
    EditCaller(second.ID, second);
    QCOMPARE(rows(), QStringList({"1|NOT RECEIVED|NOT RECEIVED|2024-03-21 14:05:07|0|N/A",
                                  "2|JOHN SMITH|555-1234|2024-03-21 14:05:07|3|YES"}));
    first.Rings = 2;
    first.Answered = "NO";
    EditCaller(first.ID, first);
    QCOMPARE(rows(), QStringList({"1|NOT RECEIVED|NOT RECEIVED|2024-03-21 14:05:07|2|NO",
                                  "2|JOHN SMITH|555-1234|2024-03-21 14:05:07|3|YES"}));
    QVERIFY(lastReportedTag() != QLatin1String("modCallerDB_AddCaller"));
}

void TestCallerDB::idsPast32767AreCarried()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    gCallerDB->exec(QStringLiteral("INSERT INTO tblCID (ID, fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                                   "VALUES (39999, 'old', '1', '2024-01-01 00:00:00', 1, 'NO')"));
    clsCaller c = call("NEW", "555-1234", "6/2/2024 9:30:00 PM", 0, "N/A");
    AddCaller(c);
    QCOMPARE(c.ID, 40000);
    c.Rings = 4;
    EditCaller(c.ID, c);
    const QList<clsCaller> read = SelectCallers(QStringLiteral("Select * From tblCID Where ID = 40000"));
    QCOMPARE(read.size(), 1);
    QCOMPARE(read[0].ID, 40000);
    QCOMPARE(read[0].Rings, 4);
    QCOMPARE(read[0].CallerDate, QStringLiteral("6/2/2024 9:30:00 PM"));
    QCOMPARE(read[0].Name, QStringLiteral("NEW"));
}

void TestCallerDB::editOfAMissingIDChangesNothing()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller c = call("A", "1", "3/21/2024 2:05:07 PM", 1, "YES");
    AddCaller(c);
    const QStringList before = rows();
    EditCaller(7, call("B", "2", "3/22/2024", 2, "NO"));
    QCOMPARE(rows(), before);
    QCOMPARE(gErrNumber, kNoCurrentRecordError);
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(lastReportedTag() != QLatin1String("modCallerDB_EditCaller"));
}

void TestCallerDB::emptyTextIsAccepted()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller c = call("", "", "3/21/2024 2:05:07 PM", 0, "");
    AddCaller(c);
    QCOMPARE(c.ID, 1);
    c.Name = "named";
    EditCaller(c.ID, c);
    QCOMPARE(rows(), QStringList({"1|named||2024-03-21 14:05:07|0|"}));
}

void TestCallerDB::badDateIsReportedWithTheOperationsTag()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller bad = call("A", "1", "yesterday", 1, "YES");
    AddCaller(bad);
    QCOMPARE(bad.ID, 0);
    QCOMPARE(lastReportedTag(), QStringLiteral("modCallerDB_AddCaller"));
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(rows().isEmpty());

    clsCaller good = call("A", "1", "3/21/2024 2:05:07 PM", 1, "YES");
    AddCaller(good);
    QVERIFY(!EditCaller(good.ID, bad));
    QCOMPARE(lastReportedTag(), QStringLiteral("modCallerDB_EditCaller"));
    // Its callers tell the user, each in its own way (the call road never in a box).
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(rows(), QStringList({"1|A|1|2024-03-21 14:05:07|1|YES"}));
}

void TestCallerDB::firstAndLastCallDatesTakeInEveryCall()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    QCOMPARE(GetFirstCallDate(), zero);
    QCOMPARE(GetLastCallDate(), zero);
    for (const char* date : {"6/2/2024 6:30:00 PM", "6/2/2024 10:00:00 AM", "6/2/2024 12:15:00 PM"}) {
        clsCaller c = call("A", "1", date, 1, "YES");
        AddCaller(c);
    }
    QCOMPARE(GetFirstCallDate(), QDateTime(QDate(2024, 6, 2), QTime(10, 0, 0), Qt::UTC));
    QCOMPARE(GetLastCallDate(), QDateTime(QDate(2024, 6, 2), QTime(18, 30, 0), Qt::UTC));
    // A search from the beginning to the end of the records finds every call, the oldest and newest included.
    const QString all = QStringLiteral("Select * From tblCID Where fldDate >= #") +
                        DateText::format(GetFirstCallDate()) + QStringLiteral("# and fldDate <= #") +
                        DateText::format(GetLastCallDate()) + QLatin1Char('#');
    QCOMPARE(CountCallers(all), 3);
}

void TestCallerDB::clientModeTouchesNothing()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller c = call("A", "1", "3/21/2024 2:05:07 PM", 1, "YES");
    AddCaller(c);
    gNetworkMode = Client;
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    QCOMPARE(GetFirstCallDate(), zero);
    QCOMPARE(GetLastCallDate(), zero);
    clsCaller other = call("B", "2", "3/22/2024", 2, "NO");
    AddCaller(other);
    QCOMPARE(other.ID, 0);
    EditCaller(1, other);
    QVERIFY(!CreateCallerDB(home.file("client.db")));
    QVERIFY(!QFile::exists(home.file("client.db")));
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, home.file("dbCID.mdb"));
    QVERIFY(!FindCallerDB());
    QVERIFY(SelectCallers(QStringLiteral("Select * From tblCID")).isEmpty());
    QCOMPARE(CountCallers(QStringLiteral("Select * From tblCID")), 0);
    QCOMPARE(DeleteCallers({1}), 0);
    QVERIFY(!CallerDBReader());
    gNetworkMode = Standalone;
    QCOMPARE(rows(), QStringList({"1|A|1|2024-03-21 14:05:07|1|YES"}));
}

void TestCallerDB::findAddsTheIndexAndRefusesOtherFiles()
{
    TempHome home;
    const QString path = home.file("plain.db");
    {
        SqlDatabase db(path, SqlDatabase::Mode::ReadWriteCreate);
        db.exec(QStringLiteral("CREATE TABLE tblCID (ID INTEGER PRIMARY KEY AUTOINCREMENT, fldName TEXT, "
                               "fldNumber TEXT, fldDate DATETIME, fldRings INTEGER, fldAnswered TEXT)"));
    }
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, path);
    QVERIFY(FindCallerDB());
    SqlStatement index = gCallerDB->prepare(QStringLiteral("PRAGMA index_info(idxCIDDate)"));
    QVERIFY(index.step());
    SqlDatabase* open = gCallerDB.get();

    const QString junk = home.file("junk.mdb");
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, junk);
    QVERIFY_THROWS_EXCEPTION(SqlError, FindCallerDB());
    QCOMPARE(gCallerDB.get(), open);
}

void TestCallerDB::readersFollowTheOpenLog()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("first.db")));
    for (int i = 0; i < 3; ++i) {
        clsCaller c =
            call(QStringLiteral("caller %1").arg(i), "555-1234", "6/2/2024 9:30:00 PM", i, i == 1 ? "YES" : "NO");
        AddCaller(c);
    }
    const QString view = QStringLiteral("Select * From tblCID Where fldAnswered Like 'no' Order By ID Desc");
    QCOMPARE(CountCallers(view), 2);
    QList<clsCaller> read = SelectCallers(view);
    QCOMPARE(read.size(), 2);
    QCOMPARE(read[0].ID, 3);
    QCOMPARE(read[1].Name, QStringLiteral("caller 0"));
    QCOMPARE(read[1].Answered, QStringLiteral("NO"));
    QCOMPARE(read[1].Number.Number, QStringLiteral("555-1234"));
    // Columns are matched by name, whatever the query selects.
    read = SelectCallers(QStringLiteral("Select fldRings, ID From tblCID Where ID = 3"));
    QCOMPARE(read.size(), 1);
    QCOMPARE(read[0].Rings, 2);
    QCOMPARE(read[0].ID, 3);
    QVERIFY(read[0].Name.isEmpty());

    // A new call is seen by the reader at once; a deleted one is gone.
    clsCaller late = call("late", "1", "6/3/2024", 0, "NO");
    AddCaller(late);
    QCOMPARE(CountCallers(view), 3);
    QVERIFY(DeleteCaller(late.ID));
    QVERIFY(!DeleteCaller(late.ID));
    QCOMPARE(DeleteCallers({1, 2, 99}), 2);
    QCOMPARE(CountCallers(QStringLiteral("Select * From tblCID")), 1);

    // Another log: the reader follows it.
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, home.file("second.db"));
    QVERIFY(CreateCallerDB(home.file("second.db")));
    QCOMPARE(CountCallers(QStringLiteral("Select * From tblCID")), 0);
}

void TestCallerDB::viewsShowTheGeneralDateForm()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    QList<QDateTime> dates;
    const QDateTime start(QDate(2024, 12, 31), QTime(0, 0), Qt::UTC);
    for (int minutes = 0; minutes < 26 * 60; minutes += 13)
        dates << start.addSecs(minutes * 60 + minutes % 60);
    dates << QDateTime(QDate(1899, 12, 30), QTime(21, 30), Qt::UTC)
          << QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC) << QDateTime(QDate(2024, 6, 2), QTime(12, 0), Qt::UTC)
          << QDateTime(QDate(999, 1, 2), QTime(3, 4, 5), Qt::UTC);
    for (const QDateTime& d : dates) {
        clsCaller c = call("A", "1", DateText::format(d), 1, "YES");
        AddCaller(c);
        QVERIFY2(c.ID > 0, qPrintable(DateText::format(d)));
    }
    const QList<clsCaller> read = SelectCallers(QStringLiteral("Select * From tblCID Order By ID"));
    QCOMPARE(read.size(), dates.size());
    for (int i = 0; i < dates.size(); ++i)
        QCOMPARE(read[i].CallerDate, DateText::format(dates[i]));
}

void TestCallerDB::untrustedTextCannotDeleteCalls()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller c = call("A", "1", "3/21/2024 2:05:07 PM", 1, "YES");
    AddCaller(c);
    for (const char* text : {"Delete * From tblCID", "Select * From tblCID; Delete From tblCID"}) {
        try {
            SelectCallers(QString::fromLatin1(text));
            QFAIL("must be refused");
        } catch (const SqlError& e) {
            QCOMPARE(e.resultText(), QStringLiteral("Bad SQL"));
        }
    }
    QCOMPARE(rows().size(), 1);
}

// The conditions the statistics and the search window build, run the way they are put together (condition,
// then the period clause glued on without a blank), against a small log whose counts are worked out by hand.
void TestCallerDB::statisticAndSearchConditionsCount()
{
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    const struct {
        const char *name, *number, *date;
        int rings;
        const char* answered;
    } log[] = {
        {"JOHN SMITH", "555-1234", "3/1/2024 9:15:00 PM", 3, "YES"},               // 1
        {"NOT RECEIVED", "NOT RECEIVED", "3/1/2024 11:59:59 PM", 1, "N/A"},        // 2
        {"PRIVATE NUMBER", "PRIVATE NUMBER", "3/2/2024", 2, "NO"},                 // 3 midnight
        {"UNKNOWN NUMBER", "UNKNOWN NUMBER", "3/2/2024 1:00:00 AM", 4, "BLOCKED"}, // 4
        {"MARY JONES", "(555) 987-1234", "3/2/2024 1:59:59 AM", 5, "no"},          // 5
        {"Mary Jones", "555-9876", "3/2/2024 11:00:00 AM", 2, "yes"},              // 6
        {"BOB", "555-1234 x2", "3/2/2024 9:00:00 AM", 1, "N/A"},                   // 7
        {"ALICE", "555-0000", "3/2/2024 10:30:00 PM", 6, "NO"},                    // 8
        {"CAROL", "555-4321", "3/3/2024 12:30:00 PM", 0, "YES"},                   // 9
        {"DAVE", "555-2222", "3/3/2024 2:00:00 AM", 1, "NO"},                      // 10
    };
    for (const auto& r : log) {
        clsCaller c = call(r.name, r.number, r.date, r.rings, r.answered);
        AddCaller(c);
        QVERIFY(c.ID > 0);
    }
    const QString nightCalls = QStringLiteral("(fldDate Like '*/*/*9:*:*PM' or fldDate Like '*/*/*10:*:*PM' ") +
                               QStringLiteral("or fldDate Like '*/*/*11:*:*PM' or fldDate Like '*/*/*12:*:*AM' "
                                              "or fldDate Like '*/*/* 1:*:*AM')");
    const QString contact = QStringLiteral("(fldNumber like '*555-1234*' or fldNumber like '*(555) 987-1234*')");
    const QString day = QStringLiteral("and fldDate > #3/2/2024# and fldDate < #3/3/2024#");
    auto statQuery = [](const QString& condition, const QString& period) {
        if (condition.isEmpty() && period.isEmpty())
            return QStringLiteral("Select * From tblCID Order By fldDate");
        if (condition.isEmpty())
            return QStringLiteral("Select * From tblCID Where ") + period.mid(4) + QStringLiteral(" Order By fldDate");
        return QStringLiteral("Select * From tblCID Where ") + condition + period + QStringLiteral(" Order By fldDate");
    };
    const struct {
        QString query;
        qint64 count;
    } cases[] = {
        {statQuery(QString(), QString()), 10},
        {statQuery("fldAnswered Like 'YES'", QString()), 3},     // 1, 6, 9
        {statQuery("fldAnswered Like 'NO'", QString()), 4},      // 3, 5, 8, 10: not N/A, not BLOCKED
        {statQuery(nightCalls, QString()), 6},                   // 1, 2, 3, 4, 5, 8; not 9 AM, 11 AM, 12:30 PM, 2 AM
        {statQuery("fldAnswered Like 'BLOCKED'", QString()), 1}, // 4
        {statQuery("(fldName Like '*NOT RECEIVED*' or fldNumber Like '*NOT RECEIVED*')", QString()), 1},
        {statQuery("(fldName Like '*PRIVATE NUMBER*' or fldNumber Like '*PRIVATE NUMBER*')", QString()), 1},
        {statQuery("(fldName Like '*UNKNOWN NUMBER*' or fldNumber Like '*UNKNOWN NUMBER*')", QString()), 1},
        {statQuery(contact, QString()), 3},                                 // 1, 5, 7
        {statQuery("(fldNumber like '*555-1234*')", QString()), 2},         // 1, 7
        {statQuery("fldAnswered Like 'NO' and " + contact, QString()), 1},  // 5
        {statQuery("fldAnswered Like 'YES'", day), 1},                      // 6; midnight itself is outside
        {statQuery(QString(), day), 5},                                     // 4 to 8
        {statQuery(nightCalls, day), 3},                                    // 4, 5, 8
        {statQuery(contact, day), 2},                                       // 5, 7
        {"Select * From tblCID Where fldDate > #3/2/2024 12:30:00 PM#", 3}, // 8, 9, 10
        {"Select * From tblCID Where fldDate > #3/2/2024 12:30:00 PM# and " + contact, 0},
        // The search window's pages.
        {"Select * From tblCID Where fldName Like 'mary*' or fldNumber Like 'mary*'", 2},
        {"Select * From tblCID Where fldNumber like '*555-1234*' or fldNumber like '*555-0000*'", 3},
        {"Select * From tblCID Where fldDate > #3/1/2024 9:15:00 PM# and fldDate < #3/2/2024 1:00:00 AM#", 2},
    };
    for (const auto& c : cases) {
        try {
            QCOMPARE(CountCallers(c.query), c.count);
        } catch (const SqlError& e) {
            QFAIL(qPrintable(c.query + QStringLiteral(": ") + e.message()));
        }
    }
    // A condition that ends in a number runs into the period clause; a typed quote breaks the text. Both are
    // refused as bad, never run as something else.
    for (const QString& query : {statQuery("fldRings > 2", day), QStringLiteral("Select * From tblCID Where "
                                                                                "fldName Like 'O'Brien'")}) {
        try {
            CountCallers(query);
            QFAIL(qPrintable(query));
        } catch (const SqlError& e) {
            QCOMPARE(e.resultText(), QStringLiteral("Bad SQL"));
        }
    }
    QCOMPARE(rows().size(), 10);
}

void TestCallerDB::writeAheadFileIsCopiedBackBetweenCalls()
{
    TempHome home;
    const QString path = home.file("dbCID.mdb");
    QVERIFY(CreateCallerDB(path));
    const qint64 empty = QFileInfo(path).size();
    // Calls stored while a call rings: every page stays in the write-ahead file, however many there are.
    gRinging = true;
    auto store = [](int count) {
        for (int i = 0; i < count; ++i) {
            clsCaller c = call("CALLER", "555-1234", "3/1/2024 8:00:00 AM", 1, "NO");
            AddCaller(c);
            EditCaller(c.ID, c);
        }
    };
    store(400);
    const qint64 walPages = QFileInfo(path + "-wal").size() / 4096;
    QVERIFY2(walPages > CheckpointFrames, qPrintable(QString::number(walPages)));
    QCOMPARE(QFileInfo(path).size(), empty);
    QCoreApplication::processEvents();
    QCOMPARE(QFileInfo(path).size(), empty);
    // The call is over: now they go into the log.
    gRinging = false;
    CheckpointCallerDB();
    QVERIFY(QFileInfo(path).size() > empty);

    // Without a call the copy follows the write that filled the file, once the event that wrote it is done.
    const qint64 before = QFileInfo(path).size();
    store(800);
    QCOMPARE(QFileInfo(path).size(), before);
    QCoreApplication::processEvents();
    QVERIFY(QFileInfo(path).size() > before);
    QCOMPARE(rows().size(), 1200);
}

void TestCallerDB::anEndedCallStartsTheWriteAheadFileOver()
{
    TempHome home;
    const QString path = home.file("dbCID.mdb");
    QVERIFY(CreateCallerDB(path));
    gCallerDB->exec("PRAGMA user_version = 7");
    qint64 largestWal = 0;
    for (int n = 0; n < 30; ++n) {
        // A call as the call road writes it: stored at the first ring, rewritten at every line and ring.
        gRinging = true;
        clsCaller c = call("CALLER", "555-1234", "3/1/2024 8:00:00 AM", 1, "N/A");
        AddCaller(c);
        for (int ring = 2; ring <= 4; ++ring) {
            c.Rings = ring;
            QVERIFY(EditCaller(c.ID, c));
        }
        gRinging = false;
        SettleCallerDB();
        largestWal = std::max(largestWal, QFileInfo(path + "-wal").size());
        // Started over already: the file holds the one page of the write that did it, not the call's pages
        // (the next call's first write would otherwise start it over, and wait for the disk doing so).
        int inFile = -1;
        int copied = -1;
        QCOMPARE(sqlite3_wal_checkpoint_v2(gCallerDB->handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &inFile, &copied),
                 SQLITE_OK);
        QCOMPARE(inFile, 1);
    }
    // Thirty calls reuse the same few pages of the file (a call writes about ten) instead of adding to it.
    QVERIFY2(largestWal < 16 * 4096, qPrintable(QString::number(largestWal)));
    QCOMPARE(rows().size(), 30);
    QVERIFY(rows().constLast().endsWith("|4|N/A"));
    {
        SqlStatement version = gCallerDB->prepare("PRAGMA user_version");
        QVERIFY(version.step());
        QCOMPARE(version.int64(0), 7);
    }
    // With no log open there is nothing to settle.
    CloseCallerDB();
    SettleCallerDB();
}

void TestCallerDB::callsStoredInTurnKeepTheirOwnDates()
{
    // A call is rewritten at every ring and line, another call may be stored in between, and an edit in the
    // grid may give a call another date: each row keeps the date it was last given, and the date index
    // finds it there.
    TempHome home;
    QVERIFY(CreateCallerDB(home.file("dbCID.mdb")));
    clsCaller a = call("A", "1", "3/21/2024 2:05:07 PM", 1, "N/A");
    clsCaller b = call("B", "2", "3/21/2024 2:06:00 PM", 1, "N/A");
    AddCaller(a);
    AddCaller(b);
    a.Rings = 2;
    QVERIFY(EditCaller(a.ID, a));
    b.Rings = 2;
    QVERIFY(EditCaller(b.ID, b));
    a.CallerDate = "3/20/2024 9:00:00 AM";
    a.Name = "EDITED";
    QVERIFY(EditCaller(a.ID, a));
    a.Rings = 3;
    QVERIFY(EditCaller(a.ID, a));
    QCOMPARE(rows(), QStringList({"1|EDITED|1|2024-03-20 09:00:00|3|N/A", "2|B|2|2024-03-21 14:06:00|2|N/A"}));

    // Another call given the date of the call written just before it.
    b.CallerDate = "3/20/2024 9:00:00 AM";
    QVERIFY(EditCaller(b.ID, b));
    a.CallerDate = "3/21/2024 2:05:07 PM";
    QVERIFY(EditCaller(a.ID, a));
    QCOMPARE(rows(), QStringList({"1|EDITED|1|2024-03-21 14:05:07|3|N/A", "2|B|2|2024-03-20 09:00:00|2|N/A"}));
    {
        SqlStatement byDate = gCallerDB->prepare(
            QStringLiteral("SELECT ID FROM tblCID INDEXED BY idxCIDDate WHERE fldDate = '2024-03-20 09:00:00'"));
        QVERIFY(byDate.step());
        QCOMPARE(byDate.int64(0), 2);
        QVERIFY(!byDate.step());
        SqlStatement check = gCallerDB->prepare(QStringLiteral("PRAGMA integrity_check"));
        QVERIFY(check.step());
        QCOMPARE(check.text(0), QStringLiteral("ok"));
    }

    // The log closed and opened again: nothing of the earlier connection is taken for this one.
    CloseCallerDB();
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, home.file("dbCID.mdb"));
    QVERIFY(FindCallerDB());
    b.Rings = 5;
    QVERIFY(EditCaller(b.ID, b));
    QCOMPARE(rows().value(1), QStringLiteral("2|B|2|2024-03-20 09:00:00|5|N/A"));
}

QTEST_GUILESS_MAIN(TestCallerDB)
#include "test_callerdb.moc"
