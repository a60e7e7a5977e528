#include "platform/PlainFile.h"

#include <QFile>

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

} // namespace PlainFile
