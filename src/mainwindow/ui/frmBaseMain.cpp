#include "mainwindow/ui/frmBaseMain.h"

#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
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
#include <QTimer>
#include <QToolBar>
#include <QWindowStateChangeEvent>

#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "config/ui/frmAbout.h"
#include "config/ui/frmActivityLog.h"
#include "config/ui/frmConfiguration.h"
#include "config/ui/frmFind.h"
#include "contacts/ContactStore.h"
#include "contacts/ui/ContactPickers.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modHelp.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/CallLogCommands.h"
#include "mainwindow/CallLogView.h"
#include "mainwindow/CallerSearch.h"
#include "mainwindow/ServerDispatcher.h"
#include "mainwindow/ui/CallListPrinter.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/modLoggedRecord.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "statswindow/ui/frmStatistics.h"

namespace {

const char* const kHiddenByMinimise = "velquonHiddenByMinimise";
const char* const kPopupFamily[] = {"frmMiniDisplay", "frmCallerInfo", "frmContactPicture", "frmOtherInfo",
                                    "frmCustomizeMiniDisplay"};

constexpr int MinWidth = 6000; // twips
constexpr int MinHeight = 3000;
constexpr int ListLeft = 240;
constexpr int ListWidth = 1935;
constexpr int ListHeight = 1035;

int px(double twips) { return Twips::toPixels(twips); }
int tw(int pixels) { return int(std::lround(Twips::fromPixels(pixels))); }

// The items of an array (mnuViewTime(6)) and of a collection (StatusBar1.Panels(2)) are named as they are
// written.
QString indexed(const char* name, int index) { return QString::fromLatin1(name) + QStringLiteral("(%1)").arg(index); }

// One row of a menu: a command, a check item, a sub-menu or (without a caption) a separator. A command
// without a handler is not built yet and is shown disabled.
struct MenuRow {
    enum Kind { Command, Check, SubMenu };
    const char* name;
    const char* caption = nullptr;
    QKeyCombination key = QKeyCombination();
    void (frmBaseMain::*handler)() = nullptr;
    Kind kind = Command;
};

void addRows(frmBaseMain* window, QMenu* menu, std::initializer_list<MenuRow> rows)
{
    for (const MenuRow& row : rows) {
        const QString name = QLatin1String(row.name);
        if (!row.caption) {
            menu->addSeparator()->setObjectName(name);
        } else if (row.kind == MenuRow::SubMenu) {
            menu->addMenu(QString::fromLatin1(row.caption))->setObjectName(name);
        } else {
            QAction* a = menu->addAction(QString::fromLatin1(row.caption));
            a->setObjectName(name);
            a->setCheckable(row.kind == MenuRow::Check);
            if (row.key.key() != Qt::Key_unknown)
                a->setShortcut(QKeySequence(row.key));
            if (row.handler)
                QObject::connect(a, &QAction::triggered, window, row.handler);
            else
                CommandState::markNotBuilt(a);
        }
    }
}

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
        // One-line rows: the list need not measure every row again each time one is added (an event line per
        // client connecting, a thousand clients).
        static_cast<QListView*>(list)->setUniformItemSizes(true);
    }
    lstEventsView->setGeometry(px(ListLeft), 0, px(ListWidth), px(ListHeight));
    lstClients->setGeometry(px(2760), 0, px(ListWidth), px(ListHeight));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setMouseTracking(true);
    statusBar()->installEventFilter(this);

    Shell = new ShellIcon(this);
    Shell->setObjectName(QStringLiteral("ShellIcon"));
    connect(Shell, &ShellIcon::DblClick, this, &frmBaseMain::ShellIcon_DblClick);
    connect(Shell, &ShellIcon::Click, this, &frmBaseMain::ShellIcon_Click);
    connect(Shell, &ShellIcon::MouseMove, this, &frmBaseMain::ShellIcon_MouseMove);

    StatusTimer = addTimer("StatusTimer", 1000, &frmBaseMain::StatusTimer_Timer);
    RefreshTimer = addTimer("RefreshTimer", 1, &frmBaseMain::RefreshTimer_Timer);
    BlinkTimer = addTimer("BlinkTimer", 300, &frmBaseMain::BlinkTimer_Timer);
    GridMouseUpTimer = addTimer("GridMouseUpTimer", 1, &frmBaseMain::GridMouseUpTimer_Timer);
    ConfigTimer = addTimer("ConfigTimer", 1, &frmBaseMain::ConfigTimer_Timer);
    // The clock panel shows minutes: it wakes the program once at each turn of the minute, never in between.
    ClockTimer = addTimer("ClockTimer", 60000, &frmBaseMain::updateClock);
    ClockTimer->setSingleShot(true);
    ClockTimer->setTimerType(Qt::PreciseTimer);
    ListMouseUpTimer = addTimer("ListMouseUpTimer", 1, &frmBaseMain::ListMouseUpTimer_Timer);
    connect(Grid, &CallerIDGrid::MouseUp, this, &frmBaseMain::Grid_MouseUp);
    connect(Grid, &CallerIDGrid::GridSelChange, this, &frmBaseMain::Grid_GridSelChange);

    MSComm = new ModemPort(this, this);
    MSComm->setObjectName(QStringLiteral("Comm"));
    Calls = new CallHandler(MSComm, this);
    Calls->setObjectName(QStringLiteral("Calls"));
    connect(MSComm, &ModemPort::connectionChanged, this, &frmBaseMain::portStateChanged);
    connect(Calls, &CallHandler::callAdded, this, [this](const clsCaller& caller) { Grid->AddItem(caller, true); });
    connect(Calls, &CallHandler::callUpdated, this,
            [this](qint32 id, const clsCaller& caller) { Grid->UpdateItem(id, caller); });
    connect(Calls, &CallHandler::callStarted, this, [this] {
        if (windowState() & Qt::WindowMinimized)
            BlinkTimer->start();
    });
    miniDisplay().connectCallRoad(Calls);

    m_commands = new CallLogCommands(this);
    connect(m_commands, &CallLogCommands::callerEdited, this, [this](const clsCaller& stored) {
        Grid->UpdateItem(stored.ID, stored);
        miniDisplay().UpdateCaller(stored.ID, stored);
    });
    connect(m_commands, &CallLogCommands::broadcast, this, [](const QString& message) {
        if (gServer)
            gServer->SendData(message);
    });
    connect(m_commands, &CallLogCommands::logChanged, this, [this] {
        miniDisplay().LoadData();
        activateWindow();
    });
    m_view = new CallLogView(*this, this);
    connect(m_view, &CallLogView::refillStarted, this, [this] {
        Grid->setGridVisible(false);
        Grid->Clear();
        Grid->model()->beginBulkAppend();
    });
    connect(m_view, &CallLogView::rowsRead, this,
            [this](const CallRowBatch& batch, size_t first, size_t last) { Grid->AddRows(batch, first, last); });
    connect(m_view, &CallLogView::refillFinished, this, [this] {
        Grid->model()->endBulkAppend();
        UpdateStatus();
        Grid->Sort();
        Grid->setGridVisible(true);
    });

    Dispatcher = new ServerDispatcher(this);
    Dispatcher->setObjectName(QStringLiteral("Dispatcher"));
    connect(Dispatcher->replies(), &ServerReplies::callDeleted, this,
            [this](qint32 id) { Grid->RemoveItem(id, true); });

    buildMenus();
    buildToolbar();
    Form_Load();
}

frmBaseMain::~frmBaseMain()
{
    if (gMainForm == this)
        gMainForm = nullptr;
    // The controls, the call road and the timers go after this body and the MainWindow part: what they
    // report on their way out (the focus leaving the list, the port closing) must not reach this window.
    detachChildren(this);
}

QTimer* frmBaseMain::addTimer(const char* name, int intervalMs, void (frmBaseMain::*tick)())
{
    auto* timer = new QTimer(this);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, tick);
    return timer;
}

// --- building ------------------------------------------------------------------------------------------

void frmBaseMain::buildMenus()
{
    const auto menu = [this](const char* name, const char* caption, bool inMenuBar = true) {
        QMenu* m = inMenuBar ? menuBar()->addMenu(QString::fromLatin1(caption))
                             : new QMenu(QString::fromLatin1(caption), this);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    const auto sub = [this](const char* name) { return findChild<QMenu*>(QLatin1String(name)); };
    const auto item = [this](const char* name) { return findChild<QAction*>(QLatin1String(name)); };
    using Row = MenuRow;

    addRows(this, menu("mnuFile", "&File"),
            {
                {"mnuFileNewDB", "&New DB...", {}, &frmBaseMain::mnuFileNewDB_Click},
                {"mnuFileChangeDB", "&Change DB...", {}, &frmBaseMain::mnuFileChangeDB_Click},
                {"mnuFileHyphen1"},
                {"mnuFilePrint", "&Print Log...", {}, &frmBaseMain::mnuFilePrint_Click},
                {"mnuFileHyphen2"},
                {"mnuFileExit", "E&xit", {}, &frmBaseMain::mnuFileExit_Click},
            });
    addRows(this, menu("mnuEdit", "&Edit"),
            {
                {"mnuEditCopyAll", "Copy &All", Qt::CTRL | Qt::Key_A, &frmBaseMain::mnuEditCopyAll_Click},
                {"mnuEditCopy", "&Copy Selected Items", Qt::CTRL | Qt::Key_C, &frmBaseMain::mnuEditCopy_Click},
                {"mnuEditReset", "&Reset Columns", Qt::CTRL | Qt::Key_R, &frmBaseMain::mnuEditReset_Click},
                {"mnuEditHyphen1"},
                {"mnuEditDelete", "&Delete", Qt::Key_Delete, &frmBaseMain::mnuEditDelete_Click},
                {"mnuEditClear", "Clear &Log", Qt::CTRL | Qt::Key_W, &frmBaseMain::mnuEditClear_Click},
                {"mnuEditHyphen2"},
                {"mnuEditOriginal", "View &Original Caller ID Info...", Qt::CTRL | Qt::Key_O,
                 &frmBaseMain::mnuEditOriginal_Click},
                {"mnuEditHyphen3"},
                {"mnuEditAdd", "Add &To Contact DB", {}, nullptr, Row::SubMenu},
            });
    mnuEditAdd = sub("mnuEditAdd");
    addRows(
        this, mnuEditAdd,
        {
            {"mnuEditCreateNew", "&Add As New Contact...", Qt::CTRL | Qt::Key_N, &frmBaseMain::mnuEditCreateNew_Click},
            {"mnuEditAddToCurrent", "Add This &Number To A Contact...", Qt::CTRL | Qt::Key_D,
             &frmBaseMain::mnuEditAddToCurrent_Click},
        });

    QMenu* view = menu("mnuView", "&View");
    const char* const periods[15] = {"15 minutes", nullptr, "1 hour", "3 hours", "12 hours",
                                     nullptr,      "1 day", "3 days", nullptr,   "1 week",
                                     "3 weeks",    nullptr, "All",    nullptr,   "Custom..."};
    for (int i = 0; i < 15; ++i) {
        QAction* a = nullptr;
        if (periods[i]) {
            a = view->addAction(QString::fromLatin1(periods[i]), this, [this, i] {
                // "Custom..." only opens its window: the item's own flip of its mark is taken back.
                if (i == ViewTime::Custom)
                    mnuViewTime[i]->setChecked(!mnuViewTime[i]->isChecked());
                mnuViewTime_Click(i);
            });
            a->setCheckable(true);
        } else {
            a = view->addSeparator();
        }
        a->setObjectName(indexed("mnuViewTime", i));
        mnuViewTime.append(a);
    }
    mnuViewTime[ViewTime::Day1]->setChecked(true);
    connect(view, &QMenu::aboutToShow, this, &frmBaseMain::updateCustomPeriodItems);

    addRows(
        this, menu("mnuOptions", "&Options"),
        {
            {"mnuOptionsConfiguration", "&Configuration...", {}, &frmBaseMain::mnuOptionsConfiguration_Click},
            {"mnuOptionsHyphen1"},
            {"mnuOptionsPopupScreen", "&Mini Display Popup", {}, &frmBaseMain::mnuOptionsPopupScreen_Click, Row::Check},
            {"mnuOptionsAlways", "&Always On Top", {}, &frmBaseMain::mnuOptionsAlways_Click, Row::Check},
            {"mnuOptionsSound", "Enable &Sound", {}, &frmBaseMain::mnuOptionsSound_Click, Row::Check},
            {"mnuOptionsHyphen2"},
            {"mnuOptionsRelease", "&Open Port", {}, &frmBaseMain::mnuOptionsRelease_Click},
        });

    // The Window menu's items show (checked) or unload (unchecked) the window they name.
    QMenu* windows = menu("mnuWindows", "&Window");
    struct WindowItem {
        const char* caption;
        QKeyCombination key;
        bool built;
    };
    const WindowItem windowItems[] = {{"&Activity Log", Qt::CTRL | Qt::Key_L, true},
                                      {nullptr, {}, false},
                                      {"&Contacts", Qt::CTRL | Qt::Key_E, true},
                                      {"&Find", Qt::CTRL | Qt::Key_F, true},
                                      {"&Statistics", Qt::CTRL | Qt::Key_S, true},
                                      {nullptr, {}, false},
                                      {"&Mini Display", QKeyCombination(Qt::Key_F12), true}};
    for (int i = 0; i < int(std::size(windowItems)); ++i) {
        const WindowItem& w = windowItems[i];
        QAction* a = nullptr;
        if (w.caption) {
            a = windows->addAction(QString::fromLatin1(w.caption), this, [this, i] { mnuWindow_Click(i); });
            a->setCheckable(true);
            a->setShortcut(QKeySequence(w.key));
            if (!w.built)
                CommandState::markNotBuilt(a);
        } else {
            a = windows->addSeparator();
        }
        a->setObjectName(indexed("mnuWindow", i));
        mnuWindow.append(a);
    }

    addRows(this, menu("mnuHelp", "&Help"),
            {
                {"mnuHelpContents", "&Contents...", Qt::Key_F1, &frmBaseMain::mnuHelpContents_Click},
                {"mnuHelpHyphen1"},
                {"mnuHelpAbout", "&About Velquon...", {}, &frmBaseMain::mnuHelpAbout_Click},
            });

    mnuPopupMenu = menu("mnuPopupMenu", "PopupMenu", false);
    addRows(this, mnuPopupMenu,
            {
                {"mnuPopupMenuRestore", "&Restore", {}, &frmBaseMain::mnuPopupMenuRestore_Click},
                {"mnuPopupMenuHyphen1"},
                {"mnuPopupMenuPopupScreen",
                 "&Mini Display Popup",
                 {},
                 &frmBaseMain::mnuOptionsPopupScreen_Click,
                 Row::Check},
                {"mnuPopupMenuAlways", "&Always On Top", {}, &frmBaseMain::mnuOptionsAlways_Click, Row::Check},
                {"mnuPopupMenuSound", "Enable &Sound", {}, &frmBaseMain::mnuOptionsSound_Click, Row::Check},
                {"mnuPopupMenuHyphen2"},
                {"mnuPopupMenuRelease", "&Open Port", {}, &frmBaseMain::mnuOptionsRelease_Click},
                {"mnuPopupMenuClose", "&Close", {}, &frmBaseMain::mnuFileExit_Click},
            });

    mnuGridOptions = menu("mnuGridOptions", "Grid Options", false);
    addRows(
        this, mnuGridOptions,
        {
            {"mnuGridOptionsCopyAll", "Copy &All", {}, &frmBaseMain::mnuEditCopyAll_Click},
            {"mnuGridOptionsCopy", "&Copy Selected Item", {}, &frmBaseMain::mnuEditCopy_Click},
            {"mnuGridOptionsHyphen1"},
            {"mnuGridOptionsAdd", "Add To Contacts DB", {}, nullptr, Row::SubMenu},
            {"mnuGridOptionsHyphen2"},
            {"mnuGridOptionsSearch", "Search For This Caller", {}, nullptr, Row::SubMenu},
            {"mnuGridOptionsStatistics",
             "View Statistics On This Caller...",
             {},
             &frmBaseMain::mnuGridOptionsStatistics_Click},
            {"mnuGridOptionsViewOriginal", "View Original Caller ID Info...", {}, &frmBaseMain::mnuEditOriginal_Click},
            {"mnuGridOptionsHyphen3"},
            {"mnuGridOptionsEdit", "Edit", {}, &frmBaseMain::mnuGridOptionsEdit_Click},
            {"mnuGridOptionsDelete", "Delete This Record", {}, &frmBaseMain::mnuEditDelete_Click},
        });
    addRows(this, sub("mnuGridOptionsSearch"),
            {
                {"mnuGridOptionsSearchName", "Search By Name", {}, &frmBaseMain::mnuGridOptionsSearchName_Click},
                {"mnuGridOptionsSearchNumber", "Search By Number", {}, &frmBaseMain::mnuGridOptionsSearchNumber_Click},
                {"mnuGridOptionsSearchContact",
                 "Search By All Contact Numbers",
                 {},
                 &frmBaseMain::mnuGridOptionsSearchContact_Click},
            });
    mnuGridOptionsAdd = sub("mnuGridOptionsAdd");
    addRows(this, mnuGridOptionsAdd,
            {
                {"mnuGridOptionsCreateNew", "Add As New Contact...", {}, &frmBaseMain::mnuEditCreateNew_Click},
                {"mnuGridOptionsAddToCurrent",
                 "Add This Number To A Contact...",
                 {},
                 &frmBaseMain::mnuEditAddToCurrent_Click},
            });

    mnuClientOptions = menu("mnuClientOptions", "Client Options", false);
    const char* const clientOptions[] = {"Drop", "Block", "Restrict"};
    for (int i = 0; i < 3; ++i) {
        QAction* a = mnuClientOptions->addAction(QString::fromLatin1(clientOptions[i]), this,
                                                 [this, i] { mnuClientOption_Click(i); });
        a->setObjectName(indexed("mnuClientOption", i));
        mnuClientOption.append(a);
    }

    mnuToolbarPopup = menu("mnuToolbarPopup", "Toolbar Popup", false);
    addRows(this, mnuToolbarPopup,
            {
                {"mnuToolbarPopupCreateNew", "Add As New Contact...", {}, &frmBaseMain::mnuEditCreateNew_Click},
                {"mnuToolbarPopupAddToCurrent",
                 "Add This Number To A Contact...",
                 {},
                 &frmBaseMain::mnuEditAddToCurrent_Click},
            });

    // A menu whose every command is still to be built is itself disabled.
    for (QMenu* m : findChildren<QMenu*>()) {
        const QList<QAction*> actions = m->actions();
        const bool anyBuilt = std::any_of(actions.cbegin(), actions.cend(), [](const QAction* a) {
            return !a->isSeparator() && CommandState::isBuilt(a);
        });
        if (!actions.isEmpty() && !anyBuilt)
            CommandState::markNotBuilt(m->menuAction());
    }

    mnuEditCopyAll = item("mnuEditCopyAll");
    mnuEditCopy = item("mnuEditCopy");
    mnuEditDelete = item("mnuEditDelete");
    mnuEditClear = item("mnuEditClear");
    mnuEditOriginal = item("mnuEditOriginal");
    mnuOptionsPopupScreen = item("mnuOptionsPopupScreen");
    mnuOptionsAlways = item("mnuOptionsAlways");
    mnuOptionsSound = item("mnuOptionsSound");
    mnuOptionsRelease = item("mnuOptionsRelease");
    mnuPopupMenuRestore = item("mnuPopupMenuRestore");
    mnuPopupMenuPopupScreen = item("mnuPopupMenuPopupScreen");
    mnuPopupMenuAlways = item("mnuPopupMenuAlways");
    mnuPopupMenuSound = item("mnuPopupMenuSound");
    mnuPopupMenuRelease = item("mnuPopupMenuRelease");
    mnuToolbarPopupCreateNew = item("mnuToolbarPopupCreateNew");
    mnuToolbarPopupAddToCurrent = item("mnuToolbarPopupAddToCurrent");
    mnuGridOptionsStatistics = item("mnuGridOptionsStatistics");

    // The commands on one caller, on while exactly one call is selected (Grid_GridSelChange).
    for (const char* name : {"mnuEditCreateNew", "mnuEditAddToCurrent", "mnuEditOriginal", "mnuGridOptionsCreateNew",
                             "mnuGridOptionsAddToCurrent", "mnuGridOptionsSearchName", "mnuGridOptionsSearchNumber",
                             "mnuGridOptionsSearchContact", "mnuGridOptionsViewOriginal", "mnuGridOptionsStatistics",
                             "mnuGridOptionsDelete", "mnuGridOptionsEdit"})
        m_singleCallerItems << item(name);
    for (const char* name : {"mnuEditAdd", "mnuGridOptionsAdd", "mnuGridOptionsSearch"})
        m_singleCallerItems << sub(name)->menuAction();
}

void frmBaseMain::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(px(300), px(300)));
    struct Button {
        const char* tip; // none: a separator
        QStyle::StandardPixmap icon;
        bool built;
    };
    const Button buttons[15] = {
        {},
        {"Print Log", QStyle::SP_FileIcon, true},
        {},
        {"Delete", QStyle::SP_TrashIcon, true},
        {"Clear Current Display", QStyle::SP_DialogDiscardButton, true},
        {"Reset Columns", QStyle::SP_BrowserReload, true},
        {},
        {"Customize Time", QStyle::SP_FileDialogDetailedView, true},
        {"Find Records", QStyle::SP_FileDialogContentsView, true},
        {"View Statistics", QStyle::SP_FileDialogInfoView, true},
        {},
        {"Add To Contacts", QStyle::SP_FileDialogNewFolder, true},
        {"View Contacts", QStyle::SP_DirHomeIcon, true},
        {},
        {"Mini Display", QStyle::SP_ComputerIcon, true},
    };
    ToolbarButtons = QList<QAction*>(15, nullptr);
    for (int index = 1; index <= 14; ++index) {
        const Button& b = buttons[index];
        QAction* a = nullptr;
        if (b.tip) {
            a = Toolbar1->addAction(style()->standardIcon(b.icon), QString::fromLatin1(b.tip));
            a->setToolTip(QString::fromLatin1(b.tip));
            connect(a, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
            if (!b.built)
                CommandState::markNotBuilt(a);
            ToolbarButtons[index] = a;
        } else {
            a = Toolbar1->addSeparator();
        }
        a->setObjectName(QStringLiteral("Toolbar1.Buttons(%1)").arg(index));
    }
}

void frmBaseMain::Toolbar1_ButtonClick(int index)
{
    switch (index) {
    case 1:
        mnuFilePrint_Click();
        break;
    case 3:
        mnuEditDelete_Click();
        break;
    case 4:
        mnuEditClear_Click();
        break;
    case 5:
        mnuEditReset_Click();
        break;
    case 7:
        mnuViewTime_Click(ViewTime::Custom);
        break;
    case 8:
        // The toolbar only ever shows a window, also one that is open already.
        mnuWindow[WindowMenuFind]->setChecked(true);
        mnuWindow_Click(WindowMenuFind);
        break;
    case 11: {
        QWidget* button = Toolbar1->widgetForAction(ToolbarButtons[11]);
        const QPoint below = button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos();
        mnuToolbarPopup->popup(below);
        break;
    }
    case 9:
        // The toolbar only ever shows a window, also one that is open already.
        mnuWindow[WindowMenuStatistics]->setChecked(true);
        mnuWindow_Click(WindowMenuStatistics);
        break;
    case 12:
        // Shows the book, also when it is open already.
        mnuWindow[WindowMenuContacts]->setChecked(true);
        mnuWindow_Click(WindowMenuContacts);
        break;
    case 14:
        // The toolbar only ever shows a window, also one that is open already.
        mnuWindow[WindowMenuMiniDisplay]->setChecked(true);
        mnuWindow_Click(WindowMenuMiniDisplay);
        break;
    default:
        break;
    }
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
        label->setObjectName(indexed("StatusBar1.Panels", int(Panels.size())));
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
    if (gNetworkMode != Server)
        lstClients->hide();
    // Only a server has clients to drop, block or restrict; standalone the list and its menu are not there.
    for (QAction* a : std::as_const(mnuClientOption))
        CommandState::setAvailable(a, gNetworkMode == Server);
}

void frmBaseMain::updateClock()
{
    const int clockPanel = gNetworkMode == Server ? 4 : 3;
    if (clockPanel < Panels.size())
        Panels[clockPanel]->setText(QLocale::c().toString(Clock::now().time(), QStringLiteral("h:mm AP")));
    // Due just after the next turn of the minute of the real clock, which the program's clock follows.
    const qint64 intoMinute = QDateTime::currentMSecsSinceEpoch() % 60000;
    ClockTimer->start(int(60000 - intoMinute + 20));
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
    RefreshTimer->start();
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
    if (StatusTimerEnabled && !StatusTimer->isActive())
        StatusTimer->start();
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
        StatusTimer->stop();
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
    RefreshTimer->stop();
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

void frmBaseMain::lstClients_DblClick() { lstClients->hide(); }

void frmBaseMain::lstClients_MouseUp(int button, const QPoint& pos)
{
    if (button != 2)
        return;
    // The row under the pointer becomes the selected one, as a left click would make it, before the menu.
    if (QListWidgetItem* item = lstClients->itemAt(pos))
        lstClients->setCurrentItem(item);
    ListMouseUpTimer->start();
}

void frmBaseMain::ListMouseUpTimer_Timer()
{
    ListMouseUpTimer->stop();
    const QListWidgetItem* item = lstClients->currentItem();
    if (!item || item->text().trimmed().isEmpty())
        return;
    mnuClientOptions->popup(QCursor::pos());
}

void frmBaseMain::mnuClientOption_Click(int index)
{
    const int row = lstClients->currentRow();
    if (gServer && row >= 0)
        gServer->ClientOption(index, row);
}

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

bool frmBaseMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == lstEventsView->viewport()) {
            lstEvents_DblClick();
            return true;
        }
        if (watched == lstClients->viewport()) {
            lstClients_DblClick();
            return true;
        }
        for (int i = 1; i < Panels.size(); ++i)
            if (watched == Panels[i]) {
                StatusBar1_PanelDblClick(i);
                return true;
            }
    } else if (event->type() == QEvent::MouseButtonRelease && watched == lstClients->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lstClients_MouseUp(mouse->button() == Qt::RightButton ? 2 : 1, mouse->position().toPoint());
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
    if (!BlinkTimer->isActive())
        return;
    BlinkTimer->stop();
    m_blinkOn = false;
    Shell->setIcon(windowIcon());
}

// --- menus ---------------------------------------------------------------------------------------------

void frmBaseMain::mnuFileExit_Click()
{
    blnExit = true;
    Unload();
}

void frmBaseMain::NetworkModeChanged()
{
    BuildStatusPanels();
    UpdateStatus();
}

void frmBaseMain::ReopenPortIfSettingsChanged() { MSComm->ReopenIfSettingsChanged(); }

void frmBaseMain::UpdateOptionChecks() { setOptionChecks(); }

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

void frmBaseMain::mnuOptionsConfiguration_Click() { frmConfiguration::ShowConfiguration(this); }

void frmBaseMain::mnuOptionsPopupScreen_Click()
{
    toggleOption(Key::PopupScreen, "True");
    setOptionChecks();
    frmCustomizeMiniDisplay* customize = frmCustomizeMiniDisplay::instance(false);
    auto* box = customize ? customize->findChild<QCheckBox*>(QStringLiteral("chkMiniDisplayPopup")) : nullptr;
    if (box && customize->isVisible())
        box->setChecked(
            ConvertCheck(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"))).toInt() ==
            1);
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
    if (!BlinkTimer->isActive())
        Shell->setIcon(windowIcon());
    mnuOptionsRelease->setText(MSComm->releaseCaption());
    mnuPopupMenuRelease->setText(MSComm->releaseCaption());
}

void frmBaseMain::BlockCall() { Calls->BlockCall(); }

void frmBaseMain::ProcessNetworkData(const QString& unit, int clientIndex, qint64 bytes, bool restricted)
{
    Dispatcher->ProcessNetworkData(unit, clientIndex, bytes, restricted);
}

void frmBaseMain::EditGrid(int column, const QString& text, qint32 id)
{
    m_commands->EditGrid(column, text, id, *Grid->model());
    // Whatever happened, the view goes on with its own query.
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

void frmBaseMain::mnuViewTime_Click(int index) { m_view->ChoosePeriod(index); }

// --- call-log maintenance ----------------------------------------------------------------------------

void frmBaseMain::callerDBChanged()
{
    UpdateSQL();
    RefreshGrid();
    UpdateStatus();
    m_commands->LogChanged();
}

void frmBaseMain::mnuFileNewDB_Click()
{
    if (m_commands->NewDB())
        callerDBChanged();
}

void frmBaseMain::mnuFileChangeDB_Click()
{
    if (m_commands->ChangeDB())
        callerDBChanged();
}

void frmBaseMain::mnuEditClear_Click()
{
    if (!m_commands->ClearView(strSQL, *Grid->model()))
        return;
    Grid->Clear();
    UpdateStatus();
    m_commands->LogChanged();
}

void frmBaseMain::mnuEditDelete_Click()
{
    if (m_commands->DeleteSelected(*Grid->model()) == CallLogCommands::Removal::Nothing)
        return;
    // By ID: a call that arrived while the deletion yielded has moved the rows (and collapsed the selection).
    Grid->RemoveItems(m_commands->deletedIDs());
    UpdateSQL();
    UpdateStatus();
    m_commands->LogChanged();
}

// --- the view --------------------------------------------------------------------------------------------

void frmBaseMain::UpdateSQL() { m_view->UpdateSQL(); }

void frmBaseMain::RefreshGrid() { m_view->RefreshGrid(); }

void frmBaseMain::UpdateStatus()
{
    const int n = Grid->Rows() - 1;
    if (Panels.size() > 2)
        Panels[2]->setText(QString::number(n) +
                           (n == 1 ? QStringLiteral(" Record Displayed") : QStringLiteral(" Records Displayed")));
    if (windowLinks().findSetRecords && Links::findVisible())
        windowLinks().findSetRecords(n);
    const bool any = n > 0;
    for (QAction* a : {mnuEditCopyAll, mnuEditCopy, mnuEditDelete, mnuEditClear, mnuToolbarPopupCreateNew,
                       mnuToolbarPopupAddToCurrent, ToolbarButtons[3], ToolbarButtons[4], ToolbarButtons[11]})
        CommandState::setEnabled(a, any);
    Grid_GridSelChange();
    updateCustomPeriodItems();
}

// "Custom..." and the toolbar's "Customize Time" only open the custom-period window: without one they
// would do nothing, so they are offered while it is there.
void frmBaseMain::updateCustomPeriodItems()
{
    const bool available = bool(windowLinks().showCustomizeTime);
    CommandState::setAvailable(mnuViewTime[ViewTime::Custom], available);
    CommandState::setAvailable(ToolbarButtons[7], available);
}

// The commands on one caller need exactly one selected call.
void frmBaseMain::Grid_GridSelChange()
{
    const bool one = Grid->Rows() > 1 && Grid->Row() == Grid->RowSel();
    for (QAction* a : std::as_const(m_singleCallerItems))
        CommandState::setEnabled(a, one);
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
    GridMouseUpTimer->start();
}

void frmBaseMain::GridMouseUpTimer_Timer()
{
    GridMouseUpTimer->stop();
    mnuGridOptions->popup(QCursor::pos());
}

void frmBaseMain::mnuGridOptionsEdit_Click() { Grid->ShowEdit(Grid->RowSel(), intGridCol); }

void frmBaseMain::mnuGridOptionsStatistics_Click()
{
    if (Grid->Rows() <= 1)
        return;
    frmStatistics::instance()->LoadNumber(Grid->TextMatrix(Grid->Row(), 1), Grid->TextMatrix(Grid->Row(), 0));
}

// --- the commands on one caller ----------------------------------------------------------------------------

void frmBaseMain::searchCaller(const QString& sql)
{
    strSQL = sql;
    UncheckTimeMenu();
    UpdateSQL();
    // The refill sorts the list as the user last sorted it.
    RefreshGrid();
}

void frmBaseMain::mnuGridOptionsSearchName_Click()
{
    const int row = Grid->Row();
    searchCaller(CallerSearch::ByName(Grid->TextMatrix(row, CallListModel::ColID),
                                      Grid->TextMatrix(row, CallListModel::ColName)));
}

void frmBaseMain::mnuGridOptionsSearchNumber_Click()
{
    searchCaller(CallerSearch::ByNumber(Grid->TextMatrix(Grid->Row(), CallListModel::ColNumber)));
}

void frmBaseMain::mnuGridOptionsSearchContact_Click()
{
    searchCaller(CallerSearch::ByContact(Grid->TextMatrix(Grid->Row(), CallListModel::ColNumber)));
}

void frmBaseMain::mnuEditOriginal_Click()
{
    if (Grid->Rows() == 1)
        return;
    // By the record's ID: two calls may share the second the list shows.
    bool ok = false;
    const qint64 id = Grid->TextMatrix(Grid->Row(), CallListModel::ColID).trimmed().toLongLong(&ok);
    const std::optional<LoggedRecord> record = ok ? FindLoggedRecordByID(id) : std::nullopt;
    frmOriginalCallerIDInfo* w = frmOriginalCallerIDInfo::instance();
    // A record gone from the log opens the window with the values it showed last.
    w->showRecord(record ? *record
                         : LoggedRecord{w->lblName->text(), w->lblNumber->text(), w->lblTime->text(),
                                        w->lblRings->text(), w->lblAnswered->text()},
                  QString(), this);
}

// --- help ------------------------------------------------------------------------------------------------

void frmBaseMain::mnuHelpContents_Click() { ShowHelpContents(); }

void frmBaseMain::mnuHelpAbout_Click()
{
    frmAbout about(ProgramIcons::icon(QStringLiteral("gicon")));
    execDialog(about);
}

void frmBaseMain::mnuEditCreateNew_Click()
{
    if (Grid->Rows() <= 1)
        return;
    const int row = Grid->Row();
    frmNewContact dialog(this);
    dialog.Prefill(Grid->TextMatrix(row, 0), Grid->TextMatrix(row, 1));
    execDialog(dialog);
    ContactOpeners::CreateNew(dialog.ContactName(), dialog.Number(), dialog.Description(),
                              QStringLiteral("frmBaseMain_mnuEditCreateNew"));
}

void frmBaseMain::mnuEditAddToCurrent_Click()
{
    if (Grid->Rows() <= 1)
        return;
    const QString number = Grid->TextMatrix(Grid->Row(), 1);
    frmSelectContact dialog(this);
    execDialog(dialog);
    ContactOpeners::AddNumberTo(dialog.ContactName(), number, dialog.Description(),
                                QStringLiteral("frmBaseMain_mnuEditAddToCurrent"));
}

void frmBaseMain::ConfigTimer_Timer()
{
    ConfigTimer->stop();
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
    if (index >= 0 && index < mnuWindow.size() && mnuWindow[index]->isCheckable())
        mnuWindow[index]->setChecked(checked);
}

// The item's check mark has already flipped: checked shows the window, unchecked unloads it.
void frmBaseMain::mnuWindow_Click(int index)
{
    if (index < 0 || index >= mnuWindow.size())
        return;
    const bool checked = mnuWindow[index]->isChecked();
    QWidget* window = nullptr;
    switch (index) {
    case WindowMenuActivityLog:
        window = checked ? frmActivityLog::instance() : frmActivityLog::instance(false);
        break;
    case WindowMenuFind:
        window = checked ? frmFind::instance() : frmFind::instance(false);
        break;
    case WindowMenuStatistics:
        if (checked)
            frmStatistics::instance()->showWindow(this);
        else if (frmStatistics* w = frmStatistics::instance(false); w && w->isVisible())
            w->close();
        return;
    case WindowMenuContacts:
        if (checked) {
            frmContacts::showOwnedBy(this);
        } else if (frmContacts* book = frmContacts::instance(false)) {
            // Its save question may keep it open (a save that was refused): then it stays checked.
            if (!book->close())
                mnuWindow[index]->setChecked(true);
        }
        return;
    case WindowMenuMiniDisplay:
        if (checked)
            miniDisplay().Show();
        else if (frmMiniDisplay* w = frmMiniDisplay::instance(false))
            w->close();
        return;
    default:
        return;
    }
    if (!window)
        return;
    if (checked) {
        ShowOwned(window, this);
        window->raise();
        window->activateWindow();
    } else {
        window->close();
    }
}

// The server's connections changed: the fold-out list shows its rows, panel 3 the count (server mode only).
void frmBaseMain::UpdateClientList(const QStringList& rows, const QString& countText)
{
    if (gNetworkMode != Server)
        return;
    // Only rows whose text changed are touched: with many clients the list changes often and little.
    const int current = lstClients->currentRow();
    while (lstClients->count() > rows.size())
        delete lstClients->takeItem(lstClients->count() - 1);
    for (int i = 0; i < rows.size(); ++i) {
        if (i < lstClients->count()) {
            QListWidgetItem* item = lstClients->item(i);
            if (item->text() != rows[i])
                item->setText(rows[i]);
        } else {
            lstClients->addItem(rows[i]);
        }
    }
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
