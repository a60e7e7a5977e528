#include <QTest>

#include "platform/DateText.h"
#include "statistics/StatisticsProtocol.h"
#include "statistics/modStatEvaluation.h"

class TestStatisticsProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellTexts();
    void cellNumbers();
    void statisticRequest();
    void statisticReply();
    void graphRequest();
    void graphReply();
    void errorReply();
};

void TestStatisticsProtocol::cellTexts()
{
    QCOMPARE(StatisticCellText(kStatTooComplex), QStringLiteral("Too Complex"));
    QCOMPARE(StatisticCellText(kStatBadSql), QStringLiteral("Bad SQL"));
    QCOMPARE(StatisticCellText(5), QStringLiteral("5"));
    QCOMPARE(StatisticCellText(0.67), QStringLiteral("0.67"));
    QCOMPARE(StatisticCellText(100000), QStringLiteral("100000"));
    QCOMPARE(StatisticCellText(-0.0), QStringLiteral("0"));
    QCOMPARE(StatisticCellText(4, QStringLiteral(" (6/1/2024 10:00:00 AM to 6/1/2024 10:50:00 AM)")),
             QStringLiteral("4 (6/1/2024 10:00:00 AM to 6/1/2024 10:50:00 AM)"));
}

void TestStatisticsProtocol::cellNumbers()
{
    QCOMPARE(StatisticCellNumber(QStringLiteral("5 (6/1/2005 10:00:00 AM to 6/1/2005 11:00:00 AM)")), 5.0);
    QCOMPARE(StatisticCellNumber(QStringLiteral("0.67")), 0.67);
    QCOMPARE(StatisticCellNumber(QStringLiteral("-1.5")), -1.5);
    QCOMPARE(StatisticCellNumber(QStringLiteral("Bad SQL")), 0.0);
    QCOMPARE(StatisticCellNumber(QStringLiteral("Too Complex")), 0.0);
    QCOMPARE(StatisticCellNumber(QString()), 0.0);
    QCOMPARE(StatisticCellNumber(QStringLiteral("12abc")), 12.0);
    QCOMPARE(StatisticCellNumber(QStringLiteral("2e3 calls")), 2000.0);
}

void TestStatisticsProtocol::statisticRequest()
{
    clsGroup all, smith;
    smith.Group = QStringLiteral("fldName Like '*smith*'");
    clsStatistic answered;
    answered.Statistic = QStringLiteral("fldAnswered Like 'YES'");
    answered.Style = QStringLiteral("NONE");
    const QString clause = QStringLiteral("and fldDate > #6/1/2024#");
    const QString field = EncodeStatisticRequest(clause, {&all, &smith}, {&answered});
    QCOMPARE(field, QStringLiteral("|TIMEPERIOD|and fldDate > #6/1/2024#|GROUP||GROUP|fldName Like '*smith*'||STAT|"
                                   "fldAnswered Like 'YES'|NONE|"));
    const StatisticRequest r = DecodeStatisticRequest(field);
    QCOMPARE(r.timePeriod, clause);
    QCOMPARE(r.groups.size(), 2);
    QCOMPARE(r.groups[0].Group, QString());
    QCOMPARE(r.groups[1].Group, smith.Group);
    QCOMPARE(r.statistics.size(), 1);
    QCOMPARE(r.statistics[0].Statistic, answered.Statistic);
    QCOMPARE(r.statistics[0].Style, QStringLiteral("NONE"));

    // Empty conditions keep their places; tags are exact; an empty clause reads as empty.
    const StatisticRequest empty =
        DecodeStatisticRequest(QStringLiteral("|TIMEPERIOD||GROUP||GROUP||group|x||STAT||NONE|"));
    QCOMPARE(empty.timePeriod, QString());
    QCOMPARE(empty.groups.size(), 2);
    QCOMPARE(empty.statistics.size(), 1);
    QCOMPARE(empty.statistics[0].Style, QStringLiteral("NONE"));
    // A request cut short reads what is there.
    const StatisticRequest cut = DecodeStatisticRequest(QStringLiteral("|STAT|fldRings > 1"));
    QCOMPARE(cut.statistics.size(), 1);
    QCOMPARE(cut.statistics[0].Style, QString());

    QVERIFY(FitsStatisticField(QStringLiteral("fldName Like 'a*'")));
    QVERIFY(!FitsStatisticField(QStringLiteral("fldName Like 'a|b'")));
    QVERIFY(!FitsStatisticField(QStringLiteral("fldRings > 1; Drop Table tblCID")));
}

void TestStatisticsProtocol::statisticReply()
{
    const QString field = EncodeStatisticReply({"7", "Bad SQL", "3 (6/1/2024 to 6/2/2024)"});
    QCOMPARE(field, QStringLiteral("|7||Bad SQL||3 (6/1/2024 to 6/2/2024)|"));
    QCOMPARE(DecodeStatisticReply(field), QStringList({"7", "Bad SQL", "3 (6/1/2024 to 6/2/2024)"}));
    QCOMPARE(DecodeStatisticReply(QString()), QStringList());
}

void TestStatisticsProtocol::graphRequest()
{
    const QDateTime start = *DateText::fromIso(QStringLiteral("2024-06-08 14:30:00"));
    const QDateTime end = *DateText::fromIso(QStringLiteral("2024-06-15 14:30:00"));
    const QString field = EncodeGraphRequest(QStringLiteral("Total Calls"), QStringLiteral("y"), start, end,
                                             {QStringLiteral("All Callers"), QStringLiteral("John Smith")});
    QCOMPARE(field, QStringLiteral("|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|6/8/2024 2:30:00 PM|ENDDATE|"
                                   "6/15/2024 2:30:00 PM|GROUP|All Callers|GROUP|John Smith|"));
    const GraphRequest r = DecodeGraphRequest(field);
    QCOMPARE(r.statistic, QStringLiteral("Total Calls"));
    QCOMPARE(r.increment, QStringLiteral("y"));
    QVERIFY(r.hasStart && r.hasEnd);
    QCOMPARE(DateText::parse(r.startText), start);
    QCOMPARE(DateText::parse(r.endText), end);
    QCOMPARE(r.groups, QStringList({"All Callers", "John Smith"}));

    // Any time on a client: the zero date, which the server reads as "from your first call".
    const QDateTime zero(DateText::zeroDate(), QTime(0, 0), Qt::UTC);
    QVERIFY(EncodeGraphRequest(QStringLiteral("Total Calls"), QStringLiteral("m"), zero, end, {})
                .contains(QStringLiteral("|STARTDATE|12:00:00 AM|")));
    // Missing dates are told apart from present ones.
    const GraphRequest bare = DecodeGraphRequest(QStringLiteral("|STATISTIC|Total Calls|STARTDATE|"));
    QVERIFY(!bare.hasStart);
    QVERIFY(!bare.hasEnd);
}

void TestStatisticsProtocol::graphReply()
{
    GraphTable t;
    t.labels = {"6/1/2024", "6/2/2024"};
    t.values = {{1, 2.5}, {0, 4}};
    const QString field = EncodeGraphReply(t);
    QCOMPARE(field, QStringLiteral("|LINE|6/1/2024|1|2.5||LINE|6/2/2024|0|4|"));
    const GraphTable back = DecodeGraphReply(field);
    QCOMPARE(back.labels, t.labels);
    QCOMPARE(back.values, t.values);
    QCOMPARE(back.groupCount(), 2);

    QVERIFY(DecodeGraphReply(QStringLiteral("PARTIAL")).isEmpty());
    QVERIFY(DecodeGraphReply(QStringLiteral("|LINE|6/1/2024|1||PARTIAL|")).isEmpty());
    // No value at all (no group was graphed) is the empty graph too.
    QVERIFY(DecodeGraphReply(QStringLiteral("|LINE|6/1/2024||LINE|6/2/2024|")).isEmpty());
    // Values that are not numbers read as 0.
    QCOMPARE(DecodeGraphReply(QStringLiteral("|LINE|6/1/2024|x|3|")).values, QList<QList<double>>({{0, 3}}));
    // An empty row label is lost in the split, so the row's first value is read as its label.
    const GraphTable shifted = DecodeGraphReply(QStringLiteral("|LINE||5|6|"));
    QCOMPARE(shifted.labels, QStringList({"5"}));
    QCOMPARE(shifted.values, QList<QList<double>>({{6}}));
}

void TestStatisticsProtocol::errorReply()
{
    QCOMPARE(ErrorReply(13, QStringLiteral("Type mismatch; not a date")),
             QStringLiteral(";ERROR;13;Type mismatch, not a date;"));
}

QTEST_APPLESS_MAIN(TestStatisticsProtocol)
#include "test_statisticsprotocol.moc"
