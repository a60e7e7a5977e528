#include <QAbstractItemModelTester>
#include <QTest>

#include "statswindow/StatsGridModel.h"
#include "statswindow/StatsPeriod.h"

#include "platform/DateText.h"

class TestStatsGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shapeOfTheGrid();
    void numbersSortByValueBeforeText();
    void copyingRows();
    void graphDataInExcelFormat();
    void periods();
};

void TestStatsGridModel::shapeOfTheGrid()
{
    StatsGridModel grid;
    QAbstractItemModelTester tester(&grid);
    // Two statistics by three groups: 4 columns by 4 rows, "Groups" in the corner, an empty last column.
    grid.setUp({"Total Calls", "Most Rings"}, {"All Callers", "PRIVATE NUMBER", "John"});
    QCOMPARE(grid.Cols(), 4);
    QCOMPARE(grid.Rows(), 4);
    QCOMPARE(grid.TextMatrix(0, 0), QStringLiteral("Groups"));
    QCOMPARE(grid.TextMatrix(0, 2), QStringLiteral("Most Rings"));
    QCOMPARE(grid.TextMatrix(0, 3), QString());
    QCOMPARE(grid.TextMatrix(3, 0), QStringLiteral("John"));
    QCOMPARE(grid.rowCount(), 3);
    QCOMPARE(grid.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Total Calls"));
    grid.setTextMatrix(2, 1, QStringLiteral("5"));
    QCOMPARE(grid.index(1, 1).data().toString(), QStringLiteral("5"));
    // Cells outside the grid are nothing.
    grid.setTextMatrix(9, 9, QStringLiteral("x"));
    QCOMPARE(grid.TextMatrix(9, 9), QString());
}

void TestStatsGridModel::numbersSortByValueBeforeText()
{
    StatsGridModel grid;
    QAbstractItemModelTester tester(&grid);
    grid.setUp({"Most Calls in a Day"}, {"a", "b", "c", "d", "e", "f"});
    const QStringList cells = {"10", "9", "Bad SQL", "2.5", "5 (6/1/2005 10:00:00 AM to 6/1/2005 11:00:00 AM)", ""};
    for (int r = 0; r < cells.size(); ++r)
        grid.setTextMatrix(r + 1, 1, cells[r]);
    auto column = [&](int c) {
        QStringList out;
        for (int r = 1; r < grid.Rows(); ++r)
            out << grid.TextMatrix(r, c);
        return out;
    };
    grid.sortByColumn(1, true);
    QCOMPARE(column(1),
             QStringList({"2.5", "5 (6/1/2005 10:00:00 AM to 6/1/2005 11:00:00 AM)", "9", "10", "", "Bad SQL"}));
    // The rows move whole; the heading row stays.
    QCOMPARE(column(0), QStringList({"d", "e", "b", "a", "f", "c"}));
    QCOMPARE(grid.TextMatrix(0, 0), QStringLiteral("Groups"));
    grid.sortByColumn(1, false);
    QCOMPARE(column(1).first(), QStringLiteral("Bad SQL"));
    QCOMPARE(column(1).last(), QStringLiteral("2.5"));
    // Names compare without regard to case.
    grid.setUp({"x"}, {"bob", "Alice", "carl"});
    grid.sortByColumn(0, true);
    QCOMPARE(column(0), QStringList({"Alice", "bob", "carl"}));
}

void TestStatsGridModel::copyingRows()
{
    StatsGridModel grid;
    grid.setUp({"A", "B"}, {"g1", "g2", "g3"});
    for (int r = 1; r <= 3; ++r) {
        grid.setTextMatrix(r, 1, QString::number(r));
        grid.setTextMatrix(r, 2, QString::number(r * 10));
    }
    // Three rows, no heading line, the filler column left out.
    QCOMPARE(grid.rowsText(1, 3, grid.Cols() - 2), QStringLiteral("g1\t1\t10\r\ng2\t2\t20\r\ng3\t3\t30"));
    QCOMPARE(grid.rowsText(2, 2, grid.Cols() - 2), QStringLiteral("g2\t2\t20"));
}

void TestStatsGridModel::graphDataInExcelFormat()
{
    GraphTable t;
    t.labels = {"6/1/2024", "6/2/2024"};
    t.values = {{1, 2}, {3, 4.5}};
    QCOMPARE(GraphCopyText({"All Callers", "John"}, t),
             QStringLiteral("\tAll Callers\tJohn\r\n6/1/2024\t1\t2\r\n6/2/2024\t3\t4.5"));
    QCOMPARE(GraphCopyText({}, GraphTable()), QStringLiteral("\r\n0"));
}

void TestStatsGridModel::periods()
{
    using namespace StatsPeriod;
    const QDateTime now = *DateText::fromIso(QStringLiteral("2024-06-15 14:30:00"));
    QCOMPARE(menuCaption(3), QStringLiteral("Last Week (7 days)"));
    QCOMPARE(menuCaption(8), QStringLiteral("Custom..."));
    QVERIFY(isSeparator(1) && isSeparator(7) && !isSeparator(0));
    QCOMPARE(settingWord(5), QStringLiteral("6MONTHS"));
    QCOMPARE(itemOfWord(QStringLiteral("week")), 3);
    QCOMPARE(itemOfWord(QStringLiteral("YEAR")), 6);
    QCOMPARE(itemOfWord(QStringLiteral("6/1/2024;6/2/2024")), -1);
    QCOMPARE(captionText(5), QStringLiteral("(Last 6 Months)"));
    QCOMPARE(clause(0, now), QString());
    QCOMPARE(clause(3, now), QStringLiteral("and fldDate > #6/8/2024 2:30:00 PM#"));
    QCOMPARE(clause(6, now), QStringLiteral("and fldDate > #6/16/2023 2:30:00 PM#"));

    const QDateTime start = *DateText::fromIso(QStringLiteral("2024-06-01 00:00:00"));
    const QDateTime end = *DateText::fromIso(QStringLiteral("2024-06-10 00:00:00"));
    QCOMPARE(customClause(start, end), QStringLiteral("and fldDate > #6/1/2024# and fldDate < #6/10/2024#"));
    QCOMPARE(customCaption(start, end), QStringLiteral("(6/1/2024 to 6/10/2024)"));
    QCOMPARE(customSetting(start, end), QStringLiteral("6/1/2024;6/10/2024"));
    QDateTime s, e;
    QVERIFY(parseCustomSetting(QStringLiteral("6/1/2024;6/10/2024"), s, e));
    QCOMPARE(s, start);
    QCOMPARE(e, end);
    QDateTime keptStart = start, keptEnd = end;
    QVERIFY(!parseCustomSetting(QStringLiteral("6/1/2024"), keptStart, keptEnd));
    QVERIFY(!parseCustomSetting(QStringLiteral("x;y"), keptStart, keptEnd));
    QCOMPARE(keptStart, start);
}

QTEST_APPLESS_MAIN(TestStatsGridModel)
#include "test_statsgridmodel.moc"
