#include "contacts/ui/frmContacts.h"

#include <QPrinter>

#include "contacts/ContactFiles.h"
#include "contacts/ui/ContactListPrinter.h"
#include "contacts/ui/ContactsWindowShared.h"
#include "contacts/ui/frmFindContact.h"
#include "core/modContactDB.h"

void frmContacts::reloadAfterDatabaseChange()
{
    // Edits of the contact shown are dropped: it belonged to the other file.
    ClearContact();
    objContact = std::make_shared<clsContact>();
    UpdateList();
    UpdateTree();
    UpdateForm();
    UpdateCounts();
}

void frmContacts::reloadAfterGroupFileChange()
{
    UpdateAttributeGroupList();
    UpdateList();
    UpdateTree();
}

void frmContacts::mnuFileNew_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::NewDatabase() && command.open())
        reloadAfterDatabaseChange();
}

void frmContacts::mnuFileChange_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::ChangeDatabase() && command.open())
        reloadAfterDatabaseChange();
}

void frmContacts::mnuFileNewAttributeGroupFile_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::NewGroupFile() && command.open())
        reloadAfterGroupFileChange();
}

void frmContacts::mnuFileChangeAttributeGroupFile_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::ChangeGroupFile() && command.open())
        reloadAfterGroupFileChange();
}

void frmContacts::mnuFileRestore_Click()
{
    WaitingCommand command(this);
    if (ContactFiles::RestoreDefaultGroups() && command.open())
        reloadAfterGroupFileChange();
}

void frmContacts::mnuEditFind_Click() { frmFindContact::showOwnedBy(this); }

bool frmContacts::PrintContacts()
{
    QPrinter printer(QPrinter::HighResolution);
    return PrintContacts(printer);
}

bool frmContacts::PrintContacts(QPrinter& printer)
{
    // The book is read once the print dialog has closed: what is printed is the book as it is then.
    WaitingCommand command(this);
    return ContactListPrinter::PrintContacts(printer, gContacts);
}
