#include "network/clsRemoteSocket.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpSocket>

#include <algorithm>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsServer.h"

std::unique_ptr<clsRemoteSocket> gRemoteSocket;
std::unique_ptr<RemoteCallerCollection> gRemoteCallers;

clsRemoteSocket::clsRemoteSocket(QObject* parent, qsizetype maxUnitBytes)
    : QObject(parent), m_framer(maxUnitBytes), m_waitClock([] {
          static const QElapsedTimer started = [] {
              QElapsedTimer t;
              t.start();
              return t;
          }();
          return started.elapsed();
      })
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
        return SocketState::Closed;
    case QAbstractSocket::HostLookupState:
        return SocketState::ResolvingHost;
    case QAbstractSocket::ConnectingState:
        return SocketState::Connecting;
    case QAbstractSocket::ConnectedState:
        return SocketState::Connected;
    case QAbstractSocket::ClosingState:
        return SocketState::Closing;
    default:
        return SocketState::Open;
    }
}

void clsRemoteSocket::Connect(bool flag)
{
    if (!flag) {
        // Marked first: the close reports itself, and the window is to hear of it once.
        m_connected = false;
        sckRemoteClient->abort();
        m_framer.clear();
        if (gMainForm)
            gMainForm->RefreshOnline();
        return;
    }
    if (State() != SocketState::Closed)
        sckRemoteClient->abort();
    if (m_host.isEmpty())
        return;
    // A fixed local port is bound again right after the last connection on it closed: the reuse hint keeps
    // that from failing while the old connection lingers.
    if (m_localPort != 0 && !sckRemoteClient->bind(QHostAddress(QHostAddress::AnyIPv4), m_localPort,
                                                   QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        // The port is taken (the server's own listener on this machine, another copy): the user is told, as
        // the server tells of its listener. An address this machine does not have is passed over quietly.
        const QAbstractSocket::SocketError error = sckRemoteClient->error();
        // The box lets the program end while it waits, and this socket with it.
        const QPointer<clsRemoteSocket> self(this);
        if (error == QAbstractSocket::AddressInUseError) {
            SaveError(kAddressInUseError, QStringLiteral("Address in use"), QStringLiteral("clsRemoteSocket"));
            ReportError(QStringLiteral("clsRemoteSocket_Connect"));
            ShowError(localPortInUseMessage());
        } else if (error == QAbstractSocket::SocketAddressNotAvailableError) {
            SaveError(kAddressNotAvailableError, QStringLiteral("Address not available"),
                      QStringLiteral("clsRemoteSocket"));
            ReportError(QStringLiteral("clsRemoteSocket_Connect"));
        } else {
            SaveError(int(error), sckRemoteClient->errorString(), QStringLiteral("clsRemoteSocket"));
            ReportError(QStringLiteral("clsRemoteSocket_Connect"));
            ShowError(QString());
        }
        if (!self)
            return;
        sckRemoteClient->abort();
    }
    // A server that cannot be reached is not reported: the window just stays offline.
    sckRemoteClient->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

QString clsRemoteSocket::RemoteHostIP() const
{
    if (sckRemoteClient->state() != QAbstractSocket::ConnectedState)
        return QString();
    const QHostAddress peer = sckRemoteClient->peerAddress();
    bool ok = false;
    const quint32 v4 = peer.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : peer.toString();
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
    // Nothing of an earlier connection may be read as the start of this one's first answer, and no answer of
    // this one as that of a question asked on an earlier one. What the earlier one delivered before it ended
    // is still read in its turn, paired with its own questions.
    m_framer.clear();
    m_modemQuestions.clear();
    m_contactAnswerDue = false;
    m_connected = true;
    // A request follows another at once (an edit and its refresh): neither waits for the server's
    // delayed acknowledgement of the one before.
    sckRemoteClient->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (gMainForm) {
        gMainForm->RefreshOnline();
        SendData(QStringLiteral(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;") + gMainForm->strSQL);
        m_modemQuestions.append({++m_questionsAsked, false});
        // The rows of the burst's query take a while on a large log.
        Program::showWaiting(QStringLiteral("SQL"), dynamic_cast<QObject*>(gMainForm));
        gMainForm->ConnectBurstSent();
    }
}

void clsRemoteSocket::onDisconnected()
{
    m_framer.clear();
    // A close asked for here (Connect(False)) has told the window already.
    if (!m_connected)
        return;
    m_connected = false;
    if (gMainForm)
        gMainForm->RefreshOnline();
}

void clsRemoteSocket::onReadyRead()
{
    const QStringList units = m_framer.feed(sckRemoteClient->readAll());
    if (m_framer.takeOverflow()) {
        AddEvent(QStringLiteral("A message from the server was too large and was skipped."));
    }
    if (units.isEmpty())
        return;
    m_units += units;
    postDispatch();
}

void clsRemoteSocket::postDispatch()
{
    if (m_dispatchPosted || m_dispatching || m_units.isEmpty())
        return;
    m_dispatchPosted = true;
    QMetaObject::invokeMethod(this, &clsRemoteSocket::DispatchPending, Qt::QueuedConnection);
}

void clsRemoteSocket::DispatchPending()
{
    m_dispatchPosted = false;
    // A dispatch that lets the event loop run is still on the stack: the next unit waits for its end.
    if (m_dispatching)
        return;
    QPointer<clsRemoteSocket> self(this);
    while (!m_units.isEmpty()) {
        const QString unit = m_units.takeFirst();
        if (!gMainForm)
            continue;
        m_dispatching = true;
        gMainForm->ProcessRemoteNetworkData(unit);
        // The dispatch may have ended the program (and this socket with it).
        if (!self)
            return;
        m_dispatching = false;
    }
}

void clsRemoteSocket::SendData(const QString& data)
{
    if (State() != SocketState::Connected)
        return;
    // A contact change goes out alone, first in its send.
    const bool contactChange = data.startsWith(QLatin1String(";ADD CONTACT;"), Qt::CaseInsensitive) ||
                               data.startsWith(QLatin1String(";EDIT CONTACT;"), Qt::CaseInsensitive) ||
                               data.startsWith(QLatin1String(";DELETE CONTACT;"), Qt::CaseInsensitive);
    if (contactChange)
        askModemState(true);
    sckRemoteClient->write(MessageFramer::frame(data));
    // In a send of its own: a server that drops the rest of a send after a failure still answers it.
    if (contactChange)
        askModemState(false);
}

void clsRemoteSocket::askModemState(bool opens)
{
    sckRemoteClient->write(MessageFramer::frame(QStringLiteral(";MODEMCONNECTION;")));
    m_modemQuestions.append({++m_questionsAsked, opens});
}

void clsRemoteSocket::ModemStateAnswered()
{
    if (m_modemQuestions.isEmpty())
        return;
    const ModemQuestion answered = m_modemQuestions.takeFirst();
    m_contactAnswerDue = answered.opens;
    // Whatever comes from now on answers a request made after the ones given up before this question.
    m_givenUp.removeIf([&answered](const GivenUp& g) { return g.question <= answered.serial; });
}

void clsRemoteSocket::GiveUp(const QString& kind)
{
    if (State() == SocketState::Connected) {
        askModemState(false);
        m_givenUp.append({kind.toUpper(), m_questionsAsked});
    }
    // Without a connection nothing more of it can come: the next connection starts clean.
    if (gMainForm)
        gMainForm->RemoteRequestGivenUp(kind.toUpper());
}

bool clsRemoteSocket::AnswerGivenUp(const QString& kind) const
{
    const QString wanted = kind.toUpper();
    return std::any_of(m_givenUp.cbegin(), m_givenUp.cend(), [&wanted](const GivenUp& g) { return g.kind == wanted; });
}

bool clsRemoteSocket::TakeGivenUpAnswer(const QString& kind)
{
    const QString wanted = kind.toUpper();
    for (qsizetype i = 0; i < m_givenUp.size(); ++i) {
        if (m_givenUp.at(i).kind == wanted) {
            m_givenUp.removeAt(i);
            return true;
        }
    }
    return false;
}

bool clsRemoteSocket::TakeGivenUpRefusal()
{
    if (m_givenUp.isEmpty())
        return false;
    m_givenUp.removeFirst();
    return true;
}
