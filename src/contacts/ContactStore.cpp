#include "contacts/ContactStore.h"

#include "contacts/ContactForm.h"
#include "contacts/FormSnapshot.h"
#include "core/Globals.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "network/ServerRequests.h"
#include "network/clsRemoteSocket.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

namespace {

int countRows(const char* sql)
{
    try {
        SqlStatement st = gContactDB->prepare(QString::fromLatin1(sql));
        return st.step() ? int(st.int64(0)) : 0;
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), QStringLiteral("frmContacts"));
        return 0;
    }
}

bool send(const ContactOpeners::Sender& sender, const QString& text)
{
    if (!sender)
        return SendContactRequest(text);
    sender(text);
    return true;
}

// After a refusal or failure of the store: the duplicates are the user's to see, the rest is kept.
void reportStoreFailure(const QString& tag)
{
    if (gErrNumber == kDuplicateNameError || gErrNumber == kDuplicateNumberError)
        ShowError(QString());
    else
        ReportError(tag);
}

} // namespace

ContactCounts CountContacts()
{
    ContactCounts counts;
    if (isClientMode() || !gContactDB)
        return counts;
    counts.numbers = countRows("SELECT count(*) FROM tblNumbers");
    counts.contacts = countRows("SELECT count(*) FROM tblContacts");
    return counts;
}

QString contactDatabaseName() { return gContactDB ? gContactDB->path() : QString(); }

bool SendContactRequest(const QString& text)
{
    // The server would skip it and let this client go; the user keeps the edit and hears why.
    if (!ServerRequests::fitsOneRequest(text)) {
        Prompt::message(ServerRequests::tooLongToSendText(QStringLiteral("contact"), text) +
                            QStringLiteral(" Nothing was saved."),
                        Prompt::OkOnly, Prompt::Exclamation);
        return false;
    }
    if (gRemoteSocket && gRemoteSocket->Connected())
        gRemoteSocket->SendData(text);
    return true;
}

bool ContactRequestWaiting() { return gRemoteSocket && gRemoteSocket->ContactAnswerDue(); }

void ContactRequestsAnswered()
{
    if (gRemoteSocket)
        gRemoteSocket->ContactAnswerTaken();
}

namespace ContactOpeners {

bool CreateNew(const QString& name, const QString& number, const QString& description, const QString& tag,
               const Sender& sender)
{
    if (name.isEmpty() || number.isEmpty())
        return false;
    clsContact contact;
    contact.Name = name;
    contact.AddNumber(std::make_shared<clsNumber>(number, description));
    if (isClientMode())
        return send(sender, ContactRequests::add(contact));
    if (AddContact(contact))
        return true;
    reportStoreFailure(tag);
    return false;
}

bool AddNumberTo(const QString& contactName, const QString& number, const QString& description, const QString& tag,
                 const Sender& sender)
{
    if (contactName.isEmpty())
        return false;
    // A copy: the stored contact keeps its numbers until the store (or the server) has the new one.
    clsContact changed = *GetContact(contactName);
    if (changed.Name.isEmpty()) {
        // Chosen in a dialog, and renamed or removed elsewhere while it waited: nothing is added, and the
        // user hears why.
        Prompt::message(ContactCommand::goneMessage(contactName), Prompt::OkOnly, Prompt::Exclamation);
        return false;
    }
    if (!changed.AddNumber(std::make_shared<clsNumber>(number, description))) {
        // The contact shows that number with that description already.
        SaveError(kDuplicateKeyError,
                  QStringLiteral("This key is already associated with an element of this collection"),
                  QStringLiteral("Velquon"));
        ReportError(tag);
        return false;
    }
    if (isClientMode())
        return send(sender, ContactRequests::edit(changed.Name, changed));
    if (EditContact(changed.Name, changed))
        return true;
    reportStoreFailure(tag);
    return false;
}

} // namespace ContactOpeners
