#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include "network/MessageFramer.h"

// A server the test writes the answers of, on 127.0.0.1 at a free port: it takes one client at a time,
// keeps every request the client sends (one entry per send, the end marker taken off) and sends what the
// test gives it, each text followed by the end marker as a real server sends it. The client under test
// talks to it over real TCP.
class ScriptedServer : public QObject {
    Q_OBJECT
public:
    ScriptedServer();

    quint16 port() const { return m_server.serverPort(); }
    // The client connected (waits up to timeoutMs); false when none came.
    bool waitForClient(int timeoutMs = 5000);
    QTcpSocket* peer() const { return m_peer; }
    bool hasClient() const { return m_peer && m_peer->state() == QAbstractSocket::ConnectedState; }

    // Every send of the client so far, oldest first, without the marker.
    QStringList requests() const { return m_requests; }
    void clearRequests()
    {
        m_requests.clear();
        m_seen = 0;
    }
    // Waits until a send of the client contains text (from the send after `from`); returns it, or an empty
    // text when none came in time.
    QString waitForRequest(const QString& text, int timeoutMs = 5000);

    // One send: the text and the end marker, as one write.
    void send(const QString& text);
    // Bytes as they are, no marker added (a send split across writes, a torn message).
    void sendRaw(const QByteArray& bytes);
    // Closes the client's connection from this side.
    void dropClient();
    void close() { m_server.close(); }

private:
    void onNewConnection();
    void onReadyRead();

    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    MessageFramer m_framer{256 * 1024 * 1024};
    QStringList m_requests;
    qsizetype m_seen = 0;
};
