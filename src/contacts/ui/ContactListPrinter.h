#pragma once

#include "core/KeyedCollection.h"
#include "core/clsContact.h"

class QPrinter;

// Prints the contact book on the shared page: each contact's name (cut to 2.3 in) beside its first number,
// its further numbers one per line below, an empty line between contacts. A name never leaves its first
// number on another page; the numbers of one contact may go on over a page break.
namespace ContactListPrinter {

// The print dialog (through Prompt) on the printer, then every contact in the collection's order. False
// when nothing was printed.
bool PrintContacts(QPrinter& printer, const KeyedCollection<clsContact>& contacts);

} // namespace ContactListPrinter
