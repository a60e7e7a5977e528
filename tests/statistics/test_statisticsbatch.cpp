#include <QTest>

#include <random>

#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "statistics/GraphBuckets.h"
#include "statistics/StatisticsBatch.h"
#include "statistics/StatisticsProtocol.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "support/TempHome.h"

// The batch answers the grid and the graph from calls it read once; every answer must be the one the
// statistic's own query gives. These tests compare the two ways cell by cell over a varied log.

namespace {

void addCall(const QString& name, const QString& number, const QDateTime& when, int rings, const QString& answered)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = rings;
    c.Answered = answered;
    AddCaller(c);
}

clsStatistic statistic(const QString& condition, const QString& style)
{
    clsStatistic s;
    s.Description = condition + QLatin1Char('/') + style;
    s.Statistic = condition;
    s.Style = style;
    return s;
}

clsGroup group(const QString& condition)
{
    clsGroup g;
    g.Description = condition;
    g.Group = condition;
    return g;
}

const QDateTime kNow = QDateTime(QDate(2024, 6, 15), QTime(14, 30, 0), Qt::UTC);

// A log of 700 calls over two years, with what makes conditions tricky: names in several cases and beyond
// ASCII, quotes, calls at midnight and on the hour, calls at the same second, the special callers.
void fillLog()
{
    std::mt19937 random(20240615);
    const QStringList names = {"John Smith",   "JOHN SMITH", "john smith",     "Müller",         "MÜLLER",
                               "Élodie Blanc", "O'Brien",    "PRIVATE NUMBER", "UNKNOWN NUMBER", "NOT RECEIVED",
                               "Adams",        "Zed",        "smith & sons",   "50% Off",        "a_b"};
    const QStringList numbers = {"(555) 123-4567", "555-1234",       "555-12345",    "(312) 555-1234",
                                 "PRIVATE NUMBER", "UNKNOWN NUMBER", "NOT RECEIVED", "555-0000",
                                 "(555) 987-1234", "555-9999",       "O'Hara*",      "123"};
    const QStringList answers = {"YES", "NO", "N/A", "BLOCKED", "yes", "No"};
    QDateTime when = kNow.addDays(-730);
    for (int i = 0; i < 700; ++i) {
        const int step = int(random() % 5);
        if (step == 0)
            when = QDateTime(when.date().addDays(1), QTime(0, 0), Qt::UTC); // midnight
        else if (step == 1)
            when = QDateTime(when.date(), QTime(when.time().hour(), 0), Qt::UTC).addSecs(3600); // on the hour
        else if (step == 2)
            ; // the same second again
        else
            when = when.addSecs(qint64(random() % 560000));
        if (when > kNow)
            when = kNow.addSecs(-qint64(random() % 80000));
        addCall(names[int(random() % names.size())], numbers[int(random() % numbers.size())], when, int(random() % 8),
                answers[int(random() % answers.size())]);
    }
    // The period ends exactly at calls too.
    addCall("Edge", "555-1234", kNow.addDays(-7), 2, "YES");
    addCall("Edge", "555-1234", kNow.addDays(-1), 2, "YES");
}

QList<clsStatistic> statistics()
{
    QList<clsStatistic> out;
    for (const auto& e : *gStatistics)
        out << *e.item;
    const QStringList conditions = {
        "fldRings > 2",
        "fldRings >= 5 and fldAnswered = 'yes'",
        "not fldAnswered like 'NO'",
        "fldAnswered <> 'YES'",
        "fldName Like '[!A-M]*'",
        "fldNumber Like '###-####'",
        "fldName = 'müller'",
        "fldName like 'MÜLLER'",
        "fldName = \"O'Brien\"",
        "fldDate < #6/1/2024#",
        "fldDate >= #1/1/2024 12:00:00 AM# and fldDate <= #3/1/2024#",
        "fldDate Like '*/1/*'",
        "ID > 100",
        "5 < fldRings",
        "fldRings = 3 or fldName Like '*smith*'",
        "(fldRings > 1) and not (fldNumber like '*555*' or fldName = 'zed')",
        "fldName not like '*[%_]*'",
        "fldAnswered = True",
        // Left to the queries: functions, other operators, misspelt fields, broken text.
        "UCase(fldName) = 'ZED'",
        "fldRings In (1, 2)",
        "fldName Like fldNumber",
        "fldRings Between 1 And 3",
        "fldNmae Like 'x'",
        "fldRings >",
        "fldName Like 'a['",
        "fldRings > 2.5",
    };
    for (const QString& c : conditions) {
        for (const char* style : {"NONE", "AVERAGE RINGS", "MOST CALLS IN A DAY"})
            out << statistic(c, QString::fromLatin1(style));
    }
    out << statistic("fldRings > 1", "AVERAGE CALLS PER WEEK") << statistic("fldRings > 1", "MOST RINGS")
        << statistic(QString(), "no such style") << statistic("fldRings >", "no such style")
        << statistic("fldRings > 9", "CALLS IN THE LAST YEAR");
    return out;
}

QList<clsGroup> groups()
{
    QList<clsGroup> out;
    for (const auto& e : *gGroups)
        out << *e.item;
    out << group("fldNumber like '*555-1234*'")
        << group("(fldNumber like '*(555) 123-4567*' or fldNumber like '*555-9999*')")
        << group(NumberCondition("O'Hara*")) << group("fldName Like 'john smith'") << group("fldRings = 0")
        << group("fldAnswered = 'BLOCKED' or fldName like 'Zed'") << group("fldName Like '*a*' and fldRings < 4")
        << group("Len(fldName) > 5") << group("nosuchfield = 1");
    return out;
}

QString text(double value, const QString& note) { return StatisticCellText(value, note); }

} // namespace

class TestStatisticsBatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void gridAnswersAsEveryCellsOwnQuery_data();
    void gridAnswersAsEveryCellsOwnQuery();
    void graphAnswersAsEveryBucketsOwnQuery_data();
    void graphAnswersAsEveryBucketsOwnQuery();
    void bucketsAddUpToThePeriod();
    void aLogOfAnotherFormIsLeftToTheQueries();
    void clientModeAndNoLog();
    void aLongReadGivesWayAndKeepsItsSnapshot();
    void manyLargeGroupsKeepTheirRowsWithinOneBound();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestStatisticsBatch::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(kNow);
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    fillLog();
    CreateDefaultStatistics();
}

void TestStatisticsBatch::cleanup() { m_home.reset(); }

void TestStatisticsBatch::gridAnswersAsEveryCellsOwnQuery_data()
{
    QTest::addColumn<QString>("clause");
    QTest::addColumn<bool>("batched");
    QTest::newRow("any time") << QString() << true;
    QTest::newRow("last week") << QStringLiteral("and fldDate > #") + DateText::format(kNow.addDays(-7)) + "#" << true;
    QTest::newRow("last year") << QStringLiteral("and fldDate > #") + DateText::format(kNow.addDays(-365)) + "#"
                               << true;
    QTest::newRow("custom range") << QStringLiteral("and fldDate > #1/1/2024# and fldDate < #3/1/2024 10:00:00 AM#")
                                  << true;
    QTest::newRow("other clause") << QStringLiteral("AND fldRings > 1 and not fldName like 'j*'") << true;
    QTest::newRow("or at the top") << QStringLiteral("and fldDate > #1/1/2024# or fldRings = 2") << false;
    QTest::newRow("function") << QStringLiteral("and Year(fldDate) = 2024") << false;
    QTest::newRow("no blank after and") << QStringLiteral("andfldDate > #1/1/2024#") << false;
    QTest::newRow("broken") << QStringLiteral("and fldDate >") << false;
}

void TestStatisticsBatch::gridAnswersAsEveryCellsOwnQuery()
{
    QFETCH(QString, clause);
    QFETCH(bool, batched);
    const QList<clsStatistic> s = statistics();
    const QList<clsGroup> g = groups();
    const int days = PeriodDaysFromClause(clause);
    GridBatch batch(s, g, clause, days);
    int fromBatch = 0;
    for (int i = 0; i < s.size(); ++i) {
        for (int j = 0; j < g.size(); ++j) {
            QString note;
            const double expected = ExecuteStat(s[i], g[j], days, clause, &note);
            const CellValue got = batch.cell(i, j);
            if (text(got.value, got.note) != text(expected, note) || got.value != expected)
                QFAIL(qPrintable(
                    QStringLiteral("statistic \"%1\" (%2), group \"%3\": %4 instead of %5")
                        .arg(s[i].Statistic, s[i].Style, g[j].Group, text(got.value, got.note), text(expected, note))));
            if (batch.answeredByBatch(i, j))
                ++fromBatch;
        }
    }
    // Most cells of a readable clause come from the batch; any other clause leaves every cell to its query
    // (but the "calls in the last" ones, which ignore the clause, are still left to it too).
    if (batched)
        QVERIFY2(fromBatch > s.size() * g.size() / 2, qPrintable(QString::number(fromBatch)));
    else
        QCOMPARE(fromBatch, 0);
}

void TestStatisticsBatch::graphAnswersAsEveryBucketsOwnQuery_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::newRow("hourly, two days") << int(GraphUnit::Hour) << kNow.addDays(-2) << kNow;
    QTest::newRow("daily, two months") << int(GraphUnit::Day) << kNow.addDays(-61) << kNow;
    QTest::newRow("weekly, a year") << int(GraphUnit::Week) << kNow.addDays(-365) << kNow;
    QTest::newRow("monthly, from before the first call")
        << int(GraphUnit::Month) << kNow.addDays(-800) << kNow.addSecs(-1);
}

void TestStatisticsBatch::graphAnswersAsEveryBucketsOwnQuery()
{
    QFETCH(int, unit);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    const QList<GraphBucket> buckets = GraphBuckets(start, end, GraphUnit(unit), 100000);
    QVERIFY(!buckets.isEmpty());
    const QList<clsGroup> g = groups();
    const int days = int(std::nearbyint(double(start.secsTo(end)) / 86400.0));
    QList<clsStatistic> shown;
    for (const clsStatistic& s : statistics()) {
        // Every style once, and the conditions that are hard to read.
        if (s.Statistic.isEmpty() || s.Style == QLatin1String("NONE"))
            shown << s;
    }
    for (const clsStatistic& s : shown) {
        GraphBatch batch(s, g, buckets, days);
        for (int j = 0; j < g.size(); ++j) {
            for (int k = 0; k < buckets.size(); ++k) {
                const double expected = ExecuteStat(s, g[j], days, GraphBucketClause(buckets[k], k == 0));
                const double got = batch.value(j, k);
                if (got != expected)
                    QFAIL(qPrintable(QStringLiteral("\"%1\" (%2), group \"%3\", bucket %4: %5 instead of %6")
                                         .arg(s.Statistic, s.Style, g[j].Group)
                                         .arg(k)
                                         .arg(got)
                                         .arg(expected)));
            }
        }
    }
}

void TestStatisticsBatch::bucketsAddUpToThePeriod()
{
    // Calls exactly at midnight and on the hour are counted in the bucket they open.
    const clsStatistic total = *gStatistics->item(QStringLiteral("Total Calls"));
    const clsGroup all = *gGroups->item(QStringLiteral("All Callers"));
    const QDateTime start = kNow.addDays(-90);
    const QString clause = QStringLiteral("and fldDate > #") + DateText::format(start) + "#";
    const double period = ExecuteStat(total, all, 90, clause);
    QVERIFY(period > 50);
    for (GraphUnit unit : {GraphUnit::Hour, GraphUnit::Day, GraphUnit::Week, GraphUnit::Month}) {
        const QList<GraphBucket> buckets = GraphBuckets(start, kNow.addSecs(1), unit, 100000);
        GraphBatch batch(total, {all}, buckets, 90);
        double sum = 0;
        for (int k = 0; k < buckets.size(); ++k)
            sum += batch.value(0, k);
        QCOMPARE(sum, period);
    }
}

void TestStatisticsBatch::aLogOfAnotherFormIsLeftToTheQueries()
{
    const QList<clsStatistic> s = statistics().mid(0, 25);
    const QList<clsGroup> g = groups().mid(0, 6);
    {
        GridBatch before(s, g, QString(), 730);
        QVERIFY(before.answeredByBatch(0, 0));
    }
    // A date written by another program as text of another form, and a name left empty (NULL).
    gCallerDB->exec(QStringLiteral("INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                                   "VALUES ('Old', '555-1234', '6/1/2024 10:00:00 AM', 1, 'YES')"));
    gCallerDB->exec(QStringLiteral("INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                                   "VALUES (NULL, '555-1234', '2024-06-02 10:00:00', 1, 'YES')"));
    GridBatch batch(s, g, QString(), 730);
    for (int i = 0; i < s.size(); ++i) {
        for (int j = 0; j < g.size(); ++j) {
            QVERIFY(!batch.answeredByBatch(i, j));
            QString note;
            const double expected = ExecuteStat(s[i], g[j], 730, QString(), &note);
            const CellValue got = batch.cell(i, j);
            QCOMPARE(text(got.value, got.note), text(expected, note));
        }
    }
}

void TestStatisticsBatch::clientModeAndNoLog()
{
    const QList<clsStatistic> s = statistics().mid(0, 3);
    const QList<clsGroup> g = groups().mid(0, 2);
    gNetworkMode = Client;
    GridBatch client(s, g, QString(), 0);
    QCOMPARE(client.cell(0, 0).value, 0.0);
    QVERIFY(!client.answeredByBatch(0, 0));
    gNetworkMode = Standalone;
    CloseCallerDB();
    GridBatch none(s, g, QString(), 0);
    QCOMPARE(none.cell(1, 1).value, 0.0);
}

// A long read of the log gives way to the rest of the program (a call may be stored meanwhile); the values
// are those of the log as the read began.
void TestStatisticsBatch::aLongReadGivesWayAndKeepsItsSnapshot()
{
    // More calls than a step of the read.
    gCallerDB->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                   "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                                   "SELECT 'Bulk', '555-1234', '2024-05-01 10:00:00', 1, 'NO' FROM n"));
    const qint64 before = CountCallers(QStringLiteral("Select * From tblCID"));
    const QList<clsStatistic> s = {statistic(QString(), QStringLiteral("NONE"))};
    const QList<clsGroup> g = {group(QString())};
    int yields = 0;
    GridBatch batch(s, g, QString(), 730);
    batch.setYield({[&] {
                        if (yields++ == 0)
                            addCall(QStringLiteral("Meanwhile"), QStringLiteral("555-0000"), kNow, 1,
                                    QStringLiteral("NO"));
                        return true;
                    },
                    0});
    QVERIFY(batch.answeredByBatch(0, 0));
    QCOMPARE(batch.cell(0, 0).value, double(before));
    QVERIFY(yields > 0);
    QCOMPARE(CountCallers(QStringLiteral("Select * From tblCID")), before + 1);
    GridBatch after(s, g, QString(), 730);
    QCOMPARE(after.cell(0, 0).value, double(before + 1));
}

// Groups of many calls each, more than the grid keeps the rows of: what it holds between cells stays within
// its bound however many groups there are, and the groups whose rows it let go are counted as the others.
void TestStatisticsBatch::manyLargeGroupsKeepTheirRowsWithinOneBound()
{
    gCallerDB->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                   "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                                   "SELECT 'Bulk', '555-1234', '2024-05-01 10:00:00', 1 + i % 3, 'NO' FROM n"));
    const QList<clsStatistic> s = {statistic(QString(), QStringLiteral("NONE")),
                                   statistic(QStringLiteral("fldAnswered = 'NO'"), QStringLiteral("MOST RINGS"))};
    const clsGroup many = group(QStringLiteral("fldRings > 1"));
    const qint64 rows = CountCallers(QStringLiteral("Select * From tblCID Where fldRings > 1"));
    const QList<clsGroup> g(int(2 * GridBatch::MaxKeptRows / rows), many);
    const double expected[2] = {ExecuteStat(s[0], many, 730, QString()), ExecuteStat(s[1], many, 730, QString())};
    GridBatch batch(s, g, QString(), 730);
    qint64 kept = 0;
    for (int i = 0; i < s.size(); ++i) {
        for (int j = 0; j < g.size(); ++j) {
            if (batch.cell(i, j).value != expected[i])
                QFAIL(qPrintable(QStringLiteral("statistic %1, group %2").arg(i).arg(j)));
            kept = std::max(kept, batch.keptRows());
        }
    }
    QVERIFY(batch.answeredByBatch(1, int(g.size()) - 1));
    QVERIFY2(kept > GridBatch::MaxKeptRows / 2 && kept <= GridBatch::MaxKeptRows, qPrintable(QString::number(kept)));
}

QTEST_GUILESS_MAIN(TestStatisticsBatch)
#include "test_statisticsbatch.moc"
