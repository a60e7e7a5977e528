#include "contacts/ui/frmAddNumber.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "contacts/ui/SeparatorKeyFilter.h"
#include "core/PhoneNumber.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"

namespace {
constexpr int MaxText = 49;
}

frmAddNumber::frmAddNumber(QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::fromLatin1(Section::frmAddNumber));
    setWindowTitle(QStringLiteral("Add Number"));
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("Number:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmbNumber = new QComboBox(this);
    cmbNumber->setObjectName(QStringLiteral("cmbNumber"));
    cmbNumber->setEditable(true);
    cmbNumber->setInsertPolicy(QComboBox::NoInsert);
    cmbNumber->addItems(
        {QStringLiteral("PRIVATE NUMBER"), QStringLiteral("UNKNOWN NUMBER"), QStringLiteral("NOT RECEIVED")});
    Label2 = new QLabel(QStringLiteral("Description:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    cmbDescription = new QComboBox(this);
    cmbDescription->setObjectName(QStringLiteral("cmbDescription"));
    cmbDescription->setEditable(true);
    cmbDescription->setInsertPolicy(QComboBox::NoInsert);
    cmbDescription->addItems({QStringLiteral("Business"), QStringLiteral("Calling Card"), QStringLiteral("Cellular"),
                              QStringLiteral("Fax"), QStringLiteral("Home"), QStringLiteral("Office"),
                              QStringLiteral("Work")});
    for (QComboBox* box : {cmbNumber, cmbDescription}) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
        SeparatorKeyFilter::install(box->lineEdit());
        connect(box, &QComboBox::editTextChanged, this, [box] { LimitText(box->lineEdit(), MaxText); });
    }
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmAddNumber::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddNumber::cmdCancel_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cmbNumber, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(cmbDescription, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    setFixedWidth(360);

    SetOnTop(this, false);
    AddHints();
}

void frmAddNumber::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A previous use leaves nothing behind.
    m_number.clear();
    m_description.clear();
    cmbNumber->setFocus(Qt::OtherFocusReason);
}

void frmAddNumber::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    gToolTip->SetToolTipObj(this, QStringLiteral("This form is where you enter the number information for contacts."));
    gToolTip->SetToolTipObj(cmbNumber,
                            QStringLiteral("This is where you enter the number for this contact. You can type this "
                                           "number in any format and it will be saved in the standard format (555) "
                                           "555-5555 or 555-5555."));
    gToolTip->SetToolTipObj(cmbDescription,
                            QStringLiteral("This is where you enter the description associated with this number. This "
                                           "description appears in parenthesis next to the number in the main "
                                           "display."));
    gToolTip->SetToolTipObj(cmdOK, QStringLiteral("Clicking this button closes this form and saves changes made."));
    gToolTip->SetToolTipObj(cmdCancel,
                            QStringLiteral("Clicking this button closes this form without saving the number."));
}

void frmAddNumber::Prefill(const QString& number, const QString& description)
{
    cmbNumber->setEditText(number);
    cmbDescription->setEditText(description);
}

void frmAddNumber::cmdOK_Click()
{
    const auto number = FormatPhoneNumber(cmbNumber->currentText());
    if (!number) {
        Prompt::message(numberLengthMessage(), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    m_description = StripSeparators(cmbDescription->currentText(), QString());
    m_number = StripSeparators(*number, QString());
    accept();
}

void frmAddNumber::cmdCancel_Click()
{
    m_number.clear();
    m_description.clear();
    cmbNumber->setEditText(QString());
    cmbDescription->setEditText(QString());
    reject();
}
