#pragma once

#include <QString>
#include <QStringList>

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
// mode switch). A store's folder counts for the open store, else for the one the settings name, in a mode that keeps
// stores: the one running, or the one a switch under way has saved (holdForMode took its folders); a client's only
// the data folder and the statistics file. False when another copy holds one of them, or when the data folder's
// lock cannot be had: refusal says which store and which copy ("the call log /x/dbCID.mdb is in use by another
// copy of Velquon (process 12)"), and the locks are as they were. A store's folder whose lock cannot be had is
// left to the store's opening.
bool holdInUse(QString* refusal = nullptr);

// Before a switch to mode is saved: holds the folders that mode uses too, its stores as the settings name them. False
// when another copy holds one (refusal says which, as holdInUse's does): the switch is refused, and the locks are as
// they were.
bool holdForMode(int mode, QString* refusal = nullptr);

// Held over a change of the store at path (a store's opening or making, a data file's New or Change): holds its
// folder first. A change that went through (done) leaves the locks following the stores in use, the store before
// given up; one refused or failed gives back every lock it took, whatever the settings named meanwhile, so the
// locks are as it found them.
class Change {
public:
    explicit Change(const QString& path);
    ~Change();
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

    // Empty when the store may be changed to path; else why not: another copy holds its folder. A folder that
    // takes no lock is left to the store's opening, which fails there in its own words.
    const QString& refusal() const { return m_refusal; }
    // The store at path is the one in use now (its setting names it, or it is open).
    void done() { m_done = true; }

private:
    QStringList m_before;
    QString m_refusal;
    bool m_done = false;
};

// A store's opening or making at path: a Change that throws SqlError (SQLITE_BUSY, why not) when refused.
class Opening : public Change {
public:
    explicit Opening(const QString& path);
};

// Whether e is an Opening's refusal: its message names the store and why, the store itself is sound.
bool isRefusal(const SqlError& e);

} // namespace StoreLocks
