#pragma once

#include <QDateTime>
#include <QFont>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "statistics/StatisticsProtocol.h"
#include "statswindow/ZoomModel.h"

class QAction;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class QTabBar;
class QTableView;
class QTimer;
class StatsGridModel;

// The statistics window: the grid of the current statistics for the current groups ("Stats Grid"), a chart of
// one of its statistics ("Stats Chart") and a graph of one statistic over time for chosen groups ("Caller
// Graph"), over the period of its Time Period menu.
//
// One program-wide instance, made on first use. Closing it only hides it: its period, zoom and graph data are
// there again when it is next opened, and a computation that yields to the event loop never finds it deleted.
// Its own computations run on the engine's queue (StatisticsQueue); a new grid replaces only its older grid and
// a new graph only its older graph, so one command gets both, and closing the window stops them. In client mode it
// computes nothing: it sends the request, waits frozen, and fills itself from the reply (StatisticReply, GraphReply).
class frmStatistics : public QMainWindow {
    Q_OBJECT
public:
    // The window, made when create is set and there is none yet.
    static frmStatistics* instance(bool create = true);
    ~frmStatistics() override;
    // Shows it modeless, owned by owner (the main window), loading it first when it is not loaded.
    void showWindow(QWidget* owner);
    bool isLoaded() const { return m_loaded; }

    // --- the period (kept while the window is closed) ---
    QString strTimePeriod;
    QString strTime;
    QDateTime dteCustomStartDate, dteCustomEndDate;
    // True while a client request (a "STATS" or "GRAPH" waiting note) is pending.
    bool blnWaiting = false;

    // --- members other parts call ---
    // The grid for the current statistics and groups over the period (the window's own use).
    void GenerateStatistics();
    // The caller graph for the graph options (the window's own use).
    void Graph();
    // Shows one caller's statistics and graph: the window opens for that caller over any time.
    void LoadNumber(const QString& number, const QString& name);
    void SetArray(const GraphTable& table);
    // The custom period dialog's range: "Custom..." checked, the caption and the clause of the range, then the
    // grid and the graph for it. An inclusive bound counts a call at exactly its moment (the first or the last
    // call of the log).
    void ApplyCustomPeriod(const QDateTime& start, const QDateTime& end, bool startInclusive, bool endInclusive);
    void Freeze(bool frozen);
    // True between Freeze(true) and Freeze(false): a client request is outstanding.
    bool isFrozen() const { return m_frozen; }
    Q_INVOKABLE void AddHints();
    void RefreshGraphStatsList();
    void RefreshGraphGroupList();
    // The chart of the grid column dataColumn (a statistic, from 1).
    void Chart(int dataColumn);
    void chkGraphLegend_Click();
    void cmdUnselectAll_Click();
    // Client mode: a STATISTIC or GRAPH reply from the server (the field after the keyword). Each closes the
    // waiting note of its kind, fills the grid or graph while the window is shown, and releases the window once
    // no request is pending.
    static void StatisticReply(const QString& field);
    static void GraphReply(const QString& field);

    // --- timer ticks, public so they can be run without waiting ---
    void ArrowTimer_Timer();
    void GridMouseUpTimer_Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit frmStatistics(QWidget* parent = nullptr);

    friend class LocalGridJob;
    friend class LocalGraphJob;

    // --- building, loading, layout ---
    void buildMenus();
    void buildPages();
    void buildChartPage();
    void buildGraphPage();
    void Form_Load();
    void Form_Unload();
    void layoutPages();
    void layoutChartPage(int oldWidth);
    void layoutGraphPage(int oldWidth);
    void loadFirstView();
    void firstLayout();
    void ToggleChartOptions(bool open);
    void ToggleGraphOptions(bool open);
    void tbsStats_Click(int tab);
    void setTitleHover(QLabel* title, bool over);
    double pageWidthTwips() const;

    // --- the grid (row 0 the headings, column 0 the groups) ---
    void SetupGrid();
    void SortGrid();
    void PositionSortArrow();
    // Mouse on the grid: row is the grid row under the mouse (0 the heading row, -1 below the last row).
    void msfStatistics_MouseDown(int button, int row, int col);
    void msfStatistics_MouseUp(int button, int row, int col);
    int textWidthTwips(const QString& text) const;

    // --- commands ---
    void mnuTime_Click(int index);
    void mnuEditSaveSettings_Click();
    void mnuEditSavedSettings_Click();
    void mnuEditDefaultSettings_Click();
    void mnuEditStatistics_Click();
    void mnuFileNew_Click();
    void mnuFileChange_Click();
    void mnuFileClose_Click();
    void mnuGridCopyAll_Click();
    void mnuGridCopy_Click();
    void mnuGridReset_Click();
    void mnuGraphCopy_Click();
    void mnuGraphLegend_Click();
    void cmdSelectAll_Click();
    void cmdChartZoomIn_Click();
    void cmdChartZoomOut_Click();
    void cmdGraphZoomIn_Click();
    void cmdGraphZoomOut_Click();
    void cboChartType_Click();
    void cboGraphType_Click();

    // --- the view, the chart and the graph ---
    // The grid and then the graph of the view. Either may run at once and yield to the event loop, where the
    // program may end and delete the window (it is the main window's): false then, and the caller must not
    // touch the window any more.
    bool generateAndGraph();
    void applySavedPeriod(const QString& word);
    void setPeriod(int item);
    int checkedTimeItem() const;
    void checkTimeItem(int item);
    void fillChartStatistics(const QStringList& names);
    // After another statistics file: the lists that show statistics and groups elsewhere.
    void refreshCustomizeLists();
    void selectOrFirst(QComboBox* box, const QString& text);
    void drawGraph();
    void placeChart(QChartView* view, const ZoomModel& zoom);
    void zoom(bool graph, bool in);
    void typeChanged(bool graph);
    QStringList selectedGraphGroups() const;
    // Chooses, besides those chosen, the first graph group entry of each name (capitals aside).
    void selectGraphGroups(const QStringList& names);
    void clientGenerate();
    void clientGraph();
    void applyStatisticReply(const QString& field);
    void applyGraphReply(const QString& field);

    // --- controls ---
    QTabBar* tbsStats = nullptr;
    QWidget* picStats[3] = {};
    QTableView* msfStatistics = nullptr;
    StatsGridModel* grid = nullptr;
    QFrame* fraArrow = nullptr;
    QLabel* lblArrow = nullptr;
    QChartView* mscChart = nullptr;
    QChartView* mscGraph = nullptr;
    QScrollBar* hscChart = nullptr;
    QScrollBar* hscGraph = nullptr;
    QFrame* fraChartOptions = nullptr;
    QFrame* fraGraphOptions = nullptr;
    QLabel* lblChart = nullptr;
    QLabel* lblChartArrow = nullptr;
    QLabel* lblGraph = nullptr;
    QLabel* lblGraphArrow = nullptr;
    QLabel* lblChartZoom = nullptr;
    QLabel* lblGraphZoom = nullptr;
    QPushButton* cmdChartZoomIn = nullptr;
    QPushButton* cmdChartZoomOut = nullptr;
    QPushButton* cmdGraphZoomIn = nullptr;
    QPushButton* cmdGraphZoomOut = nullptr;
    QComboBox* cboChartStatistic = nullptr;
    QComboBox* cboChartType = nullptr;
    QComboBox* cboGraphStatistic = nullptr;
    QComboBox* cboGraphType = nullptr;
    QComboBox* cboGraphFrequency = nullptr;
    QListWidget* lstGraphGroup = nullptr;
    QPushButton* cmdSelectAll = nullptr;
    QPushButton* cmdUnselectAll = nullptr;
    QPushButton* cmdRefreshGraph = nullptr;
    QCheckBox* chkGraphLegend = nullptr;
    QTimer* ArrowTimer = nullptr;
    QTimer* GridMouseUpTimer = nullptr;
    ZoomModel chartZoom, graphZoom;

    // --- menus ---
    QMenu* mnuTimePeriod = nullptr;
    QList<QAction*> mnuTime; // index as the period table, separators included
    QAction* mnuEditDefaultSettings = nullptr;
    QAction* mnuEditSavedSettings = nullptr;
    QAction* mnuFileChange = nullptr;
    QAction* mnuChartZoomIn = nullptr;
    QAction* mnuChartZoomOut = nullptr;
    QAction* mnuChartOptions = nullptr;
    QAction* mnuGraphZoomIn = nullptr;
    QAction* mnuGraphZoomOut = nullptr;
    QAction* mnuGraphOptions = nullptr;
    QAction* mnuGraphLegend = nullptr;
    QAction* mnuGraphRefresh = nullptr;
    QMenu* mnuPopupMenu = nullptr;

    // --- state ---
    bool m_loaded = false;
    bool blnResizing = false;
    bool blnFirstResize = false;
    bool blnLoadingNumber = false;
    bool blnHeaderDown = false;
    int intTimePeriodItem = 0;
    // The custom range's bounds include their moments (they came from the first or the last call).
    bool m_customStartInclusive = false, m_customEndInclusive = false;
    bool m_frozen = false;
    int intSortCol = 0;
    bool blnSortAscending = true;
    int intGroupColWidth = 0;                        // twips
    double intChartWidth = 0, intGraphWidth = 0;     // zoomed widths kept while a 3D type is shown
    bool m_chartZoomOn = true, m_graphZoomOn = true; // a 2D type is shown (the zoom buttons are enabled)
    QList<int> intColWidths;
    // Heading text widths (twips) measured in m_widthFont.
    mutable QHash<QString, int> m_widths;
    mutable QFont m_widthFont;
    GraphTable arrGraphData;
    QStringList m_graphSeries;
    // Client mode: the grid columns and the groups the pending request asked for (a condition that cannot
    // travel is not sent, and its cells show "Bad SQL").
    QList<int> m_sentColumns;
    QStringList m_sentGroups;
    // A request asked for while one of its kind was pending, sent once the pending one is answered.
    bool m_statsAgain = false, m_graphAgain = false;
};
