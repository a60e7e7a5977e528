#include "ReadOnlyFolder.h"

#include <QFile>
#include <QFileDevice>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Turns the override of file permission checks on or off in the calling thread's effective set.
bool setPermissionOverride(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    const __u32 mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    if ((data[0].permitted & mask) == 0)
        return false;
    if (on)
        data[0].effective |= data[0].permitted & mask;
    else
        data[0].effective &= ~mask;
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& path) : m_path(path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
    m_capsDropped = setPermissionOverride(false);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_capsDropped)
        setPermissionOverride(true);
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool ReadOnlyFolder::holds() const
{
    QFile probe(m_path + QStringLiteral("/.write-probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        return false;
    }
    return true;
}

ReadOnlyFile::ReadOnlyFile(const QString& path) : m_path(path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    m_capsDropped = setPermissionOverride(false);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_capsDropped)
        setPermissionOverride(true);
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

ReadOnlyMount::ReadOnlyMount(const QString& folder) : m_folder(QFile::encodeName(folder))
{
    if (::mount(m_folder.constData(), m_folder.constData(), nullptr, MS_BIND, nullptr) != 0)
        return;
    m_mounted = ::mount(nullptr, m_folder.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    if (!m_mounted)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

ReadOnlyMount::~ReadOnlyMount()
{
    if (m_mounted)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

bool canStartWithoutPermissionOverride()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    // Giving a right up for the programs a process starts takes the right to change what they may have.
    return syscall(SYS_capget, &header, data) == 0 && (data[0].effective & (1u << CAP_SETPCAP)) != 0;
}

void withoutPermissionOverride()
{
    // Out of the rights any program started from here can have: root's own are recomputed when it starts.
    if (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0)
        ::_exit(126);
}
