#include "mainwindow/ui/CallListWindow.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "config/ui/frmAbout.h"
#include "config/ui/frmActivityLog.h"
#include "config/ui/frmConfiguration.h"
#include "config/ui/frmFind.h"
#include "contacts/ContactStore.h"
#include "contacts/ui/ContactPickers.h"
#include "contacts/ui/frmContacts.h"
#include "core/ChangedMeanwhile.h"
#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modContactDB.h"
#include "core/modHelp.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/CallListDump.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "platform/Clock.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "platform/ui/KeepInSight.h"
#include "platform/ui/MenuShortcuts.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
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

} // namespace

CallListWindow::CallListWindow(const QString& formName, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(formName);
    setWindowTitle(QStringLiteral("Velquon"));
    setWindowIcon(ProgramIcons::icon(QStringLiteral("ricon")));
    // A call's pop-up comes over the call list on purpose: this window never moves off it, nor above it.
    KeepInSight::mayBeCovered(this);
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
    QPalette pal = lstEventsView->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    lstEventsView->setPalette(pal);
    lstEventsView->hide();
    lstEventsView->viewport()->installEventFilter(this);
    // One-line rows: the list need not measure every row again each time one is added (an event line per
    // client connecting, a thousand clients).
    lstEventsView->setUniformItemSizes(true);
    lstEventsView->setGeometry(px(ListLeft), 0, px(ListWidth), px(ListHeight));

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setMouseTracking(true);
    statusBar()->installEventFilter(this);

    Shell = new ShellIcon(this);
    Shell->setObjectName(QStringLiteral("ShellIcon"));
    connect(Shell, &ShellIcon::DblClick, this, &CallListWindow::ShellIcon_DblClick);
    connect(Shell, &ShellIcon::Click, this, &CallListWindow::ShellIcon_Click);
    connect(Shell, &ShellIcon::MouseMove, this, &CallListWindow::ShellIcon_MouseMove);

    StatusTimer = addTimer("StatusTimer", 1000, &CallListWindow::StatusTimer_Timer);
    RefreshTimer = addTimer("RefreshTimer", 1, &CallListWindow::RefreshTimer_Timer);
    BlinkTimer = addTimer("BlinkTimer", 300, &CallListWindow::BlinkTimer_Timer);
    GridMouseUpTimer = addTimer("GridMouseUpTimer", 1, &CallListWindow::GridMouseUpTimer_Timer);
    // The clock panel shows minutes: it wakes the program once at each turn of the minute, never in between.
    ClockTimer = addTimer("ClockTimer", 60000, &CallListWindow::updateClock);
    ClockTimer->setSingleShot(true);
    ClockTimer->setTimerType(Qt::PreciseTimer);
    connect(Grid, &CallerIDGrid::MouseUp, this, &CallListWindow::Grid_MouseUp);

    const QString dumpPath = CallListDump::pathFromEnvironment();
    if (!dumpPath.isEmpty())
        m_dump = new CallListDump(*Grid->model(), dumpPath, this);
}

CallListWindow::~CallListWindow()
{
    if (gMainForm == this)
        gMainForm = nullptr;
    // The controls and the timers go after this body and the MainWindow part: what they report on their way
    // out (the focus leaving the list) must not reach this window.
    detachChildren(this);
}

QTimer* CallListWindow::addTimer(const char* name, int intervalMs, void (CallListWindow::*tick)())
{
    auto* timer = new QTimer(this);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, tick);
    return timer;
}

// --- building ------------------------------------------------------------------------------------------

QAction* CallListWindow::addRow(QMenu* menu, const char* name, const char* caption, QKeyCombination key, RowKind kind,
                                bool built)
{
    const QString objectName = QLatin1String(name);
    if (!caption) {
        menu->addSeparator()->setObjectName(objectName);
        return nullptr;
    }
    if (kind == RowKind::SubMenu) {
        menu->addMenu(QString::fromLatin1(caption))->setObjectName(objectName);
        return nullptr;
    }
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(objectName);
    a->setCheckable(kind == RowKind::Check);
    if (key.key() != Qt::Key_unknown)
        a->setShortcut(QKeySequence(key));
    if (!built)
        CommandState::markNotBuilt(a);
    return a;
}

QMenu* CallListWindow::addMenu(const char* name, const char* caption, bool inMenuBar)
{
    QMenu* m =
        inMenuBar ? menuBar()->addMenu(QString::fromLatin1(caption)) : new QMenu(QString::fromLatin1(caption), this);
    m->setObjectName(QLatin1String(name));
    return m;
}

QMenu* CallListWindow::subMenu(const char* name) const { return findChild<QMenu*>(QLatin1String(name)); }

QAction* CallListWindow::item(const char* name) const { return findChild<QAction*>(QLatin1String(name)); }

void CallListWindow::buildViewMenu(const char* dayCaption)
{
    QMenu* view = addMenu("mnuView", "&View");
    const char* const periods[15] = {"15 minutes", nullptr,    "1 hour", "3 hours", "12 hours",
                                     nullptr,      dayCaption, "3 days", nullptr,   "1 week",
                                     "3 weeks",    nullptr,    "All",    nullptr,   "Custom..."};
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
    connect(view, &QMenu::aboutToShow, this, &CallListWindow::updateCustomPeriodItems);
}

void CallListWindow::buildWindowMenu(const char* caption)
{
    // The Window menu's items show (checked) or unload (unchecked) the window they name.
    QMenu* windows = addMenu("mnuWindows", caption);
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
}

void CallListWindow::finishMenus()
{
    // A menu whose every command is still to be built is itself disabled.
    for (QMenu* m : findChildren<QMenu*>()) {
        const QList<QAction*> actions = m->actions();
        const bool anyBuilt = std::any_of(actions.cbegin(), actions.cend(), [](const QAction* a) {
            return !a->isSeparator() && CommandState::isBuilt(a);
        });
        if (!actions.isEmpty() && !anyBuilt)
            CommandState::markNotBuilt(m->menuAction());
    }

    mnuEditAdd = subMenu("mnuEditAdd");
    mnuGridOptions = findChild<QMenu*>(QStringLiteral("mnuGridOptions"));
    mnuGridOptionsAdd = subMenu("mnuGridOptionsAdd");
    mnuPopupMenu = findChild<QMenu*>(QStringLiteral("mnuPopupMenu"));
    mnuToolbarPopup = findChild<QMenu*>(QStringLiteral("mnuToolbarPopup"));
    mnuEditCopyAll = item("mnuEditCopyAll");
    mnuEditCopy = item("mnuEditCopy");
    mnuEditDelete = item("mnuEditDelete");
    mnuEditClear = item("mnuEditClear");
    mnuEditOriginal = item("mnuEditOriginal");
    mnuOptionsPopupScreen = item("mnuOptionsPopupScreen");
    mnuOptionsAlways = item("mnuOptionsAlways");
    mnuOptionsSound = item("mnuOptionsSound");
    mnuPopupMenuRestore = item("mnuPopupMenuRestore");
    mnuPopupMenuPopupScreen = item("mnuPopupMenuPopupScreen");
    mnuPopupMenuAlways = item("mnuPopupMenuAlways");
    mnuPopupMenuSound = item("mnuPopupMenuSound");
    mnuToolbarPopupCreateNew = item("mnuToolbarPopupCreateNew");
    mnuToolbarPopupAddToCurrent = item("mnuToolbarPopupAddToCurrent");

    // The commands on one caller, on while exactly one call is selected (the grid menu's item for the logged
    // record is named apart in each window).
    for (const char* name : {"mnuEditCreateNew", "mnuEditAddToCurrent", "mnuEditOriginal", "mnuGridOptionsCreateNew",
                             "mnuGridOptionsAddToCurrent", "mnuGridOptionsSearchName", "mnuGridOptionsSearchNumber",
                             "mnuGridOptionsSearchContact", "mnuGridOptionsViewOriginal", "mnuGridOptionsOriginal",
                             "mnuGridOptionsStatistics", "mnuGridOptionsDelete", "mnuGridOptionsEdit"})
        if (QAction* a = item(name))
            m_singleCallerItems << a;
    for (const char* name : {"mnuEditAdd", "mnuGridOptionsAdd", "mnuGridOptionsSearch"})
        if (QMenu* m = subMenu(name))
            m_singleCallerItems << m->menuAction();
}

void CallListWindow::buildToolbar()
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

void CallListWindow::Toolbar1_ButtonClick(int index)
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

void CallListWindow::buildPanels(const QList<PanelSpec>& panels)
{
    for (int i = 1; i < Panels.size(); ++i) {
        statusBar()->removeWidget(Panels[i]);
        delete Panels[i];
    }
    Panels = QList<QLabel*>{nullptr};
    for (const PanelSpec& spec : panels) {
        auto* label = new QLabel(statusBar());
        label->setObjectName(indexed("StatusBar1.Panels", int(Panels.size())));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        if (spec.stretch) {
            label->setMinimumWidth(1);
            statusBar()->addWidget(label, 1);
        } else {
            // A large font must not cut the panel's text off.
            const int needed = label->fontMetrics().horizontalAdvance(spec.widest) + 12;
            label->setFixedWidth(std::max(px(spec.twips), needed));
            statusBar()->addPermanentWidget(label);
        }
        label->setText(spec.text);
        Panels.append(label);
    }
    updateClock();
}

void CallListWindow::showRecordCount(const QString& text, int records)
{
    if (Panels.size() > 2)
        Panels[2]->setText(text);
    if (windowLinks().findSetRecords && Links::findVisible())
        windowLinks().findSetRecords(records);
    const bool any = records > 0;
    for (QAction* a : {mnuEditCopyAll, mnuEditCopy, mnuEditDelete, mnuEditClear, mnuToolbarPopupCreateNew,
                       mnuToolbarPopupAddToCurrent, ToolbarButtons[3], ToolbarButtons[4], ToolbarButtons[11]})
        CommandState::setEnabled(a, any);
    updateSingleCallerCommands();
    updateCustomPeriodItems();
}

// The commands on one caller need exactly one selected call.
void CallListWindow::updateSingleCallerCommands()
{
    const bool one = Grid->Rows() > 1 && Grid->Row() == Grid->RowSel();
    for (QAction* a : std::as_const(m_singleCallerItems))
        CommandState::setEnabled(a, one);
}

// "Custom..." and the toolbar's "Customize Time" only open the custom-period window: without one they
// would do nothing, so they are offered while it is there.
void CallListWindow::updateCustomPeriodItems()
{
    const bool available = bool(windowLinks().showCustomizeTime);
    CommandState::setAvailable(mnuViewTime[ViewTime::Custom], available);
    CommandState::setAvailable(ToolbarButtons[7], available);
}

void CallListWindow::updateClock()
{
    const int panel = clockPanel();
    if (panel < Panels.size())
        Panels[panel]->setText(QLocale::c().toString(Clock::now().time(), QStringLiteral("h:mm AP")));
    // Due just after the next turn of the minute of the real clock, which the program's clock follows.
    const qint64 intoMinute = QDateTime::currentMSecsSinceEpoch() % 60000;
    ClockTimer->start(int(60000 - intoMinute + 20));
}

// --- load, unload, resize ------------------------------------------------------------------------------

void CallListWindow::loadCommon()
{
    blnFirstResize = true;
    MenuShortcuts::keepToWindow(this);
    SetOnTop(this, false);
    blnPlacing = true;
    RestoreFormPosition(this);
    blnPlacing = false;

    Shell->setIcon(ProgramIcons::icon(QStringLiteral("ricon")));
    Shell->setToolTipText(QStringLiteral("Velquon"));
    Shell->setVisible(true);

    lstEvents.insertRows(lstEvents.rowCount(), 5);

    if (!gSwitchingMode && textToBool(GetProperty(Section::frmConfiguration, Key::Minimized, QStringLiteral("False"))))
        setWindowState(windowState() | Qt::WindowMinimized);
    gSwitchingMode = false;

    setOptionChecks();
}

void CallListWindow::showWindow()
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

void CallListWindow::showAndRaise()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    // The keyboard goes to the window restoring put on top (the contact book, a running task's progress window
    // over the main window): the user's next key is meant for what the user sees in front.
    QWidget* top = m_restoredOnTop && m_restoredOnTop->isVisible() ? m_restoredOnTop.data() : this;
    m_restoredOnTop = nullptr;
    if (top != this)
        top->raise();
    top->activateWindow();
}

void CallListWindow::Unload() { close(); }

void CallListWindow::closeEvent(QCloseEvent* event)
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
        // A long task lets the event loop run now (this close among what it runs): the end waits at the gate
        // until it has stopped at its next step and returned.
        if (LongTask::running()) {
            event->ignore();
            Program::exit();
            return;
        }
        event->accept();
        ExitSteps();
        return;
    }
    event->ignore();
    // Bound for the tray, the window is withdrawn at once. Asking the window manager to iconify it first
    // races that: the native window keeps the minimised state it was asked for, is mapped behind the widget's
    // back when it is restored, and now and then the window manager let go of it and it never came back.
    if (minimisesToTray())
        overrideWindowState(windowState() | Qt::WindowMinimized);
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void CallListWindow::SaveFormPosition()
{
    // Top, Left, Height and Width only in the normal state: a window closed minimised or maximised keeps
    // its last normal placement.
    ::SaveFormPosition(this, PlaceAll);
}

void CallListWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & Qt::WindowMinimized))
        Form_Resize();
}

void CallListWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void CallListWindow::Form_Resize()
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

bool CallListWindow::isPopupFamily(const QWidget* window)
{
    for (const char* name : kPopupFamily)
        if (window->objectName().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool CallListWindow::hiddenByMinimise(const QWidget* window) { return window->property(kHiddenByMinimise).toBool(); }

// Without a tray the main window stays in the task bar, or nothing would lead back to the program.
bool CallListWindow::minimisesToTray() const { return Shell->added() && ShellIcon::trayAvailable(); }

void CallListWindow::hideWindowsForMinimise()
{
    const bool toTray = minimisesToTray();
    // Every window to hide is marked before any is hidden: hiding an owner may take its owned windows along,
    // and those must come back on restore as well. The mark is kept apart from a window's Tag, which may
    // carry its own meaning (a waiting note's kind).
    QList<QWidget*> toHide;
    m_keyboardAtMinimise = QApplication::activeWindow();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        const Qt::WindowType type = w->windowType();
        if (!w->isVisible() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop || isPopupFamily(w) ||
            IsToolkitWindow(w))
            continue;
        if (w == this && !toTray)
            continue;
        w->setProperty(kHiddenByMinimise, true);
        toHide.append(w);
    }
    for (QWidget* w : toHide)
        ModalDialog::hideWithProgram(w);
}

void CallListWindow::showWindowsAfterRestore()
{
    // Each window after the one that owns it: the window manager keeps a window above its owner only when the
    // owner is on the screen as it comes, and the owner shown after it would cover it (the Stop of a running
    // task among them). Qt still counts a window the window manager minimised along with its owner as
    // minimised, and would show it as an icon.
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (hiddenByMinimise(w) && w->objectName() != QLatin1String("frmMiniDisplay"))
            windows.append(w);
    const auto owners = [](const QWidget* w) {
        int n = 0;
        for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            ++n;
        return n;
    };
    // Among windows of one owner, the one that had the keyboard comes last, on top of the others.
    const QWidget* hadKeyboard = m_keyboardAtMinimise;
    std::stable_sort(windows.begin(), windows.end(), [&](const QWidget* a, const QWidget* b) {
        return owners(a) != owners(b) ? owners(a) < owners(b) : (b == hadKeyboard && a != hadKeyboard);
    });
    for (QWidget* w : windows) {
        w->setProperty(kHiddenByMinimise, QVariant());
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
        w->show();
    }
    m_restoredOnTop = windows.isEmpty() ? nullptr : windows.last();
}

void CallListWindow::ScaleGridColumns()
{
    const int gridWidth = tw(Grid->width());
    if (gridWidth <= 5700)
        return;
    const int newWidth = tw(centralWidget()->width());
    for (int c = 0; c < Grid->Cols(); ++c)
        Grid->setColWidth(c, int(std::lround(double(Grid->ColWidth(c)) / gridWidth * newWidth)));
}

void CallListWindow::ResizeGrid()
{
    QWidget* area = centralWidget();
    Grid->setGeometry(0, 0, area->width(), area->height());
}

// --- status bar and fold-out lists ---------------------------------------------------------------------

void CallListWindow::setStatusText(const QString& text)
{
    MainWindow::setStatusText(text);
    if (Panels.size() > 1)
        Panels[1]->setText(text);
    if (StatusTimerEnabled && !StatusTimer->isActive())
        StatusTimer->start();
}

void CallListWindow::setCaption(const QString& caption)
{
    MainWindow::setCaption(caption);
    setWindowTitle(caption);
}

void CallListWindow::eventAdded(int row)
{
    const QModelIndex index = lstEvents.index(row);
    lstEventsView->setCurrentIndex(index);
    lstEventsView->scrollTo(index);
}

void CallListWindow::StatusTimer_Timer()
{
    ++intStatusTimer;
    if (intStatusTimer >= 10) {
        StatusTimer->stop();
        StatusTimerEnabled = false;
        intStatusTimer = 0;
        const QString resting = restingStatus();
        MainWindow::setStatusText(resting);
        if (Panels.size() > 1)
            Panels[1]->setText(resting);
    }
}

void CallListWindow::placeFoldOut(QWidget* list, int panel, bool setWidth)
{
    if (panel >= Panels.size())
        return;
    const QRect p(Panels[panel]->mapTo(this, QPoint(0, 0)), Panels[panel]->size());
    const QRect bar = statusBar()->geometry();
    const int width = setWidth ? p.width() : list->width();
    list->setGeometry(p.left(), bar.top() + bar.height() - list->height(), width, list->height());
}

void CallListWindow::RefreshTimer_Timer()
{
    RefreshTimer->stop();
    if (lstEventsView->isVisible())
        placeFoldOut(lstEventsView, 1, true);
    placeOwnFoldOuts();
}

void CallListWindow::StatusBar1_PanelDblClick(int panel)
{
    if (panel == 1) {
        placeFoldOut(lstEventsView, 1, true);
        lstEventsView->show();
        lstEventsView->raise();
        lstEventsView->setFocus();
    }
}

void CallListWindow::lstEvents_DblClick() { lstEventsView->hide(); }

QString CallListWindow::panelTip(int panel) const
{
    switch (panel) {
    case 1:
        return QStringLiteral("Events (double click to expand)");
    case 2:
        return QStringLiteral("Records Displayed");
    default:
        return statusBar()->toolTip();
    }
}

void CallListWindow::StatusBar1_MouseMove(double x)
{
    auto width = [this](int panel) { return panel < Panels.size() ? double(tw(Panels[panel]->width())) : 0.0; };
    const double w1 = width(1), w2 = width(2), w3 = width(3);
    const double bar = tw(statusBar()->width());
    int panel = 0;
    if (x < w1)
        panel = 1;
    else if (w1 < x && x < w1 + w2)
        panel = 2;
    else if (w1 + w2 < x && x < w1 + w2 + w3)
        panel = 3;
    else if (w1 + w2 + w3 < x && x < bar)
        panel = 4;
    statusBar()->setToolTip(panel ? panelTip(panel) : QString());
}

bool CallListWindow::eventFilter(QObject* watched, QEvent* event)
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

void CallListWindow::AddHints()
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
    addOwnHints();
}

// --- tray icon -----------------------------------------------------------------------------------------

void CallListWindow::ShellIcon_MouseMove() { mnuPopupMenuRestore->setEnabled(windowState() & Qt::WindowMinimized); }

void CallListWindow::ShellIcon_DblClick(int button)
{
    if (button != 1)
        return;
    showAndRaise();
}

void CallListWindow::ShellIcon_Click(int button)
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

void CallListWindow::mnuPopupMenuRestore_Click()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

void CallListWindow::BlinkTimer_Timer()
{
    if (textToBool(GetProperty(Section::frmConfiguration, Key::BlinkingIcon, QStringLiteral("True"))) &&
        (windowState() & Qt::WindowMinimized)) {
        m_blinkOn = !m_blinkOn;
        Shell->setIcon(ProgramIcons::icon(m_blinkOn ? QStringLiteral("gicon") : QStringLiteral("ricon")));
        return;
    }
    StopBlinking();
}

void CallListWindow::StopBlinking()
{
    if (!BlinkTimer->isActive())
        return;
    BlinkTimer->stop();
    m_blinkOn = false;
    Shell->setIcon(windowIcon());
}

// --- menus ---------------------------------------------------------------------------------------------

void CallListWindow::mnuFileExit_Click() { Program::exit(); }

void CallListWindow::setOptionChecks()
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

void CallListWindow::toggleOption(const char* key, const char* defaultValue)
{
    const bool stored = textToBool(GetProperty(Section::frmConfiguration, key, QString::fromLatin1(defaultValue)));
    SaveProperty(Section::frmConfiguration, key, boolText(!stored));
}

void CallListWindow::mnuOptionsConfiguration_Click() { frmConfiguration::ShowConfiguration(this); }

void CallListWindow::mnuOptionsPopupScreen_Click()
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

void CallListWindow::mnuOptionsAlways_Click()
{
    toggleOption(Key::OnTop, "False");
    // The program's own windows: the tray's icon window belongs to the tray.
    for (QWidget* w : LoadedForms()) {
        if (w->objectName() != QLatin1String("frmMiniDisplay"))
            SetOnTop(w, false);
    }
    setOptionChecks();
}

void CallListWindow::mnuOptionsSound_Click()
{
    toggleOption(Key::Sound, "True");
    setOptionChecks();
}

void CallListWindow::UncheckTimeMenu()
{
    for (QAction* a : mnuViewTime)
        if (a && a->isCheckable())
            a->setChecked(false);
}

void CallListWindow::setViewTimeChecked(int index)
{
    if (index >= 0 && index < mnuViewTime.size() && mnuViewTime[index]->isCheckable())
        mnuViewTime[index]->setChecked(true);
}

void CallListWindow::Grid_MouseUp(int button, int, double x, double y)
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

void CallListWindow::GridMouseUpTimer_Timer()
{
    GridMouseUpTimer->stop();
    mnuGridOptions->popup(QCursor::pos());
}

void CallListWindow::mnuGridOptionsEdit_Click() { Grid->ShowEdit(Grid->RowSel(), intGridCol); }

// The contact file stores the change, or in client mode the server does: nothing here changes before it has.
// The pickers are this window's children, made on the heap: when the program ends while one waits, it goes with
// the window (never deleted twice), and nothing of the window is touched afterwards.
void CallListWindow::mnuEditCreateNew_Click()
{
    if (Grid->Rows() <= 1)
        return;
    const int row = Grid->Row();
    const QString tag = objectName() + QStringLiteral("_mnuEditCreateNew");
    QPointer<frmNewContact> dialog = new frmNewContact(this);
    dialog->Prefill(Grid->TextMatrix(row, CallListModel::ColName), Grid->TextMatrix(row, CallListModel::ColNumber));
    execDialog(*dialog);
    if (!dialog)
        return;
    const QString name = dialog->ContactName();
    const QString number = dialog->Number();
    const QString description = dialog->Description();
    delete dialog.data();
    ContactOpeners::CreateNew(name, number, description, tag);
}

void CallListWindow::mnuEditAddToCurrent_Click()
{
    if (Grid->Rows() <= 1)
        return;
    // The number is the one of the call chosen now; the rows may move while the picker waits.
    const QString number = Grid->TextMatrix(Grid->Row(), 1);
    const QString tag = objectName() + QStringLiteral("_mnuEditAddToCurrent");
    QPointer<frmSelectContact> dialog = new frmSelectContact(this);
    execDialog(*dialog);
    if (!dialog)
        return;
    const QString contactName = dialog->ContactName();
    const QString description = dialog->Description();
    delete dialog.data();
    // The contact picked is looked up by its name: while the picker waited another user may have renamed or
    // removed it.
    if (!contactName.isEmpty() && GetContact(contactName)->Name.isEmpty()) {
        ChangedMeanwhile::say(QStringLiteral("contact \"") + contactName + QLatin1Char('"'));
        return;
    }
    ContactOpeners::AddNumberTo(contactName, number, description, tag);
}

void CallListWindow::mnuGridOptionsStatistics_Click()
{
    if (Grid->Rows() <= 1)
        return;
    frmStatistics::instance()->LoadNumber(Grid->TextMatrix(Grid->Row(), 1), Grid->TextMatrix(Grid->Row(), 0));
}

void CallListWindow::mnuFilePrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    CallListPrinter(Grid, printOptions()).PrintList(printer);
}

void CallListWindow::mnuEditCopyAll_Click() { CallListPrinter(Grid).CopyAll(); }

void CallListWindow::mnuEditCopy_Click() { CallListPrinter(Grid).CopySelected(); }

void CallListWindow::mnuEditReset_Click()
{
    const double w = tw(Grid->width());
    for (int c = 0; c < 3; ++c)
        Grid->setColWidth(c, int(std::lround(w * 26 / 100)));
    for (int c = 3; c < 5; ++c)
        Grid->setColWidth(c, int(std::lround(w * 11 / 100)));
    Grid->setColWidth(5, 0);
    Grid->setColWidth(6, int(std::lround(w)));
}

void CallListWindow::CheckWindowMenuItem(int index, bool checked)
{
    if (index >= 0 && index < mnuWindow.size() && mnuWindow[index]->isCheckable())
        mnuWindow[index]->setChecked(checked);
}

// The item's check mark has already flipped: checked shows the window, unchecked unloads it.
void CallListWindow::mnuWindow_Click(int index)
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
            // Its save question may keep it open (a save that was refused): then it stays checked. The
            // program may end while that question waits, and this window with it.
            const QPointer<CallListWindow> self(this);
            if (!book->close() && self)
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

// --- help ------------------------------------------------------------------------------------------------

void CallListWindow::mnuHelpContents_Click() { ShowHelpContents(); }

void CallListWindow::mnuHelpAbout_Click()
{
    // A window of its own, which the program's end unloads with every other one while it is open: made on the
    // heap and watched, so it is never deleted twice.
    QPointer<frmAbout> about = new frmAbout(ProgramIcons::icon(QStringLiteral("gicon")));
    execDialog(*about);
    delete about.data();
}

void CallListWindow::SetFocus()
{
    // A hidden or minimised window cannot take the focus; leave it where the user put it. Nor is it taken from
    // another program the user went to meanwhile (a long task or a server's answer ends while the user works
    // there): the next keys would act on the call list.
    if (!isVisible() || isMinimized() || ModalDialog::keyboardWithAnotherProgram())
        return;
    activateWindow();
    Grid->setFocus();
}

void CallListWindow::focusList()
{
    // Given the focus now, or once the window has the keyboard again; the window itself is not made active.
    Grid->setFocus();
}
