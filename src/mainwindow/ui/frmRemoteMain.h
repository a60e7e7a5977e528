#pragma once

#include "mainwindow/ui/CallListWindow.h"

class RemoteCallList;
class RemoteCallRoad;
class RemoteCommands;
class RemoteDispatcher;

// The main window of client mode, "Velquon (Client)": the call list shows the rows of the server's last
// answer to the window's query, the pop-up follows the server's calls with this computer's own sounds, and
// every change the user makes goes to the server as a request; nothing changes here before the server has
// answered. What it shares with the standalone/server window is CallListWindow; its reading of the
// server's messages is RemoteDispatcher, its copy of the call in progress RemoteCallRoad, its requests
// RemoteCommands and its refill RemoteCallList. Loaded in another network mode it unloads itself at once.
class frmRemoteMain : public CallListWindow {
    Q_OBJECT
public:
    explicit frmRemoteMain(QWidget* parent = nullptr);
    ~frmRemoteMain() override;

    // --- the main-window members other parts call ---
    void RefreshGrid() override;
    void EndCallRoad() override;
    void UpdateStatus() override;
    void RefreshOnline() override;
    void ConnectBurstSent() override;
    void ProcessRemoteNetworkData(const QString& unit) override;
    void RemoteRequestGivenUp(const QString& kind) override;
    void EditGrid(int column, const QString& text, qint32 id) override;

    // --- timer ticks, public so they can be run without waiting ---
    void RingTimer_Timer();

protected:
    void ExitSteps() override;
    int clockPanel() const override { return 4; }
    QString panelTip(int panel) const override;
    CallListPrinter::Options printOptions() const override;
    void mnuEditDelete_Click() override;
    void mnuEditClear_Click() override;
    void mnuViewTime_Click(int index) override;
    void mnuPopupMenuRestore_Click() override;

private:
    void buildMenus();
    void Form_Load();
    void ToggleConnection();
    void setConnectionIcon(const QString& key);
    void Grid_GridSelChange();
    void mnuEditOriginal_Click();
    void mnuGridOptionsSearchName_Click();
    void mnuGridOptionsSearchNumber_Click();
    void mnuGridOptionsSearchContact_Click();

    RemoteCallRoad* m_calls = nullptr;
    RemoteDispatcher* m_dispatcher = nullptr;
    RemoteCommands* m_commands = nullptr;
    RemoteCallList* m_refill = nullptr;
    QAction* mnuOptionsConnect = nullptr;
    QAction* mnuPopupMenuConnect = nullptr;
};
