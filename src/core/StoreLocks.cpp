#include "core/StoreLocks.h"

#include <QFileInfo>
#include <QStringList>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/StoreFiles.h"
#include "core/UnwrittenFiles.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "platform/PlainFile.h"
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

// The mode the settings name: the running one, or the one a switch under way saved (anything but server or client
// runs standalone).
int savedMode()
{
    const int mode = textToWhole(GetProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("0")), 0);
    return mode == Server || mode == Client ? mode : Standalone;
}

// The data folder and the statistics file serve every mode; the call log, the contact book and the groups file
// only a mode with stores, once it is known (modeKnown): the running one, or ahead, the one a switch goes to.
QList<InUse> inUse(bool modeKnown, int ahead)
{
    const QString data = programFolder();
    QList<InUse> out{{QStringLiteral("the data folder"), data, data}};
    const auto add = [&out](const QString& what, const QString& path) {
        if (!path.isEmpty())
            out.append({what, path, QFileInfo(path).absolutePath()});
    };
    add(QStringLiteral("the statistics file"), StoreFiles::statistics());
    if (modeKnown && (!isClientMode() || ahead != Client)) {
        add(QStringLiteral("the call log"),
            gCallerDB ? gCallerDB->path() : GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()));
        add(QStringLiteral("the contact database"),
            gContactDB ? gContactDB->path() : GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString()));
        add(QStringLiteral("the attribute groups file"), StoreFiles::attributeGroups());
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

// Holds what is in use with the mode ahead's stores, and gives up the rest; a refusal gives back what it took.
bool holdFor(int ahead, QString* refusal)
{
    SingleInstance& single = SingleInstance::instance();
    if (!single.running())
        return true;
    const QStringList before = single.heldFolders();
    QStringList held;
    if (!hold(inUse(true, ahead), refusal, held)) {
        single.keepFolders(before);
        return false;
    }
    single.keepFolders(held);
    return true;
}

} // namespace

namespace StoreLocks {

bool holdBeforeSettings(QString* refusal)
{
    QStringList held;
    return !SingleInstance::instance().running() || hold(inUse(false, Client), refusal, held);
}

bool holdInUse(QString* refusal)
{
    // A store file the program no longer uses may be another copy's from now on: nothing held for it is written
    // there any more, whatever the locks.
    QStringList paths;
    for (const InUse& store : inUse(true, savedMode()))
        paths << store.path;
    UnwrittenFiles::storesInUse(paths);
    return holdFor(savedMode(), refusal);
}

bool holdForMode(int mode, QString* refusal) { return holdFor(mode, refusal); }

Change::Change(const QString& path)
{
    SingleInstance& single = SingleInstance::instance();
    if (single.running())
        m_before = single.heldFolders();
    // Run as root, a store on a way another user controls is refused as it is chosen, before anything (its folder's
    // lock file) is written for it.
    if (const PlainFile::Way way = PlainFile::wayTo(path); !way.refusal.isEmpty()) {
        m_refusal = path + QStringLiteral(" cannot be used: ") + way.refusal;
        return;
    }
    if (!single.running())
        return;
    QString why;
    qint64 process = 0;
    // A folder that takes no lock file takes no store either: the store's own opening says why, in its words.
    if (single.holdFolder(QFileInfo(path).absolutePath(), &why, &process) == SingleInstance::FolderLock::HeldByAnother)
        m_refusal = heldByAnother(path, process);
}

Change::~Change()
{
    // Until the change is done the settings may name the store it tried (a Change DB moves the setting first): only
    // what was held before it may stay.
    if (m_done)
        holdInUse();
    else if (SingleInstance& single = SingleInstance::instance(); single.running())
        single.keepFolders(m_before);
}

Opening::Opening(const QString& path) : Change(path)
{
    if (!refusal().isEmpty())
        throw SqlError(SQLITE_BUSY, refusal());
}

bool isRefusal(const SqlError& e) { return e.code() == SQLITE_BUSY; }

} // namespace StoreLocks
