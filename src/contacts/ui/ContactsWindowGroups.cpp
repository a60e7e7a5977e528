#include "contacts/ui/frmContacts.h"

#include <QComboBox>

#include "contacts/AttributeGroupEditing.h"
#include "contacts/ContactViews.h"
#include "contacts/ui/ContactsWindowShared.h"
#include "contacts/ui/frmAddAttributeGroup.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"

using ContactsWindow::isYes;

void frmContacts::UpdateAttributeGroupList()
{
    const QString kept = strState;
    SetState(ContactMode::Loading);
    cboAttributeGroup->clear();
    cboAttributeGroup->addItem(QStringLiteral("<none>"));
    for (const auto& entry : gAttributeGroups)
        cboAttributeGroup->addItem(entry.item->Description);
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    strState = kept;
}

void frmContacts::cboAttributeGroup_Click()
{
    if (isClientMode())
        return;
    const auto group = GetAttributeGroup(cboAttributeGroup->currentText());
    const bool asks =
        strState == ContactMode::Adding || strState == ContactMode::Editing || strState == ContactMode::Viewing;
    if (asks && group->Block) {
        const FormSnapshot began = snapshot();
        WaitingCommand command(this);
        const auto answer = Prompt::message(
            QStringLiteral("This attribute group WILL BE BLOCKED from making \r\nincoming calls? Are you sure you "
                           "want to block all \r\nof this contact's calls?"),
            Prompt::YesNo, Prompt::Exclamation);
        if (!command.open())
            return;
        // The group was chosen for the contact the form showed; replaced meanwhile, the choice went with it.
        if (!ContactCommand::sameContact(began, snapshot())) {
            sayGone(ContactCommand::goneMessage(ContactCommand::contactName(began)));
            return;
        }
        if (!isYes(answer))
            SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    }
    UpdateControls();
    SetState(ContactMode::Editing);
}

void frmContacts::cmdAddAttributeGroup_Click()
{
    if (isClientMode())
        return;
    WaitingCommand command(this);
    frmAddAttributeGroup editor(this);
    editor.setMode(QStringLiteral("add"));
    execDialog(editor);
    if (!command.open() || editor.Description.isEmpty())
        return;
    auto group = std::make_shared<clsAttributeGroup>();
    group->Description = editor.Description;
    group->Color = editor.Color;
    group->Block = editor.Block;
    group->Sound = editor.Sound;
    if (!AttributeGroupEditing::addGroup(group)) {
        SaveError(kDuplicateKeyError,
                  QStringLiteral("This key is already associated with an element of this collection"));
        ReportError(QStringLiteral("frmContacts_cmdAddAttributeGroup"));
        return;
    }
    RefreshAttributeGroupFile();
    UpdateAttributeGroupList();
    // Chosen by code, so the block warning and the edit follow as for a click.
    SelectListItem(cboAttributeGroup, group->Description);
    m_views->tree.addGroup(group->Description, quint32(group->Color));
    SetState(ContactMode::Editing);
}

void frmContacts::cmdRemoveAttributeGroup_Click()
{
    if (isClientMode())
        return;
    const QString name = cboAttributeGroup->currentText();
    if (groupFromBoxText(name).isEmpty()) {
        Prompt::message(QStringLiteral("You must select an attribute group to remove."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    WaitingCommand command(this);
    if (textToBool(GetProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("True")))) {
        const auto answer =
            Prompt::message(QStringLiteral("Are you sure you want to permanently remove this attribute group?"),
                            Prompt::YesNo, Prompt::Exclamation);
        if (!command.open() || !isYes(answer))
            return;
        // By its description again: the group the user chose, or nothing when it went meanwhile.
        if (!gAttributeGroups.contains(name)) {
            sayGone(ContactCommand::groupGoneMessage(name));
            return;
        }
    }
    const QString removed = GetAttributeGroup(name)->Description;
    AttributeGroupEditing::removeGroup(name);
    RefreshAttributeGroupFile();
    UpdateAttributeGroupList();
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    RefreshAttributeGroup(removed.isEmpty() ? name : removed, QString());
    m_views->tree.removeGroup(name);
    SetState(ContactMode::Editing);
    SendContacts();
    if (gMainForm)
        gMainForm->RefreshGrid();
}

void frmContacts::cmdEditAttributeGroup_Click()
{
    if (isClientMode())
        return;
    const QString oldName = cboAttributeGroup->currentText();
    if (groupFromBoxText(oldName).isEmpty()) {
        Prompt::message(QStringLiteral("You must select an attribute group to edit."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    WaitingCommand command(this);
    frmAddAttributeGroup editor(this);
    {
        // The editor starts from the group's values; the group itself is looked up again by its name after.
        const auto group = GetAttributeGroup(oldName);
        editor.setMode(QStringLiteral("edit"), group->Description);
        editor.fill(group->Description, group->Color, group->Block, group->Sound);
    }
    execDialog(editor);
    if (!command.open() || editor.Description.isEmpty())
        return;
    if (!gAttributeGroups.contains(oldName)) {
        sayGone(ContactCommand::groupGoneMessage(oldName));
        return;
    }
    clsAttributeGroup edited;
    edited.Description = editor.Description;
    edited.Color = editor.Color;
    edited.Block = editor.Block;
    edited.Sound = editor.Sound;
    // The editor refuses another group's name; should one slip through, nothing is merged or lost.
    if (!AttributeGroupEditing::editGroup(oldName, edited)) {
        Prompt::message(QStringLiteral("You cannot have duplicate descriptions."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    m_views->tree.renameGroup(oldName, edited.Description, quint32(edited.Color));
    RefreshAttributeGroupFile();
    UpdateAttributeGroupList();
    SelectListItem(cboAttributeGroup, edited.Description);
    RefreshAttributeGroup(oldName, edited.Description);
    SetState(ContactMode::Editing);
    // The clients' contacts carry the group's name: they get the renamed one now, not at the next push.
    SendContacts();
    if (gMainForm)
        gMainForm->RefreshGrid();
}
