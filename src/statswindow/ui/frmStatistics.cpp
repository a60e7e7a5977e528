#include "statswindow/ui/frmStatistics.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLegend>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>

#include <algorithm>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "statswindow/ClientRequest.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/StatsPeriod.h"
#include "statswindow/StatsView.h"
#include "statswindow/ui/StatsChart.h"
#include "statswindow/ui/StatsGridPage.h"
#include "statswindow/ui/StatsWindowConstants.h"
#include "statswindow/ui/StatsWindowHints.h"
#include "statswindow/ui/StatsWindowJobs.h"
#include "statswindow/ui/frmCustomizeStatistics.h"
#include "statswindow/ui/frmCustomizeTime.h"

using namespace StatsWindow;

namespace {

QPointer<frmStatistics> g_window;

int px(double twips) { return Twips::toPixels(twips); }
double tw(int pixels) { return Twips::fromPixels(pixels); }

// Design sizes, twips.
constexpr double kPageTop = 300;
constexpr double kDesignWidth = 8000, kDesignHeight = 5000;

// The pages, by their tab.
enum Page { GridPage = 0, ChartPageTab = 1, GraphPageTab = 2, PageCount = 3 };
// Where the pages that are not chosen wait, out of sight, pixels.
constexpr int kAwayFromSight = -20000;

} // namespace

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
    auto* nextTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTab, &QShortcut::activated, this,
            [this] { tbsStats->setCurrentIndex((tbsStats->currentIndex() + 1) % tbsStats->count()); });

    WindowLinks& links = windowLinks();
    links.setStatisticsWaiting = [](bool waiting) {
        if (g_window)
            g_window->setWaiting(waiting);
    };
    links.statisticReply = &frmStatistics::StatisticReply;
    links.graphReply = &frmStatistics::GraphReply;
    links.statisticsGivenUp = &frmStatistics::StatisticsGivenUp;
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
    links.statisticsGivenUp = nullptr;
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
    action(mnuGrid, "mnuGridCopyAll", QStringLiteral("Copy &All"), [this] { m_grid->copy(true); });
    action(mnuGrid, "mnuGridCopy", QStringLiteral("&Copy Selected Items"), [this] { m_grid->copy(false); });
    separator(mnuGrid, "mnuGridHyphen1");
    action(mnuGrid, "mnuGridReset", QStringLiteral("&Reset Columns"), [this] { m_grid->resetColumns(); });

    QMenu* mnuChart = menu("mnuChart", QStringLiteral("Stats &Chart"));
    m_chartMenu.zoomIn = action(mnuChart, "mnuChartZoomIn", QStringLiteral("Zoom &In"),
                                [this] { m_chart->zoomBy(true, pageWidthTwips()); });
    m_chartMenu.zoomOut = action(mnuChart, "mnuChartZoomOut", QStringLiteral("Zoom &Out"),
                                 [this] { m_chart->zoomBy(false, pageWidthTwips()); });
    separator(mnuChart, "mnuChartHyphen1");
    m_chartMenu.options = action(mnuChart, "mnuChartOptions", QStringLiteral("&View Chart Options"),
                                 [this] { m_chart->toggleOptions(!m_chart->optionsOpen()); });
    m_chartMenu.options->setCheckable(true);

    QMenu* mnuGraph = menu("mnuGraph", QStringLiteral("Caller &Graph"));
    m_graphMenu.zoomIn = action(mnuGraph, "mnuGraphZoomIn", QStringLiteral("Zoom &In"),
                                [this] { m_graph->zoomBy(true, pageWidthTwips()); });
    m_graphMenu.zoomOut = action(mnuGraph, "mnuGraphZoomOut", QStringLiteral("Zoom &Out"),
                                 [this] { m_graph->zoomBy(false, pageWidthTwips()); });
    separator(mnuGraph, "mnuGraphHyphen1");
    m_graphMenu.options = action(mnuGraph, "mnuGraphOptions", QStringLiteral("&View Graph Options"),
                                 [this] { m_graph->toggleOptions(!m_graph->optionsOpen()); });
    m_graphMenu.options->setCheckable(true);
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
    action(mnuPopupMenu, "mnuPopupMenuCopyAll", QStringLiteral("Copy &All"), [this] { m_grid->copy(true); });
    action(mnuPopupMenu, "mnuPopupMenuCopy", QStringLiteral("&Copy Selected Item"), [this] { m_grid->copy(false); });
}

void frmStatistics::buildPages()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("picCentral"));
    setCentralWidget(central);
    tbsStats = new QTabBar(central);
    tbsStats->setObjectName(QStringLiteral("tbsStats"));
    tbsStats->setDrawBase(true);
    for (int i = 0; i < PageCount; ++i) {
        picStats[i] = new QWidget(central);
        picStats[i]->setObjectName(QStringLiteral("picStats(%1)").arg(i));
    }
    connect(tbsStats, &QTabBar::currentChanged, this, &frmStatistics::tbsStats_Click);

    m_grid = new StatsGridPage(picStats[GridPage], mnuPopupMenu);
    m_chart = new ChartPage(picStats[ChartPageTab], ChartPage::Chart, m_chartMenu);
    m_graph = new ChartPage(picStats[GraphPageTab], ChartPage::Graph, m_graphMenu);
    for (ChartPage* page : {m_chart, m_graph})
        connect(page->typeList(), &QComboBox::currentIndexChanged, this, [this, page] { typeChanged(page); });
    connect(m_chart->statisticList(), &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            Chart(i + 1);
    });
    buildGraphOptions();
}

void frmStatistics::buildGraphOptions()
{
    QWidget* frame = m_graph->optionsLayout()->parentWidget();
    auto* label3 = new QLabel(QStringLiteral("Graph Frequency:"), frame);
    label3->setObjectName(QStringLiteral("label3"));
    cboGraphFrequency = new QComboBox(frame);
    cboGraphFrequency->setObjectName(QStringLiteral("cboGraphFrequency"));
    cboGraphFrequency->addItems(
        {QStringLiteral("Hourly"), QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
    auto* label5 = new QLabel(QStringLiteral("Groups:"), frame);
    label5->setObjectName(QStringLiteral("Label5"));
    lstGraphGroup = new QListWidget(frame);
    lstGraphGroup->setObjectName(QStringLiteral("lstGraphGroup"));
    lstGraphGroup->setSelectionMode(QAbstractItemView::MultiSelection);
    auto button = [frame](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, frame);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    QPushButton* cmdSelectAll = button("cmdSelectAll", QStringLiteral("Select All"));
    QPushButton* cmdUnselectAll = button("cmdUnselectAll", QStringLiteral("Unselect All"));
    cmdRefreshGraph = button("cmdRefreshGraph", QStringLiteral("Refresh Graph"));
    chkGraphLegend = new QCheckBox(QStringLiteral("Legend"), frame);
    chkGraphLegend->setObjectName(QStringLiteral("chkGraphLegend"));

    QGridLayout* layout = m_graph->optionsLayout();
    layout->addWidget(label3, 2, 0);
    layout->addWidget(cboGraphFrequency, 2, 1);
    layout->addWidget(chkGraphLegend, 3, 0);
    layout->addWidget(label5, 0, 2);
    layout->addWidget(lstGraphGroup, 1, 2, 3, 1);
    layout->addWidget(cmdSelectAll, 0, 3);
    layout->addWidget(cmdUnselectAll, 1, 3);
    layout->addWidget(cmdRefreshGraph, 2, 3);
    layout->setColumnStretch(2, 1);

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
    resize(px(kDesignWidth), px(kDesignHeight));
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
        tbsStats->setCurrentIndex(GridPage);
    }
    tbsStats_Click(GridPage);

    // Both charts start empty.
    StatsChart::draw(m_chart->view()->chart(), m_chart->typeList()->currentIndex(), QString(), {QString()}, {}, {},
                     false);
    StatsChart::draw(m_graph->view()->chart(), m_graph->typeList()->currentIndex(), QString(), {QString()}, {}, {},
                     chkGraphLegend->isChecked());

    SetupGrid();
    RefreshGraphGroupList();
    RefreshGraphStatsList();
    Freeze(false);
    // The window outlives a close, its grid page with it: each load starts sorted by the groups again.
    m_grid->resetSort();
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
    m_grid->stopTimers();
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

void frmStatistics::AddHints() { AddStatsWindowHints(this); }

// ---------------------------------------------------------------------------------------------------------
// Layout

double frmStatistics::pageWidthTwips() const { return tw(centralWidget()->width()); }

void frmStatistics::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (blnResizing || !m_loaded)
        return;
    if (!isMinimized() && !isMaximized() && !isFullScreen()) {
        // Smaller than its first size, the graph under its open options frame has no height left to be read
        // and the chart's labels no room: the window keeps at least the inner size it is first given.
        const QSize min(px(kDesignWidth), px(kDesignHeight));
        if (width() < min.width() || height() < min.height()) {
            blnResizing = true;
            resize(std::max(width(), min.width()), std::max(height(), min.height()));
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
    tbsStats->setGeometry(0, 0, w, std::max(px(kPageTop), tbsStats->sizeHint().height()));
    const int top = std::max(px(kPageTop), tbsStats->sizeHint().height());
    QList<int> before;
    for (QWidget* page : picStats) {
        before << page->width();
        page->setGeometry(page->x(), top, w, h - top);
    }
    m_grid->layout(width());
    m_chart->layout(before.value(ChartPageTab), pageWidthTwips());
    m_graph->layout(before.value(GraphPageTab), pageWidthTwips());
}

void frmStatistics::tbsStats_Click(int tab)
{
    const int top = std::max(px(kPageTop), tbsStats->sizeHint().height());
    for (int i = 0; i < PageCount; ++i) {
        // Pages that are not chosen stay made, out of sight.
        const bool chosen = i == tab;
        picStats[i]->move(chosen ? 0 : kAwayFromSight, top);
        picStats[i]->setEnabled(chosen);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Grid

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
    m_grid->setUp(statistics, groups, width());
}

void frmStatistics::ArrowTimer_Timer() { m_grid->arrowTimerTick(); }

void frmStatistics::GridMouseUpTimer_Timer() { m_grid->mouseUpTimerTick(); }

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
    const StatsGridModel* grid = m_grid->model();
    QStringList labels;
    QList<QList<double>> values;
    for (int r = 1; r < grid->Rows(); ++r) {
        // Only figures that were computed: a stopped cell holds none, not a 0.
        const QString text = grid->TextMatrix(r, dataColumn);
        if (text == StoppedCellText())
            continue;
        labels << grid->TextMatrix(r, StatsGridModel::GroupColumn);
        values << QList<double>{StatisticCellNumber(text)};
    }
    const QString heading = grid->TextMatrix(StatsGridModel::HeadingRow, dataColumn);
    const QString title = heading + QLatin1Char(' ') + strTime;
    StatsChart::draw(m_chart->view()->chart(), m_chart->typeList()->currentIndex(), title, labels, {heading}, values,
                     false);
}

void frmStatistics::fillChartStatistics(const QStringList& names)
{
    QComboBox* box = m_chart->statisticList();
    const QString before = box->currentText();
    {
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(names);
        box->setCurrentIndex(-1);
    }
    selectOrFirst(box, before);
}

void frmStatistics::selectOrFirst(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    SelectListItem(box, text);
    if (box->currentIndex() < 0 && box->count() > 0)
        box->setCurrentIndex(0);
}

void frmStatistics::SetArray(const GraphTable& table)
{
    arrGraphData = table;
    m_graphHourly = cboGraphFrequency->currentIndex() == StatsWindow::Hourly;
}

QString frmStatistics::graphTitle() const
{
    return QStringLiteral("Total Calls Graphed ") + cboGraphFrequency->currentText() + QLatin1Char(' ') + strTime;
}

void frmStatistics::drawGraph()
{
    const GraphTable& t = arrGraphData;
    QChart* chart = m_graph->view()->chart();
    const int type = m_graph->typeList()->currentIndex();
    if (t.isEmpty()) {
        StatsChart::draw(chart, type, graphTitle(), {QString()}, {}, {}, chkGraphLegend->isChecked());
        return;
    }
    QStringList series = m_graphSeries;
    while (series.size() < t.groupCount())
        series << QString();
    series = series.mid(0, t.groupCount());
    StatsChart::draw(chart, type, graphTitle(), GraphAxisLabels(t.labels, m_graphHourly), series, t.values,
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

void frmStatistics::typeChanged(ChartPage* page)
{
    page->typeChanged(pageWidthTwips());
    if (page == m_graph)
        drawGraph();
    else if (m_chart->statisticList()->currentIndex() >= 0)
        Chart(m_chart->statisticList()->currentIndex() + 1);
}

void frmStatistics::chkGraphLegend_Click()
{
    const bool shown = chkGraphLegend->isChecked();
    m_graph->view()->chart()->legend()->setVisible(shown);
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
    const QSignalBlocker block(m_graph->statisticList());
    m_graph->statisticList()->clear();
    if (gStatistics) {
        for (const auto& e : *gStatistics)
            m_graph->statisticList()->addItem(e.item->Description);
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
// Computing: the window's own use, or a client's request

quint64 frmStatistics::beginCommand()
{
    if (!m_inCommand)
        ++m_command;
    return m_command;
}

void frmStatistics::computationStopped(quint64 command)
{
    m_stoppedCommand = std::max(m_stoppedCommand, command);
    markUncomputedCells();
}

void frmStatistics::showNoGraph()
{
    m_graphSeries.clear();
    SetArray(GraphTable());
    drawGraph();
}

void frmStatistics::markUncomputedCells()
{
    StatsGridModel* grid = m_grid->model();
    // The last column is the filler, not a statistic.
    for (int r = 1; r < grid->Rows(); ++r) {
        for (int c = 1; c < grid->Cols() - 1; ++c) {
            if (grid->TextMatrix(r, c).isEmpty())
                grid->setTextMatrix(r, c, StoppedCellText());
        }
    }
}

bool frmStatistics::generateAndGraph()
{
    const QPointer<frmStatistics> self(this);
    // One command: a Stop of its grid stops its graph too.
    ++m_command;
    m_inCommand = true;
    GenerateStatistics();
    if (!self)
        return false;
    Graph();
    if (!self)
        return false;
    m_inCommand = false;
    return true;
}

void frmStatistics::GenerateStatistics()
{
    if (isClientMode()) {
        clientGenerate();
        return;
    }
    // The headings show at once; the cells come when the engine gets to the job.
    SetupGrid();
    StatisticsQueue::submit(std::make_shared<LocalGridJob>(this, beginCommand()));
}

void frmStatistics::Graph()
{
    if (cboGraphFrequency->currentIndex() < Hourly || cboGraphFrequency->currentIndex() > Monthly)
        cboGraphFrequency->setCurrentIndex(Monthly);
    if (isClientMode()) {
        clientGraph();
        return;
    }
    GraphUnit unit = GraphUnit::Month;
    GraphUnitFromCode(GraphUnitCode(cboGraphFrequency->currentIndex()), unit);
    const int item = checkedTimeItem();
    const GraphRange range = LocalGraphRange(item, Clock::now(), customRange(), [] { return GetFirstCallDate(); });
    const GraphGroups chosen = GraphGroupsOf(selectedGraphGroups(), gGroups.get());
    const QList<GraphBucket> buckets =
        range.noCalls
            ? QList<GraphBucket>()
            : GraphBuckets(range.start, range.end, unit, kMaxGraphCells / std::max<qint64>(1, chosen.groups.size()));
    if (range.noCalls || buckets.isEmpty()) {
        // An empty log has no first call to start from: the graph is empty, and so is one far too large.
        if (!range.noCalls)
            AddEvent(GraphTooManyPointsEvent(cboGraphFrequency->currentText()));
        m_graphSeries.clear();
        SetArray(GraphTable());
        drawGraph();
        return;
    }
    const int days = PeriodDays(item, dteCustomStartDate, dteCustomEndDate);
    const auto statistic = GetStatistic(m_graph->statisticList()->currentText(), gStatistics.get());
    StatisticsQueue::submit(
        std::make_shared<LocalGraphJob>(this, beginCommand(), *statistic, chosen.groups, chosen.names, buckets, days));
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
