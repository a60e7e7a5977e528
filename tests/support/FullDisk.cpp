#include "FullDisk.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <vector>

FullDisk::FullDisk(const QString& folder) : m_folder(QFile::encodeName(folder))
{
    // Room for a few small stores and the settings, no more: filling it takes no time.
    m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m,mode=0700") == 0;
    if (!m_mounted)
        m_why = QString::fromLocal8Bit(std::strerror(errno));
}

FullDisk::~FullDisk()
{
    // Detached: what the program still holds open there goes with its last descriptor.
    if (m_mounted)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

bool FullDisk::fill(qint64 room)
{
    const int fd = ::open((m_folder + "/.filling").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::vector<char> block(64 * 1024, 'x');
    // Ever smaller writes, down to one byte, until not even that one is taken.
    for (size_t size = block.size(); size > 0; size /= 2)
        while (::write(fd, block.data(), size) == ssize_t(size)) {
        }
    const off_t filled = ::lseek(fd, 0, SEEK_END);
    const bool given = room == 0 || (filled >= room && ::ftruncate(fd, filled - room) == 0);
    ::close(fd);
    struct statvfs disk = {};
    if (!given || ::statvfs(m_folder.constData(), &disk) != 0)
        return false;
    const qint64 free = qint64(disk.f_bavail) * qint64(disk.f_frsize);
    return room == 0 ? free == 0 : free >= room;
}

void FullDisk::makeRoom() { ::unlink((m_folder + "/.filling").constData()); }
