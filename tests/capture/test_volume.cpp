#include "capture/clsVolume.h"

#include <QTest>

#include "platform/Prompt.h"
#include "support/AudioEnv.h"
#include "support/TempHome.h"

// The mixer against the private sound server's null sink: every value is checked from the outside
// (pactl, or a mixer handle of the test's own).
class TestVolume : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void findsTheSpeakerLineAndItsBounds();
    void writesAndReadsTheSpeakerVolume();
    void clampsToTheBounds();
    void mutesAndUnmutes();
    void microphoneLineUsesTheCaptureSide();
    void linesWithoutControlsReadZeroAndTouchNothing();
    void missingMixerIsReportedOnceAndStaysUsable();
};

void TestVolume::initTestCase()
{
    const QString why = AudioEnv::missingReason();
    if (!why.isEmpty())
        QFAIL(qPrintable(QStringLiteral("audio test environment missing: ") + why));
}

void TestVolume::init()
{
    AudioEnv::setSinkVolume(50000, 50000);
    AudioEnv::setSinkMute(false);
}

void TestVolume::findsTheSpeakerLineAndItsBounds()
{
    TempHome home;
    clsVolume v;
    QVERIFY(v.hasMixer());
    QVERIFY(v.HasVolumeControl(clsVolume::SpeakersLine));
    QVERIFY(v.HasMuteControl(clsVolume::SpeakersLine));
    QCOMPARE(v.elementName(clsVolume::SpeakersLine), QStringLiteral("Master"));
    // The sound server's scale: 0 to 65536 (100 %).
    QCOMPARE(v.MinWaveVolume(), 0);
    QCOMPARE(v.MaxWaveVolume(), 65536);
    QVERIFY(Prompt::history().isEmpty());
}

void TestVolume::writesAndReadsTheSpeakerVolume()
{
    TempHome home;
    clsVolume v;
    QCOMPARE(v.WaveVolume(), 50000);
    v.setWaveVolume(20000);
    QCOMPARE(AudioEnv::alsaMasterVolume(), 20000L);
    QCOMPARE(AudioEnv::sinkVolumes(), QList<int>({20000, 20000}));
    // A change made by someone else is seen by the handle that stays open.
    AudioEnv::setSinkVolume(41000, 41000);
    QTRY_COMPARE(v.WaveVolume(), 41000);
}

void TestVolume::clampsToTheBounds()
{
    TempHome home;
    clsVolume v;
    v.setWaveVolume(v.MaxWaveVolume() + 5000);
    QCOMPARE(AudioEnv::alsaMasterVolume(), long(v.MaxWaveVolume()));
    QCOMPARE(v.WaveVolume(), v.MaxWaveVolume());
    v.setWaveVolume(-7);
    QCOMPARE(AudioEnv::alsaMasterVolume(), long(v.MinWaveVolume()));
    v.setWaveVolume(std::numeric_limits<qint32>::max());
    QCOMPARE(v.WaveVolume(), v.MaxWaveVolume());
}

void TestVolume::mutesAndUnmutes()
{
    TempHome home;
    clsVolume v;
    QCOMPARE(v.WaveMute(), 0);
    v.setWaveMute(1);
    QCOMPARE(AudioEnv::alsaMasterMuted(), 1);
    QVERIFY(AudioEnv::sinkMuted());
    QCOMPARE(v.WaveMute(), 1);
    // Any nonzero value mutes; the volume is left alone.
    v.setWaveMute(0);
    QCOMPARE(AudioEnv::alsaMasterMuted(), 0);
    v.setWaveMute(-1);
    QVERIFY(AudioEnv::sinkMuted());
    QCOMPARE(AudioEnv::alsaMasterVolume(), 50000L);
    v.setWaveMute(0);
    QVERIFY(!AudioEnv::sinkMuted());
}

void TestVolume::microphoneLineUsesTheCaptureSide()
{
    TempHome home;
    const QString source = QStringLiteral("nullsink.monitor");
    AudioEnv::pactl({"set-source-volume", source, "40000"});
    clsVolume v;
    // The sound server has no microphone playback line; its recording level stands in for it.
    QVERIFY(v.HasVolumeControl(clsVolume::MicrophoneLine));
    QCOMPARE(v.elementName(clsVolume::MicrophoneLine), QStringLiteral("Capture"));
    QCOMPARE(v.MicroVolume(), 40000);
    v.setMicroVolume(v.MaxMicVolume() + 1);
    QVERIFY(AudioEnv::pactl({"get-source-volume", source}).contains(QStringLiteral("65536")));
    v.setMicroVolume(12345);
    QVERIFY(AudioEnv::pactl({"get-source-volume", source}).contains(QStringLiteral("12345")));
    v.setMicroMute(1);
    QVERIFY(AudioEnv::pactl({"get-source-mute", source}).contains(QStringLiteral("yes")));
    QCOMPARE(v.MicroMute(), 1);
    v.setMicroMute(0);
    QVERIFY(AudioEnv::pactl({"get-source-mute", source}).contains(QStringLiteral("no")));
    // The speakers are a separate line.
    QCOMPARE(AudioEnv::sinkVolumes(), QList<int>({50000, 50000}));
    QVERIFY(!AudioEnv::sinkMuted());
    AudioEnv::pactl({"set-source-volume", source, "65536"});
}

void TestVolume::linesWithoutControlsReadZeroAndTouchNothing()
{
    TempHome home;
    clsVolume v;
    // The sound server's mixer offers no compact disc or synthesizer line.
    for (qint32 bit : {clsVolume::CompactDiscLine, clsVolume::SynthesizerLine}) {
        QVERIFY(!v.HasVolumeControl(bit));
        QVERIFY(!v.HasMuteControl(bit));
        QVERIFY(v.elementName(bit).isEmpty());
    }
    QCOMPARE(v.CD_Volume(), 0);
    QCOMPARE(v.MIDIMute(), 0);
    QCOMPARE(v.MinCDVolume(), 0);
    QCOMPARE(v.MaxMidVolume(), 0);
    v.setCD_Volume(123);
    v.setMIDIVolume(456);
    v.setCD_Mute(1);
    v.setMIDIMute(1);
    QCOMPARE(AudioEnv::sinkVolumes(), QList<int>({50000, 50000}));
    QVERIFY(!AudioEnv::sinkMuted());
    QVERIFY(!v.HasVolumeControl(64));
    QVERIFY(!v.HasVolumeControl(0));
}

void TestVolume::missingMixerIsReportedOnceAndStaysUsable()
{
    TempHome home;
    clsVolume::resetNoMixerReport();
    {
        clsVolume v(QStringLiteral("velquon-no-such-mixer"));
        QVERIFY(!v.hasMixer());
        QCOMPARE(v.WaveVolume(), 0);
        QCOMPARE(v.MaxWaveVolume(), 0);
        QVERIFY(!v.HasVolumeControl(clsVolume::SpeakersLine));
        v.setWaveVolume(1000);
        v.setWaveMute(1);
    }
    clsVolume again(QStringLiteral("velquon-no-such-mixer"));
    QCOMPARE(Prompt::history().size(), 1);
    const Prompt::Record& r = Prompt::history().first();
    QCOMPARE(r.kind, Prompt::Kind::Notice);
    QCOMPARE(r.icon, int(Prompt::Exclamation));
    QCOMPARE(r.title, QStringLiteral("Velquon"));
    QCOMPARE(r.text, QStringLiteral("No mixer found. You will be unable to use volume control \r\n"
                                    "features and some sound features."));
    QCOMPARE(AudioEnv::sinkVolumes(), QList<int>({50000, 50000}));
    QVERIFY(!AudioEnv::sinkMuted());
}

QTEST_GUILESS_MAIN(TestVolume)
#include "test_volume.moc"
