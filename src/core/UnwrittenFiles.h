#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The files the program keeps whole in memory and writes whole at every change (the settings, the attribute
// groups, the custom statistics, the autostart entry). A write the file cannot take (a full disk, a file made
// read-only, an I/O error) leaves it as it was, but what the user changed is still shown and used: it is held here
// and written at the next chance, the next write of any of these files that goes through, and at the latest at
// the end. What the end still cannot write is said, with the change that is lost.
namespace UnwrittenFiles {

enum class OnRefusal {
    Hold, // a change the program goes on showing and using
    // The same for a store's file the user may change for another (the attribute groups, the custom statistics):
    // held only while it is the file in use, and written only while this copy holds its folder's lock; once the
    // program lets go of it another copy may take it.
    HoldWhileInUse,
    GiveUp, // a command that is refused as a whole (and says so): nothing of it is kept
};

// Makes bytes the whole content of the file at path (PlainFile::replace). Refused, the file stays as it was; held
// (Hold, HoldWhileInUse), the bytes take the place of what an earlier refused write of that file held, under subject
// ("The attribute group file /x/AttributeGroups.dat"). Once a write goes through, what it replaces is no longer held,
// and every other file still held is written again. False with why when the file could not take the bytes.
bool write(const QString& path, const QByteArray& bytes, const QString& subject, OnRefusal onRefusal, QString* why);
// What the program meant the file at path to hold and could not write yet; read in place of the file, which
// holds an older content.
std::optional<QByteArray> held(const QString& path);
// The file was removed on purpose: what is held for it is not written any more.
void forget(const QString& path);
// The store files in use now, after a store, a data file or the mode changed: what is held for a store file the
// program let go of is given up and said in the activity log, naming the file, why and since when its changes are
// lost.
void storesInUse(const QStringList& paths);
// Writes again every file still held (a store's file while this copy holds its folder); true when none is left.
bool writeHeld();
// The program ends: every file still held is written once more, and each that still cannot be is said (kept with
// SaveError under "modMain_ShutDown", in the event list and the activity log, or the diagnostic log when that
// cannot be written), naming the file, why and since when its changes are lost. Nothing is held afterwards.
void writeHeldAtEnd();
// Forgets everything held (tests, which give every test a program folder of its own).
void reset();

} // namespace UnwrittenFiles
