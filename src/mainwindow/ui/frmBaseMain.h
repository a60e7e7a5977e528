#pragma once

#include <QList>
#include <QMainWindow>
#include <QTimer>

#include <memory>

#include "core/MainWindow.h"
#include "core/clsCaller.h"

class CallHandler;
class CallerIDGrid;
class ModemPort;
class QAction;
class QLabel;
class QListView;
class QListWidget;
class QMenu;
class QToolBar;
class ShellIcon;
class SqlError;

// The main window of the standalone and server modes: the call list with its view of the call log, the
// status bar with the event and client fold-out lists, the tray icon, and the window's close, minimise
// and restore rules (closing minimises unless the user asked to exit; minimising hides every other
// window but the caller pop-up family and leaves the program in the tray).
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

    // --- controls ---
    CallerIDGrid* Grid = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QListView* lstEventsView = nullptr;
    QListWidget* lstClients = nullptr;
    ShellIcon* Shell = nullptr;
    // The modem's serial port and the call road that turns its lines into calls.
    ModemPort* MSComm = nullptr;
    CallHandler* Calls = nullptr;
    // Status-bar panels 1 .. 4 (index 0 unused); panel 3 and 4 exist per mode.
    QList<QLabel*> Panels;
    QTimer StatusTimer;
    QTimer RefreshTimer;
    QTimer BlinkTimer;
    QTimer GridMouseUpTimer;
    QTimer ConfigTimer;
    QTimer ClockTimer;

    // --- menus ---
    QMenu* mnuFile = nullptr;
    QAction* mnuFileNewDB = nullptr;
    QAction* mnuFileChangeDB = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuEditCopyAll = nullptr;
    QAction* mnuEditCopy = nullptr;
    QAction* mnuEditReset = nullptr;
    QAction* mnuEditDelete = nullptr;
    QAction* mnuEditClear = nullptr;
    QAction* mnuEditOriginal = nullptr;
    QMenu* mnuEditAdd = nullptr;
    QAction* mnuEditCreateNew = nullptr;
    QAction* mnuEditAddToCurrent = nullptr;
    QMenu* mnuView = nullptr;
    QList<QAction*> mnuViewTime; // index as the period table, separators included
    QMenu* mnuOptions = nullptr;
    QAction* mnuOptionsPopupScreen = nullptr;
    QAction* mnuOptionsAlways = nullptr;
    QAction* mnuOptionsSound = nullptr;
    QAction* mnuOptionsRelease = nullptr;
    // Window menu: index = position; only the windows that exist so far have an item.
    QMenu* mnuWindows = nullptr;
    QList<QAction*> mnuWindow;
    QMenu* mnuPopupMenu = nullptr;
    QAction* mnuPopupMenuRestore = nullptr;
    QAction* mnuPopupMenuPopupScreen = nullptr;
    QAction* mnuPopupMenuAlways = nullptr;
    QAction* mnuPopupMenuSound = nullptr;
    QAction* mnuPopupMenuRelease = nullptr;
    QAction* mnuPopupMenuClose = nullptr;
    QMenu* mnuGridOptions = nullptr;
    QMenu* mnuGridOptionsAdd = nullptr;
    QAction* mnuGridOptionsEdit = nullptr;
    QAction* mnuGridOptionsCopyAll = nullptr;
    QAction* mnuGridOptionsCopy = nullptr;
    QMenu* mnuToolbarPopup = nullptr;
    QAction* mnuToolbarPopupCreateNew = nullptr;
    QAction* mnuToolbarPopupAddToCurrent = nullptr;
    // Toolbar buttons by their 1-based index (separators hold nullptr).
    QList<QAction*> ToolbarButtons;

    // --- state ---
    int intGridCol = 0;
    bool blnFirstResize = false;
    bool blnPlacing = false;
    bool blnUnloadOnly = false;

    // --- handlers (public so the timers and commands can be run directly) ---
    void StatusTimer_Timer();
    void RefreshTimer_Timer();
    void BlinkTimer_Timer();
    void GridMouseUpTimer_Timer();
    void ConfigTimer_Timer();
    void Grid_MouseUp(int button, int shift, double x, double y);
    void StatusBar1_MouseMove(double x);
    void StatusBar1_PanelDblClick(int panel);
    void lstEvents_DblClick();
    void ShellIcon_DblClick(int button);
    void ShellIcon_Click(int button);
    void ShellIcon_MouseMove();
    void mnuEditReset_Click();
    void mnuFileNewDB_Click();
    void mnuFileChangeDB_Click();
    void mnuEditClear_Click();
    void mnuEditDelete_Click();
    // The end of every change of the call log: the clients hear their data is stale, the pop-up reloads.
    void LogChanged();
    void mnuFilePrint_Click();
    void mnuEditCopyAll_Click();
    void mnuEditCopy_Click();
    void mnuFileExit_Click();
    void mnuViewTime_Click(int index);
    void mnuOptionsPopupScreen_Click();
    void mnuOptionsAlways_Click();
    void mnuOptionsSound_Click();
    void mnuOptionsRelease_Click();
    void mnuWindow_Click(int index);
    void mnuPopupMenuRestore_Click();
    // Builds the status-bar panels for the current network mode (also after a change of mode).
    void BuildStatusPanels();
    // The mark of a window hidden because the main window was minimised.
    static bool hiddenByMinimise(const QWidget* window);
    static bool isPopupFamily(const QWidget* window);
    bool blinkPhase() const { return m_blinkOn; }
    QString statusBarToolTip() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void ExitSteps();
    void ScaleGridColumns();
    void ResizeGrid();
    void SaveFormPosition();
    void buildMenus();
    void buildToolbar();
    void placeFoldOut(QWidget* list, int panel, bool setWidth);
    void hideWindowsForMinimise();
    void showWindowsAfterRestore();
    void setOptionChecks();
    void toggleOption(const char* key, const char* defaultValue);
    void updateClock();
    void portStateChanged();
    void refill();
    void reportViewError(const SqlError& e, const char* tag);
    bool confirmRemoval(bool plural);
    void loadCallerDB(const QString& event, const QString& path);

    QString m_lastGoodSQL;
    bool m_blinkOn = false;
    bool m_exiting = false;
    bool m_wasMinimised = false;
    bool m_refilling = false;
    bool m_refillAgain = false;
};
