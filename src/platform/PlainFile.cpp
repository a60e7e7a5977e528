#include "platform/PlainFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The file a path leads to through its links (relative ones taken from the link's folder), so that the new content
// takes the target's place and the link stays a link.
QString finalTarget(const QString& path)
{
    QString target = path;
    for (int link = 0; link < 40; ++link) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

// A name of its own beside the target, made by this call: whatever stood there before is never touched.
int createBeside(const QString& target, QByteArray& name, int& reason)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray suffix(6, 'x');
        for (char& c : suffix)
            c = letters[QRandomGenerator::global()->bounded(int(sizeof(letters) - 1))];
        name = QFile::encodeName(target) + '.' + suffix;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            reason = errno;
            return -1;
        }
    }
    reason = EEXIST;
    return -1;
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
    const QString target = finalTarget(path);
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
    // A file its owner made read-only stays as it is, whoever we run as.
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

} // namespace PlainFile
