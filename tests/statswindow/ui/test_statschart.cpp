#include <QChart>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

#include "statswindow/ui/StatsChart.h"

// The value axis of the statistics chart and the caller graph, and a graph of a single period.
class TestStatsChart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void countsGetWholeSteps_data();
    void countsGetWholeSteps();
    void aSinglePeriodShowsItsPoint();
};

void TestStatsChart::countsGetWholeSteps_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<bool>("whole");
    // Before, 39 calls gave a top of 42.9 and ticks at 10.725, 21.45 ...
    QTest::newRow("39 calls") << QList<double>{39, 12, 0} << 45.0 << 10 << true;
    QTest::newRow("3 calls") << QList<double>{3, 1} << 4.0 << 5 << true;
    QTest::newRow("one call") << QList<double>{1} << 2.0 << 3 << true;
    QTest::newRow("no calls") << QList<double>{0, 0} << 1.0 << 2 << true;
    QTest::newRow("hundreds") << QList<double>{640} << 800.0 << 9 << true;
    QTest::newRow("averages") << QList<double>{2.5, 1} << 2.75 << 5 << false;
}

void TestStatsChart::countsGetWholeSteps()
{
    QFETCH(QList<double>, values);
    QFETCH(double, top);
    QFETCH(int, ticks);
    QFETCH(bool, whole);
    QList<QList<double>> rows;
    for (double v : values)
        rows << QList<double>{v};
    const StatsChart::ValueScale scale = StatsChart::valueScale(rows);
    QCOMPARE(scale.top, top);
    QCOMPARE(scale.ticks, ticks);
    QCOMPARE(scale.whole, whole);
    if (whole) {
        // Every tick falls on a whole number, and the highest value fits below the top.
        const double step = scale.top / (scale.ticks - 1);
        QCOMPARE(step, std::floor(step));
        QVERIFY(scale.top > *std::max_element(values.begin(), values.end()));
    }
}

void TestStatsChart::aSinglePeriodShowsItsPoint()
{
    QChart chart;
    const QStringList names{QStringLiteral("All Callers"), QStringLiteral("John Smith")};
    StatsChart::draw(&chart, 3, QStringLiteral("Total Calls Graphed Daily"), {QStringLiteral("3/21/2024")}, names,
                     {{39, 13}}, true);
    const QList<QAbstractSeries*> series = chart.series();
    QCOMPARE(series.size(), 2);
    for (QAbstractSeries* s : series) {
        auto* line = qobject_cast<QLineSeries*>(s);
        QVERIFY(line);
        QCOMPARE(line->count(), 1);
        QVERIFY(line->pointsVisible());
    }
    QValueAxis* y = nullptr;
    for (QAbstractAxis* a : chart.axes())
        if (auto* v = qobject_cast<QValueAxis*>(a))
            y = v;
    QVERIFY(y);
    QCOMPARE(y->max(), 45.0);
    QCOMPARE(y->tickCount(), 10);
    QCOMPARE(y->labelFormat(), QStringLiteral("%.0f"));

    // Two periods are a line again, without its points.
    StatsChart::draw(&chart, 3, QString(), {QStringLiteral("3/20/2024"), QStringLiteral("3/21/2024")}, names,
                     {{1, 0}, {2, 1}}, true);
    for (QAbstractSeries* s : chart.series())
        QVERIFY(!qobject_cast<QLineSeries*>(s)->pointsVisible());
}

QTEST_MAIN(TestStatsChart)
#include "test_statschart.moc"
