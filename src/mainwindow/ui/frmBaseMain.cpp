#include "mainwindow/ui/frmBaseMain.h"

#include <cmath>
#include <limits>
#include <optional>

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWindowStateChangeEvent>

#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/RecordFields.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallListPrinter.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "platform/Twips.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"

namespace {

const char* const kHiddenByMinimise = "velquonHiddenByMinimise";
const char* const kPopupFamily[] = {"frmMiniDisplay", "frmCallerInfo", "frmContactPicture", "frmOtherInfo",
                                    "frmCustomizeMiniDisplay"};
const char* const kViewTimeCaptions[15] = {"15 minutes", nullptr, "1 hour", "3 hours", "12 hours",
                                           nullptr,      "1 day", "3 days", nullptr,   "1 week",
                                           "3 weeks",    nullptr, "All",    nullptr,   "Custom..."};

constexpr int MinWidth = 6000; // twips
constexpr int MinHeight = 3000;
constexpr int ListLeft = 240;
constexpr int ListWidth = 1935;
constexpr int ListHeight = 1035;
constexpr int ProgressThreshold = 15;
constexpr qint32 MaxProgressSteps = 1000;

int px(double twips) { return Twips::toPixels(twips); }
int tw(int pixels) { return int(std::lround(Twips::fromPixels(pixels))); }

} // namespace

frmBaseMain::frmBaseMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmBaseMain"));
    setWindowTitle(QStringLiteral("Velquon"));
    setWindowIcon(ProgramIcons::icon(QStringLiteral("ricon")));
    setMinimumSize(px(MinWidth), px(MinHeight));
    resize(px(9000), px(6000));

    auto* central = new QWidget(this);
    Grid = new CallerIDGrid(central);
    Grid->setObjectName(QStringLiteral("Grid"));
    setCentralWidget(central);

    lstEventsView = new QListView(this);
    lstEventsView->setObjectName(QStringLiteral("lstEvents"));
    lstEventsView->setModel(&lstEvents);
    lstEventsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstEventsView->setToolTip(QStringLiteral("Events (double click to contract)"));
    lstClients = new QListWidget(this);
    lstClients->setObjectName(QStringLiteral("lstClients"));
    lstClients->setToolTip(QStringLiteral("Clients (double click to contract)"));
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(lstEventsView), static_cast<QAbstractItemView*>(lstClients)}) {
        QPalette pal = list->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        list->setPalette(pal);
        list->hide();
        list->viewport()->installEventFilter(this);
    }
    lstEventsView->setGeometry(px(ListLeft), 0, px(ListWidth), px(ListHeight));
    lstClients->setGeometry(px(2760), 0, px(ListWidth), px(ListHeight));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setMouseTracking(true);
    statusBar()->installEventFilter(this);

    Shell = new ShellIcon(this);
    connect(Shell, &ShellIcon::DblClick, this, &frmBaseMain::ShellIcon_DblClick);
    connect(Shell, &ShellIcon::Click, this, &frmBaseMain::ShellIcon_Click);
    connect(Shell, &ShellIcon::MouseMove, this, &frmBaseMain::ShellIcon_MouseMove);

    StatusTimer.setInterval(1000);
    connect(&StatusTimer, &QTimer::timeout, this, &frmBaseMain::StatusTimer_Timer);
    RefreshTimer.setInterval(1);
    connect(&RefreshTimer, &QTimer::timeout, this, &frmBaseMain::RefreshTimer_Timer);
    BlinkTimer.setInterval(300);
    connect(&BlinkTimer, &QTimer::timeout, this, &frmBaseMain::BlinkTimer_Timer);
    GridMouseUpTimer.setInterval(1);
    connect(&GridMouseUpTimer, &QTimer::timeout, this, &frmBaseMain::GridMouseUpTimer_Timer);
    ConfigTimer.setInterval(1);
    connect(&ConfigTimer, &QTimer::timeout, this, &frmBaseMain::ConfigTimer_Timer);
    ClockTimer.setInterval(1000);
    connect(&ClockTimer, &QTimer::timeout, this, &frmBaseMain::updateClock);
    connect(Grid, &CallerIDGrid::MouseUp, this, &frmBaseMain::Grid_MouseUp);

    MSComm = new ModemPort(this, this);
    Calls = new CallHandler(MSComm, this);
    connect(MSComm, &ModemPort::connectionChanged, this, &frmBaseMain::portStateChanged);
    connect(Calls, &CallHandler::callAdded, this, [this](const clsCaller& caller) { Grid->AddItem(caller, true); });
    connect(Calls, &CallHandler::callUpdated, this,
            [this](qint32 id, const clsCaller& caller) { Grid->UpdateItem(id, caller); });
    connect(Calls, &CallHandler::callStarted, this, [this] {
        if (windowState() & Qt::WindowMinimized)
            BlinkTimer.start();
    });
    miniDisplay().connectCallRoad(Calls);

    buildMenus();
    buildToolbar();
    Form_Load();
}

frmBaseMain::~frmBaseMain()
{
    if (gMainForm == this)
        gMainForm = nullptr;
}

// --- building ------------------------------------------------------------------------------------------

void frmBaseMain::buildMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFileNewDB = mnuFile->addAction(QStringLiteral("&New DB..."), this, &frmBaseMain::mnuFileNewDB_Click);
    mnuFileChangeDB = mnuFile->addAction(QStringLiteral("&Change DB..."), this, &frmBaseMain::mnuFileChangeDB_Click);
    mnuFile->addSeparator();
    mnuFilePrint = mnuFile->addAction(QStringLiteral("&Print Log..."), this, &frmBaseMain::mnuFilePrint_Click);
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"), this, &frmBaseMain::mnuFileExit_Click);

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEditCopyAll = mnuEdit->addAction(QStringLiteral("Copy &All"), this, &frmBaseMain::mnuEditCopyAll_Click);
    mnuEditCopyAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuEditCopy = mnuEdit->addAction(QStringLiteral("&Copy Selected Items"), this, &frmBaseMain::mnuEditCopy_Click);
    mnuEditCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEditReset = mnuEdit->addAction(QStringLiteral("&Reset Columns"), this, &frmBaseMain::mnuEditReset_Click);
    mnuEditReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuEdit->addSeparator();
    mnuEditDelete = mnuEdit->addAction(QStringLiteral("&Delete"), this, &frmBaseMain::mnuEditDelete_Click);
    mnuEditDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    mnuEditClear = mnuEdit->addAction(QStringLiteral("Clear &Log"), this, &frmBaseMain::mnuEditClear_Click);
    mnuEditClear->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    mnuEdit->addSeparator();
    mnuEditOriginal = mnuEdit->addAction(QStringLiteral("View &Original Caller ID Info..."));
    mnuEditOriginal->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuEdit->addSeparator();
    mnuEditAdd = mnuEdit->addMenu(QStringLiteral("Add &To Contact DB"));
    mnuEditCreateNew = mnuEditAdd->addAction(QStringLiteral("&Add As New Contact..."));
    mnuEditCreateNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuEditAddToCurrent = mnuEditAdd->addAction(QStringLiteral("Add This &Number To A Contact..."));
    mnuEditAddToCurrent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));

    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    for (int i = 0; i < 15; ++i) {
        QAction* a = nullptr;
        if (kViewTimeCaptions[i]) {
            a = mnuView->addAction(QString::fromLatin1(kViewTimeCaptions[i]), this, [this, i] {
                // "Custom..." only opens its window: the item's own flip of its mark is taken back.
                if (i == ViewTime::Custom)
                    mnuViewTime[i]->setChecked(!mnuViewTime[i]->isChecked());
                mnuViewTime_Click(i);
            });
            a->setCheckable(true);
        } else {
            a = mnuView->addSeparator();
        }
        mnuViewTime.append(a);
    }
    mnuViewTime[6]->setChecked(true);

    mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptionsPopupScreen =
        mnuOptions->addAction(QStringLiteral("&Mini Display Popup"), this, &frmBaseMain::mnuOptionsPopupScreen_Click);
    mnuOptionsAlways =
        mnuOptions->addAction(QStringLiteral("&Always On Top"), this, &frmBaseMain::mnuOptionsAlways_Click);
    mnuOptionsSound = mnuOptions->addAction(QStringLiteral("Enable &Sound"), this, &frmBaseMain::mnuOptionsSound_Click);
    mnuOptions->addSeparator();
    mnuOptionsRelease =
        mnuOptions->addAction(QStringLiteral("&Open Port"), this, &frmBaseMain::mnuOptionsRelease_Click);

    mnuWindows = menuBar()->addMenu(QStringLiteral("&Window"));
    mnuWindow = QList<QAction*>(WindowMenuMiniDisplay + 1, nullptr);
    QAction* miniDisplay = mnuWindows->addAction(QStringLiteral("&Mini Display"), this,
                                                 [this] { mnuWindow_Click(WindowMenuMiniDisplay); });
    miniDisplay->setObjectName(QStringLiteral("mnuWindow6"));
    miniDisplay->setCheckable(true);
    miniDisplay->setShortcut(QKeySequence(Qt::Key_F12));
    mnuWindow[WindowMenuMiniDisplay] = miniDisplay;

    mnuPopupMenu = new QMenu(QStringLiteral("PopupMenu"), this);
    mnuPopupMenuRestore =
        mnuPopupMenu->addAction(QStringLiteral("&Restore"), this, &frmBaseMain::mnuPopupMenuRestore_Click);
    mnuPopupMenu->addSeparator();
    mnuPopupMenuPopupScreen =
        mnuPopupMenu->addAction(QStringLiteral("&Mini Display Popup"), this, &frmBaseMain::mnuOptionsPopupScreen_Click);
    mnuPopupMenuAlways =
        mnuPopupMenu->addAction(QStringLiteral("&Always On Top"), this, &frmBaseMain::mnuOptionsAlways_Click);
    mnuPopupMenuSound =
        mnuPopupMenu->addAction(QStringLiteral("Enable &Sound"), this, &frmBaseMain::mnuOptionsSound_Click);
    mnuPopupMenu->addSeparator();
    mnuPopupMenuRelease =
        mnuPopupMenu->addAction(QStringLiteral("&Open Port"), this, &frmBaseMain::mnuOptionsRelease_Click);
    mnuPopupMenuClose = mnuPopupMenu->addAction(QStringLiteral("&Close"), this, &frmBaseMain::mnuFileExit_Click);
    for (QAction* a : {mnuOptionsPopupScreen, mnuOptionsAlways, mnuOptionsSound, mnuPopupMenuPopupScreen,
                       mnuPopupMenuAlways, mnuPopupMenuSound})
        a->setCheckable(true);

    mnuGridOptions = new QMenu(QStringLiteral("Grid Options"), this);
    mnuGridOptionsCopyAll =
        mnuGridOptions->addAction(QStringLiteral("Copy &All"), this, &frmBaseMain::mnuEditCopyAll_Click);
    mnuGridOptionsCopy =
        mnuGridOptions->addAction(QStringLiteral("&Copy Selected Item"), this, &frmBaseMain::mnuEditCopy_Click);
    mnuGridOptions->addSeparator();
    mnuGridOptionsAdd = mnuGridOptions->addMenu(QStringLiteral("Add To Contacts DB"));
    mnuGridOptionsAdd->addAction(QStringLiteral("Add As New Contact..."));
    mnuGridOptionsAdd->addAction(QStringLiteral("Add This Number To A Contact..."));
    mnuGridOptions->addSeparator();
    mnuGridOptionsEdit =
        mnuGridOptions->addAction(QStringLiteral("Edit"), this, [this] { Grid->ShowEdit(Grid->RowSel(), intGridCol); });

    mnuToolbarPopup = new QMenu(QStringLiteral("Toolbar Popup"), this);
    mnuToolbarPopupCreateNew = mnuToolbarPopup->addAction(QStringLiteral("Add As New Contact..."));
    mnuToolbarPopupAddToCurrent = mnuToolbarPopup->addAction(QStringLiteral("Add This Number To A Contact..."));
}

void frmBaseMain::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(px(300), px(300)));
    struct Button {
        int index;
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {1, "Print Log", QStyle::SP_FileIcon},
        {3, "Delete", QStyle::SP_TrashIcon},
        {4, "Clear Current Display", QStyle::SP_DialogDiscardButton},
        {5, "Reset Columns", QStyle::SP_BrowserReload},
        {7, "Customize Time", QStyle::SP_FileDialogDetailedView},
        {8, "Find Records", QStyle::SP_FileDialogContentsView},
        {9, "View Statistics", QStyle::SP_FileDialogInfoView},
        {11, "Add To Contacts", QStyle::SP_FileDialogNewFolder},
        {12, "View Contacts", QStyle::SP_DirHomeIcon},
        {14, "Mini Display", QStyle::SP_ComputerIcon},
    };
    ToolbarButtons = QList<QAction*>(15, nullptr);
    int next = 0;
    for (int index = 1; index <= 14; ++index) {
        if (next < int(std::size(buttons)) && buttons[next].index == index) {
            const Button& b = buttons[next++];
            QAction* a = Toolbar1->addAction(style()->standardIcon(b.icon), QString::fromLatin1(b.tip));
            a->setToolTip(QString::fromLatin1(b.tip));
            ToolbarButtons[index] = a;
        } else {
            Toolbar1->addSeparator();
        }
    }
    connect(ToolbarButtons[1], &QAction::triggered, this, &frmBaseMain::mnuFilePrint_Click);
    connect(ToolbarButtons[3], &QAction::triggered, this, &frmBaseMain::mnuEditDelete_Click);
    connect(ToolbarButtons[4], &QAction::triggered, this, &frmBaseMain::mnuEditClear_Click);
    connect(ToolbarButtons[5], &QAction::triggered, this, &frmBaseMain::mnuEditReset_Click);
    connect(ToolbarButtons[7], &QAction::triggered, this, [this] { mnuViewTime_Click(ViewTime::Custom); });
    connect(ToolbarButtons[11], &QAction::triggered, this, [this] {
        QWidget* button = Toolbar1->widgetForAction(ToolbarButtons[11]);
        const QPoint below = button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos();
        mnuToolbarPopup->popup(below);
    });
}

void frmBaseMain::BuildStatusPanels()
{
    for (int i = 1; i < Panels.size(); ++i) {
        statusBar()->removeWidget(Panels[i]);
        delete Panels[i];
    }
    Panels = QList<QLabel*>{nullptr};
    auto panel = [this](int width, bool stretch, const QString& widest = QString()) {
        auto* label = new QLabel(statusBar());
        label->setObjectName(QStringLiteral("Panel%1").arg(Panels.size()));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        if (stretch) {
            label->setMinimumWidth(1);
            statusBar()->addWidget(label, 1);
        } else {
            // A large font must not cut the panel's text off.
            const int needed = label->fontMetrics().horizontalAdvance(widest) + 12;
            label->setFixedWidth(std::max(px(width), needed));
            statusBar()->addPermanentWidget(label);
        }
        Panels.append(label);
        return label;
    };
    panel(0, true)->setText(statusText());
    const QString clock = QStringLiteral("12:00 PM");
    panel(1850, false, QStringLiteral("00000 Records Displayed"));
    if (gNetworkMode == Server) {
        panel(1700, false, QStringLiteral("00 Clients Connected"))->setText(QStringLiteral("0 Clients Connected"));
        panel(1000, false, clock);
    } else {
        panel(1000, false, clock);
    }
    updateClock();
    ClockTimer.start();
    if (gNetworkMode != Server)
        lstClients->hide();
}

void frmBaseMain::updateClock()
{
    const int clockPanel = gNetworkMode == Server ? 4 : 3;
    if (clockPanel < Panels.size())
        Panels[clockPanel]->setText(QLocale::c().toString(Clock::now().time(), QStringLiteral("h:mm AP")));
}

// --- load, unload, resize ------------------------------------------------------------------------------

void frmBaseMain::Form_Load()
{
    if (gNetworkMode == Client) {
        blnUnloadOnly = true;
        return;
    }
    blnFirstResize = true;
    SetOnTop(this, false);
    blnPlacing = true;
    RestoreFormPosition(this);
    blnPlacing = false;

    Shell->setIcon(ProgramIcons::icon(QStringLiteral("ricon")));
    Shell->setToolTipText(QStringLiteral("Velquon"));
    Shell->setVisible(true);

    lstEvents.insertRows(lstEvents.rowCount(), 5);
    for (int i = 0; i < 5; ++i)
        lstClients->addItem(QString());

    if (!gSwitchingMode && textToBool(GetProperty(Section::frmConfiguration, Key::Minimized, QStringLiteral("False"))))
        setWindowState(windowState() | Qt::WindowMinimized);
    gSwitchingMode = false;

    setOptionChecks();
    BuildStatusPanels();
    ResizeGrid();
    AddHints();
}

void frmBaseMain::showWindow()
{
    if (windowState() & Qt::WindowMinimized) {
        // Starting minimised: straight to the tray (or the task bar when there is no tray).
        if (ShellIcon::trayAvailable()) {
            m_wasMinimised = true;
            return;
        }
        showMinimized();
        return;
    }
    show();
}

void frmBaseMain::showAndRaise()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmBaseMain::Unload() { close(); }

void frmBaseMain::closeEvent(QCloseEvent* event)
{
    if (blnUnloadOnly) {
        blnUnloadOnly = false;
        event->accept();
        return;
    }
    if (m_exiting) {
        event->accept();
        return;
    }
    if (blnExit || !textToBool(GetProperty(Section::frmConfiguration, Key::CloseMinimize, QStringLiteral("True")))) {
        event->accept();
        ExitSteps();
        return;
    }
    event->ignore();
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmBaseMain::ExitSteps()
{
    m_exiting = true;
    Shell->setVisible(false);
    MSComm->PortOpenTimer.stop();
    if (MSComm->PortOpen())
        MSComm->serial().close();
    SaveFormPosition();
    SaveLogOffTime();
    Calls->CurrentCaller.reset();
    Calls->WatchedCaller.reset();
    Program::shutDown();
    Program::end();
}

void frmBaseMain::SaveFormPosition()
{
    // Top, Left, Height and Width only in the normal state: a window closed minimised or maximised keeps
    // its last normal placement.
    ::SaveFormPosition(this, PlaceAll);
}

void frmBaseMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & Qt::WindowMinimized))
        Form_Resize();
}

void frmBaseMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmBaseMain::Form_Resize()
{
    if (blnPlacing)
        return;
    const bool minimised = windowState() & Qt::WindowMinimized;
    if (minimised) {
        if (!m_wasMinimised)
            hideWindowsForMinimise();
        m_wasMinimised = true;
    } else {
        if (m_wasMinimised)
            showWindowsAfterRestore();
        m_wasMinimised = false;
        SaveFormPosition();
        if (!blnFirstResize)
            ScaleGridColumns();
        ResizeGrid();
    }
    StopBlinking();
    RefreshTimer.start();
    blnFirstResize = false;
}

bool frmBaseMain::isPopupFamily(const QWidget* window)
{
    for (const char* name : kPopupFamily)
        if (window->objectName().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool frmBaseMain::hiddenByMinimise(const QWidget* window) { return window->property(kHiddenByMinimise).toBool(); }

void frmBaseMain::hideWindowsForMinimise()
{
    // Without a tray the main window stays in the task bar, or nothing would lead back to the program.
    const bool toTray = Shell->added() && ShellIcon::trayAvailable();
    // Every window to hide is marked before any is hidden: hiding an owner may take its owned windows along,
    // and those must come back on restore as well.
    QList<QWidget*> toHide;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        const Qt::WindowType type = w->windowType();
        if (!w->isVisible() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop || isPopupFamily(w))
            continue;
        if (w == this && !toTray)
            continue;
        w->setProperty(kHiddenByMinimise, true);
        toHide.append(w);
    }
    for (QWidget* w : toHide)
        w->hide();
}

void frmBaseMain::showWindowsAfterRestore()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (!hiddenByMinimise(w) || w->objectName() == QLatin1String("frmMiniDisplay"))
            continue;
        w->setProperty(kHiddenByMinimise, QVariant());
        w->show();
    }
}

void frmBaseMain::ScaleGridColumns()
{
    const int gridWidth = tw(Grid->width());
    if (gridWidth <= 5700)
        return;
    const int newWidth = tw(centralWidget()->width());
    for (int c = 0; c < Grid->Cols(); ++c)
        Grid->setColWidth(c, int(std::lround(double(Grid->ColWidth(c)) / gridWidth * newWidth)));
}

void frmBaseMain::ResizeGrid()
{
    QWidget* area = centralWidget();
    Grid->setGeometry(0, 0, area->width(), area->height());
}

// --- status bar and fold-out lists ---------------------------------------------------------------------

void frmBaseMain::setStatusText(const QString& text)
{
    MainWindow::setStatusText(text);
    if (Panels.size() > 1)
        Panels[1]->setText(text);
    if (StatusTimerEnabled && !StatusTimer.isActive())
        StatusTimer.start();
}

void frmBaseMain::setCaption(const QString& caption)
{
    MainWindow::setCaption(caption);
    setWindowTitle(caption);
}

void frmBaseMain::eventAdded(int row)
{
    const QModelIndex index = lstEvents.index(row);
    lstEventsView->setCurrentIndex(index);
    lstEventsView->scrollTo(index);
}

void frmBaseMain::StatusTimer_Timer()
{
    ++intStatusTimer;
    if (intStatusTimer >= 10) {
        StatusTimer.stop();
        StatusTimerEnabled = false;
        intStatusTimer = 0;
        MainWindow::setStatusText(QString());
        if (Panels.size() > 1)
            Panels[1]->setText(QString());
    }
}

void frmBaseMain::placeFoldOut(QWidget* list, int panel, bool setWidth)
{
    if (panel >= Panels.size())
        return;
    const QRect p(Panels[panel]->mapTo(this, QPoint(0, 0)), Panels[panel]->size());
    const QRect bar = statusBar()->geometry();
    const int width = setWidth ? p.width() : list->width();
    list->setGeometry(p.left(), bar.top() + bar.height() - list->height(), width, list->height());
}

void frmBaseMain::RefreshTimer_Timer()
{
    RefreshTimer.stop();
    if (lstEventsView->isVisible())
        placeFoldOut(lstEventsView, 1, true);
    if (gNetworkMode == Server && lstClients->isVisible())
        placeFoldOut(lstClients, 3, false);
}

void frmBaseMain::StatusBar1_PanelDblClick(int panel)
{
    if (panel == 1) {
        placeFoldOut(lstEventsView, 1, true);
        lstEventsView->show();
        lstEventsView->raise();
        lstEventsView->setFocus();
    } else if (panel == 3 && gNetworkMode == Server) {
        placeFoldOut(lstClients, 3, true);
        lstClients->show();
        lstClients->raise();
        lstClients->setFocus();
    }
}

void frmBaseMain::lstEvents_DblClick() { lstEventsView->hide(); }

void frmBaseMain::StatusBar1_MouseMove(double x)
{
    auto width = [this](int panel) { return panel < Panels.size() ? double(tw(Panels[panel]->width())) : 0.0; };
    const double w1 = width(1), w2 = width(2), w3 = width(3);
    const double bar = tw(statusBar()->width());
    const bool server = gNetworkMode == Server;
    QString tip;
    if (x < w1)
        tip = QStringLiteral("Events (double click to expand)");
    else if (w1 < x && x < w1 + w2)
        tip = QStringLiteral("Records Displayed");
    else if (w1 + w2 < x && x < w1 + w2 + w3)
        tip = server ? QStringLiteral("Clients (double click to expand)") : QStringLiteral("Current Time");
    else if (w1 + w2 + w3 < x && x < bar)
        tip = server ? QStringLiteral("Current Time") : statusBar()->toolTip();
    statusBar()->setToolTip(tip);
}

QString frmBaseMain::statusBarToolTip() const { return statusBar()->toolTip(); }

bool frmBaseMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == lstEventsView->viewport()) {
            lstEvents_DblClick();
            return true;
        }
        for (int i = 1; i < Panels.size(); ++i)
            if (watched == Panels[i]) {
                StatusBar1_PanelDblClick(i);
                return true;
            }
    } else if (event->type() == QEvent::MouseMove) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && (w == statusBar() || Panels.contains(static_cast<QLabel*>(w)))) {
            // Panel edges are measured from the first panel's left edge, as the panel widths add up.
            const QPoint p = w->mapTo(statusBar(), static_cast<QMouseEvent*>(event)->position().toPoint());
            const int origin = Panels.size() > 1 ? Panels[1]->mapTo(statusBar(), QPoint(0, 0)).x() : 0;
            StatusBar1_MouseMove(Twips::fromPixels(p.x() - origin));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmBaseMain::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    gToolTip->SetToolTipObj(
        Grid->hwnd(),
        QStringLiteral("This is where caller records are displayed. Records in the Contact database can appear a "
                       "unique color. Clicking on the column heading will sort the records by that column. To "
                       "disable hints like this go into the program configuration under options."));
    gToolTip->SetToolTipObj(lstEventsView, QStringLiteral("This displays recent events that have occured. Double "
                                                          "click this list to expand or contract it."));
    gToolTip->SetToolTipObj(
        lstClients,
        QStringLiteral("This is a list of all the clients currently connected to this server. Right clicking "
                       "clients in this list will bring up a menu where you can restrict, block, or drop the "
                       "highlighted client. Double click this list to expand or contact it."));
}

// --- tray icon -----------------------------------------------------------------------------------------

void frmBaseMain::ShellIcon_MouseMove() { mnuPopupMenuRestore->setEnabled(windowState() & Qt::WindowMinimized); }

void frmBaseMain::ShellIcon_DblClick(int button)
{
    if (button != 1)
        return;
    showAndRaise();
}

void frmBaseMain::ShellIcon_Click(int button)
{
    if (button != 2)
        return;
    if (isVisible()) {
        raise();
        activateWindow();
    }
    ShellIcon_MouseMove();
    mnuPopupMenu->popup(QCursor::pos());
}

void frmBaseMain::mnuPopupMenuRestore_Click()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

void frmBaseMain::BlinkTimer_Timer()
{
    if (textToBool(GetProperty(Section::frmConfiguration, Key::BlinkingIcon, QStringLiteral("True"))) &&
        (windowState() & Qt::WindowMinimized)) {
        m_blinkOn = !m_blinkOn;
        Shell->setIcon(ProgramIcons::icon(m_blinkOn ? QStringLiteral("gicon") : QStringLiteral("ricon")));
        return;
    }
    StopBlinking();
}

void frmBaseMain::StopBlinking()
{
    if (!BlinkTimer.isActive())
        return;
    BlinkTimer.stop();
    m_blinkOn = false;
    Shell->setIcon(windowIcon());
}

// --- menus ---------------------------------------------------------------------------------------------

void frmBaseMain::mnuFileExit_Click()
{
    blnExit = true;
    Unload();
}

void frmBaseMain::setOptionChecks()
{
    const bool onTop = textToBool(GetProperty(Section::frmConfiguration, Key::OnTop, QStringLiteral("False")));
    const bool popup = textToBool(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True")));
    const bool sound = textToBool(GetProperty(Section::frmConfiguration, Key::Sound, QStringLiteral("True")));
    mnuOptionsAlways->setChecked(onTop);
    mnuPopupMenuAlways->setChecked(onTop);
    mnuOptionsPopupScreen->setChecked(popup);
    mnuPopupMenuPopupScreen->setChecked(popup);
    mnuOptionsSound->setChecked(sound);
    mnuPopupMenuSound->setChecked(sound);
}

void frmBaseMain::toggleOption(const char* key, const char* defaultValue)
{
    const bool stored = textToBool(GetProperty(Section::frmConfiguration, key, QString::fromLatin1(defaultValue)));
    SaveProperty(Section::frmConfiguration, key, boolText(!stored));
}

void frmBaseMain::mnuOptionsPopupScreen_Click()
{
    toggleOption(Key::PopupScreen, "True");
    setOptionChecks();
}

void frmBaseMain::mnuOptionsAlways_Click()
{
    toggleOption(Key::OnTop, "False");
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
            w->objectName() == QLatin1String("frmMiniDisplay"))
            continue;
        SetOnTop(w, false);
    }
    setOptionChecks();
}

void frmBaseMain::mnuOptionsRelease_Click()
{
    MSComm->OpenPort(mnuOptionsRelease->text() != QLatin1String("&Release Port"));
}

void frmBaseMain::portStateChanged()
{
    // The window's own icon always shows the port state; the tray follows it unless it is blinking.
    setWindowIcon(ProgramIcons::icon(MSComm->iconKey()));
    if (!BlinkTimer.isActive())
        Shell->setIcon(windowIcon());
    mnuOptionsRelease->setText(MSComm->releaseCaption());
    mnuPopupMenuRelease->setText(MSComm->releaseCaption());
}

void frmBaseMain::BlockCall() { Calls->BlockCall(); }

void frmBaseMain::EditGrid(int column, const QString& text, qint32 id)
{
    const bool confirm =
        textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")));
    bool yes = true;
    if (confirm && id == -1)
        yes = Prompt::message(QStringLiteral("Are you sure you want to permanently edit the original caller id "
                                             "information?"),
                              Prompt::YesNo, Prompt::Exclamation) == Prompt::Yes;
    if (yes && gCallerDB) {
        // The key is a number, whichever way it came: the grid's ID cell is never pasted into the query.
        qint64 key = id;
        bool ok = true;
        if (id == -1)
            key = Grid->TextMatrix(Grid->RowSel(), CallListModel::ColID).trimmed().toLongLong(&ok);
        QList<clsCaller> found;
        if (ok) {
            try {
                found = SelectCallers(QStringLiteral("Select * From tblCID Where ID = ") + QString::number(key));
            } catch (const SqlError& e) {
                SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
                ReportError(QStringLiteral("frmBaseMain_EditGrid"));
            }
        }
        if (!found.isEmpty()) {
            clsCaller caller = found.first();
            // Text the log cannot hold as a date or a ring count changes nothing.
            bool valid = true;
            switch (column) {
            case 0:
                caller.Name = text;
                break;
            case 1:
                caller.Number.Number = text;
                break;
            case 2:
                if (const auto date = DateText::parse(text))
                    caller.CallerDate = DateText::format(*date);
                else
                    valid = false;
                break;
            case 3:
                valid = RecordFields::toInt32(text, caller.Rings) == RecordFields::Converted;
                break;
            case 4:
                caller.Answered = text;
                break;
            default:
                break;
            }
            if (!valid) {
                SaveError(13, QStringLiteral("Type mismatch"), QStringLiteral("frmBaseMain"));
                ReportError(QStringLiteral("frmBaseMain_EditGrid"));
            } else {
                try {
                    EditCaller(caller.ID, caller);
                    const QList<clsCaller> saved =
                        SelectCallers(QStringLiteral("Select * From tblCID Where ID = ") + QString::number(caller.ID));
                    if (!saved.isEmpty()) {
                        clsCaller stored = saved.first();
                        MatchCallerToContact(stored.Number.Number, stored);
                        Grid->UpdateItem(stored.ID, stored);
                        miniDisplay().UpdateCaller(stored.ID, stored);
                        if (gNetworkMode == Server && gServer)
                            gServer->SendData(QStringLiteral(";EDIT CALLER;") + stored.PrintSend() +
                                              QStringLiteral(";"));
                    }
                } catch (const SqlError& e) {
                    // The view's query is put back below whatever happened here.
                    SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
                    ReportError(QStringLiteral("frmBaseMain_EditGrid"));
                }
            }
        }
    }
    UpdateSQL();
}

void frmBaseMain::EnablePortOpenTimer() { MSComm->PortOpenTimer.start(); }

void frmBaseMain::mnuOptionsSound_Click()
{
    toggleOption(Key::Sound, "True");
    setOptionChecks();
}

void frmBaseMain::UncheckTimeMenu()
{
    for (QAction* a : mnuViewTime)
        if (a && a->isCheckable())
            a->setChecked(false);
}

void frmBaseMain::setViewTimeChecked(int index)
{
    if (index >= 0 && index < mnuViewTime.size() && mnuViewTime[index]->isCheckable())
        mnuViewTime[index]->setChecked(true);
}

void frmBaseMain::mnuViewTime_Click(int index)
{
    if (index == ViewTime::Custom) {
        // The custom-period window sets the query and the mark itself when its period is confirmed.
        if (windowLinks().showCustomizeTime)
            windowLinks().showCustomizeTime(QStringLiteral("Main"), this);
        return;
    }
    int period = index;
    const QString sql = ViewTimeSQL(period);
    UncheckTimeMenu();
    setViewTimeChecked(period);
    strSQL = sql;
    SaveProperty(Section::frmMain, Key::ViewTime, QString::number(period));
    RefreshGrid();
}

// --- call-log maintenance ----------------------------------------------------------------------------

namespace {

const QString kLogFilter = QStringLiteral("Access Files (*.mdb)");

QString currentCallerDBPath()
{
    return GetProperty(Section::frmConfiguration, Key::CallerDBPath, programFolder() + QStringLiteral("/dbCID.mdb"));
}

// The contact book must not be taken for the call log, however its name is written.
bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return a.toUpper() == b.toUpper() || (!canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath());
}

// The ID in a grid row's hidden ID column, or nothing when the cell holds no record number.
std::optional<qint32> rowID(const CallerIDGrid* grid, int row)
{
    bool ok = false;
    const qint64 id = grid->TextMatrix(row, CallListModel::ColID).trimmed().toLongLong(&ok);
    if (!ok || id <= 0 || id > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(id);
}

} // namespace

void frmBaseMain::LogChanged()
{
    if (gServer)
        gServer->SendData(QStringLiteral(";UPDATE NEEDED;"));
    miniDisplay().LoadData();
    activateWindow();
}

bool frmBaseMain::confirmRemoval(bool plural)
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True"))))
        return true;
    const QString text = plural ? QStringLiteral("Are you sure you want to permanently remove these records from "
                                                 "the database?")
                                : QStringLiteral("Are you sure you want to permanently remove this record from "
                                                 "the database?");
    return Prompt::message(text, Prompt::YesNo, Prompt::Exclamation) == Prompt::Yes;
}

void frmBaseMain::loadCallerDB(const QString& event, const QString& path)
{
    SaveProperty(Section::frmConfiguration, Key::CallerDBPath, path);
    AddEvent(event + QFileInfo(path).fileName());
    UpdateSQL();
    RefreshGrid();
    UpdateStatus();
    LogChanged();
}

void frmBaseMain::mnuFileNewDB_Click()
{
    QString path = currentCallerDBPath();
    for (;;) {
        path = Prompt::saveFile(QString(), path, kLogFilter);
        if (path.isEmpty())
            return;
        try {
            if (CreateCallerDB(path))
                break;
        } catch (const SqlError& e) {
            // The log in use stays open: the new file never replaced it.
            SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
            ReportError(QStringLiteral("frmBaseMain_mnuFileNewDB_Click"));
            if (Prompt::message(path + QStringLiteral(" could not be created. Choose another file name."),
                                Prompt::OkCancel, Prompt::Critical) != Prompt::Ok)
                return;
            continue;
        }
        if (Prompt::message(QStringLiteral("This file name already exits. Choose another file name."), Prompt::OkCancel,
                            Prompt::Critical) != Prompt::Ok)
            return;
    }
    loadCallerDB(QStringLiteral("Created and loaded new caller database "), path);
}

void frmBaseMain::mnuFileChangeDB_Click()
{
    QString path = currentCallerDBPath();
    for (;;) {
        path = Prompt::openFile(QString(), path, kLogFilter);
        if (path.isEmpty())
            return;
        QString refusal;
        if (!QFileInfo::exists(path)) {
            refusal = QStringLiteral(" is not a valid database file. Choose another file.");
        } else if (sameFile(path, GetProperty(Section::frmConfiguration, Key::ContactDBPath, defaultContactDBPath()))) {
            refusal = QStringLiteral(" is already loaded. Choose another file.");
        } else {
            // The file is opened before the setting moves to it: a file that is no call log leaves the log
            // in use open and named, and the user may choose again.
            const QString previous = currentCallerDBPath();
            SaveProperty(Section::frmConfiguration, Key::CallerDBPath, path);
            try {
                if (FindCallerDB())
                    break;
            } catch (const SqlError& e) {
                SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
            }
            SaveProperty(Section::frmConfiguration, Key::CallerDBPath, previous);
            refusal = QStringLiteral(" is not a valid database file. Choose another file.");
        }
        if (Prompt::message(path + refusal, Prompt::OkCancel, Prompt::Critical) != Prompt::Ok)
            return;
    }
    loadCallerDB(QStringLiteral("Loaded caller database "), path);
}

void frmBaseMain::mnuEditClear_Click()
{
    if (gRinging || Grid->Rows() == 1)
        return;
    if (!confirmRemoval(Grid->Rows() > 2))
        return;
    try {
        // The view's own query picks the records; they go by their IDs, so the view text never runs on the
        // connection that writes.
        QList<qint32> ids;
        for (const clsCaller& c : SelectCallers(strSQL))
            ids.append(c.ID);
        DeleteCallers(ids);
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
        ReportError(QStringLiteral("frmBaseMain_mnuEditClear_Click"));
        return;
    }
    Grid->Clear();
    UpdateStatus();
    LogChanged();
}

void frmBaseMain::mnuEditDelete_Click()
{
    if (gRinging || Grid->Rows() == 1)
        return;
    const int first = std::min(Grid->Row(), Grid->RowSel());
    const int last = std::max(Grid->Row(), Grid->RowSel());
    if (first < 1 || !confirmRemoval(first != last))
        return;
    QList<qint32> ids;
    for (int row = first; row <= last; ++row) {
        const std::optional<qint32> id = rowID(Grid, row);
        if (!id) {
            SaveError(13, QStringLiteral("Type mismatch"), QStringLiteral("frmBaseMain"));
            ReportError(QStringLiteral("frmBaseMain_mnuEditDelete_Click"));
            return;
        }
        ids.append(*id);
    }
    bool stopped = false;
    try {
        if (ids.size() == 1) {
            DeleteCaller(ids.first());
        } else {
            Processing progress(qint32(ids.size()), QStringLiteral("Processing..."), this);
            for (qint32 id : ids) {
                if (progress.StopProcessing()) {
                    stopped = true;
                    break;
                }
                progress.Increment();
                // One statement a record: the records deleted before a stop stay deleted.
                DeleteCaller(id);
            }
        }
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("frmBaseMain"));
        ReportError(QStringLiteral("frmBaseMain_mnuEditDelete_Click"));
        return;
    }
    if (stopped) {
        RefreshGrid();
    } else {
        Grid->RemoveItem();
    }
    UpdateSQL();
    UpdateStatus();
    LogChanged();
}

// --- the view --------------------------------------------------------------------------------------------

void frmBaseMain::reportViewError(const SqlError& e, const char* tag)
{
    SaveError(e.code(), e.resultText() + QStringLiteral(": ") + e.message(), QStringLiteral("frmBaseMain"));
    ReportError(QString::fromLatin1(tag));
    ShowError(QString());
}

void frmBaseMain::UpdateSQL()
{
    // Nothing is kept open between operations: the view is its query, checked here, and read by the refill.
    SqlDatabase* reader = CallerDBReader();
    if (!reader)
        return;
    try {
        reader->prepareUntrusted(strSQL);
        m_lastGoodSQL = strSQL;
    } catch (const SqlError& e) {
        reportViewError(e, "frmBaseMain_UpdateSQL");
        // A query that cannot run (a table that does not exist, bad text) leaves the call log open and the
        // view on the last query that worked.
        if (!m_lastGoodSQL.isEmpty())
            strSQL = m_lastGoodSQL;
    }
    if (windowLinks().findSetCurrentSQL && Links::findVisible())
        windowLinks().findSetCurrentSQL(strSQL);
}

void frmBaseMain::RefreshGrid()
{
    // A refresh asked for while a refill yields (a contact was saved, the period changed) must not fill
    // the list a second time under the running one: the running refill stops and starts over.
    if (m_refilling) {
        m_refillAgain = true;
        return;
    }
    m_refilling = true;
    do {
        m_refillAgain = false;
        refill();
    } while (m_refillAgain);
    m_refilling = false;
}

void frmBaseMain::refill()
{
    Grid->setGridVisible(false);
    UpdateSQL();
    Grid->Clear();
    // The rows read now are the refill: a call that arrives while it yields adds its own row, once.
    QList<clsCaller> rows;
    if (CallerDBReader() && strSQL == m_lastGoodSQL) {
        try {
            rows = SelectCallers(strSQL);
        } catch (const SqlError& e) {
            reportViewError(e, "frmBaseMain_RefreshGrid");
        }
    }
    const qint32 n = qint32(rows.size());
    // The progress window yields to the event loop at every step. Up to MaxProgressSteps records each is
    // a step; a larger view advances it every few records, so a refill of 100,000 calls takes well under
    // a second instead of spending it all in repaints of the window.
    const qint32 perStep = std::max<qint32>(1, (n + MaxProgressSteps - 1) / MaxProgressSteps);
    std::unique_ptr<Processing> progress;
    if (n > ProgressThreshold && !IsDialogOpen())
        progress =
            std::make_unique<Processing>((n + perStep - 1) / perStep, QStringLiteral("Processing Grid Data..."), this);
    Grid->model()->beginBulkAppend();
    qint32 i = 0;
    for (const clsCaller& record : rows) {
        if ((progress && progress->StopProcessing()) || m_refillAgain)
            break;
        try {
            if (progress && i % perStep == 0)
                progress->Increment();
            ++i;
            clsCaller caller = record;
            MatchCallerToContact(caller.Number.Number, caller);
            Grid->AddItem(caller);
        } catch (const std::exception& e) {
            // One bad record ends the refill with one report; what was read so far stays, sorted.
            SaveError(0, QString::fromUtf8(e.what()), QStringLiteral("frmBaseMain"));
            ReportError(QStringLiteral("frmBaseMain_RefreshGrid"));
            ShowError(QString());
            break;
        }
    }
    Grid->model()->endBulkAppend();
    UpdateStatus();
    if (progress)
        progress->Unload();
    Grid->Sort();
    Grid->setGridVisible(true);
}

void frmBaseMain::UpdateStatus()
{
    const int n = Grid->Rows() - 1;
    if (Panels.size() > 2)
        Panels[2]->setText(QString::number(n) +
                           (n == 1 ? QStringLiteral(" Record Displayed") : QStringLiteral(" Records Displayed")));
    if (windowLinks().findSetRecords && Links::findVisible())
        windowLinks().findSetRecords(n);
    const bool any = n > 0;
    for (QAction* a : {mnuEditCopyAll, mnuEditCopy, mnuEditDelete, mnuEditClear, mnuEditOriginal,
                       mnuEditAdd->menuAction(), mnuGridOptionsAdd->menuAction(), mnuToolbarPopupCreateNew,
                       mnuToolbarPopupAddToCurrent, ToolbarButtons[3], ToolbarButtons[4], ToolbarButtons[11]})
        a->setEnabled(any);
}

void frmBaseMain::Grid_MouseUp(int button, int, double x, double y)
{
    if (button != 2)
        return;
    const int row = Grid->MouseRow();
    if (row <= 0 || !(Grid->RowPos(row) < y && y < Grid->RowPos(row) + Grid->RowHeight(row)))
        return;
    // A left click where the pointer is, so the row under it is selected before the menu opens.
    QWidget* viewport = Grid->innerGrid()->viewport();
    const QPoint local = viewport->mapFrom(Grid->innerGrid(), QPoint(px(x), px(y)));
    QMouseEvent press(QEvent::MouseButtonPress, local, viewport->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, viewport->mapToGlobal(local), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    intGridCol = Grid->MouseCol();
    GridMouseUpTimer.start();
}

void frmBaseMain::GridMouseUpTimer_Timer()
{
    GridMouseUpTimer.stop();
    mnuGridOptions->popup(QCursor::pos());
}

void frmBaseMain::ConfigTimer_Timer()
{
    ConfigTimer.stop();
    RefreshGrid();
}

void frmBaseMain::mnuFilePrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    CallListPrinter(Grid).PrintList(printer);
}

void frmBaseMain::mnuEditCopyAll_Click() { CallListPrinter(Grid).CopyAll(); }

void frmBaseMain::mnuEditCopy_Click() { CallListPrinter(Grid).CopySelected(); }

void frmBaseMain::mnuEditReset_Click()
{
    const double w = tw(Grid->width());
    for (int c = 0; c < 3; ++c)
        Grid->setColWidth(c, int(std::lround(w * 26 / 100)));
    for (int c = 3; c < 5; ++c)
        Grid->setColWidth(c, int(std::lround(w * 11 / 100)));
    Grid->setColWidth(5, 0);
    Grid->setColWidth(6, int(std::lround(w)));
}

void frmBaseMain::CheckWindowMenuItem(int index, bool checked)
{
    if (index >= 0 && index < mnuWindow.size() && mnuWindow[index])
        mnuWindow[index]->setChecked(checked);
}

// The item's check mark has already flipped: checked shows the window, unchecked unloads it.
void frmBaseMain::mnuWindow_Click(int index)
{
    if (index < 0 || index >= mnuWindow.size() || !mnuWindow[index])
        return;
    const bool checked = mnuWindow[index]->isChecked();
    if (index == WindowMenuMiniDisplay) {
        if (checked) {
            miniDisplay().Show();
        } else if (frmMiniDisplay* w = frmMiniDisplay::instance(false)) {
            w->close();
        }
    }
}

// The server's connections changed: the fold-out list shows its rows, panel 3 the count (server mode only).
void frmBaseMain::UpdateClientList(const QStringList& rows, const QString& countText)
{
    if (gNetworkMode != Server)
        return;
    const int current = lstClients->currentRow();
    lstClients->clear();
    lstClients->addItems(rows);
    if (current >= 0 && current < lstClients->count())
        lstClients->setCurrentRow(current);
    if (Panels.size() > 3 && Panels[3])
        Panels[3]->setText(countText);
}

void frmBaseMain::SetFocus()
{
    // A hidden or minimised window cannot take the focus; leave it where the user put it.
    if (!isVisible() || isMinimized())
        return;
    activateWindow();
    Grid->setFocus();
}
