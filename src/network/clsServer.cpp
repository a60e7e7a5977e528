#include "network/clsServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "core/ChangedMeanwhile.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "network/clsClient.h"
#include "platform/Prompt.h"

std::unique_ptr<clsServer> gServer;

namespace {
constexpr int kMinimumRows = 5;

QString portInUseMessage()
{
    return QStringList{QStringLiteral("The local port that you have selected is in use by the "),
                       QStringLiteral("machine. Another instance of Velquon using the "),
                       QStringLiteral("same local port may be the source of the problem. Change "),
                       QStringLiteral("the local port in network configuration or only open one "),
                       QStringLiteral("instance of Velquon. Networking features will "),
                       QStringLiteral("not work until this problem is resolved.")}
        .join(QStringLiteral("\r\n"));
}

QString privilegedPortMessage(quint16 port)
{
    return QStringList{QStringLiteral("The local port ") + QString::number(port) +
                           QStringLiteral(" may only be used by a program with administrator "),
                       QStringLiteral("privileges on this system, as every port below 1024. Change "),
                       QStringLiteral("the local port in network configuration to 1024 or higher. "),
                       QStringLiteral("Networking features will not work until this problem is resolved.")}
        .join(QStringLiteral("\r\n"));
}
} // namespace

clsServer::clsServer(QObject* parent) : QObject(parent)
{
    sckServer = new QTcpServer(this);
    connect(sckServer, &QTcpServer::newConnection, this, &clsServer::onNewConnection);
    connect(sckServer, &QTcpServer::acceptError, this, &clsServer::onAcceptError);
    AcceptRetryTimer.setSingleShot(true);
    connect(&AcceptRetryTimer, &QTimer::timeout, this, &clsServer::AcceptRetryTimer_Timer);
}

clsServer::~clsServer()
{
    for (const QPointer<clsClient>& client : std::as_const(m_clients)) {
        if (client) {
            client->m_dropping = true;
            delete client.data();
        }
    }
    m_clients.clear();
}

bool clsServer::isListening() const { return sckServer->isListening(); }

quint16 clsServer::LocalPort() const { return sckServer->isListening() ? sckServer->serverPort() : m_port; }

bool clsServer::Listen()
{
    // Each client takes a descriptor: a server may use as many as the system allows it, so that its own
    // client bound, not a shell's default, is what holds.
    if (gNetworkMode == Server) {
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    }
    const int port = textToWhole(GetProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("270")), 270);
    m_port = quint16(port >= 0 && port <= 65535 ? port : 270);
    return startListening(true);
}

void clsServer::setLocalPort(quint16 port)
{
    m_port = port;
    startListening(true);
}

bool clsServer::startListening(bool report)
{
    sckServer->close();
    // Room for a burst of clients connecting at once (all of them coming back after the server restarted):
    // connections beyond the queue are refused by the system and wait seconds before they try again.
    sckServer->setListenBacklogSize(1024);
    if (sckServer->listen(QHostAddress::AnyIPv4, m_port))
        return true;
    int number = 0;
    QString message;
    switch (sckServer->serverError()) {
    case QAbstractSocket::AddressInUseError:
        number = kAddressInUseError;
        message = portInUseMessage();
        break;
    case QAbstractSocket::SocketAddressNotAvailableError:
        number = kAddressNotAvailableError;
        message = portInUseMessage();
        break;
    case QAbstractSocket::SocketAccessError:
        number = kSocketAccessError;
        if (m_port < 1024)
            message = privilegedPortMessage(m_port);
        break;
    default:
        number = kSocketErrorBase + int(sckServer->serverError());
        break;
    }
    SaveError(number, sckServer->errorString(), QStringLiteral("clsServer"));
    ReportError(QStringLiteral("clsServer_Listen"));
    // Standalone mode serves nobody: its user is never troubled about the listener.
    if (report && gNetworkMode == Server)
        ShowError(message);
    return false;
}

clsClient* clsServer::Clients(qint32 index) const
{
    for (const QPointer<clsClient>& client : m_clients) {
        if (client && client->Index() == index)
            return client;
    }
    return nullptr;
}

clsClient* clsServer::ClientAt(int position) const
{
    if (position < 1 || position > m_clients.size())
        return nullptr;
    return m_clients.at(position - 1);
}

void clsServer::onNewConnection()
{
    // One list update for every connection of a burst: a thousand clients reconnecting at once must not
    // rebuild the list a thousand times.
    bool listChanged = false;
    while (QTcpSocket* socket = sckServer->nextPendingConnection()) {
        const QString address = dottedAddress(socket->peerAddress());
        AddEvent(QStringLiteral("Connection Request By:  ") + address);
        if (gNetworkMode != Server) {
            AddEvent(QStringLiteral("Connection Refused By: ") + address);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (ClientCount() >= MaxClients || leavesTooFewDescriptors(socket->socketDescriptor())) {
            AddEvent(QStringLiteral("Connection Refused By: ") + address);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_shortageReported = false;
        auto* client = new clsClient(this);
        client->AcceptRequest(socket);
        if (!client->Accepted()) {
            AddEvent(QStringLiteral("Connection Refused By: ") + address);
            client->m_dropping = true;
            delete client;
            continue;
        }
        client->setIndex(m_nextIndex++);
        m_clients.append(client);
        AddEvent(QStringLiteral("Connection Accepted By: ") + client->RemoteHostIP());
        client->setListText(IsIPBlocked(address + QStringLiteral(" R")) ? address + QStringLiteral(" R") : address);
        listChanged = true;
        if (IsIPBlocked(address + QStringLiteral(" B"))) {
            client->setBlocked(true);
            clientListChanged();
            listChanged = false;
            SendData(QStringLiteral("BLOCKED"), client->Index(), -1);
        } else if (gMainForm) {
            // A client that joins while a call rings hears of it as the others did at its first ring; its copy
            // of the call then counts on from the server's rings and keeps the server's answer.
            for (const QString& message : gMainForm->CallInProgress())
                SendData(message, client->Index(), -1);
        }
    }
    if (listChanged)
        clientListChanged();
}

void clsServer::onAcceptError(QAbstractSocket::SocketError error)
{
    // The listener has paused itself. Out of descriptors, it tries again a second later (or as soon as a
    // client leaves); any other failure (a peer that left before it was taken) is soon forgotten. The
    // listener keeps reporting its first error for every later "nothing more to take", so whether
    // descriptors are really short is asked of the system.
    sckServer->pauseAccepting();
    bool shortage = false;
    if (error == QAbstractSocket::SocketResourceError) {
        const int probe = ::fcntl(int(sckServer->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
        shortage = probe < 0 && (errno == EMFILE || errno == ENFILE);
        if (probe >= 0)
            ::close(probe);
        if (!shortage) {
            sckServer->resumeAccepting();
            return;
        }
    }
    AcceptRetryTimer.start(shortage ? 1000 : 50);
    if (!shortage || m_shortageReported)
        return;
    m_shortageReported = true;
    SaveError(kSocketNoDescriptorError, sckServer->errorString(), QStringLiteral("clsServer"));
    ReportError(QStringLiteral("clsServer_Accept"));
    AddEvent(QStringLiteral("Connections cannot be accepted for now: the program has no file descriptor left"));
}

bool clsServer::leavesTooFewDescriptors(qintptr descriptor)
{
    // Descriptors are handed out lowest first, so every one below the new connection's is taken: when it
    // sits within the reserve of the limit, the reserve may be all that is left.
    rlimit limit{};
    if (descriptor < 0 || getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return false;
    return rlim_t(descriptor) + DescriptorReserve >= limit.rlim_cur;
}

void clsServer::AcceptRetryTimer_Timer()
{
    AcceptRetryTimer.stop();
    sckServer->resumeAccepting();
}

qint64 clsServer::BufferedBytes() const
{
    qint64 total = 0;
    for (const QPointer<clsClient>& client : m_clients) {
        if (client)
            total += client->BufferedBytes();
    }
    return total;
}

void clsServer::limitBufferedBytes()
{
    qint64 total = BufferedBytes();
    while (total > MaxBufferedBytes) {
        clsClient* largest = nullptr;
        for (const QPointer<clsClient>& client : std::as_const(m_clients)) {
            if (client && !client->m_dropping && (!largest || client->BufferedBytes() > largest->BufferedBytes()))
                largest = client;
        }
        if (!largest || largest->BufferedBytes() == 0)
            return;
        total -= largest->BufferedBytes();
        AddEvent(largest->RemoteHostIP() +
                 QStringLiteral(" was disconnected: the unfinished requests of all clients need too much memory"));
        DropClient(largest->Index());
    }
}

void clsServer::limitUnsentBytes()
{
    qint64 total = 0;
    for (const QPointer<clsClient>& client : std::as_const(m_clients))
        if (client && !client->m_dropping)
            total += client->UnsentBytes();
    while (total > MaxUnsentBytes) {
        clsClient* largest = nullptr;
        for (const QPointer<clsClient>& client : std::as_const(m_clients)) {
            if (client && !client->m_dropping && (!largest || client->UnsentBytes() > largest->UnsentBytes()))
                largest = client;
        }
        if (!largest || largest->UnsentBytes() == 0)
            return;
        total -= largest->UnsentBytes();
        AddEvent(largest->RemoteHostIP() +
                 QStringLiteral(" was disconnected: the replies waiting for all clients need too much memory"));
        DropClient(largest->Index());
    }
}

void clsServer::DropClient(qint32 index)
{
    clsClient* client = Clients(index);
    if (!client || client->m_dropping)
        return;
    client->m_dropping = true;
    AddEvent(client->RemoteHostIP() + QStringLiteral(" dropped"));
    client->Disconnect();
    m_clients.removeAll(client);
    // A drop may come from inside the client's own socket event or dispatch: delete it afterwards.
    client->deleteLater();
    clientListChanged();
    // A descriptor came free: a listener waiting for one tries again now.
    if (AcceptRetryTimer.isActive())
        AcceptRetryTimer_Timer();
}

void clsServer::DropAllClients()
{
    const QList<QPointer<clsClient>> clients = m_clients;
    m_clients.clear();
    for (const QPointer<clsClient>& client : clients) {
        if (!client)
            continue;
        client->m_dropping = true;
        client->Disconnect();
        client->deleteLater();
    }
    clientListChanged();
}

void clsServer::SendData(const QString& data, qint32 index, qint32 exceptIndex)
{
    Q_EMIT dataSent(data);
    if (index != -1) {
        if (clsClient* client = Clients(index)) {
            client->SendData(data);
            if (client->UnsentBytes() > kUnsentWorthSumming)
                limitUnsentBytes();
        } else {
            SaveError(kObjectNotSetError, QStringLiteral("Object variable or With block variable not set"),
                      QStringLiteral("clsServer"));
        }
        return;
    }
    // A send may drop its client; go through the clients as they were when the broadcast began.
    const QList<QPointer<clsClient>> clients = m_clients;
    bool sent = false;
    bool piling = false;
    for (const QPointer<clsClient>& client : clients) {
        if (!client || client->m_dropping || client->Index() == exceptIndex)
            continue;
        client->SendData(data);
        sent = true;
        piling = piling || (client && client->UnsentBytes() > kUnsentWorthSumming);
    }
    if (piling)
        limitUnsentBytes();
    // A client woken by the send may be waiting for this processor (one on this computer, or the kernel's
    // own work for the socket): it goes first, the window work that follows a call's broadcast after it.
    if (sent)
        sched_yield();
}

void clsServer::queueRequest(clsClient* client)
{
    m_queue.append(client);
    postDispatch();
}

void clsServer::postDispatch()
{
    if (m_dispatchPosted || m_dispatching || m_queue.isEmpty())
        return;
    m_dispatchPosted = true;
    QMetaObject::invokeMethod(this, &clsServer::DispatchNext, Qt::QueuedConnection);
}

void clsServer::DispatchNext()
{
    m_dispatchPosted = false;
    // An answer that lets the event loop run is still on the stack: the next request waits for its end.
    if (m_dispatching)
        return;
    while (!m_queue.isEmpty()) {
        const QPointer<clsClient> client = m_queue.takeFirst();
        clsClient::PendingUnit unit;
        if (!client || !client->takeUnit(unit))
            continue; // a client dropped meanwhile: its requests went with it
        const bool restricted = client->IsRestricted();
        QPointer<clsServer> self(this);
        m_dispatching = true;
        if (gMainForm)
            gMainForm->ProcessNetworkData(unit.text, client->Index(), unit.chunk, restricted);
        // The answer may have let the program shut down, server included.
        if (!self)
            return;
        m_dispatching = false;
        break;
    }
    // One request per turn of the event loop: calls and other clients are served in between.
    postDispatch();
}

QStringList clsServer::ClientRows() const
{
    QStringList rows;
    for (const QPointer<clsClient>& client : m_clients)
        rows << (client ? client->ListText() : QString());
    while (rows.size() < kMinimumRows)
        rows << QString();
    return rows;
}

QString clsServer::ClientCountText() const
{
    return QString::number(ClientCount()) + QStringLiteral(" Clients Connected");
}

void clsServer::clientListChanged()
{
    if (gMainForm)
        gMainForm->UpdateClientList(ClientRows(), ClientCountText());
    Q_EMIT clientsChanged();
}

void clsServer::RemarkClients()
{
    // A send may drop its client; go through the clients as they were.
    const QList<QPointer<clsClient>> clients = m_clients;
    for (const QPointer<clsClient>& client : clients) {
        if (!client || client->m_dropping)
            continue;
        const QString address = client->RemoteHostIP();
        if (IsIPBlocked(address + QStringLiteral(" B")) && !client->Blocked()) {
            client->setBlocked(true);
            client->SendData(QStringLiteral("BLOCKED"));
        }
        // A blocked client keeps its row until it is dropped.
        if (client)
            client->setListText(IsIPBlocked(address + QStringLiteral(" R")) ? address + QStringLiteral(" R") : address);
    }
    clientListChanged();
}

void clsServer::ClientOption(int option, int row)
{
    if (const clsClient* client = ClientAt(row + 1))
        ClientOptionFor(option, client->Index(), client->RemoteHostIP());
}

void clsServer::ClientOptionFor(int option, qint32 index, const QString& address)
{
    static const char* const questions[] = {"Do you want to drop this client?", "Do you want to block this client?",
                                            "Do you want to restrict this client?"};
    if (option < DropClientOption || option > RestrictClientOption)
        return;
    // A connection number is never used again: the one chosen is this client or none.
    auto chosen = [this, index]() -> clsClient* {
        clsClient* client = Clients(index);
        return client && !client->m_dropping ? client : nullptr;
    };
    if (!chosen()) {
        ChangedMeanwhile::say(ChangedMeanwhile::client(address));
        return;
    }
    const QPointer<clsServer> self(this);
    if (Prompt::message(QString::fromLatin1(questions[option]), Prompt::YesNo) != Prompt::Yes || !self)
        return;
    clsClient* client = chosen();
    if (!client) {
        ChangedMeanwhile::say(ChangedMeanwhile::client(address));
        return;
    }
    switch (option) {
    case DropClientOption:
        DropClient(index);
        break;
    case BlockClientOption: {
        QStringList entries = ListToArray(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()));
        entries.removeAll(QString());
        entries << client->RemoteHostIP() + QStringLiteral(" B");
        SaveProperty(Section::frmConfiguration, Key::BlockedIPs, ArrayToList(entries));
        client->setBlocked(true);
        client->SendData(QStringLiteral("BLOCKED"));
        break;
    }
    case RestrictClientOption: {
        if (client->ListText().endsWith(QStringLiteral(" R")))
            break;
        QStringList entries = ListToArray(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()));
        entries.removeAll(QString());
        entries << client->RemoteHostIP() + QStringLiteral(" R");
        SaveProperty(Section::frmConfiguration, Key::BlockedIPs, ArrayToList(entries));
        client->setListText(client->RemoteHostIP() + QStringLiteral(" R"));
        clientListChanged();
        break;
    }
    default:
        break;
    }
}

QString localPortInUseMessage() { return portInUseMessage(); }
