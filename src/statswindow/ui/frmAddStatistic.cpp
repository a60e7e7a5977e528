#include "statswindow/ui/frmAddStatistic.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/ui/modMainGui.h"
#include "statswindow/StatsCustomization.h"

frmAddStatistic::frmAddStatistic(QWidget* parent) : StatisticEditorBase("frmAddStatistic", false, parent)
{
    setWindowTitle(QStringLiteral("Add Statistic"));
    auto* label2 = new QLabel(QStringLiteral("Statistic SQL:"), this);
    label2->setObjectName(QStringLiteral("lblStatisticSQL"));
    txtStatisticSQL = new QPlainTextEdit(this);
    txtStatisticSQL->setObjectName(QStringLiteral("txtStatisticSQL"));
    txtStatisticSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtStatisticSQL->setTabChangesFocus(true);
    auto* label3 = new QLabel(QStringLiteral("Type:"), this);
    label3->setObjectName(QStringLiteral("lblType"));
    cboStyle = new QComboBox(this);
    cboStyle->setObjectName(QStringLiteral("cboStyle"));
    cboStyle->addItems(StatsCustomization::StyleNames());
    cboStyle->setCurrentIndex(-1);
    label2->setBuddy(txtStatisticSQL);
    label3->setBuddy(cboStyle);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblDescription, 0, 0);
    grid->addWidget(txtDescription, 0, 1);
    grid->addWidget(label2, 1, 0, Qt::AlignTop);
    grid->addWidget(txtStatisticSQL, 1, 1);
    grid->addWidget(label3, 2, 0);
    grid->addWidget(cboStyle, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    setFixedSize(440, 300);
    AddHints();
}

void frmAddStatistic::fill(const QString& description, const QString& statistic, const QString& style)
{
    txtDescription->setText(description);
    txtStatisticSQL->setPlainText(statistic);
    SelectListItem(cboStyle, style);
}

void frmAddStatistic::Disable() { disableWith(cboStyle, txtStatisticSQL); }

void frmAddStatistic::AddHints()
{
    addHints({
        {this, QStringLiteral("This form allows you to create custom statistics.")},
        {txtDescription,
         QStringLiteral("Enter the statistic description in this box. The statistic description is how you will "
                        "identify different statistics in the custom statistics form. Each statistic must have a "
                        "unique description.")},
        {txtStatisticSQL, QStringLiteral("Enter the SQL you would like this statistic to execute.")},
        {cboStyle, QStringLiteral("You can select various styles for you custom statistic. Each style runs SQL "
                                  "statements in addition to the SQL entered into the above text box.")},
        {cmdSave, QStringLiteral("Clicking this button closes this form and saves changes made.")},
        {cmdCancel, QStringLiteral("Click this button to close the form without saving the current group.")},
    });
}

void frmAddStatistic::clearOwnResults()
{
    m_statistic.clear();
    m_style.clear();
}

void frmAddStatistic::storeOwnResults()
{
    m_statistic = txtStatisticSQL->toPlainText();
    m_style = cboStyle->currentText().toUpper();
}

void frmAddStatistic::firstShow()
{
    // A new statistic starts as "None"; an edited one keeps the style its caller picked.
    if (cboStyle->currentIndex() < 0)
        SelectListItem(cboStyle, QStringLiteral("NONE"));
}
