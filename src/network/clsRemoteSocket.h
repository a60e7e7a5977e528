#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

#include "core/KeyedCollection.h"
#include "core/clsCaller.h"
#include "network/MessageFramer.h"

class QTcpSocket;

// The client's one connection to its server (client mode only). It connects as soon as it is made, from
// the settings RemoteHost, RemotePort and RemoteLocalPort, and carries the client's requests while it is
// connected. What arrives is handed, one completed send at a time, to the main window's dispatcher.
class clsRemoteSocket : public QObject {
    Q_OBJECT
public:
    explicit clsRemoteSocket(QObject* parent = nullptr);
    ~clsRemoteSocket() override;

    // 0 closed, 7 connected; the values between are the intermediate states of a connect.
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

    // Sends the text followed by the end-of-send marker, only while connected; otherwise drops it.
    void SendData(const QString& data);

private:
    void Connect(bool flag);
    void onConnected();
    void onDisconnected();
    void onReadyRead();

    QTcpSocket* sckRemoteClient = nullptr;
    QString m_host;
    quint16 m_port = 270;
    quint16 m_localPort = 0;
    bool m_connected = false;
    // A server that never ends a send must not make the buffer grow without bound.
    MessageFramer m_framer{64 * 1024 * 1024};
};

// The client's connection (client mode): made by start-up, released by ShutDown.
extern std::unique_ptr<clsRemoteSocket> gRemoteSocket;

// The client's copy of the calls it shows, keyed by the record ID as text; made empty by client start-up.
using RemoteCallerCollection = KeyedCollection<clsCaller>;
extern std::unique_ptr<RemoteCallerCollection> gRemoteCallers;
