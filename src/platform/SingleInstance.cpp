#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include "platform/PlainFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// Whether the name still leads to the file open as fd: a lock file may be removed or replaced under its holder.
bool stillNamed(const QByteArray& path, int fd)
{
    struct stat named = {};
    struct stat opened = {};
    return ::lstat(path.constData(), &named) == 0 && ::fstat(fd, &opened) == 0 && named.st_ino == opened.st_ino &&
           named.st_dev == opened.st_dev;
}

// Gives up a lock: its name goes while it is still held, so a later copy never locks a file that no longer has
// the name; a name that leads elsewhere now (another copy's lock) stays.
void dropLock(const QByteArray& path, int fd)
{
    if (stillNamed(path, fd))
        ::unlink(path.constData());
    ::close(fd);
}

// A folder that is the user's and nobody else's: in any other, another user can put something at our names
// before we come.
bool usersAlone(const QByteArray& folder, bool followLink)
{
    struct stat info = {};
    return (followLink ? ::stat(folder.constData(), &info) : ::lstat(folder.constData(), &info)) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// What a lock file holds, for a later start and for a person who looks: the holder's process, then the socket it
// listens on, or an empty line and why it has none, one a line.
struct Record {
    qint64 process = 0;
    QString socket;
    QString silence;
};

QByteArray recordText(const QString& socket, const QString& silence)
{
    QByteArray text = QByteArray::number(qint64(::getpid())) + '\n';
    if (!socket.isEmpty())
        text += QFile::encodeName(socket) + '\n';
    else if (!silence.isEmpty())
        text += '\n' + silence.toUtf8() + '\n';
    return text;
}

// A descriptor opened only to read (another user's file, a read-only mount) keeps what the holder before wrote.
void writeRecord(int fd, const QByteArray& text)
{
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, text.constData(), size_t(text.size()), 0);
}

// The record of the lock file at path; empty when it cannot be read. Opened the way that never waits on what
// stands there.
Record readRecord(const QString& path)
{
    Record record;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return record;
    struct stat info = {};
    char buffer[4096];
    const ssize_t n = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? ::pread(fd, buffer, sizeof buffer, 0) : -1;
    ::close(fd);
    if (n <= 0)
        return record;
    // Only whole lines: the holder may be writing them now.
    const QList<QByteArray> lines = QByteArray(buffer, n).split('\n');
    if (lines.size() > 1)
        record.process = lines.at(0).toLongLong();
    if (lines.size() > 2 && lines.at(1).startsWith('/'))
        record.socket = QFile::decodeName(lines.at(1));
    else if (lines.size() > 3 && lines.at(1).isEmpty())
        record.silence = QString::fromUtf8(lines.at(2));
    return record;
}

// The process that holds the system's lock on the file open as fd, as the system lists its locks; 0 when it is
// not listed there (another kind of file system).
qint64 lockingProcess(int fd)
{
    struct stat info = {};
    const int list = ::open("/proc/locks", O_RDONLY | O_CLOEXEC);
    if (list < 0 || ::fstat(fd, &info) != 0) {
        if (list >= 0)
            ::close(list);
        return 0;
    }
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(list, buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(list);
    // "1: FLOCK  ADVISORY  WRITE 1234 08:02:131 0 EOF"; a waiter's line has "->" before its kind.
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        unsigned deviceMajor = 0;
        unsigned deviceMinor = 0;
        unsigned long long inode = 0;
        if (fields.size() > 5 && fields.at(1) == "FLOCK" &&
            std::sscanf(fields.at(5).constData(), "%x:%x:%llu", &deviceMajor, &deviceMinor, &inode) == 3 &&
            deviceMajor == major(info.st_dev) && deviceMinor == minor(info.st_dev) && inode == info.st_ino)
            return fields.at(4).toLongLong();
    }
    return 0;
}

// The process at the other end of a connected local socket: the one that listens there.
qint64 peerProcess(qintptr descriptor)
{
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 ? qint64(peer.pid) : 0;
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

struct SingleInstance::Lock {
    QString folder;
    QByteArray file;
    int fd = -1;
    // The folder's own identity: one lock a folder, whatever path leads to it.
    dev_t device = 0;
    ino_t inode = 0;
    bool settings = false;
};

struct SingleInstance::Answer {
    // Something listens at the socket: a running copy.
    bool reached = false;
    bool shown = false;
    qint64 process = 0;
    // Why the running copy has no socket, as its lock file says.
    QString silence;
};

SingleInstance& SingleInstance::instance()
{
    static SingleInstance* s = new SingleInstance; // lives as long as the process
    return *s;
}

SingleInstance::SingleInstance() = default;

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
    if (runtime.startsWith('/') && usersAlone(runtime, true))
        return QFile::decodeName(runtime);
    // The temporary folder is everybody's: the socket goes in a folder of the user's own made there. A TMPDIR that
    // names no folder by its full path leaves the system's own (Qt would answer an empty path for it, which puts
    // the socket in the root folder).
    const QByteArray tmpdir = qgetenv("TMPDIR");
    struct stat info = {};
    QByteArray temporary = "/tmp";
    if (tmpdir.startsWith('/') && ::stat(tmpdir.constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
        const QString canonical = QDir(QFile::decodeName(tmpdir)).canonicalPath();
        if (!canonical.isEmpty())
            temporary = QFile::encodeName(canonical);
    }
    const QByteArray own = temporary + "/velquon-" + QByteArray::number(::getuid());
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    // Ours, but left open to others (made by hand): closed again.
    if (::lstat(own.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 077) != 0)
        ::chmod(own.constData(), 0700);
    return usersAlone(own, false) ? QFile::decodeName(own) : QString();
}

QString SingleInstance::lockPath(const QString& settingsKey)
{
    const QFileInfo settings(QDir::cleanPath(QFileInfo(settingsKey).absoluteFilePath()));
    return settings.absolutePath() + QLatin1Char('/') + settings.completeBaseName() + QStringLiteral(".lock");
}

QString SingleInstance::folderLockPath(const QString& folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + QStringLiteral("/Velquon.lock");
}

QString SingleInstance::socketPath(const QString& settingsKey)
{
    QString folder = socketFolder();
    // Neither folder could be had (another user took the name in the temporary folder first): the settings'
    // folder is the user's own too.
    if (folder.isEmpty())
        folder = QFileInfo(lockPath(settingsKey)).absolutePath();
    return folder + QLatin1Char('/') + serverName(settingsKey);
}

bool SingleInstance::showRunningCopy(const QString& settingsKey, int timeoutMs)
{
    return askRunningCopy(lockPath(settingsKey), socketPath(settingsKey), timeoutMs, false).shown;
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    m_socketName.reset();
    for (const Lock& lock : m_locks)
        dropLock(lock.file, lock.fd);
    m_locks.clear();
    delete m_watcher;
    m_watcher = nullptr;
    m_key.clear();
    m_socketFile.clear();
    m_socket.clear();
}

void SingleInstance::removeFilesAtExit() const
{
    for (const Lock& lock : m_locks)
        if (stillNamed(lock.file, lock.fd))
            ::unlink(lock.file.constData());
    if (!m_socketFile.isEmpty())
        ::unlink(m_socketFile.constData());
}

int SingleInstance::lockFile(const QByteArray& path, bool& held, QString& why, qint64* holder)
{
    // Only where the program may write: run as root, never in a folder another user controls. A link at the name
    // is taken away below, never followed: only its folder counts then.
    const QFileInfo name(QFile::decodeName(path));
    if (const QString refusal = PlainFile::wayTo(name.isSymLink() ? name.absolutePath() : name.filePath()).refusal;
        !refusal.isEmpty()) {
        why = refusal;
        return -1;
    }
    // A few rounds: what stands at the name may change between a look and the opening.
    for (int round = 0; round < 5; ++round) {
        if (!clearName(path, false, why))
            return -1;
        // Never waits, never follows a link: should a pipe or a link have taken the name since, it fails or is
        // looked at below. Readable by all, so that a copy started as another user (su, sudo -u) on these
        // settings finds it taken too.
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
        // Another user's file, or a read-only mount: a lock needs no right to write, and the system locks a file
        // opened only to read just the same.
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            const int refused = errno;
            fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            // Nothing there, in a folder that cannot be written: that is the reason to say.
            if (fd < 0 && errno == ENOENT)
                errno = refused;
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
            held = reason == EWOULDBLOCK;
            // The system knows who holds it; the holder's own record, which it may not have been able to write,
            // only when the system does not say.
            if (held && holder) {
                *holder = lockingProcess(fd);
                if (*holder == 0)
                    *holder = readRecord(QFile::decodeName(path)).process;
            }
            ::close(fd);
            if (!held)
                why = systemReason(reason);
            return -1;
        }
        // The copy before may have let go and removed the file between our opening and our lock.
        if (!stillNamed(path, fd)) {
            ::close(fd);
            continue;
        }
        return fd;
    }
    why = QStringLiteral("something else takes its name each time it is made");
    return -1;
}

void SingleInstance::keep(const QString& folder, const QByteArray& file, int fd, bool settings)
{
    struct stat info = {};
    (void)::stat(QFile::encodeName(folder).constData(), &info);
    m_locks.push_back(Lock{folder, file, fd, info.st_dev, info.st_ino, settings});
    writeRecord(fd, recordText(m_socket, m_unreachable));
    // A lock file removed or replaced while this copy runs would let another copy run beside it: the folder's
    // changes are watched, and the lock taken back at its name.
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SingleInstance::takeBackLocks);
    }
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
}

void SingleInstance::writeRecords() const
{
    const QByteArray text = recordText(m_socket, m_unreachable);
    for (const Lock& lock : m_locks)
        writeRecord(lock.fd, text);
}

void SingleInstance::takeBackLocks()
{
    const QByteArray text = recordText(m_socket, m_unreachable);
    for (Lock& lock : m_locks) {
        if (stillNamed(lock.file, lock.fd))
            continue;
        bool held = false;
        QString why;
        // Another process that holds it now, or a name that cannot be cleared: tried again at the folder's next
        // change. The old lock is kept meanwhile: it still keeps out every start that finds it.
        const int fd = lockFile(lock.file, held, why, nullptr);
        if (fd < 0)
            continue;
        ::close(lock.fd);
        lock.fd = fd;
        writeRecord(fd, text);
    }
}

SingleInstance::FolderLock SingleInstance::holdFolder(const QString& folder, QString* why, qint64* holder)
{
    struct stat info = {};
    const bool found = ::stat(QFile::encodeName(folder).constData(), &info) == 0;
    if (!found || !S_ISDIR(info.st_mode)) {
        if (why)
            *why = found ? QStringLiteral("it is not a folder") : systemReason(errno);
        return FolderLock::CannotBeHad;
    }
    for (const Lock& lock : m_locks)
        if (lock.device == info.st_dev && lock.inode == info.st_ino)
            return FolderLock::Held;
    const QByteArray file = QFile::encodeName(folderLockPath(folder));
    bool held = false;
    QString reason;
    qint64 process = 0;
    const int fd = lockFile(file, held, reason, &process);
    if (held) {
        if (holder)
            *holder = process;
        return FolderLock::HeldByAnother;
    }
    if (fd < 0) {
        if (why)
            *why = reason;
        return FolderLock::CannotBeHad;
    }
    keep(folder, file, fd, false);
    return FolderLock::Held;
}

void SingleInstance::keepFolders(const QStringList& folders)
{
    std::vector<std::pair<dev_t, ino_t>> kept;
    for (const QString& folder : folders) {
        struct stat info = {};
        if (::stat(QFile::encodeName(folder).constData(), &info) == 0)
            kept.emplace_back(info.st_dev, info.st_ino);
    }
    for (auto it = m_locks.begin(); it != m_locks.end();) {
        const std::pair<dev_t, ino_t> identity(it->device, it->inode);
        if (it->settings || std::find(kept.begin(), kept.end(), identity) != kept.end()) {
            ++it;
            continue;
        }
        dropLock(it->file, it->fd);
        if (m_watcher)
            m_watcher->removePath(it->folder);
        it = m_locks.erase(it);
    }
}

QStringList SingleInstance::heldFolders() const
{
    QStringList folders;
    for (const Lock& lock : m_locks)
        if (!lock.settings)
            folders << lock.folder;
    return folders;
}

bool SingleInstance::holdsFolder(const QString& folder) const
{
    struct stat info = {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    // The settings' lock is its folder's lock. And a lock keeps others out only while it is the file at the lock's
    // name: one removed or replaced meanwhile (until it is taken back) keeps out nobody who comes now.
    return std::any_of(m_locks.cbegin(), m_locks.cend(), [&info](const Lock& lock) {
        return lock.device == info.st_dev && lock.inode == info.st_ino && stillNamed(lock.file, lock.fd);
    });
}

void SingleInstance::noteRunningCopy(const Answer& answer, qint64 holder)
{
    m_answered = answer.shown;
    m_holder = answer.process > 0 ? answer.process : holder;
    if (answer.shown)
        m_silence.clear();
    else if (!answer.silence.isEmpty())
        m_silence = QStringLiteral("could not make its socket (") + answer.silence + QLatin1Char(')');
    else
        m_silence = QStringLiteral("does not answer");
}

bool SingleInstance::acquire(const QString& settingsKey, int timeoutMs)
{
    if (!m_key.isEmpty() && m_key == settingsKey)
        return true;
    release();

    m_answered = false;
    m_holder = 0;
    m_refusal.clear();
    m_unreachable.clear();
    m_silence.clear();
    const QString lock = lockPath(settingsKey);
    const QByteArray lockName = QFile::encodeName(lock);
    const QString socket = socketPath(settingsKey);
    bool held = false;
    QString why;
    qint64 holder = 0;
    const int fd = lockFile(lockName, held, why, &holder);
    if (held) {
        noteRunningCopy(askRunningCopy(lock, socket, timeoutMs, true), holder);
        return false;
    }
    // Without the lock nothing keeps a second copy from running beside this one on the same settings and stores.
    if (fd < 0) {
        m_refusal = why;
        return false;
    }
    // A running copy whose lock file was removed or replaced since (it takes it back once it notices) still
    // listens at its socket: this one must not run beside it.
    if (const Answer running = askRunningCopy(QString(), socket, timeoutMs, false); running.reached) {
        dropLock(lockName, fd);
        noteRunningCopy(running, 0);
        return false;
    }
    m_key = settingsKey;
    keep(QFileInfo(lock).absolutePath(), lockName, fd, true);

    // Holding the lock, whatever stands at the socket's name is a leftover. A socket that cannot be made only
    // keeps a later start from bringing this copy forward: the lock still keeps it from running. The lock file
    // says why, so that a later start need not wait for an answer.
    if (!clearName(QFile::encodeName(socket), true, why)) {
        m_unreachable = socket + QStringLiteral(": ") + why;
        writeRecords();
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
        writeRecords();
        return true;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    m_socketFile = QFile::encodeName(socket);
    m_socket = socket;
    m_server = server;
    m_socketName = std::move(name);
    writeRecords();
    return true;
}

SingleInstance::Answer SingleInstance::askRunningCopy(const QString& lock, const QString& fallback, int timeoutMs,
                                                      bool untilListening)
{
    Answer answer;
    const QDeadlineTimer deadline(timeoutMs);
    // The running copy may still be starting and not listen yet, nor have named its socket: try again until the
    // deadline. What the lock names may be out of date (a holder that could not write it), or out of reach (another
    // user's runtime folder): where this start would listen comes next.
    for (bool first = true; first || (untilListening && !deadline.hasExpired()); first = false) {
        const Record record = lock.isEmpty() ? Record() : readRecord(lock);
        QStringList candidates{record.socket, fallback};
        candidates.removeAll(QString());
        candidates.removeDuplicates();
        for (const QString& candidate : std::as_const(candidates)) {
            const SocketName name(candidate);
            QLocalSocket socket;
            socket.connectToServer(name.name());
            if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
                answer.reached = true;
                answer.process = peerProcess(socket.socketDescriptor());
                socket.write(kShowRequest);
                socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
                while (!socket.canReadLine() && !deadline.hasExpired())
                    socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
                answer.shown = socket.readLine() == kShownReply;
                socket.disconnectFromServer();
                return answer;
            }
        }
        // A holder that could make no socket says so in its lock file: there is nothing to wait for.
        if (!record.silence.isEmpty()) {
            answer.silence = record.silence;
            return answer;
        }
        if (untilListening)
            QThread::msleep(50);
    }
    return answer;
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
