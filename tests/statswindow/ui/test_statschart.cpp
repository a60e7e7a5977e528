#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

#include "statswindow/ui/StatsChart.h"

namespace {

QList<double> barValues(const QChart& chart)
{
    QList<double> out;
    for (QAbstractSeries* series : chart.series()) {
        if (auto* bars = qobject_cast<QBarSeries*>(series)) {
            for (int i = 0; i < bars->barSets().first()->count(); ++i)
                out << bars->barSets().first()->at(i);
        }
    }
    return out;
}

QBarCategoryAxis* categoryAxis(const QChart& chart)
{
    for (QAbstractAxis* axis : chart.axes(Qt::Horizontal)) {
        if (auto* c = qobject_cast<QBarCategoryAxis*>(axis))
            return c;
    }
    return nullptr;
}

// The horizontal axis the series are placed on.
QAbstractAxis* seriesAxis(const QChart& chart)
{
    const auto axes = chart.series().first()->attachedAxes();
    for (QAbstractAxis* axis : axes) {
        if (axis->orientation() == Qt::Horizontal)
            return axis;
    }
    return nullptr;
}

void fill(int count, QStringList& categories, QList<QList<double>>& values)
{
    categories.clear();
    values.clear();
    for (int i = 0; i < count; ++i) {
        categories << QStringLiteral("Group %1").arg(i);
        values << QList<double>{double(i % 7)};
    }
}

} // namespace

// The statistics chart and the caller graph: categories, the value axis, and a graph of a single period.
class TestStatsChart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fewCategoriesAreLabelled();
    void manyCategoriesKeepEveryValueInOrder();
    void valueAxesGetRoundSteps_data();
    void valueAxesGetRoundSteps();
    void aSinglePeriodShowsItsPoint();
};

void TestStatsChart::fewCategoriesAreLabelled()
{
    QChart chart;
    StatsChart::draw(&chart, 1, QStringLiteral("Total Calls (Any Time Period)"),
                     {QStringLiteral("All Callers"), QStringLiteral("Jane Doe")}, {QStringLiteral("Total Calls")},
                     {{36}, {28}}, false);
    QCOMPARE(chart.title(), QStringLiteral("Total Calls (Any Time Period)"));
    QCOMPARE(barValues(chart), QList<double>({36, 28}));
    QVERIFY(categoryAxis(chart)->isVisible());
    QCOMPARE(categoryAxis(chart)->categories(), QStringList({"All Callers", "Jane Doe"}));
    QCOMPARE(seriesAxis(chart), categoryAxis(chart));
    QCOMPARE(categoryAxis(chart)->labelsAngle(), 0);
    // Up to the limit the labels are shown, turned on their side past a dozen.
    QStringList categories;
    QList<QList<double>> values;
    fill(StatsChart::kMaxLabelledCategories, categories, values);
    StatsChart::draw(&chart, 3, QString(), categories, {QStringLiteral("Total Calls")}, values, false);
    QCOMPARE(categoryAxis(chart)->categories(), categories);
    QCOMPARE(categoryAxis(chart)->labelsAngle(), -90);
    QVERIFY(categoryAxis(chart)->labelsVisible());
}

void TestStatsChart::manyCategoriesKeepEveryValueInOrder()
{
    QChart chart;
    QStringList categories;
    QList<QList<double>> values;
    fill(5004, categories, values);
    StatsChart::draw(&chart, 1, QString(), categories, {QStringLiteral("Total Calls")}, values, false);
    QList<double> expected;
    for (const auto& row : values)
        expected << row.first();
    QCOMPARE(barValues(chart), expected);
    // Unlabelled, on a number axis that puts category r at r.
    auto* across = qobject_cast<QValueAxis*>(seriesAxis(chart));
    QVERIFY(across);
    QVERIFY(across->isVisible());
    QVERIFY(!across->labelsVisible());
    QCOMPARE(across->min(), -0.5);
    QCOMPARE(across->max(), 5003.5);
    QVERIFY(!categoryAxis(chart)->isVisible());
    QVERIFY(categoryAxis(chart)->categories().isEmpty());

    // A line of many points (an hourly graph), two series.
    fill(721, categories, values);
    for (auto& row : values)
        row << row.first() * 2;
    StatsChart::draw(&chart, 3, QString(), categories, {QStringLiteral("A"), QStringLiteral("B")}, values, true);
    QCOMPARE(chart.series().size(), 2);
    auto* second = qobject_cast<QLineSeries*>(chart.series().at(1));
    QCOMPARE(second->count(), 721);
    QCOMPARE(second->at(720), QPointF(720, values[720][1]));
    QCOMPARE(qobject_cast<QValueAxis*>(seriesAxis(chart))->max(), 720.5);

    // Back to a few: the same axes serve, labelled again, nothing left of the many.
    StatsChart::draw(&chart, 1, QString(), {QStringLiteral("All Callers")}, {QStringLiteral("Total Calls")}, {{36}},
                     false);
    QCOMPARE(chart.axes(Qt::Horizontal).size(), 2);
    QVERIFY(categoryAxis(chart)->isVisible());
    QCOMPARE(categoryAxis(chart)->categories(), QStringList({"All Callers"}));
    QCOMPARE(seriesAxis(chart), categoryAxis(chart));
    QCOMPARE(barValues(chart), QList<double>({36}));
    for (QAbstractAxis* axis : chart.axes(Qt::Horizontal)) {
        if (axis != categoryAxis(chart))
            QVERIFY(!axis->isVisible());
    }
}

void TestStatsChart::valueAxesGetRoundSteps_data()
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
    // Averages and percentages: before, ticks such as 1.2045, 2.409 and 33.726.
    QTest::newRow("averages") << QList<double>{2.409, 1} << 3.0 << 7 << false;
    QTest::newRow("percentages") << QList<double>{33.726, 12.5} << 40.0 << 9 << false;
    QTest::newRow("small averages") << QList<double>{0.67, 0.2} << 0.8 << 9 << false;
}

void TestStatsChart::valueAxesGetRoundSteps()
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
    // Ticks step by 1, 2 or 5 times a power of ten (whole numbers for counts); the highest value fits below the top.
    const double step = scale.top / (scale.ticks - 1);
    const double leading = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    QVERIFY(qFuzzyCompare(leading, 1.0) || qFuzzyCompare(leading, 2.0) || qFuzzyCompare(leading, 5.0));
    QVERIFY(!whole || step == std::floor(step));
    QVERIFY(scale.top > *std::max_element(values.begin(), values.end()));
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
    for (QAbstractAxis* a : chart.axes(Qt::Vertical))
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
