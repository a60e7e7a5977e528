#include "config/ui/frmConfiguration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>

#include "capture/clsSound.h"
#include "capture/clsVolume.h"
#include "config/OptionLists.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"

namespace {

// The entry of a fixed list equal to text (case ignored) is chosen; no such entry leaves no choice.
void chooseEntry(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(-1);
    if (!text.isEmpty())
        SelectListItem(box, text);
}

} // namespace

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
