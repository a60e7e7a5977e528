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
#include <sys/un.h>
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

// The name the system takes for the socket at a path. A socket's name has room for 108 bytes, two of which Qt
// keeps for itself, while its folder may be any length (a long temporary or runtime folder): a longer path is
// reached through a descriptor of its folder, which stays open while the name serves.
class SingleInstance::SocketName {
public:
    explicit SocketName(const QString& path)
    {
        if (size_t(QFile::encodeName(path).size()) + 2 <= sizeof(sockaddr_un::sun_path)) {
            m_name = path;
            return;
        }
        const QFileInfo file(path);
        m_folder = ::open(QFile::encodeName(file.absolutePath()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        m_name = m_folder >= 0 ? QStringLiteral("/proc/self/fd/%1/%2").arg(m_folder).arg(file.fileName()) : path;
    }
    ~SocketName()
    {
        if (m_folder >= 0)
            ::close(m_folder);
    }
    SocketName(const SocketName&) = delete;
    SocketName& operator=(const SocketName&) = delete;

    const QString& name() const { return m_name; }

private:
    int m_folder = -1;
    QString m_name;
};

namespace {

// What the lock file holds, for a later start and for a person who looks: the holder's process and the socket
// it listens on, one a line.
QByteArray lockRecord(const QString& socket)
{
    return QByteArray::number(qint64(::getpid())) + '\n' +
           (socket.isEmpty() ? QByteArray() : QFile::encodeName(socket) + '\n');
}

void writeRecord(int fd, const QString& socket)
{
    const QByteArray record = lockRecord(socket);
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, record.constData(), size_t(record.size()), 0);
}

// The socket the holder of the lock file at path listens on; empty when it names none (yet), or when the file
// cannot be read. Opened the way that never waits on what stands there.
QString recordedSocket(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return QString();
    struct stat info = {};
    char buffer[4096];
    const ssize_t n = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? ::pread(fd, buffer, sizeof buffer, 0) : -1;
    ::close(fd);
    if (n <= 0)
        return QString();
    // Only a whole line: the holder may be writing it now.
    const QList<QByteArray> lines = QByteArray(buffer, n).split('\n');
    return lines.size() > 2 && lines.at(1).startsWith('/') ? QFile::decodeName(lines.at(1)) : QString();
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

QString SingleInstance::socketFolder()
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
    const QFileInfo settings(QDir::cleanPath(QFileInfo(settingsKey).absoluteFilePath()));
    return settings.absolutePath() + QLatin1Char('/') + settings.completeBaseName() + QStringLiteral(".lock");
}

QString SingleInstance::socketPath(const QString& settingsKey)
{
    return socketFolder() + QLatin1Char('/') + serverName(settingsKey);
}

bool SingleInstance::showRunningCopy(const QString& settingsKey, int timeoutMs)
{
    return askRunningCopy(lockPath(settingsKey), socketPath(settingsKey), timeoutMs, false);
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    m_socketName.reset();
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
        // looked at below. Readable by all, so that a copy started as another user (su, sudo -u) on these
        // settings finds it taken too: a lock needs no right to write.
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EACCES) {
            fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            // Nothing there, in a folder that cannot be written: that is the reason to say.
            if (fd < 0 && errno == ENOENT)
                errno = EACCES;
        }
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
        writeRecord(fd, QString());
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
    m_unreachable.clear();
    const QString lock = lockPath(settingsKey);
    const QString socket = socketPath(settingsKey);
    bool held = false;
    QString why;
    const int fd = lockFile(QFile::encodeName(lock), held, why);
    if (held) {
        m_answered = askRunningCopy(lock, socket, timeoutMs, true);
        return false;
    }
    // Without the lock nothing keeps a second copy from running beside this one on the same settings and stores.
    if (fd < 0) {
        m_refusal = why;
        return false;
    }
    m_lock = fd;
    m_lockFile = QFile::encodeName(lock);
    m_key = settingsKey;

    // Holding the lock, whatever stands at the socket's name is a leftover. A socket that cannot be made only
    // keeps a later start from bringing this copy forward: the lock still keeps it from running.
    if (!clearName(QFile::encodeName(socket), true, why)) {
        m_unreachable = socket + QStringLiteral(": ") + why;
        return true;
    }
    auto name = std::make_unique<SocketName>(socket);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name->name())) {
        // Qt names its own function before the system's reason.
        QString reason = server->errorString();
        reason.remove(QStringLiteral("QLocalServer::listen: "));
        m_unreachable = socket + QStringLiteral(": ") + reason;
        delete server;
        return true;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    m_socketFile = QFile::encodeName(socket);
    m_server = server;
    m_socketName = std::move(name);
    writeRecord(m_lock, socket);
    return true;
}

bool SingleInstance::askRunningCopy(const QString& lock, const QString& fallback, int timeoutMs, bool untilListening)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The running copy may still be starting and not listen yet, nor have named its socket: try again until the
    // deadline. What the lock names may be out of date (a holder that could not write it), or out of reach (another
    // user's runtime folder): where this start would listen comes next.
    for (bool first = true; first || (untilListening && !deadline.hasExpired()); first = false) {
        QStringList candidates{recordedSocket(lock), fallback};
        candidates.removeAll(QString());
        candidates.removeDuplicates();
        for (const QString& candidate : std::as_const(candidates)) {
            const SocketName name(candidate);
            QLocalSocket socket;
            socket.connectToServer(name.name());
            if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
                socket.write(kShowRequest);
                socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
                while (!socket.canReadLine() && !deadline.hasExpired())
                    socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
                const bool shown = socket.readLine() == kShownReply;
                socket.disconnectFromServer();
                return shown;
            }
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
