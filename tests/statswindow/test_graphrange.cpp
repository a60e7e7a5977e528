#include <QTest>

#include "platform/DateText.h"
#include "statswindow/GraphRange.h"
#include "statswindow/StatsPeriod.h"

namespace {

const QDateTime kNow(QDate(2026, 6, 10), QTime(15, 30, 5), Qt::UTC);
const QDateTime kFirst(QDate(2024, 3, 1), QTime(8, 0, 0), Qt::UTC);

std::shared_ptr<clsGroup> group(const QString& description, const QString& condition)
{
    auto g = std::make_shared<clsGroup>();
    g->Description = description;
    g->Group = condition;
    return g;
}

} // namespace

class TestGraphRange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void localRangeOfEachPeriod();
    void localAnyTimeOverAnEmptyLog();
    void localCustomBoundsThatCountTheirCall();
    void clientRange();
    void groupsOfTheSelection();
    void axisLabelsWithoutSeconds();
};

void TestGraphRange::localRangeOfEachPeriod()
{
    int reads = 0;
    auto first = [&] {
        ++reads;
        return kFirst;
    };
    const GraphRange any = LocalGraphRange(StatsPeriod::AnyTime, kNow, CustomRange(), first);
    QVERIFY(!any.noCalls);
    QCOMPARE(any.start, kFirst.addSecs(-1)); // the first call is counted: bucket bounds are strict
    QCOMPARE(any.end, kNow);
    QCOMPARE(reads, 1);

    const struct {
        int item;
        int days;
    } lastDays[] = {{StatsPeriod::LastDay, 1},
                    {StatsPeriod::LastWeek, 7},
                    {StatsPeriod::LastMonth, 30},
                    {StatsPeriod::LastSixMonths, 182},
                    {StatsPeriod::LastYear, 365}};
    for (const auto& p : lastDays) {
        const GraphRange r = LocalGraphRange(p.item, kNow, CustomRange(), first);
        QCOMPARE(r.start, QDateTime(kNow.date().addDays(-p.days), kNow.time(), Qt::UTC));
        QCOMPARE(r.end, kNow);
        QVERIFY(!r.noCalls);
    }
    // Only any time reads the log.
    QCOMPARE(reads, 1);

    const CustomRange custom{QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC),
                             QDateTime(QDate(2025, 2, 1), QTime(12, 0), Qt::UTC)};
    const GraphRange c = LocalGraphRange(StatsPeriod::Custom, kNow, custom, first);
    QCOMPARE(c.start, custom.start);
    QCOMPARE(c.end, custom.end);
    QCOMPARE(reads, 1);
}

void TestGraphRange::localAnyTimeOverAnEmptyLog()
{
    // The log answers the zero date when it holds no call.
    const GraphRange r = LocalGraphRange(StatsPeriod::AnyTime, kNow, CustomRange(),
                                         [] { return QDateTime(DateText::zeroDate(), QTime(0, 0), Qt::UTC); });
    QVERIFY(r.noCalls);
}

void TestGraphRange::localCustomBoundsThatCountTheirCall()
{
    CustomRange custom{QDateTime(QDate(2025, 1, 1), QTime(9, 0), Qt::UTC),
                       QDateTime(QDate(2025, 1, 31), QTime(18, 0), Qt::UTC), true, false};
    GraphRange r = LocalGraphRange(StatsPeriod::Custom, kNow, custom, nullptr);
    QCOMPARE(r.start, custom.start.addSecs(-1));
    QCOMPARE(r.end, custom.end);
    custom.startInclusive = false;
    custom.endInclusive = true;
    r = LocalGraphRange(StatsPeriod::Custom, kNow, custom, nullptr);
    QCOMPARE(r.start, custom.start);
    QCOMPARE(r.end, custom.end.addSecs(1));
}

void TestGraphRange::clientRange()
{
    // Any time asks the server to start at its own first call: the zero date.
    const GraphRange any = ClientGraphRange(StatsPeriod::AnyTime, kNow, CustomRange());
    QCOMPARE(any.start.date(), DateText::zeroDate());
    QCOMPARE(any.end, kNow);
    const GraphRange week = ClientGraphRange(StatsPeriod::LastWeek, kNow, CustomRange());
    QCOMPARE(week.start, kNow.addDays(-7));
    QCOMPARE(week.end, kNow);
    // A custom range travels as it stands, inclusive or not.
    const CustomRange custom{QDateTime(QDate(2025, 1, 1), QTime(9, 0), Qt::UTC),
                             QDateTime(QDate(2025, 1, 31), QTime(18, 0), Qt::UTC), true, true};
    const GraphRange c = ClientGraphRange(StatsPeriod::Custom, kNow, custom);
    QCOMPARE(c.start, custom.start);
    QCOMPARE(c.end, custom.end);
    QVERIFY(!c.noCalls);
}

void TestGraphRange::groupsOfTheSelection()
{
    GroupCollection groups;
    groups.add(QStringLiteral("All Callers"), group(QStringLiteral("All Callers"), QString()));
    groups.add(QStringLiteral("Jane Doe"),
               group(QStringLiteral("Jane Doe"), QStringLiteral("(fldNumber like '*555*')")));
    groups.add(QStringLiteral("Bob"), group(QStringLiteral("Bob"), QStringLiteral("(fldNumber like '*777*')")));
    // In the list's order; a name found without regard to case keeps the list's spelling; a group gone since
    // the list was filled is left out.
    const GraphGroups g =
        GraphGroupsOf({QStringLiteral("bob"), QStringLiteral("Gone Contact"), QStringLiteral("All Callers")}, &groups);
    QCOMPARE(g.names, (QStringList{QStringLiteral("bob"), QStringLiteral("All Callers")}));
    QCOMPARE(g.groups.size(), 2);
    QCOMPARE(g.groups[0].Group, QStringLiteral("(fldNumber like '*777*')"));
    QCOMPARE(g.groups[1].Description, QStringLiteral("All Callers"));
    QVERIFY(GraphGroupsOf({QStringLiteral("Bob")}, nullptr).names.isEmpty());
}

void TestGraphRange::axisLabelsWithoutSeconds()
{
    const QStringList labels{QStringLiteral("3/21/2024 7:29:59 AM"), QStringLiteral("3/22/2024 12:05:00 PM"),
                             QStringLiteral("12/31/2024 12:00:00 AM"), QStringLiteral("WEEK 3")};
    QCOMPARE(GraphAxisLabels(labels, false), QStringList({"3/21/2024", "3/22/2024", "12/31/2024", "WEEK 3"}));
    QCOMPARE(GraphAxisLabels(labels, true),
             QStringList({"3/21/2024 7:29 AM", "3/22/2024 12:05 PM", "12/31/2024 12:00 AM", "WEEK 3"}));
}

QTEST_GUILESS_MAIN(TestGraphRange)
#include "test_graphrange.moc"
