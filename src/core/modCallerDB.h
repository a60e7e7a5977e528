#pragma once

#include "core/clsCaller.h"
#include "platform/QuerySource.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class SqlDatabase;

// The call log: table tblCID of the SQLite file named by the setting CallerDBPath (default "dbCID.mdb" in
// the program folder), one row per call:
//
//     ID           INTEGER PRIMARY KEY AUTOINCREMENT   the record's ID (never reused)
//     fldName      TEXT(50) COLLATE NOCASE             clsCaller::Name
//     fldNumber    TEXT(50) COLLATE NOCASE             clsCaller::Number.Number
//     fldDate      DATETIME                            clsCaller::CallerDate, stored "yyyy-MM-dd HH:mm:ss"
//     fldRings     INTEGER                             clsCaller::Rings
//     fldAnswered  TEXT(50) COLLATE NOCASE             "N/A", "YES", "NO" or "BLOCKED"
//
// with the index idxCIDDate on fldDate. Only standalone and server mode have a call log: in client mode every
// operation returns at once (False, zero date, nothing). Every operation runs and finishes its own statement.

// The open call log (read and written by the program), or empty. Set by FindCallerDB and CreateCallerDB.
extern std::unique_ptr<SqlDatabase> gCallerDB;

// Opens the file named by CallerDBPath when it exists; False when there is none. A file that cannot be opened
// as a call log throws SqlError, and gCallerDB stays as it was.
bool FindCallerDB();
// Creates a new call log at path and makes it gCallerDB; False, touching nothing, when a file is there.
// Throws SqlError when the file cannot be made.
bool CreateCallerDB(const QString& path);

// Stores a new call and sets its ID. Failures are kept (SaveError, "modCallerDB_AddCaller"); ID then unchanged.
void AddCaller(clsCaller& caller);
// Rewrites the row with that ID from the record. No such row: nothing changes and nothing is shown. False
// when the log could not be written (the failure is kept and shown).
bool EditCaller(qint32 ID, const clsCaller& caller);
// Time of the oldest / newest call, exactly (a range from one to the other must compare inclusively);
// the zero date (12/30/1899) for an empty log and in client mode.
QDateTime GetFirstCallDate();
QDateTime GetLastCallDate();

// --- reading the log for the views, the pop-up, the statistics and the server ---
// All of these throw SqlError; SqlError::resultText() gives "Too Complex" or "Bad SQL".

// A read-only connection on the open call log, for query text that comes from users or peers (run it with
// SqlDatabase::prepareQuery or prepareUntrusted only); nullptr when no log is open or in client mode.
SqlDatabase* CallerDBReader();
// The calls a query of the Jet dialect returns ("Select * From tblCID Where ..."), in its order. Columns are
// found by name; CallerDate is in the general date text form. Empty in client mode. With maxTextBytes above 0,
// an answer whose texts (name, number, date, answered) come to more bytes throws instead, before the rest is
// read: a peer's query must not take the program's memory. A peer's text (source) runs within the untrusted
// bounds.
QList<clsCaller> SelectCallers(const QString& jetSql, qint64 maxTextBytes = 0);
// As SelectCallers, but each call goes to visit as it is read and none is kept; on reader when one is given
// (see OpenCallerDBReader). A throw from visit ends the read.
void ForEachCaller(const QString& jetSql, const std::function<void(const clsCaller&)>& visit, qint64 maxTextBytes = 0,
                   SqlDatabase* reader = nullptr, QuerySource source = QuerySource::User);
// A read-only connection of the caller's own on the open call log: for a reader that lets the event loop run
// while its statement is open (SqlDatabase::setWatch), where the shared one may be used, or replaced with the
// log, meanwhile. nullptr when no log is open or in client mode.
std::unique_ptr<SqlDatabase> OpenCallerDBReader();
// Number of rows the query returns; 0 in client mode.
qint64 CountCallers(const QString& jetSql);
// Deletes calls by ID in one transaction; gives how many rows went. 0 in client mode. To delete the calls of a
// view, read them with SelectCallers and pass their IDs: view text never runs on the writing connection.
qint64 DeleteCallers(const QList<qint32>& IDs);
inline bool DeleteCaller(qint32 ID) { return DeleteCallers({ID}) == 1; }
// The IDs, of those given, that no call of the log has (any more), in the order given: a command looks its
// calls up again after asking the user, since another client may have deleted one meanwhile. None in client
// mode and with no log open.
QList<qint32> MissingCallers(const QList<qint32>& IDs);

// Closes the call log (shut-down; before the file is replaced).
void CloseCallerDB();
// Changes whenever another log is opened, or the log is closed: work that holds call IDs across a yield
// checks it, since the same IDs name other calls (or none) in another log.
quint64 CallerDBGeneration();

// The log's write-ahead file is copied back into the log (a checkpoint: several waits for the disk) at a
// quiet moment, never inside the write that filled it: once the file holds CheckpointFrames pages, right
// after the event that wrote them, or, while a call rings, when the call has ended (SettleCallerDB). Does
// nothing when no checkpoint is due; otherwise it settles the log as SettleCallerDB does.
inline constexpr int CheckpointFrames = 1000;
void CheckpointCallerDB();
// When a call has ended: the write-ahead file is copied back whatever it holds and, when all of it went,
// started over at once, so that the next call's writes go to pages the file already has (cheaper than
// growing it) and none of them waits for the disk.
void SettleCallerDB();
