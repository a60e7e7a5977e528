#include "core/StoreLocks.h"

#include <QFileInfo>
#include <QStringList>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

#include <sqlite3.h>

namespace {

struct InUse {
    QString what;
    QString path;
    QString folder;
};

// The data folder and the statistics file serve every mode; the call log, the contact book and the groups file
// only a mode with stores, once it is known (modeKnown).
QList<InUse> inUse(bool modeKnown)
{
    const QString data = programFolder();
    QList<InUse> out{{QStringLiteral("the data folder"), data, data}};
    const auto add = [&out](const QString& what, const QString& path) {
        if (!path.isEmpty())
            out.append({what, path, QFileInfo(path).absolutePath()});
    };
    add(QStringLiteral("the statistics file"), GetProperty(Section::frmStatistics, Key::StatsFile, QString()));
    if (modeKnown && !isClientMode()) {
        add(QStringLiteral("the call log"),
            gCallerDB ? gCallerDB->path() : GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()));
        add(QStringLiteral("the contact database"),
            gContactDB ? gContactDB->path() : GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString()));
        add(QStringLiteral("the attribute groups file"),
            GetProperty(Section::frmContacts, Key::AttributeGroupsFile, QString()));
    }
    return out;
}

QString heldByAnother(const QString& what, qint64 process)
{
    return what + QStringLiteral(" is in use by another copy of Velquon") +
           (process > 0 ? QStringLiteral(" (process %1)").arg(process) : QString());
}

QString unusableLock(const QString& what, const QString& folder, const QString& why)
{
    return what + QStringLiteral(" cannot be kept for this copy alone: its lock ") +
           SingleInstance::folderLockPath(folder) + QStringLiteral(" cannot be used (") + why + QLatin1Char(')');
}

// Holds every folder of folders, held naming them; false with refusal at the first that cannot be held.
bool hold(const QList<InUse>& folders, QString* refusal, QStringList& held)
{
    SingleInstance& single = SingleInstance::instance();
    for (const InUse& store : folders) {
        QString why;
        qint64 process = 0;
        const QString what = store.what + QLatin1Char(' ') + store.path;
        switch (single.holdFolder(store.folder, &why, &process)) {
        case SingleInstance::FolderLock::Held:
            held << store.folder;
            break;
        case SingleInstance::FolderLock::HeldByAnother:
            if (refusal)
                *refusal = heldByAnother(what, process);
            return false;
        case SingleInstance::FolderLock::CannotBeHad:
            // Nothing would keep another copy out of the data folder; a store elsewhere is left to its opening.
            if (store.folder == folders.first().folder) {
                if (refusal)
                    *refusal = unusableLock(what, store.folder, why);
                return false;
            }
            break;
        }
    }
    return true;
}

} // namespace

namespace StoreLocks {

bool holdBeforeSettings(QString* refusal)
{
    QStringList held;
    return !SingleInstance::instance().running() || hold(inUse(false), refusal, held);
}

bool holdInUse(QString* refusal)
{
    QStringList held;
    if (!SingleInstance::instance().running())
        return true;
    if (!hold(inUse(true), refusal, held))
        return false;
    SingleInstance::instance().keepFolders(held);
    return true;
}

QString refusalToOpen(const QString& path)
{
    SingleInstance& single = SingleInstance::instance();
    if (!single.running())
        return QString();
    const QString folder = QFileInfo(path).absolutePath();
    QString why;
    qint64 process = 0;
    // A folder that takes no lock file takes no store either: the store's own opening says why, in its words.
    if (single.holdFolder(folder, &why, &process) == SingleInstance::FolderLock::HeldByAnother)
        return heldByAnother(path, process);
    return QString();
}

Opening::Opening(const QString& path)
{
    if (const QString why = refusalToOpen(path); !why.isEmpty())
        throw SqlError(SQLITE_BUSY, why);
}

Opening::~Opening() { holdInUse(); }

bool isRefusal(const SqlError& e) { return e.code() == SQLITE_BUSY; }

} // namespace StoreLocks
