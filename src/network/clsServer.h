#pragma once

#include <QObject>
#include <QStringList>

// The server side of the network: shares calls, contacts and groups with client copies of the program.
// For now it serves nobody and keeps what it would have sent, so the broadcasts of the call road can be
// checked; the listener and the client connections replace that.
class clsServer : public QObject {
    Q_OBJECT
public:
    explicit clsServer(QObject* parent = nullptr);

    // index -1 sends to every connected client except exceptIndex (-1: to all); otherwise to that client.
    // With no client connected nothing is sent. Never fails to the caller.
    void SendData(const QString& data, int index = -1, int exceptIndex = -1);

    int connectedClients() const { return 0; }

    // Every message handed to SendData, in order (read by tests and the debug log).
    QStringList sentLog;

Q_SIGNALS:
    void dataSent(const QString& data);
};

extern clsServer* gServer;
