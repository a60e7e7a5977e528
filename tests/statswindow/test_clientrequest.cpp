#include <QTest>

#include "statistics/StatisticsProtocol.h"
#include "statswindow/ClientRequest.h"

namespace {

clsStatistic statistic(const QString& description, const QString& condition, const QString& style)
{
    clsStatistic s;
    s.Description = description;
    s.Statistic = condition;
    s.Style = style;
    return s;
}

clsGroup group(const QString& description, const QString& condition)
{
    clsGroup g;
    g.Description = description;
    g.Group = condition;
    return g;
}

} // namespace

class TestClientRequest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gridRequestOfTravellingConditions();
    void conditionsThatCannotTravel();
    void nothingToAskFor();
    void graphRequest();
    void replyCellsFindTheirGroups();
};

void TestClientRequest::gridRequestOfTravellingConditions()
{
    const ClientGridRequest r =
        AssembleGridRequest({statistic(QStringLiteral("Total Calls"), QString(), QStringLiteral("NONE"))},
                            {group(QStringLiteral("All Callers"), QString()),
                             group(QStringLiteral("Jane Doe"), QStringLiteral("(fldNumber like '*555-1234*')"))},
                            QStringLiteral("and fldDate > #6/3/2026 3:30:05 PM#"));
    QVERIFY(!r.refused);
    QCOMPARE(r.columns, QList<int>{1});
    QCOMPARE(r.rows, (QList<int>{1, 2}));
    QCOMPARE(r.groups, (QStringList{QStringLiteral("All Callers"), QStringLiteral("Jane Doe")}));
    // Names are not sent; an empty condition keeps its place.
    QCOMPARE(r.message, QStringLiteral(";STATISTIC;|TIMEPERIOD|and fldDate > #6/3/2026 3:30:05 PM#|GROUP||GROUP|"
                                       "(fldNumber like '*555-1234*')||STAT||NONE|;"));
    QVERIFY(r.asks(2, 1));
    QVERIFY(!r.asks(3, 1));
    QVERIFY(!r.asks(1, 2));
}

void TestClientRequest::conditionsThatCannotTravel()
{
    const ClientGridRequest r = AssembleGridRequest(
        {statistic(QStringLiteral("Piped"), QStringLiteral("fldName Like 'A|B'"), QStringLiteral("NONE")),
         statistic(QStringLiteral("Total Calls"), QString(), QStringLiteral("NONE")),
         statistic(QStringLiteral("Odd Style"), QString(), QStringLiteral("MOST;RINGS"))},
        {group(QStringLiteral("Semi"), QStringLiteral("fldName Like 'a;b'")),
         group(QStringLiteral("All Callers"), QString())},
        QString());
    QVERIFY(r.refused);
    QCOMPARE(r.columns, QList<int>{2});
    QCOMPARE(r.rows, QList<int>{2});
    QCOMPARE(r.groups, QStringList{QStringLiteral("All Callers")});
    QCOMPARE(r.message, QStringLiteral(";STATISTIC;|TIMEPERIOD||GROUP|||STAT||NONE|;"));
    // The cells that were not asked for are the window's to mark.
    QVERIFY(!r.asks(1, 2));
    QVERIFY(!r.asks(2, 1));
    QVERIFY(!r.asks(2, 3));
    QVERIFY(r.asks(2, 2));
    QVERIFY(CannotTravelEvent().contains(QStringLiteral("cannot be sent to the server")));
}

void TestClientRequest::nothingToAskFor()
{
    const QList<clsStatistic> one{statistic(QStringLiteral("Total Calls"), QString(), QStringLiteral("NONE"))};
    ClientGridRequest r = AssembleGridRequest(one, {}, QString());
    QVERIFY(r.message.isEmpty());
    QVERIFY(!r.refused);
    QCOMPARE(r.columns, QList<int>{1});
    // Every group refused: nothing goes either.
    r = AssembleGridRequest(one, {group(QStringLiteral("Piped"), QStringLiteral("a|b"))}, QString());
    QVERIFY(r.message.isEmpty());
    QVERIFY(r.refused);
    r = AssembleGridRequest({}, {group(QStringLiteral("All Callers"), QString())}, QString());
    QVERIFY(r.message.isEmpty());
}

void TestClientRequest::graphRequest()
{
    const QString m = ClientGraphRequest(QStringLiteral("Total Calls"), QStringLiteral("y"),
                                         QDateTime(QDate(2026, 6, 1), QTime(10, 0), Qt::UTC),
                                         QDateTime(QDate(2026, 6, 4), QTime(15, 0), Qt::UTC),
                                         {QStringLiteral("All Callers"), QStringLiteral("Jane Doe")});
    QVERIFY(m.startsWith(QStringLiteral(";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|")));
    QVERIFY(m.endsWith(QStringLiteral("|GROUP|All Callers|GROUP|Jane Doe|;")));
    const GraphRequest back = DecodeGraphRequest(m.mid(7, m.size() - 8));
    QCOMPARE(back.statistic, QStringLiteral("Total Calls"));
    QCOMPARE(back.increment, QStringLiteral("y"));
    QCOMPARE(back.groups, (QStringList{QStringLiteral("All Callers"), QStringLiteral("Jane Doe")}));
}

void TestClientRequest::replyCellsFindTheirGroups()
{
    const QList<int> columns{1, 3};
    const QStringList groups{QStringLiteral("Jane Doe"), QStringLiteral("All Callers")};
    PlacedReply p = PlaceStatisticReply(
        {QStringLiteral("5"), QStringLiteral("40"), QStringLiteral("Bad SQL"), QStringLiteral("7")}, columns, groups);
    QCOMPARE(p.cells.size(), 4);
    QCOMPARE(p.cells[1].group, QStringLiteral("All Callers"));
    QCOMPARE(p.cells[1].column, 1);
    QCOMPARE(p.cells[1].text, QStringLiteral("40"));
    QCOMPARE(p.cells[2].group, QStringLiteral("Jane Doe"));
    QCOMPARE(p.cells[2].column, 3);
    QCOMPARE(p.cells[2].text, QStringLiteral("Bad SQL"));
    QCOMPARE(p.filledColumns, columns);
    // A cancelled run's short reply: the second column gets its first cell, the rest stays as it was.
    p = PlaceStatisticReply({QStringLiteral("5"), QStringLiteral("40"), QStringLiteral("6")}, columns, groups);
    QCOMPARE(p.cells.size(), 3);
    QCOMPARE(p.filledColumns, columns);
    p = PlaceStatisticReply({QStringLiteral("5"), QStringLiteral("40")}, columns, groups);
    QCOMPARE(p.filledColumns, QList<int>{1});
    QVERIFY(PlaceStatisticReply({}, columns, groups).cells.isEmpty());
}

QTEST_GUILESS_MAIN(TestClientRequest)
#include "test_clientrequest.moc"
