#include "capture/clsSound.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTextToSpeech>
#include <QVoice>

#include "capture/clsVolume.h"
#include "capture/modSoundFiles.h"
#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "support/AudioEnv.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

namespace {

void setOption(const char* key, const QString& value) { SaveProperty(Section::frmConfiguration, key, value); }

// Keeps the event loop turning (as the program's would) until the announcer has nothing playing, checking on
// every turn; gives up after limitMs.
template <class Check>
bool whilePlaying(clsSound& s, int limitMs, Check check)
{
    return QTest::qWaitFor(
        [&] {
            if (!s.IsSpeaking() && !s.IsWavePlaying())
                return true;
            check();
            return false;
        },
        limitMs);
}

} // namespace

// The announcer against the private sound server: real speech through the flite engine, real wave files
// through the null sink, and the real mixer.
class TestSound : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void spokenSentence_data();
    void spokenSentence();
    void soundOffPlaysNothingAndClearsTheSavedVolume();
    void overrideHoldsTheLevelWhileTheSentencePlays();
    void anEqualLevelIsNeverWritten();
    void anOutOfRangeLevelKeepsTheUsersVolume();
    void bundledWavePlaysToTheSink();
    void missingOrBrokenFilesAreReported();
    void aSoundThatNeverStartsStopsHoldingTheVolume();
    void stopSoundEndsSpeechAndRestores();
    void sentencesWaitForEachOther();
    void stopBeforeTheStartThenSpeakAgain();
    void testSoundAsksForTheSentence();
    void testSoundUsesItsOwnSettingsAndPutsEverythingBack();
    void voiceSettings();
    void withoutSoundServerNothingBlocks();

private:
    TempHome* m_home = nullptr;
    QString m_defaultVoice;
};

void TestSound::initTestCase()
{
    const QString why = AudioEnv::missingReason();
    if (!why.isEmpty())
        QFAIL(qPrintable(QStringLiteral("audio test environment missing: ") + why));
    if (!QTextToSpeech::availableEngines().contains(QStringLiteral("flite")))
        QFAIL("the flite speech engine is not installed (qt6-speech-flite-plugin)");
    // Asked of an engine of our own before the announcer's exists: two engines must never work at once.
    m_defaultVoice = QTextToSpeech(QStringLiteral("flite")).voice().name();
    QVERIFY(!m_defaultVoice.isEmpty());
}

void TestSound::init()
{
    m_home = new TempHome;
    AudioEnv::setSinkVolume(50000, 50000);
    install(gVolume);
    QVERIFY(gVolume->hasMixer());
}

void TestSound::cleanup()
{
    delete m_home;
    m_home = nullptr;
}

void TestSound::spokenSentence_data()
{
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("contact with description") << "John Smith"
                                              << "SMITH JOHN"
                                              << "Home"
                                              << "Incoming call from John Smith at Home";
    QTest::newRow("contact without description") << "John Smith"
                                                 << "SMITH JOHN"
                                                 << ""
                                                 << "Incoming call from John Smith";
    QTest::newRow("contact, description NONE") << "John Smith"
                                               << "SMITH JOHN"
                                               << "NONE"
                                               << "Incoming call from John Smith";
    QTest::newRow("contact NONE, with description") << "NONE"
                                                    << "SMITH JOHN"
                                                    << "Work"
                                                    << "Incoming call from SMITH JOHN at Work";
    QTest::newRow("no contact") << ""
                                << "PAY PHONE"
                                << ""
                                << "Incoming call from PAY PHONE";
    // Only the exact word means "none".
    QTest::newRow("lower-case none is a name") << "none"
                                               << "X"
                                               << "none"
                                               << "Incoming call from none at none";
}

void TestSound::spokenSentence()
{
    QFETCH(QString, contact);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QString, sentence);
    QCOMPARE(clsSound::SpeechSentence(contact, name, description), sentence);
    // The same from a call record, as the call road hands it over.
    clsCaller caller;
    caller.Name = name;
    caller.ContactName = contact;
    caller.Number = clsNumber(QStringLiteral("555-1234"), description);
    QCOMPARE(clsSound::SpeechSentence(caller), sentence);
}

void TestSound::soundOffPlaysNothingAndClearsTheSavedVolume()
{
    setOption(Key::Sound, "False");
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    InstallBundledSounds();
    clsSound s;
    QSignalSpy reports(&s, &clsSound::reported);
    s.PlaySound(programFolder() + "/Sounds/Button.wav", "John", "JOHN", "Home");
    s.PlaySound("Speech", "John", "JOHN", "Home");
    QVERIFY(!s.IsWavePlaying());
    QVERIFY(!s.IsSpeaking());
    QVERIFY(s.VolumeTimer.isActive());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
    QCOMPARE(s.SavedVolume(), -1);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    // The marker: a wave from a second announcer, asked for after them and leaving the volume alone. When it
    // reaches the sound server, a stream the first had opened would be there before it.
    setOption(Key::Sound, "True");
    setOption(Key::OverrideVolume, "False");
    clsSound marker;
    marker.PlaySound(programFolder() + "/Sounds/Alarm.wav", "", "X", "");
    QTRY_VERIFY_WITH_TIMEOUT(AudioEnv::ownSinkInputs() > 0, 10000);
    QCOMPARE(AudioEnv::ownSinkInputs(), 1);
    QVERIFY(whilePlaying(marker, 15000, [] {}));
    QCOMPARE(reports.count(), 0);
}

void TestSound::overrideHoldsTheLevelWhileTheSentencePlays()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    clsSound s;
    QVERIFY(s.speechAvailable());
    clsCaller caller;
    caller.Name = QStringLiteral("SMITH JOHN");
    caller.Number = clsNumber(QStringLiteral("555-1234"), QStringLiteral("Home"));
    s.PlaySound("Speech", caller);
    QCOMPARE(s.SavedVolume(), 50000);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    // Asked for but not begun yet: the timer must not put the volume back.
    QVERIFY(s.IsSpeaking());
    s.VolumeTimer_Timer();
    QVERIFY(s.VolumeTimer.isActive());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);

    bool heard = false;
    long wrongLevel = -1;
    QVERIFY(whilePlaying(s, 30000, [&] {
        heard = heard || AudioEnv::ownSinkInputs() > 0;
        const long now = AudioEnv::alsaMasterVolume();
        if (s.IsSpeaking() && now != 20000 && wrongLevel < 0)
            wrongLevel = now;
    }));
    QCOMPARE(wrongLevel, -1L);
    QVERIFY2(heard, "the sentence never reached the sound server");
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    QCOMPARE(s.SavedVolume(), -1);
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
}

void TestSound::anEqualLevelIsNeverWritten()
{
    // Unequal channels reveal any write: a write of the same level would make them equal.
    AudioEnv::setSinkVolume(30000, 50000);
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "30000");
    InstallBundledSounds();
    clsSound s;
    s.PlaySound(programFolder() + "/Sounds/Button.wav", "", "X", "");
    QCOMPARE(s.SavedVolume(), 30000);
    QVERIFY(whilePlaying(s, 15000, [] {}));
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
    QCOMPARE(AudioEnv::sinkVolumes(), QList<int>({30000, 50000}));
    // Override off: the volume is never touched, whatever the level.
    setOption(Key::OverrideVolume, "False");
    setOption(Key::VolumeLevel, "1000");
    s.PlaySound(programFolder() + "/Sounds/Button.wav", "", "X", "");
    QVERIFY(whilePlaying(s, 15000, [] {}));
    s.VolumeTimer_Timer();
    QCOMPARE(AudioEnv::sinkVolumes(), QList<int>({30000, 50000}));
}

void TestSound::anOutOfRangeLevelKeepsTheUsersVolume()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "900000");
    InstallBundledSounds();
    clsSound s;
    const QString alarm = programFolder() + "/Sounds/Alarm.wav";
    s.PlaySound(alarm, "", "X", "");
    QCOMPARE(AudioEnv::alsaMasterVolume(), long(gVolume->MaxWaveVolume()));
    // A second announcement while the first plays keeps the first saved volume.
    s.PlaySound(alarm, "", "X", "");
    QCOMPARE(s.SavedVolume(), 50000);
    QVERIFY(whilePlaying(s, 15000, [] {}));
    s.VolumeTimer_Timer();
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
}

void TestSound::bundledWavePlaysToTheSink()
{
    QVERIFY(InstallBundledSounds());
    const QString alarm = programFolder() + "/Sounds/Alarm.wav";
    QVERIFY(QFile::exists(alarm));
    clsSound s;
    QSignalSpy reports(&s, &clsSound::reported);
    s.PlaySound(alarm, "", "X", "");
    QVERIFY(s.IsWavePlaying());
    QTRY_VERIFY_WITH_TIMEOUT(AudioEnv::ownSinkInputs() > 0, 10000);
    QVERIFY(s.IsWavePlaying());
    QVERIFY(whilePlaying(s, 15000, [] {}));
    QCOMPARE(reports.count(), 0);
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
}

void TestSound::missingOrBrokenFilesAreReported()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    clsSound s;
    QSignalSpy reports(&s, &clsSound::reported);
    s.PlaySound("/nonexistent/velquon/Gone.wav", "", "X", "");
    QCOMPARE(reports.count(), 1);
    QCOMPARE(reports.at(0).at(0).toString(), QStringLiteral("Sound file not found: /nonexistent/velquon/Gone.wav"));
    QVERIFY(!s.IsWavePlaying());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
    QCOMPARE(s.SavedVolume(), -1);

    // An empty path plays nothing and says nothing.
    s.PlaySound("", "", "X", "");
    QCOMPARE(reports.count(), 1);

    const QString broken = m_home->file("Broken.wav");
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("RIFF this is not a wave file at all");
    f.close();
    s.PlaySound(broken, "", "X", "");
    QTRY_COMPARE_WITH_TIMEOUT(reports.count(), 2, 10000);
    QCOMPARE(reports.at(1).at(0).toString(), QStringLiteral("Sound could not be played: ") + broken);
    QVERIFY(!s.IsWavePlaying());
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);

    // A folder in a sound file's place is said as such, once however often it would play.
    const QString folder = m_home->file("Folder.wav");
    QVERIFY(QDir().mkpath(folder));
    s.PlaySound(folder, "", "X", "");
    s.PlaySound(folder, "", "X", "");
    QCOMPARE(reports.count(), 3);
    QCOMPARE(reports.at(2).at(0).toString(),
             QStringLiteral("Sound file ") + folder + QStringLiteral(" cannot be played: it is a folder, not a file"));
}

void TestSound::aSoundThatNeverStartsStopsHoldingTheVolume()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    Clock::setNow(QDateTime(QDate(2024, 3, 1), QTime(9, 0), Qt::UTC));
    clsSound s;
    // No event is handled between these lines, so the engine cannot have begun.
    s.PlaySound("Speech", "", "X", "");
    s.VolumeTimer_Timer();
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    Clock::advance(clsSound::StartLimitMs / 1000 - 1);
    s.VolumeTimer_Timer();
    QVERIFY(s.IsSpeaking());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    Clock::advance(2);
    QVERIFY(!s.IsSpeaking());
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    // The program's clock moved on, but the engine has not even begun: it still counts as busy, so the next
    // sentence waits for it (two at once crash the engine's thread). Only its own report frees it.
    Clock::advance(3600);
    QVERIFY(s.speechEngineBusy());
    s.StopSound();
    QTRY_VERIFY_WITH_TIMEOUT(!s.speechEngineBusy(), 30000);
}

void TestSound::stopSoundEndsSpeechAndRestores()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    clsSound s;
    s.PlaySound("Speech", "A rather long contact name to keep the voice busy", "X",
                "the office on the far side of the building");
    QTRY_VERIFY_WITH_TIMEOUT(AudioEnv::ownSinkInputs() > 0, 10000);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    s.StopSound();
    QVERIFY(!s.IsSpeaking());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    QCOMPARE(s.SavedVolume(), -1);
    // The engine cannot be interrupted safely: the sentence runs out, but it no longer holds the volume.
    // A marker sentence that leaves the volume alone is heard only after it, so the wait for the marker
    // covers the stopped sentence's late reports.
    setOption(Key::OverrideVolume, "False");
    QSignalSpy reports(&s, &clsSound::reported);
    s.PlaySound("Speech", "", "JOHN SMITH", "Home");
    long wrongLevel = -1;
    QVERIFY(whilePlaying(s, 30000, [&] {
        const long now = AudioEnv::alsaMasterVolume();
        if (now != 50000 && wrongLevel < 0)
            wrongLevel = now;
    }));
    QCOMPARE(wrongLevel, -1L);
    QCOMPARE(reports.count(), 0);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    setOption(Key::OverrideVolume, "True");

    // The same for a wave sound.
    QVERIFY(InstallBundledSounds());
    s.PlaySound(programFolder() + "/Sounds/Alarm.wav", "", "X", "");
    QTRY_VERIFY_WITH_TIMEOUT(AudioEnv::ownSinkInputs() > 0, 10000);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    s.StopSound();
    QVERIFY(!s.IsWavePlaying());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
}

void TestSound::sentencesWaitForEachOther()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    clsSound s;
    // The second call comes while the first is being announced: it is heard after it, and the raised level
    // holds until both are done.
    s.PlaySound("Speech", "", "JOHN SMITH", "Home");
    s.PlaySound("Speech", "", "JOHN SMITH", "Home");
    QCOMPARE(s.SavedVolume(), 50000);
    long wrongLevel = -1;
    QVERIFY(whilePlaying(s, 60000, [&] {
        const long now = AudioEnv::alsaMasterVolume();
        if (now != 20000 && wrongLevel < 0)
            wrongLevel = now;
    }));
    QCOMPARE(wrongLevel, -1L);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
}

void TestSound::stopBeforeTheStartThenSpeakAgain()
{
    setOption(Key::OverrideVolume, "True");
    setOption(Key::VolumeLevel, "20000");
    clsSound s;
    // Stopped before the engine could begin: its late reports must not end the next sentence.
    s.PlaySound("Speech", "", "FIRST CALLER", "");
    s.StopSound();
    QVERIFY(!s.IsSpeaking());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    s.PlaySound("Speech", "", "SECOND CALLER", "");
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    long wrongLevel = -1;
    QVERIFY(whilePlaying(s, 30000, [&] {
        const long now = AudioEnv::alsaMasterVolume();
        if (now != 20000 && wrongLevel < 0)
            wrongLevel = now;
    }));
    QCOMPARE(wrongLevel, -1L);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());
}

void TestSound::testSoundAsksForTheSentence()
{
    setOption(Key::Sound, "False"); // a test plays whatever this option says
    clsSound s;
    clsSound::SoundTest speech;
    speech.path = QStringLiteral("Speech");
    Prompt::queueText(QStringLiteral("Testing one two"));
    s.TestSound(speech);
    QCOMPARE(s.TestSpeech, QStringLiteral("Testing one two"));
    QVERIFY(s.IsSpeaking());
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Input);
    QCOMPARE(Prompt::history().first().text, QStringLiteral("Enter the speech to be tested."));
    QCOMPARE(Prompt::history().first().title, QStringLiteral("Velquon"));
    QVERIFY(whilePlaying(s, 30000, [] {}));
    s.VolumeTimer_Timer();
    QVERIFY(!s.VolumeTimer.isActive());

    // Unanswered, the last sentence is offered again; cancelled, nothing is spoken.
    s.TestSound(speech);
    QCOMPARE(Prompt::history().last().result, QStringLiteral("Testing one two"));
    s.StopSound();
    Prompt::queueText(QString());
    s.TestSound(speech);
    QVERIFY(s.TestSpeech.isEmpty());
    QVERIFY(!s.IsSpeaking());
}

void TestSound::testSoundUsesItsOwnSettingsAndPutsEverythingBack()
{
    // Stored: no override, a slow voice. The test asks for its own level and rate, and stores nothing.
    setOption(Key::OverrideVolume, "False");
    setOption(Key::VolumeLevel, "0");
    setOption(Key::VoiceRate, "-3");
    QVERIFY(InstallBundledSounds());
    clsSound s;
    QCOMPARE(s.VoiceRate(), qint16(-3));
    clsSound::SoundTest test;
    test.path = programFolder() + "/Sounds/Alarm.wav";
    test.overrideVolume = true;
    test.volumeLevel = 20000;
    test.voiceRate = 7;
    s.TestSound(test);
    QVERIFY(s.isSoundTestRunning());
    QVERIFY(s.IsWavePlaying());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    QCOMPARE(s.VoiceRate(), qint16(7));
    // A second test before the first ended: what comes back is still what was there before the first.
    test.voiceRate = 9;
    test.volumeLevel = 25000;
    s.TestSound(test);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 25000L);
    QCOMPARE(s.VoiceRate(), qint16(9));
    // Ended while it still sounds (the dialog closed): volume and voice come back at once.
    s.EndSoundTest();
    QVERIFY(!s.isSoundTestRunning());
    QVERIFY(!s.IsWavePlaying());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    QCOMPARE(s.VoiceRate(), qint16(-3));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::OverrideVolume, "x"), QStringLiteral("False"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::VolumeLevel, "x"), QStringLiteral("0"));
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::VoiceRate, "x"), QStringLiteral("-3"));
    // Once no test runs, an announcement follows the stored options again: no override.
    s.PlaySound(programFolder() + "/Sounds/Alarm.wav", "", "X", "");
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    s.StopSound();
    s.EndSoundTest(); // nothing to end
    QCOMPARE(s.VoiceRate(), qint16(-3));
}

void TestSound::voiceSettings()
{
    const QString defaultVoice = m_defaultVoice;
    setOption(Key::VoiceStyle, "Microsoft Sam");
    setOption(Key::VoiceRate, "5");
    {
        clsSound s;
        QCOMPARE(s.VoiceStyle(), defaultVoice);
        QCOMPARE(s.VoiceRate(), qint16(5));
        const QStringList voices = s.GetVoices();
        QVERIFY(voices.contains(defaultVoice));
        // Another installed voice, named in other letter case, is chosen; an unknown one changes nothing.
        QString other;
        for (const QString& v : voices)
            if (v != defaultVoice)
                other = v;
        if (!other.isEmpty()) {
            s.setVoiceStyle(other.toUpper());
            QCOMPARE(s.VoiceStyle(), other);
            s.setVoiceStyle(QStringLiteral("No Such Voice"));
            QCOMPARE(s.VoiceStyle(), other);
        }
        s.setVoiceRate(-10);
        QCOMPARE(s.VoiceRate(), qint16(-10));
        s.setVoiceRate(40);
        QCOMPARE(s.VoiceRate(), qint16(10));
    }
    setOption(Key::VoiceRate, "-25");
    clsSound slow;
    QCOMPARE(slow.VoiceRate(), qint16(-10));
    QCOMPARE(slow.VoiceStyle(), defaultVoice);
}

// Runs the same calls in a child process whose sound server address leads nowhere.
void TestSound::withoutSoundServerNothingBlocks()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/velquon-pulse"));
    env.insert(QStringLiteral("VELQUON_SOUND_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit, qPrintable(out));
    QVERIFY2(child.exitCode() == 0, qPrintable(out + QString::fromUtf8(child.readAllStandardError())));
    QVERIFY2(out.contains(QStringLiteral("notices=1")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("No sound device: could not play ")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("Speech could not be played")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("done")), qPrintable(out));
}

// The child's side: no sound server. Prints what it saw; exits 1 when something is wrong.
static int runWithoutSoundServer()
{
    TempHome home;
    SaveProperty(Section::frmConfiguration, Key::OverrideVolume, "True");
    SaveProperty(Section::frmConfiguration, Key::VolumeLevel, "20000");
    QTextStream out(stdout);
    install(gVolume);
    clsVolume second;
    int notices = 0;
    for (const auto& r : Prompt::history())
        notices += r.kind == Prompt::Kind::Notice ? 1 : 0;
    out << "mixer=" << gVolume->hasMixer() << " notices=" << notices << "\n";
    InstallBundledSounds();
    clsSound s;
    QObject::connect(&s, &clsSound::reported, [&](const QString& t) {
        out << "report: " << t << "\n";
        out.flush();
    });
    QElapsedTimer t;
    t.start();
    s.PlaySound(programFolder() + "/Sounds/Button.wav", "", "X", "");
    s.PlaySound("Speech", "John", "JOHN", "Home");
    // Both end (with a report each) without a sound server; then the volume timer's next tick stops it.
    (void)whilePlaying(s, 30000, [] {});
    s.VolumeTimer_Timer();
    s.StopSound();
    const bool quiet = !s.IsSpeaking() && !s.IsWavePlaying() && !s.VolumeTimer.isActive();
    out << "quiet=" << quiet << " elapsed=" << t.elapsed() << "\n";
    out << "done\n";
    return (!quiet || notices != 1 || second.hasMixer()) ? 1 : 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariable("VELQUON_SOUND_CHILD") == QLatin1String("1"))
        return runWithoutSoundServer();
    TestSound tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_sound.moc"
