#include "statswindow/ui/StatsChart.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace StatsChart {

namespace {

enum Shape { Bar, Line, Area, Step, Combination };

Shape shapeOf(int type)
{
    switch (type / 2) {
    case 0:
        return Bar;
    case 1:
        return Line;
    case 2:
        return Area;
    case 3:
        return Step;
    default:
        return Combination;
    }
}

QColor seriesColour(int i)
{
    static const QColor kColours[] = {QColor(0, 90, 180),  QColor(200, 60, 40),  QColor(40, 150, 60),
                                      QColor(210, 150, 0), QColor(120, 60, 170), QColor(0, 150, 160),
                                      QColor(150, 90, 40), QColor(220, 90, 150)};
    return kColours[i % int(std::size(kColours))];
}

QLineSeries* lineOf(const QList<QList<double>>& values, int s, bool step)
{
    auto* line = new QLineSeries;
    for (int r = 0; r < values.size(); ++r) {
        const double v = values[r].value(s);
        if (step) {
            line->append(r - 0.5, v);
            line->append(r + 0.5, v);
        } else {
            line->append(r, v);
        }
    }
    return line;
}

} // namespace

QStringList typeNames()
{
    return {QStringLiteral("3D Bar"),        QStringLiteral("2D Bar"),  QStringLiteral("3D Line"),
            QStringLiteral("2D Line"),       QStringLiteral("3D Area"), QStringLiteral("2D Area"),
            QStringLiteral("3D Step"),       QStringLiteral("2D Step"), QStringLiteral("3D Combination"),
            QStringLiteral("2D Combination")};
}

bool isThreeD(int type) { return type >= 0 && type % 2 == 0; }

ValueScale valueScale(const QList<QList<double>>& values)
{
    double top = 0;
    bool whole = true;
    for (const auto& row : values) {
        for (double v : row) {
            if (!std::isfinite(v))
                continue; // no axis reaches it
            top = std::max(top, v);
            whole = whole && v == std::floor(v);
        }
    }
    if (top <= 0)
        return whole ? ValueScale{1, 2, true, 0} : ValueScale{1, 6, false, 1};
    if (top > 1e15)
        return {top * 1.1, 5, false, 0};
    // Steps of 1, 2 or 5 times a power of ten, at most ten of them, and room above the top: the smallest such
    // step, counts never stepping by less than one. A step is m × 10^power; below one it is m / 10^-power, so
    // that 0.1 or 0.2 and their multiples are the doubles nearest them and label as such.
    const double wanted = top * 1.1;
    int power = int(std::floor(std::log10(wanted / 10)));
    // Twelve places after the point are the finest labels; a smaller top gets one step of that size.
    power = std::max(power, whole ? 0 : -12);
    auto times = [](double k, int p) { return p >= 0 ? k * std::pow(10.0, p) : k / std::pow(10.0, -p); };
    int multiple = 10;
    for (int m : {1, 2, 5}) {
        if (wanted / times(m, power) <= 10) {
            multiple = m;
            break;
        }
    }
    if (multiple == 10) {
        multiple = 1;
        ++power;
    }
    const double steps = std::ceil(wanted / times(multiple, power));
    return {times(steps * multiple, power), int(steps) + 1, whole, std::max(0, -power)};
}

void draw(QChart* chart, int type, const QString& title, const QStringList& categories, const QStringList& seriesNames,
          const QList<QList<double>>& values, bool legend)
{
    chart->removeAllSeries();
    chart->setTitle(title);
    chart->setDropShadowEnabled(isThreeD(type));
    chart->legend()->setVisible(legend);

    // The axes are made once per chart and refilled: axes removed and made anew at every drawing leave their
    // old labels behind on the chart. A chart of many categories (a contact book's groups, an hourly graph)
    // shows no labels, and a category axis costs a layout item per category all the same (a second and more
    // for 5,000 groups): such a chart is placed on a plain number axis instead, category r at r as before.
    QBarCategoryAxis* x = nullptr;
    QValueAxis* dense = nullptr;
    QValueAxis* y = nullptr;
    for (QAbstractAxis* axis : chart->axes()) {
        if (!x)
            x = qobject_cast<QBarCategoryAxis*>(axis);
        if (auto* value = qobject_cast<QValueAxis*>(axis)) {
            if (axis->orientation() == Qt::Horizontal)
                dense = value;
            else
                y = value;
        }
    }
    if (!x) {
        x = new QBarCategoryAxis;
        chart->addAxis(x, Qt::AlignBottom);
    }
    if (!dense) {
        dense = new QValueAxis;
        dense->setLabelsVisible(false);
        dense->setGridLineVisible(false);
        dense->setTickCount(2);
        dense->setVisible(false);
        chart->addAxis(dense, Qt::AlignBottom);
    }
    if (!y) {
        y = new QValueAxis;
        chart->addAxis(y, Qt::AlignLeft);
    }
    const bool labelled = categories.size() <= kMaxLabelledCategories;
    x->clear();
    x->setVisible(labelled);
    dense->setVisible(!labelled);
    QAbstractAxis* across = x;
    if (labelled) {
        x->append(categories);
        x->setLabelsAngle(categories.size() > 12 ? -90 : 0);
    } else {
        dense->setRange(-0.5, double(categories.size()) - 0.5);
        across = dense;
    }
    const ValueScale scale = valueScale(values);
    y->setRange(0, scale.top);
    y->setTickCount(scale.ticks);
    y->setLabelFormat(QStringLiteral("%.%1f").arg(scale.decimals));

    const Shape shape = shapeOf(type);
    const int series = int(seriesNames.size());
    QBarSeries* bars = nullptr;
    for (int s = 0; s < series; ++s) {
        const QColor colour = seriesColour(s);
        if (shape == Bar || (shape == Combination && s == 0)) {
            if (!bars)
                bars = new QBarSeries;
            auto* set = new QBarSet(seriesNames[s]);
            for (const auto& row : values)
                *set << row.value(s);
            set->setColor(isThreeD(type) ? colour.darker(115) : colour);
            set->setBorderColor(isThreeD(type) ? colour.darker(160) : colour);
            bars->append(set);
            continue;
        }
        QLineSeries* line = lineOf(values, s, shape == Step);
        line->setName(seriesNames[s]);
        QPen pen(colour);
        pen.setWidthF(isThreeD(type) ? 3.0 : 1.5);
        line->setPen(pen);
        // A line through one point draws nothing: a single period shows as its point.
        line->setPointsVisible(values.size() == 1);
        line->setMarkerSize(isThreeD(type) ? 12 : 9);
        if (shape == Area) {
            auto* area = new QAreaSeries(line);
            line->setParent(area);
            area->setName(seriesNames[s]);
            QColor fill = colour;
            fill.setAlpha(isThreeD(type) ? 170 : 120);
            area->setBrush(fill);
            area->setPen(pen);
            chart->addSeries(area);
            area->attachAxis(across);
            area->attachAxis(y);
        } else {
            chart->addSeries(line);
            line->attachAxis(across);
            line->attachAxis(y);
        }
    }
    if (bars) {
        chart->addSeries(bars);
        bars->attachAxis(across);
        bars->attachAxis(y);
    }
}

} // namespace StatsChart
