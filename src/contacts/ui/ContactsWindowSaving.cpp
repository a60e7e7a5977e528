#include "contacts/ui/frmContacts.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTreeView>

#include "contacts/ContactStore.h"
#include "contacts/ContactViews.h"
#include "contacts/ui/ContactsWindowShared.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "network/ServerRequests.h"
#include "platform/Prompt.h"

using ContactsWindow::isYes;

bool frmContacts::SaveContact() { return SaveContact(snapshot()); }

bool frmContacts::SaveContact(const FormSnapshot& form)
{
    const auto decision = ContactCommand::decideSave(form, gContacts);
    switch (decision.kind) {
    case ContactCommand::SaveDecision::Refused: {
        WaitingCommand command(this);
        Prompt::message(decision.text, Prompt::OkOnly, Prompt::Critical);
        if (command.open() && form.typedName().isEmpty())
            txtName->setFocus(Qt::OtherFocusReason);
        return false;
    }
    case ContactCommand::SaveDecision::Unchanged:
        return true;
    case ContactCommand::SaveDecision::Add:
        return storeNew(form, decision.record);
    case ContactCommand::SaveDecision::Edit:
        return storeEdit(form, decision.record);
    case ContactCommand::SaveDecision::NotStored:
        return offerAsNew(form, decision.record, decision.text);
    }
    return false;
}

bool frmContacts::sendRequest(const QString& request)
{
    // One the server would not read whole is not sent: the form keeps the edit, unsaved, and says why here.
    if (!ServerRequests::fitsOneRequest(request)) {
        WaitingCommand command(this);
        Prompt::message(ServerRequests::tooLongToSendText(QStringLiteral("contact"), request) +
                            QStringLiteral(" Nothing was saved."),
                        Prompt::OkOnly, Prompt::Exclamation);
        return false;
    }
    return SendContactRequest(request);
}

bool frmContacts::storeNew(const FormSnapshot& form, const clsContact& record)
{
    if (form.client) {
        if (!sendRequest(ContactRequests::add(record)))
            return false;
        // The server's echo is found by the typed name, as for any contact being added.
        SetState(ContactMode::Adding);
        afterStore(form, record);
        return true;
    }
    const QString before = strState;
    SetState(ContactMode::Saving);
    if (!AddContact(record)) {
        // The mode before the save comes back, so the next try takes the same road.
        SetState(before);
        WaitingCommand command(this);
        ShowError(QString());
        return false;
    }
    m_views->selectListItem(record.Name);
    m_views->selectTreeContact(record.Name);
    // The status names the contact just stored.
    if (const auto stored = gContacts.item(record.Name))
        objContact = stored;
    SetState(ContactMode::Viewing);
    afterStore(form, record);
    return true;
}

bool frmContacts::storeEdit(const FormSnapshot& form, const clsContact& record)
{
    if (form.client) {
        if (!sendRequest(ContactRequests::edit(form.storedName, record)))
            return false;
        afterStore(form, record);
        return true;
    }
    const QString before = strState;
    SetState(ContactMode::Saving);
    const QModelIndex node = m_views->treeSelected();
    const bool expanded = node.isValid() && tvwContacts->isExpanded(node);
    const int numberLine = lstNumbers->currentRow();
    const int nameCaret = txtName->cursorPosition();
    const int nameSelection = int(txtName->selectedText().size());
    const QTextCursor infoCursor = txtOtherInfo->textCursor();
    const int infoCaret = infoCursor.position();
    const int infoAnchor = infoCursor.anchor();

    if (!EditContact(form.storedName, record)) {
        SetState(before);
        // Nothing is stored under that name any more: the edits are offered as a new contact, never dropped
        // without a word.
        if (gErrNumber == kNoCurrentRecordError)
            return offerAsNew(form, record, ContactCommand::notStoredQuestion(form.storedName));
        WaitingCommand command(this);
        ShowError(QString());
        return false;
    }
    txtName->setCursorPosition(nameCaret);
    if (nameSelection > 0)
        txtName->setSelection(nameCaret, nameSelection);
    QTextCursor c = txtOtherInfo->textCursor();
    const int length = int(txtOtherInfo->toPlainText().size());
    c.setPosition(std::min(infoAnchor, length));
    c.setPosition(std::min(infoCaret, length), QTextCursor::KeepAnchor);
    txtOtherInfo->setTextCursor(c);
    selectNumberLine(std::min(numberLine, lstNumbers->count() - 1));
    m_views->selectListItem(record.Name);
    m_views->selectTreeContact(record.Name);
    const QModelIndex now = m_views->treeSelected();
    if (now.isValid())
        tvwContacts->setExpanded(now, expanded);
    SetState(ContactMode::Viewing);
    afterStore(form, record);
    return true;
}

bool frmContacts::offerAsNew(const FormSnapshot& form, const clsContact& record, const QString& question)
{
    WaitingCommand command(this);
    const auto answer = Prompt::message(question, Prompt::YesNo, Prompt::Exclamation);
    // No: the edits stay on the form, nothing is written.
    if (!command.open() || !isYes(answer))
        return false;
    return storeNew(form, record);
}

void frmContacts::afterStore(const FormSnapshot& form, const clsContact& record)
{
    const auto stored = gContacts.item(record.Name);
    objContact = stored ? stored : std::make_shared<clsContact>();
    // What was typed was cleaned on the way in, and a refill while a question waited may have changed the
    // form: it shows what is now stored.
    if (!form.client && stored && formDiffers(fields(), *stored, false))
        UpdateForm();
    UpdateCounts();
}

void frmContacts::RemoveFormContact()
{
    const FormSnapshot began = snapshot();
    ContactCommand::RemoveDecision decision = ContactCommand::decideRemove(began, gContacts);
    WaitingCommand command(this);
    if (decision.kind == ContactCommand::RemoveDecision::NothingChosen) {
        Prompt::message(decision.text, Prompt::OkOnly, Prompt::Critical);
        return;
    }
    if (decision.kind == ContactCommand::RemoveDecision::Remove &&
        textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")))) {
        const auto answer = Prompt::message(QStringLiteral("Are you sure you want to permanently remove this ") +
                                                QStringLiteral("contact from the database?"),
                                            Prompt::YesNo, Prompt::Exclamation);
        if (!command.open() || !isYes(answer))
            return;
        // By the name taken before the question: a change while it waited may have renamed or removed it.
        decision = ContactCommand::decideRemove(began, gContacts);
    }
    if (decision.kind != ContactCommand::RemoveDecision::Remove) {
        sayGone(decision.text);
        return;
    }
    if (began.client) {
        SendContactRequest(ContactRequests::remove(decision.name));
        return;
    }
    SetState(ContactMode::Saving);
    DeleteContact(decision.name);
    objContact = std::make_shared<clsContact>();
    const QString shown = treeShown() ? (m_views->treeContactSelected() ? m_views->treeSelectedText() : QString())
                                      : m_views->listSelectedText();
    if (const auto found = gContacts.item(shown))
        objContact = found;
    UpdateForm();
    UpdateCounts();
    // With no contact left to show the window is empty, not viewing nothing: an edit then begins a new
    // contact instead of changing one that is gone.
    SetState(objContact->Name.isEmpty() ? ContactMode::Empty : ContactMode::Viewing);
}
