#include "contacts/ui/frmAddAttributeGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "capture/clsSound.h"
#include "contacts/AttributeGroupEditing.h"
#include "contacts/ui/SeparatorKeyFilter.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Colour.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"

namespace {
constexpr int MaxDescription = 49;
constexpr int CancelError = kCancelSelectedError;
} // namespace

frmAddAttributeGroup::frmAddAttributeGroup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddAttributeGroup"));
    setWindowTitle(QStringLiteral("Add Attribute Group"));
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SetTag(this, QStringLiteral("add"));

    Label1 = new QLabel(QStringLiteral("Group Description:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    SeparatorKeyFilter::install(txtDescription);
    connect(txtDescription, &QLineEdit::textChanged, this, [this] { LimitText(txtDescription, MaxDescription); });

    fraAttributes = new QGroupBox(QStringLiteral("Custom Attributes"), this);
    fraAttributes->setObjectName(QStringLiteral("fraAttributes"));
    Label2 = new QLabel(QStringLiteral("Display Color:"), fraAttributes);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->installEventFilter(this);
    picColor = new QPushButton(fraAttributes);
    picColor->setObjectName(QStringLiteral("picColor"));
    picColor->setFlat(true);
    picColor->setAutoFillBackground(true);
    picColor->setFixedSize(48, 20);
    picColor->setAutoDefault(false);
    connect(picColor, &QPushButton::clicked, this, &frmAddAttributeGroup::picColor_Click);
    chkBlock = new QCheckBox(QStringLiteral("Block Incoming Calls"), fraAttributes);
    chkBlock->setObjectName(QStringLiteral("chkBlock"));
    auto* attributes = new QGridLayout(fraAttributes);
    attributes->addWidget(Label2, 0, 0);
    attributes->addWidget(picColor, 0, 1, Qt::AlignLeft);
    attributes->addWidget(chkBlock, 1, 0, 1, 2);

    fraSound = new QGroupBox(QStringLiteral("Custom Alert Sound"), this);
    fraSound->setObjectName(QStringLiteral("fraSound"));
    Label3 = new QLabel(QStringLiteral("Sound Path:"), fraSound);
    Label3->setObjectName(QStringLiteral("Label3"));
    cboSound = new QComboBox(fraSound);
    cboSound->setObjectName(QStringLiteral("cboSound"));
    cboSound->setEditable(true);
    cboSound->setInsertPolicy(QComboBox::NoInsert);
    cboSound->setMinimumContentsLength(28);
    auto button = [](QWidget* owner, const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), owner);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdSoundBrowse = button(fraSound, "cmdSoundBrowse", "...");
    cmdTestSound = button(fraSound, "cmdTestSound", "Test");
    cmdStopTest = button(fraSound, "cmdStopTest", "Stop Test");
    connect(cmdSoundBrowse, &QPushButton::clicked, this, &frmAddAttributeGroup::cmdSoundBrowse_Click);
    connect(cmdTestSound, &QPushButton::clicked, this, &frmAddAttributeGroup::cmdTestSound_Click);
    connect(cmdStopTest, &QPushButton::clicked, this, &frmAddAttributeGroup::cmdStopTest_Click);
    auto* sound = new QGridLayout(fraSound);
    sound->addWidget(Label3, 0, 0, 1, 2);
    sound->addWidget(cboSound, 1, 0);
    sound->addWidget(cmdSoundBrowse, 1, 1);
    auto* tests = new QHBoxLayout;
    tests->addStretch();
    tests->addWidget(cmdTestSound);
    tests->addWidget(cmdStopTest);
    sound->addLayout(tests, 2, 0, 1, 2);

    cmdSave = button(this, "cmdSave", "Save");
    cmdSave->setDefault(true);
    cmdCancel = button(this, "cmdCancel", "Cancel");
    connect(cmdSave, &QPushButton::clicked, this, &frmAddAttributeGroup::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddAttributeGroup::cmdCancel_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtDescription);
    layout->addWidget(fraAttributes);
    layout->addWidget(fraSound);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    setColour(0);
    SetOnTop(this, false);
    AddHints();
}

frmAddAttributeGroup::~frmAddAttributeGroup()
{
    // A test still sounding ends with the dialog, volume and voice put back.
    if (m_testing && gSound)
        gSound->EndSoundTest();
    detachChildren(this);
}

void frmAddAttributeGroup::setMode(const QString& tag, const QString& ownName)
{
    SetTag(this, tag);
    m_ownName = ownName;
    setWindowTitle(tag == QLatin1String("edit") ? QStringLiteral("Edit Attribute Group")
                                                : QStringLiteral("Add Attribute Group"));
}

void frmAddAttributeGroup::fill(const QString& description, qint32 colour, bool block, const QString& sound)
{
    txtDescription->setText(description);
    setColour(colour);
    chkBlock->setChecked(block);
    cboSound->setEditText(sound);
}

void frmAddAttributeGroup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Description.clear();
    Color = 0;
    Block = false;
    Sound.clear();
    FillSoundList();
    txtDescription->setFocus(Qt::OtherFocusReason);
}

bool frmAddAttributeGroup::eventFilter(QObject* watched, QEvent* event)
{
    // The label beside the colour box opens the colour dialog too.
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease) {
        picColor_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAddAttributeGroup::setColour(qint32 bgr)
{
    m_colour = bgr;
    const QColor c = Colour::fromBgr(quint32(bgr));
    picColor->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(c.name()));
}

void frmAddAttributeGroup::FillSoundList()
{
    const QString kept = cboSound->currentText();
    cboSound->clear();
    cboSound->addItems(AttributeGroupEditing::soundList());
    cboSound->setCurrentIndex(-1);
    // The group's own sound stays shown even when it lies outside the Sounds folder.
    cboSound->setEditText(kept);
}

void frmAddAttributeGroup::cmdSoundBrowse_Click()
{
    const QString path =
        Prompt::openFile(QString(), programFolder() + QStringLiteral("/Sounds"), QStringLiteral("Wave Files (*.wav)"));
    if (path.isEmpty()) {
        SaveError(CancelError, QStringLiteral("Cancel was selected."), QStringLiteral("CommonDialog"));
        return;
    }
    cboSound->setEditText(path);
}

void frmAddAttributeGroup::cmdTestSound_Click()
{
    if (!gSound)
        return;
    // The test uses the program's own volume and voice options, as a call of this group would.
    clsSound::SoundTest test;
    test.path = cboSound->currentText();
    test.overrideVolume =
        textToBool(GetProperty(Section::frmConfiguration, Key::OverrideVolume, QStringLiteral("False")));
    test.volumeLevel = GetProperty(Section::frmConfiguration, Key::VolumeLevel, QStringLiteral("0")).toInt();
    test.voiceRate = qint16(
        std::clamp(GetProperty(Section::frmConfiguration, Key::VoiceRate, QStringLiteral("0")).toInt(), -10, 10));
    test.voiceStyle = GetProperty(Section::frmConfiguration, Key::VoiceStyle, QString());
    m_testing = true;
    gSound->TestSound(test);
}

void frmAddAttributeGroup::cmdStopTest_Click()
{
    if (!gSound)
        return;
    gSound->StopSound();
    if (m_testing) {
        m_testing = false;
        gSound->EndSoundTest();
    }
}

void frmAddAttributeGroup::picColor_Click()
{
    const auto chosen = Prompt::chooseColor(quint32(m_colour));
    if (!chosen) {
        SaveError(CancelError, QStringLiteral("Cancel was selected."), QStringLiteral("CommonDialog"));
        return;
    }
    setColour(qint32(*chosen));
}

void frmAddAttributeGroup::cmdSave_Click()
{
    const bool adding = Tag(this) != QLatin1String("edit");
    const QString typed = txtDescription->text();
    if (const auto refusal = AttributeGroupEditing::saveRefusal(typed, cboSound->currentText(), adding, m_ownName)) {
        Prompt::message(*refusal, Prompt::OkOnly, Prompt::Critical);
        return;
    }
    Description = AttributeGroupEditing::cleanedDescription(typed);
    Color = m_colour;
    Block = chkBlock->isChecked();
    Sound = cboSound->currentText();
    accept();
}

void frmAddAttributeGroup::cmdCancel_Click()
{
    Description.clear();
    Color = 0;
    Block = false;
    Sound.clear();
    reject();
}

void frmAddAttributeGroup::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    const struct {
        QWidget* widget;
        const char* text;
    } hints[] = {
        {this, "This form allows configure the properties associated with an attribute group. Contacts associated "
               "with an attribute group will exhibit the properties configured in this form."},
        {txtDescription, "Here is where the name associated with this attribute group is entered. Duplicate "
                         "descriptions are not allowed."},
        {fraAttributes, "Here is where various properties associated with this attribute group are set."},
        {chkBlock, "Checking this box will block incoming calls from all numbers associated with this attribute "
                   "group."},
        {picColor, "This is the color that numbers associated with this attribute group will have in the contacts "
                   "form and main display."},
        {fraSound, "This is where the sound associated with this attribute group is set."},
        {cboSound, "This is the sound path for the sound that is associated with the current attribute group. The "
                   "paths in the drop down list are all the sounds that are located in the application folder. The "
                   "button with three dots on it directly to the right of the sound path box will allow you to "
                   "browse for sounds any where on your computer when clicked."},
        {cmdSoundBrowse, "Click this to browse the hard drive for a sound."},
        {cmdTestSound, "This will play the sound that has the path that is current in the sound path box.  If the "
                       "override volume is enabled it will change the volume for the test."},
        {cmdStopTest, "This will stop the sound from playing."},
        {cmdSave, "Clicking this button closes this form and saves changes made."},
        {cmdCancel, "Click this button to close the form without saving the current attribute group."},
    };
    for (const auto& h : hints)
        gToolTip->SetToolTipObj(h.widget, QString::fromLatin1(h.text), false);
}
