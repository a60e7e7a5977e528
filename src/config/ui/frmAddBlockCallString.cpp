#include "config/ui/frmAddBlockCallString.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/BlockCallString.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"

frmAddBlockCallString::frmAddBlockCallString(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddBlockCallString"));
    setWindowTitle(QStringLiteral("Add Block Call String"));
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("Block Call String:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboBlockCallString = new QComboBox(this);
    cboBlockCallString->setObjectName(QStringLiteral("cboBlockCallString"));
    cboBlockCallString->setEditable(true);
    cboBlockCallString->setInsertPolicy(QComboBox::NoInsert);
    cboBlockCallString->addItems({QStringLiteral("PRIVATE NUMBER"), QStringLiteral("UNKNOWN NUMBER")});
    cboBlockCallString->setEditText(QString());
    cboBlockCallString->lineEdit()->installEventFilter(this);
    Label1->setBuddy(cboBlockCallString);
    Label2 = new QLabel(QStringLiteral("The asterisk (*) can be used as a wild card character for block call strings."),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmAddBlockCallString::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddBlockCallString::cmdCancel_Click);
    connect(cboBlockCallString->lineEdit(), &QLineEdit::textChanged, this,
            [this] { LimitText(cboBlockCallString->lineEdit(), MaxLength); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cboBlockCallString, 0, 1);
    grid->addWidget(Label2, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    setFixedWidth(400);
    adjustSize();
    setFixedSize(size());

    SetOnTop(this, false);
    AddHints();
}

frmAddBlockCallString::~frmAddBlockCallString() { detachChildren(this); }

void frmAddBlockCallString::setText(const QString& text) { cboBlockCallString->setEditText(text); }

void frmAddBlockCallString::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    gToolTip->SetToolTipObj(this, QStringLiteral("This form is where you enter a call block string to block "
                                                 "incoming calls."));
    gToolTip->SetToolTipObj(cboBlockCallString,
                            QStringLiteral("This is where you enter the call block string. A call block string is "
                                           "just a number like (555) 555-5555 or Private Number and the asterisk "
                                           "character can be used as a wild card character to block multiple "
                                           "numbers."));
    gToolTip->SetToolTipObj(cmdOK, QStringLiteral("Clicking this button closes this form and saves changes made."));
    gToolTip->SetToolTipObj(cmdCancel,
                            QStringLiteral("Click this button to close the form without saving the current group."));
}

bool frmAddBlockCallString::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cboBlockCallString->lineEdit() && event->type() == QEvent::KeyPress) {
        // These would break the settings list the strings are kept in.
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        for (const char* refused : {";", "'", "|", "/"}) {
            if (typed == QLatin1String(refused))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAddBlockCallString::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_result.clear();
    cboBlockCallString->setFocus();
}

void frmAddBlockCallString::cmdOK_Click()
{
    const std::optional<QString> normalised = NormaliseBlockCallString(cboBlockCallString->currentText());
    if (!normalised) {
        Prompt::message(BlockCallStringLengthMessage(), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    m_result = *normalised;
    accept();
}

void frmAddBlockCallString::cmdCancel_Click()
{
    m_result.clear();
    reject();
}

void frmAddBlockCallString::done(int result)
{
    // Closing by the window's box is a Cancel; any way out empties the box.
    if (result != QDialog::Accepted)
        m_result.clear();
    cboBlockCallString->setEditText(QString());
    QDialog::done(result);
}
