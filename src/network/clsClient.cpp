#include "network/clsClient.h"

#include <QHostAddress>
#include <QTcpSocket>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/ServerRequests.h"
#include "network/clsServer.h"
#include "platform/Memory.h"

namespace {
// What Qt may hold of a client's unread input before we take it; keeps a flooding peer's cost bounded.
constexpr qint64 kReadBufferBytes = 256 * 1024;
} // namespace

QString dottedAddress(const QHostAddress& address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}

clsClient::clsClient(clsServer* server) : QObject(nullptr), m_server(server)
{
    RequestTimer.setSingleShot(true);
    RequestTimer.setInterval(kRequestIdleMs);
    connect(&RequestTimer, &QTimer::timeout, this, &clsClient::RequestTimer_Timer);
}

void clsClient::RequestTimer_Timer()
{
    RequestTimer.stop();
    if (!m_server || m_dropping)
        return;
    AddEvent(m_address + QStringLiteral(" did not finish its request and was disconnected"));
    m_server->DropClient(m_index);
}

clsClient::~clsClient() { Disconnect(); }

qint64 clsClient::UnsentBytes() const { return sckClient ? sckClient->bytesToWrite() : 0; }

void clsClient::AcceptRequest(QTcpSocket* socket)
{
    if (!socket)
        return;
    sckClient = socket;
    socket->setParent(this);
    m_address = dottedAddress(socket->peerAddress());
    if (socket->state() != QAbstractSocket::ConnectedState) {
        SaveError(kWrongSocketStateError,
                  QStringLiteral("Wrong protocol or connection state for the requested transaction or request"),
                  QStringLiteral("clsClient"));
        return;
    }
    socket->setReadBufferSize(kReadBufferBytes);
    // A client whose machine went away without closing is found out and dropped in the end.
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    // Every message goes out in one write; held back for the acknowledgement of the one before (a ring's
    // ";NEW;", ";INCOMING CALLER;" and ";RING;" follow each other at once), it would wait for the client's
    // delayed acknowledgement.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this, &clsClient::onReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &clsClient::onBytesWritten);
    connect(socket, &QTcpSocket::disconnected, this, &clsClient::onDisconnected);
    m_accepted = true;
}

void clsClient::Disconnect()
{
    m_units.clear();
    m_unitBytes = 0;
    m_framer.clear();
    RequestTimer.stop();
    if (!sckClient)
        return;
    QTcpSocket* socket = sckClient;
    sckClient = nullptr;
    socket->disconnect(this);
    // A client let go with replies it did not read leaves their memory to the system, not to the heap.
    const bool held = socket->bytesToWrite() > 1024 * 1024;
    socket->abort();
    socket->deleteLater();
    if (held)
        giveMemoryBack();
}

bool clsClient::IsRestricted() const
{
    if (textToBool(GetProperty(Section::frmConfiguration, Key::RestrictedNetwork, QStringLiteral("False"))))
        return true;
    return IsIPBlocked(m_address + QStringLiteral(" R"));
}

void clsClient::SendData(const QString& data)
{
    if (!sckClient || sckClient->state() != QAbstractSocket::ConnectedState) {
        SaveError(kWrongSocketStateError,
                  QStringLiteral("Wrong protocol or connection state for the requested transaction or request"),
                  QStringLiteral("clsClient"));
        if (m_server && !m_dropping)
            m_server->DropClient(m_index);
        return;
    }
    sckClient->write(MessageFramer::frame(data));
    // Out at once rather than when the event loop next looks at the socket: a call's broadcast must not
    // wait for the repainting and announcing that follow it in the same handler.
    sckClient->flush();
    if (!sckClient)
        return;
    if (sckClient->bytesToWrite() > kMaxPendingWrite) {
        // A client that stopped reading would otherwise make every broadcast grow the server's memory.
        AddEvent(m_address + QStringLiteral(" stopped reading and was disconnected"));
        if (m_server && !m_dropping)
            m_server->DropClient(m_index);
    }
}

void clsClient::onReadyRead()
{
    if (!sckClient)
        return;
    if (m_blocked || IsIPBlocked(m_address + QStringLiteral(" B"))) {
        m_blocked = true;
        sckClient->readAll(); // ignored, but not left to pile up
        return;
    }
    const QByteArray chunk = sckClient->readAll();
    const QStringList units = m_framer.feed(chunk);
    if (m_framer.overflowed()) {
        AddEvent(m_address + QStringLiteral(" sent a request that was too large"));
        if (m_server)
            m_server->DropClient(m_index);
        return;
    }
    if (m_framer.pending() > 0)
        RequestTimer.start();
    else
        RequestTimer.stop();
    // This handler only reads: a request is answered later, from the server's queue, one request of one
    // client at a time. Only a cancel takes effect now, so that a long reply being made sees it.
    const quint64 cancelsBefore = m_cancels;
    for (const QString& unit : units) {
        m_units.append(PendingUnit{unit, m_cancels, qint64(chunk.size())});
        m_unitBytes += qint64(unit.size());
        m_cancels += quint64(ServerRequests::cancelsIn(unit));
    }
    // A statistics answer may be waiting its turn rather than running: it is told now, not when it runs.
    if (m_cancels != cancelsBefore)
        Links::netCancel(m_index);
    if (BufferedBytes() > 0 && m_server) {
        QPointer<clsClient> self(this);
        m_server->limitBufferedBytes();
        if (!self || m_dropping)
            return;
    }
    for (qsizetype i = 0; i < units.size() && m_server; ++i)
        m_server->queueRequest(this);
}

bool clsClient::takeUnit(PendingUnit& unit)
{
    if (m_units.isEmpty() || m_dropping)
        return false;
    unit = m_units.takeFirst();
    m_unitBytes -= qint64(unit.text.size());
    m_requestMark = unit.cancelMark;
    return true;
}

void clsClient::setNetCancel(bool cancel)
{
    if (cancel) {
        ++m_cancels;
        Links::netCancel(m_index);
    } else {
        m_requestMark = m_cancels;
    }
}

void clsClient::CancelDispatched()
{
    if (m_requestMark != m_cancels)
        ++m_requestMark;
}

void clsClient::onBytesWritten()
{
    // A blocked client is let go once "BLOCKED" and its marker have left; not inside the send that wrote
    // them, which may still be running.
    if (m_blocked && sckClient && sckClient->bytesToWrite() == 0 && m_server && !m_dropping)
        QMetaObject::invokeMethod(this, &clsClient::dropLater, Qt::QueuedConnection);
}

void clsClient::dropLater()
{
    if (m_server && !m_dropping)
        m_server->DropClient(m_index);
}

void clsClient::onDisconnected()
{
    if (m_server && !m_dropping)
        m_server->DropClient(m_index);
}
