#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "network/MessageFramer.h"
#include "network/RemoteCallerCollection.h"

class QTcpSocket;

// The states clsRemoteSocket::State() reports. The numbers are the ones the program has always used; the
// ones between Open and Connecting are states this socket never reports.
namespace SocketState {
inline constexpr int Closed = 0;
inline constexpr int Open = 1;
inline constexpr int ResolvingHost = 4;
inline constexpr int Connecting = 6;
inline constexpr int Connected = 7;
inline constexpr int Closing = 8;
} // namespace SocketState

// The client's one connection to its server (client mode only). It connects as soon as it is made, from
// the settings RemoteHost, RemotePort and RemoteLocalPort, and carries the client's requests while it is
// connected. What arrives is handed, one completed send at a time, to the main window's dispatcher.
//
// The read handler only cuts the stream into units and queues them; they are dispatched one at a time from
// the event loop, in order. A dispatch that lets the event loop run (a large unit behind its progress
// window) therefore never has a second one started inside it. What was half received when a connection
// ended is dropped: a new connection starts with an empty buffer.
class clsRemoteSocket : public QObject {
    Q_OBJECT
public:
    // A server send that has not ended after maxUnitBytes is skipped (and said in the event list). The
    // default holds the answer to a query over a log of millions of calls.
    static constexpr qsizetype DefaultMaxUnitBytes = 256 * 1024 * 1024;
    explicit clsRemoteSocket(QObject* parent = nullptr, qsizetype maxUnitBytes = DefaultMaxUnitBytes);
    ~clsRemoteSocket() override;

    // One of SocketState: Closed, Connected, or a state on the way between them.
    int State() const;
    bool Connected() const { return m_connected; }
    void setConnected(bool connected) { Connect(connected); }
    QString RemoteHost() const { return m_host; }
    quint16 RemotePort() const { return m_port; }
    // Where the next connect goes; a connection already made is not touched.
    void setRemoteHost(const QString& host) { m_host = host; }
    void setRemotePort(quint16 port) { m_port = port; }
    // The local port asked for (0: the system chooses), and the one the connection really uses (the one
    // asked for while there is none).
    quint16 ConfiguredLocalPort() const { return m_localPort; }
    void setLocalPort(quint16 port) { m_localPort = port; }
    quint16 LocalPort() const;
    // This machine's name, and the address the connection leaves from (or this machine's first IPv4
    // address while there is no connection).
    static QString LocalHostName();
    QString LocalIP() const;
    // The server's address as connected (dotted decimal); empty while not connected.
    QString RemoteHostIP() const;

    // Units received and not dispatched yet (the test of a dispatch in progress reads it).
    int pendingUnits() const { return int(m_units.size()); }
    // Dispatches the queued units now, unless a dispatch is already running (then it takes them in turn).
    void DispatchPending();

    // Sends the text followed by the end-of-send marker, only while connected; otherwise drops it. A contact
    // change (";ADD CONTACT;", ";EDIT CONTACT;", ";DELETE CONTACT;") goes between two ";MODEMCONNECTION;"
    // questions, each a send of its own (see ContactAnswerDue).
    void SendData(const QString& data);

    // The server answers one client's requests in the order they were sent, and ";MODEMCONNECTION;" to the
    // asker alone, with "True" or "False" (its news of the port to every client says "TRUE" or "FALSE"). A
    // refusal (";ERROR;", "RESTRICTED", which go to the asker alone) that comes between the answers to the
    // questions before and after a contact change is therefore that change's, whatever else every client is
    // sent meanwhile (another client's change); this client's other requests are answered outside them, and
    // a change the server drops without a word leaves nothing between them. True from the answer before a
    // contact change until its refusal has been taken or the answer after it has come.
    bool ContactAnswerDue() const { return m_contactAnswerDue; }
    // The refusal that answers the contact change has been read: nothing more is its answer.
    void ContactAnswerTaken() { m_contactAnswerDue = false; }
    // The dispatcher read the server's answer to a ";MODEMCONNECTION;" question of this client.
    void ModemStateAnswered();

    // The user gave up waiting for a request of that kind (its waiting note's tag: "SQL", "DELETE", "STATS",
    // ...): it is given up on this side, and its answer, should it still come, is dropped. The server answers
    // one client's requests in order, so that answer comes before the answer to a ";MODEMCONNECTION;" asked
    // now, and the answers to every request made from now on come after it: until then the next answer of that
    // kind, or a refusal that is not a contact change's, is the late one; from then on nothing is. The main
    // window hears of it (MainWindow::RemoteRequestGivenUp).
    void GiveUp(const QString& kind);
    // Whether the next answer of that kind is the late answer of a request given up.
    bool AnswerGivenUp(const QString& kind) const;
    // The same, and that answer has come: nothing more is dropped for it.
    bool TakeGivenUpAnswer(const QString& kind);
    // A refusal (";ERROR;", "RESTRICTED") read while a request given up may still be answered is taken as
    // that request's answer: true when it was, and nothing more is dropped for that request.
    bool TakeGivenUpRefusal();

    // The clock a request's waiting runs on, in milliseconds (monotonic); tests hold it still or move it.
    using WaitClock = std::function<qint64()>;
    void setWaitClock(WaitClock clock) { m_waitClock = std::move(clock); }
    qint64 waitClockMs() const { return m_waitClock(); }

private:
    // Asks ";MODEMCONNECTION;"; opens is whether its answer begins the answer of a contact change.
    void askModemState(bool opens);

    void Connect(bool flag);
    void onConnected();
    void onDisconnected();
    void onReadyRead();
    void postDispatch();

    QTcpSocket* sckRemoteClient = nullptr;
    QString m_host;
    quint16 m_port = 270;
    quint16 m_localPort = 0;
    bool m_connected = false;
    // A server that never ends a send must not make the buffer grow without bound.
    MessageFramer m_framer;
    QStringList m_units;
    // Each ";MODEMCONNECTION;" asked on this connection and not answered yet, oldest first.
    struct ModemQuestion {
        quint64 serial = 0;
        bool opens = false; // its answer begins a contact change's
    };
    QList<ModemQuestion> m_modemQuestions;
    quint64 m_questionsAsked = 0;
    bool m_contactAnswerDue = false;
    // The requests given up whose answers may still come, oldest first: each until its answer has come or the
    // question asked as it was given up has been answered, or one asked after it (on a connection made since,
    // whose questions are the only ones awaited).
    struct GivenUp {
        QString kind;
        quint64 question = 0;
    };
    QList<GivenUp> m_givenUp;
    WaitClock m_waitClock;
    bool m_dispatching = false;
    bool m_dispatchPosted = false;
};

// The client's connection (client mode): made by start-up, released by ShutDown.
extern std::unique_ptr<clsRemoteSocket> gRemoteSocket;

// The client's copy of the calls it shows (see RemoteCallerCollection). Made empty by client start-up and
// replaced whole, never emptied in place, by each new answer.
extern std::unique_ptr<RemoteCallerCollection> gRemoteCallers;
