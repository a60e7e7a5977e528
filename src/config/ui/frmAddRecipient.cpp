#include "config/ui/frmAddRecipient.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/ui/modMainGui.h"

frmAddRecipient::frmAddRecipient(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddRecipient"));
    setWindowTitle(QStringLiteral("Add Recipient"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblRecipient = new QLabel(QStringLiteral("Recipient Address:"), this);
    lblRecipient->setObjectName(QStringLiteral("lblRecipient"));
    txtRecipient = new QLineEdit(this);
    txtRecipient->setObjectName(QStringLiteral("txtRecipient"));
    lblRecipient->setBuddy(txtRecipient);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    // Taking an address leads nowhere yet: the button stays off rather than doing nothing.
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddRecipient::cmdCancel_Click);
    connect(txtRecipient, &QLineEdit::textChanged, this, [this] { LimitText(txtRecipient, MaxLength); });
    auto* grid = new QGridLayout(this);
    grid->addWidget(lblRecipient, 0, 0);
    grid->addWidget(txtRecipient, 0, 1, 1, 2);
    grid->addWidget(cmdOK, 1, 1);
    grid->addWidget(cmdCancel, 1, 2);
    SetOnTop(this, false);
    setWindowIcon(QIcon());
}

void frmAddRecipient::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_recipient.clear();
    txtRecipient->clear();
}

void frmAddRecipient::cmdCancel_Click()
{
    m_recipient.clear();
    txtRecipient->clear();
    reject();
}
