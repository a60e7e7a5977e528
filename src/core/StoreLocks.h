#pragma once

#include <QString>

class SqlError;

// One copy per store. Besides its settings (platform/SingleInstance), a running copy holds the lock of every
// folder it keeps files in, wherever the settings put them: the data folder (activity log, diagnostic trail,
// sounds, the stores' default place) and the folders of the call log, the contact book, the statistics file and
// the attribute groups file. Copies started on different settings (another XDG_CONFIG_HOME, VELQUON_HOME set to
// the default data folder or not) thus never run on one store. A process that is no running copy (a test, a tool)
// holds none.
namespace StoreLocks {

// At start-up, before the first-run settings are written and the mode is known: holds the folders every mode
// uses (the data folder, the statistics file's), and nothing else yet. False as holdInUse.
bool holdBeforeSettings(QString* refusal = nullptr);

// Holds the folders in use now, and gives up those no longer in use (after a store was switched or closed, a
// mode switch). A store's folder counts for the open store, else for the one the settings name; a client's only
// for the data folder and the statistics file. False when another copy holds one of them, or when the data
// folder's lock cannot be had: refusal says which store and which copy ("the call log /x/dbCID.mdb is in use by
// another copy of Velquon (process 12)"). A store's folder whose lock cannot be had is left to the store's opening.
bool holdInUse(QString* refusal = nullptr);

// Before a store at path is opened or made: holds its folder. Empty when it may be opened; else why not: another
// copy holds the folder. A folder whose lock cannot be had is left to the store's opening, which fails there.
QString refusalToOpen(const QString& path);

// Held over a store's opening or making at path: holds its folder first, or throws SqlError (SQLITE_BUSY, why
// not); once the opening is over, gone through or not, the locks follow the stores in use.
class Opening {
public:
    explicit Opening(const QString& path);
    ~Opening();
    Opening(const Opening&) = delete;
    Opening& operator=(const Opening&) = delete;
};

// Whether e is an Opening's refusal: its message names the store and why, the store itself is sound.
bool isRefusal(const SqlError& e);

} // namespace StoreLocks
