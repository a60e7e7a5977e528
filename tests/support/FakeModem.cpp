#include "FakeModem.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

FakeModem::FakeModem(QObject* parent) : QObject(parent)
{
    if (!openLine())
        return;
    m_linkPath = QDir::tempPath() + QStringLiteral("/velquon-usb-serial-%1-%2")
                                        .arg(QCoreApplication::applicationPid())
                                        .arg(QFileInfo(m_slavePath).fileName());
    QFile::remove(m_linkPath);
    QFile::link(m_slavePath, m_linkPath);
}

bool FakeModem::plugBackLikeUsb()
{
    unplug();
    if (!openLine())
        return false;
    // The adapter's node comes back under its persistent name, now naming the new terminal.
    QFile::remove(m_linkPath);
    return QFile::link(m_slavePath, m_linkPath);
}

bool FakeModem::openLine()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    // Raw on both sides: no CR/LF translation, no echo, so the bytes seen are the bytes written.
    termios t{};
    if (tcgetattr(m_slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // A program this process starts (the program itself, in a test) must not hold the line through the fake's
    // own ends of it.
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FakeModem::readMaster);
    watchLine();
    return true;
}

void FakeModem::watchLine()
{
    m_held = false;
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0)
        return;
    if (inotify_add_watch(m_watch, QFile::encodeName(m_slavePath).constData(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(m_watch);
        m_watch = -1;
        return;
    }
    m_watchNotifier = new QSocketNotifier(m_watch, QSocketNotifier::Read, this);
    connect(m_watchNotifier, &QSocketNotifier::activated, this, &FakeModem::readWatch);
}

void FakeModem::readWatch()
{
    if (m_watch < 0)
        return;
    // The events only say that someone opened or closed the line: the system merges identical ones that wait
    // unread, so they cannot be counted. Who holds the line is looked up instead, once they are all read.
    bool changed = false;
    alignas(inotify_event) char buf[4096];
    while (::read(m_watch, buf, sizeof buf) > 0)
        changed = true;
    if (!changed)
        return;
    const bool held = othersHoldLine();
    if (held == m_held)
        return;
    m_held = held;
    if (held) {
        Q_EMIT lineOpened();
        return;
    }
    // A real port that closes keeps nothing of what came and was not read.
    if (m_slave >= 0 && !m_deliversWhileClosed)
        tcflush(m_slave, TCIFLUSH);
    Q_EMIT lineClosed();
}

bool FakeModem::othersHoldLine() const
{
    if (m_slavePath.isEmpty())
        return false;
    const QByteArray line = QFile::encodeName(m_slavePath);
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    const QByteArray ownSlave = QByteArray::number(m_slave);
    auto digits = [](const char* name) { return std::isdigit(static_cast<unsigned char>(name[0])) != 0; };
    // Every descriptor of every process this one may look at, but the fake's own end of the line. Nothing is
    // opened or stat'ed: a link's text names its file without touching it, whatever file system it is on.
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return true;
    bool held = false;
    while (!held) {
        const dirent* process = ::readdir(processes);
        if (!process)
            break;
        if (!digits(process->d_name))
            continue;
        const QByteArray pid(process->d_name);
        const QByteArray folder = "/proc/" + pid + "/fd/";
        DIR* fds = ::opendir(folder.constData());
        if (!fds)
            continue;
        while (const dirent* fd = ::readdir(fds)) {
            if (!digits(fd->d_name) || (pid == self && ownSlave == fd->d_name))
                continue;
            char target[PATH_MAX];
            const ssize_t n = ::readlink((folder + fd->d_name).constData(), target, sizeof target);
            if (n == line.size() && std::memcmp(target, line.constData(), size_t(n)) == 0) {
                held = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(processes);
    return held;
}

FakeModem::~FakeModem()
{
    QFile::remove(m_linkPath);
    unplug();
    if (m_slave >= 0)
        ::close(m_slave);
}

void FakeModem::unplug()
{
    if (m_watchNotifier) {
        m_watchNotifier->setEnabled(false);
        delete m_watchNotifier;
        m_watchNotifier = nullptr;
    }
    if (m_watch >= 0) {
        ::close(m_watch);
        m_watch = -1;
    }
    m_held = false;
    if (m_notifier) {
        m_notifier->setEnabled(false);
        delete m_notifier;
        m_notifier = nullptr;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    // The slave end is kept by the fake itself as long as the master lives, so that the program's own open
    // and close never hang the line up; once the master is gone the slave must go too, or reads would block
    // instead of failing.
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

bool FakeModem::unplugLikeUsb()
{
    QFile::remove(m_linkPath);
    if (m_slavePath.isEmpty())
        return false;
    // vhangup() hangs up the caller's controlling terminal: a child makes the pseudo-terminal its own first.
    const QByteArray path = m_slavePath.toLocal8Bit();
    const pid_t child = fork();
    if (child == 0) {
        // The hang-up signals the terminal's session, which is this child's: it has nothing to clean up.
        signal(SIGHUP, SIG_IGN);
        setsid();
        const int fd = ::open(path.constData(), O_RDWR);
        if (fd < 0 || ioctl(fd, TIOCSCTTY, 0) != 0)
            _exit(1);
        _exit(vhangup() == 0 ? 0 : 2);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void FakeModem::setReply(const QString& command, const QString& text, int delayMs)
{
    m_standing.insert(command.toUpper(), Reply{text, delayMs});
}

void FakeModem::queueReply(const QString& command, const QString& text, int delayMs)
{
    m_queued[command.toUpper()].enqueue(Reply{text, delayMs});
}

void FakeModem::setDefaultReply(const QString& text, int delayMs) { m_default = Reply{text, delayMs}; }

QByteArray FakeModem::inject(const QByteArray& bytes)
{
    const char* lost = nullptr;
    qsizetype done = 0;
    if (m_master < 0)
        lost = "the modem is unplugged";
    else if (!lineHeld() && !m_deliversWhileClosed)
        lost = "the port is closed";
    while (!lost && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n >= 0) {
            done += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            lost = "the line failed";
            break;
        }
        // The line is full, and nobody takes from it while the port is closed.
        if (!lineHeld()) {
            lost = "the line is full and the port is closed";
            break;
        }
        // Let the program, which reads on this same thread, take what is there.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!lineHeld() && !m_deliversWhileClosed)
            lost = "the port was closed";
    }
    const QByteArray dropped = bytes.mid(done);
    if (!lost || dropped.isEmpty())
        return QByteArray();
    qWarning().nospace() << "FakeModem dropped " << dropped << ": " << lost;
    return dropped;
}

int FakeModem::unreadBytes() const
{
    // The fake keeps the slave end open itself, and every open of a terminal shares its input queue.
    int count = 0;
    if (m_slave < 0 || ioctl(m_slave, FIONREAD, &count) != 0)
        return -1;
    return count;
}

QByteArray FakeModem::injectLine(const QString& line) { return inject("\r\n" + line.toUtf8() + "\r\n"); }

QStringList FakeModem::callLines(const QString& number, const QString& name, const QString& date, const QString& time)
{
    return {QStringLiteral("DATE = ") + date, QStringLiteral("TIME = ") + time, QStringLiteral("NMBR = ") + number,
            QStringLiteral("NAME = ") + name};
}

int FakeModem::count(const QString& command) const { return int(m_commands.count(command)); }

void FakeModem::clearReceived()
{
    m_received.clear();
    m_commands.clear();
}

void FakeModem::readMaster()
{
    // The opening of the port comes before anything the program writes on it.
    readWatch();
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            // EIO: nobody holds the slave open (the program closed its port); not an error for a modem.
            break;
        }
        m_received.append(buf, n);
        m_partial.append(buf, n);
    }
    qsizetype cr;
    while ((cr = m_partial.indexOf('\r')) >= 0) {
        QByteArray piece = m_partial.left(cr);
        m_partial.remove(0, cr + 1);
        piece.replace("\n", "");
        if (piece.trimmed().isEmpty())
            continue;
        const QString command = QString::fromUtf8(piece);
        m_commands.append(command);
        Q_EMIT commandReceived(command);
        if (m_hook)
            m_hook(command);
        answer(command);
    }
}

void FakeModem::answer(const QString& command)
{
    const QString key = command.trimmed().toUpper();
    Reply reply = m_default;
    auto queued = m_queued.find(key);
    if (queued != m_queued.end() && !queued->isEmpty())
        reply = queued->dequeue();
    else if (m_standing.contains(key))
        reply = m_standing.value(key);
    if (reply.text.isEmpty())
        return;
    const QByteArray bytes = "\r\n" + reply.text.toUtf8() + "\r\n";
    if (reply.delayMs <= 0) {
        inject(bytes);
        return;
    }
    QPointer<FakeModem> self(this);
    QTimer::singleShot(reply.delayMs, this, [self, bytes] {
        if (self)
            self->inject(bytes);
    });
}
