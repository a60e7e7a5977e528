#pragma once

#include <QDialog>
#include <QList>

#include <optional>

#include "config/ConfigurationOptions.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabBar;
class QTimer;

// The options dialog: every option of the program on five pages (three in client mode), read from the
// settings when it opens and written and applied by OK and Apply (ConfigurationOptions holds that logic).
// Modal, one at a time.
//
// A change into or out of client mode replaces the main window that owns this dialog. That never happens
// under the dialog's own modal loop: Apply or OK ends the dialog, ShowConfiguration returns, and the new
// start-up runs from the event loop; Apply then opens the dialog again over the new main window, on the page
// where it was pressed.
class frmConfiguration : public QDialog {
    Q_OBJECT
public:
    // Shows the dialog modal over owner (the main window's Options menu), on the page of that caption when there
    // is one.
    static void ShowConfiguration(QWidget* owner, const QString& page = QString());

    explicit frmConfiguration(QWidget* parent = nullptr);
    ~frmConfiguration() override;

    // Registers the dialog's tips (every loaded window has one; Apply calls them when hints come on).
    Q_INVOKABLE void AddHints();
    // The tick of SoundOffTimer: a sound test ends once nothing sounds any more.
    void SoundOffTimer_Timer();

    // Panel size in twips.
    static constexpr int PanelWidth = 4485;
    static constexpr int PanelHeight = 3300;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    // After a switch into or out of client mode: what the restart still has to do.
    struct PendingSwitch {
        SaveOutcome outcome;
        bool reopen = false;
        QString page; // the caption of the tab Apply was pressed on
    };
    static void finishModeSwitch(const PendingSwitch& pending);
    // The steps of Apply that act on windows: the pop-up's colours, the customisation dialog's check box.
    static void applyToWindows();

    // --- building ---
    void buildControls();
    QWidget* buildGeneral();
    QWidget* buildServerNetwork();
    QWidget* buildSound();
    QWidget* buildModem();
    QWidget* buildCallBlocking();
    QWidget* buildClientNetwork();
    void watchTree(QWidget* root);

    // --- operations ---
    void LoadPropertySettings();
    void LoadSettings();
    void FillSoundList();
    void HideAllPanels();
    void ShowPanel(int index);
    void ShowHideTabs();
    void AddTab(const QString& caption);
    void RemoveTab(const QString& caption);
    void ValidateFields();
    // Writes and applies every option; false when the dialog has ended for a switch into or out of client
    // mode (the rest is done once its modal loop has returned), or has gone because the program ended while a
    // box of the applying waited.
    bool ApplySettings();
    // The controls' choices as options.
    OptionValues values() const;

    // --- handlers ---
    void tbsOptions_Click();
    void cmdOK_Click();
    void cmdApply_Click();
    void cmdCancel_Click();
    void cmdAddBlockCallString_Click();
    void cmdEditBlockCallString_Click();
    void cmdRemoveBlockCallString_Click();
    void cmdAddIP_Click();
    void cmdRemoveIP_Click();
    void cmdCustomizeMiniDisplay_Click();
    void cmdDefaultModem_Click();
    void cmdModemSetup_Click();
    void cmdNetworkSettings_Click(int index);
    void cmdSoundBrowse_Click();
    void cmdTestSound_Click();
    void cmdStopTest_Click();
    void optNetworking_Click();
    void cmbSoundType_Click();
    void cmbSoundPath_Change();
    void Form_KeyDown(int key, Qt::KeyboardModifiers shift);
    // Range check of one numeric field when it loses the focus.
    void Field_LostFocus(QWidget* field);
    QWidget* numericFieldFor(QObject* watched) const;
    void setFieldText(QWidget* field, const QString& text);
    QString fieldText(QWidget* field) const;
    void endSoundTest();

    // --- controls ---
    QTabBar* tbsOptions = nullptr;
    QList<QWidget*> picOptions; // index = panel; panel 5 (never shown) is not built: nullptr
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
    QTimer* SoundOffTimer = nullptr;
    // General
    QCheckBox* chkAutoStart = nullptr;
    QCheckBox* chkStartMinimized = nullptr;
    QCheckBox* chkCloseMinimize = nullptr;
    QCheckBox* chkBlinkingIcon = nullptr;
    QCheckBox* chkConfirmDeletion = nullptr;
    QCheckBox* chkLogActivity = nullptr;
    QCheckBox* chkHints = nullptr;
    QCheckBox* chkOnTop = nullptr;
    QCheckBox* chkPopup = nullptr;
    QCheckBox* chkSound = nullptr;
    QComboBox* cboMaxEventLog = nullptr;
    QGroupBox* fraNetworking = nullptr;
    QRadioButton* optNetworking[3] = {};
    QPushButton* cmdCustomizeMiniDisplay = nullptr;
    // Network (server)
    QGroupBox* fraNetworkSettings = nullptr;
    QLineEdit* txtLocalPort = nullptr;
    QPushButton* cmdNetworkSettings[2] = {};
    QListWidget* lstBlockedIP = nullptr;
    QPushButton* cmdAddIP = nullptr;
    QPushButton* cmdRemoveIP = nullptr;
    QGroupBox* fraRestrictions = nullptr;
    QRadioButton* optRestrictAll = nullptr;
    QRadioButton* optCustomizedRestrictions = nullptr;
    // Sound
    QGroupBox* fraSoundSettings = nullptr;
    QComboBox* cmbSoundType = nullptr;
    QComboBox* cmbSoundPath = nullptr;
    QPushButton* cmdSoundBrowse = nullptr;
    QPushButton* cmdTestSound = nullptr;
    QPushButton* cmdStopTest = nullptr;
    QCheckBox* chkOverrideVolume = nullptr;
    QSlider* sldVolume = nullptr;
    QGroupBox* fraVoiceSettings = nullptr;
    QComboBox* cboVoiceRate = nullptr;
    QComboBox* cboVoiceStyle = nullptr;
    // Modem
    QComboBox* cboPort = nullptr;
    QComboBox* cboSpeed = nullptr;
    QComboBox* cboModemString = nullptr;
    QGroupBox* fraConnection = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    QGroupBox* Frame3 = nullptr;
    QRadioButton* optFlow[4] = {};
    QGroupBox* Frame4 = nullptr;
    QCheckBox* chkDialToneTest = nullptr;
    QComboBox* cmbDialToneWait = nullptr;
    QPushButton* cmdDefaultModem = nullptr;
    QPushButton* cmdModemSetup = nullptr;
    // Call blocking
    QListWidget* lstBlockCallStrings = nullptr;
    QPushButton* cmdAddBlockCallString = nullptr;
    QPushButton* cmdEditBlockCallString = nullptr;
    QPushButton* cmdRemoveBlockCallString = nullptr;
    // Network (client)
    QComboBox* cmbRemoteHost = nullptr;
    QLineEdit* txtRemotePort = nullptr;
    QLineEdit* txtRemoteLocalPort = nullptr;
    QPlainTextEdit* txtStatus = nullptr;

    // The sound paths of the three sound types, as edited.
    QString strDefaultSound;
    QString strImmediateSound;
    QString strRingSound;
    // The engine's default voice shown in place of a stored voice this machine does not have.
    QString m_fallbackVoice;

    std::optional<PendingSwitch> m_pending;
    bool m_applyPressed = false;
    bool m_changingTabs = false;
};
