#include "network/ui/frmAddIP.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/IPEntry.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"

frmAddIP::frmAddIP(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddIP"));
    setWindowTitle(QStringLiteral("Add IP"));
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("IP Address:"), this);
    cmbIP = new QComboBox(this);
    cmbIP->setEditable(true);
    cmbIP->setInsertPolicy(QComboBox::NoInsert);
    cmbIP->setMinimumContentsLength(15);
    Frame1 = new QGroupBox(QStringLiteral("Type"), this);
    optRestricted = new QRadioButton(QStringLiteral("Restricted"), Frame1);
    optBlocked = new QRadioButton(QStringLiteral("Blocked"), Frame1);
    optRestricted->setChecked(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdOK->setDefault(true);
    const QList<QPair<QWidget*, const char*>> names = {
        {Label1, "Label1"},         {cmbIP, "cmbIP"}, {Frame1, "Frame1"},      {optRestricted, "optRestricted"},
        {optBlocked, "optBlocked"}, {cmdOK, "cmdOK"}, {cmdCancel, "cmdCancel"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));

    auto* types = new QVBoxLayout(Frame1);
    types->addWidget(optRestricted);
    types->addWidget(optBlocked);
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cmbIP, 0, 1);
    grid->addWidget(Frame1, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmAddIP::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddIP::cmdCancel_Click);

    // Top-most only when the program's always-on-top option asks for it.
    SetOnTop(this, false);
    AddHints();
}

QString frmAddIP::Ask(QWidget* owner)
{
    // The owner owns the dialog: if the program ends while it is open, both go together.
    QPointer<frmAddIP> dialog = new frmAddIP(owner);
    execDialog(*dialog);
    if (!dialog)
        return QString();
    const QString entry = dialog->IPAddress();
    delete dialog.data();
    return entry;
}

void frmAddIP::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_ipAddress.clear();
    cmbIP->clear();
    cmbIP->setEditText(QString());
    if (gServer) {
        for (int position = 1; position <= gServer->ClientCount(); ++position) {
            if (const clsClient* client = gServer->ClientAt(position))
                cmbIP->addItem(client->RemoteHostIP());
        }
    }
    cmbIP->setCurrentIndex(-1);
    cmbIP->setEditText(QString());
    cmbIP->setFocus();
}

void frmAddIP::cmdOK_Click()
{
    bool valid = false;
    const QString entry = IPEntry(cmbIP->currentText(), optRestricted->isChecked(), valid);
    if (!valid) {
        // The program may end while the box waits, and this dialog with its owner.
        const QPointer<frmAddIP> self(this);
        Prompt::message(QStringLiteral("Invalid IP entry"), Prompt::OkOnly, Prompt::Critical);
        if (self)
            cmbIP->setFocus();
        return;
    }
    m_ipAddress = entry;
    accept();
}

void frmAddIP::cmdCancel_Click()
{
    m_ipAddress.clear();
    cmbIP->setEditText(QString());
    reject();
}

void frmAddIP::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    gToolTip->SetToolTipObj(
        this, QStringLiteral("This form allows you to restrict or block IP addresses. This is usefull if you do not "
                             "want certain computers on your network to view caller ID information or be able to "
                             "change or delete records."));
    gToolTip->SetToolTipObj(optRestricted,
                            QStringLiteral("Select this type to have this IP address restricted. A restricted IP "
                                           "address can only view caller and contact information and cannot make "
                                           "changes to or delete records."));
    gToolTip->SetToolTipObj(optBlocked,
                            QStringLiteral("Select this type to have this IP address blocked. A blocked IP address "
                                           "cannot connect to the server application and cannot view any caller or "
                                           "contact information."));
    gToolTip->SetToolTipObj(cmbIP,
                            QStringLiteral("Here is where you enter the IP address that you would like to restrict "
                                           "or block."));
    gToolTip->SetToolTipObj(cmdOK, QStringLiteral("Clicking this button closes this form and saves changes made."));
    gToolTip->SetToolTipObj(cmdCancel,
                            QStringLiteral("Click this button to close the form without saving the current group."));
}
