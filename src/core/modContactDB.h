#pragma once

#include "core/KeyedCollection.h"
#include "core/clsCaller.h"
#include "core/clsContact.h"

#include <QString>

#include <memory>

class SqlDatabase;

// The contact book: the file "dbContacts.mdb" (SQLite; tables tblContacts and tblNumbers, a number belonging
// to the contact whose fldName equals its own) and its in-memory copy gContacts, rebuilt whole after every
// change. Client mode has no contact file: every operation on it returns at once, and gContacts is filled
// from the server's messages; the look-ups work in every mode.
//
// A contact is identified by its name, compared without regard to case (any letter, not only ASCII) and
// never as a pattern: "B*" is a name like any other.

// The open contact file, or nullptr.
extern std::unique_ptr<SqlDatabase> gContactDB;
// Every contact, keyed by name (case ignored), in the file's order. Replaced by a new collection on each
// rebuild: a contact object held across a rebuild stays valid but is no longer in the collection.
extern KeyedCollection<clsContact> gContacts;

// Error numbers of the duplicate checks, kept with SaveError when an add or edit is refused.
inline constexpr qint32 kDuplicateNameError = 1;
inline constexpr qint32 kDuplicateNumberError = 2;
// "Duplicate names in database."
QString duplicateNameText();
// "<number> was found to be a duplicate numbers in the database."
QString duplicateNumberText(const QString& number);

// The program folder's contact file.
QString defaultContactDBPath();

// Opens the file named by the setting ContactDBPath when it exists (false when there is none, and always in
// client mode). Throws SqlError when the file is there but cannot be opened.
bool FindContactDB();
// Creates the file with both tables when none exists at path, and keeps it open; false when a file is
// already there, and in client mode. Throws SqlError when it cannot be created.
bool CreateContactDB(const QString& path);
// Closes the contact file (shut-down, another file chosen).
void CloseContactDB();

// The store operations. Each returns true when the change was stored and the collection rebuilt. False
// means nothing was stored: in client mode (no error is kept), or on a refusal or failure, kept with
// SaveError for the caller to report with ShowError(""): error 1 for a name that is taken, error 2 for a
// number that is listed twice or belongs to another contact, the database's error otherwise.
bool AddContact(const clsContact& contact);
// oldName is the contact's name as stored; the contact may carry a new name. Its numbers replace the stored
// ones, all in one transaction.
bool EditContact(const QString& oldName, const clsContact& contact);
// Deletes the contact's numbers and the contact in one transaction: both go, or (on a failure) neither.
bool DeleteContact(const QString& name);

// The checks the add and edit run first; false (error 1 or 2 kept) on a duplicate.
bool CheckDuplicateName(const QString& name);
// oldName is the stored name of the contact being edited, empty for a new contact.
bool CheckDuplicateNumbers(const clsContact& contact, const QString& oldName);

// Rebuilds gContacts from the file, then refreshes every user of contact data: the search window's names,
// the pop-up's contact data, the main window's grid, the statistics groups made per contact, the clients.
void UpdateContactCollection();
// Sends the whole book to every connected client: ";CLEAR CONTACTS;" then ";CONTACT;" and each contact.
void SendContacts();

// Fills the call's ContactName, AttributeGroup and number Description from the first contact (collection
// order) owning a number that occurs inside the given number text; clears them when none does. A stored
// number that is empty matches nothing.
void MatchCallerToContact(const QString& number, clsCaller& caller);
// The first contact owning a number contained in the given one, else a new empty contact.
std::shared_ptr<clsContact> FindContactByNumber(const QString& number);
// The contact of that name (case ignored), else a new empty contact.
std::shared_ptr<clsContact> GetContact(const QString& name);

// Registers the name comparison the contact queries use (sametext(a, b): equal ignoring case) on a
// connection to a contact file.
void registerContactFunctions(SqlDatabase& db);
