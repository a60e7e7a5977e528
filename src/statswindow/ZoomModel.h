#pragma once

#include <QString>

// The zoom of a chart page: the chart's width (twips, kept as a double so that repeated zooms land where they
// should, 338 % rather than 337 %), the page's scroll bar and the label. The scroll bar runs from 0 down to a
// negative Max; the chart's left edge is 10 twips times its value, so a widened chart moves left as the bar
// moves right, and the page clips it.
class ZoomModel {
public:
    static constexpr double Factor = 1.5;
    static constexpr double MaxWidth = 32000;

    double width() const { return m_width; }
    void setWidth(double width) { m_width = width; }
    int value() const { return m_value; }
    int maximum() const { return m_max; }
    int smallChange() const { return m_small; }
    int largeChange() const { return m_large; }
    double ratio() const { return m_ratio; }
    // The chart's left edge in the page, twips.
    double left() const { return 10.0 * m_value; }

    // The bar moved (the user scrolled): the value within [Max, 0].
    void setValue(int value);
    // Lays the bar out for the chart's current width on a page of that width (SetChartScrollBar).
    void setUpScrollBar(double pageWidth);
    // Zoom In and Zoom Out on a page of that width.
    void zoomIn(double pageWidth);
    void zoomOut(double pageWidth);
    // "Zoom: N%", the chart's width as a percentage of the page's.
    QString label(double pageWidth) const;

    // The page was resized: an unzoomed chart (narrower than the page, or exactly the page's former width)
    // takes the new page width; a widened one keeps its width.
    void pageResized(double oldPageWidth, double newPageWidth);

private:
    void keepRatio();

    double m_width = 0;
    int m_value = 0;
    int m_max = 0;
    int m_small = 1;
    int m_large = 1;
    double m_ratio = 0;
};
