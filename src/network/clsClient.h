#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "network/MessageFramer.h"
#include "network/ServerRequests.h"

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
    static constexpr qsizetype kMaxUnitBytes = ServerRequests::kMaxRequestBytes;
    static constexpr qint64 kMaxPendingWrite = 128 * 1024 * 1024;

    explicit clsClient(clsServer* server);
    ~clsClient() override;

    // Whether the request now being answered for this client has been cancelled: a ";NETCANCEL;" arrived
    // after it (counted the moment it is read, while the reply is still being made). Sends do not touch it,
    // so a broadcast in the middle of a long reply cannot undo the cancel, and a cancel left over from an
    // earlier request cannot stop the next one. setNetCancel(true) cancels as a ";NETCANCEL;" does;
    // setNetCancel(false) forgets the cancels received so far.
    bool NetCancel() const { return m_cancels != m_requestMark; }
    void setNetCancel(bool cancel);
    // The dispatcher met the ";NETCANCEL;" of the unit it reads (counted already on arrival): the requests
    // after it in the same unit are not cancelled by it.
    void CancelDispatched();
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
    // Bytes of replies written to the client that it has not read yet.
    qint64 UnsentBytes() const;

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
    // A completed request waiting for the server's dispatcher.
    struct PendingUnit {
        QString text;
        quint64 cancelMark = 0; // the cancel count when it arrived
        qint64 chunk = 0;       // size of the read that completed it
    };
    // Hands the oldest waiting unit to the dispatcher; false when none is left.
    bool takeUnit(PendingUnit& unit);
    void dropLater();

    clsServer* m_server;
    QPointer<QTcpSocket> sckClient;
    MessageFramer m_framer{kMaxUnitBytes};
    QList<PendingUnit> m_units; // completed requests waiting for the dispatcher, oldest first
    qint64 m_unitBytes = 0;     // their size
    quint64 m_cancels = 0;      // ";NETCANCEL;" requests read from this client
    quint64 m_requestMark = 0;  // m_cancels when the request being answered arrived
    bool m_blocked = false;
    bool m_accepted = false;
    bool m_dropping = false;
    qint32 m_index = 0;
    QString m_address;
    QString m_listText;
};

// The address as the program shows and compares it: IPv4 dotted decimal, also for IPv4-mapped IPv6.
QString dottedAddress(const QHostAddress& address);
