#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "network/MessageFramer.h"

class QHostAddress;
class QTcpSocket;
class clsServer;

// One client copy connected to this server. Index names the connection for as long as it lives and is
// never given to another connection, so a reply addressed to a client that has gone in the meantime reaches
// nobody instead of whichever client moved into its place.
class clsClient : public QObject {
    Q_OBJECT
public:
    // A client never holds more than this of a request in the making, nor lets more than
    // kMaxPendingWrite of replies pile up unread; past either it is dropped.
    static constexpr qsizetype kMaxUnitBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxPendingWrite = 128 * 1024 * 1024;

    explicit clsClient(clsServer* server);
    ~clsClient() override;

    bool NetCancel() const { return m_netCancel; }
    void setNetCancel(bool cancel) { m_netCancel = cancel; }
    bool Blocked() const { return m_blocked; }
    // Only ever turns from false to true.
    void setBlocked(bool blocked) { m_blocked = m_blocked || blocked; }
    // The peer's address as dotted decimal.
    QString RemoteHostIP() const { return m_address; }
    // Closes the connection at once; nothing more is read or sent.
    void Disconnect();
    bool Accepted() const { return m_accepted; }
    qint32 Index() const { return m_index; }
    void setIndex(qint32 index) { m_index = index; }
    // Takes over a connection the listener has accepted.
    void AcceptRequest(QTcpSocket* socket);
    // Sends the text followed by the end-of-send marker. A connection that can no longer send, or that has
    // left too much unread, drops the client.
    void SendData(const QString& data);

    // The client's row in the server's client list: its address, with " R" when it is restricted.
    QString ListText() const { return m_listText; }
    void setListText(const QString& text) { m_listText = text; }

    // Whether a request of this client may change data, decided anew for every request.
    bool IsRestricted() const;

    // Bytes received of requests not yet dispatched: the unfinished one and those waiting their turn.
    qint64 BufferedBytes() const { return qint64(m_framer.pending()) + m_unitBytes; }

    // Runs while a request is unfinished and restarts with every byte of it: a client that begins a request
    // and then sends nothing more for this long is let go.
    static constexpr int kRequestIdleMs = 30 * 1000;
    QTimer RequestTimer;
    void RequestTimer_Timer();

private:
    friend class clsServer;
    void onReadyRead();
    void onBytesWritten();
    void onDisconnected();
    void dispatchPending();

    clsServer* m_server;
    QPointer<QTcpSocket> sckClient;
    MessageFramer m_framer{kMaxUnitBytes};
    QStringList m_units;    // completed requests waiting for the dispatcher
    qint64 m_unitBytes = 0; // their size
    qint64 m_lastChunk = 0; // size of the read that completed the newest request
    bool m_dispatchPosted = false;
    bool m_netCancel = false;
    bool m_blocked = false;
    bool m_accepted = false;
    bool m_dropping = false;
    qint32 m_index = 0;
    QString m_address;
    QString m_listText;
};

// The address as the program shows and compares it: IPv4 dotted decimal, also for IPv4-mapped IPv6.
QString dottedAddress(const QHostAddress& address);
