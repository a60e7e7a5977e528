#include "contacts/ui/frmFindContact.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "contacts/ContactSearch.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/ui/modMainGui.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"

namespace {
QPointer<frmFindContact> g_instance;
} // namespace

frmFindContact* frmFindContact::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmFindContact;
    return g_instance;
}

frmFindContact* frmFindContact::showOwnedBy(QWidget* owner)
{
    frmFindContact* w = instance();
    ShowOwned(w, owner);
    w->raise();
    w->activateWindow();
    return w;
}

frmFindContact::frmFindContact() : QDialog(nullptr)
{
    setObjectName(QString::fromLatin1(Section::frmFindContact));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Find Contact"));
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);

    Label1 = new QLabel(QStringLiteral("Search Conditions:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboConditions = new QComboBox(this);
    cboConditions->setObjectName(QStringLiteral("cboConditions"));
    cboConditions->setEditable(true);
    cboConditions->setInsertPolicy(QComboBox::NoInsert);

    Frame1 = new QGroupBox(QStringLiteral("Search Field"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* fields = new QVBoxLayout(Frame1);
    const char* const captions[] = {"Contact Name", "Contact Number", "Attribute Group", "Other Info"};
    for (int i = 0; i < 4; ++i) {
        optField[i] = new QRadioButton(QString::fromLatin1(captions[i]), Frame1);
        optField[i]->setObjectName(QStringLiteral("optField(%1)").arg(i));
        fields->addWidget(optField[i]);
    }
    optField[0]->setChecked(true);

    Label2 = new QLabel(QStringLiteral("Search Results:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    lstResults = new QListWidget(this);
    lstResults->setObjectName(QStringLiteral("lstResults"));
    label3 = new QLabel(QStringLiteral("Contacts Found:"), this);
    label3->setObjectName(QStringLiteral("label3"));
    lblRecords = new QLabel(QStringLiteral("0"), this);
    lblRecords->setObjectName(QStringLiteral("lblRecords"));

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdFind = button("cmdFind", "&Find");
    cmdFind->setDefault(true);
    cmdDisplay = button("cmdDisplay", "&Display");
    cmdClose = button("cmdClose", "&Close");
    connect(cmdFind, &QPushButton::clicked, this, &frmFindContact::cmdFind_Click);
    connect(cmdDisplay, &QPushButton::clicked, this, &frmFindContact::cmdDisplay_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmFindContact::cmdClose_Click);
    // Enter in the pattern box searches, as the default button would.
    connect(cboConditions->lineEdit(), &QLineEdit::returnPressed, this, &frmFindContact::cmdFind_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(cboConditions);
    layout->addWidget(Frame1);
    layout->addWidget(Label2);
    layout->addWidget(lstResults, 1);
    auto* count = new QHBoxLayout;
    count->addWidget(label3);
    count->addWidget(lblRecords, 1);
    layout->addLayout(count);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdFind);
    buttons->addWidget(cmdDisplay);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);

    resize(Twips::toPixels(4935), Twips::toPixels(6165));
    SetOnTop(this, false);
    RestoreFormPosition(this);
    AddHints();
}

frmFindContact::~frmFindContact() { detachChildren(this); }

int frmFindContact::field() const
{
    for (int i = 0; i < 4; ++i)
        if (optField[i]->isChecked())
            return i;
    return -1;
}

void frmFindContact::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Resize();
}

void frmFindContact::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible())
        Form_Resize();
}

void frmFindContact::Form_Resize()
{
    LoadConditions();
    cboConditions->setFocus(Qt::OtherFocusReason);
}

void frmFindContact::closeEvent(QCloseEvent* event)
{
    if (!isMinimized() && !isMaximized())
        SaveFormPosition(this, PlacePosition);
    QDialog::closeEvent(event);
}

void frmFindContact::LoadConditions()
{
    const QString typed = cboConditions->currentText();
    cboConditions->clear();
    cboConditions->addItems(ContactSearch::history());
    cboConditions->setCurrentIndex(-1);
    cboConditions->setEditText(typed);
}

void frmFindContact::cmdFind_Click()
{
    const QString pattern = cboConditions->currentText();
    if (pattern.isEmpty())
        return;
    const int chosen = field();
    ContactSearch::remember(pattern);
    LoadConditions();
    // A client has no contact file: its search only records the pattern.
    if (isClientMode() || chosen < 0)
        return;
    const ContactSearch::Result found = ContactSearch::run(ContactSearch::Field(chosen), pattern);
    lstResults->clear();
    lstResults->addItems(found.names);
    lblRecords->setText(QString::number(found.records));
}

void frmFindContact::cmdDisplay_Click()
{
    QListWidgetItem* item = lstResults->currentItem();
    if (!item || !item->isSelected())
        return;
    if (frmContacts* book = frmContacts::instance(false))
        book->SetContact(item->text());
}
