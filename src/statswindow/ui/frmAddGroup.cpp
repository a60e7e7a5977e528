#include "statswindow/ui/frmAddGroup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/ui/modMainGui.h"
#include "statswindow/StatsCustomization.h"

frmAddGroup::frmAddGroup(QWidget* parent) : StatisticEditorBase("frmAddGroup", true, parent)
{
    setWindowTitle(QStringLiteral("Add Group"));
    auto* label2 = new QLabel(QStringLiteral("Contacts:"), this);
    label2->setObjectName(QStringLiteral("lblContacts"));
    lstContact = new QListWidget(this);
    lstContact->setObjectName(QStringLiteral("lstContact"));
    lstContact->setSortingEnabled(true);
    auto* label3 = new QLabel(QStringLiteral("Customize:"), this);
    label3->setObjectName(QStringLiteral("lblCustomize"));
    txtGroup = new QPlainTextEdit(this);
    txtGroup->setObjectName(QStringLiteral("txtGroup"));
    txtGroup->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtGroup->setTabChangesFocus(true);
    label2->setBuddy(lstContact);
    label3->setBuddy(txtGroup);
    connect(lstContact, &QListWidget::itemChanged, this, &frmAddGroup::lstContact_ItemCheck);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblDescription, 0, 0);
    grid->addWidget(txtDescription, 0, 1);
    grid->addWidget(label2, 1, 0, Qt::AlignTop);
    grid->addWidget(lstContact, 1, 1);
    grid->addWidget(label3, 2, 0, Qt::AlignTop);
    grid->addWidget(txtGroup, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    setFixedSize(440, 400);
    AddHints();
}

void frmAddGroup::fill(const QString& description, const QString& group)
{
    txtDescription->setText(description);
    txtGroup->setPlainText(group);
}

void frmAddGroup::Disable() { disableWith(lstContact, txtGroup); }

void frmAddGroup::AddHints()
{
    addHints({
        {this, QStringLiteral("This form allows you to create custom statistical groups.")},
        {txtDescription, QStringLiteral("Here is where you enter the name you would like this statitics group to "
                                        "have. Duplicate names are not allowed.")},
        {txtGroup,
         QStringLiteral("Here you can customize the SQL statement that is used to generate this group's data.")},
        {lstContact, QStringLiteral("Checking contacts in this list will adds these contacts to this group. This "
                                    "includes all the numbers associated with each contact.")},
        {cmdSave, QStringLiteral("Clicking this button closes this form and saves changes made.")},
        {cmdCancel, QStringLiteral("Click this button to close the form without saving the current group.")},
    });
}

void frmAddGroup::clearOwnResults() { m_group.clear(); }

void frmAddGroup::storeOwnResults() { m_group = txtGroup->toPlainText(); }

void frmAddGroup::firstShow()
{
    {
        const QSignalBlocker block(lstContact);
        lstContact->clear();
        for (const auto& e : gContacts) {
            auto* item = new QListWidgetItem(e.item->Name);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            lstContact->addItem(item);
        }
    }
    SetListScrollWidth(lstContact);
    CheckNames();
}

void frmAddGroup::CheckNames()
{
    for (const QString& name : StatsCustomization::ContactsCoveredBy(txtGroup->toPlainText()))
        CheckContact(name);
}

void frmAddGroup::CheckContact(const QString& name)
{
    m_ignoreChecks = true;
    for (int i = 0; i < lstContact->count(); ++i) {
        if (lstContact->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            lstContact->item(i)->setCheckState(Qt::Checked);
            break;
        }
    }
    m_ignoreChecks = false;
}

void frmAddGroup::lstContact_ItemCheck(QListWidgetItem* item)
{
    (void)item;
    if (m_ignoreChecks)
        return;
    // The whole condition is written again from every ticked contact, top to bottom.
    QStringList ticked;
    for (int i = 0; i < lstContact->count(); ++i) {
        if (lstContact->item(i)->checkState() == Qt::Checked)
            ticked << lstContact->item(i)->text();
    }
    txtGroup->setPlainText(StatsCustomization::GroupCondition(ticked));
}
