#include "contacts/ui/frmContacts.h"

#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "contacts/ContactPicture.h"
#include "contacts/ContactViews.h"
#include "contacts/ui/ContactsWindowShared.h"
#include "contacts/ui/frmAddNumber.h"
#include "core/Globals.h"
#include "core/modContactDB.h"
#include "core/ui/modMainGui.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"

using ContactsWindow::isYes;
using ContactsWindow::SaveQuestion;

namespace {

QStringList lineTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

FormSnapshot frmContacts::snapshot() const
{
    FormSnapshot s;
    s.storedName = objContact->Name;
    s.mode = strState;
    s.fields = fields();
    s.stored = *objContact;
    s.client = isClientMode();
    s.contactSelected = ContactSelected();
    return s;
}

void frmContacts::sayGone(const QString& text) { Prompt::message(text, Prompt::OkOnly, Prompt::Exclamation); }

ContactFields frmContacts::fields() const
{
    ContactFields f;
    f.name = txtName->text();
    f.groupText = cboAttributeGroup->currentText();
    f.imageFile = strImageFile;
    f.otherInfo = txtOtherInfo->toPlainText();
    f.numbers = colNumbers.items();
    return f;
}

bool frmContacts::CheckChange() const { return formDiffers(fields(), *objContact, isClientMode()); }

bool frmContacts::formDiffersFrom(const clsContact& contact) const
{
    return formDiffers(cleanedFields(fields()), contact, isClientMode());
}

void frmContacts::setPicture(const QString& path)
{
    const QImage image = ContactPicture::load(path);
    m_picture = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    if (m_picture.isNull()) {
        imgContactImage->clear();
        return;
    }
    imgContactImage->setPixmap(
        m_picture.scaled(imgContactImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmContacts::selectNumberLine(int row)
{
    if (row < 0 || row >= lstNumbers->count()) {
        lstNumbers->setCurrentRow(-1);
        lstNumbers->clearSelection();
    } else {
        lstNumbers->setCurrentRow(row);
    }
}

void frmContacts::UpdateForm()
{
    SetState(ContactMode::Loading);
    ClearContact();
    if (objContact->Name.isEmpty()) {
        ClearContact();
        SetState(ContactMode::Empty);
    } else {
        txtName->setText(objContact->Name);
        for (const auto& entry : objContact->Numbers) {
            const QString text = entry.item->PrintNumberDescription();
            colNumbers.add(text, entry.item);
            lstNumbers->addItem(text);
        }
        SetListScrollWidth(lstNumbers);
        if (lstNumbers->count() > 0 && lstNumbers->currentRow() < 0)
            lstNumbers->setCurrentRow(0);
        SelectListItem(cboAttributeGroup, objContact->AttributeGroup);
        strImageFile = objContact->ImageFile;
        setPicture(strImageFile);
        txtOtherInfo->setPlainText(objContact->OtherInfo);
        SetState(ContactMode::Viewing);
    }
    UpdateControls();
}

void frmContacts::ClearContact()
{
    const QString kept = strState;
    SetState(ContactMode::Loading);
    colNumbers = KeyedCollection<clsNumber>();
    txtName->clear();
    lstNumbers->clear();
    SetListScrollWidth(lstNumbers);
    strImageFile.clear();
    m_picture = QPixmap();
    imgContactImage->clear();
    txtOtherInfo->clear();
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    // Back to the mode it had, without a new status text.
    strState = kept;
}

void frmContacts::SetContact(const QString& name)
{
    if (name == objContact->Name)
        return;
    if (treeShown())
        m_views->selectTreeContact(name);
    else
        m_views->selectListItem(name);
    objContact = GetContact(name);
    UpdateForm();
}

void frmContacts::SetNewContact()
{
    const FormSnapshot form = snapshot();
    if (form.changed()) {
        WaitingCommand command(this);
        const auto answer = Prompt::message(QString::fromLatin1(SaveQuestion), Prompt::YesNo, Prompt::NoIcon);
        if (!command.open())
            return;
        if (isYes(answer) && (!SaveContact(form) || !command.open()))
            return; // the edits stay; nothing is begun
    }
    ClearContact();
    objContact = std::make_shared<clsContact>();
    SelectListItem(cboAttributeGroup, QStringLiteral("<none>"));
    m_views->clearListSelection();
    m_views->clearTreeSelection();
    SetState(ContactMode::Adding);
    UpdateControls();
}

// ---------------------------------------------------------------------------------------------------------
// Numbers and picture

void frmContacts::cmdAddNumber_Click()
{
    const FormSnapshot began = snapshot();
    WaitingCommand command(this);
    frmAddNumber dialog(this);
    execDialog(dialog);
    if (!command.open() || dialog.Number().isEmpty())
        return;
    // The number belongs to the contact the form showed when the dialog opened, never to whatever a refill
    // put there meanwhile.
    if (!ContactCommand::sameContact(began, snapshot())) {
        sayGone(ContactCommand::goneMessage(ContactCommand::contactName(began)));
        return;
    }
    auto number = std::make_shared<clsNumber>(dialog.Number(), dialog.Description());
    const QString text = number->PrintNumberDescription();
    if (!colNumbers.add(text, number)) {
        Prompt::message(QStringLiteral("You cannot have duplicate numbers in this database."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    lstNumbers->addItem(text);
    SetListScrollWidth(lstNumbers);
    SetState(ContactMode::Editing);
}

void frmContacts::cmdEditNumber_Click()
{
    const QListWidgetItem* line = lstNumbers->currentItem();
    if (!line || !line->isSelected()) {
        Prompt::message(QStringLiteral("You must select a number to edit."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    // The line is kept by its text and the contact by its name: a refill while the dialog waits deletes the
    // lines and makes new ones.
    const QString oldText = line->text();
    const FormSnapshot began = snapshot();
    WaitingCommand command(this);
    frmAddNumber dialog(this);
    dialog.setWindowTitle(QStringLiteral("Edit Number"));
    if (const auto working = colNumbers.item(oldText)) {
        dialog.Prefill(working->Number, working->Description);
    }
    execDialog(dialog);
    if (!command.open() || dialog.Number().isEmpty())
        return;
    const auto where = ContactCommand::findLine(began, snapshot(), lineTexts(lstNumbers), oldText);
    if (where.kind != ContactCommand::LineDecision::Apply) {
        sayGone(where.text);
        return;
    }
    auto number = std::make_shared<clsNumber>(dialog.Number(), dialog.Description());
    const QString text = number->PrintNumberDescription();
    if (colNumbers.contains(text) && text.compare(oldText, Qt::CaseInsensitive) != 0) {
        Prompt::message(QStringLiteral("You cannot have duplicate numbers in this database."), Prompt::OkOnly,
                        Prompt::Critical);
        return;
    }
    // The edited number goes to the end of the contact's numbers; its line keeps its place until the
    // contact is shown again.
    colNumbers.remove(oldText);
    colNumbers.add(text, number);
    lstNumbers->item(where.row)->setText(text);
    SetListScrollWidth(lstNumbers);
    SetState(ContactMode::Editing);
}

void frmContacts::cmdRemoveNumber_Click()
{
    const int row = lstNumbers->currentRow();
    QListWidgetItem* line = lstNumbers->currentItem();
    if (row < 0 || !line || !line->isSelected()) {
        Prompt::message(QStringLiteral("You must select a number to remove."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    colNumbers.remove(line->text());
    delete lstNumbers->takeItem(row);
    // The line that took its place, or the new last one; none when the list is empty.
    selectNumberLine(std::min(row, lstNumbers->count() - 1));
    SetListScrollWidth(lstNumbers);
    SetState(ContactMode::Editing);
}

void frmContacts::cmdChangeImage_Click()
{
    const FormSnapshot began = snapshot();
    WaitingCommand command(this);
    for (;;) {
        const QString folder = m_imageTag.isEmpty() ? programFolder() : m_imageTag;
        const QString path = Prompt::openFile(QStringLiteral("Change Image"), folder, ContactPicture::fileFilter());
        if (!command.open() || path.isEmpty())
            return;
        QString refusal;
        if (!QFileInfo::exists(path))
            refusal = path + QStringLiteral(" was not found. Choose another file.");
        else if (const auto bad = ContactPicture::pathRefusal(path))
            refusal = *bad;
        else if (path == strImageFile)
            refusal = path + QStringLiteral(" is already loaded. Choose another file.");
        if (!refusal.isEmpty()) {
            const auto again = Prompt::message(refusal, Prompt::OkCancel, Prompt::Critical);
            if (!command.open() || again != Prompt::Ok)
                return;
            continue;
        }
        // The picture is the one of the contact the form showed when the dialog opened.
        if (!ContactCommand::sameContact(began, snapshot())) {
            sayGone(ContactCommand::goneMessage(ContactCommand::contactName(began)));
            return;
        }
        strImageFile = path;
        m_imageTag = path;
        setPicture(path);
        SetState(ContactMode::Editing);
        return;
    }
}

void frmContacts::cmdClearImage_Click()
{
    if (isClientMode())
        return;
    strImageFile.clear();
    m_picture = QPixmap();
    imgContactImage->clear();
    SetState(ContactMode::Editing);
}
