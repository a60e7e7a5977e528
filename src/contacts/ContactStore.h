#pragma once

#include <QString>

#include <functional>

#include "core/clsContact.h"

// The contact book's way to the stored contacts: the contact file in standalone and server mode, the
// server's messages in client mode (which change nothing here until the server sends the book back).

// Counts of the contact file's rows for the status panels; 0 when there is no file or it cannot be read.
struct ContactCounts {
    int contacts = 0;
    int numbers = 0;
};
ContactCounts CountContacts();

// The name of the open contact file as the status text shows it (its full path); empty without one.
QString contactDatabaseName();

// Sends a request to the server through the client socket (dropped while it is not connected). A contact
// too large for the server to read whole is not sent: a box says so, and the result is false.
bool SendContactRequest(const QString& text);
// Whether what the server sends now answers a contact request of this client, and its refusal has not come:
// a refusal then is the user's to see, where the contact was saved, not only the activity log's. Told by the
// order of the server's answers (clsRemoteSocket::ContactAnswerDue), so neither another client's change nor a
// request the server dropped makes another refusal read as a contact's.
bool ContactRequestWaiting();
// The refusal of the contact request has been read: nothing more answers it.
void ContactRequestsAnswered();

// The commands that turn a caller into contact data (the call list's Edit menu and grid menu, the
// toolbar's drop-down, the pop-up's menu). Each stores through the contact file or, in client mode, sends
// the request to the server; send (when set) carries the request instead of the client socket. Nothing in
// memory changes before the store or the server has taken the change. The store's refusals of a name or
// number (errors 1 and 2) are shown (ShowError); other failures are kept and passed to ReportError with
// the opener's tag.
namespace ContactOpeners {

using Sender = std::function<void(const QString&)>;

// A new contact with one number; nothing when name or number is empty (a cancelled dialog). True when the
// contact was stored or the request sent.
bool CreateNew(const QString& name, const QString& number, const QString& description, const QString& tag,
               const Sender& send = {});
// The number with that description added to the named contact, looked up by that name now; nothing when
// the name is empty, and a box saying so when no contact has it any more (renamed or removed elsewhere while
// the dialog that chose it waited). True when the change was stored or the request sent.
bool AddNumberTo(const QString& contactName, const QString& number, const QString& description, const QString& tag,
                 const Sender& send = {});

} // namespace ContactOpeners
