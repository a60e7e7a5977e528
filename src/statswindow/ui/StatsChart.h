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

// Rows are the categories (a group, a time bucket), columns the series; values[row][series].
void draw(QChart* chart, int type, const QString& title, const QStringList& categories, const QStringList& seriesNames,
          const QList<QList<double>>& values, bool legend);

} // namespace StatsChart
