#pragma once

#include <QObject>

#include "statswindow/ZoomModel.h"

class QAction;
class QChartView;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QScrollBar;
class QWidget;

// A page of the statistics window that shows a chart: the statistics chart ("Stats Chart") and the caller
// graph ("Caller Graph") are each one of these. It holds the chart, its horizontal scroll bar and zoom, and
// the options frame below it, which opens and closes by a click on its title and holds the statistic and
// type lists and the zoom buttons. What the graph adds to its frame, the window puts in optionsLayout().
class ChartPage : public QObject {
    Q_OBJECT
public:
    enum Kind { Chart, Graph };
    // The page's menu items: Zoom In, Zoom Out and View ... Options (checked while the frame is open).
    struct MenuItems {
        QAction* zoomIn = nullptr;
        QAction* zoomOut = nullptr;
        QAction* options = nullptr;
    };
    // The controls are named after the kind: mscChart, hscChart, fraChartOptions, lblChart, lblChartArrow,
    // cmdChartZoomIn, cboChartStatistic, cboChartType ... and the same with Graph.
    ChartPage(QWidget* page, Kind kind, const MenuItems& menu);

    QChartView* view() const { return m_view; }
    QComboBox* statisticList() const { return m_statistic; }
    QComboBox* typeList() const { return m_type; }
    QGridLayout* optionsLayout() const { return m_layout; }

    bool optionsOpen() const;
    void toggleOptions(bool open);
    // The page has its new size; oldWidth is its former width (pixels), pageTwips the window's page width.
    void layout(int oldWidth, double pageTwips);
    void zoomBy(bool in, double pageTwips);
    // A new type was chosen: a 3D type is shown unzoomed, its zoom off; a 2D type gets back the kept width.
    // The caller draws the chart again.
    void typeChanged(double pageTwips);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void setTitleHover(bool over);

    Kind m_kind;
    MenuItems m_menu;
    QWidget* m_page;
    QChartView* m_view = nullptr;
    QScrollBar* m_bar = nullptr;
    QFrame* m_options = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_arrow = nullptr;
    QPushButton* m_zoomIn = nullptr;
    QPushButton* m_zoomOut = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QComboBox* m_statistic = nullptr;
    QComboBox* m_type = nullptr;
    QGridLayout* m_layout = nullptr;
    ZoomModel m_zoom;
    double m_keptWidth = 0; // the zoomed width kept while a 3D type is shown, twips
    bool m_zoomOn = true;   // a 2D type is shown (the zoom buttons are enabled)
};
