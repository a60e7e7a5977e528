#include "statswindow/ui/frmStatistics.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>

#include <algorithm>
#include <cmath>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "statistics/StatisticsBatch.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/StatsPeriod.h"
#include "statswindow/StatsView.h"
#include "statswindow/ui/StatsChart.h"
#include "statswindow/ui/frmCustomizeStatistics.h"
#include "statswindow/ui/frmCustomizeTime.h"

namespace {

QPointer<frmStatistics> g_window;

int px(double twips) { return Twips::toPixels(twips); }
double tw(int pixels) { return Twips::fromPixels(pixels); }

// Design sizes, twips.
constexpr double kPageTop = 300;
constexpr double kChartFrameHeight = 975;
constexpr double kGraphFrameHeight = 2055;
constexpr double kTitleHeight = 195;
constexpr double kMinWidth = 4000, kMinHeight = 2000;
constexpr double kArrowFrame = 195;
// Text widths kept for the grid's headings: far more than any book's groups.
constexpr qsizetype kMaxKeptWidths = 100'000;

const char kArrowOpen[] = "5";
const char kArrowClosed[] = "6";

// Marlett's arrows, drawn as the characters of a font every desktop has.
QString arrowText(const QString& marlett)
{
    return marlett == QLatin1String(kArrowOpen) ? QStringLiteral("\u25B2") : QStringLiteral("\u25BC");
}

void setMarlett(QLabel* label, const char* glyph)
{
    label->setProperty("marlett", QString::fromLatin1(glyph));
    label->setText(arrowText(QString::fromLatin1(glyph)));
}

QString marlett(const QLabel* label) { return label->property("marlett").toString(); }

const struct {
    const char* control;
    const char* text;
} kHints[] = {
    {"msfStatistics",
     "This displays the results of the statistics calculated for each group. Clicking the column heading will sort "
     "the grid by that column. To change the statistics and groups click on the customize statistics menu under "
     "edit(or ctrl+U) and add or remove any group or statistic you like. You can also create custom groups and "
     "statistics in the customize statistics form."},
    {"mscChart", "This is a graphical display of the information in the statistics grid."},
    {"fraChartOptions",
     "Here you can adjust various options of the chart above. Click the title of this frame to expand and contract "
     "it."},
    {"cboChartStatistic",
     "This is the statistic display in the chart above. All the statistics in this list are in the grid. To add or "
     "remove statistics from this list you must add or remove them in the customize statistics form."},
    {"cboChartType", "This is the type of chart to be displayed above."},
    {"cmdChartZoomIn", "Click here to zoom in on the chart above."},
    {"cmdChartZoomOut", "Click here to zoom out on the chart above."},
    {"mscGraph",
     "This is a graphical display of the statistic selected in the options below. The statistic is graphed for each "
     "increment of time select below. For example a statistic of Total Calls and a frequency of Weekly will display "
     "a graph of the total calls of each week by each of the groups checked below."},
    {"fraGraphOptions",
     "Here you can adjust various options of the graph above. Click the title of this frame to expand and contract "
     "it."},
    {"cboGraphFrequency", "This allows you to select how often the statistic to be graphed is calculated."},
    {"cboGraphStatistic",
     "This is the statistic display in the graph above. These statistics are calculated for the groups check in the "
     "list on the right. Changes will not take place until the refresh graph button is clicked."},
    {"cboGraphType", "This is the type of graph to be displayed above."},
    {"cmdGraphZoomIn", "Click here to zoom in on the graph above."},
    {"cmdGraphZoomOut", "Click here to zoom out on the graph above."},
    {"cmdRefreshGraph",
     "This refreshs the graph above if a change is made to the statistic, groups or frequency of the graph."},
    {"lstGraphGroup",
     "Groups in this list will be displayed in the graph above. Changes will not take place until the refresh graph "
     "button is clicked."},
    {"cmdSelectAll", "This selects all the groups in the list above."},
    {"cmdUnselectAll", "This unselects all the groups in the list above."},
    {"chkGraphLegend", "Checking this box will display a legend for the graph above."},
};

QList<clsStatistic> currentStatistics()
{
    QList<clsStatistic> out;
    if (gCurrentStatistics) {
        for (const auto& e : *gCurrentStatistics)
            out << *e.item;
    }
    return out;
}

QList<clsGroup> currentGroups()
{
    QList<clsGroup> out;
    if (gCurrentGroups) {
        for (const auto& e : *gCurrentGroups)
            out << *e.item;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// The window's own computations, run on the engine's queue

class LocalGridJob : public StatisticsJob {
public:
    explicit LocalGridJob(frmStatistics* window)
        : StatisticsJob(true, StatisticsJobKind::Grid, window), m_window(window)
    {
    }

    void run() override
    {
        const QPointer<frmStatistics> window = m_window;
        if (!window || !window->isLoaded())
            return;
        // The grid is worked out from the view as it stands when its turn comes: while it waited, groups may have
        // come and gone (a contact removed elsewhere), and its rows must be the groups it computes.
        const QList<clsStatistic> statistics = currentStatistics();
        const QList<clsGroup> groups = currentGroups();
        const int days = PeriodDays(window->checkedTimeItem(), window->dteCustomStartDate, window->dteCustomEndDate);
        window->SetupGrid();
        GridBatch batch(statistics, groups, window->strTimePeriod, days);
        RunHooks hooks;
        hooks.progressCaption = QStringLiteral("Processing Statistics...");
        hooks.progressOwner = window;
        hooks.stopRequested = [window] { return !window || !window->isLoaded(); };
        RunStatisticsGrid(batch, hooks, this, [window](int s, int g, const QString& text) {
            if (window)
                window->grid->setTextMatrix(g + 1, s + 1, text);
        });
        if (cancelled() || !window || !window->isLoaded())
            return; // replaced by a newer view, or the window closed
        QStringList names;
        for (const clsStatistic& s : statistics)
            names << s.Description;
        window->fillChartStatistics(names);
        window->SortGrid();
    }

private:
    QPointer<frmStatistics> m_window;
};

class LocalGraphJob : public StatisticsJob {
public:
    LocalGraphJob(frmStatistics* window, clsStatistic statistic, QList<clsGroup> groups, QStringList series,
                  QList<GraphBucket> buckets, int days)
        : StatisticsJob(true, StatisticsJobKind::Graph, window), m_window(window), m_statistic(std::move(statistic)),
          m_groups(std::move(groups)), m_series(std::move(series)), m_buckets(std::move(buckets)), m_days(days)
    {
    }

    void run() override
    {
        GraphBatch batch(m_statistic, m_groups, m_buckets, m_days);
        RunHooks hooks;
        hooks.progressCaption = QStringLiteral("Processing Graph Data...");
        hooks.progressOwner = m_window;
        const QPointer<frmStatistics> window = m_window;
        hooks.stopRequested = [window] { return !window || !window->isLoaded(); };
        const GraphRunResult result = RunGraph(batch, m_buckets, int(m_groups.size()), hooks, this);
        if (cancelled() || !window || !window->isLoaded())
            return;
        // A graph stopped by the user is shown empty.
        window->m_graphSeries = result.stopped ? QStringList() : m_series;
        window->SetArray(result.stopped ? GraphTable() : result.table);
        window->drawGraph();
    }

private:
    QPointer<frmStatistics> m_window;
    clsStatistic m_statistic;
    QList<clsGroup> m_groups;
    QStringList m_series;
    QList<GraphBucket> m_buckets;
    int m_days;
};

// ---------------------------------------------------------------------------------------------------------
// Making and loading

frmStatistics* frmStatistics::instance(bool create)
{
    if (!g_window && create)
        g_window = new frmStatistics();
    return g_window;
}

frmStatistics::frmStatistics(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildMenus();
    buildPages();
    ArrowTimer = new QTimer(this);
    ArrowTimer->setObjectName(QStringLiteral("ArrowTimer"));
    ArrowTimer->setInterval(1);
    GridMouseUpTimer = new QTimer(this);
    GridMouseUpTimer->setObjectName(QStringLiteral("GridMouseUpTimer"));
    GridMouseUpTimer->setInterval(1);
    GridMouseUpTimer->setSingleShot(true);
    connect(ArrowTimer, &QTimer::timeout, this, &frmStatistics::ArrowTimer_Timer);
    connect(GridMouseUpTimer, &QTimer::timeout, this, &frmStatistics::GridMouseUpTimer_Timer);
    auto* nextTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTab, &QShortcut::activated, this,
            [this] { tbsStats->setCurrentIndex((tbsStats->currentIndex() + 1) % tbsStats->count()); });

    WindowLinks& links = windowLinks();
    links.setStatisticsWaiting = [](bool waiting) {
        if (g_window)
            g_window->blnWaiting = waiting;
    };
    links.statisticReply = &frmStatistics::StatisticReply;
    links.graphReply = &frmStatistics::GraphReply;
}

frmStatistics::~frmStatistics()
{
    StatisticsQueue::cancelLocal(this);
    // The charts, the grid and the timers go after this body: what they report on their way out must not
    // reach this window.
    detachChildren(this);
    WindowLinks& links = windowLinks();
    links.setStatisticsWaiting = nullptr;
    links.statisticReply = nullptr;
    links.graphReply = nullptr;
}

void frmStatistics::buildMenus()
{
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    auto action = [this](QMenu* m, const char* name, const QString& caption, auto handler) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto separator = [](QMenu* m, const char* name) { m->addSeparator()->setObjectName(QLatin1String(name)); };

    QMenu* mnuFile = menu("mnuFile", QStringLiteral("&File"));
    action(mnuFile, "mnuFileNew", QStringLiteral("&New Custom Statistics and Groups File..."),
           &frmStatistics::mnuFileNew_Click);
    mnuFileChange = action(mnuFile, "mnuFileChange", QStringLiteral("&Change Custom Statistics and Groups File..."),
                           &frmStatistics::mnuFileChange_Click);
    separator(mnuFile, "mnuFileHyphen1");
    action(mnuFile, "mnuFileClose", QStringLiteral("&Close"), &frmStatistics::mnuFileClose_Click);

    QMenu* mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    action(mnuEdit, "mnuEditSaveSettings", QStringLiteral("&Save Current Settings"),
           &frmStatistics::mnuEditSaveSettings_Click)
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    separator(mnuEdit, "mnuEditHyphen1");
    mnuEditSavedSettings = action(mnuEdit, "mnuEditSavedSettings", QStringLiteral("&Load Saved Settings"),
                                  &frmStatistics::mnuEditSavedSettings_Click);
    mnuEditSavedSettings->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    mnuEditDefaultSettings = action(mnuEdit, "mnuEditDefaultSettings", QStringLiteral("Load &Default Settings"),
                                    &frmStatistics::mnuEditDefaultSettings_Click);
    mnuEditDefaultSettings->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    separator(mnuEdit, "mnuEditHyphen2");
    action(mnuEdit, "mnuEditStatistics", QStringLiteral("C&ustomize Statistics..."),
           &frmStatistics::mnuEditStatistics_Click)
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+U")));

    mnuTimePeriod = menu("mnuTimePeriod", QStringLiteral("&Time Period"));
    for (int i = 0; i < StatsPeriod::ItemCount; ++i) {
        QAction* a = StatsPeriod::isSeparator(i) ? mnuTimePeriod->addSeparator()
                                                 : mnuTimePeriod->addAction(StatsPeriod::menuCaption(i));
        a->setObjectName(QStringLiteral("mnuTime(%1)").arg(i));
        if (!StatsPeriod::isSeparator(i)) {
            a->setCheckable(true);
            connect(a, &QAction::triggered, this, [this, i] { mnuTime_Click(i); });
        }
        mnuTime << a;
    }

    QMenu* mnuGrid = menu("mnuGrid", QStringLiteral("&Stats Grid"));
    action(mnuGrid, "mnuGridCopyAll", QStringLiteral("Copy &All"), &frmStatistics::mnuGridCopyAll_Click);
    action(mnuGrid, "mnuGridCopy", QStringLiteral("&Copy Selected Items"), &frmStatistics::mnuGridCopy_Click);
    separator(mnuGrid, "mnuGridHyphen1");
    action(mnuGrid, "mnuGridReset", QStringLiteral("&Reset Columns"), &frmStatistics::mnuGridReset_Click);

    QMenu* mnuChart = menu("mnuChart", QStringLiteral("Stats &Chart"));
    mnuChartZoomIn =
        action(mnuChart, "mnuChartZoomIn", QStringLiteral("Zoom &In"), &frmStatistics::cmdChartZoomIn_Click);
    mnuChartZoomOut =
        action(mnuChart, "mnuChartZoomOut", QStringLiteral("Zoom &Out"), &frmStatistics::cmdChartZoomOut_Click);
    separator(mnuChart, "mnuChartHyphen1");
    mnuChartOptions = action(mnuChart, "mnuChartOptions", QStringLiteral("&View Chart Options"),
                             [this] { ToggleChartOptions(marlett(lblChartArrow) == QLatin1String(kArrowClosed)); });
    mnuChartOptions->setCheckable(true);

    QMenu* mnuGraph = menu("mnuGraph", QStringLiteral("Caller &Graph"));
    mnuGraphZoomIn =
        action(mnuGraph, "mnuGraphZoomIn", QStringLiteral("Zoom &In"), &frmStatistics::cmdGraphZoomIn_Click);
    mnuGraphZoomOut =
        action(mnuGraph, "mnuGraphZoomOut", QStringLiteral("Zoom &Out"), &frmStatistics::cmdGraphZoomOut_Click);
    separator(mnuGraph, "mnuGraphHyphen1");
    mnuGraphOptions = action(mnuGraph, "mnuGraphOptions", QStringLiteral("&View Graph Options"),
                             [this] { ToggleGraphOptions(marlett(lblGraphArrow) == QLatin1String(kArrowClosed)); });
    mnuGraphOptions->setCheckable(true);
    mnuGraphLegend =
        action(mnuGraph, "mnuGraphLegend", QStringLiteral("&Legend"), &frmStatistics::mnuGraphLegend_Click);
    mnuGraphLegend->setCheckable(true);
    separator(mnuGraph, "mnuGraphHyphen2");
    action(mnuGraph, "mnuGraphCopy", QStringLiteral("&Copy Graph Data In Excel Format"),
           &frmStatistics::mnuGraphCopy_Click);
    separator(mnuGraph, "mnuGraphHyphen3");
    mnuGraphRefresh = action(mnuGraph, "mnuGraphRefresh", QStringLiteral("&Refresh Graph"), [this] { Graph(); });

    mnuPopupMenu = new QMenu(QStringLiteral("Popup Menu"), this);
    mnuPopupMenu->setObjectName(QStringLiteral("mnuPopupMenu"));
    action(mnuPopupMenu, "mnuPopupMenuCopyAll", QStringLiteral("Copy &All"), &frmStatistics::mnuGridCopyAll_Click);
    action(mnuPopupMenu, "mnuPopupMenuCopy", QStringLiteral("&Copy Selected Item"), &frmStatistics::mnuGridCopy_Click);
}

void frmStatistics::buildPages()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("picCentral"));
    setCentralWidget(central);
    tbsStats = new QTabBar(central);
    tbsStats->setObjectName(QStringLiteral("tbsStats"));
    tbsStats->setDrawBase(true);
    for (int i = 0; i < 3; ++i) {
        picStats[i] = new QWidget(central);
        picStats[i]->setObjectName(QStringLiteral("picStats(%1)").arg(i));
    }
    connect(tbsStats, &QTabBar::currentChanged, this, &frmStatistics::tbsStats_Click);

    // The grid page.
    grid = new StatsGridModel(this);
    msfStatistics = new QTableView(picStats[0]);
    msfStatistics->setObjectName(QStringLiteral("msfStatistics"));
    msfStatistics->setModel(grid);
    msfStatistics->verticalHeader()->hide();
    msfStatistics->horizontalHeader()->setSectionsClickable(false);
    msfStatistics->horizontalHeader()->setHighlightSections(false);
    msfStatistics->horizontalHeader()->setMinimumSectionSize(0);
    msfStatistics->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    msfStatistics->setSelectionBehavior(QAbstractItemView::SelectRows);
    msfStatistics->setSelectionMode(QAbstractItemView::ExtendedSelection);
    msfStatistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    msfStatistics->setWordWrap(false);
    msfStatistics->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    msfStatistics->installEventFilter(this);
    msfStatistics->viewport()->installEventFilter(this);
    msfStatistics->horizontalHeader()->viewport()->installEventFilter(this);
    connect(msfStatistics->horizontalScrollBar(), &QScrollBar::valueChanged, this, &frmStatistics::PositionSortArrow);
    connect(msfStatistics->horizontalHeader(), &QHeaderView::sectionResized, this, &frmStatistics::PositionSortArrow);
    fraArrow = new QFrame(picStats[0]);
    fraArrow->setObjectName(QStringLiteral("fraArrow"));
    fraArrow->setFixedSize(px(kArrowFrame), px(kArrowFrame));
    lblArrow = new QLabel(fraArrow);
    lblArrow->setObjectName(QStringLiteral("lblArrow"));
    lblArrow->setAlignment(Qt::AlignCenter);
    lblArrow->setGeometry(0, 0, px(kArrowFrame), px(kArrowFrame));
    QFont small = lblArrow->font();
    small.setPixelSize(std::max(6, px(kArrowFrame) - 5));
    lblArrow->setFont(small);
    setMarlett(lblArrow, kArrowClosed);
    lblArrow->installEventFilter(this);

    buildChartPage();
    buildGraphPage();
}

void frmStatistics::buildChartPage()
{
    QWidget* page = picStats[1];
    mscChart = new QChartView(new QChart, page);
    mscChart->setObjectName(QStringLiteral("mscChart"));
    mscChart->setRenderHint(QPainter::Antialiasing);
    mscChart->setMouseTracking(true);
    mscChart->installEventFilter(this);
    hscChart = new QScrollBar(Qt::Horizontal, page);
    hscChart->setObjectName(QStringLiteral("hscChart"));
    connect(hscChart, &QScrollBar::valueChanged, this, [this](int v) {
        chartZoom.setValue(-v);
        placeChart(mscChart, chartZoom);
    });

    fraChartOptions = new QFrame(page);
    fraChartOptions->setObjectName(QStringLiteral("fraChartOptions"));
    fraChartOptions->setMouseTracking(true);
    fraChartOptions->installEventFilter(this);
    lblChart = new QLabel(QStringLiteral("Chart Options"), fraChartOptions);
    lblChart->setObjectName(QStringLiteral("lblChart"));
    lblChartArrow = new QLabel(fraChartOptions);
    lblChartArrow->setObjectName(QStringLiteral("lblChartArrow"));
    setMarlett(lblChartArrow, kArrowOpen);
    for (QLabel* l : {lblChart, lblChartArrow}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
    cmdChartZoomIn = new QPushButton(QStringLiteral("Zoom In"), fraChartOptions);
    cmdChartZoomIn->setObjectName(QStringLiteral("cmdChartZoomIn"));
    cmdChartZoomOut = new QPushButton(QStringLiteral("Zoom Out"), fraChartOptions);
    cmdChartZoomOut->setObjectName(QStringLiteral("cmdChartZoomOut"));
    lblChartZoom = new QLabel(QStringLiteral("Zoom: 100%"), fraChartOptions);
    lblChartZoom->setObjectName(QStringLiteral("lblChartZoom"));
    auto* label2 = new QLabel(QStringLiteral("Statistic:"), fraChartOptions);
    label2->setObjectName(QStringLiteral("Label2"));
    cboChartStatistic = new QComboBox(fraChartOptions);
    cboChartStatistic->setObjectName(QStringLiteral("cboChartStatistic"));
    auto* label1 = new QLabel(QStringLiteral("Chart Type:"), fraChartOptions);
    label1->setObjectName(QStringLiteral("Label1"));
    cboChartType = new QComboBox(fraChartOptions);
    cboChartType->setObjectName(QStringLiteral("cboChartType"));
    cboChartType->addItems(StatsChart::typeNames());

    auto* layout = new QGridLayout(fraChartOptions);
    layout->setContentsMargins(px(60), px(kTitleHeight) + 2, px(60), px(45));
    layout->setVerticalSpacing(px(30));
    layout->addWidget(label2, 0, 0);
    layout->addWidget(cboChartStatistic, 0, 1);
    layout->addWidget(label1, 1, 0);
    layout->addWidget(cboChartType, 1, 1);
    layout->addWidget(cmdChartZoomIn, 0, 2);
    layout->addWidget(cmdChartZoomOut, 1, 2);
    layout->addWidget(lblChartZoom, 0, 3);
    layout->setColumnStretch(1, 1);

    connect(cmdChartZoomIn, &QPushButton::clicked, this, &frmStatistics::cmdChartZoomIn_Click);
    connect(cmdChartZoomOut, &QPushButton::clicked, this, &frmStatistics::cmdChartZoomOut_Click);
    connect(cboChartType, &QComboBox::currentIndexChanged, this, &frmStatistics::cboChartType_Click);
    connect(cboChartStatistic, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            Chart(i + 1);
    });
}

void frmStatistics::buildGraphPage()
{
    QWidget* page = picStats[2];
    mscGraph = new QChartView(new QChart, page);
    mscGraph->setObjectName(QStringLiteral("mscGraph"));
    mscGraph->setRenderHint(QPainter::Antialiasing);
    mscGraph->setMouseTracking(true);
    mscGraph->installEventFilter(this);
    hscGraph = new QScrollBar(Qt::Horizontal, page);
    hscGraph->setObjectName(QStringLiteral("hscGraph"));
    connect(hscGraph, &QScrollBar::valueChanged, this, [this](int v) {
        graphZoom.setValue(-v);
        placeChart(mscGraph, graphZoom);
    });

    fraGraphOptions = new QFrame(page);
    fraGraphOptions->setObjectName(QStringLiteral("fraGraphOptions"));
    fraGraphOptions->setMouseTracking(true);
    fraGraphOptions->installEventFilter(this);
    lblGraph = new QLabel(QStringLiteral("Graph Options"), fraGraphOptions);
    lblGraph->setObjectName(QStringLiteral("lblGraph"));
    lblGraphArrow = new QLabel(fraGraphOptions);
    lblGraphArrow->setObjectName(QStringLiteral("lblGraphArrow"));
    setMarlett(lblGraphArrow, kArrowOpen);
    for (QLabel* l : {lblGraph, lblGraphArrow}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
    cmdGraphZoomIn = new QPushButton(QStringLiteral("Zoom In"), fraGraphOptions);
    cmdGraphZoomIn->setObjectName(QStringLiteral("cmdGraphZoomIn"));
    cmdGraphZoomOut = new QPushButton(QStringLiteral("Zoom Out"), fraGraphOptions);
    cmdGraphZoomOut->setObjectName(QStringLiteral("cmdGraphZoomOut"));
    lblGraphZoom = new QLabel(QStringLiteral("Zoom: 100%"), fraGraphOptions);
    lblGraphZoom->setObjectName(QStringLiteral("lblGraphZoom"));
    auto* label6 = new QLabel(QStringLiteral("Statistic:"), fraGraphOptions);
    label6->setObjectName(QStringLiteral("Label6"));
    cboGraphStatistic = new QComboBox(fraGraphOptions);
    cboGraphStatistic->setObjectName(QStringLiteral("cboGraphStatistic"));
    auto* label4 = new QLabel(QStringLiteral("Graph Type:"), fraGraphOptions);
    label4->setObjectName(QStringLiteral("Label4"));
    cboGraphType = new QComboBox(fraGraphOptions);
    cboGraphType->setObjectName(QStringLiteral("cboGraphType"));
    cboGraphType->addItems(StatsChart::typeNames());
    auto* label3 = new QLabel(QStringLiteral("Graph Frequency:"), fraGraphOptions);
    label3->setObjectName(QStringLiteral("label3"));
    cboGraphFrequency = new QComboBox(fraGraphOptions);
    cboGraphFrequency->setObjectName(QStringLiteral("cboGraphFrequency"));
    cboGraphFrequency->addItems(
        {QStringLiteral("Hourly"), QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
    auto* label5 = new QLabel(QStringLiteral("Groups:"), fraGraphOptions);
    label5->setObjectName(QStringLiteral("Label5"));
    lstGraphGroup = new QListWidget(fraGraphOptions);
    lstGraphGroup->setObjectName(QStringLiteral("lstGraphGroup"));
    lstGraphGroup->setSelectionMode(QAbstractItemView::MultiSelection);
    cmdSelectAll = new QPushButton(QStringLiteral("Select All"), fraGraphOptions);
    cmdSelectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    cmdUnselectAll = new QPushButton(QStringLiteral("Unselect All"), fraGraphOptions);
    cmdUnselectAll->setObjectName(QStringLiteral("cmdUnselectAll"));
    cmdRefreshGraph = new QPushButton(QStringLiteral("Refresh Graph"), fraGraphOptions);
    cmdRefreshGraph->setObjectName(QStringLiteral("cmdRefreshGraph"));
    chkGraphLegend = new QCheckBox(QStringLiteral("Legend"), fraGraphOptions);
    chkGraphLegend->setObjectName(QStringLiteral("chkGraphLegend"));

    auto* layout = new QGridLayout(fraGraphOptions);
    layout->setContentsMargins(px(60), px(kTitleHeight) + 2, px(60), px(45));
    layout->setVerticalSpacing(px(30));
    layout->addWidget(label6, 0, 0);
    layout->addWidget(cboGraphStatistic, 0, 1);
    layout->addWidget(label4, 1, 0);
    layout->addWidget(cboGraphType, 1, 1);
    layout->addWidget(label3, 2, 0);
    layout->addWidget(cboGraphFrequency, 2, 1);
    layout->addWidget(chkGraphLegend, 3, 0);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(cmdGraphZoomIn);
    zoomRow->addWidget(cmdGraphZoomOut);
    zoomRow->addWidget(lblGraphZoom);
    layout->addLayout(zoomRow, 3, 1);
    layout->addWidget(label5, 0, 2);
    layout->addWidget(lstGraphGroup, 1, 2, 3, 1);
    layout->addWidget(cmdSelectAll, 0, 3);
    layout->addWidget(cmdUnselectAll, 1, 3);
    layout->addWidget(cmdRefreshGraph, 2, 3);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(2, 1);

    connect(cmdGraphZoomIn, &QPushButton::clicked, this, &frmStatistics::cmdGraphZoomIn_Click);
    connect(cmdGraphZoomOut, &QPushButton::clicked, this, &frmStatistics::cmdGraphZoomOut_Click);
    connect(cboGraphType, &QComboBox::currentIndexChanged, this, &frmStatistics::cboGraphType_Click);
    connect(cmdSelectAll, &QPushButton::clicked, this, &frmStatistics::cmdSelectAll_Click);
    connect(cmdUnselectAll, &QPushButton::clicked, this, &frmStatistics::cmdUnselectAll_Click);
    connect(cmdRefreshGraph, &QPushButton::clicked, this, [this] { Graph(); });
    connect(chkGraphLegend, &QCheckBox::clicked, this, &frmStatistics::chkGraphLegend_Click);
}

void frmStatistics::showWindow(QWidget* owner)
{
    if (!m_loaded)
        Form_Load();
    ShowOwned(this, owner);
    raise();
    // The main window's item is checked while the window is open, however it was opened.
    if (gMainForm)
        gMainForm->CheckWindowMenuItem(MainWindow::WindowMenuStatistics, true);
    // A window shown again at its former size gets no resize: its first layout is due all the same.
    if (blnFirstResize) {
        layoutPages();
        firstLayout();
    }
}

void frmStatistics::Form_Load()
{
    m_loaded = true;
    blnResizing = true;
    resize(px(8000), px(5000));
    RestoreFormPosition(this);
    blnResizing = false;
    blnFirstResize = true;
    SetOnTop(this, false);
    AddHints();

    {
        const QSignalBlocker block(tbsStats);
        while (tbsStats->count() > 0)
            tbsStats->removeTab(0);
        tbsStats->addTab(QStringLiteral("Stats Grid"));
        tbsStats->addTab(QStringLiteral("Stats Chart"));
        tbsStats->addTab(QStringLiteral("Caller Graph"));
        tbsStats->setCurrentIndex(0);
    }
    tbsStats_Click(0);

    // Both charts start empty.
    StatsChart::draw(mscChart->chart(), cboChartType->currentIndex(), QString(), {QString()}, {}, {}, false);
    StatsChart::draw(mscGraph->chart(), cboGraphType->currentIndex(), QString(), {QString()}, {}, {},
                     chkGraphLegend->isChecked());

    SetupGrid();
    RefreshGraphGroupList();
    RefreshGraphStatsList();
    Freeze(false);
    blnSortAscending = true;
    intSortCol = 0;
    checkTimeItem(intTimePeriodItem);
    if (!strTime.isEmpty()) {
        setWindowTitle(QStringLiteral("Statistics ") + strTime);
    } else {
        strTime = StatsPeriod::captionText(StatsPeriod::AnyTime);
        setWindowTitle(QStringLiteral("Statistics (Any Time Period)"));
    }
}

void frmStatistics::closeEvent(QCloseEvent* event)
{
    if (m_loaded)
        Form_Unload();
    // The window stays made: its period and graph are there again next time, and a computation that was
    // yielding finds it still in place.
    event->accept();
}

void frmStatistics::Form_Unload()
{
    m_loaded = false;
    m_statsAgain = m_graphAgain = false;
    StatisticsQueue::cancelLocal(this);
    ArrowTimer->stop();
    GridMouseUpTimer->stop();
    SaveFormPosition(this);
    // The dialogs it owns go with it.
    if (frmCustomizeStatistics* dialog = frmCustomizeStatistics::instance(false); dialog && dialog->isVisible())
        dialog->close();
    if (frmCustomizeTime* dialog = frmCustomizeTime::instance(false);
        dialog && dialog->isVisible() && dialog->tag().compare(QStringLiteral("Stats"), Qt::CaseInsensitive) == 0)
        dialog->close();
    if (blnWaiting) {
        blnWaiting = false;
        if (gRemoteSocket)
            gRemoteSocket->SendData(QStringLiteral(";NETCANCEL;"));
    }
    if (gMainForm) {
        gMainForm->CheckWindowMenuItem(MainWindow::WindowMenuStatistics, false);
        gMainForm->SetFocus();
    }
}

void frmStatistics::mnuFileClose_Click() { close(); }

void frmStatistics::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    for (const auto& h : kHints) {
        if (auto* w = findChild<QWidget*>(QLatin1String(h.control)))
            gToolTip->SetToolTipObj(w, QString::fromLatin1(h.text));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Layout

double frmStatistics::pageWidthTwips() const { return tw(centralWidget()->width()); }

void frmStatistics::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (blnResizing || !m_loaded)
        return;
    if (!isMinimized() && !isMaximized() && !isFullScreen()) {
        const QSize min(px(kMinWidth), px(kMinHeight));
        const QSize outer = frameGeometry().size();
        const QSize extra = outer - size();
        if (outer.width() < min.width() || outer.height() < min.height()) {
            blnResizing = true;
            resize(std::max(outer.width(), min.width()) - extra.width(),
                   std::max(outer.height(), min.height()) - extra.height());
            blnResizing = false;
        }
    }
    layoutPages();
    firstLayout();
}

void frmStatistics::firstLayout()
{
    if (!blnFirstResize)
        return;
    blnFirstResize = false;
    repaint();
    // The view is loaded once the window is on screen; a window opened for one caller loads none.
    if (!blnLoadingNumber)
        QMetaObject::invokeMethod(this, &frmStatistics::loadFirstView, Qt::QueuedConnection);
}

void frmStatistics::loadFirstView()
{
    if (!m_loaded)
        return;
    const QPointer<frmStatistics> self(this);
    mnuEditSavedSettings_Click();
    if (!self)
        return;
    if ((!gCurrentStatistics || gCurrentStatistics->isEmpty()) && (!gCurrentGroups || gCurrentGroups->isEmpty()))
        mnuEditDefaultSettings_Click();
}

void frmStatistics::layoutPages()
{
    QWidget* central = centralWidget();
    const int w = central->width(), h = central->height();
    if (grid->Cols() > 0)
        msfStatistics->setColumnWidth(grid->Cols() - 1, width());
    tbsStats->setGeometry(0, 0, w, std::max(px(kPageTop), tbsStats->sizeHint().height()));
    const int top = std::max(px(kPageTop), tbsStats->sizeHint().height());
    QList<int> before;
    for (QWidget* page : picStats) {
        before << page->width();
        page->setGeometry(page->x(), top, w, h - top);
    }
    msfStatistics->setGeometry(0, 0, picStats[0]->width(), picStats[0]->height());
    layoutChartPage(before.value(1));
    layoutGraphPage(before.value(2));
    PositionSortArrow();
}

void frmStatistics::placeChart(QChartView* view, const ZoomModel& zoom)
{
    view->move(px(zoom.left()), view->y());
    view->resize(px(zoom.width()), view->height());
}

void frmStatistics::layoutChartPage(int oldWidth)
{
    QWidget* page = picStats[1];
    const int h = page->height(), bar = hscChart->sizeHint().height();
    mscChart->setGeometry(mscChart->x(), 0, mscChart->width(), std::max(0, h - px(kChartFrameHeight) - bar));
    chartZoom.pageResized(tw(oldWidth), pageWidthTwips());
    hscChart->setRange(0, -chartZoom.maximum());
    placeChart(mscChart, chartZoom);
    ToggleChartOptions(marlett(lblChartArrow) == QLatin1String(kArrowOpen));
    hscChart->setGeometry(0, h - bar, page->width(), bar);
    hscChart->raise();
}

void frmStatistics::layoutGraphPage(int oldWidth)
{
    QWidget* page = picStats[2];
    const int h = page->height(), bar = hscGraph->sizeHint().height();
    mscGraph->setGeometry(mscGraph->x(), 0, mscGraph->width(), std::max(0, h - px(kGraphFrameHeight) - bar));
    graphZoom.pageResized(tw(oldWidth), pageWidthTwips());
    hscGraph->setRange(0, -graphZoom.maximum());
    placeChart(mscGraph, graphZoom);
    ToggleGraphOptions(marlett(lblGraphArrow) == QLatin1String(kArrowOpen));
    hscGraph->setGeometry(0, h - bar, page->width(), bar);
    hscGraph->raise();
}

namespace {

// One option frame opened or closed: only its title strip shows above the scroll bar when closed.
void toggleFrame(QWidget* page, QFrame* frame, QLabel* title, QLabel* arrow, QAction* menu, QChartView* chart,
                 QScrollBar* bar, double frameHeight, bool open)
{
    const int h = page->height(), barHeight = bar->sizeHint().height();
    const int titleHeight = px(kTitleHeight), height = px(frameHeight);
    menu->setChecked(open);
    setMarlett(arrow, open ? kArrowOpen : kArrowClosed);
    frame->setFrameShape(open ? QFrame::Box : QFrame::NoFrame);
    const int visible = open ? height : titleHeight;
    chart->resize(chart->width(), std::max(0, h - visible - barHeight));
    frame->setGeometry(0, h - visible - barHeight, page->width(), height);
    title->setGeometry(px(60), 0, title->sizeHint().width(), titleHeight);
    arrow->setGeometry(title->geometry().right() + px(60), 0, titleHeight, titleHeight);
    title->raise();
    arrow->raise();
}

} // namespace

void frmStatistics::ToggleChartOptions(bool open)
{
    toggleFrame(picStats[1], fraChartOptions, lblChart, lblChartArrow, mnuChartOptions, mscChart, hscChart,
                kChartFrameHeight, open);
}

void frmStatistics::ToggleGraphOptions(bool open)
{
    toggleFrame(picStats[2], fraGraphOptions, lblGraph, lblGraphArrow, mnuGraphOptions, mscGraph, hscGraph,
                kGraphFrameHeight, open);
}

void frmStatistics::setTitleHover(QLabel* title, bool over)
{
    // 16711680 in the stored blue-green-red order: blue.
    QPalette p = title->palette();
    p.setColor(QPalette::WindowText, over ? QColor(0, 0, 255) : QColor(0, 0, 0));
    title->setPalette(p);
}

void frmStatistics::tbsStats_Click(int tab)
{
    const int top = std::max(px(kPageTop), tbsStats->sizeHint().height());
    for (int i = 0; i < 3; ++i) {
        // Pages that are not chosen stay made, out of sight.
        const bool chosen = i == tab;
        picStats[i]->move(chosen ? 0 : px(-20000), top);
        picStats[i]->setEnabled(chosen);
    }
}

bool frmStatistics::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == lblChart || watched == lblChartArrow || watched == lblGraph || watched == lblGraphArrow) {
        QLabel* title = (watched == lblChart || watched == lblChartArrow) ? lblChart : lblGraph;
        if (type == QEvent::MouseMove || type == QEvent::Enter) {
            setTitleHover(title, true);
            // Over the title the frame under it must not take the move for itself.
            return type == QEvent::MouseMove;
        }
        if (type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (title == lblChart)
                ToggleChartOptions(marlett(lblChartArrow) == QLatin1String(kArrowClosed));
            else
                ToggleGraphOptions(marlett(lblGraphArrow) == QLatin1String(kArrowClosed));
            return true;
        }
    } else if (watched == fraChartOptions || watched == mscChart) {
        if (type == QEvent::MouseMove || type == QEvent::Enter)
            setTitleHover(lblChart, false);
    } else if (watched == fraGraphOptions || watched == mscGraph) {
        if (type == QEvent::MouseMove || type == QEvent::Enter)
            setTitleHover(lblGraph, false);
    } else if (watched == msfStatistics) {
        if (type == QEvent::FocusIn)
            ArrowTimer->start();
        else if (type == QEvent::FocusOut)
            ArrowTimer->stop();
    } else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        const int button = me->button() == Qt::LeftButton ? 1 : me->button() == Qt::RightButton ? 2 : 4;
        QHeaderView* header = msfStatistics->horizontalHeader();
        int row = -1, col = -1;
        if (watched == header->viewport()) {
            row = 0;
            col = header->logicalIndexAt(me->position().toPoint());
        } else if (watched == msfStatistics->viewport()) {
            const int r = msfStatistics->rowAt(int(me->position().y()));
            row = r < 0 ? -1 : r + 1;
            col = msfStatistics->columnAt(int(me->position().x()));
        } else if (watched == lblArrow) {
            // A click on the arrow counts as a click on the heading under it.
            row = 0;
            col = intSortCol;
        } else {
            return QMainWindow::eventFilter(watched, event);
        }
        if (type == QEvent::MouseButtonPress)
            msfStatistics_MouseDown(button, row, col);
        else
            msfStatistics_MouseUp(button, row, col);
        // A right click on a row selects it through the mouse-up handling; the view must not also act on it.
        return button == 2;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------------------
// Grid

int frmStatistics::textWidthTwips(const QString& text) const
{
    // Every new grid measures its group names again, thousands with a large contact book: each text is
    // measured once per font.
    const QFont font = msfStatistics->font();
    if (font != m_widthFont || m_widths.size() > kMaxKeptWidths) {
        m_widthFont = font;
        m_widths.clear();
    }
    if (const auto kept = m_widths.constFind(text); kept != m_widths.constEnd())
        return *kept;
    const int width = int(std::nearbyint(tw(msfStatistics->fontMetrics().horizontalAdvance(text))));
    m_widths.insert(text, width);
    return width;
}

void frmStatistics::SetupGrid()
{
    QStringList statistics, groups;
    if (gCurrentStatistics) {
        for (const auto& e : *gCurrentStatistics)
            statistics << e.item->Description;
    }
    if (gCurrentGroups) {
        for (const auto& e : *gCurrentGroups)
            groups << e.item->Description;
    }
    grid->setUp(statistics, groups);
    msfStatistics->setColumnWidth(grid->Cols() - 1, width());
    int groupWidth = 0;
    for (int s = 0; s < statistics.size(); ++s)
        msfStatistics->setColumnWidth(s + 1, px(textWidthTwips(statistics[s]) + 100));
    for (const QString& g : groups) {
        const int w = textWidthTwips(g) + 100;
        if (w > groupWidth) {
            groupWidth = w;
            intGroupColWidth = w;
        }
    }
    msfStatistics->setColumnWidth(0, px(groupWidth));
    PositionSortArrow();
}

void frmStatistics::SortGrid()
{
    // A sort column beyond the statistics (they may have become fewer) falls back to the last one.
    intSortCol = std::clamp(intSortCol, 0, std::max(0, grid->Cols() - 2));
    setMarlett(lblArrow, blnSortAscending ? kArrowClosed : kArrowOpen);
    grid->sortByColumn(intSortCol, blnSortAscending);
    PositionSortArrow();
}

void frmStatistics::PositionSortArrow()
{
    if (!fraArrow)
        return;
    intSortCol = std::min(intSortCol, grid->Cols() - 1);
    QHeaderView* header = msfStatistics->horizontalHeader();
    const int frame = fraArrow->width();
    const int colLeft = header->sectionViewportPosition(intSortCol) + msfStatistics->frameWidth();
    int left = colLeft + header->sectionSize(intSortCol) - frame;
    if (left + frame + px(270) > msfStatistics->width())
        left = msfStatistics->width() - frame - px(270);
    fraArrow->move(msfStatistics->x() + left, msfStatistics->y() + px(60));
    fraArrow->setVisible(left - px(100) >= colLeft);
    fraArrow->raise();
    fraArrow->update();
}

void frmStatistics::ArrowTimer_Timer()
{
    while (intColWidths.size() < grid->Cols())
        intColWidths << 0;
    intColWidths.resize(grid->Cols());
    for (int c = 0; c < grid->Cols(); ++c) {
        const int w = msfStatistics->columnWidth(c);
        if (intColWidths[c] != w) {
            PositionSortArrow();
            intColWidths[c] = w;
        }
    }
}

void frmStatistics::msfStatistics_MouseDown(int button, int row, int col)
{
    (void)col;
    if (row == 0 && button == 1)
        blnHeaderDown = true;
}

void frmStatistics::msfStatistics_MouseUp(int button, int row, int col)
{
    if (button == 2 && row > 0) {
        // The row under the mouse is selected, then the menu opens once the click is over.
        msfStatistics->selectRow(row - 1);
        msfStatistics->setCurrentIndex(grid->index(row - 1, 0));
        GridMouseUpTimer->start();
    } else if (button == 1 && row == 0 && col >= 0 && col != grid->Cols() - 1 && blnHeaderDown) {
        if (col == intSortCol)
            blnSortAscending = !blnSortAscending;
        intSortCol = col;
        SortGrid();
    }
    blnHeaderDown = false;
}

void frmStatistics::GridMouseUpTimer_Timer()
{
    GridMouseUpTimer->stop();
    mnuPopupMenu->popup(QCursor::pos());
}

void frmStatistics::mnuGridCopyAll_Click() { CopyGridToClipboard(msfStatistics, grid->Cols() - 2, true); }

void frmStatistics::mnuGridCopy_Click() { CopyGridToClipboard(msfStatistics, grid->Cols() - 2, false); }

void frmStatistics::mnuGridReset_Click()
{
    msfStatistics->setColumnWidth(0, px(intGroupColWidth));
    for (int c = 1; c <= grid->Cols() - 2; ++c)
        msfStatistics->setColumnWidth(c, px(textWidthTwips(grid->TextMatrix(0, c)) + 100));
}

void frmStatistics::mnuGraphCopy_Click()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(GraphCopyText(m_graphSeries, arrGraphData));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Chart and graph

void frmStatistics::Chart(int dataColumn)
{
    QStringList labels;
    QList<QList<double>> values;
    for (int r = 1; r < grid->Rows(); ++r) {
        labels << grid->TextMatrix(r, 0);
        values << QList<double>{StatisticCellNumber(grid->TextMatrix(r, dataColumn))};
    }
    const QString title = grid->TextMatrix(0, dataColumn) + QLatin1Char(' ') + strTime;
    StatsChart::draw(mscChart->chart(), cboChartType->currentIndex(), title, labels, {grid->TextMatrix(0, dataColumn)},
                     values, false);
}

void frmStatistics::fillChartStatistics(const QStringList& names)
{
    const QString before = cboChartStatistic->currentText();
    {
        const QSignalBlocker block(cboChartStatistic);
        cboChartStatistic->clear();
        cboChartStatistic->addItems(names);
        cboChartStatistic->setCurrentIndex(-1);
    }
    selectOrFirst(cboChartStatistic, before);
}

void frmStatistics::selectOrFirst(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    SelectListItem(box, text);
    if (box->currentIndex() < 0 && box->count() > 0)
        box->setCurrentIndex(0);
}

void frmStatistics::SetArray(const GraphTable& table) { arrGraphData = table; }

void frmStatistics::drawGraph()
{
    const GraphTable& t = arrGraphData;
    const QString title =
        QStringLiteral("Total Calls Graphed ") + cboGraphFrequency->currentText() + QLatin1Char(' ') + strTime;
    if (t.isEmpty()) {
        StatsChart::draw(mscGraph->chart(), cboGraphType->currentIndex(), title, {QString()}, {}, {},
                         chkGraphLegend->isChecked());
        return;
    }
    QStringList series = m_graphSeries;
    while (series.size() < t.groupCount())
        series << QString();
    series = series.mid(0, t.groupCount());
    StatsChart::draw(mscGraph->chart(), cboGraphType->currentIndex(), title, t.labels, series, t.values,
                     chkGraphLegend->isChecked());
}

QStringList frmStatistics::selectedGraphGroups() const
{
    // In list order. Asking each entry whether it is selected walks the whole selection every time, which with
    // thousands of groups chosen costs seconds.
    QList<int> rows;
    for (const QModelIndex& index : lstGraphGroup->selectionModel()->selectedIndexes())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QStringList names;
    for (int row : rows)
        names << lstGraphGroup->item(row)->text();
    return names;
}

void frmStatistics::typeChanged(bool graph)
{
    QComboBox* type = graph ? cboGraphType : cboChartType;
    QPushButton* in = graph ? cmdGraphZoomIn : cmdChartZoomIn;
    QPushButton* out = graph ? cmdGraphZoomOut : cmdChartZoomOut;
    QAction* menuIn = graph ? mnuGraphZoomIn : mnuChartZoomIn;
    QAction* menuOut = graph ? mnuGraphZoomOut : mnuChartZoomOut;
    ZoomModel& zoom = graph ? graphZoom : chartZoom;
    double& kept = graph ? intGraphWidth : intChartWidth;
    QChartView* view = graph ? mscGraph : mscChart;
    QScrollBar* bar = graph ? hscGraph : hscChart;
    const double page = pageWidthTwips();
    bool& zoomOn = graph ? m_graphZoomOn : m_chartZoomOn;
    if (type->currentText().toUpper().contains(QLatin1String("3D"))) {
        if (zoomOn) {
            zoomOn = false;
            for (QPushButton* b : {in, out})
                b->setEnabled(false);
            // The menu items follow the buttons, so a 3D chart cannot be zoomed from the menu either.
            for (QAction* a : {menuIn, menuOut})
                a->setEnabled(false);
            kept = zoom.width();
            zoom.setWidth(page);
            zoom.setUpScrollBar(page);
        }
    } else if (!zoomOn) {
        zoomOn = true;
        for (QPushButton* b : {in, out})
            b->setEnabled(true);
        for (QAction* a : {menuIn, menuOut})
            a->setEnabled(true);
        // The window may have grown meanwhile: never narrower than the page.
        zoom.setWidth(std::max(kept, page));
        zoom.setUpScrollBar(page);
    }
    bar->setRange(0, -zoom.maximum());
    bar->setValue(-zoom.value());
    placeChart(view, zoom);
    if (graph)
        drawGraph();
    else if (cboChartStatistic->currentIndex() >= 0)
        Chart(cboChartStatistic->currentIndex() + 1);
}

void frmStatistics::cboChartType_Click() { typeChanged(false); }

void frmStatistics::cboGraphType_Click() { typeChanged(true); }

void frmStatistics::zoom(bool graph, bool in)
{
    ZoomModel& z = graph ? graphZoom : chartZoom;
    QScrollBar* bar = graph ? hscGraph : hscChart;
    const double page = pageWidthTwips();
    if (in)
        z.zoomIn(page);
    else
        z.zoomOut(page);
    {
        const QSignalBlocker block(bar);
        bar->setRange(0, -z.maximum());
        bar->setSingleStep(z.smallChange());
        bar->setPageStep(z.largeChange());
        bar->setValue(-z.value());
    }
    placeChart(graph ? mscGraph : mscChart, z);
    (graph ? lblGraphZoom : lblChartZoom)->setText(z.label(page));
}

void frmStatistics::cmdChartZoomIn_Click() { zoom(false, true); }
void frmStatistics::cmdChartZoomOut_Click() { zoom(false, false); }
void frmStatistics::cmdGraphZoomIn_Click() { zoom(true, true); }
void frmStatistics::cmdGraphZoomOut_Click() { zoom(true, false); }

void frmStatistics::chkGraphLegend_Click()
{
    const bool shown = chkGraphLegend->isChecked();
    mscGraph->chart()->legend()->setVisible(shown);
    mnuGraphLegend->setChecked(shown);
}

void frmStatistics::mnuGraphLegend_Click()
{
    chkGraphLegend->setChecked(!chkGraphLegend->isChecked());
    chkGraphLegend_Click();
}

void frmStatistics::cmdSelectAll_Click()
{
    // One selection of the whole list: entry by entry, each step would merge into all before it.
    lstGraphGroup->selectAll();
    lstGraphGroup->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
}

void frmStatistics::cmdUnselectAll_Click() { lstGraphGroup->clearSelection(); }

void frmStatistics::selectGraphGroups(const QStringList& names)
{
    // Each name chooses the first entry of its text, capitals aside. The entries are found through one pass
    // over the list and chosen in one step, so a saved choice of thousands of groups is restored at once.
    QHash<QString, int> firstRow;
    for (int i = lstGraphGroup->count() - 1; i >= 0; --i)
        firstRow.insert(lstGraphGroup->item(i)->text().toCaseFolded(), i);
    QList<int> rows;
    for (const QString& name : names) {
        if (const auto row = firstRow.constFind(name.toCaseFolded()); row != firstRow.constEnd())
            rows << *row;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype last = i;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        selection.select(lstGraphGroup->model()->index(rows[i], 0), lstGraphGroup->model()->index(rows[last], 0));
        i = last + 1;
    }
    lstGraphGroup->selectionModel()->select(selection, QItemSelectionModel::Select);
}

void frmStatistics::RefreshGraphStatsList()
{
    const QSignalBlocker block(cboGraphStatistic);
    cboGraphStatistic->clear();
    if (gStatistics) {
        for (const auto& e : *gStatistics)
            cboGraphStatistic->addItem(e.item->Description);
    }
}

void frmStatistics::RefreshGraphGroupList()
{
    lstGraphGroup->clear();
    QStringList names;
    if (gGroups) {
        for (const auto& e : *gGroups)
            names << e.item->Description;
    }
    lstGraphGroup->addItems(names);
    SetListScrollWidth(lstGraphGroup);
}

void frmStatistics::Freeze(bool frozen)
{
    m_frozen = frozen;
    for (QAction* a : {mnuTimePeriod->menuAction(), mnuEditDefaultSettings, mnuEditSavedSettings})
        CommandState::setEnabled(a, !frozen);
    // The customize statistics dialog is made (hidden) for this when it is not there yet, so it never opens
    // with Apply and OK enabled while a request is outstanding.
    frmCustomizeStatistics::instance()->setApplyEnabled(!frozen);
    CommandState::setEnabled(mnuFileChange, !frozen);
    cmdRefreshGraph->setEnabled(!frozen);
    CommandState::setEnabled(mnuGraphRefresh, !frozen);
    if (frmCustomizeTime* dialog = frmCustomizeTime::instance(false))
        dialog->statsFrozenChanged();
}

// ---------------------------------------------------------------------------------------------------------
// The period and the view settings

int frmStatistics::checkedTimeItem() const
{
    int checked = 0;
    for (int i = 0; i < mnuTime.size(); ++i) {
        if (mnuTime[i]->isCheckable() && mnuTime[i]->isChecked())
            checked = i;
    }
    return checked;
}

void frmStatistics::checkTimeItem(int item)
{
    for (int i = 0; i < mnuTime.size(); ++i)
        mnuTime[i]->setChecked(i == item && mnuTime[i]->isCheckable());
}

void frmStatistics::setPeriod(int item)
{
    checkTimeItem(item);
    strTime = StatsPeriod::captionText(item);
    setWindowTitle(QStringLiteral("Statistics ") + strTime);
    strTimePeriod = StatsPeriod::clause(item, Clock::now());
}

void frmStatistics::mnuTime_Click(int index)
{
    if (StatsPeriod::isSeparator(index) || index < 0 || index >= StatsPeriod::ItemCount)
        return;
    if (index == StatsPeriod::Custom) {
        // The item's own flip of its mark is taken back: the custom period dialog applies the range and checks
        // the item itself, and a cancelled dialog leaves the period as it was.
        mnuTime[index]->setChecked(!mnuTime[index]->isChecked());
        intTimePeriodItem = index;
        frmCustomizeTime::showFor(QStringLiteral("Stats"), this);
        return;
    }
    intTimePeriodItem = index;
    setPeriod(index);
    generateAndGraph();
}

void frmStatistics::ApplyCustomPeriod(const QDateTime& start, const QDateTime& end, bool startInclusive,
                                      bool endInclusive)
{
    dteCustomStartDate = start;
    dteCustomEndDate = end;
    m_customStartInclusive = startInclusive;
    m_customEndInclusive = endInclusive;
    intTimePeriodItem = StatsPeriod::Custom;
    strTime = StatsPeriod::customCaption(start, end);
    setWindowTitle(QStringLiteral("Statistics ") + strTime);
    strTimePeriod = StatsPeriod::customClause(start, end, startInclusive, endInclusive);
    checkTimeItem(StatsPeriod::Custom);
    // A window closed meanwhile keeps the period for its next opening and computes nothing now.
    if (!m_loaded)
        return;
    generateAndGraph();
}

void frmStatistics::mnuEditStatistics_Click() { frmCustomizeStatistics::showFor(this); }

void frmStatistics::mnuEditSaveSettings_Click()
{
    QString groups;
    for (const QString& g : selectedGraphGroups())
        groups += g + QLatin1Char(';');
    QString period;
    for (int item : {0, 2, 3, 4, 5, 6, 8}) {
        if (mnuTime[item]->isChecked()) {
            period = item == StatsPeriod::Custom
                         ? StatsPeriod::customSetting(dteCustomStartDate, dteCustomEndDate, m_customStartInclusive,
                                                      m_customEndInclusive)
                         : StatsPeriod::settingWord(item);
            break;
        }
    }
    const QString section = QString::fromLatin1(Section::frmStatistics);
    SettingsBatch batch;
    SaveProperty(section, QString::fromLatin1(Key::TimePeriod), period);
    SaveProperty(section, QString::fromLatin1(Key::ChartType), QString::number(cboChartType->currentIndex()));
    SaveProperty(section, QString::fromLatin1(Key::ChartStatistic), cboChartStatistic->currentText());
    SaveProperty(section, QString::fromLatin1(Key::GraphType), QString::number(cboGraphType->currentIndex()));
    SaveProperty(section, QString::fromLatin1(Key::GraphFrequency), QString::number(cboGraphFrequency->currentIndex()));
    SaveProperty(section, QString::fromLatin1(Key::GraphStatistic), cboGraphStatistic->currentText());
    SaveProperty(section, QString::fromLatin1(Key::GraphLegend), boolText(chkGraphLegend->isChecked()));
    SaveProperty(section, QString::fromLatin1(Key::GraphGroups), groups);
    SaveProperty(section, QString::fromLatin1(Key::SavedStats), CurrentStatisticsSetting());
    SaveProperty(section, QString::fromLatin1(Key::SavedGroups), CurrentGroupsSetting());
}

void frmStatistics::applySavedPeriod(const QString& word)
{
    const int item = StatsPeriod::itemOfWord(word);
    if (item >= 0) {
        intTimePeriodItem = item;
        setPeriod(item);
        return;
    }
    // A custom range: a text without two dates leaves the dates as they were. Stored bounds are exclusive.
    if (StatsPeriod::parseCustomSetting(word, dteCustomStartDate, dteCustomEndDate))
        m_customStartInclusive = m_customEndInclusive = false;
    intTimePeriodItem = StatsPeriod::Custom;
    checkTimeItem(StatsPeriod::Custom);
    strTime = StatsPeriod::customCaption(dteCustomStartDate, dteCustomEndDate);
    setWindowTitle(QStringLiteral("Statistics ") + strTime);
    strTimePeriod =
        StatsPeriod::customClause(dteCustomStartDate, dteCustomEndDate, m_customStartInclusive, m_customEndInclusive);
}

namespace {

void setIndexIfValid(QComboBox* box, const QString& text)
{
    bool ok = false;
    const int i = int(std::lround(QLocale::c().toDouble(text.trimmed(), &ok)));
    // An index the list does not have leaves it as it was.
    if (ok && i >= 0 && i < box->count())
        box->setCurrentIndex(i);
}

} // namespace

void frmStatistics::mnuEditSavedSettings_Click()
{
    const QString section = QString::fromLatin1(Section::frmStatistics);
    auto get = [&](const char* key, const char* fallback) {
        return GetProperty(section, QString::fromLatin1(key), QString::fromLatin1(fallback));
    };
    checkTimeItem(-1);
    applySavedPeriod(get(Key::TimePeriod, "ANYTIME"));
    setIndexIfValid(cboGraphType, get(Key::GraphType, "3"));
    setIndexIfValid(cboGraphFrequency, get(Key::GraphFrequency, "1"));
    selectOrFirst(cboGraphStatistic, get(Key::GraphStatistic, "TOTAL CALLS"));
    cmdUnselectAll_Click();
    selectGraphGroups(get(Key::GraphGroups, "").split(QLatin1Char(';'), Qt::SkipEmptyParts));
    const QVariant legend = ConvertCheck(get(Key::GraphLegend, "True"));
    chkGraphLegend->setChecked(legend.toInt() == 1);
    chkGraphLegend_Click();
    LoadSavedStatistics();
    LoadSavedGroups();
    if (!generateAndGraph())
        return;
    if (cboChartStatistic->count() > 0)
        setIndexIfValid(cboChartType, get(Key::ChartType, "1"));
    selectOrFirst(cboChartStatistic, get(Key::ChartStatistic, "TOTAL CALLS"));
}

void frmStatistics::mnuEditDefaultSettings_Click()
{
    intTimePeriodItem = StatsPeriod::AnyTime;
    setPeriod(StatsPeriod::AnyTime);
    cboGraphType->setCurrentIndex(3);
    cboGraphFrequency->setCurrentIndex(1);
    selectOrFirst(cboGraphStatistic, QStringLiteral("TOTAL CALLS"));
    cmdUnselectAll_Click();
    SelectListItem(lstGraphGroup, QStringLiteral("ALL CALLERS"));
    chkGraphLegend->setChecked(true);
    chkGraphLegend_Click();
    LoadDefaultStatistics();
    LoadDefaultGroups();
    if (!generateAndGraph())
        return;
    cboChartType->setCurrentIndex(1);
    selectOrFirst(cboChartStatistic, QStringLiteral("TOTAL CALLS"));
}

void frmStatistics::LoadNumber(const QString& number, const QString& name)
{
    blnLoadingNumber = true;
    gCurrentGroups = std::make_unique<GroupCollection>();
    const CallerGroup caller = SingleCallerGroup(number, name);
    gCurrentGroups->add(caller.group->Description, caller.group);
    if (caller.temporary && gGroups)
        gGroups->add(caller.group->Description, caller.group);
    if (!isVisible())
        showWindow(dynamic_cast<QWidget*>(gMainForm));
    intTimePeriodItem = StatsPeriod::AnyTime;
    setPeriod(StatsPeriod::AnyTime);
    cboGraphType->setCurrentIndex(3);
    cboGraphFrequency->setCurrentIndex(3);
    selectOrFirst(cboGraphStatistic, QStringLiteral("TOTAL CALLS"));
    if (caller.temporary)
        RefreshGraphGroupList();
    cmdUnselectAll_Click();
    SelectListItem(lstGraphGroup, caller.group->Description);
    // SelectListItem makes the entry current; in a list of many choices it must be chosen too.
    selectGraphGroups({caller.group->Description});
    chkGraphLegend->setChecked(true);
    chkGraphLegend_Click();
    LoadDefaultStatistics();
    const bool stays = generateAndGraph();
    if (stays) {
        cboChartType->setCurrentIndex(1);
        selectOrFirst(cboChartStatistic, QStringLiteral("TOTAL CALLS"));
    }
    // The group made for the moment leaves the master groups, also when the window went meanwhile.
    if (caller.temporary && gGroups) {
        const auto held = gGroups->item(caller.group->Description);
        if (held == caller.group)
            gGroups->remove(caller.group->Description);
        if (stays)
            RefreshGraphGroupList();
    }
    if (stays)
        blnLoadingNumber = false;
}

// ---------------------------------------------------------------------------------------------------------
// Computing: the window's own use, or a client's request

bool frmStatistics::generateAndGraph()
{
    const QPointer<frmStatistics> self(this);
    GenerateStatistics();
    if (!self)
        return false;
    Graph();
    return bool(self);
}

void frmStatistics::GenerateStatistics()
{
    if (isClientMode()) {
        clientGenerate();
        return;
    }
    // The headings show at once; the cells come when the engine gets to the job.
    SetupGrid();
    StatisticsQueue::submit(std::make_shared<LocalGridJob>(this));
}

void frmStatistics::Graph()
{
    if (cboGraphFrequency->currentIndex() < 0 || cboGraphFrequency->currentIndex() > 3)
        cboGraphFrequency->setCurrentIndex(3);
    const QString code = GraphUnitCode(cboGraphFrequency->currentIndex());
    if (isClientMode()) {
        clientGraph();
        return;
    }
    GraphUnit unit = GraphUnit::Month;
    GraphUnitFromCode(code, unit);
    const int item = checkedTimeItem();
    const QDateTime now = Clock::now();
    QDateTime start, end = now;
    if (item == StatsPeriod::AnyTime) {
        const QDateTime first = GetFirstCallDate();
        if (first.date() == DateText::zeroDate()) {
            // An empty log has no first call to start from: the graph is empty.
            m_graphSeries.clear();
            SetArray(GraphTable());
            drawGraph();
            return;
        }
        start = first.addSecs(-1);
    } else if (item == StatsPeriod::Custom) {
        // The buckets leave out a call at the period's start and end: a bound that counts its call moves a
        // second outwards.
        start = m_customStartInclusive ? dteCustomStartDate.addSecs(-1) : dteCustomStartDate;
        end = m_customEndInclusive ? dteCustomEndDate.addSecs(1) : dteCustomEndDate;
    } else {
        start = now.addDays(-StatsPeriod::daysBack(item));
    }
    const auto statistic = GetStatistic(cboGraphStatistic->currentText(), gStatistics.get());
    QStringList names;
    QList<clsGroup> groups;
    for (const QString& n : selectedGraphGroups()) {
        // A group still listed after it went (its contact was removed elsewhere) has no condition left: graphed,
        // it would show every call under its name.
        const auto group = GetGroup(n, gGroups.get());
        if (group->Description.isEmpty())
            continue;
        names << n;
        groups << *group;
    }
    const QList<GraphBucket> buckets =
        GraphBuckets(start, end, unit, kMaxGraphCells / std::max<qint64>(1, groups.size()));
    if (buckets.isEmpty()) {
        AddEvent(QStringLiteral("The graph was not drawn: too many ") + cboGraphFrequency->currentText().toLower() +
                 QStringLiteral(" points for the period and groups chosen."));
        m_graphSeries.clear();
        SetArray(GraphTable());
        drawGraph();
        return;
    }
    const int days = PeriodDays(item, dteCustomStartDate, dteCustomEndDate);
    StatisticsQueue::submit(std::make_shared<LocalGraphJob>(this, *statistic, groups, names, buckets, days));
}

namespace {

// A request of that kind ("STATS", "GRAPH") is still awaited: its waiting note is open.
bool awaiting(const QString& kind)
{
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting"))) {
        if (Tag(w).compare(kind, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

void frmStatistics::clientGenerate()
{
    // One grid request at a time: the reply to the pending one fills the grid as it was laid out for it, and
    // then the newest view is asked for.
    if (awaiting(QStringLiteral("STATS"))) {
        m_statsAgain = true;
        return;
    }
    m_statsAgain = false;
    SetupGrid();
    m_sentColumns.clear();
    m_sentGroups.clear();
    QList<int> sentRows;
    QList<const clsStatistic*> statistics;
    QList<const clsGroup*> groups;
    bool refused = false;
    if (gCurrentStatistics) {
        int c = 1;
        for (const auto& e : *gCurrentStatistics) {
            if (FitsStatisticField(e.item->Statistic) && FitsStatisticField(e.item->Style)) {
                statistics << e.item.get();
                m_sentColumns << c;
            } else {
                refused = true;
            }
            ++c;
        }
    }
    if (gCurrentGroups) {
        int r = 1;
        for (const auto& e : *gCurrentGroups) {
            if (FitsStatisticField(e.item->Group)) {
                groups << e.item.get();
                m_sentGroups << e.item->Description;
                sentRows << r;
            } else {
                refused = true;
            }
            ++r;
        }
    }
    if (refused) {
        // "|" and ";" would split the request: such a statistic or group is not asked for.
        AddEvent(QStringLiteral("A statistic or group whose condition holds \"|\" or \";\" cannot be sent to the "
                                "server."));
        for (int r = 1; r < grid->Rows(); ++r) {
            for (int c = 1; c < grid->Cols() - 1; ++c) {
                if (!sentRows.contains(r) || !m_sentColumns.contains(c))
                    grid->setTextMatrix(r, c, StatisticCellText(kStatBadSql));
            }
        }
    }
    if (!groups.isEmpty() && !statistics.isEmpty() && gRemoteSocket && gRemoteSocket->State() == 7) {
        ShowWaiting(QStringLiteral("STATS"), this);
        Freeze(true);
        gRemoteSocket->SendData(QStringLiteral(";STATISTIC;") +
                                EncodeStatisticRequest(strTimePeriod, groups, statistics) + QLatin1Char(';'));
    }
    SortGrid();
}

void frmStatistics::clientGraph()
{
    const QString title =
        QStringLiteral("Total Calls Graphed ") + cboGraphFrequency->currentText() + QLatin1Char(' ') + strTime;
    mscGraph->chart()->setTitle(title);
    if (awaiting(QStringLiteral("GRAPH"))) {
        m_graphAgain = true;
        return;
    }
    m_graphAgain = false;
    const int item = checkedTimeItem();
    const QDateTime now = Clock::now();
    QDateTime start(DateText::zeroDate(), QTime(0, 0), Qt::UTC), end = now;
    if (item == StatsPeriod::Custom) {
        start = dteCustomStartDate;
        end = dteCustomEndDate;
    } else if (item != StatsPeriod::AnyTime) {
        start = now.addDays(-StatsPeriod::daysBack(item));
    }
    const QStringList names = selectedGraphGroups();
    if (!gRemoteSocket || gRemoteSocket->State() != 7)
        return;
    m_graphSeries = names;
    ShowWaiting(QStringLiteral("GRAPH"), this);
    Freeze(true);
    gRemoteSocket->SendData(QStringLiteral(";GRAPH;") +
                            EncodeGraphRequest(cboGraphStatistic->currentText(),
                                               GraphUnitCode(cboGraphFrequency->currentIndex()), start, end, names) +
                            QLatin1Char(';'));
}

void frmStatistics::StatisticReply(const QString& field)
{
    UnloadWaitingForms(QStringLiteral("STATS"));
    frmStatistics* w = instance(false);
    if (!w)
        return;
    if (w->isVisible())
        w->applyStatisticReply(field);
    if (w->m_statsAgain && w->isLoaded())
        w->GenerateStatistics();
    if (!w->blnWaiting)
        w->Freeze(false);
}

void frmStatistics::GraphReply(const QString& field)
{
    UnloadWaitingForms(QStringLiteral("GRAPH"));
    frmStatistics* w = instance(false);
    if (!w)
        return;
    if (w->isVisible())
        w->applyGraphReply(field);
    if (w->m_graphAgain && w->isLoaded())
        w->Graph();
    if (!w->blnWaiting)
        w->Freeze(false);
}

void frmStatistics::applyStatisticReply(const QString& field)
{
    const QStringList cells = DecodeStatisticReply(field);
    // The cells come column by column, each column's in the order the groups were sent; the grid may have been
    // sorted since, so every cell goes to its group's row.
    QStringList filled;
    qsizetype next = 0;
    for (int c : m_sentColumns) {
        if (next >= cells.size())
            break;
        for (const QString& group : m_sentGroups) {
            if (next >= cells.size())
                break;
            const QString text = cells[next++];
            for (int r = 1; r < grid->Rows(); ++r) {
                if (grid->TextMatrix(r, 0) == group) {
                    grid->setTextMatrix(r, c, text);
                    break;
                }
            }
        }
        filled << grid->TextMatrix(0, c);
    }
    fillChartStatistics(filled);
    SortGrid();
}

void frmStatistics::applyGraphReply(const QString& field)
{
    const GraphTable table = DecodeGraphReply(field);
    SetArray(table);
    if (table.isEmpty())
        m_graphSeries.clear();
    drawGraph();
}

// ---------------------------------------------------------------------------------------------------------
// The custom statistics file

void frmStatistics::mnuFileNew_Click()
{
    const QString filter = QStringLiteral("Data Files (*.dat)|*.dat");
    // The window may go while a dialog waits (the program ends): then the command ends with it.
    const QPointer<frmStatistics> self(this);
    QString path;
    while (true) {
        path = Prompt::saveFile(QStringLiteral("New Custom Statistics and Groups File"), StatsFilePath(), filter);
        if (!self || path.isEmpty())
            return;
        if (!QFileInfo::exists(path))
            break;
        if (Prompt::message(QStringLiteral("This file name already exits. Choose another file name."), Prompt::OkCancel,
                            Prompt::Critical) != Prompt::Ok ||
            !self)
            return;
    }
    if (!NewStatsFile(path))
        return;
    refreshCustomizeLists();
}

void frmStatistics::mnuFileChange_Click()
{
    const QString filter = QStringLiteral("Data File (*.dat)|*.dat");
    const QPointer<frmStatistics> self(this);
    QString path;
    while (true) {
        path = Prompt::openFile(QStringLiteral("Change Custom Statistics and Groups File"), StatsFilePath(), filter);
        if (!self || path.isEmpty())
            return;
        QString problem;
        if (!QFileInfo(path).isFile())
            problem = path + QStringLiteral(" is not a valid statistics data file. Choose another file.");
        else if (path.toUpper() == StatsFilePath().toUpper())
            problem = path + QStringLiteral(" is already loaded. Choose another file.");
        else
            break;
        if (Prompt::message(problem, Prompt::OkCancel, Prompt::Critical) != Prompt::Ok || !self)
            return;
    }
    if (!ChangeStatsFile(path))
        return;
    refreshCustomizeLists();
}

void frmStatistics::refreshCustomizeLists()
{
    RefreshGraphStatsList();
    RefreshGraphGroupList();
    if (frmCustomizeStatistics* dialog = frmCustomizeStatistics::instance(false); dialog && dialog->isVisible()) {
        dialog->LoadGroups();
        dialog->LoadStats();
    }
    if (windowLinks().customizeMiniDisplayLoadCallerInfoList)
        windowLinks().customizeMiniDisplayLoadCallerInfoList();
}
