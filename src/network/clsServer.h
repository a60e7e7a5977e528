#pragma once

#include <memory>

#include <QAbstractSocket>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QTcpServer;
class clsClient;

// The server side of the network: listens for client copies of the program, keeps one clsClient per
// connection, sends them messages and refuses, restricts or blocks them by address. In standalone mode it
// listens too but refuses every connection. Creating it does not listen; start-up calls Listen().
class clsServer : public QObject {
    Q_OBJECT
public:
    explicit clsServer(QObject* parent = nullptr);
    ~clsServer() override;

    // Starts listening on the port in LocalPort (default 270), IPv4. A failure is reported to the user in
    // server mode and only recorded in standalone mode; the object then exists without listening.
    bool Listen();
    bool isListening() const;

    // The client with that Index, or nullptr when it is gone.
    clsClient* Clients(qint32 index) const;
    // The client at a 1-based position of the list (row + 1 of the client list), or nullptr.
    clsClient* ClientAt(int position) const;
    int ClientCount() const { return int(m_clients.size()); }

    // The port listened on (the one the system chose when LocalPort is 0), else the port last set.
    quint16 LocalPort() const;
    // Closes the listener and listens again on the new port; failures are reported as by Listen.
    void setLocalPort(quint16 port);

    // Disconnects and removes one client; an Index that holds no client changes nothing.
    void DropClient(qint32 index);
    // Removes every client and closes their connections without event lines; the list is emptied.
    void DropAllClients();

    // index -1 sends to every client whose Index differs from exceptIndex (-1: to all); otherwise to the
    // client with that Index. With no client connected nothing goes out. Never fails to the caller.
    void SendData(const QString& data, qint32 index = -1, qint32 exceptIndex = -1);

    // The client list as the main window shows it: a row per client in order of acceptance, then blank
    // rows up to five.
    QStringList ClientRows() const;
    // Status panel 3: "<n> Clients Connected".
    QString ClientCountText() const;

    // After the access list changed (the options dialog): every client whose address is now listed as
    // blocked is marked and sent "BLOCKED" (and so dropped once that has gone out), every row shows
    // whether its client is restricted, and the window gets the list again.
    void RemarkClients();

    // The client list's menu, in its order (the items' names number them so).
    enum ClientMenuOption { DropClientOption = 0, BlockClientOption = 1, RestrictClientOption = 2 };
    // The client list's menu: "Drop", "Block", "Restrict", each after a question, on the client with
    // that connection number (taken when its row was chosen: clients that come and go move the rows, also
    // while the question waits). A client that has left by then, or leaves while the question waits, is
    // named by its address and nothing is done: never another client in its place.
    void ClientOptionFor(int option, qint32 index, const QString& address);
    // The same on the client at that row of the list now.
    void ClientOption(int option, int row);

    // Bounds that keep hostile or broken peers from taking the server's memory and descriptors. A client
    // beyond MaxClients is refused ("Connection Refused By: "), and so is one that would leave fewer than
    // DescriptorReserve descriptors below the process's limit: the call log, the modem, files and the
    // threads Qt starts need them, and a thread without one ends the program. When the unfinished requests
    // of all clients together hold more than MaxBufferedBytes, the client holding the most is let go.
    static constexpr int kMaxClients = 1000;
    static constexpr int DescriptorReserve = 64;
    static constexpr qint64 kMaxBufferedBytes = 64 * 1024 * 1024;
    // The same for replies the clients have not read yet: past MaxUnsentBytes over all clients, the client
    // with the most waiting goes first (each client alone may hold up to clsClient::kMaxPendingWrite).
    static constexpr qint64 kMaxUnsentBytes = 192 * 1024 * 1024;
    int MaxClients = kMaxClients;
    qint64 MaxBufferedBytes = kMaxBufferedBytes;
    qint64 MaxUnsentBytes = kMaxUnsentBytes;
    // Bytes of requests received but not yet dispatched, over all clients.
    qint64 BufferedBytes() const;

    // A connection that could not be taken (no descriptor left, or the peer gone before it was taken) pauses
    // the listener; this one-shot resumes it. It runs only while the listener waits.
    QTimer AcceptRetryTimer;
    void AcceptRetryTimer_Timer();

    // The server's request queue: every client's completed requests, in the order they arrived. One is
    // answered at a time (MainWindow::ProcessNetworkData), each from its own turn of the event loop, never
    // inside another one's answer, even while that answer lets the event loop run.
    void queueRequest(clsClient* client);
    // Answers the oldest waiting request; called from the event loop (public so tests can drive it).
    void DispatchNext();
    int QueuedRequests() const { return int(m_queue.size()); }
    bool isDispatching() const { return m_dispatching; }

Q_SIGNALS:
    // Every message handed to SendData, in order, whether or not a client was there to receive it.
    void dataSent(const QString& data);
    void clientsChanged();

private:
    static bool leavesTooFewDescriptors(qintptr descriptor);
    // Below this a client's unread replies are not worth adding up: a client that reads never gets there.
    static constexpr qint64 kUnsentWorthSumming = 1024 * 1024;
    // Lets clients go, those with the most unread first, until the replies waiting fit MaxUnsentBytes.
    void limitUnsentBytes();
    friend class clsClient;
    void onNewConnection();
    void onAcceptError(QAbstractSocket::SocketError error);
    // Lets clients go, those holding the most first, until the unfinished requests fit MaxBufferedBytes.
    void limitBufferedBytes();
    void clientListChanged();
    bool startListening(bool report);
    void postDispatch();

    QTcpServer* sckServer = nullptr;
    QList<QPointer<clsClient>> m_clients;
    quint16 m_port = 270;
    qint32 m_nextIndex = 1;
    bool m_shortageReported = false;
    QList<QPointer<clsClient>> m_queue; // one entry per waiting request, oldest first
    bool m_dispatching = false;
    bool m_dispatchPosted = false;
};

// The program's server (standalone and server modes): made by start-up, released by ShutDown.
extern std::unique_ptr<clsServer> gServer;

// The message for a local port that another program (or another copy of Velquon) already uses; the
// server's listener and the client's connection show the same one.
QString localPortInUseMessage();
