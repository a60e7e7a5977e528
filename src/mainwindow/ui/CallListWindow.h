#pragma once

#include <QKeyCombination>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <initializer_list>

#include "core/MainWindow.h"
#include "mainwindow/ui/CallListPrinter.h"

class CallerIDGrid;
class CallListDump;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QTimer;
class QToolBar;
class ShellIcon;

// What the two main windows (standalone/server frmBaseMain, client frmRemoteMain) share: the call list with
// its right-click menu, copying, printing and column reset; the toolbar; the status bar with its panels,
// their tips and the fold-out event list; the tray icon with its menu and blinking; the View, Options and
// Window menus' common items; the placement, the minimum size and the column rescaling on resize; and the
// close and minimise rules (closing minimises unless the user asked to exit; minimising hides every other
// window but the caller pop-up family, and the window itself when a tray icon leads back to it).
//
// Each window builds its own menus (their captions differ) with the rows helper below, names its own
// panels, and supplies its exit steps and its record commands.
class CallListWindow : public QMainWindow, public MainWindow {
    Q_OBJECT
public:
    ~CallListWindow() override;

    // --- the main-window members both windows answer alike ---
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
    void CheckWindowMenuItem(int index, bool checked) override;
    void SetFocus() override;
    void focusList() override;
    void UpdateOptionChecks() override { setOptionChecks(); }

    // --- timer ticks, public so they can be run without waiting ---
    void StatusTimer_Timer();
    void RefreshTimer_Timer();
    void BlinkTimer_Timer();
    void GridMouseUpTimer_Timer();

    // The mark of a window hidden because the main window was minimised.
    static bool hiddenByMinimise(const QWidget* window);
    static bool isPopupFamily(const QWidget* window);

protected:
    CallListWindow(const QString& formName, QWidget* parent);

    // --- building -------------------------------------------------------------------------------------
    // One row of a menu: a command, a check item, a sub-menu or (without a caption) a separator. A command
    // without a handler is not built yet and is shown disabled.
    enum class RowKind { Command, Check, SubMenu };
    template <typename W>
    struct MenuRow {
        const char* name;
        const char* caption = nullptr;
        QKeyCombination key = QKeyCombination();
        void (W::*handler)() = nullptr;
        RowKind kind = RowKind::Command;
    };
    template <typename W>
    static void addRows(W* window, QMenu* menu, std::initializer_list<MenuRow<W>> rows)
    {
        for (const MenuRow<W>& row : rows) {
            QAction* a = addRow(menu, row.name, row.caption, row.key, row.kind, row.handler != nullptr);
            if (a && row.handler)
                QObject::connect(a, &QAction::triggered, window, row.handler);
        }
    }
    QMenu* addMenu(const char* name, const char* caption, bool inMenuBar = true);
    QMenu* subMenu(const char* name) const;
    QAction* item(const char* name) const;
    // The View menu's fifteen period items (mnuViewTime(0) .. (14)), "1 day" or "1 days" at 6 as the window
    // writes it; item 6 checked.
    void buildViewMenu(const char* dayCaption);
    // The Window menu (mnuWindows) with its seven items; the contact book's, the statistics window's and the
    // pop-up's are built so far.
    void buildWindowMenu(const char* caption);
    // The fourteen toolbar buttons (Toolbar1.Buttons(1) .. (14)).
    void buildToolbar();
    // Menus whose every command is still to be built are disabled themselves; then the shared actions are
    // looked up by name.
    void finishMenus();
    QTimer* addTimer(const char* name, int intervalMs, void (CallListWindow::*tick)());

    // Status-bar panels 1 .. n: panel 1 takes the room left, the others their width in twips (at least
    // what widest needs).
    struct PanelSpec {
        int twips = 0;
        bool stretch = false;
        QString widest;
        QString text;
    };
    void buildPanels(const QList<PanelSpec>& panels);
    // Panel 2's text, and the record commands enabled while the list holds a record.
    void showRecordCount(const QString& text, int records);

    // --- loading, closing -----------------------------------------------------------------------------
    // The steps both windows take at load: placement, on-top state, tray icon, event-list rows, start
    // minimised, option checks.
    void loadCommon();
    // The window's own exit steps (the close that is not a minimise).
    virtual void ExitSteps() = 0;
    bool blnFirstResize = false;
    bool blnPlacing = false;
    bool blnUnloadOnly = false;
    bool m_exiting = false;

    // --- what differs per window ----------------------------------------------------------------------
    // The panel that shows the time.
    virtual int clockPanel() const = 0;
    // The tip of the status bar over panel (1 ..); a window may keep the current tip for a panel.
    virtual QString panelTip(int panel) const;
    // What the status text goes back to once an event line has aged out: a state that lasts and that the user
    // must still see (a closed modem port), or nothing.
    virtual QString restingStatus() const { return QString(); }
    virtual void StatusBar1_PanelDblClick(int panel);
    // Fold-out lists of the window's own beside the event list, re-placed after a resize.
    virtual void placeOwnFoldOuts() {}
    // Hints of the window's own controls beside the list's and the event list's.
    virtual void addOwnHints() {}
    // How the printed list reports a printer error.
    virtual CallListPrinter::Options printOptions() const = 0;
    virtual void mnuEditDelete_Click() = 0;
    virtual void mnuEditClear_Click() = 0;
    virtual void mnuViewTime_Click(int index) = 0;
    virtual void mnuWindow_Click(int index);

    // --- shared commands and events ---------------------------------------------------------------------
    void mnuFileExit_Click();
    void mnuFilePrint_Click();
    void mnuEditCopyAll_Click();
    void mnuEditCopy_Click();
    void mnuEditReset_Click();
    void mnuOptionsConfiguration_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();
    // The commands on one caller (Edit and grid menus) follow the selection; Custom... follows its window.
    void updateSingleCallerCommands();
    void updateCustomPeriodItems();
    void mnuOptionsPopupScreen_Click();
    void mnuOptionsAlways_Click();
    void mnuOptionsSound_Click();
    virtual void mnuPopupMenuRestore_Click();
    void mnuGridOptionsEdit_Click();
    void mnuGridOptionsStatistics_Click();
    // The selected call as a new contact, or its number added to a contact (Edit menu, grid menu, toolbar).
    void mnuEditCreateNew_Click();
    void mnuEditAddToCurrent_Click();
    void Toolbar1_ButtonClick(int index);
    void setOptionChecks();
    void placeFoldOut(QWidget* list, int panel, bool setWidth);
    void updateClock();
    void SaveFormPosition();
    void ResizeGrid();

    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // --- controls ---
    CallerIDGrid* Grid = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QListView* lstEventsView = nullptr;
    ShellIcon* Shell = nullptr;
    // Status-bar panels 1 .. n (index 0 unused).
    QList<QLabel*> Panels;
    QTimer* StatusTimer = nullptr;
    QTimer* RefreshTimer = nullptr;
    QTimer* BlinkTimer = nullptr;
    QTimer* GridMouseUpTimer = nullptr;
    QTimer* ClockTimer = nullptr;

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
    QList<QAction*> mnuWindow; // index = position, separators included
    QMenu* mnuPopupMenu = nullptr;
    QAction* mnuPopupMenuRestore = nullptr;
    QAction* mnuPopupMenuPopupScreen = nullptr;
    QAction* mnuPopupMenuAlways = nullptr;
    QAction* mnuPopupMenuSound = nullptr;
    QMenu* mnuGridOptions = nullptr;
    QMenu* mnuGridOptionsAdd = nullptr;
    QMenu* mnuToolbarPopup = nullptr;
    QAction* mnuToolbarPopupCreateNew = nullptr;
    QAction* mnuToolbarPopupAddToCurrent = nullptr;
    // Toolbar buttons by their 1-based index (separators hold nullptr).
    QList<QAction*> ToolbarButtons;
    // The Edit and grid menus' commands on one caller (and the menus that hold them).
    QList<QAction*> m_singleCallerItems;

    int intGridCol = 0;

private:
    static QAction* addRow(QMenu* menu, const char* name, const char* caption, QKeyCombination key, RowKind kind,
                           bool built);
    void Form_Resize();
    void ScaleGridColumns();
    bool minimisesToTray() const;
    void hideWindowsForMinimise();
    void showWindowsAfterRestore();
    void Grid_MouseUp(int button, int shift, double x, double y);
    void StatusBar1_MouseMove(double x);
    void lstEvents_DblClick();
    void ShellIcon_DblClick(int button);
    void ShellIcon_Click(int button);
    void ShellIcon_MouseMove();
    void toggleOption(const char* key, const char* defaultValue);

    CallListDump* m_dump = nullptr;
    bool m_blinkOn = false;
    bool m_wasMinimised = false;
    // The window that had the keyboard as the windows went to the tray, and the one restoring put on top.
    QPointer<QWidget> m_keyboardAtMinimise;
    QPointer<QWidget> m_restoredOnTop;
};
