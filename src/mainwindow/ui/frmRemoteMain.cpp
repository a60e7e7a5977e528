#include "mainwindow/ui/frmRemoteMain.h"

#include <algorithm>
#include <vector>

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

#include "capture/RemoteCallRoad.h"
#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/modMain.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/RemoteCallList.h"
#include "mainwindow/RemoteCommands.h"
#include "mainwindow/RemoteDispatcher.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "network/clsRemoteSocket.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmCallerInfo.h"
#include "popup/ui/frmMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"

namespace {

constexpr int OfflineWidth = 650; // twips
constexpr int OnlineWidth = 2000;

} // namespace

frmRemoteMain::frmRemoteMain(QWidget* parent) : CallListWindow(QStringLiteral("frmRemoteMain"), parent)
{
    setCaption(QStringLiteral("Velquon (Client)"));

    m_calls = new RemoteCallRoad(this);
    m_calls->setObjectName(QStringLiteral("Calls"));
    connect(m_calls, &RemoteCallRoad::callAdded, this, [this](const clsCaller& caller) {
        Grid->AddItem(caller, true);
        UpdateStatus();
    });
    connect(m_calls, &RemoteCallRoad::callUpdated, this,
            [this](qint32 id, const clsCaller& caller) { Grid->UpdateItem(id, caller); });
    connect(m_calls, &RemoteCallRoad::callStarted, this, [this] {
        if (windowState() & Qt::WindowMinimized)
            BlinkTimer->start();
    });
    miniDisplay().connectCallRoad(m_calls);

    m_dispatcher = new RemoteDispatcher(*this, *m_calls, this);
    m_dispatcher->setObjectName(QStringLiteral("Dispatcher"));
    connect(m_dispatcher, &RemoteDispatcher::connectionIconChanged, this, &frmRemoteMain::setConnectionIcon);
    connect(m_dispatcher, &RemoteDispatcher::recordCountShown, this, [this](const QString& text) {
        if (Panels.size() > 2)
            Panels[2]->setText(text);
    });
    connect(m_dispatcher, &RemoteDispatcher::loggedRecordArrived, this,
            [this](const LoggedRecord& record, bool overPopup) {
                frmOriginalCallerIDInfo* w = frmOriginalCallerIDInfo::instance();
                if (overPopup)
                    w->showRecord(record, QStringLiteral("MINI DISPLAY"));
                else
                    w->showRecord(record, w->Tag, this);
            });
    connect(m_dispatcher, &RemoteDispatcher::callerEdited, this,
            [this](qint32 id, const clsCaller& caller) { Grid->UpdateItem(id, caller); });
    connect(m_dispatcher, &RemoteDispatcher::callerInfoArrived, this, [](const QString& text) {
        if (frmMiniDisplay* popup = frmMiniDisplay::instance(false))
            popup->setCallerInfoText(text);
        if (frmCallerInfo* info = frmCallerInfo::instance(false); info && info->isVisible())
            info->setText(text);
    });
    connect(m_dispatcher, &RemoteDispatcher::logCleared, this, [this] { Grid->Clear(); });
    connect(m_dispatcher, &RemoteDispatcher::callsDeleted, this,
            [this](const QList<qint32>& ids) { Grid->RemoveItems(std::vector<qint64>(ids.cbegin(), ids.cend())); });

    m_commands = new RemoteCommands(*this, *m_dispatcher, this);

    m_refill = new RemoteCallList(this);
    connect(m_refill, &RemoteCallList::refillStarted, this, [this] {
        Grid->setGridVisible(false);
        Grid->Clear();
        Grid->model()->beginBulkAppend();
    });
    connect(m_refill, &RemoteCallList::rowsRead, this,
            [this](const CallRowBatch& batch, size_t first, size_t last) { Grid->AddRows(batch, first, last); });
    connect(m_refill, &RemoteCallList::refillFinished, this, [this] {
        Grid->model()->endBulkAppend();
        UpdateStatus();
        Grid->Sort();
        Grid->setGridVisible(true);
    });
    connect(Grid, &CallerIDGrid::GridSelChange, this, &frmRemoteMain::Grid_GridSelChange);

    buildMenus();
    buildToolbar();
    finishMenus();
    Form_Load();
}

frmRemoteMain::~frmRemoteMain()
{
    // The call road and its timer go after this body: nothing they report may reach this window.
    detachChildren(this);
}

// --- building ------------------------------------------------------------------------------------------

void frmRemoteMain::buildMenus()
{
    using Row = MenuRow<frmRemoteMain>;
    const RowKind Check = RowKind::Check;
    const RowKind SubMenu = RowKind::SubMenu;

    addRows<frmRemoteMain>(this, addMenu("mnuFile", "&File"),
                           {
                               Row{"mnuFilePrint", "&Print Log...", {}, &frmRemoteMain::mnuFilePrint_Click},
                               Row{"mnuFileHyphen1"},
                               Row{"mnuFileExit", "E&xit", {}, &frmRemoteMain::mnuFileExit_Click},
                           });
    addRows<frmRemoteMain>(
        this, addMenu("mnuEdit", "&Edit"),
        {
            Row{"mnuEditCopyAll", "Copy &All", Qt::CTRL | Qt::Key_A, &frmRemoteMain::mnuEditCopyAll_Click},
            Row{"mnuEditCopy", "&Copy Selected Items", Qt::CTRL | Qt::Key_C, &frmRemoteMain::mnuEditCopy_Click},
            Row{"mnuEditReset", "&Reset Columns", Qt::CTRL | Qt::Key_R, &frmRemoteMain::mnuEditReset_Click},
            Row{"mnuEditHyphen1"},
            Row{"mnuEditDelete", "&Delete", Qt::Key_Delete, &frmRemoteMain::mnuEditDelete_Click},
            Row{"mnuEditClear", "C&lear Log", Qt::CTRL | Qt::Key_X, &frmRemoteMain::mnuEditClear_Click},
            Row{"mnuEditHyphen2"},
            Row{"mnuEditOriginal", "View &Original Caller ID Info...", Qt::CTRL | Qt::Key_O,
                &frmRemoteMain::mnuEditOriginal_Click},
            Row{"mnuEditHyphen3"},
            Row{"mnuEditAdd", "Add &To Contact DB", {}, nullptr, SubMenu},
        });
    addRows<frmRemoteMain>(this, subMenu("mnuEditAdd"),
                           {
                               Row{"mnuEditCreateNew", "&Add As New Contact...", Qt::CTRL | Qt::Key_N,
                                   &frmRemoteMain::mnuEditCreateNew_Click},
                               Row{"mnuEditAddToCurrent", "Add This &Number To A Contact...", Qt::CTRL | Qt::Key_D,
                                   &frmRemoteMain::mnuEditAddToCurrent_Click},
                           });

    buildViewMenu("1 days");

    addRows<frmRemoteMain>(
        this, addMenu("mnuOptions", "&Options"),
        {
            Row{"mnuOptionsConfiguration", "&Configuration...", {}, &frmRemoteMain::mnuOptionsConfiguration_Click},
            Row{"mnuOptionsHyphen1"},
            Row{"mnuOptionsPopupScreen", "&Mini Display Popup", {}, &frmRemoteMain::mnuOptionsPopupScreen_Click, Check},
            Row{"mnuOptionsAlways", "&Always On Top", {}, &frmRemoteMain::mnuOptionsAlways_Click, Check},
            Row{"mnuOptionsSound", "Enable &Sound", {}, &frmRemoteMain::mnuOptionsSound_Click, Check},
            Row{"mnuOptionsHyphen2"},
            Row{"mnuOptionsConnect", "Co&nnect", Qt::CTRL | Qt::Key_Q, &frmRemoteMain::ToggleConnection},
        });

    buildWindowMenu("Window");

    addRows<frmRemoteMain>(
        this, addMenu("mnuHelp", "&Help"),
        {
            Row{"mnuHelpContents", "&Contents...", Qt::Key_F1, &frmRemoteMain::mnuHelpContents_Click},
            Row{"mnuHelpHyphen1"},
            Row{"mnuHelpAbout", "&About Velquon...", {}, &frmRemoteMain::mnuHelpAbout_Click},
        });

    addRows<frmRemoteMain>(
        this, addMenu("mnuPopupMenu", "PopupMenu", false),
        {
            Row{"mnuPopupMenuRestore", "&Restore", {}, &frmRemoteMain::mnuPopupMenuRestore_Click},
            Row{"mnuPopupMenuHyphen1"},
            Row{"mnuPopupMenuPopupScreen",
                "&Mini Display Popup",
                {},
                &frmRemoteMain::mnuOptionsPopupScreen_Click,
                Check},
            Row{"mnuPopupMenuAlways", "&Always On Top", {}, &frmRemoteMain::mnuOptionsAlways_Click, Check},
            Row{"mnuPopupMenuSound", "Enable &Sound", {}, &frmRemoteMain::mnuOptionsSound_Click, Check},
            Row{"mnuPopupMenuHyphen2"},
            Row{"mnuPopupMenuConnect", "Co&nnect", {}, &frmRemoteMain::ToggleConnection},
            Row{"mnuPopupMenuClose", "&Close", {}, &frmRemoteMain::mnuFileExit_Click},
        });

    addRows<frmRemoteMain>(
        this, addMenu("mnuGridOptions", "Grid Options", false),
        {
            Row{"mnuGridOptionsCopyAll", "Copy &All", {}, &frmRemoteMain::mnuEditCopyAll_Click},
            Row{"mnuGridOptionsCopy", "&Copy Selected Item", {}, &frmRemoteMain::mnuEditCopy_Click},
            Row{"mnuGridOptionsHyphen1"},
            Row{"mnuGridOptionsAdd", "Add To Contacts DB", {}, nullptr, SubMenu},
            Row{"mnuGridOptionsHyphen2"},
            Row{"mnuGridOptionsSearch", "Search For This Caller", {}, nullptr, SubMenu},
            Row{"mnuGridOptionsStatistics",
                "View Statistics On This Caller...",
                {},
                &frmRemoteMain::mnuGridOptionsStatistics_Click},
            Row{"mnuGridOptionsOriginal", "View Original Caller ID Info...", {}, &frmRemoteMain::mnuEditOriginal_Click},
            Row{"mnuGridOptionsHyphen3"},
            Row{"mnuGridOptionsEdit", "Edit", {}, &frmRemoteMain::mnuGridOptionsEdit_Click},
            Row{"mnuGridOptionsDelete", "Delete This Record", {}, &frmRemoteMain::mnuEditDelete_Click},
        });
    addRows<frmRemoteMain>(
        this, subMenu("mnuGridOptionsAdd"),
        {
            Row{"mnuGridOptionsCreateNew", "Add As A New Contact...", {}, &frmRemoteMain::mnuEditCreateNew_Click},
            Row{"mnuGridOptionsAddToCurrent",
                "Add This Number To A Contact...",
                {},
                &frmRemoteMain::mnuEditAddToCurrent_Click},
        });
    addRows<frmRemoteMain>(
        this, subMenu("mnuGridOptionsSearch"),
        {
            Row{"mnuGridOptionsSearchName", "Search By Name", {}, &frmRemoteMain::mnuGridOptionsSearchName_Click},
            Row{"mnuGridOptionsSearchNumber", "Search By Number", {}, &frmRemoteMain::mnuGridOptionsSearchNumber_Click},
            Row{"mnuGridOptionsSearchContact",
                "Search By All Contact Numbers",
                {},
                &frmRemoteMain::mnuGridOptionsSearchContact_Click},
        });

    addRows<frmRemoteMain>(
        this, addMenu("mnuToolbarPopup", "Toolbar Popup", false),
        {
            Row{"mnuToolbarPopupCreateNew", "Add As New Contact...", {}, &frmRemoteMain::mnuEditCreateNew_Click},
            Row{"mnuToolbarPopupAddToCurrent",
                "Add This Number To A Contact...",
                {},
                &frmRemoteMain::mnuEditAddToCurrent_Click},
        });

    mnuOptionsConnect = item("mnuOptionsConnect");
    mnuPopupMenuConnect = item("mnuPopupMenuConnect");
}

// --- load, unload --------------------------------------------------------------------------------------

void frmRemoteMain::Form_Load()
{
    // Only client mode has this window: loaded in another mode it goes again at once, changing nothing.
    if (gNetworkMode != Client) {
        blnUnloadOnly = true;
        UnloadForm(this);
        return;
    }
    buildPanels({{0, true, QString(), statusText()},
                 {1850, false, QStringLiteral("00000 Records Displayed"), QString()},
                 {OfflineWidth, false, QStringLiteral("Offline"), QStringLiteral("Offline")},
                 {1000, false, QStringLiteral("12:00 PM"), QString()}});
    loadCommon();
    m_calls->CurrentCaller = clsCaller();
    ResizeGrid();
    Grid->Sort();
    UpdateStatus();
    AddHints();
}

void frmRemoteMain::EndCallRoad() { m_calls->End(); }

void frmRemoteMain::ExitSteps()
{
    m_exiting = true;
    Shell->setVisible(false);
    SaveFormPosition();
    SaveLogOffTime();
    Program::shutDown();
    Program::end();
}

void frmRemoteMain::mnuPopupMenuRestore_Click()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!IsDialogOpen())
        show();
}

QString frmRemoteMain::panelTip(int panel) const
{
    if (panel == 3)
        return QStringLiteral("Host IP Address");
    if (panel == 4)
        return QStringLiteral("Current Time");
    return CallListWindow::panelTip(panel);
}

CallListPrinter::Options frmRemoteMain::printOptions() const { return CallListPrintOptions::client(); }

// --- the connection ------------------------------------------------------------------------------------

void frmRemoteMain::ToggleConnection()
{
    if (gRemoteSocket)
        gRemoteSocket->setConnected(!gRemoteSocket->Connected());
}

void frmRemoteMain::setConnectionIcon(const QString& key)
{
    setWindowIcon(ProgramIcons::icon(key));
    // A blinking tray icon takes the connection's picture again when the blinking stops.
    if (!BlinkTimer->isActive())
        Shell->setIcon(windowIcon());
}

void frmRemoteMain::RefreshOnline()
{
    QLabel* panel = Panels.size() > 3 ? Panels[3] : nullptr;
    const auto setPanel = [panel](const QString& text, int twips) {
        if (!panel)
            return;
        panel->setText(text);
        panel->setFixedWidth(std::max(Twips::toPixels(twips), panel->fontMetrics().horizontalAdvance(text) + 12));
    };
    if (!gRemoteSocket || !gRemoteSocket->Connected()) {
        Program::unloadWaitingForms(QStringLiteral("ALL"));
        AddEvent(QStringLiteral("Your connection was dropped"));
        setPanel(QStringLiteral("Offline"), OfflineWidth);
        setConnectionIcon(QStringLiteral("ricon"));
        mnuOptionsConnect->setText(QStringLiteral("Co&nnect"));
        mnuPopupMenuConnect->setText(QStringLiteral("Co&nnect"));
        return;
    }
    const QString address = gRemoteSocket->RemoteHostIP();
    AddEvent(QStringLiteral("Your connection was accepted by: ") + address);
    setPanel(QStringLiteral("Connect to ") + address, OnlineWidth);
    setConnectionIcon(ModemConnected ? QStringLiteral("gicon") : QStringLiteral("yicon"));
    mnuOptionsConnect->setText(QStringLiteral("&Disconnect"));
    mnuPopupMenuConnect->setText(QStringLiteral("&Disconnect"));
}

void frmRemoteMain::ConnectBurstSent()
{
    // The server's log may have changed while this client was away, and a list asked for then was never sent.
    miniDisplay().LoadData();
}

void frmRemoteMain::ProcessRemoteNetworkData(const QString& unit) { m_dispatcher->ProcessRemoteNetworkData(unit); }

void frmRemoteMain::RemoteRequestGivenUp(const QString& kind) { m_dispatcher->RequestGivenUp(kind); }

// --- the call list -------------------------------------------------------------------------------------

void frmRemoteMain::RefreshGrid() { m_refill->RefreshGrid(); }

void frmRemoteMain::UpdateStatus()
{
    const int n = Grid->Rows() - 1;
    showRecordCount(QString::number(n) + QStringLiteral(" Records Displayed"), n);
}

void frmRemoteMain::Grid_GridSelChange()
{
    m_dispatcher->SelectionChanged = true;
    updateSingleCallerCommands();
}

void frmRemoteMain::EditGrid(int column, const QString& text, qint32 id) { m_commands->EditGrid(column, text, id); }

void frmRemoteMain::RingTimer_Timer() { m_calls->RingTimer_Timer(); }

void frmRemoteMain::mnuEditDelete_Click() { m_commands->DeleteSelected(*Grid->model()); }

void frmRemoteMain::mnuEditClear_Click() { m_commands->ClearLog(*Grid->model()); }

void frmRemoteMain::mnuViewTime_Click(int index) { m_commands->ChoosePeriod(index); }

void frmRemoteMain::mnuEditOriginal_Click() { m_commands->ViewOriginal(*Grid->model()); }

void frmRemoteMain::mnuGridOptionsSearchName_Click() { m_commands->Search(MiniDisplay::SearchName, *Grid->model()); }

void frmRemoteMain::mnuGridOptionsSearchNumber_Click()
{
    m_commands->Search(MiniDisplay::SearchNumber, *Grid->model());
}

void frmRemoteMain::mnuGridOptionsSearchContact_Click()
{
    m_commands->Search(MiniDisplay::SearchContact, *Grid->model());
}
