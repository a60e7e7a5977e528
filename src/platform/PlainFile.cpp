#include "platform/PlainFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace PlainFile {

namespace {

Kind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return Kind::Plain;
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISFIFO(mode))
        return Kind::Pipe;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return Kind::Device;
    if (S_ISSOCK(mode))
        return Kind::Socket;
    return Kind::Unknown;
}

bool welcome(Kind kind, mode_t mode, bool devicesToo) { return kind == Kind::Plain || (devicesToo && S_ISCHR(mode)); }

QString systemReason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Where a path leads through its links (relative ones taken from the link's folder), and whether we may follow them
// there: each link must be the running user's own or belong to the owner of the file it leads to (of the folder
// that file would be made in, while there is none). Run as root on a user's folder (sudo keeps the user's home),
// a link the user put at one of our names would otherwise have root write whatever file it names.
struct Leads {
    QString target;
    bool followed = true;
};

Leads followLinks(const QString& path)
{
    Leads leads{path};
    QList<uid_t> linkOwners;
    for (int link = 0; link < 40; ++link) {
        struct stat info = {};
        if (::lstat(QFile::encodeName(leads.target).constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        linkOwners << info.st_uid;
        leads.target = QFileInfo(leads.target).symLinkTarget();
    }
    if (linkOwners.isEmpty())
        return leads;
    struct stat target = {};
    if (::stat(QFile::encodeName(leads.target).constData(), &target) != 0 &&
        ::stat(QFile::encodeName(QFileInfo(leads.target).absolutePath()).constData(), &target) != 0)
        return leads; // nowhere to write: the write fails in its own words
    for (const uid_t owner : std::as_const(linkOwners))
        if (owner != target.st_uid && owner != ::geteuid())
            leads.followed = false;
    return leads;
}

const QString kForeignLink = QStringLiteral("it is a link whose owner does not own the file it leads to");

} // namespace

Kind kindOf(const QString& path)
{
    if (path.isEmpty())
        return Kind::Missing;
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        return kindOfMode(info.st_mode);
    return errno == ENOENT || errno == ENOTDIR ? Kind::Missing : Kind::Unknown;
}

QString whatItIs(Kind kind)
{
    switch (kind) {
    case Kind::Folder:
        return QStringLiteral("a folder");
    case Kind::Pipe:
        return QStringLiteral("a named pipe (FIFO)");
    case Kind::Device:
        return QStringLiteral("a device");
    case Kind::Socket:
        return QStringLiteral("a socket");
    case Kind::Missing:
    case Kind::Plain:
    case Kind::Unknown:
        break;
    }
    return QString();
}

QString notAFile(Kind kind)
{
    const QString what = whatItIs(kind);
    return what.isEmpty() ? QString() : QStringLiteral("it is ") + what + QStringLiteral(", not a file");
}

QString whyNotAFile(const QString& path) { return notAFile(kindOf(path)); }

QString whyLeadsNowhere(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    if (path.isEmpty() || ::lstat(name.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return QString();
    if (::stat(name.constData(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR))
        return QString();
    return QStringLiteral("it is a link to a file that does not exist");
}

int openDescriptor(const QString& path, int flags, bool devicesToo, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    if ((flags & O_ACCMODE) != O_RDONLY && !followLinks(path).followed) {
        if (why)
            *why = kForeignLink;
        return -1;
    }
    // Looked at first: opening some devices does something by itself (a tape rewinds, a modem hangs up).
    struct stat info = {};
    if (::stat(name.constData(), &info) == 0) {
        const Kind kind = kindOfMode(info.st_mode);
        if (!welcome(kind, info.st_mode, devicesToo)) {
            if (why)
                *why = kind == Kind::Unknown ? QStringLiteral("it is not a file") : notAFile(kind);
            return -1;
        }
    }
    // O_NONBLOCK: should the path have become a pipe since, the open fails or returns at once instead of
    // waiting for the pipe's other end.
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int reason = errno;
        if (why)
            *why = reason == ENXIO ? notAFile(Kind::Pipe) : systemReason(reason);
        return -1;
    }
    struct stat opened = {};
    const bool known = ::fstat(fd, &opened) == 0;
    const int reason = errno;
    if (!known || !welcome(kindOfMode(opened.st_mode), opened.st_mode, devicesToo)) {
        if (why) {
            const Kind kind = kindOfMode(opened.st_mode);
            *why = !known ? systemReason(reason)
                          : (kind == Kind::Unknown ? QStringLiteral("it is not a file") : notAFile(kind));
        }
        ::close(fd);
        return -1;
    }
    // Reads and writes of a file (or a device) wait as they should.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int openToWriteWithoutWaiting(const QString& path, int flags, QString* why)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0 && why) {
        // A named pipe opened to write without waiting fails so while nobody has it open to read.
        *why = errno == ENXIO ? QStringLiteral("nobody reads the named pipe") : systemReason(errno);
    }
    return fd;
}

bool openToRead(QFile& file, const QString& path, QString* why)
{
    const int fd = openDescriptor(path, O_RDONLY, false, why);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (why)
            *why = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

namespace {

// What every scratch copy of ours carries after the target's name, then the writing process's number and a mark of
// its own: "Velquon.ini.velquon-4711-aB3dE9". A later start knows by it what a killed write of ours left, and
// whether its writer still lives.
const QByteArray kScratchMark = QByteArrayLiteral(".velquon-");
constexpr int kScratchSuffixLength = 6;

// A name of its own beside the target, made by this call: whatever stood there before is never touched. Locked while
// it is written, so that a start of a copy that cannot see our process number (one in a process namespace of its
// own) does not take it for a leftover meanwhile.
int createBeside(const QString& target, QByteArray& name, int& reason)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QByteArray prefix = QFile::encodeName(target) + kScratchMark + QByteArray::number(qint64(::getpid())) + '-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray suffix(kScratchSuffixLength, 'x');
        for (char& c : suffix)
            c = letters[QRandomGenerator::global()->bounded(int(sizeof(letters) - 1))];
        name = prefix + suffix;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX);
            return fd;
        }
        if (errno != EEXIST) {
            reason = errno;
            return -1;
        }
    }
    reason = EEXIST;
    return -1;
}

// The writing process a scratch copy's name gives beside target's file name, or 0 when the name is no scratch copy
// of ours.
qint64 scratchWriter(const QString& scratch, const QString& targetName)
{
    const QString mark = targetName + QString::fromLatin1(kScratchMark);
    if (!scratch.startsWith(mark))
        return 0;
    const QString rest = scratch.mid(mark.size());
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    if (dash <= 0 || rest.size() - dash - 1 != kScratchSuffixLength)
        return 0;
    for (const QChar c : rest.mid(dash + 1)) {
        const char a = c.toLatin1();
        if (!((a >= '0' && a <= '9') || (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z')))
            return 0;
    }
    // Only the number as the writer spells it: no sign, blank or leading zero.
    bool number = false;
    const qint64 pid = rest.left(dash).toLongLong(&number);
    return number && pid > 0 && QString::number(pid) == rest.left(dash) ? pid : 0;
}

bool writeEverything(int fd, const QByteArray& bytes, int& reason)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            reason = ENOSPC;
            return false;
        } else if (errno != EINTR) {
            reason = errno;
            return false;
        }
    }
    return true;
}

} // namespace

bool replace(const QString& path, const QByteArray& bytes, QString* why)
{
    // The new content takes the place of the file the links lead to, so that a link stays a link.
    const Leads leads = followLinks(path);
    if (!leads.followed) {
        if (why)
            *why = kForeignLink;
        return false;
    }
    const QString target = leads.target;
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old = {};
    const bool existed = ::stat(targetName.constData(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        if (why) {
            const Kind kind = kindOfMode(old.st_mode);
            *why = kind == Kind::Unknown ? QStringLiteral("it is not a file") : notAFile(kind);
        }
        return false;
    }
    int reason = 0;
    // A file made read-only stays as it is, whoever we run as: root may write anything, and would.
    if (existed && (old.st_mode & 0222) == 0) {
        if (why)
            *why = systemReason(EACCES);
        return false;
    }
    if (existed && ::faccessat(AT_FDCWD, targetName.constData(), W_OK, AT_EACCESS) != 0) {
        if (why)
            *why = systemReason(errno);
        return false;
    }
    QByteArray scratch;
    const int fd = createBeside(target, scratch, reason);
    if (fd < 0) {
        if (why)
            *why = systemReason(reason);
        return false;
    }
    bool ok = true;
    // The file stays its owner's: run as root on a user's settings (sudo keeps the user's home), a file of root's
    // would lock the user out. Where we may not give it away, it is our own file anyway. Before the mode, which a
    // change of owner would strip of its set-id bits.
    if (existed && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
        (void)::fchown(fd, old.st_uid, old.st_gid);
    if (existed && ::fchmod(fd, old.st_mode & 07777) != 0) {
        reason = errno;
        ok = false;
    }
    ok = ok && writeEverything(fd, bytes, reason);
    // A file system that cannot sync at all says EINVAL; any other refusal means the bytes may not be there.
    if (ok && ::fsync(fd) != 0 && errno != EINVAL) {
        reason = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        reason = errno;
        ok = false;
    }
    if (ok && ::rename(scratch.constData(), targetName.constData()) != 0) {
        reason = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(scratch.constData());
        if (why)
            *why = systemReason(reason);
    }
    return ok;
}

void removeLeftovers(const QString& path)
{
    const Leads leads = followLinks(path);
    if (!leads.followed)
        return;
    const QFileInfo target(leads.target);
    const QString targetName = target.fileName();
    if (targetName.isEmpty())
        return;
    const QDir folder = target.absoluteDir();
    // Plain files only: what else bears such a name is not ours.
    const QStringList names = folder.entryList({targetName + QString::fromLatin1(kScratchMark) + QLatin1Char('*')},
                                               QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const qint64 writer = scratchWriter(name, targetName);
        if (writer == 0)
            continue;
        // A copy that still runs may be writing it now (or will rename it in a moment).
        if (::kill(pid_t(writer), 0) == 0 || errno == EPERM)
            continue;
        const QByteArray scratch = QFile::encodeName(folder.filePath(name));
        const int fd = ::open(scratch.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Held by its writer, a copy in a process namespace of its own, whose number means nothing here: not ours to
        // take.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(scratch.constData());
        ::close(fd);
    }
}

} // namespace PlainFile
