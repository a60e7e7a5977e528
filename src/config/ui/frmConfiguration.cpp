#include "config/ui/frmConfiguration.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
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
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "capture/clsSound.h"
#include "capture/clsVolume.h"
#include "config/BlockCallString.h"
#include "config/OptionLists.h"
#include "config/ui/frmAddBlockCallString.h"
#include "core/ChangedMeanwhile.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/ui/frmAddIP.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"
#include "platform/ui/ModalDialog.h"
#include "popup/ui/frmCustomizeMiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"

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

bool storedTrue(const char* key, const char* defaultValue)
{
    return GetProperty(Section::frmConfiguration, key, QString::fromLatin1(defaultValue)) == QLatin1String("True");
}

// The entry of a fixed list equal to text (case ignored) is chosen; no such entry leaves no choice.
void chooseEntry(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    if (!text.isEmpty())
        SelectListItem(box, text);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Showing the dialog, and the mode switch after it

void frmConfiguration::ShowConfiguration(QWidget* owner)
{
    QPointer<frmConfiguration> dialog = new frmConfiguration(owner);
    execDialog(*dialog);
    // The dialog may have gone with its owner meanwhile (the program was ended while it was open).
    std::optional<PendingSwitch> pending;
    if (dialog) {
        pending = dialog->m_pending;
        delete dialog.data();
    }
    if (pending) {
        // The main window that owned the dialog, and whose menu handler called us, is still on the stack:
        // it is replaced once control is back in the event loop.
        QTimer::singleShot(0, qApp, [p = *pending] { finishModeSwitch(p); });
    }
}

void frmConfiguration::finishModeSwitch(const PendingSwitch& pending)
{
    Program::runStartUpAgain();
    applyToProgram(pending.outcome);
    applyToWindows();
    if (pending.reopen && gMainForm)
        ShowConfiguration(dynamic_cast<QWidget*>(gMainForm));
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

void frmConfiguration::LoadPropertySettings()
{
    cboVoiceRate->addItems(OptionLists::voiceRates());
    if (gSound)
        cboVoiceStyle->addItems(gSound->GetVoices());
    cboPort->addItems(OptionLists::portEntries());
    // A device kept by its path that is not there now (unplugged, or a pseudo-terminal) is still shown as
    // the port in use, rather than no port at all.
    const QString stored = GetProperty(Section::frmConfiguration, Key::CommPort, QStringLiteral("1")).trimmed();
    if (stored.startsWith(QLatin1Char('/')) && OptionLists::numberedPortFor(stored).isEmpty() &&
        cboPort->findText(stored) < 0)
        cboPort->addItem(stored);
    cboSpeed->addItems(OptionLists::speeds());
    cboDataBits->addItems(OptionLists::dataBits());
    cboParity->addItems(OptionLists::parities());
    cboStopBits->addItems(OptionLists::stopBits());
    cboMaxEventLog->addItems(OptionLists::maxEventLog());
    cmbDialToneWait->addItems(OptionLists::dialToneWait());
    cmbSoundType->blockSignals(true);
    cmbSoundType->addItems(OptionLists::soundTypes());
    cmbSoundType->setCurrentIndex(-1);
    cmbSoundType->blockSignals(false);
    sldVolume->setTickInterval(2000);
    sldVolume->setPageStep(2000);
    sldVolume->setSingleStep(500);
    if (gVolume) {
        sldVolume->setMaximum(gVolume->MaxWaveVolume());
        sldVolume->setMinimum(gVolume->MinWaveVolume());
    }
}

void frmConfiguration::LoadSettings()
{
    auto entries = [](const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    };
    const OptionValues v = readOptions(entries(cboVoiceStyle), entries(cboPort));
    chkAutoStart->setChecked(v.AutoStart);
    chkStartMinimized->setChecked(v.Minimized);
    chkCloseMinimize->setChecked(v.CloseMinimize);
    chkBlinkingIcon->setChecked(v.BlinkingIcon);
    chkConfirmDeletion->setChecked(v.ConfirmDeletion);
    cboMaxEventLog->setEditText(v.MaxEventLog);
    chkLogActivity->setChecked(v.LogActivity);
    chkHints->setChecked(v.Hints);
    chkOnTop->setChecked(v.OnTop);
    chkPopup->setChecked(v.PopupScreen);
    chkSound->setChecked(v.Sound);
    optNetworking[std::clamp(v.Networking, 0, 2)]->setChecked(true);
    ShowHideTabs();

    chkDialToneTest->setChecked(v.DialToneTest);
    cmbDialToneWait->setEditText(v.DialToneWait);
    cboModemString->setEditText(v.ModemString);
    chooseEntry(cboSpeed, v.Speed);
    chooseEntry(cboParity, v.Parity);
    chooseEntry(cboDataBits, v.DataBits);
    chooseEntry(cboStopBits, v.StopBits);
    chooseEntry(cboPort, v.Port);
    if (v.Handshaking >= 0 && v.Handshaking <= 3)
        optFlow[v.Handshaking]->setChecked(true);

    chkOverrideVolume->setChecked(v.OverrideVolume);
    if (v.VolumeLevel >= sldVolume->minimum() && v.VolumeLevel <= sldVolume->maximum())
        sldVolume->setValue(v.VolumeLevel);
    FillSoundList();
    chooseEntry(cboVoiceRate, v.VoiceRate);
    chooseEntry(cboVoiceStyle, v.VoiceStyle);
    // A stored voice this machine does not have: the engine speaks with its default voice, and that is what
    // the list shows as chosen. Left so, the stored name is kept (it may be installed later).
    m_fallbackVoice.clear();
    if (cboVoiceStyle->currentIndex() < 0 && gSound) {
        const int spoken = cboVoiceStyle->findText(gSound->VoiceStyle());
        if (spoken >= 0) {
            cboVoiceStyle->setCurrentIndex(spoken);
            m_fallbackVoice = cboVoiceStyle->currentText();
        }
    }
    cmbSoundPath->setEditText(v.DefaultSound);
    strDefaultSound = v.DefaultSound;
    strImmediateSound = v.ImmediateSound;
    strRingSound = v.RingSound;
    cmbSoundType->setCurrentIndex(0);
    cmbSoundType_Click();

    txtLocalPort->setText(v.LocalPort);
    (v.RestrictedNetwork ? optRestrictAll : optCustomizedRestrictions)->setChecked(true);
    lstBlockCallStrings->clear();
    lstBlockCallStrings->addItems(v.BlockCallStrings);
    SetListScrollWidth(lstBlockCallStrings);
    lstBlockedIP->clear();
    lstBlockedIP->addItems(v.BlockedIPs);
    SetListScrollWidth(lstBlockedIP);

    txtStatus->clear();
    if (gNetworkMode == Client)
        txtStatus->setPlainText(clientStatusText());
    cmbRemoteHost->setEditText(v.RemoteHost);
    txtRemotePort->setText(v.RemotePort);
    txtRemoteLocalPort->setText(v.RemoteLocalPort);
    SaveRemoteHosts(v.RemoteHost);
    const QString host = cmbRemoteHost->currentText();
    cmbRemoteHost->clear();
    cmbRemoteHost->addItems(LoadRemoteHosts());
    cmbRemoteHost->setEditText(host);
}

void frmConfiguration::FillSoundList()
{
    cmbSoundPath->blockSignals(true);
    const QString text = cmbSoundPath->currentText();
    cmbSoundPath->clear();
    cmbSoundPath->addItem(QStringLiteral("Speech"));
    QString folder = programFolder();
    folder += folder.endsWith(QLatin1Char('/')) ? QStringLiteral("Sounds/") : QStringLiteral("/Sounds/");
    const QStringList waves = QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    for (const QString& name : waves)
        cmbSoundPath->addItem(folder + name);
    cmbSoundPath->setEditText(text);
    cmbSoundPath->blockSignals(false);
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

// ---------------------------------------------------------------------------------------------------------
// Sounds

void frmConfiguration::cmbSoundType_Click()
{
    const QString type = cmbSoundType->currentText();
    if (type == QLatin1String("Default Caller"))
        cmbSoundPath->setEditText(strDefaultSound);
    else if (type == QLatin1String("Immediate"))
        cmbSoundPath->setEditText(strImmediateSound);
    else if (type == QLatin1String("Ring"))
        cmbSoundPath->setEditText(strRingSound);
}

void frmConfiguration::cmbSoundPath_Change()
{
    const QString type = cmbSoundType->currentText();
    const QString path = cmbSoundPath->currentText();
    if (type == QLatin1String("Default Caller"))
        strDefaultSound = path;
    else if (type == QLatin1String("Immediate"))
        strImmediateSound = path;
    else if (type == QLatin1String("Ring"))
        strRingSound = path;
}

// The boxes and dialogs below let the program end while they wait, and this dialog with its main window:
// nothing of the dialog is touched after one of them unless it is still there.

void frmConfiguration::cmdSoundBrowse_Click()
{
    const QPointer<frmConfiguration> self(this);
    const QString path =
        Prompt::openFile(QString(), programFolder() + QStringLiteral("/Sounds"), QStringLiteral("Wave Files (*.wav)"));
    if (!self)
        return;
    if (path.isEmpty()) {
        SaveError(kCancelSelectedError, QStringLiteral("Cancel was selected."), QStringLiteral("CommonDialog"));
        return;
    }
    cmbSoundPath->setEditText(path);
}

void frmConfiguration::cmdTestSound_Click()
{
    if (!gSound)
        return;
    clsSound::SoundTest test;
    test.path = cmbSoundPath->currentText();
    test.overrideVolume = chkOverrideVolume->isChecked();
    test.volumeLevel = sldVolume->value();
    test.voiceRate = qint16(std::clamp<qint64>(OptionLists::fieldNumber(cboVoiceRate->currentText()), -10, 10));
    test.voiceStyle = cboVoiceStyle->currentText();
    // A spoken test asks for its text first.
    const QPointer<frmConfiguration> self(this);
    // What keeps the test from sounding (no sound device, no such file, no voice) is said: the user
    // pressed the button to hear something.
    QStringList failures;
    const QMetaObject::Connection heard =
        connect(gSound.get(), &clsSound::reported, this, [&failures](const QString& text) { failures << text; });
    gSound->TestSound(test);
    disconnect(heard);
    if (!self)
        return;
    SoundOffTimer->start();
    if (!failures.isEmpty())
        Prompt::message(failures.join(QLatin1Char('\n')), Prompt::OkOnly, Prompt::Exclamation);
}

void frmConfiguration::cmdStopTest_Click()
{
    if (gSound)
        gSound->StopSound();
}

void frmConfiguration::SoundOffTimer_Timer()
{
    if (gSound && (gSound->IsSpeaking() || gSound->IsWavePlaying()))
        return;
    endSoundTest();
}

void frmConfiguration::endSoundTest()
{
    SoundOffTimer->stop();
    if (gSound)
        gSound->EndSoundTest();
}

// ---------------------------------------------------------------------------------------------------------
// Lists

void frmConfiguration::cmdAddBlockCallString_Click()
{
    QPointer<frmAddBlockCallString> dialog = new frmAddBlockCallString(this);
    execDialog(*dialog);
    if (!dialog)
        return;
    const QString entry = dialog->BlockCallString();
    delete dialog.data();
    if (entry.isEmpty())
        return;
    for (int i = 0; i < lstBlockCallStrings->count(); ++i) {
        if (lstBlockCallStrings->item(i)->text().compare(entry, Qt::CaseInsensitive) == 0)
            return;
    }
    lstBlockCallStrings->addItem(entry);
    SetListScrollWidth(lstBlockCallStrings);
}

void frmConfiguration::cmdEditBlockCallString_Click()
{
    const QListWidgetItem* item = lstBlockCallStrings->currentItem();
    if (!item || !item->isSelected()) {
        Prompt::message(QStringLiteral("You must select an item to edit."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    // The entry is kept by its text and row, never as the list's item, across the dialog.
    const QString chosen = item->text();
    const int chosenRow = lstBlockCallStrings->row(item);
    QPointer<frmAddBlockCallString> dialog = new frmAddBlockCallString(this);
    dialog->setText(chosen);
    execDialog(*dialog);
    if (!dialog)
        return;
    const QString entry = dialog->BlockCallString();
    delete dialog.data();
    if (entry.isEmpty())
        return;
    QListWidgetItem* edited = lstBlockCallStrings->item(chosenRow);
    if (!edited || edited->text() != chosen) {
        edited = nullptr;
        for (int i = 0; i < lstBlockCallStrings->count() && !edited; ++i) {
            if (lstBlockCallStrings->item(i)->text() == chosen)
                edited = lstBlockCallStrings->item(i);
        }
    }
    if (!edited) {
        ChangedMeanwhile::say(QStringLiteral("block call string \"") + chosen + QLatin1Char('"'));
        return;
    }
    edited->setText(entry);
    SetListScrollWidth(lstBlockCallStrings);
}

void frmConfiguration::cmdRemoveBlockCallString_Click()
{
    const int i = lstBlockCallStrings->currentRow();
    const int n = lstBlockCallStrings->count();
    QListWidgetItem* item = lstBlockCallStrings->currentItem();
    if (i < 0 || !item || !item->isSelected()) {
        Prompt::message(QStringLiteral("You must select an item to remove."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    delete lstBlockCallStrings->takeItem(i);
    // The selection stays with the entry that followed, or moves to the new last one.
    if (n >= 2)
        lstBlockCallStrings->setCurrentRow(std::min(i, n - 2));
    else
        lstBlockCallStrings->setCurrentRow(-1);
    SetListScrollWidth(lstBlockCallStrings);
}

void frmConfiguration::cmdAddIP_Click()
{
    // An address listed already is listed again, as the user asked.
    const QString entry = frmAddIP::Ask(this);
    if (entry.isEmpty())
        return;
    lstBlockedIP->addItem(entry);
    SetListScrollWidth(lstBlockedIP);
}

void frmConfiguration::cmdRemoveIP_Click()
{
    QListWidgetItem* item = lstBlockedIP->currentItem();
    if (!item || !item->isSelected())
        return;
    delete lstBlockedIP->takeItem(lstBlockedIP->row(item));
    SetListScrollWidth(lstBlockedIP);
}

// ---------------------------------------------------------------------------------------------------------
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

OptionValues frmConfiguration::values() const
{
    OptionValues v;
    v.AutoStart = chkAutoStart->isChecked();
    v.Minimized = chkStartMinimized->isChecked();
    v.CloseMinimize = chkCloseMinimize->isChecked();
    v.BlinkingIcon = chkBlinkingIcon->isChecked();
    v.ConfirmDeletion = chkConfirmDeletion->isChecked();
    v.MaxEventLog = cboMaxEventLog->currentText();
    v.LogActivity = chkLogActivity->isChecked();
    v.Hints = chkHints->isChecked();
    v.OnTop = chkOnTop->isChecked();
    v.PopupScreen = chkPopup->isChecked();
    v.Sound = chkSound->isChecked();
    v.Networking = Standalone;
    for (int i = 0; i < 3; ++i) {
        if (optNetworking[i]->isChecked()) {
            v.Networking = i;
            break;
        }
    }
    v.DialToneTest = chkDialToneTest->isChecked();
    v.DialToneWait = cmbDialToneWait->currentText();
    v.ModemString = cboModemString->currentText();
    v.Port = cboPort->currentIndex() >= 0 ? cboPort->currentText() : QString();
    v.Speed = cboSpeed->currentIndex() >= 0 ? cboSpeed->currentText() : QString();
    v.Parity = cboParity->currentIndex() >= 0 ? cboParity->currentText() : QString();
    v.DataBits = cboDataBits->currentIndex() >= 0 ? cboDataBits->currentText() : QString();
    v.StopBits = cboStopBits->currentIndex() >= 0 ? cboStopBits->currentText() : QString();
    v.Handshaking = -1;
    for (int i = 0; i < 4; ++i) {
        if (optFlow[i]->isChecked())
            v.Handshaking = i;
    }
    v.OverrideVolume = chkOverrideVolume->isChecked();
    v.VolumeLevel = sldVolume->value();
    v.VoiceRate = cboVoiceRate->currentIndex() >= 0 ? cboVoiceRate->currentText() : QString();
    v.VoiceStyle = cboVoiceStyle->currentIndex() >= 0 && cboVoiceStyle->currentText() != m_fallbackVoice
                       ? cboVoiceStyle->currentText()
                       : QString();
    v.DefaultSound = strDefaultSound;
    v.ImmediateSound = strImmediateSound;
    v.RingSound = strRingSound;
    v.LocalPort = txtLocalPort->text();
    v.RestrictedNetwork = optRestrictAll->isChecked();
    for (int i = 0; i < lstBlockedIP->count(); ++i)
        v.BlockedIPs << lstBlockedIP->item(i)->text();
    for (int i = 0; i < lstBlockCallStrings->count(); ++i)
        v.BlockCallStrings << lstBlockCallStrings->item(i)->text();
    v.RemoteHost = cmbRemoteHost->currentText();
    v.RemotePort = txtRemotePort->text();
    v.RemoteLocalPort = txtRemoteLocalPort->text();
    return v;
}

bool frmConfiguration::ApplySettings()
{
    // Applying may tell of a port that cannot be had; the program may end while that box waits. False then:
    // the dialog is gone and nothing of it is touched.
    const QPointer<frmConfiguration> self(this);
    try {
        ValidateFields();
        const bool onTopBefore = storedTrue(Key::OnTop, "False");
        const bool hintsBefore = storedTrue(Key::Hints, "True");
        const OptionValues chosen = values();
        const SaveOutcome outcome = saveOptions(chosen);

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
            m_pending = PendingSwitch{outcome, m_applyPressed};
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

// ---------------------------------------------------------------------------------------------------------
// Tips

void frmConfiguration::AddHints()
{
    if (!storedTrue(Key::Hints, "True") || !gToolTip)
        return;
    auto tip = [](QWidget* w, const char* text) {
        if (w)
            gToolTip->SetToolTipObj(w, QString::fromUtf8(text));
    };
    const char* const voice = "Here you choose the voice that announces callers when a sound is set to Speech, and "
                              "how fast it speaks, from -10 (slowest) to 10 (fastest).";
    const char* const connection =
        "It is recommended that these settings be left alone. The data bits should stay at 8, the parity should be "
        "set to none and the stop bits should be set to 1. If you are experiencing difficulties, consult your modem "
        "manufacturer.";
    const char* const answer = "With answer testing on, the program checks for a dial tone a number of seconds after "
                               "the last ring to tell whether the call was answered. The wait is the number of "
                               "seconds after the last ring before the test.";
    const char* const flow = "It is recommended that these settings be left alone. This setting should stay at none. "
                             "If you are experiencing difficulties, consult your modem manufacturer.";
    const char* const network = "This opens the network settings of this computer.";
    const char* const modes = "Choose how this copy of the program works: alone, as a server that shares its calls "
                              "with other copies on the network, or as a client of such a server. A change to or "
                              "from client mode restarts the program's main window.";

    tip(chkAutoStart, "With this option check the program will automatically start when Windows starts.");
    tip(chkStartMinimized, "With this option checked the program starts minimized.");
    tip(chkCloseMinimize, "With this option checked the close button of the main window minimizes the program "
                          "instead of closing it. Use Exit in the File menu to close the program.");
    tip(chkBlinkingIcon, "With this option checked the tray icon blinks when a call comes in until you look at it.");
    tip(chkConfirmDeletion, "With this option checked you are asked before records are deleted or edited.");
    tip(chkOnTop, "This will keep the program window on top of all other windows on you desktop.");
    tip(chkPopup, "With this option checked the mini display pops up when a call comes in.");
    tip(chkSound, "With this option checked the program plays a sound or speaks when a call comes in.");
    tip(chkLogActivity, "With this option checked every event is also written to the activity log file.");
    tip(chkHints, "This enables or disables the popup hints that appear throughout the program.");
    tip(cmdCustomizeMiniDisplay, "This opens the window where you change how the mini display looks and what it "
                                 "shows.");
    tip(fraNetworking, modes);
    tip(optNetworking[0], "The program works alone and shares nothing on the network.");
    tip(optNetworking[1], "The program shares its calls and contacts with client copies of the program on the "
                          "network.");
    tip(optNetworking[2], "The program shows the calls and contacts of a server copy of the program on the "
                          "network. It uses no modem of its own.");
    tip(cboMaxEventLog, "This is the number of lines the event list of the main window keeps.");
    tip(optCustomizedRestrictions, "Only the addresses listed as restricted are restricted.");
    tip(optRestrictAll, "Every client is restricted: clients can view caller and contact information but cannot "
                        "change or delete records.");
    tip(txtLocalPort,
        "This is where you enter the local port to use on the network. It must be a number between 1 and 65535. If "
        "the port you have selected is already in use an error message will popup and you need to select a different "
        "port. To successfully connect to a client application, the local port on the server must be the same as the "
        "remote port on the client application.");
    tip(cmdNetworkSettings[0], network);
    tip(lstBlockedIP, "These are the addresses of the computers that are blocked (B) or restricted (R).");
    tip(cmdRemoveIP, "This removes the selected address from the list.");
    tip(cmdAddIP, "This adds an address to the list of blocked or restricted computers.");
    tip(txtStatus, "This box shows the current configuration of the local computers network.");
    tip(cmbRemoteHost, "This is the name or address of the computer that runs the server copy of the program.");
    tip(txtRemotePort, "This is the remote port that must match the local port of the server application.");
    tip(txtRemoteLocalPort,
        "This is the local port used on the network and must be a number between 0 and 65535.  This port number "
        "does not have to match anything and can be any valid port number as long as it is not in use already. If "
        "you select 0 for the local port the program will select a random port that is available. It is recommended "
        "that this setting be a 0.");
    tip(cmdNetworkSettings[1], network);
    tip(chkOverrideVolume, "With this option checked the speaker volume is raised to the level below while a call "
                           "is announced, and put back afterwards.");
    tip(sldVolume, "This is the speaker volume used while a call is announced when Override Volume is checked.");
    tip(cmbSoundType, "Choose which sound to set: the sound for callers without an attribute group, the sound of "
                      "the first ring, or the sound of every other ring.");
    tip(cmbSoundPath, "This is the wave file played for the chosen sound type, or Speech to have the caller "
                      "announced by voice. Leave it empty for no sound.");
    tip(cmdSoundBrowse, "This lets you choose a wave file for the chosen sound type.");
    tip(cmdTestSound, "This plays the chosen sound with the volume and voice set here.");
    tip(cmdStopTest, "This will stop the sound from playing.");
    tip(cboVoiceRate, voice);
    tip(cboVoiceStyle, voice);
    tip(fraVoiceSettings, voice);
    tip(lstBlockCallStrings,
        "This is a list of block call strings that incoming numbers will be compared against to block calls. The "
        "advantage of using block strings versus creating an attribute with the block property set and associated "
        "numbers to it is you can use wild card characters to block multiple numbers. This can be useful if you are "
        "receiving unwanted calls from a particular area code or organization. The asterisk (*) can stand for any "
        "single character in a block call string.");
    tip(cmdRemoveBlockCallString, "This removes the selected block call string.");
    tip(cmdAddBlockCallString, "This adds a block call string.");
    tip(cmdEditBlockCallString, "This changes the selected block call string.");
    tip(cboPort, "This is the serial port your modem is connected to.");
    tip(cboSpeed, "This is the speed at which your modem operates. It is recommended that this speed stay at 9600.");
    tip(fraConnection, connection);
    tip(cboDataBits, connection);
    tip(cboParity, connection);
    tip(cboStopBits, connection);
    tip(cmdModemSetup, "This opens the modem settings of this computer.");
    tip(cmdDefaultModem, "This reset all the modem settings to their default values.");
    tip(Frame4, answer);
    tip(chkDialToneTest, answer);
    tip(cmbDialToneWait, answer);
    tip(cboModemString,
        "This is the modem command string used to enable the caller id features of your modem. By default all of the "
        "strings in this list will execute until one of them is successful but if you know which modem string "
        "enables your modem you can select it from this list to execute it first and avoid executing the others. "
        "Also if the command string that enables your modem's caller id features is not in this list you can enter "
        "any modem command string needed to enable your modem's caller id features. Care must be taken not to enter "
        "a command that will produce an undesired effect such as dialing a number or some other command.");
    for (QRadioButton* o : optFlow)
        tip(o, flow);
    tip(Frame3, flow);
}
