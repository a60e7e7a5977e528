#include "config/ui/frmConfiguration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "capture/clsSound.h"
#include "config/OptionLists.h"
#include "core/Globals.h"
#include "core/modError.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"

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
