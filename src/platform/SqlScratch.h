#pragma once

// SQLite's temporary files, charged to the statement that makes them. SQLite writes a sort, a grouping or a
// window's rows that outgrow its memory to files of its own, deleted as they are opened, in the temporary
// folder: a query of a peer's could fill that folder (on many systems, memory) with gigabytes in seconds.
//
// install() puts a thin file system in front of the system's own, as SQLite's default: every file passes
// straight through, except a temporary file opened while a statement's account is charged (SqlHeap::Charge).
// Such a file charges its growth to that account and gives it back as it shrinks or closes; a write past the
// account's scratch bound fails with SQLITE_FULL, and the account remembers why (SqlHeap::Refusal::Scratch).
// And since SQLite opens a store's journal and write-ahead file whenever it needs them, long after the store
// was looked at, a file it opens that is no plain file by then (a named pipe, a folder) is refused rather
// than waited on.
namespace SqlScratch {

// Once, after SQLite's allocator is set and before the first connection; false when it could not be put in
// place (nothing is then counted).
bool install();

} // namespace SqlScratch
