#pragma once

#include "mainwindow/ui/CallListWindow.h"

class CallHandler;
class CallLogCommands;
class CallLogView;
class ModemPort;
class QListWidget;
class ServerDispatcher;

// The main window of the standalone and server modes: the call list with its view of the call log, the
// modem's port and call road, the server's fold-out client list, and what it shares with the client's
// window (CallListWindow). The call-log commands and the view's refill are CallLogCommands and
// CallLogView; this window wires them to its controls. Every control, menu item and timer carries its name
// as objectName: that is how the rest of the program and the tests reach them.
class frmBaseMain : public CallListWindow {
    Q_OBJECT
public:
    explicit frmBaseMain(QWidget* parent = nullptr);
    ~frmBaseMain() override;

    // --- the main-window members other parts call ---
    void UpdateSQL() override;
    void RefreshGrid() override;
    void UpdateStatus() override;
    void BlockCall() override;
    void EditGrid(int column, const QString& text, qint32 id) override;
    void UpdateClientList(const QStringList& rows, const QString& countText) override;
    void EnablePortOpenTimer() override;
    // A unit of a client's requests, from the server's queue: answered by Dispatcher.
    void ProcessNetworkData(const QString& unit, int clientIndex, qint64 bytes, bool restricted) override;
    void NetworkModeChanged() override;
    void ReopenPortIfSettingsChanged() override;
    QStringList CallInProgress() const override;
    void EndCallRoad() override;

    // Builds the status-bar panels for the current network mode (also after a change between standalone
    // and server, which keeps the window).
    void BuildStatusPanels();

    // --- timer ticks, public so they can be run without waiting ---
    void ConfigTimer_Timer();
    // A right click on the client list opens its menu on the row under the pointer.
    void ListMouseUpTimer_Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ExitSteps() override;
    int clockPanel() const override;
    QString panelTip(int panel) const override;
    QString restingStatus() const override;
    void StatusBar1_PanelDblClick(int panel) override;
    void placeOwnFoldOuts() override;
    void addOwnHints() override;
    CallListPrinter::Options printOptions() const override { return {}; }
    void mnuEditDelete_Click() override;
    void mnuEditClear_Click() override;
    void mnuViewTime_Click(int index) override;

private:
    void buildMenus();
    void Form_Load();
    void portStateChanged();
    void mnuFileNewDB_Click();
    void mnuFileChangeDB_Click();
    void lstClients_MouseUp(int button, const QPoint& pos);
    void lstClients_DblClick();
    void mnuClientOption_Click(int index);
    // The connection number of the client at a row of the list (0 for a blank row).
    static qint32 clientAtRow(int row);
    void mnuGridOptionsSearchName_Click();
    void mnuGridOptionsSearchNumber_Click();
    void mnuGridOptionsSearchContact_Click();
    void mnuEditOriginal_Click();
    // The view becomes the query: no period is checked, the list is read again.
    void searchCaller(const QString& sql);
    void mnuOptionsRelease_Click();
    // A new or another call log is in use: the view reads it, then the common ending.
    void callerDBChanged();
    // A call changed or went: when the list has no row of it during a refill, the refill reads the view again.
    void changedDuringRefill(qint64 id);
    void removeDeletedRows();

    QListWidget* lstClients = nullptr;
    // The modem's serial port and the call road that turns its lines into calls.
    ModemPort* MSComm = nullptr;
    CallHandler* Calls = nullptr;
    CallLogCommands* m_commands = nullptr;
    CallLogView* m_view = nullptr;
    QTimer* ConfigTimer = nullptr;
    QTimer* ListMouseUpTimer = nullptr;
    // The server's answers to its clients' requests.
    ServerDispatcher* Dispatcher = nullptr;
    // The client list's menu: mnuClientOption(0) "Drop", (1) "Block", (2) "Restrict".
    QMenu* mnuClientOptions = nullptr;
    QList<QAction*> mnuClientOption;
    // The client whose row is selected, and the one the open client menu is for, by connection number (0:
    // none): rows move whenever a client comes or goes, the chosen client stays the same.
    qint32 m_selectedClient = 0;
    qint32 m_menuClient = 0;
    QString m_menuClientAddress;
    bool m_fillingClients = false;
    QAction* mnuOptionsRelease = nullptr;
    QAction* mnuPopupMenuRelease = nullptr;
};
