#include "config/ui/frmConfiguration.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "config/BlockCallString.h"
#include "config/OptionLists.h"
#include "config/ui/OptionsDialogShared.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/ModalDialog.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"

using OptionsDialog::storedTrue;

namespace {

constexpr int kPanelLeft = 210;
constexpr int kPanelTop = 480;

const char* const kPageGeneral = "General";
const char* const kPageNetwork = "Network";
const char* const kPageSound = "Sound";
const char* const kPageModem = "Modem";
const char* const kPageCallBlocking = "Call Blocking";

QCheckBox* checkBox(const char* caption, const char* name, QWidget* parent)
{
    auto* c = new QCheckBox(QString::fromLatin1(caption), parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QPushButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QComboBox* comboBox(const char* name, bool editable, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(editable);
    if (editable)
        c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

QLineEdit* textBox(const char* name, QWidget* parent)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    return t;
}

QLabel* label(const char* text, QWidget* parent, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QGroupBox* frame(const char* caption, const char* name, QWidget* parent)
{
    auto* f = new QGroupBox(QString::fromLatin1(caption), parent);
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Showing the dialog, and the mode switch after it

void frmConfiguration::ShowConfiguration(QWidget* owner, const QString& page)
{
    QPointer<frmConfiguration> dialog = new frmConfiguration(owner);
    for (int i = 0; i < dialog->tbsOptions->count(); ++i) {
        if (dialog->tbsOptions->tabText(i) == page)
            dialog->tbsOptions->setCurrentIndex(i);
    }
    execDialog(*dialog);
    // The dialog may have gone with its owner meanwhile (the program was ended while it was open).
    std::optional<PendingSwitch> pending;
    if (dialog) {
        pending = dialog->m_pending;
        delete dialog.data();
    }
    if (pending) {
        // The main window that owned the dialog, and whose menu handler called us, is still on the stack:
        // it is replaced once control is back in the event loop, and never under a long task (a long answer,
        // a refill, a copy, a deletion, a statistics run), which stops at its next step first.
        QTimer::singleShot(0, qApp, [p = *pending] { Program::requestModeSwitch([p] { finishModeSwitch(p); }); });
    }
}

void frmConfiguration::finishModeSwitch(const PendingSwitch& pending)
{
    Program::runStartUpAgain();
    applyToProgram(pending.outcome);
    applyToWindows();
    if (pending.reopen && gMainForm)
        ShowConfiguration(dynamic_cast<QWidget*>(gMainForm), pending.page);
}

void frmConfiguration::applyToWindows()
{
    if (frmMiniDisplay* popup = frmMiniDisplay::instance(false))
        popup->UpdateAppearance();
    if (frmCustomizeMiniDisplay* customize = frmCustomizeMiniDisplay::instance(false);
        customize && customize->isVisible())
        if (auto* box = customize->findChild<QCheckBox*>(QStringLiteral("chkMiniDisplayPopup")))
            box->setChecked(storedTrue(Key::PopupScreen, "True"));
}

// ---------------------------------------------------------------------------------------------------------
// Loading

frmConfiguration::frmConfiguration(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmConfiguration"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SoundOffTimer = new QTimer(this);
    SoundOffTimer->setObjectName(QStringLiteral("SoundOffTimer"));
    SoundOffTimer->setInterval(10);
    connect(SoundOffTimer, &QTimer::timeout, this, &frmConfiguration::SoundOffTimer_Timer);
    buildControls();

    // Form_Load
    SetOnTop(this, false);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    LoadPropertySettings();
    AddHints();

    // What the first display does: the client's pages and the stored options. Done here, so the controls
    // hold the options however the dialog is then shown.
    if (gNetworkMode == Client) {
        RemoveTab(QString::fromLatin1(kPageModem));
        RemoveTab(QString::fromLatin1(kPageCallBlocking));
    }
    LoadSettings();
    HideAllPanels();
    ShowPanel(0);
}

frmConfiguration::~frmConfiguration()
{
    detachChildren(this);
    endSoundTest();
}

void frmConfiguration::buildControls()
{
    tbsOptions = new QTabBar(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    tbsOptions->setExpanding(false);
    tbsOptions->setDrawBase(true);
    // No tab leads to the e-mail page, which is not built.
    for (const char* page : {kPageGeneral, kPageNetwork, kPageSound, kPageModem, kPageCallBlocking})
        tbsOptions->addTab(QString::fromLatin1(page));
    tbsOptions->setCurrentIndex(0);
    connect(tbsOptions, &QTabBar::currentChanged, this, [this] {
        if (!m_changingTabs)
            tbsOptions_Click();
    });
    // A click on the tab already chosen is a click all the same (the client page may be due).
    connect(tbsOptions, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index == tbsOptions->currentIndex())
            tbsOptions_Click();
    });

    picOptions = {buildGeneral(), buildServerNetwork(), buildSound(), buildModem(), buildCallBlocking(),
                  nullptr,        buildClientNetwork()};
    cmdOK = button(QStringLiteral("OK"), QStringLiteral("cmdOK"), this);
    cmdOK->setDefault(true);
    cmdCancel = button(QStringLiteral("Cancel"), QStringLiteral("cmdCancel"), this);
    cmdApply = button(QStringLiteral("Apply"), QStringLiteral("cmdApply"), this);
    connect(cmdOK, &QPushButton::clicked, this, &frmConfiguration::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConfiguration::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmConfiguration::cmdApply_Click);

    // Every page has the same size: the one given, or larger where this desktop's font needs it.
    QSize panel(Twips::toPixels(PanelWidth), Twips::toPixels(PanelHeight));
    for (QWidget* p : std::as_const(picOptions)) {
        if (p)
            panel = panel.expandedTo(p->sizeHint());
    }
    const int margin = Twips::toPixels(120);
    tbsOptions->move(margin, margin);
    tbsOptions->resize(panel.width() + 2 * (Twips::toPixels(kPanelLeft) - margin), tbsOptions->sizeHint().height());
    const int panelTop = std::max(Twips::toPixels(kPanelTop), tbsOptions->geometry().bottom() + margin);
    for (QWidget* p : std::as_const(picOptions)) {
        if (!p)
            continue;
        p->setFixedSize(panel);
        p->move(Twips::toPixels(kPanelLeft), panelTop);
    }
    const int buttonTop = panelTop + panel.height() + margin;
    int right = Twips::toPixels(kPanelLeft) + panel.width();
    for (QPushButton* b : {cmdApply, cmdCancel, cmdOK}) {
        b->resize(std::max(b->sizeHint().width(), Twips::toPixels(1100)), b->sizeHint().height());
        b->move(right - b->width(), buttonTop);
        right -= b->width() + margin;
    }
    setFixedSize(Twips::toPixels(kPanelLeft) * 2 + panel.width(), buttonTop + cmdOK->height() + margin);
    watchTree(this);
}

QWidget* frmConfiguration::buildGeneral()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("picOptions(0)"));
    chkAutoStart = checkBox("Automatically Start", "chkAutoStart", page);
    chkStartMinimized = checkBox("Start Minimized", "chkStartMinimized", page);
    chkCloseMinimize = checkBox("Close Button Minimizes", "chkCloseMinimize", page);
    chkBlinkingIcon = checkBox("Blinking Icon", "chkBlinkingIcon", page);
    chkConfirmDeletion = checkBox("Confirm Deletions/Editing", "chkConfirmDeletion", page);
    chkLogActivity = checkBox("Log Activity", "chkLogActivity", page);
    chkHints = checkBox("Hints", "chkHints", page);
    chkOnTop = checkBox("Always On Top", "chkOnTop", page);
    chkPopup = checkBox("Mini Display Popup", "chkPopup", page);
    chkSound = checkBox("Enable Sound", "chkSound", page);
    cboMaxEventLog = comboBox("cboMaxEventLog", true, page);
    fraNetworking = frame("Networking Mode", "fraNetworking", page);
    const char* const modes[3] = {"Disable Networking", "NetworkServer", "Network Client"};
    auto* modeBox = new QVBoxLayout(fraNetworking);
    for (int i = 0; i < 3; ++i) {
        optNetworking[i] = new QRadioButton(QString::fromLatin1(modes[i]), fraNetworking);
        optNetworking[i]->setObjectName(QStringLiteral("optNetworking(%1)").arg(i));
        connect(optNetworking[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                optNetworking_Click();
        });
        modeBox->addWidget(optNetworking[i]);
    }
    cmdCustomizeMiniDisplay =
        button(QStringLiteral("Customize Mini Display..."), QStringLiteral("cmdCustomizeMiniDisplay"), page);
    connect(cmdCustomizeMiniDisplay, &QPushButton::clicked, this, &frmConfiguration::cmdCustomizeMiniDisplay_Click);

    auto* grid = new QGridLayout(page);
    int row = 0;
    for (QCheckBox* c : {chkAutoStart, chkStartMinimized, chkCloseMinimize, chkBlinkingIcon, chkConfirmDeletion,
                         chkLogActivity, chkHints, chkOnTop, chkPopup, chkSound})
        grid->addWidget(c, row++, 0);
    grid->addWidget(label("Max Event Log Lines:", page, cboMaxEventLog), 0, 1);
    grid->addWidget(cboMaxEventLog, 1, 1);
    grid->addWidget(fraNetworking, 2, 1, 5, 1);
    grid->addWidget(cmdCustomizeMiniDisplay, 8, 1, 2, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* frmConfiguration::buildServerNetwork()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("picOptions(1)"));
    fraNetworkSettings = frame("Network Settings", "fraNetworkSettings", page);
    txtLocalPort = textBox("txtLocalPort", fraNetworkSettings);
    cmdNetworkSettings[0] =
        button(QStringLiteral("Network Settings..."), QStringLiteral("cmdNetworkSettings(0)"), fraNetworkSettings);
    auto* settings = new QGridLayout(fraNetworkSettings);
    settings->addWidget(label("Local Port:", fraNetworkSettings, txtLocalPort), 0, 0);
    settings->addWidget(txtLocalPort, 0, 1);
    settings->addWidget(label("(1-65535)", fraNetworkSettings), 0, 2);
    settings->addWidget(cmdNetworkSettings[0], 1, 0, 1, 3);

    lstBlockedIP = new QListWidget(page);
    lstBlockedIP->setObjectName(QStringLiteral("lstBlockedIP"));
    cmdAddIP = button(QStringLiteral("Add"), QStringLiteral("cmdAddIP"), page);
    cmdRemoveIP = button(QStringLiteral("Remove"), QStringLiteral("cmdRemoveIP"), page);
    connect(cmdAddIP, &QPushButton::clicked, this, &frmConfiguration::cmdAddIP_Click);
    connect(cmdRemoveIP, &QPushButton::clicked, this, &frmConfiguration::cmdRemoveIP_Click);

    fraRestrictions = frame("Network Restrictions", "fraRestrictions", page);
    optRestrictAll = new QRadioButton(QStringLiteral("Restrict All IPs"), fraRestrictions);
    optRestrictAll->setObjectName(QStringLiteral("optRestrictAll"));
    optCustomizedRestrictions = new QRadioButton(QStringLiteral("Customized Restrictions"), fraRestrictions);
    optCustomizedRestrictions->setObjectName(QStringLiteral("optCustomizedRestrictions"));
    auto* restrictions = new QVBoxLayout(fraRestrictions);
    restrictions->addWidget(optRestrictAll);
    restrictions->addWidget(optCustomizedRestrictions);

    auto* grid = new QGridLayout(page);
    grid->addWidget(fraNetworkSettings, 0, 0);
    grid->addWidget(fraRestrictions, 1, 0);
    grid->addWidget(label("Blocked/Restricted IPs:", page, lstBlockedIP), 0, 1, 1, 2, Qt::AlignBottom);
    auto* ipColumn = new QVBoxLayout;
    ipColumn->addWidget(lstBlockedIP, 1);
    auto* ipButtons = new QHBoxLayout;
    ipButtons->addWidget(cmdAddIP);
    ipButtons->addWidget(cmdRemoveIP);
    ipColumn->addLayout(ipButtons);
    grid->addLayout(ipColumn, 1, 1, 2, 2);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* frmConfiguration::buildSound()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("picOptions(2)"));
    fraSoundSettings = frame("Sound Settings", "fraSoundSettings", page);
    cmbSoundType = comboBox("cmbSoundType", false, fraSoundSettings);
    cmbSoundPath = comboBox("cmbSoundPath", true, fraSoundSettings);
    cmbSoundPath->setMinimumContentsLength(18);
    cmbSoundPath->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmdSoundBrowse = button(QStringLiteral("..."), QStringLiteral("cmdSoundBrowse"), fraSoundSettings);
    cmdSoundBrowse->setMaximumWidth(Twips::toPixels(450));
    cmdTestSound = button(QStringLiteral("Test"), QStringLiteral("cmdTestSound"), fraSoundSettings);
    cmdStopTest = button(QStringLiteral("Stop Test"), QStringLiteral("cmdStopTest"), fraSoundSettings);
    chkOverrideVolume = checkBox("Override Volume", "chkOverrideVolume", fraSoundSettings);
    sldVolume = new QSlider(Qt::Horizontal, fraSoundSettings);
    sldVolume->setObjectName(QStringLiteral("sldVolume"));
    sldVolume->setTickPosition(QSlider::TicksBelow);
    auto* sound = new QGridLayout(fraSoundSettings);
    sound->addWidget(label("Sound Type:", fraSoundSettings, cmbSoundType), 0, 0);
    sound->addWidget(cmbSoundType, 0, 1, 1, 3);
    sound->addWidget(label("Sound Path:", fraSoundSettings, cmbSoundPath), 1, 0);
    sound->addWidget(cmbSoundPath, 1, 1, 1, 2);
    sound->addWidget(cmdSoundBrowse, 1, 3);
    sound->addWidget(cmdTestSound, 2, 1);
    sound->addWidget(cmdStopTest, 2, 2, 1, 2);
    sound->addWidget(chkOverrideVolume, 3, 0, 1, 4);
    sound->addWidget(sldVolume, 4, 0, 1, 4);
    connect(cmbSoundType, &QComboBox::currentIndexChanged, this, &frmConfiguration::cmbSoundType_Click);
    connect(cmbSoundPath, &QComboBox::currentTextChanged, this, &frmConfiguration::cmbSoundPath_Change);
    connect(cmdSoundBrowse, &QPushButton::clicked, this, &frmConfiguration::cmdSoundBrowse_Click);
    connect(cmdTestSound, &QPushButton::clicked, this, &frmConfiguration::cmdTestSound_Click);
    connect(cmdStopTest, &QPushButton::clicked, this, &frmConfiguration::cmdStopTest_Click);

    fraVoiceSettings = frame("Voice Settings", "fraVoiceSettings", page);
    cboVoiceRate = comboBox("cboVoiceRate", false, fraVoiceSettings);
    cboVoiceStyle = comboBox("cboVoiceStyle", false, fraVoiceSettings);
    auto* voice = new QGridLayout(fraVoiceSettings);
    voice->addWidget(label("Rate:", fraVoiceSettings, cboVoiceRate), 0, 0);
    voice->addWidget(cboVoiceRate, 0, 1);
    voice->addWidget(label("Voice:", fraVoiceSettings, cboVoiceStyle), 1, 0);
    voice->addWidget(cboVoiceStyle, 1, 1);
    voice->setColumnStretch(1, 1);

    auto* column = new QVBoxLayout(page);
    column->addWidget(fraSoundSettings);
    column->addWidget(fraVoiceSettings);
    column->addStretch();
    return page;
}

QWidget* frmConfiguration::buildModem()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("picOptions(3)"));
    cboPort = comboBox("cboPort", false, page);
    cboSpeed = comboBox("cboSpeed", false, page);
    cboModemString = comboBox("cboModemString", true, page);
    cboModemString->addItems(OptionLists::modemStrings());
    fraConnection = frame("Connection Preferences", "fraConnection", page);
    cboDataBits = comboBox("cboDataBits", false, fraConnection);
    cboParity = comboBox("cboParity", false, fraConnection);
    cboStopBits = comboBox("cboStopBits", false, fraConnection);
    auto* connection = new QGridLayout(fraConnection);
    connection->addWidget(label("Data Bits:", fraConnection, cboDataBits), 0, 0);
    connection->addWidget(cboDataBits, 0, 1);
    connection->addWidget(label("Parity:", fraConnection, cboParity), 1, 0);
    connection->addWidget(cboParity, 1, 1);
    connection->addWidget(label("Stop Bits:", fraConnection, cboStopBits), 2, 0);
    connection->addWidget(cboStopBits, 2, 1);

    Frame3 = frame("&Flow Control", "Frame3", page);
    const char* const flows[4] = {"None", "Xon/Xoff", "RTS", "Xon/RTS"};
    auto* flow = new QGridLayout(Frame3);
    for (int i = 0; i < 4; ++i) {
        optFlow[i] = new QRadioButton(QString::fromLatin1(flows[i]), Frame3);
        optFlow[i]->setObjectName(QStringLiteral("optFlow(%1)").arg(i));
        flow->addWidget(optFlow[i], i / 2, i % 2);
    }

    Frame4 = frame("Answer Testing", "Frame4", page);
    chkDialToneTest = checkBox("Enable Answer Testing", "chkDialToneTest", Frame4);
    cmbDialToneWait = comboBox("cmbDialToneWait", true, Frame4);
    auto* answer = new QGridLayout(Frame4);
    answer->addWidget(chkDialToneTest, 0, 0, 1, 2);
    answer->addWidget(label("Dial Tone Wait (seconds):", Frame4, cmbDialToneWait), 1, 0);
    answer->addWidget(cmbDialToneWait, 1, 1);

    cmdDefaultModem = button(QStringLiteral("&Default Modem Settings"), QStringLiteral("cmdDefaultModem"), page);
    cmdModemSetup = button(QStringLiteral("Modem Setup..."), QStringLiteral("cmdModemSetup"), page);
    connect(cmdDefaultModem, &QPushButton::clicked, this, &frmConfiguration::cmdDefaultModem_Click);
    connect(cmdModemSetup, &QPushButton::clicked, this, &frmConfiguration::cmdModemSetup_Click);

    auto* grid = new QGridLayout(page);
    grid->addWidget(label("Port:", page, cboPort), 0, 0);
    grid->addWidget(cboPort, 0, 1);
    grid->addWidget(label("Speed:", page, cboSpeed), 1, 0);
    grid->addWidget(cboSpeed, 1, 1);
    grid->addWidget(label("Modem String:", page, cboModemString), 2, 0);
    grid->addWidget(cboModemString, 2, 1);
    grid->addWidget(fraConnection, 0, 2, 3, 1);
    grid->addWidget(Frame3, 3, 0, 1, 2);
    grid->addWidget(Frame4, 3, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDefaultModem);
    buttons->addWidget(cmdModemSetup);
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* frmConfiguration::buildCallBlocking()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("picOptions(4)"));
    lstBlockCallStrings = new QListWidget(page);
    lstBlockCallStrings->setObjectName(QStringLiteral("lstBlockCallStrings"));
    cmdAddBlockCallString = button(QStringLiteral("Add"), QStringLiteral("cmdAddBlockCallString"), page);
    cmdEditBlockCallString = button(QStringLiteral("Edit"), QStringLiteral("cmdEditBlockCallString"), page);
    cmdRemoveBlockCallString = button(QStringLiteral("Remove"), QStringLiteral("cmdRemoveBlockCallString"), page);
    connect(cmdAddBlockCallString, &QPushButton::clicked, this, &frmConfiguration::cmdAddBlockCallString_Click);
    connect(cmdEditBlockCallString, &QPushButton::clicked, this, &frmConfiguration::cmdEditBlockCallString_Click);
    connect(cmdRemoveBlockCallString, &QPushButton::clicked, this, &frmConfiguration::cmdRemoveBlockCallString_Click);
    auto* grid = new QGridLayout(page);
    grid->addWidget(label("Block Call Strings:", page, lstBlockCallStrings), 0, 0);
    grid->addWidget(lstBlockCallStrings, 1, 0, 4, 1);
    grid->addWidget(cmdAddBlockCallString, 1, 1);
    grid->addWidget(cmdEditBlockCallString, 2, 1);
    grid->addWidget(cmdRemoveBlockCallString, 3, 1);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* frmConfiguration::buildClientNetwork()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("picOptions(6)"));
    cmbRemoteHost = comboBox("cmbRemoteHost", true, page);
    txtRemotePort = textBox("txtRemotePort", page);
    txtRemoteLocalPort = textBox("txtRemoteLocalPort", page);
    txtStatus = new QPlainTextEdit(page);
    txtStatus->setObjectName(QStringLiteral("txtStatus"));
    txtStatus->setReadOnly(true);
    cmdNetworkSettings[1] =
        button(QStringLiteral("Network Settings..."), QStringLiteral("cmdNetworkSettings(1)"), page);
    for (int i = 0; i < 2; ++i)
        connect(cmdNetworkSettings[i], &QPushButton::clicked, this, [this, i] { cmdNetworkSettings_Click(i); });
    auto* grid = new QGridLayout(page);
    grid->addWidget(label("Remote Host:", page, cmbRemoteHost), 0, 0);
    grid->addWidget(cmbRemoteHost, 0, 1, 1, 2);
    grid->addWidget(label("Remote Port:", page, txtRemotePort), 1, 0);
    grid->addWidget(txtRemotePort, 1, 1);
    grid->addWidget(label("(1-65535)", page), 1, 2);
    grid->addWidget(label("Local Port:", page, txtRemoteLocalPort), 2, 0);
    grid->addWidget(txtRemoteLocalPort, 2, 1);
    grid->addWidget(label("(0-65535)", page), 2, 2);
    grid->addWidget(label("Current Status:", page, txtStatus), 3, 0, 1, 3);
    grid->addWidget(txtStatus, 4, 0, 1, 3);
    grid->addWidget(cmdNetworkSettings[1], 5, 0, 1, 3);
    grid->setRowStretch(4, 1);
    return page;
}

// ---------------------------------------------------------------------------------------------------------
// Pages

void frmConfiguration::tbsOptions_Click()
{
    ShowHideTabs();
    HideAllPanels();
    const QString caption = tbsOptions->tabText(tbsOptions->currentIndex()).toUpper();
    if (caption == QLatin1String("GENERAL"))
        ShowPanel(0);
    else if (caption == QLatin1String("NETWORK"))
        ShowPanel(optNetworking[Client]->isChecked() ? 6 : 1);
    else if (caption == QLatin1String("SOUND"))
        ShowPanel(2);
    else if (caption == QLatin1String("MODEM"))
        ShowPanel(3);
    else if (caption == QLatin1String("CALL BLOCKING"))
        ShowPanel(4);
}

void frmConfiguration::HideAllPanels()
{
    for (QWidget* p : std::as_const(picOptions)) {
        if (!p)
            continue;
        p->hide();
        p->setEnabled(false);
    }
}

void frmConfiguration::ShowPanel(int index)
{
    QWidget* p = picOptions.value(index);
    if (!p)
        return;
    p->setEnabled(true);
    p->show();
}

void frmConfiguration::ShowHideTabs()
{
    if (optNetworking[Client]->isChecked()) {
        RemoveTab(QString::fromLatin1(kPageModem));
        RemoveTab(QString::fromLatin1(kPageCallBlocking));
    } else {
        AddTab(QString::fromLatin1(kPageModem));
        AddTab(QString::fromLatin1(kPageCallBlocking));
    }
}

void frmConfiguration::AddTab(const QString& caption)
{
    for (int i = 0; i < tbsOptions->count(); ++i) {
        if (tbsOptions->tabText(i).compare(caption, Qt::CaseInsensitive) == 0)
            return;
    }
    m_changingTabs = true;
    tbsOptions->addTab(caption);
    m_changingTabs = false;
}

void frmConfiguration::RemoveTab(const QString& caption)
{
    for (int i = 0; i < tbsOptions->count(); ++i) {
        if (tbsOptions->tabText(i).compare(caption, Qt::CaseInsensitive) == 0) {
            // The page in view stays until a tab is clicked, as the tab in view would.
            m_changingTabs = true;
            tbsOptions->removeTab(i);
            m_changingTabs = false;
            return;
        }
    }
}

void frmConfiguration::optNetworking_Click() { ShowHideTabs(); }

void frmConfiguration::Form_KeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (key != Qt::Key_Tab || shift != Qt::ControlModifier || tbsOptions->count() == 0)
        return;
    const int next = tbsOptions->currentIndex() + 1 < tbsOptions->count() ? tbsOptions->currentIndex() + 1 : 0;
    tbsOptions->setCurrentIndex(next);
}

// ---------------------------------------------------------------------------------------------------------
// Numeric fields

void frmConfiguration::watchTree(QWidget* root)
{
    // The dialog sees every key before its controls do (Ctrl+Tab, the numeric fields' key filter), and
    // every numeric field leaving the focus.
    root->installEventFilter(this);
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        w->installEventFilter(this);
}

QWidget* frmConfiguration::numericFieldFor(QObject* watched) const
{
    for (QWidget* field : std::initializer_list<QWidget*>{cboMaxEventLog, cmbDialToneWait, cboVoiceRate, txtLocalPort,
                                                          txtRemotePort, txtRemoteLocalPort}) {
        if (watched == field)
            return field;
        if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit() == watched)
            return field;
    }
    return nullptr;
}

QString frmConfiguration::fieldText(QWidget* field) const
{
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return combo->currentText();
    if (auto* box = qobject_cast<QLineEdit*>(field))
        return box->text();
    return QString();
}

void frmConfiguration::setFieldText(QWidget* field, const QString& text)
{
    if (auto* combo = qobject_cast<QComboBox*>(field)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            SelectListItem(combo, text);
    } else if (auto* box = qobject_cast<QLineEdit*>(field)) {
        box->setText(text);
    }
}

void frmConfiguration::Field_LostFocus(QWidget* field)
{
    const OptionLists::NumericField* spec = field ? OptionLists::numericField(field->objectName()) : nullptr;
    if (!spec)
        return;
    const QString checked = OptionLists::checkedFieldText(*spec, fieldText(field));
    if (checked != fieldText(field))
        setFieldText(field, checked);
}

void frmConfiguration::ValidateFields()
{
    for (const OptionLists::NumericField& f : OptionLists::numericFields())
        Field_LostFocus(findChild<QWidget*>(QString::fromLatin1(f.control)));
}

bool frmConfiguration::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            Form_KeyDown(key->key(), key->modifiers());
            return true;
        }
        if (QWidget* field = numericFieldFor(watched)) {
            // Digits and Backspace only (and the minus sign for the voice rate); anything else is refused.
            const QString text = key->text();
            if (text.size() == 1 && !text.at(0).isDigit() && text.at(0) != QLatin1Char('\b') &&
                text.at(0).unicode() >= 0x20 && !(field == cboVoiceRate && text == QLatin1String("-")))
                return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        if (QWidget* field = numericFieldFor(watched))
            Field_LostFocus(field);
    }
    return QDialog::eventFilter(watched, event);
}

// Other commands

void frmConfiguration::cmdCustomizeMiniDisplay_Click() { frmCustomizeMiniDisplay::showModal(this); }

void frmConfiguration::cmdDefaultModem_Click()
{
    cboPort->setCurrentIndex(0);
    SelectListItem(cboSpeed, QStringLiteral("9600"));
    SelectListItem(cboDataBits, QStringLiteral("8"));
    SelectListItem(cboParity, QStringLiteral("NONE"));
    SelectListItem(cboStopBits, QStringLiteral("1"));
    optFlow[0]->setChecked(true);
    cmbDialToneWait->setEditText(QStringLiteral("20"));
    cboModemString->setEditText(QString());
    chkDialToneTest->setChecked(true);
}

void frmConfiguration::cmdModemSetup_Click() { OpenModemSettings(); }

void frmConfiguration::cmdNetworkSettings_Click(int index)
{
    (void)index;
    OpenNetworkSettings();
}

// ---------------------------------------------------------------------------------------------------------
// OK, Apply, Cancel

bool frmConfiguration::ApplySettings()
{
    // Applying may tell of a port that cannot be had; the program may end while that box waits. False then:
    // the dialog is gone and nothing of it is touched. False too when the switch of mode was refused: the dialog
    // stays with the user's choices.
    const QPointer<frmConfiguration> self(this);
    try {
        ValidateFields();
        const bool onTopBefore = storedTrue(Key::OnTop, "False");
        const bool hintsBefore = storedTrue(Key::Hints, "True");
        const OptionValues chosen = values();
        const SaveOutcome outcome = saveOptions(chosen);
        if (!outcome.refusal.isEmpty()) {
            const QString why = QStringLiteral("The network mode cannot be changed: ") + outcome.refusal;
            SaveError(0, why, QStringLiteral("frmConfiguration"));
            ReportError(QStringLiteral("frmConfiguration_ApplySettings"));
            Prompt::message(why + QStringLiteral(". Nothing was changed."), Prompt::OkOnly, Prompt::Exclamation);
            return false;
        }

        if (chosen.OnTop != onTopBefore) {
            for (QWidget* w : LoadedForms()) {
                if (w->objectName() != QLatin1String("frmMiniDisplay"))
                    SetOnTop(w, false);
            }
        }
        if (chosen.Hints && !hintsBefore) {
            gToolTip = std::make_unique<cToolTip>();
            gToolTip->setVisibleTime(30000);
            QWidget* mainWindow = dynamic_cast<QWidget*>(gMainForm);
            for (QWidget* w : LoadedForms()) {
                // Windows without tips have no AddHints; they are passed over.
                if (w == mainWindow)
                    gMainForm->AddHints();
                else if (w->metaObject()->indexOfMethod("AddHints()") >= 0)
                    QMetaObject::invokeMethod(w, "AddHints");
            }
        } else if (!chosen.Hints) {
            ReleaseToolTip();
        }

        if (outcome.clientSwitch()) {
            m_pending = PendingSwitch{outcome, m_applyPressed, tbsOptions->tabText(tbsOptions->currentIndex())};
            accept();
            return false;
        }
        const bool reconnected = applyToProgram(outcome);
        if (!self)
            return false;
        if (reconnected)
            txtStatus->setPlainText(clientStatusText());
        applyToWindows();
    } catch (const std::exception& e) {
        SaveError(-1, QString::fromLocal8Bit(e.what()), QStringLiteral("frmConfiguration"));
        ReportError(QStringLiteral("frmConfiguration_ApplySettings"));
        ShowError(QString());
    }
    return !self.isNull();
}

void frmConfiguration::cmdOK_Click()
{
    m_applyPressed = false;
    if (ApplySettings())
        accept();
}

void frmConfiguration::cmdApply_Click()
{
    m_applyPressed = true;
    ApplySettings();
}

void frmConfiguration::cmdCancel_Click() { reject(); }

void frmConfiguration::done(int result)
{
    // A sound test ends with the dialog, whichever way it closes: volume and voice come back.
    endSoundTest();
    QDialog::done(result);
}
