#include <QTest>

#include "platform/DateText.h"
#include "statistics/GraphBuckets.h"

namespace {

QDateTime at(const char* iso) { return *DateText::fromIso(QString::fromLatin1(iso)); }

QStringList starts(const QList<GraphBucket>& buckets)
{
    QStringList out;
    for (const GraphBucket& b : buckets)
        out << DateText::format(b.start);
    return out;
}

QStringList ends(const QList<GraphBucket>& buckets)
{
    QStringList out;
    for (const GraphBucket& b : buckets)
        out << DateText::format(b.end);
    return out;
}

} // namespace

class TestGraphBuckets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dailyBucketsCutAtMidnight();
    void weeklyBucketsEndOnSunday();
    void monthlyBucketsEndOnTheFirst();
    void hourlyBucketsFollowTheWallClock();
    void degenerateAndHugePeriods();
    void unitCodes();
    void clausesCountEachCallOnce();
};

void TestGraphBuckets::dailyBucketsCutAtMidnight()
{
    const auto b = GraphBuckets(at("2024-06-01 10:00:00"), at("2024-06-04 15:00:00"), GraphUnit::Day, 1000);
    QCOMPARE(starts(b), QStringList({"6/1/2024 10:00:00 AM", "6/2/2024", "6/3/2024", "6/4/2024"}));
    QCOMPARE(ends(b), QStringList({"6/2/2024", "6/3/2024", "6/4/2024", "6/4/2024 3:00:00 PM"}));

    const auto two = GraphBuckets(at("2024-06-01 10:00:00"), at("2024-06-02 05:00:00"), GraphUnit::Day, 1000);
    QCOMPARE(starts(two), QStringList({"6/1/2024 10:00:00 AM", "6/2/2024"}));
    QCOMPARE(ends(two), QStringList({"6/2/2024", "6/2/2024 5:00:00 AM"}));
}

void TestGraphBuckets::weeklyBucketsEndOnSunday()
{
    // 6/5/2024 is a Wednesday: the first bucket runs to Sunday 6/9, then a week at a time.
    const auto wed = GraphBuckets(at("2024-06-05 13:00:00"), at("2024-06-20 00:00:00"), GraphUnit::Week, 1000);
    QCOMPARE(ends(wed), QStringList({"6/9/2024", "6/16/2024", "6/20/2024"}));
    // From a Sunday morning the first bucket runs to the Sunday a week later.
    const auto sun = GraphBuckets(at("2024-06-09 10:00:00"), at("2024-06-20 00:00:00"), GraphUnit::Week, 1000);
    QCOMPARE(ends(sun), QStringList({"6/16/2024", "6/20/2024"}));
}

void TestGraphBuckets::monthlyBucketsEndOnTheFirst()
{
    const auto b = GraphBuckets(at("2024-01-15 08:00:00"), at("2024-03-10 00:00:00"), GraphUnit::Month, 1000);
    QCOMPARE(starts(b), QStringList({"1/15/2024 8:00:00 AM", "2/1/2024", "3/1/2024"}));
    QCOMPARE(ends(b), QStringList({"2/1/2024", "3/1/2024", "3/10/2024"}));
    // An end exactly on a boundary closes the last bucket there.
    const auto exact = GraphBuckets(at("2024-01-15 08:00:00"), at("2024-03-01 00:00:00"), GraphUnit::Month, 1000);
    QCOMPARE(ends(exact), QStringList({"2/1/2024", "3/1/2024"}));
}

void TestGraphBuckets::hourlyBucketsFollowTheWallClock()
{
    // The night the clocks went forward (3/10/2024 in the US): one bucket per hour the wall clock shows.
    const auto b = GraphBuckets(at("2024-03-10 00:30:00"), at("2024-03-10 04:00:00"), GraphUnit::Hour, 1000);
    QCOMPARE(starts(b), QStringList({"3/10/2024 12:30:00 AM", "3/10/2024 1:00:00 AM", "3/10/2024 2:00:00 AM",
                                     "3/10/2024 3:00:00 AM"}));
    // Parts of a second are dropped, as the dates are written into queries to the second.
    const QDateTime fine = at("2024-03-10 00:30:00").addMSecs(750);
    QCOMPARE(GraphBuckets(fine, fine.addSecs(600), GraphUnit::Hour, 10).first().start, at("2024-03-10 00:30:00"));
}

void TestGraphBuckets::degenerateAndHugePeriods()
{
    const auto same = GraphBuckets(at("2024-06-01 10:00:00"), at("2024-06-01 10:00:00"), GraphUnit::Day, 10);
    QCOMPARE(same.size(), 1);
    const auto backwards = GraphBuckets(at("2024-06-02 10:00:00"), at("2024-06-01 10:00:00"), GraphUnit::Day, 10);
    QCOMPARE(backwards.size(), 1);
    // Two years by the hour are 17,544 buckets: refused at a limit of 10,000, made at 20,000.
    QVERIFY(GraphBuckets(at("2022-06-01 00:00:00"), at("2024-06-01 00:00:00"), GraphUnit::Hour, 10000).isEmpty());
    QCOMPARE(GraphBuckets(at("2022-06-01 00:00:00"), at("2024-06-01 00:00:00"), GraphUnit::Hour, 20000).size(), 17544);
}

void TestGraphBuckets::unitCodes()
{
    QCOMPARE(GraphUnitCode(0), QStringLiteral("h"));
    QCOMPARE(GraphUnitCode(1), QStringLiteral("y"));
    QCOMPARE(GraphUnitCode(2), QStringLiteral("ww"));
    QCOMPARE(GraphUnitCode(3), QStringLiteral("m"));
    QCOMPARE(GraphUnitCode(7), QStringLiteral("m"));
    GraphUnit u = GraphUnit::Hour;
    QVERIFY(GraphUnitFromCode(QStringLiteral("WW"), u));
    QCOMPARE(u, GraphUnit::Week);
    QVERIFY(GraphUnitFromCode(QStringLiteral("d"), u));
    QCOMPARE(u, GraphUnit::Day);
    QVERIFY(!GraphUnitFromCode(QStringLiteral("q"), u));
    QCOMPARE(u, GraphUnit::Day);
}

void TestGraphBuckets::clausesCountEachCallOnce()
{
    const auto b = GraphBuckets(at("2024-06-01 10:00:00"), at("2024-06-03 00:00:00"), GraphUnit::Day, 10);
    QCOMPARE(GraphBucketClause(b[0], true),
             QStringLiteral("and fldDate > #6/1/2024 10:00:00 AM# and fldDate < #6/2/2024#"));
    QCOMPARE(GraphBucketClause(b[1], false), QStringLiteral("and fldDate >= #6/2/2024# and fldDate < #6/3/2024#"));
}

QTEST_APPLESS_MAIN(TestGraphBuckets)
#include "test_graphbuckets.moc"
