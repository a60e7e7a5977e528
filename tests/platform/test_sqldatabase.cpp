#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "platform/SqlTransaction.h"
#include "support/TempHome.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <QThread>
#include <sys/stat.h>

class TestSqlDatabase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheProgramsPragmas();
    void bindsParametersAndReadsBack();
    void transactionRollsBackUnlessCommitted();
    void everyConnectionHasTheJetFunctions();
    void readOnlyConnectionCannotWrite();
    void missingFileIsNotCreatedUnlessAsked();
    void timeBudgetStopsARunawayQuery();
    void memoryDatabaseIsSharedByName();
    void keptStatementsStartAfreshAtEachUse();
};

static QString pragma(SqlDatabase& db, const char* name)
{
    SqlStatement st = db.prepare(QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
    return st.step() ? st.text(0) : QString();
}

void TestSqlDatabase::opensWithTheProgramsPragmas()
{
    TempHome home;
    SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
    QCOMPARE(pragma(db, "journal_mode"), QStringLiteral("wal"));
    QCOMPARE(pragma(db, "synchronous"), QStringLiteral("1")); // NORMAL
    QCOMPARE(pragma(db, "foreign_keys"), QStringLiteral("0"));
    QVERIFY(QFile::exists(home.file("a.db")));
}

void TestSqlDatabase::bindsParametersAndReadsBack()
{
    TempHome home;
    SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
    db.exec(QStringLiteral("CREATE TABLE t (ID INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, n INTEGER, r REAL)"));
    SqlStatement ins = db.prepare(QStringLiteral("INSERT INTO t (name, n, r) VALUES (?, ?, ?)"));
    // Text that would break SQL pasted into a string goes in intact through a parameter.
    const QString tricky = QStringLiteral("O'Brien \"Zoë\"; DROP TABLE t; --");
    ins.bind(1, tricky);
    ins.bind(2, qint64(5'000'000'000));
    ins.bind(3, 2.5);
    ins.exec();
    QCOMPARE(db.lastInsertRowId(), 1);
    ins.reset();
    ins.bind(1, QString()); // a null QString is stored as empty text, not NULL
    ins.bindNull(2);
    ins.exec();
    QCOMPARE(db.lastInsertRowId(), 2);
    QCOMPARE(db.changes(), 1);

    SqlStatement sel = db.prepare(QStringLiteral("SELECT name, n, r, name IS NULL FROM t ORDER BY ID"));
    QVERIFY(sel.step());
    QCOMPARE(sel.text(0), tricky);
    QCOMPARE(sel.int64(1), qint64(5'000'000'000));
    QCOMPARE(sel.real(2), 2.5);
    QCOMPARE(sel.value(1).typeId(), QMetaType::LongLong);
    QVERIFY(sel.step());
    QCOMPARE(sel.text(0), QString());
    QCOMPARE(sel.int64(3), 0);
    QVERIFY(sel.isNull(1));
    QVERIFY(!sel.value(1).isValid());
    QVERIFY(!sel.step());
    QCOMPARE(sel.columnName(0), QStringLiteral("name"));
    QCOMPARE(sel.columnCount(), 4);

    QVERIFY_THROWS_EXCEPTION(SqlError, db.prepare(QStringLiteral("SELEC nonsense")));
    try {
        db.prepare(QStringLiteral("SELECT nope FROM t"));
        QFAIL("a missing column must fail");
    } catch (const SqlError& e) {
        QCOMPARE(e.resultText(), QStringLiteral("Bad SQL"));
        QVERIFY(e.message().contains(QLatin1String("nope")));
    }
}

void TestSqlDatabase::transactionRollsBackUnlessCommitted()
{
    TempHome home;
    SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
    db.exec(QStringLiteral("CREATE TABLE t (x INTEGER)"));
    {
        SqlTransaction tx(db);
        db.exec(QStringLiteral("INSERT INTO t VALUES (1)"));
    }
    {
        SqlTransaction tx(db);
        db.exec(QStringLiteral("INSERT INTO t VALUES (2)"));
        tx.commit();
    }
    try {
        SqlTransaction tx(db);
        db.exec(QStringLiteral("INSERT INTO t VALUES (3)"));
        db.exec(QStringLiteral("INSERT INTO missing VALUES (4)"));
        tx.commit();
    } catch (const SqlError&) {
    }
    {
        // A transaction inside another rolls back its own part only.
        SqlTransaction outer(db);
        db.exec(QStringLiteral("INSERT INTO t VALUES (5)"));
        {
            SqlTransaction inner(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (6)"));
        }
        {
            SqlTransaction inner(db);
            db.exec(QStringLiteral("INSERT INTO t VALUES (7)"));
            inner.commit();
        }
        outer.commit();
    }
    SqlStatement st = db.prepare(QStringLiteral("SELECT group_concat(x) FROM (SELECT x FROM t ORDER BY x)"));
    QVERIFY(st.step());
    QCOMPARE(st.text(0), QStringLiteral("2,5,7"));
}

void TestSqlDatabase::everyConnectionHasTheJetFunctions()
{
    TempHome home;
    SqlDatabase first(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
    SqlDatabase other(home.file("b.db"), SqlDatabase::Mode::ReadWriteCreate);
    other.exec(QStringLiteral("CREATE TABLE t (s TEXT)"));
    other.exec(QStringLiteral("INSERT INTO t VALUES ('100%'), ('1000')"));
    SqlDatabase reader(home.file("b.db"), SqlDatabase::Mode::ReadOnly);
    for (SqlDatabase* db : {&other, &reader}) {
        // Jet Like: '%' is a plain character, '#' a digit.
        SqlStatement st = db->prepare(QStringLiteral("SELECT count(*) FROM t WHERE s LIKE '###%'"));
        QVERIFY(st.step());
        QCOMPARE(st.int64(0), 1);
        SqlStatement up = db->prepare(QStringLiteral("SELECT UCase('zoë'), Len('abc')"));
        QVERIFY(up.step());
        QCOMPARE(up.text(0), QStringLiteral("ZOË"));
        QCOMPARE(up.int64(1), 3);
    }
}

void TestSqlDatabase::readOnlyConnectionCannotWrite()
{
    TempHome home;
    {
        SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
        db.exec(QStringLiteral("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (7)"));
    }
    SqlDatabase reader(home.file("a.db"), SqlDatabase::Mode::ReadOnly);
    QVERIFY(reader.isReadOnly());
    QVERIFY_THROWS_EXCEPTION(SqlError, reader.exec(QStringLiteral("DELETE FROM t")));
    QCOMPARE(reader.timeBudget(), SqlDatabase::defaultQueryBudget());
    // Outside text never runs on a connection that can write.
    SqlDatabase writer(home.file("a.db"), SqlDatabase::Mode::ReadWrite);
    QCOMPARE(writer.timeBudget(), 0);
    QVERIFY_THROWS_EXCEPTION(SqlError, writer.prepareUntrusted(QStringLiteral("Select x From t")));
    SqlStatement untrusted = reader.prepareUntrusted(QStringLiteral("Select x From t Where x = 7"));
    QVERIFY(untrusted.step());
    SqlStatement st = reader.prepare(QStringLiteral("SELECT x FROM t"));
    QVERIFY(st.step());
    QCOMPARE(st.int64(0), 7);
    // A peer's bounds hold for its own statement while it runs; the user's reads beside it show what is stored.
    untrusted.reset();
    st.reset();
    writer.exec(
        QStringLiteral("CREATE TABLE v (x TEXT); INSERT INTO v VALUES (replace(hex(zeroblob(50000)), '0', 'a'))"));
    SqlStatement peer = reader.prepareUntrusted(QStringLiteral("Select x From v"));
    SqlStatement own = reader.prepareQuery(QStringLiteral("Select x From v"));
    QVERIFY_THROWS_EXCEPTION(SqlError, peer.step());
    QVERIFY(own.step());
    QCOMPARE(own.text(0).size(), 100000);
}

void TestSqlDatabase::missingFileIsNotCreatedUnlessAsked()
{
    TempHome home;
    QVERIFY_THROWS_EXCEPTION(SqlError, SqlDatabase(home.file("none.db"), SqlDatabase::Mode::ReadWrite));
    QVERIFY_THROWS_EXCEPTION(SqlError, SqlDatabase(home.file("none.db"), SqlDatabase::Mode::ReadOnly));
    QVERIFY(!QFile::exists(home.file("none.db")));
    // A file beside a store that turns into a named pipe after the store was opened is refused when SQLite
    // comes to open it, not waited on.
    {
        SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
        db.exec(QStringLiteral("PRAGMA journal_mode=DELETE; CREATE TABLE t (x INTEGER)"));
    }
    SqlDatabase reader(home.file("a.db"), SqlDatabase::Mode::ReadOnly);
    QCOMPARE(::mkfifo(QFile::encodeName(home.file("a.db-journal")).constData(), 0600), 0);
    QVERIFY_THROWS_EXCEPTION(SqlError, reader.prepare(QStringLiteral("SELECT count(*) FROM t")).step());
}

void TestSqlDatabase::timeBudgetStopsARunawayQuery()
{
    TempHome home;
    SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
    db.setTimeBudget(200);
    SqlStatement st = db.prepare(
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c"));
    QElapsedTimer timer;
    timer.start();
    try {
        st.step();
        QFAIL("an endless query must be stopped");
    } catch (const SqlError& e) {
        QVERIFY(e.isTooComplex());
        QCOMPARE(e.resultText(), QStringLiteral("Too Complex"));
    }
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    // The budget is per run: a quick statement afterwards is not cut short by the old deadline.
    SqlStatement quick = db.prepare(QStringLiteral("SELECT 1"));
    QVERIFY(quick.step());

    // It counts the query's own work only: a caller that spends longer than the budget on the rows between
    // steps (matching each to a contact) still gets every row.
    SqlStatement rows =
        db.prepare(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 30) "
                                  "SELECT x FROM c"));
    int read = 0;
    QElapsedTimer spent;
    spent.start();
    while (rows.step()) {
        ++read;
        QThread::msleep(10);
    }
    QCOMPARE(read, 30);
    QVERIFY(spent.elapsed() > 200);
}

void TestSqlDatabase::memoryDatabaseIsSharedByName()
{
    SqlDatabase writer(SqlDatabase::memoryPath(QStringLiteral("shared_test")), SqlDatabase::Mode::ReadWriteCreate);
    writer.exec(QStringLiteral("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (42)"));
    SqlDatabase reader(SqlDatabase::memoryPath(QStringLiteral("shared_test")), SqlDatabase::Mode::ReadOnly);
    SqlStatement st = reader.prepare(QStringLiteral("SELECT x FROM t"));
    QVERIFY(st.step());
    QCOMPARE(st.int64(0), 42);
}

void TestSqlDatabase::keptStatementsStartAfreshAtEachUse()
{
    TempHome home;
    SqlDatabase db(home.file("a.db"), SqlDatabase::Mode::ReadWriteCreate);
    db.exec(QStringLiteral("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT, n INTEGER)"));
    const char insert[] = "INSERT INTO t (name, n) VALUES (?, ?)";
    SqlStatement& first = db.cached(insert);
    first.bind(1, QStringLiteral("a"));
    first.bind(2, qint64(1));
    first.exec();
    // The same statement again: the last use's values are gone, an unbound parameter is NULL.
    SqlStatement& second = db.cached(insert);
    QCOMPARE(&second, &first);
    second.bind(1, QStringLiteral("b"));
    second.exec();

    // A kept query left in the middle of its rows starts from its first row at the next use.
    const char select[] = "SELECT name, n IS NULL FROM t ORDER BY ID";
    SqlStatement& rows = db.cached(select);
    QVERIFY(rows.step());
    QCOMPARE(rows.text(0), QStringLiteral("a"));
    SqlStatement& again = db.cached(select);
    QVERIFY(again.step());
    QCOMPARE(again.text(0), QStringLiteral("a"));
    QCOMPARE(again.int64(1), 0);
    QVERIFY(again.step());
    QCOMPARE(again.text(0), QStringLiteral("b"));
    QCOMPARE(again.int64(1), 1);
    QVERIFY(!again.step());

    // Text that does not prepare throws and leaves nothing behind to be found the next time.
    QVERIFY_THROWS_EXCEPTION(SqlError, db.cached("SELECT nothing FROM nowhere"));
    QVERIFY_THROWS_EXCEPTION(SqlError, db.cached("SELECT nothing FROM nowhere"));
}

QTEST_GUILESS_MAIN(TestSqlDatabase)
#include "test_sqldatabase.moc"
