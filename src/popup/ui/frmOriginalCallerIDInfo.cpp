#include "popup/ui/frmOriginalCallerIDInfo.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QPointer>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "popup/modLoggedRecord.h"

namespace {
QPointer<frmOriginalCallerIDInfo> g_instance;
}

frmOriginalCallerIDInfo* frmOriginalCallerIDInfo::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmOriginalCallerIDInfo;
    return g_instance;
}

frmOriginalCallerIDInfo::frmOriginalCallerIDInfo() : QWidget(nullptr)
{
    setObjectName(QString::fromLatin1(Section::frmOriginalCallerIDInfo));
    setWindowTitle(QStringLiteral("Original Caller ID Info"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon());
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto addRow = [&](const char* captionName, const char* caption, QLabel*& value, const char* valueName) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QLatin1String(captionName));
        grid->addWidget(label, row, 0);
        value = new QLabel(this);
        value->setObjectName(QLatin1String(valueName));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row++, 1);
    };
    // The captions' names are the window's own, "label3" included.
    addRow("Label1", "Name:", lblName, "lblName");
    addRow("Label2", "Number:", lblNumber, "lblNumber");
    addRow("label3", "Time:", lblTime, "lblTime");
    addRow("Label4", "Rings:", lblRings, "lblRings");
    addRow("Label6", "Answered:", lblAnswered, "lblAnswered");
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    grid->addWidget(cmdOK, row, 0, 1, 2, Qt::AlignHCenter);
    connect(cmdOK, &QPushButton::clicked, this, &frmOriginalCallerIDInfo::cmdOK_Click);
    SetOnTop(this, false);
}

void frmOriginalCallerIDInfo::showRecord(const LoggedRecord& record, const QString& tag, QWidget* owner)
{
    lblName->setText(record.Name);
    lblNumber->setText(record.Number);
    lblTime->setText(record.Time);
    lblRings->setText(record.Rings);
    lblAnswered->setText(record.Answered);
    Tag = tag;
    if (owner)
        ShowOwned(this, owner);
    else
        show();
    applyTag();
    raise();
}

LoggedRecord frmOriginalCallerIDInfo::shown() const
{
    return {lblName->text(), lblNumber->text(), lblTime->text(), lblRings->text(), lblAnswered->text()};
}

void frmOriginalCallerIDInfo::applyTag()
{
    // Above the always-on-top pop-up it was opened from, or it would open behind it.
    if (Tag.toUpper() == QLatin1String("MINI DISPLAY") &&
        textToBool(GetProperty(Section::frmOriginalCallerIDInfo, Key::OnTop, QStringLiteral("True"))))
        SetOnTop(this, true);
}

void frmOriginalCallerIDInfo::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyTag();
}

void frmOriginalCallerIDInfo::closeEvent(QCloseEvent* event)
{
    // The main window may be hidden in the tray; handing it the focus then does nothing.
    if (gMainForm)
        gMainForm->SetFocus();
    event->accept();
}
