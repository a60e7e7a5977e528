#include "AnotherCopy.h"

#include <QDir>

#include "core/StoreLocks.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"

AnotherCopy::AnotherCopy(const QString& folder) : m_lock(SingleInstance::folderLockPath(folder))
{
    m_holds = QDir().mkpath(folder) && SingleInstance::instance().acquire(settingsFilePath()) && m_lock.tryLock(0);
}

bool runAsACopy() { return SingleInstance::instance().acquire(settingsFilePath()) && StoreLocks::holdInUse(); }
