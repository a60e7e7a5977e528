#include "config/ui/frmConfiguration.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QSettings>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "app/StartupWindows.h"
#include "capture/clsSound.h"
#include "capture/clsVolume.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "support/AudioEnv.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

QString onDisk(const TempHome& home, const char* key)
{
    QSettings file(home.file(QStringLiteral("Velquon.ini")), QSettings::IniFormat);
    return file.value(QStringLiteral("frmConfiguration/") + QLatin1String(key), QStringLiteral("<none>")).toString();
}

} // namespace

// The options dialog's sound test against the private sound server and its real mixer: the test sounds with
// what the dialog shows, stores nothing, and every way out puts the volume and the voice back.
class TestSoundTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cancelDuringATestPutsEverythingBack();
    void aTestThatEndsByItselfIsTidiedByTheTimer();
    void aTestThatCannotSoundIsSaid();
    void aMissingStoredVoiceShowsTheEnginesDefault();

private:
    frmConfiguration* prepare();
    StandaloneSession m_session;
    QPointer<frmConfiguration> m_dialog;
};

void TestSoundTest::initTestCase()
{
    const QString why = AudioEnv::missingReason();
    if (!why.isEmpty())
        QFAIL(qPrintable(QStringLiteral("audio test environment missing: ") + why));
    registerStartupWindows();
}

void TestSoundTest::init()
{
    AudioEnv::setSinkVolume(50000, 50000);
    QVERIFY(m_session.start());
    QVERIFY(gVolume && gVolume->hasMixer());
    SaveProperty(Section::frmConfiguration, Key::Sound, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::OverrideVolume, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::VolumeLevel, QStringLiteral("0"));
    SaveProperty(Section::frmConfiguration, Key::VoiceRate, QStringLiteral("-2"));
    gSound->setVoiceRate(-2);
}

void TestSoundTest::cleanup()
{
    delete m_dialog.data();
    m_session.stop();
}

frmConfiguration* TestSoundTest::prepare()
{
    m_dialog = new frmConfiguration(StandaloneSession::window());
    m_dialog->show();
    ui::findByName<QTabBar>(m_dialog.data(), QStringLiteral("tbsOptions"))->setCurrentIndex(2);
    m_dialog->findChild<QComboBox*>(QStringLiteral("cmbSoundPath"))
        ->setEditText(programFolder() + QStringLiteral("/Sounds/Alarm.wav"));
    m_dialog->findChild<QCheckBox*>(QStringLiteral("chkOverrideVolume"))->setChecked(true);
    m_dialog->findChild<QSlider*>(QStringLiteral("sldVolume"))->setValue(30000);
    m_dialog->findChild<QComboBox*>(QStringLiteral("cboVoiceRate"))->setCurrentText(QStringLiteral("6"));
    return m_dialog;
}

void TestSoundTest::cancelDuringATestPutsEverythingBack()
{
    frmConfiguration* d = prepare();
    d->findChild<QAbstractButton*>(QStringLiteral("cmdTestSound"))->click();
    // Sounds are off, and the test sounds all the same, at the dialog's level.
    QVERIFY(gSound->IsWavePlaying());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 30000L);
    QCOMPARE(gSound->VoiceRate(), qint16(6));
    QVERIFY(ui::findByName<QTimer>(d, QStringLiteral("SoundOffTimer"))->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(AudioEnv::ownSinkInputs() > 0, 10000);

    // A second press before the end: what comes back is still what was there before the first.
    d->findChild<QSlider*>(QStringLiteral("sldVolume"))->setValue(25000);
    d->findChild<QAbstractButton*>(QStringLiteral("cmdTestSound"))->click();
    QCOMPARE(AudioEnv::alsaMasterVolume(), 25000L);

    d->findChild<QAbstractButton*>(QStringLiteral("cmdCancel"))->click();
    QVERIFY(!ui::findByName<QTimer>(d, QStringLiteral("SoundOffTimer"))->isActive());
    QVERIFY(!gSound->isSoundTestRunning());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    QCOMPARE(gSound->VoiceRate(), qint16(-2));
    QCOMPARE(onDisk(m_session.home(), Key::Sound), QStringLiteral("False"));
    QCOMPARE(onDisk(m_session.home(), Key::OverrideVolume), QStringLiteral("False"));
    QCOMPARE(onDisk(m_session.home(), Key::VolumeLevel), QStringLiteral("0"));
    QCOMPARE(onDisk(m_session.home(), Key::VoiceRate), QStringLiteral("-2"));
}

void TestSoundTest::aTestThatEndsByItselfIsTidiedByTheTimer()
{
    frmConfiguration* d = prepare();
    d->findChild<QComboBox*>(QStringLiteral("cmbSoundPath"))
        ->setEditText(programFolder() + QStringLiteral("/Sounds/Button.wav"));
    d->findChild<QAbstractButton*>(QStringLiteral("cmdTestSound"))->click();
    QCOMPARE(AudioEnv::alsaMasterVolume(), 30000L);
    // While it sounds, a tick changes nothing.
    d->SoundOffTimer_Timer();
    QVERIFY(ui::findByName<QTimer>(d, QStringLiteral("SoundOffTimer"))->isActive());
    // Stop Test stops the sound; the next tick ends the test.
    d->findChild<QAbstractButton*>(QStringLiteral("cmdStopTest"))->click();
    QVERIFY(!gSound->IsWavePlaying());
    d->SoundOffTimer_Timer();
    QVERIFY(!ui::findByName<QTimer>(d, QStringLiteral("SoundOffTimer"))->isActive());
    QVERIFY(!gSound->isSoundTestRunning());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    QCOMPARE(gSound->VoiceRate(), qint16(-2));
    QCOMPARE(onDisk(m_session.home(), Key::Sound), QStringLiteral("False"));
    // The dialog is still open and can be confirmed as usual: the test wrote nothing into it either.
    QVERIFY(d->isVisible());
}

void TestSoundTest::aTestThatCannotSoundIsSaid()
{
    frmConfiguration* d = prepare();
    const QString missing = m_session.home().file(QStringLiteral("Sounds/Gone.wav"));
    d->findChild<QComboBox*>(QStringLiteral("cmbSoundPath"))->setEditText(missing);
    Prompt::resetScript();
    d->findChild<QAbstractButton*>(QStringLiteral("cmdTestSound"))->click();
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Sound file not found: ") + missing});
    QVERIFY(!gSound->IsWavePlaying());
    // A test that sounds says nothing.
    d->findChild<QComboBox*>(QStringLiteral("cmbSoundPath"))
        ->setEditText(programFolder() + QStringLiteral("/Sounds/Button.wav"));
    d->findChild<QAbstractButton*>(QStringLiteral("cmdTestSound"))->click();
    QVERIFY(gSound->IsWavePlaying());
    QCOMPARE(Prompt::texts().size(), 1);
    d->findChild<QAbstractButton*>(QStringLiteral("cmdStopTest"))->click();
}

void TestSoundTest::aMissingStoredVoiceShowsTheEnginesDefault()
{
    // The first run's voice, which this machine does not have.
    SaveProperty(Section::frmConfiguration, Key::VoiceStyle, QStringLiteral("Microsoft Sam"));
    QVERIFY(!gSound->GetVoices().contains(QStringLiteral("Microsoft Sam")));
    QVERIFY(!gSound->GetVoices().isEmpty());
    m_dialog = new frmConfiguration(StandaloneSession::window());
    m_dialog->show();
    auto* voices = ui::findByName<QComboBox>(m_dialog.data(), QStringLiteral("cboVoiceStyle"));
    QVERIFY(voices->currentIndex() >= 0);
    QCOMPARE(voices->currentText(), gSound->VoiceStyle());
    // Confirmed untouched, the stored name stays for the day that voice is installed.
    m_dialog->findChild<QAbstractButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(onDisk(m_session.home(), Key::VoiceStyle), QStringLiteral("Microsoft Sam"));
    delete m_dialog.data();

    // Another voice chosen is stored.
    if (gSound->GetVoices().size() < 2)
        QSKIP("this machine has a single voice");
    m_dialog = new frmConfiguration(StandaloneSession::window());
    m_dialog->show();
    voices = ui::findByName<QComboBox>(m_dialog.data(), QStringLiteral("cboVoiceStyle"));
    const int other = voices->currentIndex() == 0 ? 1 : 0;
    voices->setCurrentIndex(other);
    const QString chosen = voices->currentText();
    m_dialog->findChild<QAbstractButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(onDisk(m_session.home(), Key::VoiceStyle), chosen);
}

QTEST_MAIN(TestSoundTest)
#include "test_soundtest.moc"
