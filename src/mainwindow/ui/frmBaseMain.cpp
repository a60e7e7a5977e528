#include "mainwindow/ui/frmBaseMain.h"

#include <QCursor>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "mainwindow/CallLogCommands.h"
#include "mainwindow/CallLogView.h"
#include "mainwindow/CallerSearch.h"
#include "mainwindow/ServerDispatcher.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/CommandState.h"
#include "popup/MiniDisplay.h"
#include "popup/modLoggedRecord.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"

namespace {

constexpr int ListWidth = 1935;
constexpr int ListHeight = 1035;

int px(double twips) { return Twips::toPixels(twips); }

} // namespace

frmBaseMain::frmBaseMain(QWidget* parent) : CallListWindow(QStringLiteral("frmBaseMain"), parent)
{
    lstClients = new QListWidget(this);
    lstClients->setObjectName(QStringLiteral("lstClients"));
    lstClients->setToolTip(QStringLiteral("Clients (double click to contract)"));
    QPalette pal = lstClients->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    lstClients->setPalette(pal);
    lstClients->hide();
    lstClients->viewport()->installEventFilter(this);
    connect(lstClients, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_fillingClients)
            m_selectedClient = clientAtRow(row);
    });
    static_cast<QListView*>(lstClients)->setUniformItemSizes(true);
    lstClients->setGeometry(px(2760), 0, px(ListWidth), px(ListHeight));

    ConfigTimer = new QTimer(this);
    ConfigTimer->setObjectName(QStringLiteral("ConfigTimer"));
    ConfigTimer->setInterval(1);
    connect(ConfigTimer, &QTimer::timeout, this, &frmBaseMain::ConfigTimer_Timer);
    ListMouseUpTimer = new QTimer(this);
    ListMouseUpTimer->setObjectName(QStringLiteral("ListMouseUpTimer"));
    ListMouseUpTimer->setInterval(1);
    connect(ListMouseUpTimer, &QTimer::timeout, this, &frmBaseMain::ListMouseUpTimer_Timer);

    MSComm = new ModemPort(this, this);
    MSComm->setObjectName(QStringLiteral("Comm"));
    Calls = new CallHandler(MSComm, this);
    Calls->setObjectName(QStringLiteral("Calls"));
    connect(MSComm, &ModemPort::connectionChanged, this, &frmBaseMain::portStateChanged);
    connect(Calls, &CallHandler::callAdded, this, [this](const clsCaller& caller) { Grid->AddItem(caller, true); });
    connect(Calls, &CallHandler::callUpdated, this, [this](qint32 id, const clsCaller& caller) {
        changedDuringRefill(id);
        Grid->UpdateItem(id, caller);
    });
    connect(Calls, &CallHandler::callStarted, this, [this] {
        if (windowState() & Qt::WindowMinimized)
            BlinkTimer->start();
    });
    miniDisplay().connectCallRoad(Calls);
    connect(Grid, &CallerIDGrid::GridSelChange, this, &frmBaseMain::updateSingleCallerCommands);

    m_commands = new CallLogCommands(this);
    connect(m_commands, &CallLogCommands::callerEdited, this, [this](const clsCaller& stored) {
        changedDuringRefill(stored.ID);
        Grid->UpdateItem(stored.ID, stored);
        miniDisplay().UpdateCaller(stored.ID, stored);
    });
    connect(m_commands, &CallLogCommands::broadcast, this, [](const QString& message) {
        if (gServer)
            gServer->SendData(message);
    });
    connect(m_commands, &CallLogCommands::logChanged, this, [this] {
        miniDisplay().LoadData();
        // The list takes the focus in this window. The keyboard itself went back, as the task's progress window
        // closed, to the window that had it as the task began (TaskWindow); another window of ours
        // or another program the user went to meanwhile keeps it.
        focusList();
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
    connect(Dispatcher->replies(), &ServerReplies::callDeleted, this, [this](qint32 id) {
        changedDuringRefill(id);
        Grid->RemoveItem(id, true);
    });

    buildMenus();
    buildToolbar();
    finishMenus();
    Form_Load();
}

frmBaseMain::~frmBaseMain()
{
    // The call road and the port go after this body: what they report on their way out (the port closing)
    // must not reach this window.
    detachChildren(this);
}

// --- building ------------------------------------------------------------------------------------------

void frmBaseMain::buildMenus()
{
    using Row = MenuRow<frmBaseMain>;
    const RowKind Check = RowKind::Check;
    const RowKind SubMenu = RowKind::SubMenu;

    addRows<frmBaseMain>(this, addMenu("mnuFile", "&File"),
                         {
                             Row{"mnuFileNewDB", "&New DB...", {}, &frmBaseMain::mnuFileNewDB_Click},
                             Row{"mnuFileChangeDB", "&Change DB...", {}, &frmBaseMain::mnuFileChangeDB_Click},
                             Row{"mnuFileHyphen1"},
                             Row{"mnuFilePrint", "&Print Log...", {}, &frmBaseMain::mnuFilePrint_Click},
                             Row{"mnuFileHyphen2"},
                             Row{"mnuFileExit", "E&xit", {}, &frmBaseMain::mnuFileExit_Click},
                         });
    addRows<frmBaseMain>(
        this, addMenu("mnuEdit", "&Edit"),
        {
            Row{"mnuEditCopyAll", "Copy &All", Qt::CTRL | Qt::Key_A, &frmBaseMain::mnuEditCopyAll_Click},
            Row{"mnuEditCopy", "&Copy Selected Items", Qt::CTRL | Qt::Key_C, &frmBaseMain::mnuEditCopy_Click},
            Row{"mnuEditReset", "&Reset Columns", Qt::CTRL | Qt::Key_R, &frmBaseMain::mnuEditReset_Click},
            Row{"mnuEditHyphen1"},
            Row{"mnuEditDelete", "&Delete", Qt::Key_Delete, &frmBaseMain::mnuEditDelete_Click},
            Row{"mnuEditClear", "Clear &Log", Qt::CTRL | Qt::Key_W, &frmBaseMain::mnuEditClear_Click},
            Row{"mnuEditHyphen2"},
            Row{"mnuEditOriginal", "View &Original Caller ID Info...", Qt::CTRL | Qt::Key_O,
                &frmBaseMain::mnuEditOriginal_Click},
            Row{"mnuEditHyphen3"},
            Row{"mnuEditAdd", "Add &To Contact DB", {}, nullptr, SubMenu},
        });
    addRows<frmBaseMain>(this, subMenu("mnuEditAdd"),
                         {
                             Row{"mnuEditCreateNew", "&Add As New Contact...", Qt::CTRL | Qt::Key_N,
                                 &frmBaseMain::mnuEditCreateNew_Click},
                             Row{"mnuEditAddToCurrent", "Add This &Number To A Contact...", Qt::CTRL | Qt::Key_D,
                                 &frmBaseMain::mnuEditAddToCurrent_Click},
                         });

    buildViewMenu("1 day");

    addRows<frmBaseMain>(
        this, addMenu("mnuOptions", "&Options"),
        {
            Row{"mnuOptionsConfiguration", "&Configuration...", {}, &frmBaseMain::mnuOptionsConfiguration_Click},
            Row{"mnuOptionsHyphen1"},
            Row{"mnuOptionsPopupScreen", "&Mini Display Popup", {}, &frmBaseMain::mnuOptionsPopupScreen_Click, Check},
            Row{"mnuOptionsAlways", "&Always On Top", {}, &frmBaseMain::mnuOptionsAlways_Click, Check},
            Row{"mnuOptionsSound", "Enable &Sound", {}, &frmBaseMain::mnuOptionsSound_Click, Check},
            Row{"mnuOptionsHyphen2"},
            Row{"mnuOptionsRelease", "&Open Port", {}, &frmBaseMain::mnuOptionsRelease_Click},
        });

    buildWindowMenu("&Window");

    addRows<frmBaseMain>(this, addMenu("mnuHelp", "&Help"),
                         {
                             Row{"mnuHelpContents", "&Contents...", Qt::Key_F1, &frmBaseMain::mnuHelpContents_Click},
                             Row{"mnuHelpHyphen1"},
                             Row{"mnuHelpAbout", "&About Velquon...", {}, &frmBaseMain::mnuHelpAbout_Click},
                         });

    addRows<frmBaseMain>(
        this, addMenu("mnuPopupMenu", "PopupMenu", false),
        {
            Row{"mnuPopupMenuRestore", "&Restore", {}, &frmBaseMain::mnuPopupMenuRestore_Click},
            Row{"mnuPopupMenuHyphen1"},
            Row{"mnuPopupMenuPopupScreen", "&Mini Display Popup", {}, &frmBaseMain::mnuOptionsPopupScreen_Click, Check},
            Row{"mnuPopupMenuAlways", "&Always On Top", {}, &frmBaseMain::mnuOptionsAlways_Click, Check},
            Row{"mnuPopupMenuSound", "Enable &Sound", {}, &frmBaseMain::mnuOptionsSound_Click, Check},
            Row{"mnuPopupMenuHyphen2"},
            Row{"mnuPopupMenuRelease", "&Open Port", {}, &frmBaseMain::mnuOptionsRelease_Click},
            Row{"mnuPopupMenuClose", "&Close", {}, &frmBaseMain::mnuFileExit_Click},
        });

    addRows<frmBaseMain>(this, addMenu("mnuGridOptions", "Grid Options", false),
                         {
                             Row{"mnuGridOptionsCopyAll", "Copy &All", {}, &frmBaseMain::mnuEditCopyAll_Click},
                             Row{"mnuGridOptionsCopy", "&Copy Selected Item", {}, &frmBaseMain::mnuEditCopy_Click},
                             Row{"mnuGridOptionsHyphen1"},
                             Row{"mnuGridOptionsAdd", "Add To Contacts DB", {}, nullptr, SubMenu},
                             Row{"mnuGridOptionsHyphen2"},
                             Row{"mnuGridOptionsSearch", "Search For This Caller", {}, nullptr, SubMenu},
                             Row{"mnuGridOptionsStatistics",
                                 "View Statistics On This Caller...",
                                 {},
                                 &frmBaseMain::mnuGridOptionsStatistics_Click},
                             Row{"mnuGridOptionsViewOriginal",
                                 "View Original Caller ID Info...",
                                 {},
                                 &frmBaseMain::mnuEditOriginal_Click},
                             Row{"mnuGridOptionsHyphen3"},
                             Row{"mnuGridOptionsEdit", "Edit", {}, &frmBaseMain::mnuGridOptionsEdit_Click},
                             Row{"mnuGridOptionsDelete", "Delete This Record", {}, &frmBaseMain::mnuEditDelete_Click},
                         });
    addRows<frmBaseMain>(
        this, subMenu("mnuGridOptionsSearch"),
        {
            Row{"mnuGridOptionsSearchName", "Search By Name", {}, &frmBaseMain::mnuGridOptionsSearchName_Click},
            Row{"mnuGridOptionsSearchNumber", "Search By Number", {}, &frmBaseMain::mnuGridOptionsSearchNumber_Click},
            Row{"mnuGridOptionsSearchContact",
                "Search By All Contact Numbers",
                {},
                &frmBaseMain::mnuGridOptionsSearchContact_Click},
        });
    addRows<frmBaseMain>(
        this, subMenu("mnuGridOptionsAdd"),
        {
            Row{"mnuGridOptionsCreateNew", "Add As New Contact...", {}, &frmBaseMain::mnuEditCreateNew_Click},
            Row{"mnuGridOptionsAddToCurrent",
                "Add This Number To A Contact...",
                {},
                &frmBaseMain::mnuEditAddToCurrent_Click},
        });

    addRows<frmBaseMain>(
        this, addMenu("mnuToolbarPopup", "Toolbar Popup", false),
        {
            Row{"mnuToolbarPopupCreateNew", "Add As New Contact...", {}, &frmBaseMain::mnuEditCreateNew_Click},
            Row{"mnuToolbarPopupAddToCurrent",
                "Add This Number To A Contact...",
                {},
                &frmBaseMain::mnuEditAddToCurrent_Click},
        });

    mnuClientOptions = addMenu("mnuClientOptions", "Client Options", false);
    const char* const clientOptions[] = {"Drop", "Block", "Restrict"};
    for (int i = 0; i < 3; ++i) {
        QAction* a = mnuClientOptions->addAction(QString::fromLatin1(clientOptions[i]), this,
                                                 [this, i] { mnuClientOption_Click(i); });
        a->setObjectName(QStringLiteral("mnuClientOption(%1)").arg(i));
        mnuClientOption.append(a);
    }

    mnuOptionsRelease = item("mnuOptionsRelease");
    mnuPopupMenuRelease = item("mnuPopupMenuRelease");
}

void frmBaseMain::BuildStatusPanels()
{
    const QString clock = QStringLiteral("12:00 PM");
    QList<PanelSpec> panels{{0, true, QString(), statusText()},
                            {1850, false, QStringLiteral("00000 Records Displayed"), QString()}};
    if (gNetworkMode == Server)
        panels.append({1700, false, QStringLiteral("00 Clients Connected"), QStringLiteral("0 Clients Connected")});
    panels.append({1000, false, clock, QString()});
    buildPanels(panels);
    if (gNetworkMode != Server)
        lstClients->hide();
    // Only a server has clients to drop, block or restrict; standalone the list and its menu are not there.
    for (QAction* a : std::as_const(mnuClientOption))
        CommandState::setAvailable(a, gNetworkMode == Server);
}

// A port that was closed or could not be opened stays said, as it stays so until the device comes back or the
// user opens it: after a mode switch the event line that said it would otherwise be gone in ten seconds.
QString frmBaseMain::restingStatus() const { return MSComm->ModemConnected ? QString() : MSComm->closedReport(); }

int frmBaseMain::clockPanel() const { return gNetworkMode == Server ? 4 : 3; }

QString frmBaseMain::panelTip(int panel) const
{
    const bool server = gNetworkMode == Server;
    if (panel == 3)
        return server ? QStringLiteral("Clients (double click to expand)") : QStringLiteral("Current Time");
    if (panel == 4 && server)
        return QStringLiteral("Current Time");
    return CallListWindow::panelTip(panel);
}

// --- load, unload --------------------------------------------------------------------------------------

void frmBaseMain::Form_Load()
{
    if (gNetworkMode == Client) {
        blnUnloadOnly = true;
        return;
    }
    loadCommon();
    for (int i = 0; i < 5; ++i)
        lstClients->addItem(QString());
    BuildStatusPanels();
    ResizeGrid();
    AddHints();
}

void frmBaseMain::ExitSteps()
{
    m_exiting = true;
    Shell->setVisible(false);
    MSComm->PortOpenTimer.stop();
    MSComm->ClosePort();
    SaveFormPosition();
    SaveLogOffTime();
    Program::shutDown();
    Program::end();
}

// --- status bar and fold-out lists ---------------------------------------------------------------------

void frmBaseMain::placeOwnFoldOuts()
{
    if (gNetworkMode == Server && lstClients->isVisible())
        placeFoldOut(lstClients, 3, false);
}

void frmBaseMain::StatusBar1_PanelDblClick(int panel)
{
    if (panel == 3 && gNetworkMode == Server) {
        placeFoldOut(lstClients, 3, true);
        lstClients->show();
        lstClients->raise();
        lstClients->setFocus();
        return;
    }
    CallListWindow::StatusBar1_PanelDblClick(panel);
}

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

qint32 frmBaseMain::clientAtRow(int row)
{
    const clsClient* client = gServer ? gServer->ClientAt(row + 1) : nullptr;
    return client ? client->Index() : 0;
}

void frmBaseMain::ListMouseUpTimer_Timer()
{
    ListMouseUpTimer->stop();
    m_menuClient = 0;
    const QListWidgetItem* item = lstClients->currentItem();
    if (!item || item->text().trimmed().isEmpty())
        return;
    // The menu acts on the client of this row, whatever comes and goes while it is open.
    const int row = lstClients->currentRow();
    if (const clsClient* client = gServer ? gServer->ClientAt(row + 1) : nullptr) {
        m_menuClient = client->Index();
        m_menuClientAddress = client->RemoteHostIP();
    }
    mnuClientOptions->popup(QCursor::pos());
}

void frmBaseMain::mnuClientOption_Click(int index)
{
    if (!gServer)
        return;
    qint32 client = m_menuClient;
    QString address = m_menuClientAddress;
    m_menuClient = 0;
    if (client == 0) {
        // Chosen without the menu's own opening (a shortcut, a test): the client of the selected row.
        const clsClient* selected = gServer->ClientAt(lstClients->currentRow() + 1);
        if (!selected)
            return;
        client = selected->Index();
        address = selected->RemoteHostIP();
    }
    gServer->ClientOptionFor(index, client, address);
}

bool frmBaseMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstClients->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            lstClients_DblClick();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            lstClients_MouseUp(mouse->button() == Qt::RightButton ? 2 : 1, mouse->position().toPoint());
        }
    }
    return CallListWindow::eventFilter(watched, event);
}

void frmBaseMain::addOwnHints()
{
    gToolTip->SetToolTipObj(
        lstClients,
        QStringLiteral("This is a list of all the clients currently connected to this server. Right clicking "
                       "clients in this list will bring up a menu where you can restrict, block, or drop the "
                       "highlighted client. Double click this list to expand or contact it."));
}

// --- menus ---------------------------------------------------------------------------------------------

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

QStringList frmBaseMain::CallInProgress() const { return Calls->CallInProgress(); }

void frmBaseMain::EndCallRoad() { Calls->End(); }

void frmBaseMain::ProcessNetworkData(const QString& unit, int clientIndex, qint64 bytes, bool restricted)
{
    Dispatcher->ProcessNetworkData(unit, clientIndex, bytes, restricted);
}

void frmBaseMain::EditGrid(int column, const QString& text, qint32 id)
{
    const QPointer<frmBaseMain> self(this);
    m_commands->EditGrid(column, text, id, *Grid->model());
    // Whatever happened, the view goes on with its own query (unless the program ended while it asked).
    if (self)
        UpdateSQL();
}

void frmBaseMain::EnablePortOpenTimer() { MSComm->PortOpenTimer.start(); }

void frmBaseMain::mnuViewTime_Click(int index) { m_view->ChoosePeriod(index); }

// --- call-log maintenance ----------------------------------------------------------------------------

// A view that cannot be read is said in a box (by UpdateSQL or the refill); the program may end while it waits,
// and this window with it.

void frmBaseMain::callerDBChanged()
{
    const QPointer<frmBaseMain> self(this);
    UpdateSQL();
    if (!self)
        return;
    RefreshGrid();
    if (!self)
        return;
    UpdateStatus();
    m_commands->LogChanged();
}

// Each command below asks the user first; the program may end while it waits, and this window with it.

void frmBaseMain::mnuFileNewDB_Click()
{
    const QPointer<frmBaseMain> self(this);
    if (m_commands->NewDB() && self)
        callerDBChanged();
}

void frmBaseMain::mnuFileChangeDB_Click()
{
    const QPointer<frmBaseMain> self(this);
    if (m_commands->ChangeDB() && self)
        callerDBChanged();
}

void frmBaseMain::mnuEditClear_Click()
{
    const QPointer<frmBaseMain> self(this);
    if (!m_commands->ClearView(strSQL, *Grid->model()) || !self)
        return;
    // By ID: a call that came in while the question waited keeps its row.
    removeDeletedRows();
    UpdateStatus();
    m_commands->LogChanged();
}

void frmBaseMain::mnuEditDelete_Click()
{
    const QPointer<frmBaseMain> self(this);
    if (m_commands->DeleteSelected(*Grid->model()) == CallLogCommands::Removal::Nothing || !self)
        return;
    // By ID: a call that arrived while the deletion yielded has moved the rows (and collapsed the selection).
    removeDeletedRows();
    UpdateSQL();
    if (!self)
        return;
    UpdateStatus();
    m_commands->LogChanged();
}

// --- the view --------------------------------------------------------------------------------------------

void frmBaseMain::UpdateSQL() { m_view->UpdateSQL(); }

void frmBaseMain::removeDeletedRows()
{
    // A refill under the deletion may hold their rows still to come.
    for (const qint64 id : m_commands->deletedIDs())
        changedDuringRefill(id);
    Grid->RemoveItems(m_commands->deletedIDs());
}

void frmBaseMain::changedDuringRefill(qint64 id)
{
    if (m_view->refilling() && Grid->model()->findRowById(id) == 0)
        m_view->missedChange();
}

void frmBaseMain::RefreshGrid() { m_view->RefreshGrid(); }

void frmBaseMain::UpdateStatus()
{
    const int n = Grid->Rows() - 1;
    showRecordCount(
        QString::number(n) + (n == 1 ? QStringLiteral(" Record Displayed") : QStringLiteral(" Records Displayed")), n);
}

// --- the commands on one caller ----------------------------------------------------------------------------

void frmBaseMain::searchCaller(const QString& sql)
{
    strSQL = sql;
    UncheckTimeMenu();
    const QPointer<frmBaseMain> self(this);
    UpdateSQL();
    // The refill sorts the list as the user last sorted it.
    if (self)
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
    w->showRecord(record ? *record : w->shown(), QString(), this);
}

void frmBaseMain::NetworkModeChanged()
{
    BuildStatusPanels();
    UpdateStatus();
}

void frmBaseMain::ReopenPortIfSettingsChanged() { MSComm->ReopenIfSettingsChanged(); }

void frmBaseMain::ConfigTimer_Timer()
{
    ConfigTimer->stop();
    RefreshGrid();
}

// The server's connections changed: the fold-out list shows its rows, panel 3 the count (server mode only).
void frmBaseMain::UpdateClientList(const QStringList& rows, const QString& countText)
{
    if (gNetworkMode != Server)
        return;
    // Only rows whose text changed are touched: with many clients the list changes often and little.
    m_fillingClients = true;
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
    // The selection stays with its client, wherever its row went; a client that left takes it along.
    int selected = -1;
    if (m_selectedClient != 0 && gServer) {
        for (int row = 0; row < gServer->ClientCount(); ++row) {
            if (clientAtRow(row) == m_selectedClient) {
                selected = row;
                break;
            }
        }
    }
    lstClients->setCurrentRow(selected);
    if (selected < 0)
        m_selectedClient = 0;
    m_fillingClients = false;
    if (Panels.size() > 3 && Panels[3])
        Panels[3]->setText(countText);
}
