#include "ScriptedServer.h"

#include <QTest>

ScriptedServer::ScriptedServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket* s = m_server.nextPendingConnection()) {
        if (m_peer)
            m_peer->deleteLater();
        m_peer = s;
        m_framer.clear();
        connect(s, &QTcpSocket::readyRead, this, &ScriptedServer::onReadyRead);
    }
}

void ScriptedServer::onReadyRead()
{
    if (!m_peer)
        return;
    const QStringList units = m_framer.feed(m_peer->readAll());
    for (QString unit : units) {
        unit.chop(MessageFramer::Marker.size());
        m_requests << unit;
    }
}

bool ScriptedServer::waitForClient(int timeoutMs)
{
    return QTest::qWaitFor([this] { return hasClient(); }, timeoutMs);
}

QString ScriptedServer::waitForRequest(const QString& text, int timeoutMs)
{
    QString found;
    (void)QTest::qWaitFor(
        [&] {
            for (; m_seen < m_requests.size(); ++m_seen) {
                if (m_requests.at(m_seen).contains(text)) {
                    found = m_requests.at(m_seen++);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

void ScriptedServer::send(const QString& text)
{
    if (m_peer) {
        m_peer->write(MessageFramer::frame(text));
        m_peer->flush();
    }
}

void ScriptedServer::sendRaw(const QByteArray& bytes)
{
    if (m_peer) {
        m_peer->write(bytes);
        m_peer->flush();
    }
}

void ScriptedServer::dropClient()
{
    if (m_peer) {
        m_peer->disconnectFromHost();
        m_peer->deleteLater();
        m_peer = nullptr;
    }
}
