#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include "platform/PlainFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray kShowRequest = "SHOW\n";
const QByteArray kShownReply = "SHOWN\n";

QString systemReason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Removes what stands at one of our names when it is no plain file (with plainToo, a plain file too): a named
// pipe, a link (never what it leads to), a socket, a device node, an empty folder. Nothing there is opened. False,
// with why, when it stays: a folder that holds something, another user's in the shared temporary folder.
bool clearName(const QByteArray& path, bool plainToo, QString& why)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || (S_ISREG(info.st_mode) && !plainToo))
        return true;
    if (S_ISDIR(info.st_mode) ? ::rmdir(path.constData()) == 0 : ::unlink(path.constData()) == 0)
        return true;
    if (S_ISLNK(info.st_mode))
        why = QStringLiteral("it is a link, not a file");
    else if (S_ISREG(info.st_mode))
        why = systemReason(errno);
    else
        why = PlainFile::whyNotAFile(QFile::decodeName(path));
    if (why.isEmpty())
        why = QStringLiteral("it is not a file");
    return false;
}
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

QString SingleInstance::folder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info = {};
    // Only a folder that is the user's and nobody else's: in any other, another user can put something at our
    // names before we come.
    if (runtime.startsWith('/') && ::stat(runtime.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::getuid() && (info.st_mode & 077) == 0)
        return QFile::decodeName(runtime);
    return QDir::tempPath();
}

QString SingleInstance::lockPath(const QString& settingsKey)
{
    return folder() + QLatin1Char('/') + serverName(settingsKey) + QStringLiteral(".lock");
}

QString SingleInstance::socketPath(const QString& settingsKey)
{
    return folder() + QLatin1Char('/') + serverName(settingsKey);
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lock >= 0) {
        // Removed while still held: a later copy never locks a file that no longer has the name.
        ::unlink(m_lockFile.constData());
        ::close(m_lock);
        m_lock = -1;
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

int SingleInstance::lockFile(const QByteArray& path, bool& held, QString& why)
{
    // A few rounds: what stands at the name may change between a look and the opening.
    for (int round = 0; round < 5; ++round) {
        if (!clearName(path, false, why))
            return -1;
        // Never waits, never follows a link: should a pipe or a link have taken the name since, it fails or is
        // looked at below.
        const int fd =
            ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == ELOOP || errno == ENXIO)
                continue;
            why = systemReason(errno);
            return -1;
        }
        struct stat opened = {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            continue;
        }
        if (opened.st_uid != ::getuid()) {
            ::close(fd);
            why = QStringLiteral("it belongs to another user");
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int reason = errno;
            ::close(fd);
            held = reason == EWOULDBLOCK;
            if (!held)
                why = systemReason(reason);
            return -1;
        }
        // The copy before may have let go and removed the file between our opening and our lock.
        struct stat named = {};
        if (::lstat(path.constData(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev) {
            ::close(fd);
            continue;
        }
        // Who holds it, for a person who looks.
        const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(fd, 0) == 0)
            (void)!::write(fd, pid.constData(), size_t(pid.size()));
        return fd;
    }
    why = QStringLiteral("something else takes its name each time it is made");
    return -1;
}

bool SingleInstance::acquire(const QString& settingsKey, int timeoutMs)
{
    if (!m_key.isEmpty() && m_key == settingsKey)
        return true;
    release();

    m_answered = false;
    m_refusal.clear();
    const QString lock = lockPath(settingsKey);
    const QString socket = socketPath(settingsKey);
    bool held = false;
    QString why;
    const int fd = lockFile(QFile::encodeName(lock), held, why);
    if (held) {
        m_answered = askRunningCopy(socket, timeoutMs, true);
        return false;
    }
    if (fd < 0) {
        // The lock cannot be had (what stands there stays, the folder cannot be written): a copy that runs all
        // the same still comes forward; else this one runs without the guard rather than not at all.
        if (askRunningCopy(socket, timeoutMs, false)) {
            m_answered = true;
            return false;
        }
        m_refusal = lock + QStringLiteral(": ") + why;
    } else {
        m_lock = fd;
        m_lockFile = QFile::encodeName(lock);
    }

    m_key = settingsKey;
    // Holding the lock (or running without one), whatever stands at the socket's name is a leftover.
    if (!clearName(QFile::encodeName(socket), true, why)) {
        m_refusal += (m_refusal.isEmpty() ? QString() : QStringLiteral("; ")) + socket + QStringLiteral(": ") + why;
        return true;
    }
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socket)) {
        m_refusal += (m_refusal.isEmpty() ? QString() : QStringLiteral("; ")) + socket + QStringLiteral(": ") +
                     server->errorString();
        delete server;
        // Still the running copy: a later start will find the lock and simply give up.
        return true;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    m_socketFile = QFile::encodeName(server->fullServerName());
    m_server = server;
    return true;
}

bool SingleInstance::askRunningCopy(const QString& name, int timeoutMs, bool untilListening)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The running copy may still be starting and not listen yet: try again until the deadline.
    for (bool first = true; first || (untilListening && !deadline.hasExpired()); first = false) {
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
        if (untilListening)
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
