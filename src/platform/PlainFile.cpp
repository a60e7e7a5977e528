#include "platform/PlainFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
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

const QString kForeignLink = QStringLiteral("it is a link whose owner does not own the file it leads to");
const QString kSwapped = QStringLiteral("something else was put in its place meanwhile");

// The folders a process's descriptors are named in: the system opens what such a link stands for, which no path
// names ("pipe:[4711]").
bool namesDescriptors(const QString& folder)
{
    const QStringList parts = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.size() == 3 && parts.at(0) == QLatin1String("proc") && parts.at(2) == QLatin1String("fd");
}

QString linkText(const QString& link)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), buffer, sizeof buffer);
    return n > 0 && size_t(n) < sizeof buffer ? QFile::decodeName(QByteArray(buffer, int(n))) : QString();
}

} // namespace

QString ownerName(uid_t uid)
{
    struct passwd entry = {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("the user %1").arg(uid);
}

namespace {

// What makes a folder root's alone, run as root: root's, and no one else may change what it holds. A shared folder
// that only lets each user move their own entries (the temporary folder) may stand on the way to one, but never be
// it: there names are made and used beside ours that no judge sees (a store's companions, a scratch copy).
QString othersChange(const struct stat& info, bool holds)
{
    if (info.st_uid != 0)
        return QStringLiteral("belongs to ") + ownerName(info.st_uid) + QStringLiteral(", not to root");
    if ((info.st_mode & 022) != 0 && (holds || !(info.st_mode & S_ISVTX)))
        return QStringLiteral("can be changed by users other than root");
    return QString();
}

Way judge(const QString& path, bool holdsOurFiles)
{
    Way way;
    const bool asRoot = ::geteuid() == 0;
    const auto refuse = [&way](const QString& why, uid_t owner) {
        way.refusal = why;
        way.blockerOwner = owner;
    };
    // Each folder passed, with whether it is shared (others may add to it, each moving only their own entries).
    struct Folder {
        QString path;
        bool shared = false;
        struct stat info = {};
    };
    QList<Folder> folders;
    // As root, a folder is passed only where it is root's and no one else may change what it holds.
    const auto enter = [&](const QString& folder, const struct stat& info) {
        if (const QString why = othersChange(info, false); asRoot && !why.isEmpty()) {
            refuse(QStringLiteral("the folder ") + folder + QStringLiteral(" on the way to it ") + why, info.st_uid);
            return false;
        }
        folders.append({folder, (info.st_mode & 022) != 0, info});
        return true;
    };
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    QStringList pending = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    struct stat info = {};
    if (::stat("/", &info) != 0 || !enter(QStringLiteral("/"), info))
        return way;
    QList<uid_t> linkOwners;
    int linksFollowed = 0;
    // Where the walk ended: the folder the path names, the folder that holds (or will hold) the file it names, or
    // none yet (folders the program is still to make, which are its own).
    enum class End { NamesFolder, InFolder, Beyond } end = End::NamesFolder;
    const auto here = [&folders] { return folders.size() > 1 ? folders.last().path : QString(); };
    const auto rest = [&pending] {
        return pending.isEmpty() ? QString() : QLatin1Char('/') + pending.join(QLatin1Char('/'));
    };
    way.leadsTo = QStringLiteral("/");
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            if (folders.size() > 1)
                folders.removeLast();
            way.leadsTo = folders.size() > 1 ? here() : QStringLiteral("/");
            continue;
        }
        const QString candidate = here() + QLatin1Char('/') + name;
        way.leadsTo = candidate;
        const bool shared = folders.last().shared;
        if (::lstat(QFile::encodeName(candidate).constData(), &info) != 0) {
            // Nothing there yet: the write makes it, in a folder it was allowed to pass. Or something the write
            // fails on in its own words.
            way.leadsTo = candidate + rest();
            end = pending.isEmpty() ? End::InFolder : End::Beyond;
            break;
        }
        if (asRoot && shared && info.st_uid != 0) {
            refuse(candidate + QStringLiteral(" in the shared folder ") + folders.last().path +
                       QStringLiteral(" belongs to ") + ownerName(info.st_uid) + QStringLiteral(", not to root"),
                   info.st_uid);
            return way;
        }
        if (S_ISLNK(info.st_mode)) {
            // The system's to follow, or to give up on in its own words.
            if (namesDescriptors(here()) || ++linksFollowed > 40) {
                way.leadsTo = candidate + rest();
                way.systemFollows = true;
                end = End::Beyond;
                break;
            }
            if (asRoot && info.st_uid != 0) {
                refuse(QStringLiteral("the link ") + candidate + QStringLiteral(" on the way to it belongs to ") +
                           ownerName(info.st_uid) + QStringLiteral(", not to root"),
                       info.st_uid);
                return way;
            }
            linkOwners << info.st_uid;
            const QString target = linkText(candidate);
            if (target.isEmpty()) {
                way.leadsTo = candidate + rest();
                way.systemFollows = true;
                end = End::Beyond;
                break;
            }
            if (target.startsWith(QLatin1Char('/')))
                folders.resize(1);
            pending = target.split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!enter(candidate, info))
                return way;
            continue;
        }
        // A file (or what stands for one): the end of the way; the system refuses anything after it.
        way.leadsTo = candidate + rest();
        end = pending.isEmpty() ? End::InFolder : End::Beyond;
        break;
    }
    if (asRoot && holdsOurFiles && end != End::Beyond) {
        const Folder& holder = folders.last();
        if (const QString why = othersChange(holder.info, true); !why.isEmpty()) {
            refuse(end == End::NamesFolder
                       ? QStringLiteral("it ") + why
                       : QStringLiteral("the folder ") + holder.path + QStringLiteral(" that holds it ") + why,
                   holder.info.st_uid);
            return way;
        }
    }
    if (asRoot || linkOwners.isEmpty())
        return way;
    // Judged by the file the links really lead to.
    const QByteArray target = QFile::encodeName(way.leadsTo);
    if (::lstat(target.constData(), &info) != 0 &&
        ::stat(QFile::encodeName(QFileInfo(way.leadsTo).absolutePath()).constData(), &info) != 0)
        return way; // nowhere to write: the write fails in its own words
    for (const uid_t owner : std::as_const(linkOwners))
        if (owner != info.st_uid && owner != ::geteuid() && owner != 0) {
            refuse(kForeignLink, owner);
            break;
        }
    return way;
}

// The folder at names (a path with no link left in it, as a way's leadsTo), opened one name at a time and never
// through a link, so that what is opened is what was judged; with make, the folders missing on the way are made.
// Run as root each must still be root's alone (the last one holding our files), or something was put in its place
// since. -1 with why.
int openJudgedFolder(const QString& path, bool make, QString* why)
{
    const bool asRoot = ::geteuid() == 0;
    // A folder the program makes is one it accepts, whatever the umask: run as root nobody else may add to it.
    const mode_t mode = asRoot ? 0755 : 0777;
    const QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; fd >= 0 && i < names.size(); ++i) {
        const QByteArray name = QFile::encodeName(names.at(i));
        int next = ::openat(fd, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && make && (::mkdirat(fd, name.constData(), mode) == 0 || errno == EEXIST))
            next = ::openat(fd, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int reason = errno;
        ::close(fd);
        fd = next;
        struct stat info = {};
        if (fd >= 0 && asRoot && (::fstat(fd, &info) != 0 || !othersChange(info, i == names.size() - 1).isEmpty())) {
            ::close(fd);
            if (why)
                *why = kSwapped;
            return -1;
        }
        if (fd < 0 && why)
            *why = reason == ELOOP ? kSwapped : systemReason(reason);
    }
    return fd;
}

// Empties the open folder fd, never following a link in it: a link is removed, not what it leads to.
bool emptyFolder(int fd)
{
    const int listed = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!folder) {
        if (listed >= 0)
            ::close(listed);
        return false;
    }
    bool emptied = true;
    while (const struct dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat info = {};
        if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            const int inner = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            emptied = inner >= 0 && emptyFolder(inner) && emptied;
            if (inner >= 0)
                ::close(inner);
            emptied = ::unlinkat(fd, name, AT_REMOVEDIR) == 0 && emptied;
        } else {
            emptied = ::unlinkat(fd, name, 0) == 0 && emptied;
        }
    }
    ::closedir(folder);
    return emptied;
}

} // namespace

Way wayTo(const QString& path) { return judge(path, true); }

Way wayThrough(const QString& folder) { return judge(folder, false); }

bool makeFolders(const QString& path, QString* why)
{
    const Way way = wayTo(path);
    if (!way.refusal.isEmpty()) {
        if (why)
            *why = way.refusal;
        return false;
    }
    if (way.systemFollows) {
        if (QDir().mkpath(path))
            return true;
        if (why)
            *why = systemReason(errno);
        return false;
    }
    const int fd = openJudgedFolder(way.leadsTo, true, why);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool removeFolder(const QString& path, QString* why)
{
    // Judged by the folder that holds it: what stands at the name goes, a link itself and never what it leads to.
    const QFileInfo named(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
    const Way way = wayTo(named.absolutePath());
    if (!way.refusal.isEmpty() || way.systemFollows || named.fileName().isEmpty() ||
        named.fileName() == QLatin1String("..")) {
        if (why)
            *why = way.refusal.isEmpty() ? kSwapped : way.refusal;
        return false;
    }
    const int parent = openJudgedFolder(way.leadsTo, false, why);
    if (parent < 0)
        return false;
    const QByteArray name = QFile::encodeName(named.fileName());
    bool removed = true;
    const int fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        removed = emptyFolder(fd) && ::unlinkat(parent, name.constData(), AT_REMOVEDIR) == 0;
        ::close(fd);
    } else if (errno != ENOENT) {
        // A link or a file at the folder's name goes itself.
        removed = ::unlinkat(parent, name.constData(), 0) == 0 || errno == ENOENT;
    }
    const int reason = errno;
    ::close(parent);
    if (!removed && why)
        *why = systemReason(reason);
    return removed;
}

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
    QByteArray name = QFile::encodeName(path);
    int noFollow = 0;
    if ((flags & O_ACCMODE) != O_RDONLY) {
        const Way way = wayTo(path);
        if (!way.refusal.isEmpty()) {
            if (why)
                *why = way.refusal;
            return -1;
        }
        // The file the way was judged on, and never a link put in its place since.
        name = QFile::encodeName(way.leadsTo);
        noFollow = way.systemFollows ? 0 : O_NOFOLLOW;
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
    const int fd = ::open(name.constData(), flags | noFollow | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int reason = errno;
        if (why)
            *why = reason == ENXIO               ? notAFile(Kind::Pipe)
                   : reason == ELOOP && noFollow ? kSwapped
                                                 : systemReason(reason);
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

Bound keepWithin(const QString& path, qint64 maxBytes, qint64 adding, QString* why)
{
    const Way way = wayTo(path);
    if (!way.refusal.isEmpty()) {
        if (why)
            *why = way.refusal;
        return Bound::Refused;
    }
    const QByteArray file = QFile::encodeName(way.leadsTo);
    struct stat info = {};
    if (::lstat(file.constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size + adding < maxBytes)
        return Bound::Within;
    const QByteArray older = file + ".1";
    (void)::unlink(older.constData());
    if (::rename(file.constData(), older.constData()) == 0)
        return Bound::MovedAside;
    const int reason = errno;
    if (why)
        *why = systemReason(reason);
    // The file itself, never what was put at its name since.
    const int fd = ::open(file.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Bound::Within;
    struct stat opened = {};
    const bool same = ::fstat(fd, &opened) == 0 && opened.st_dev == info.st_dev && opened.st_ino == info.st_ino;
    const bool emptied = same && ::ftruncate(fd, 0) == 0;
    ::close(fd);
    return emptied ? Bound::Emptied : Bound::Within;
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

// The bound the system keeps process numbers under (they run up to one less); the most it ever can where it does
// not say.
qint64 highestProcessNumber()
{
    static const qint64 highest = [] {
        QFile limit(QStringLiteral("/proc/sys/kernel/pid_max"));
        bool read = false;
        const qint64 n = limit.open(QIODevice::ReadOnly) ? limit.readAll().trimmed().toLongLong(&read) : 0;
        return read && n > 0 ? n : qint64(4194304);
    }();
    return highest;
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
    // Only the number as the writer spells it (no sign, blank or leading zero), and one a process can have: a larger
    // one would wrap to another process's number where it is asked after.
    bool number = false;
    const qint64 pid = rest.left(dash).toLongLong(&number);
    return number && pid > 0 && pid < highestProcessNumber() && QString::number(pid) == rest.left(dash) ? pid : 0;
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
    const Way way = wayTo(path);
    if (!way.refusal.isEmpty()) {
        if (why)
            *why = way.refusal;
        return false;
    }
    const QString target = way.leadsTo;
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old = {};
    const bool existed =
        (way.systemFollows ? ::stat(targetName.constData(), &old) : ::lstat(targetName.constData(), &old)) == 0;
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

bool copyWhole(const QString& from, const QString& to, QString* why)
{
    QFile source;
    if (!openToRead(source, from, why))
        return false;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        if (why)
            *why = source.errorString();
        return false;
    }
    return replace(to, bytes, why);
}

void removeLeftovers(const QString& path)
{
    const Way way = wayTo(path);
    if (!way.refusal.isEmpty())
        return;
    const QFileInfo target(way.leadsTo);
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
