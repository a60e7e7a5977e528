#pragma once

#include <memory>

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

class QSoundEffect;
class clsCaller;
class QTextToSpeech;

// Announces calls: plays a wave file, or speaks a sentence naming the caller when the sound is the word
// "Speech". While an announcement plays it can raise the speaker volume to the configured level; the
// previous level is put back when the sound has finished (noticed by the voice's own end of speech and by
// VolumeTimer, which polls every 100 ms).
//
// Wave files play through QSoundEffect, speech through the "flite" engine. A sound that was asked for but
// has not begun yet counts as playing, so the volume is never put back before it is heard; a sound that
// never begins (or never ends) stops counting after a bounded time, so it cannot hold the volume for ever.
class clsSound : public QObject {
    Q_OBJECT
public:
    explicit clsSound(QObject* parent = nullptr);
    ~clsSound() override;

    // The voice speaks now, or was asked to and has not started yet.
    bool IsSpeaking() const;
    void setIsSpeaking(bool speaking);
    // -10 (slowest) to 10.
    qint16 VoiceRate() const;
    void setVoiceRate(qint16 rate);
    // The name of the voice in use; setting picks the first installed voice of that name (case ignored)
    // and keeps the voice as it was when none matches.
    QString VoiceStyle() const;
    void setVoiceStyle(const QString& style);
    // The installed voices, in the engine's order (the options dialog fills its list with them).
    QStringList GetVoices() const;
    void StopSound();
    // A wave sound of ours plays now, or was asked to and has not started yet.
    bool IsWavePlaying() const;
    void ResetVolume();
    // Announces a call: the wave file at path, or "Speech" for the spoken sentence naming the caller, when
    // the option Sound is on. Always starts VolumeTimer, which puts the volume back once nothing plays.
    void PlaySound(const QString& path, const clsCaller& caller);
    // The same with the three texts the sentence is made of.
    void PlaySound(const QString& path, const QString& contactName, const QString& callerName,
                   const QString& description);
    // A sound test of the options dialog: what the dialog shows, not yet stored.
    struct SoundTest {
        QString path;                // a wave file, or "Speech" (a sentence is asked for)
        bool overrideVolume = false; // raise the speaker volume to volumeLevel while it sounds
        qint32 volumeLevel = 0;
        qint16 voiceRate = 0;
        QString voiceStyle;
    };
    // Plays the test whatever the option Sound says, with the test's volume and voice; writes no setting.
    // The voice in use before the first of a run of tests is kept and comes back with EndSoundTest.
    void TestSound(const SoundTest& test);
    bool isSoundTestRunning() const { return m_testRunning; }
    // Ends a test: stops what still sounds, puts the speaker volume and the voice back. Nothing without a
    // test running.
    void EndSoundTest();

    // "Incoming call from <name>[ at <description>]": the contact name unless it is empty or "NONE", else
    // the name from the telephone line; the number's description unless it is empty or "NONE".
    static QString SpeechSentence(const QString& contactName, const QString& callerName, const QString& description);
    static QString SpeechSentence(const clsCaller& caller);

    // Speaker volume to put back after the announcement; -1 when nothing is saved.
    qint32 SavedVolume() const { return m_savedVolume; }
    // The sentence last typed for a speech test, offered again next time.
    QString TestSpeech;

    // 100 ms; switched on by every announcement, off by its own tick once nothing plays.
    QTimer VolumeTimer;
    void VolumeTimer_Timer();

    // The speech engine could be loaded and has at least one voice.
    bool speechAvailable() const;
    // The engine still works on a sentence (or lets go of one that ended): a new sentence waits for it.
    bool speechEngineBusy() const;
    // Time a requested sound may take to begin before it no longer counts as playing.
    static constexpr qint64 StartLimitMs = 10000;

Q_SIGNALS:
    // Emitted after every event line this object writes (tests and the debug log read the text).
    void reported(const QString& text);

private:
    void Speak(const QString& text);
    void PlayWave(const QString& path);
    void OverrideVolume();
    void say(const QString& text, bool later = false);
    void onVoiceStateChanged();
    void Voice_StartStream();
    void Voice_EndStream(bool failed);
    void onWavePlayingChanged();
    void onWaveStatusChanged();
    void report(const QString& text);
    qint32 presentVolume() const;

    // Raise the speaker volume now, with the stored options or (during a test) the test's.
    bool overrideOn() const;
    qint32 overrideLevel() const;

    QTextToSpeech* m_voice = nullptr;
    bool m_testRunning = false;
    SoundTest m_test;
    qint16 m_voiceRateBeforeTest = 0;
    QString m_voiceStyleBeforeTest;
    QSoundEffect* m_wave = nullptr;
    qint32 m_savedVolume = -1;
    bool m_isSpeaking = false;

    // Bookkeeping that lets a sound count as playing from the moment it was asked for.
    QDateTime m_speechAskedAt;   // valid while asked for and not yet begun
    QDateTime m_speechStartedAt; // valid while speaking
    qint64 m_speechLimitMs = 0;  // longest time the sentence may take once begun
    QString m_speechText;        // the sentence last asked for, said again once when the engine fails it
    bool m_speechRetried = false;
    QStringList m_speechQueue; // sentences waiting for the engine to finish the one under way
    int m_pendingStarts = 0;   // sentences asked for, waiting for the engine to settle before it hears them
    QDateTime m_waveAskedAt;   // valid from the request until the wave ends
    QDateTime m_waveStartedAt; // valid once it plays
    qint64 m_waveLimitMs = 0;
    QString m_wavePath;
    // Sound files found to be no file (a folder, a named pipe), said once each.
    QSet<QString> m_saidNotAFile;
};

// The program's announcer: made by start-up in every mode, released by ShutDown.
extern std::unique_ptr<clsSound> gSound;
