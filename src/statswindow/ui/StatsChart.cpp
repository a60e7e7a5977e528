#include "statswindow/ui/StatsChart.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
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

// Room a label needs beyond its text: the chart's padding on either side of it, and a little to spare.
constexpr double kLabelPadding = 2 * 4 + 6;
// A label wrapped onto more lines than this takes the plot's height; fewer labels are shown instead.
constexpr int kMaxLabelLines = 2;

// What a chart was drawn from, kept with it: its labels are fitted again whenever its plot area changes.
class Fitting : public QObject {
public:
    explicit Fitting(QChart* chart) : QObject(chart) { setObjectName(QStringLiteral("statsChartFitting")); }
    QStringList categories; // empty when the chart is too crowded to be labelled at all
    QList<QList<double>> values;
    QSizeF chartSize;
    QList<QSizeF> fitted; // the plot sizes already fitted at that chart size
};

Fitting* fittingOf(const QChart* chart)
{
    return static_cast<Fitting*>(
        chart->findChild<QObject*>(QStringLiteral("statsChartFitting"), Qt::FindDirectChildrenOnly));
}

struct Axes {
    QBarCategoryAxis* x = nullptr;   // one label per category, centred under it
    QCategoryAxis* across = nullptr; // a number axis putting category r at r, labelled or not
    QValueAxis* y = nullptr;
};

Axes axesOf(const QChart* chart)
{
    Axes a;
    for (QAbstractAxis* axis : chart->axes()) {
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
            a.x = categories;
        else if (auto* numbers = qobject_cast<QCategoryAxis*>(axis))
            a.across = numbers;
        else if (auto* value = qobject_cast<QValueAxis*>(axis))
            a.y = value;
    }
    return a;
}

void setScale(QValueAxis* y, const ValueScale& scale)
{
    y->setRange(0, scale.top);
    y->setTickCount(scale.ticks);
    y->setLabelFormat(QStringLiteral("%.%1f").arg(scale.decimals));
}

void placeSeriesOn(QChart* chart, QAbstractAxis* horizontal, QAbstractAxis* away)
{
    for (QAbstractSeries* series : chart->series()) {
        if (series->attachedAxes().contains(horizontal))
            continue;
        series->detachAxis(away);
        series->attachAxis(horizontal);
    }
}

// The label broken at its spaces into lines no wider than room, as the chart's markup; empty when a word
// alone is wider or it takes too many lines.
QString wrapped(const QFontMetricsF& fm, const QString& label, double room)
{
    QStringList lines;
    QString line;
    for (const QString& word : label.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (fm.horizontalAdvance(word) > room)
            return QString();
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (line.isEmpty() || fm.horizontalAdvance(longer) <= room) {
            line = longer;
        } else {
            lines << line.toHtmlEscaped();
            line = word;
        }
    }
    lines << line.toHtmlEscaped();
    return lines.size() > kMaxLabelLines ? QString() : lines.join(QStringLiteral("<br>"));
}

// Fits the labels to the plot area the chart has now. The value axis takes as many steps as its labels have
// the height for; the categories are labelled side by side when they fit, else wrapped at their spaces, else
// every second, third ... one, so that no label is cut short to an ellipsis.
void fit(QChart* chart)
{
    Fitting* f = fittingOf(chart);
    const QRectF plot = chart->plotArea();
    if (!f || plot.width() < 1 || plot.height() < 1)
        return;
    // A fitting changes the axes and so the plot area again: at one chart size a plot size is fitted once,
    // so that two fittings never take turns for ever.
    if (chart->size() != f->chartSize) {
        f->chartSize = chart->size();
        f->fitted.clear();
    }
    if (f->fitted.contains(plot.size()))
        return;
    f->fitted << plot.size();

    const Axes a = axesOf(chart);
    const double tick = QFontMetricsF(a.y->labelsFont()).height() + kLabelPadding;
    const ValueScale scale = valueScale(f->values, int(plot.height() / tick) - 1);
    if (a.y->max() != scale.top || a.y->tickCount() != scale.ticks)
        setScale(a.y, scale);

    const int n = int(f->categories.size());
    if (n == 0)
        return;
    const QFontMetricsF fm(a.x->labelsFont());
    auto room = [&](int shown) { return plot.width() / (shown + 1) - kLabelPadding; };
    double widest = 0;
    for (const QString& c : f->categories)
        widest = std::max(widest, fm.horizontalAdvance(c));
    if (widest <= room(n)) {
        a.x->setLabelsAngle(0);
        a.x->setVisible(true);
        a.across->setVisible(false);
        placeSeriesOn(chart, a.x, a.across);
        return;
    }
    for (int every = 1; every <= n; ++every) {
        QList<int> shown;
        for (int r = (every - 1) / 2; r < n; r += every)
            shown << r;
        QStringList labels;
        for (int r : shown) {
            const QString label = wrapped(fm, f->categories[r], room(int(shown.size())));
            if (label.isEmpty())
                break;
            labels << label;
        }
        if (labels.size() < shown.size())
            continue;
        for (const QString& old : a.across->categoriesLabels())
            a.across->remove(old);
        a.across->setStartValue(-0.5);
        for (int i = 0; i < shown.size(); ++i)
            a.across->append(labels[i], shown[i]);
        a.across->setRange(-0.5, n - 0.5);
        a.across->setLabelsVisible(true);
        a.across->setVisible(true);
        a.x->setVisible(false);
        placeSeriesOn(chart, a.across, a.x);
        return;
    }
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

ValueScale valueScale(const QList<QList<double>>& values, int maxSteps)
{
    maxSteps = std::clamp(maxSteps, 1, 10);
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
        return whole ? ValueScale{1, 2, true, 0}
                     : ValueScale{1, maxSteps >= 5 ? 6 : std::min(maxSteps, 2) + 1, false, 1};
    if (top > 1e15)
        return {top * 1.1, std::min(maxSteps, 4) + 1, false, 0};
    // Steps of 1, 2 or 5 times a power of ten, at most maxSteps of them, and room above the top: the smallest
    // such step, counts never stepping by less than one. A step is m × 10^power; below one it is m / 10^-power,
    // so that 0.1 or 0.2 and their multiples are the doubles nearest them and label as such.
    const double wanted = top * 1.1;
    int power = int(std::floor(std::log10(wanted / maxSteps)));
    // Twelve places after the point are the finest labels; a smaller top gets one step of that size.
    power = std::max(power, whole ? 0 : -12);
    auto times = [](double k, int p) { return p >= 0 ? k * std::pow(10.0, p) : k / std::pow(10.0, -p); };
    int multiple = 10;
    for (int m : {1, 2, 5}) {
        if (wanted / times(m, power) <= maxSteps) {
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
    // The window's first size leaves a chart little room: it goes to the plot and the labels, not to margins.
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);

    // The axes are made once per chart and refilled: axes removed and made anew at every drawing leave their
    // old labels behind on the chart. A chart of many categories (a contact book's groups, an hourly graph)
    // shows no labels, and a category axis costs a layout item per category all the same (a second and more
    // for 5,000 groups): such a chart is placed on a plain number axis instead, category r at r as before.
    // The same number axis carries the labels of categories too many to stand side by side (Fitting).
    auto [x, dense, y] = axesOf(chart);
    if (!x) {
        x = new QBarCategoryAxis;
        chart->addAxis(x, Qt::AlignBottom);
    }
    if (!dense) {
        dense = new QCategoryAxis;
        dense->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        dense->setGridLineVisible(false);
        dense->setTickCount(2);
        dense->setVisible(false);
        chart->addAxis(dense, Qt::AlignBottom);
    }
    for (const QString& old : dense->categoriesLabels())
        dense->remove(old);
    dense->setLabelsVisible(false);
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
    setScale(y, valueScale(values));

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

    Fitting* fitting = fittingOf(chart);
    if (!fitting) {
        fitting = new Fitting(chart);
        QObject::connect(chart, &QChart::plotAreaChanged, fitting, [chart] { fit(chart); });
    }
    fitting->categories = labelled ? categories : QStringList();
    fitting->values = values;
    fitting->fitted.clear();
    fit(chart);
}

} // namespace StatsChart
