#include "contacts/ui/frmContacts.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeView>

#include "contacts/ContactViews.h"
#include "contacts/ui/ContactsWindowShared.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "platform/Prompt.h"

using ContactsWindow::isYes;
using ContactsWindow::SaveQuestion;

bool frmContacts::treeShown() const { return tvwContacts->isVisibleTo(const_cast<frmContacts*>(this)); }

std::shared_ptr<clsContact> frmContacts::echoOfForm() const
{
    const auto stored = gContacts.item(cleanedName(txtName->text()));
    return stored && !formDiffersFrom(*stored) ? stored : nullptr;
}

std::optional<QString> frmContacts::keptContact(bool adding) const
{
    if (adding || strState == ContactMode::Saving || !CheckChange())
        return std::nullopt;
    // A change of ours the server has sent back: the contact it made is highlighted, and shown.
    if (const auto echo = echoOfForm())
        return echo->Name;
    return objContact->Name;
}

bool frmContacts::refillMayShow(bool adding, bool typedFound, const clsContact& candidate) const
{
    if (adding)
        return typedFound;
    if (strState == ContactMode::Saving)
        return true;
    // Edits not yet saved stay on the form, unless the contact about to be shown is what the form holds.
    return !CheckChange() || !formDiffersFrom(candidate);
}

void frmContacts::UpdateList()
{
    const int numberLine = lstNumbers->currentRow();
    const bool adding = strState == ContactMode::Adding;
    // The server's echo of a new contact comes back cleaned: it is looked for under the cleaned name.
    const bool found =
        m_views->refillList(gContacts, gAttributeGroups, adding, cleanedName(txtName->text()), keptContact(adding));
    if (treeShown())
        return;
    const auto candidate = GetContact(m_views->listSelectedText());
    if (!refillMayShow(adding, found, *candidate))
        return;
    objContact = candidate;
    UpdateForm();
    const int count = lstNumbers->count();
    if (numberLine == -1 && count > 1)
        selectNumberLine(0);
    else if (count <= 1)
        selectNumberLine(-1);
    else
        selectNumberLine(std::min(numberLine, count - 1));
}

void frmContacts::UpdateTree()
{
    const int numberLine = lstNumbers->currentRow();
    const bool adding = strState == ContactMode::Adding;
    const bool found =
        m_views->refillTree(gContacts, gAttributeGroups, adding, cleanedName(txtName->text()), keptContact(adding));
    if (!treeShown())
        return;
    const auto candidate =
        m_views->treeContactSelected() ? GetContact(m_views->treeSelectedText()) : std::make_shared<clsContact>();
    if (!refillMayShow(adding, found, *candidate))
        return;
    objContact = candidate;
    UpdateForm();
    selectNumberLine(std::min(numberLine, lstNumbers->count() - 1));
}

void frmContacts::AddC(const clsContact& contact)
{
    m_views->addContact(contact, gAttributeGroups);
    // A change from another window (the call list's and the pop-up's pickers, a client) counts too.
    countsChanged();
}

void frmContacts::RemoveC(const QString& name)
{
    // Removed elsewhere (a client's request) while this window shows it: the highlight moves on, and the
    // form follows it as after a refill, unless it keeps edits; then nothing stays highlighted.
    const bool shown = strState != ContactMode::Saving && ContactCommand::sameName(objContact->Name, name);
    const bool keepsEdits = shown && CheckChange();
    m_views->removeContact(name);
    if (keepsEdits) {
        m_views->clearListSelection();
        m_views->clearTreeSelection();
        UpdateControls();
    } else if (shown) {
        const QString selected = treeShown()
                                     ? (m_views->treeContactSelected() ? m_views->treeSelectedText() : QString())
                                     : m_views->listSelectedText();
        objContact = GetContact(selected);
        UpdateForm();
    }
    countsChanged();
}

void frmContacts::EditC(const QString& oldName, const clsContact& contact)
{
    const QModelIndex node = m_views->treeSelected();
    const bool expanded = node.isValid() && tvwContacts->isExpanded(node);
    m_views->editContact(oldName, contact, gAttributeGroups);
    countsChanged();
    if (objContact->Name != oldName)
        return;
    const auto candidate = GetContact(contact.Name);
    // A change made elsewhere (a client, a group rename) does not overwrite edits in progress here.
    if (strState != ContactMode::Saving && CheckChange() && formDiffersFrom(*candidate))
        return;
    objContact = candidate;
    UpdateForm();
    if (treeShown()) {
        m_views->selectTreeContact(contact.Name);
        const QModelIndex now = m_views->treeSelected();
        if (now.isValid())
            tvwContacts->setExpanded(now, expanded);
    }
}

void frmContacts::ShowTreeView()
{
    SaveProperty(Section::frmContacts, Key::TreeView, QStringLiteral("True"));
    tvwContacts->show();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewTree")))
        a->setChecked(true);
    const QString listed = m_views->listSelectedText();
    if (!listed.isEmpty())
        m_views->selectTreeContact(listed);
    tvwContacts->scrollTo(m_views->treeSelected());
    lsvContacts->hide();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewList")))
        a->setChecked(false);
    if (QAction* list = button("list"))
        list->setChecked(true);
    UpdateControls();
}

void frmContacts::ShowListView()
{
    SaveProperty(Section::frmContacts, Key::TreeView, QStringLiteral("False"));
    lsvContacts->show();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewList")))
        a->setChecked(true);
    // A group or number node names no list item: the list keeps its own selection.
    if (m_views->treeContactSelected())
        m_views->selectListItem(m_views->treeSelectedText());
    lsvContacts->scrollTo(m_views->listSelection.currentIndex());
    tvwContacts->hide();
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuViewTree")))
        a->setChecked(false);
    if (QAction* list = button("list"))
        list->setChecked(false);
    UpdateControls();
}

void frmContacts::lsvContacts_ItemClick()
{
    const QString text = m_views->listSelectedText();
    if (text == objContact->Name)
        return;
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        WaitingCommand command(this);
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        if (!command.open())
            return;
        const bool saved = isYes(answer) && SaveContact(form);
        if (!command.open())
            return;
        // A refused save keeps the edits, and the contact they belong to; so does a click on a contact that
        // went while the question waited.
        const bool clickedGone = !gContacts.contains(text);
        if ((isYes(answer) && !saved) || clickedGone) {
            if (clickedGone)
                sayGone(ContactCommand::goneMessage(text));
            if (!command.open())
                return;
            if (!m_views->selectListItem(objContact->Name))
                m_views->clearListSelection();
            UpdateControls();
            return;
        }
        m_views->selectListItem(text);
    }
    objContact = GetContact(text);
    UpdateForm();
}

void frmContacts::tvwContacts_NodeClick()
{
    const QString text = m_views->treeSelectedText();
    const bool isContact = m_views->treeContactSelected();
    if (isContact && text == objContact->Name)
        return;
    const auto ref = m_views->tree.refOf(m_views->treeSelected());
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        WaitingCommand command(this);
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        if (!command.open())
            return;
        const bool saved = isYes(answer) && SaveContact(form);
        if (!command.open())
            return;
        const bool clickedGone = isContact && !gContacts.contains(text);
        if ((isYes(answer) && !saved) || clickedGone) {
            if (clickedGone)
                sayGone(ContactCommand::goneMessage(text));
            if (!command.open())
                return;
            if (!m_views->selectTreeContact(objContact->Name))
                m_views->clearTreeSelection();
            UpdateControls();
            return;
        }
        // Saving may have moved the selection: the clicked node, by its key.
        if (ref)
            m_views->selectTree(m_views->tree.find(*ref));
    }
    // A group or number node shows no contact.
    objContact = isContact ? GetContact(text) : std::make_shared<clsContact>();
    UpdateForm();
}
