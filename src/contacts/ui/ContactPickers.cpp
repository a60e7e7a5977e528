#include "contacts/ui/ContactPickers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

#include "contacts/ContactListModel.h"
#include "contacts/ui/SeparatorKeyFilter.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/PhoneNumber.h"
#include "core/SettingsKeys.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"

namespace {

constexpr int MaxText = 49;

QLabel* label(QWidget* parent, const char* name, const char* caption)
{
    auto* l = new QLabel(QString::fromLatin1(caption), parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QComboBox* editableCombo(QWidget* parent, const char* name, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(QString());
    QObject::connect(box, &QComboBox::editTextChanged, box, [box] { LimitText(box->lineEdit(), MaxText); });
    return box;
}

QStringList descriptions()
{
    return {QStringLiteral("Business"), QStringLiteral("Cellular"), QStringLiteral("Fax"),
            QStringLiteral("Home"),     QStringLiteral("Office"),   QStringLiteral("Work")};
}

void addButtons(QDialog* dialog, QGridLayout* grid, int row, QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, row, 0, 1, 2);
}

void commonLoad(QDialog* dialog, const char* name, const char* caption)
{
    dialog->setObjectName(QLatin1String(name));
    dialog->setWindowTitle(QString::fromLatin1(caption));
    dialog->setWindowIcon(QIcon());
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SetOnTop(dialog, false);
}

// Opened from the pop-up, which stays on top, the dialog must stay above it (unless switched off in its
// own section).
void keepAbovePopup(QDialog* dialog, const QString& tag, const char* section)
{
    if (tag.toUpper() == QLatin1String("MINI DISPLAY") &&
        textToBool(GetProperty(QString::fromLatin1(section), QString::fromLatin1(Key::OnTop), QStringLiteral("True"))))
        SetOnTop(dialog, true);
}

void focusMainWindow()
{
    if (gMainForm)
        gMainForm->SetFocus();
}

} // namespace

// --- what both share -----------------------------------------------------------------------------------

PickerDialog::PickerDialog(QWidget* owner) : QDialog(nullptr), m_owner(owner) {}

void PickerDialog::setVisible(bool visible)
{
    // Over the owner's window and above it, as a child would be; should that window go first, the dialog
    // closes with it.
    QWindow* ownerWindow = m_owner ? m_owner->window()->windowHandle() : nullptr;
    if (visible && ownerWindow) {
        create();
        if (QWindow* own = windowHandle())
            own->setTransientParent(ownerWindow);
    }
    if (visible)
        m_shown = true;
    QDialog::setVisible(visible);
}

bool PickerDialog::event(QEvent* event)
{
    // Unloaded with every other window while the opener's command holds it: it closes as cancelled, and the
    // command deletes it.
    if (event->type() == QEvent::DeferredDelete && m_shown) {
        if (isVisible())
            reject();
        return true;
    }
    return QDialog::event(event);
}

// --- frmSelectContact ---------------------------------------------------------------------------------

frmSelectContact::frmSelectContact(QWidget* owner) : PickerDialog(owner)
{
    commonLoad(this, Section::frmSelectContact, "Select A Contact");
    Label1 = label(this, "Label1", "Contacts:");
    lstContacts = new QListWidget(this);
    lstContacts->setObjectName(QStringLiteral("lstContacts"));
    Label2 = label(this, "Label2", "Number Description:");
    cmbDescription = editableCombo(this, "cmbDescription", descriptions());
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(lstContacts, 1, 0, 1, 2);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(cmbDescription, 2, 1);
    addButtons(this, grid, 3, cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmSelectContact::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelectContact::cmdCancel_Click);
    resize(320, 300);
}

void frmSelectContact::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    keepAbovePopup(this, Tag, Section::frmSelectContact);
    m_contactName.clear();
    m_description.clear();
    cmbDescription->setEditText(QString());
    lstContacts->clear();
    // Sorted as a list box sorts: capitals ignored.
    QStringList names;
    for (const auto& entry : gContacts)
        names << entry.item->Name;
    std::sort(names.begin(), names.end(), contactTextLess);
    lstContacts->addItems(names);
    SetListScrollWidth(lstContacts);
    if (lstContacts->count() > 0)
        lstContacts->setCurrentRow(0);
}

void frmSelectContact::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    focusMainWindow();
}

void frmSelectContact::cmdOK_Click()
{
    const QListWidgetItem* chosen = lstContacts->currentItem();
    m_contactName = chosen && chosen->isSelected() ? chosen->text() : QString();
    m_description = StripSeparators(cmbDescription->currentText(), QString());
    accept();
}

void frmSelectContact::cmdCancel_Click()
{
    m_contactName.clear();
    m_description.clear();
    cmbDescription->setEditText(QString());
    reject();
}

// --- frmNewContact ------------------------------------------------------------------------------------

frmNewContact::frmNewContact(QWidget* owner) : PickerDialog(owner)
{
    commonLoad(this, Section::frmNewContact, "New Contact Info");
    Label1 = label(this, "Label1", "Name:");
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    connect(txtName, &QLineEdit::textChanged, this, [this] { LimitText(txtName, MaxText); });
    Label3 = label(this, "Label3", "Number:");
    cmbNumber = editableCombo(
        this, "cmbNumber",
        {QStringLiteral("PRIVATE NUMBER"), QStringLiteral("UNKNOWN NUMBER"), QStringLiteral("NOT RECEIVED")});
    Label2 = label(this, "Label2", "Number Description:");
    cmbDescription = editableCombo(this, "cmbDescription", descriptions());
    SeparatorKeyFilter::install(txtName);
    SeparatorKeyFilter::install(cmbNumber->lineEdit());
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtName, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(cmbNumber, 1, 1);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(cmbDescription, 2, 1);
    addButtons(this, grid, 3, cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &frmNewContact::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmNewContact::cmdCancel_Click);
    setFixedWidth(380);
}

void frmNewContact::Prefill(const QString& name, const QString& number)
{
    txtName->setText(name);
    cmbNumber->setEditText(number);
}

void frmNewContact::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    keepAbovePopup(this, Tag, Section::frmNewContact);
    m_contactName.clear();
    m_number.clear();
    m_description.clear();
    cmbDescription->setEditText(QString());
    // Typing replaces the proposed name.
    txtName->setFocus(Qt::OtherFocusReason);
    txtName->setSelection(0, int(txtName->text().size()));
}

void frmNewContact::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    focusMainWindow();
}

void frmNewContact::cmdOK_Click()
{
    const auto number = FormatPhoneNumber(cmbNumber->currentText());
    if (!number) {
        Prompt::message(numberLengthMessage(), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    m_number = *number;
    m_description = StripSeparators(cmbDescription->currentText(), QString());
    m_contactName = StripSeparators(txtName->text(), QString());
    accept();
}

void frmNewContact::cmdCancel_Click()
{
    m_contactName.clear();
    m_number.clear();
    m_description.clear();
    cmbDescription->setEditText(QString());
    reject();
}
