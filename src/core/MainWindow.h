#pragma once

#include <QString>
#include <QStringList>
#include <QStringListModel>

#include <functional>

class clsCaller;

// What every subsystem may ask of the loaded main window (standalone/server or client) through gMainForm.
// A member that means nothing in one mode keeps its empty body there. The event list and status text are
// held here as plain data so that AddEvent works (and is tested) without any widget; the windows show them.
class MainWindow {
public:
    virtual ~MainWindow();

    // --- state shared by both main windows ---
    QString strSQL;         // the call-log view query, in the program's query dialect
    bool blnExit = false;   // the next unload is a real exit
    int intStatusTimer = 0; // age of the status text in StatusTimer ticks; AddEvent resets it
    bool StatusTimerEnabled = false;
    bool ModemConnected = false; // port open and modem set up (standalone/server)
    QStringListModel lstEvents;  // the event list lines, oldest first
    int lstEventsSelected = -1;  // selected event line (the newest after AddEvent)

    // Status bar panel 1 (the newest status text).
    QString statusText() const { return m_statusText; }
    virtual void setStatusText(const QString& text);

    // Window caption ("Velquon", "Velquon (Sever)").
    virtual void setCaption(const QString& caption) { m_caption = caption; }
    QString caption() const { return m_caption; }

    // --- members the other subsystems call ---
    virtual void UpdateSQL() {}
    virtual void RefreshGrid() {}
    virtual void UncheckTimeMenu() {}
    // Checks the View menu's period item mnuViewTime(index); UncheckTimeMenu clears the others.
    virtual void setViewTimeChecked(int index) { (void)index; }
    virtual void EditGrid(int column, const QString& text, qint32 id) { (void)column, (void)text, (void)id; }
    virtual void BlockCall() {}
    virtual void StopBlinking() {}
    // Gives the keyboard focus back to the main window (a closing tool window hands it back).
    virtual void SetFocus() {}
    // The end of a change of the log (a deletion): the call list takes the focus within the main window. Which window
    // has the keyboard stays as the end of the task left it (TaskWindow).
    virtual void focusList() {}
    virtual void UpdateStatus() {}
    virtual void ProcessNetworkData(const QString& data, int clientIndex, qint64 bytes, bool restricted)
    {
        (void)data, (void)clientIndex, (void)bytes, (void)restricted;
    }
    virtual void ProcessRemoteNetworkData(const QString& data) { (void)data; }
    // Client: the user gave up waiting for a request of that kind (a waiting note's tag, upper case); what waited
    // for its answer stops waiting, and what it shows stays as it was.
    virtual void RemoteRequestGivenUp(const QString& kind) { (void)kind; }
    // The server's client list changed: its rows (blank rows pad it to five) and status panel 3's text.
    virtual void UpdateClientList(const QStringList& rows, const QString& countText) { (void)rows, (void)countText; }
    virtual void RefreshOnline() {}
    // Server: the messages that tell a client joining now of the call ringing now, as the clients connected
    // at its first ring heard of it; none between calls.
    virtual QStringList CallInProgress() const { return {}; }
    // The window is going (a mode switch, the program's end): its call road ends in order, before anything
    // else of the mode goes, and nothing of it runs afterwards.
    virtual void EndCallRoad() {}
    // Client: the connection is made and its burst sent; what the burst does not ask for again is asked now.
    virtual void ConnectBurstSent() {}
    virtual void AddHints() {}
    // The options dialog changed the mode between standalone and server while the window runs: the status
    // bar gets the mode's panels, the client list goes in standalone mode, the status is refreshed.
    virtual void NetworkModeChanged() {}
    // The options dialog stored new modem settings: when the port, its settings or its flow control differ
    // from what the port runs with, the port closes and opens again with the stored ones.
    virtual void ReopenPortIfSettingsChanged() {}
    // The check marks of the options PopupScreen, OnTop and Sound in the Options and tray menus, from the
    // stored values.
    virtual void UpdateOptionChecks() {}
    // Check mark of an item of the Window menu (index 2, WindowMenuContacts, is "&Contacts"; index 6,
    // WindowMenuMiniDisplay, is "&Mini Display").
    static constexpr int WindowMenuContacts = 2;
    static constexpr int WindowMenuMiniDisplay = 6;
    static constexpr int WindowMenuStatistics = 4;
    static constexpr int WindowMenuActivityLog = 0;
    static constexpr int WindowMenuFind = 3;
    virtual void CheckWindowMenuItem(int index, bool checked) { (void)index, (void)checked; }

    // Shows the window modeless (start-up).
    virtual void showWindow() {}
    virtual bool isWindowVisible() const { return false; }
    // Closes (unloads) the window; with blnExit set that runs its exit steps.
    virtual void Unload() {}
    // Starts the one-shot timer that opens the modem port once start-up is through.
    virtual void EnablePortOpenTimer() {}
    // Shows and raises the window (a second start asks the running copy for this).
    virtual void showAndRaise() {}
    // Called by AddEvent after a line was added, so a window can scroll to it.
    virtual void eventAdded(int row) { (void)row; }

private:
    QString m_statusText;
    QString m_caption;
};
