#include "network/clsRemoteSocket.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QTcpSocket>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modProperties.h"

std::unique_ptr<clsRemoteSocket> gRemoteSocket;
std::unique_ptr<RemoteCallerCollection> gRemoteCallers;

clsRemoteSocket::clsRemoteSocket(QObject* parent) : QObject(parent)
{
    sckRemoteClient = new QTcpSocket(this);
    m_host = GetProperty(Section::frmConfiguration, Key::RemoteHost, QString());
    m_port = quint16(textToNumber(GetProperty(Section::frmConfiguration, Key::RemotePort, QStringLiteral("270")), 270));
    m_localPort =
        quint16(textToNumber(GetProperty(Section::frmConfiguration, Key::RemoteLocalPort, QStringLiteral("0")), 0));
    connect(sckRemoteClient, &QTcpSocket::connected, this, &clsRemoteSocket::onConnected);
    connect(sckRemoteClient, &QTcpSocket::disconnected, this, &clsRemoteSocket::onDisconnected);
    connect(sckRemoteClient, &QTcpSocket::readyRead, this, &clsRemoteSocket::onReadyRead);
    Connect(true);
}

clsRemoteSocket::~clsRemoteSocket()
{
    sckRemoteClient->disconnect(this);
    sckRemoteClient->abort();
}

int clsRemoteSocket::State() const
{
    switch (sckRemoteClient->state()) {
    case QAbstractSocket::UnconnectedState:
        return 0;
    case QAbstractSocket::HostLookupState:
        return 4;
    case QAbstractSocket::ConnectingState:
        return 6;
    case QAbstractSocket::ConnectedState:
        return 7;
    case QAbstractSocket::ClosingState:
        return 8;
    default:
        return 1;
    }
}

void clsRemoteSocket::Connect(bool flag)
{
    if (!flag) {
        sckRemoteClient->abort();
        m_connected = false;
        if (gMainForm)
            gMainForm->RefreshOnline();
        return;
    }
    if (State() != 0)
        sckRemoteClient->abort();
    if (m_host.isEmpty())
        return;
    // A fixed local port is bound again right after the last connection on it closed: the reuse hint keeps
    // that from failing while the old connection lingers.
    if (m_localPort != 0 && !sckRemoteClient->bind(QHostAddress(QHostAddress::AnyIPv4), m_localPort,
                                                   QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        SaveError(10048, QStringLiteral("Address in use"), QStringLiteral("clsRemoteSocket"));
        ReportError(QStringLiteral("clsRemoteSocket_Connect"));
    }
    sckRemoteClient->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

quint16 clsRemoteSocket::LocalPort() const
{
    const quint16 used = sckRemoteClient->localPort();
    return used != 0 ? used : m_localPort;
}

QString clsRemoteSocket::LocalHostName() { return QHostInfo::localHostName(); }

QString clsRemoteSocket::LocalIP() const
{
    const QHostAddress used = sckRemoteClient->localAddress();
    if (!used.isNull() && used != QHostAddress(QHostAddress::AnyIPv4)) {
        bool ok = false;
        const quint32 v4 = used.toIPv4Address(&ok);
        if (ok)
            return QHostAddress(v4).toString();
    }
    const QList<QHostAddress> all = QNetworkInterface::allAddresses();
    for (const QHostAddress& a : all) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a.toString();
    }
    return QHostAddress(QHostAddress::LocalHost).toString();
}

void clsRemoteSocket::onConnected()
{
    m_connected = true;
    if (gMainForm) {
        gMainForm->RefreshOnline();
        SendData(QStringLiteral(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;") + gMainForm->strSQL);
    }
}

void clsRemoteSocket::onDisconnected()
{
    m_connected = false;
    if (gMainForm)
        gMainForm->RefreshOnline();
}

void clsRemoteSocket::onReadyRead()
{
    const QStringList units = m_framer.feed(sckRemoteClient->readAll());
    for (const QString& unit : units) {
        if (gMainForm)
            gMainForm->ProcessRemoteNetworkData(unit);
    }
}

void clsRemoteSocket::SendData(const QString& data)
{
    if (State() != 7)
        return;
    sckRemoteClient->write(MessageFramer::frame(data));
}
