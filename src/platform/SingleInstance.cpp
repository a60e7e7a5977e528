#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <unistd.h>

namespace {
const QByteArray kShowRequest = "SHOW\n";
const QByteArray kShownReply = "SHOWN\n";
} // namespace

SingleInstance& SingleInstance::instance()
{
    static SingleInstance* s = new SingleInstance; // lives as long as the process
    return *s;
}

SingleInstance::~SingleInstance() { release(); }

QString SingleInstance::serverName(const QString& settingsKey)
{
    const QString canonical = QDir::cleanPath(QFileInfo(settingsKey).absoluteFilePath());
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("velquon-%1-").arg(::getuid()) + QString::fromLatin1(hash.left(20));
}

QString SingleInstance::lockPath(const QString& settingsKey)
{
    return QDir::tempPath() + QLatin1Char('/') + serverName(settingsKey) + QStringLiteral(".lock");
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lock) {
        m_lock->unlock();
        m_lock.reset();
    }
    m_key.clear();
    m_lockFile.clear();
    m_socketFile.clear();
}

void SingleInstance::removeFilesAtExit() const
{
    for (const QByteArray& file : {m_lockFile, m_socketFile})
        if (!file.isEmpty())
            ::unlink(file.constData());
}

bool SingleInstance::acquire(const QString& settingsKey, int timeoutMs)
{
    if (m_server && m_key == settingsKey)
        return true;
    release();

    m_answered = false;
    const QString name = serverName(settingsKey);
    auto lock = std::make_unique<QLockFile>(lockPath(settingsKey));
    // A running copy may hold the lock for weeks; only a lock whose process is gone is stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            m_answered = askRunningCopy(name, timeoutMs);
            return false;
        }
        // The lock file cannot be made at all (temp folder not writable): run without the guard rather
        // than not at all.
    } else {
        m_lockFile = QFile::encodeName(lock->fileName());
        m_lock = std::move(lock);
    }

    // Holding the lock, any socket of that name is a leftover of a killed copy.
    QLocalServer::removeServer(name);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        delete server;
        // Still the running copy: a later start will find the lock and simply give up.
        m_key = settingsKey;
        return true;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    m_socketFile = QFile::encodeName(server->fullServerName());
    m_server = server;
    m_key = settingsKey;
    return true;
}

bool SingleInstance::askRunningCopy(const QString& name, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The running copy may still be starting and not listen yet: try again until the deadline.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(kShowRequest);
            socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
            while (!socket.canReadLine() && !deadline.hasExpired())
                socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            const bool shown = socket.readLine() == kShownReply;
            socket.disconnectFromServer();
            return shown;
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            // Only one request is understood; a line of anything else is dropped with the connection.
            const QByteArray line = socket->readLine(64);
            if (line == kShowRequest && m_onActivate)
                m_onActivate();
            socket->write(line == kShowRequest ? kShownReply : QByteArray("?\n"));
            socket->flush();
            socket->disconnectFromServer();
        });
        // The request may have arrived before the slot was connected.
        if (socket->bytesAvailable() > 0)
            Q_EMIT socket->readyRead();
    }
}
