#pragma once

#include <QString>

// The contact book's File commands on the contact file and the attribute-group file: pick a file (through
// Prompt, with the retry boxes), record it in the settings, announce it in the event list and reload the
// program-wide contacts and groups (which refreshes the search names, the pop-up, the call list and the
// clients). Each returns true when something changed, for the window to refill its views; a cancelled
// dialog at any retry changes nothing. Client mode has neither file: every command returns false at once.
namespace ContactFiles {

// A new, empty contact file, which becomes the one in use.
bool NewDatabase();
// Another existing contact file; one that does not hold the contact tables is refused.
bool ChangeDatabase();
// A new attribute-group file holding one empty line; the groups become none.
bool NewGroupFile();
// Another existing attribute-group file, whose groups are loaded.
bool ChangeGroupFile();
// The program folder's "AttributeGroups.dat" is written anew with the three default groups and becomes the
// file in use; an existing one is overwritten only when the user agrees.
bool RestoreDefaultGroups();

// Whether the file is a contact file this program can use (tblContacts and tblNumbers present).
bool isContactDatabase(const QString& path);

} // namespace ContactFiles
