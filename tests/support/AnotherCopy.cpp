#include "AnotherCopy.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "core/StoreLocks.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"

AnotherCopy::AnotherCopy(const QString& folder) : m_lock(SingleInstance::folderLockPath(folder))
{
    m_holds = QDir().mkpath(folder) && SingleInstance::instance().acquire(settingsFilePath()) && m_lock.tryLock(0);
}

bool runAsACopy() { return SingleInstance::instance().acquire(settingsFilePath()) && StoreLocks::holdInUse(); }

LockPutInPlace::LockPutInPlace(const QString& lock)
{
    const QByteArray name = QFile::encodeName(lock);
    const QByteArray beside = name + ".another";
    m_fd = ::open(beside.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd >= 0 && (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 || ::rename(beside.constData(), name.constData()) != 0)) {
        ::close(m_fd);
        m_fd = -1;
    }
}

LockPutInPlace::~LockPutInPlace()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
