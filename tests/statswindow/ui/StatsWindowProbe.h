#pragma once

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include "statswindow/StatsGridModel.h"
#include "support/ui/ByName.h"

// What the statistics window's tests read of it, through its named controls as a user sees them: the grid's
// cells, the chart's bars, the graph's data as its menu copies it, the sort arrow. Header-only.

template <typename T>
inline T* named(const QWidget* w, const char* name)
{
    return ::ui::findByName<T>(w, QString::fromLatin1(name));
}

inline QAction* action(const QWidget* w, const char* name) { return named<QAction>(w, name); }

inline StatsGridModel* gridOf(const QWidget* w)
{
    return qobject_cast<StatsGridModel*>(named<QTableView>(w, "msfStatistics")->model());
}

inline QStringList column(const QWidget* w, int c)
{
    QStringList out;
    for (int r = 1; r < gridOf(w)->Rows(); ++r)
        out << gridOf(w)->TextMatrix(r, c);
    return out;
}

// The grid's statistic cells (the filler column after them left out), and how many of them say text.
inline int statisticCells(const QWidget* w) { return (gridOf(w)->Rows() - 1) * (gridOf(w)->Cols() - 2); }
inline int cellsSaying(const QWidget* w, const QString& text)
{
    int n = 0;
    for (int r = 1; r < gridOf(w)->Rows(); ++r)
        for (int c = 1; c < gridOf(w)->Cols() - 1; ++c)
            n += gridOf(w)->TextMatrix(r, c) == text ? 1 : 0;
    return n;
}

inline QChart* chartOf(const QWidget* w, const char* name) { return named<QChartView>(w, name)->chart(); }

// The statistics chart's bars, as drawn.
inline QList<double> chartValues(const QWidget* w)
{
    QList<double> out;
    for (QAbstractSeries* series : chartOf(w, "mscChart")->series()) {
        if (auto* bars = qobject_cast<QBarSeries*>(series)) {
            for (int i = 0; i < bars->barSets().first()->count(); ++i)
                out << bars->barSets().first()->at(i);
        }
    }
    return out;
}

inline QStringList chartLabels(const QWidget* w)
{
    for (QAbstractAxis* axis : chartOf(w, "mscChart")->axes(Qt::Horizontal)) {
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
            return categories->categories();
    }
    return {};
}

// The caller graph's data, as the Caller Graph menu copies it: the series' names, then a row per bucket.
struct Graphed {
    QStringList series;
    QStringList labels;
    QList<QList<double>> values;
    int groups() const { return int(series.size()); }
    double sum(int group) const
    {
        double total = 0;
        for (const auto& row : values)
            total += row.value(group);
        return total;
    }
};

inline Graphed graphed(const QWidget* w)
{
    Graphed g;
    const QString problem = ::ui::tryTrigger(w, QStringLiteral("mnuGraphCopy"));
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    g.series = lines.takeFirst().split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    if (lines == QStringList{QStringLiteral("0")})
        return g; // the empty graph
    for (const QString& line : lines) {
        QStringList cells = line.split(QLatin1Char('\t'));
        g.labels << cells.takeFirst();
        QList<double> row;
        for (const QString& c : cells)
            row << c.toDouble();
        g.values << row;
    }
    return g;
}

inline QString sortGlyph(const QWidget* w) { return named<QLabel>(w, "lblArrow")->property("marlett").toString(); }

inline QHeaderView* header(const QWidget* w) { return named<QTableView>(w, "msfStatistics")->horizontalHeader(); }

inline QPoint headingPoint(const QWidget* w, int col)
{
    QHeaderView* h = header(w);
    return QPoint(h->sectionViewportPosition(col) + 4, h->height() / 2);
}

inline QPoint rowPoint(const QWidget* w, int gridRow)
{
    auto* view = named<QTableView>(w, "msfStatistics");
    return view->visualRect(view->model()->index(gridRow - 1, 1)).center();
}

inline void clickHeading(const QWidget* w, int col)
{
    QTest::mouseClick(header(w)->viewport(), Qt::LeftButton, Qt::NoModifier, headingPoint(w, col));
}

inline void showTab(const QWidget* w, int tab) { named<QTabBar>(w, "tbsStats")->setCurrentIndex(tab); }
