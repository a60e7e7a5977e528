#pragma once

#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "statistics/StatisticsProtocol.h"
#include "statswindow/GraphRange.h"
#include "statswindow/ui/ChartPage.h"

class QAction;
class QCheckBox;
class QComboBox;
class QListWidget;
class QMenu;
class QPushButton;
class QTabBar;
class StatsGridPage;

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
    // Client mode: the user gave up waiting for the "STATS" or "GRAPH" request (kind): its figures say they were
    // not computed, and what was asked for meanwhile is asked now.
    static void StatisticsGivenUp(const QString& kind);

    // --- timer ticks, public so they can be run without waiting ---
    void ArrowTimer_Timer();
    void GridMouseUpTimer_Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    explicit frmStatistics(QWidget* parent = nullptr);

    friend class LocalGridJob;
    friend class LocalGraphJob;

    // --- building, loading, layout ---
    void buildMenus();
    void buildPages();
    void buildGraphOptions();
    void Form_Load();
    void Form_Unload();
    void layoutPages();
    void loadFirstView();
    void firstLayout();
    void tbsStats_Click(int tab);
    double pageWidthTwips() const;
    // The grid's headings for the current statistics and groups, every cell empty.
    void SetupGrid();

    // --- commands ---
    void mnuTime_Click(int index);
    void mnuEditSaveSettings_Click();
    void mnuEditSavedSettings_Click();
    void mnuEditDefaultSettings_Click();
    void mnuEditStatistics_Click();
    void mnuFileNew_Click();
    void mnuFileChange_Click();
    void mnuFileClose_Click();
    void mnuGraphCopy_Click();
    void mnuGraphLegend_Click();
    void cmdSelectAll_Click();

    // --- the view, the chart and the graph ---
    // The grid and then the graph of the view. Either may run at once and yield to the event loop, where the
    // program may end and delete the window (it is the main window's): false then, and the caller must not
    // touch the window any more.
    bool generateAndGraph();
    void applySavedPeriod(const QString& word);
    void setPeriod(int item);
    int checkedTimeItem() const;
    void checkTimeItem(int item);
    CustomRange customRange() const;
    void fillChartStatistics(const QStringList& names);
    // After another statistics file: the lists that show statistics and groups elsewhere.
    void refreshCustomizeLists();
    void selectOrFirst(QComboBox* box, const QString& text);
    void drawGraph();
    // A chart page's type was chosen: its zoom follows, then it is drawn again.
    void typeChanged(ChartPage* page);
    QString graphTitle() const;
    QStringList selectedGraphGroups() const;
    // Chooses, besides those chosen, the first graph group entry of each name (capitals aside).
    void selectGraphGroups(const QStringList& names);
    void clientGenerate();
    void clientGraph();
    void applyStatisticReply(const QString& field);
    void applyGraphReply(const QString& field);
    // The waiting flag: once no request is pending any more, whatever ended it (its reply, a refusal, the
    // connection's end, the user giving up), the window is released.
    void setWaiting(bool waiting);
    // The window's own computations: each command (a grid, a graph, or both for one view) has a number, which its
    // jobs carry. The user stopped its grid: every stage of it stops, the graph to come computing nothing, and the
    // grid's figures that were not computed say so.
    quint64 beginCommand();
    void computationStopped(quint64 command);
    bool commandStopped(quint64 command) const { return command <= m_stoppedCommand; }
    // Every statistic cell that holds no figure says it was not computed (StoppedCellText).
    void markUncomputedCells();
    // The graph holds no figures (it was not computed).
    void showNoGraph();

    // --- pages and controls ---
    QTabBar* tbsStats = nullptr;
    QWidget* picStats[3] = {};
    StatsGridPage* m_grid = nullptr;
    ChartPage* m_chart = nullptr;
    ChartPage* m_graph = nullptr;
    QComboBox* cboGraphFrequency = nullptr;
    QListWidget* lstGraphGroup = nullptr;
    QPushButton* cmdRefreshGraph = nullptr;
    QCheckBox* chkGraphLegend = nullptr;

    // --- menus ---
    QMenu* mnuTimePeriod = nullptr;
    QList<QAction*> mnuTime; // index as the period table, separators included
    QAction* mnuEditDefaultSettings = nullptr;
    QAction* mnuEditSavedSettings = nullptr;
    QAction* mnuFileChange = nullptr;
    ChartPage::MenuItems m_chartMenu, m_graphMenu;
    QAction* mnuGraphLegend = nullptr;
    QAction* mnuGraphRefresh = nullptr;
    QMenu* mnuPopupMenu = nullptr;

    // --- state ---
    bool m_loaded = false;
    bool blnResizing = false;
    bool blnFirstResize = false;
    bool blnLoadingNumber = false;
    int intTimePeriodItem = 0;
    // The custom range's bounds include their moments (they came from the first or the last call).
    bool m_customStartInclusive = false, m_customEndInclusive = false;
    bool m_frozen = false;
    GraphTable arrGraphData;
    QStringList m_graphSeries;
    // The frequency the graph's data was made with, for its axis labels.
    bool m_graphHourly = false;
    // Client mode: the grid columns and the groups the pending request asked for (a condition that cannot
    // travel is not sent, and its cells show "Bad SQL").
    QList<int> m_sentColumns;
    QStringList m_sentGroups;
    // A request asked for while one of its kind was pending, sent once the pending one is answered.
    bool m_statsAgain = false, m_graphAgain = false;
    // The newest command, whether generateAndGraph is making its jobs, and the newest command the user stopped.
    quint64 m_command = 0;
    bool m_inCommand = false;
    quint64 m_stoppedCommand = 0;
};
