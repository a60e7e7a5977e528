#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QChart;

// Draws the statistics chart and the caller graph on a Qt chart. The chart types are addressed by their
// position in the type list ("3D Bar", "2D Bar", "3D Line", ... "2D Combination"); a "3D" type is drawn as its
// flat form with depth shading.
namespace StatsChart {

// More categories than this are drawn without their labels (they would print over each other).
constexpr int kMaxLabelledCategories = 120;

QStringList typeNames();
bool isThreeD(int type);

// The value axis: its top, how many ticks it shows (both ends included), whether the values are counts, and
// the digits its labels show after the point. Its ticks step by 1, 2 or 5 times a power of ten (counts by
// whole numbers) with a little room above the highest value, in at most maxSteps steps.
struct ValueScale {
    double top = 1;
    int ticks = 5;
    bool whole = false;
    int decimals = 0;
};
ValueScale valueScale(const QList<QList<double>>& values, int maxSteps = 10);

// Rows are the categories (a group, a time bucket), columns the series; values[row][series]. Once the chart has
// a plot area, its labels are fitted to it, and again whenever it changes size.
void draw(QChart* chart, int type, const QString& title, const QStringList& categories, const QStringList& seriesNames,
          const QList<QList<double>>& values, bool legend);

} // namespace StatsChart
