#pragma once

#include <QList>
#include <QMainWindow>

#include "core/MainWindow.h"

class CallHandler;
class CallLogCommands;
class CallLogView;
class CallerIDGrid;
class ModemPort;
class QAction;
class QLabel;
class QListView;
class QListWidget;
class QMenu;
class QTimer;
class QToolBar;
class ServerDispatcher;
class ShellIcon;

// The main window of the standalone and server modes: the call list with its view of the call log, the
// status bar with the event and client fold-out lists, the tray icon, and the window's close, minimise
// and restore rules (closing minimises unless the user asked to exit; minimising hides every other
// window but the caller pop-up family and leaves the program in the tray). The call-log commands and the
// view's refill are CallLogCommands and CallLogView; this window wires them to its controls. Every
// control, menu item and timer carries its name as objectName: that is how the rest of the program and
// the tests reach them.
class frmBaseMain : public QMainWindow, public MainWindow {
    Q_OBJECT
public:
    explicit frmBaseMain(QWidget* parent = nullptr);
    ~frmBaseMain() override;

    // --- the main-window members other parts call ---
    void UpdateSQL() override;
    void RefreshGrid() override;
    void UpdateStatus() override;
    void UncheckTimeMenu() override;
    void setViewTimeChecked(int index) override;
    void StopBlinking() override;
    void AddHints() override;
    void setStatusText(const QString& text) override;
    void setCaption(const QString& caption) override;
    void showWindow() override;
    bool isWindowVisible() const override { return isVisible(); }
    void Unload() override;
    void showAndRaise() override;
    void eventAdded(int row) override;
    void BlockCall() override;
    void EditGrid(int column, const QString& text, qint32 id) override;
    void CheckWindowMenuItem(int index, bool checked) override;
    void SetFocus() override;
    void UpdateClientList(const QStringList& rows, const QString& countText) override;
    void EnablePortOpenTimer() override;
    void NetworkModeChanged() override;
    void ReopenPortIfSettingsChanged() override;
    void UpdateOptionChecks() override;
    // A unit of a client's requests, from the server's queue: answered by Dispatcher.
    void ProcessNetworkData(const QString& unit, int clientIndex, qint64 bytes, bool restricted) override;

    // Builds the status-bar panels for the current network mode (also after a change between standalone
    // and server, which keeps the window).
    void BuildStatusPanels();

    // --- timer ticks, public so they can be run without waiting ---
    void StatusTimer_Timer();
    void RefreshTimer_Timer();
    void BlinkTimer_Timer();
    void GridMouseUpTimer_Timer();
    void ConfigTimer_Timer();
    // A right click on the client list opens its menu on the row under the pointer.
    void ListMouseUpTimer_Timer();

    // The mark of a window hidden because the main window was minimised.
    static bool hiddenByMinimise(const QWidget* window);
    static bool isPopupFamily(const QWidget* window);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- building ---
    void buildMenus();
    void buildToolbar();
    QTimer* addTimer(const char* name, int intervalMs, void (frmBaseMain::*tick)());

    // --- load, unload, resize ---
    void Form_Load();
    void Form_Resize();
    void ExitSteps();
    void ScaleGridColumns();
    void ResizeGrid();
    void SaveFormPosition();
    void hideWindowsForMinimise();
    void showWindowsAfterRestore();

    // --- status bar, fold-out lists, tray ---
    void placeFoldOut(QWidget* list, int panel, bool setWidth);
    void updateClock();
    void Grid_MouseUp(int button, int shift, double x, double y);
    void StatusBar1_MouseMove(double x);
    void StatusBar1_PanelDblClick(int panel);
    void lstEvents_DblClick();
    void lstClients_MouseUp(int button, const QPoint& pos);
    void lstClients_DblClick();
    void mnuClientOption_Click(int index);
    void ShellIcon_DblClick(int button);
    void ShellIcon_Click(int button);
    void ShellIcon_MouseMove();
    void portStateChanged();

    // --- menu and toolbar commands ---
    void mnuFileNewDB_Click();
    void mnuFileChangeDB_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEditCopyAll_Click();
    void mnuEditCopy_Click();
    void mnuEditReset_Click();
    void mnuEditDelete_Click();
    void mnuEditClear_Click();
    void mnuViewTime_Click(int index);
    void mnuOptionsConfiguration_Click();
    void mnuOptionsPopupScreen_Click();
    void mnuOptionsAlways_Click();
    void mnuOptionsSound_Click();
    void mnuOptionsRelease_Click();
    void mnuWindow_Click(int index);
    void mnuPopupMenuRestore_Click();
    void mnuGridOptionsEdit_Click();
    void mnuGridOptionsStatistics_Click();
    // The selected call as a new contact, or its number added to a contact (Edit menu, grid menu, toolbar).
    void mnuEditCreateNew_Click();
    void mnuEditAddToCurrent_Click();
    void mnuGridOptionsSearchName_Click();
    void mnuGridOptionsSearchNumber_Click();
    void mnuGridOptionsSearchContact_Click();
    void mnuEditOriginal_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();
    void Grid_GridSelChange();
    void updateCustomPeriodItems();
    // The view becomes the query: no period is checked, the list is read again.
    void searchCaller(const QString& sql);
    void Toolbar1_ButtonClick(int index);
    void setOptionChecks();
    void toggleOption(const char* key, const char* defaultValue);
    // A new or another call log is in use: the view reads it, then the common ending.
    void callerDBChanged();

    // --- controls ---
    CallerIDGrid* Grid = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QListView* lstEventsView = nullptr;
    QListWidget* lstClients = nullptr;
    ShellIcon* Shell = nullptr;
    // The modem's serial port and the call road that turns its lines into calls.
    ModemPort* MSComm = nullptr;
    CallHandler* Calls = nullptr;
    CallLogCommands* m_commands = nullptr;
    CallLogView* m_view = nullptr;
    // The server's answers to its clients' requests.
    ServerDispatcher* Dispatcher = nullptr;
    // Status-bar panels 1 .. 4 (index 0 unused); panel 3 and 4 exist per mode.
    QList<QLabel*> Panels;
    QTimer* StatusTimer = nullptr;
    QTimer* RefreshTimer = nullptr;
    QTimer* BlinkTimer = nullptr;
    QTimer* GridMouseUpTimer = nullptr;
    QTimer* ConfigTimer = nullptr;
    QTimer* ClockTimer = nullptr;
    QTimer* ListMouseUpTimer = nullptr;

    // --- menus ---
    QMenu* mnuEditAdd = nullptr;
    QAction* mnuEditCopyAll = nullptr;
    QAction* mnuEditCopy = nullptr;
    QAction* mnuEditDelete = nullptr;
    QAction* mnuEditClear = nullptr;
    QAction* mnuEditOriginal = nullptr;
    QList<QAction*> mnuViewTime; // index as the period table, separators included
    QAction* mnuOptionsPopupScreen = nullptr;
    QAction* mnuOptionsAlways = nullptr;
    QAction* mnuOptionsSound = nullptr;
    QAction* mnuOptionsRelease = nullptr;
    QList<QAction*> mnuWindow; // index = position, separators included
    QMenu* mnuPopupMenu = nullptr;
    QAction* mnuPopupMenuRestore = nullptr;
    QAction* mnuPopupMenuPopupScreen = nullptr;
    QAction* mnuPopupMenuAlways = nullptr;
    QAction* mnuPopupMenuSound = nullptr;
    QAction* mnuPopupMenuRelease = nullptr;
    QMenu* mnuGridOptions = nullptr;
    QMenu* mnuGridOptionsAdd = nullptr;
    QAction* mnuGridOptionsStatistics = nullptr;
    QMenu* mnuToolbarPopup = nullptr;
    QAction* mnuToolbarPopupCreateNew = nullptr;
    QAction* mnuToolbarPopupAddToCurrent = nullptr;
    // The client list's menu: mnuClientOption(0) "Drop", (1) "Block", (2) "Restrict".
    QMenu* mnuClientOptions = nullptr;
    QList<QAction*> mnuClientOption;
    // Toolbar buttons by their 1-based index (separators hold nullptr).
    QList<QAction*> ToolbarButtons;
    // The Edit and grid menus' commands on one caller (and the menus that hold them).
    QList<QAction*> m_singleCallerItems;

    // --- state ---
    int intGridCol = 0;
    bool blnFirstResize = false;
    bool blnPlacing = false;
    bool blnUnloadOnly = false;
    bool m_blinkOn = false;
    bool m_exiting = false;
    bool m_wasMinimised = false;
};
