#include "network/clsRemoteSocket.h"

#include <QHostAddress>
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
    if (m_localPort != 0 && !sckRemoteClient->bind(QHostAddress(QHostAddress::AnyIPv4), m_localPort)) {
        SaveError(10048, QStringLiteral("Address in use"), QStringLiteral("clsRemoteSocket"));
        ReportError(QStringLiteral("clsRemoteSocket_Connect"));
    }
    sckRemoteClient->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
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
