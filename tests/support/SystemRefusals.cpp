#include "SystemRefusals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>
#include <thread>
#include <vector>

#include "platform/PlainFile.h"

namespace {

#if defined(__x86_64__)
constexpr quint32 kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr quint32 kArch = AUDIT_ARCH_AARCH64;
#else
constexpr quint32 kArch = 0;
#endif

// From now on, in the calling thread (and the processes it starts), each of calls answers with action.
bool refuseCalls(std::initializer_list<long> calls, quint32 action)
{
    if (kArch == 0)
        return false;
    std::vector<sock_filter> filter;
    filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
    for (const long call : calls) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, quint32(call), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, action));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

bool runWithFailingSync(const std::function<void()>& work)
{
    bool refused = false;
    std::thread thread([&] {
        refused = refuseCalls({SYS_fsync, SYS_fdatasync}, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA));
        if (refused)
            work();
    });
    thread.join();
    return refused;
}

KilledWrites::KilledWrites(const QString& path)
{
    QFileInfo target(path);
    if (target.isSymLink())
        target = QFileInfo(target.symLinkTarget());
    m_folder = target.absolutePath();
    const QString name = target.fileName();
    const QByteArray targetPath = QFile::encodeName(target.absoluteFilePath());
    QStringList killed;
    pid_t lastKilled = 0;
    for (int kill = 0; kill < 2; ++kill) {
        const QStringList before = namesIn(m_folder);
        const pid_t child = ::fork();
        if (child < 0) {
            m_why = QStringLiteral("no process could be started");
            return;
        }
        if (child == 0) {
            // Killed by the system the moment the write would put its copy in the file's place.
            if (!refuseCalls(
                    {
#ifdef SYS_rename
                        SYS_rename,
#endif
                        SYS_renameat, SYS_renameat2},
                    SECCOMP_RET_KILL_PROCESS))
                ::_exit(3);
            PlainFile::replace(QFile::decodeName(targetPath),
                               QByteArrayLiteral("written by a write that was killed\n"));
            ::_exit(0);
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFSIGNALED(status)) {
            m_why = QStringLiteral("a write could not be killed at its rename here (the child ended with %1)")
                        .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
            return;
        }
        QStringList left = namesIn(m_folder);
        for (const QString& was : before)
            left.removeOne(was);
        if (left.size() != 1) {
            m_why = QStringLiteral("a killed write left %1 files beside %2").arg(left.size()).arg(name);
            return;
        }
        killed << left.first();
        lastKilled = child;
    }
    m_leftByTheKilled << killed.at(0);
    // As a copy in another process namespace holds the copy it is writing.
    m_lockedFd =
        ::open(QFile::encodeName(m_folder + QLatin1Char('/') + killed.at(1)).constData(), O_RDONLY | O_CLOEXEC);
    if (m_lockedFd < 0 || ::flock(m_lockedFd, LOCK_EX) != 0) {
        m_why = QStringLiteral("a scratch copy could not be locked");
        return;
    }
    m_notToTake << killed.at(1);
    const auto make = [this](const QString& file) {
        QFile f(m_folder + QLatin1Char('/') + file);
        if (!f.open(QIODevice::WriteOnly) || f.write("not a killed write's\n") <= 0)
            m_why = QStringLiteral("%1 could not be made").arg(file);
        m_notToTake << file;
    };
    // The same name from a copy that still runs (this test's parent process) and may be writing it now.
    QString running = killed.at(1);
    running.replace(QStringLiteral("-%1-").arg(lastKilled), QStringLiteral("-%1-").arg(::getppid()));
    if (running == killed.at(1)) {
        m_why = QStringLiteral("the scratch copy %1 does not name its writer").arg(running);
        return;
    }
    make(running);
    // Names that are no scratch copy of ours: another program's scratch form, and ours cut short.
    make(name + QStringLiteral(".aB3dE9"));
    make(name + QStringLiteral(".velquon-notes"));
    make(name + QStringLiteral(".velquon-%1-abc").arg(lastKilled));
    // The number spelt otherwise than the writer spells it: a leading zero, a sign, a blank.
    for (const QLatin1String spelt : {QLatin1String("0"), QLatin1String("+"), QLatin1String(" ")})
        make(name + QStringLiteral(".velquon-%1%2-abcdef").arg(spelt).arg(lastKilled));
    // A number no process can have, which a process number's type would wrap to the killed writer's; and the system's
    // bound itself, which process numbers stay under.
    make(name + QStringLiteral(".velquon-%1-abcdef").arg((qint64(1) << 32) + lastKilled));
    QFile bound(QStringLiteral("/proc/sys/kernel/pid_max"));
    if (bound.open(QIODevice::ReadOnly))
        make(name + QStringLiteral(".velquon-%1-abcdef").arg(QString::fromLatin1(bound.readAll().trimmed())));
}

KilledWrites::~KilledWrites()
{
    if (m_lockedFd >= 0)
        ::close(m_lockedFd);
}

QStringList KilledWrites::standing() const { return namesIn(m_folder); }
