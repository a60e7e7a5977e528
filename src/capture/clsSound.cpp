#include "capture/clsSound.h"

#include <algorithm>
#include <exception>
#include <optional>

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QTextToSpeech>
#include <QThread>
#include <QUrl>
#include <QVoice>

#include "capture/clsVolume.h"
#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/PlainFile.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"

std::unique_ptr<clsSound> gSound;

namespace {

const QString kSpeech = QStringLiteral("Speech");
const QString kNone = QStringLiteral("NONE");
const QString kEngine = QStringLiteral("flite");

// Once a sound has begun, how long it may still count as playing: its own length and a margin. A sound
// whose length we cannot tell gets a minute.
constexpr qint64 kPlayMarginMs = 5000;
constexpr qint64 kUnknownLengthMs = 60000;
// Speech at the slowest rate stays well under half a second per character.
constexpr qint64 kSpeechMsPerChar = 500;
// The longest wait at exit for a sentence under way.
constexpr qint64 kExitWaitMs = 4000;
constexpr qint64 kEngineSettleMs = 400;

QString setting(const char* key, const char* fallback)
{
    return GetProperty(Section::frmConfiguration, key, QString::fromLatin1(fallback));
}

bool expired(const QDateTime& since, qint64 limitMs)
{
    return since.isValid() && since.msecsTo(Clock::now()) >= limitMs;
}

quint32 le32(const QByteArray& b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// Length of a RIFF wave file in milliseconds from its header, or -1 when it cannot be told.
qint64 waveLengthMs(const QString& path)
{
    QFile f(path);
    if (!PlainFile::openToRead(f, path))
        return -1;
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return -1;
    quint32 byteRate = 0;
    for (int guard = 0; guard < 64; ++guard) {
        const QByteArray chunk = f.read(8);
        if (chunk.size() < 8)
            return -1;
        const quint32 size = le32(chunk, 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray fmt = f.read(size + (size & 1));
            if (fmt.size() < 12)
                return -1;
            byteRate = le32(fmt, 8);
        } else if (chunk.startsWith("data")) {
            if (byteRate == 0)
                return -1;
            return qint64(size) * 1000 / byteRate;
        } else if (!f.seek(f.pos() + size + (size & 1))) {
            return -1;
        }
    }
    return -1;
}

// One engine for the whole process, never destroyed: the flite engine's worker thread can crash or hang
// when its engine is deleted shortly after it spoke, and start-up creates the announcer again after a change
// of network mode.
//
// The engine works in its own thread and is fragile there: stopping it while it still produces sound, or
// asking for a sentence while another is under way, can crash it. So it is never stopped, and it gets one
// sentence at a time (later ones wait, as sentences queue on a speech engine anyway). Its reports arrive late,
// even to a newer announcer: every sentence ends with exactly one Ready or Error, except that an Error may be
// followed by a Ready of its own. The count is kept here, once for the engine, and the announcer that asked
// last acts on the verdict.
struct SharedVoice {
    enum Verdict { Nothing, Started, Ended, Failed };
    QTextToSpeech* engine = nullptr; // null when the engine is not installed
    QVoice defaultVoice;             // the engine's own choice, taken before anyone changed it
    int outstanding = 0;             // sentences asked for whose end has not been reported yet
    bool swallowReady = false;       // the Ready that may follow an Error
    // How long the engine may take over the last sentence asked for before a missing report no longer keeps it
    // busy. Real time, never the program's clock: a clock set forward must not let a sentence be handed over
    // while the engine still works on the last one (two at once crash the engine's thread).
    QDeadlineTimer reportLimit{0};
    bool spoke = false;              // a sentence was handed to the engine at least once
    const clsSound* owner = nullptr; // the announcer that asked last
    Verdict verdict = Nothing;       // of the report being handled

    // Voice and rate wait while a sentence is under way: changing them then can crash the engine's thread.
    std::optional<double> pendingRate;
    std::optional<QVoice> pendingVoice;

    void applyPending()
    {
        if (!engine || busy())
            return;
        // Only real changes: the engine starts its audio afresh on each.
        if (pendingRate && qAbs(engine->rate() - *pendingRate) > 0.001)
            engine->setRate(*pendingRate);
        if (pendingVoice && !(engine->voice() == *pendingVoice))
            engine->setVoice(*pendingVoice);
        pendingRate.reset();
        pendingVoice.reset();
    }

    // After a sentence has ended the engine's thread still lets go of its audio stream for a moment; a new
    // sentence or setting in that moment can crash it.
    QDeadlineTimer settled{0};

    qint64 settleLeftMs() const { return qMax<qint64>(0, settled.remainingTime()); }

    bool busy()
    {
        // A report that never came must not keep the engine busy for ever.
        if (outstanding > 0 && reportLimit.hasExpired())
            outstanding = 0;
        return outstanding > 0 || settleLeftMs() > 0;
    }

    void onState(QTextToSpeech::State state)
    {
        verdict = Nothing;
        switch (state) {
        case QTextToSpeech::Speaking:
            swallowReady = false;
            if (outstanding > 0)
                verdict = Started;
            break;
        case QTextToSpeech::Ready:
            if (swallowReady)
                swallowReady = false;
            else if (outstanding > 0 && --outstanding == 0)
                verdict = Ended;
            settled.setRemainingTime(kEngineSettleMs);
            break;
        case QTextToSpeech::Error:
            swallowReady = true;
            if (outstanding > 0 && --outstanding == 0)
                verdict = Failed;
            settled.setRemainingTime(kEngineSettleMs);
            break;
        default:
            break;
        }
    }
};

void releaseSharedVoice();

SharedVoice& sharedVoice()
{
    static SharedVoice* shared = [] {
        auto* s = new SharedVoice;
        // Named explicitly: another installed engine could become the default and fail without its daemon.
        if (QTextToSpeech::availableEngines().contains(kEngine)) {
            s->engine = new QTextToSpeech(kEngine);
            s->defaultVoice = s->engine->voice();
            // Connected before any announcer, so the count is up to date when an announcer hears the report.
            QObject::connect(s->engine, &QTextToSpeech::stateChanged, s->engine,
                             [s](QTextToSpeech::State state) { s->onState(state); });
            qAddPostRoutine(releaseSharedVoice);
        }
        return s;
    }();
    return *shared;
}

// At the very end, while the sound server's client library is still there: an engine left alive holds an
// audio stream that the library's own clean-up then trips over. A sentence still under way gets the time it
// needs, within reason, first.
void releaseSharedVoice()
{
    SharedVoice& s = sharedVoice();
    if (!s.engine)
        return;
    QDeadlineTimer limit(kExitWaitMs);
    while (s.outstanding > 0 && !limit.hasExpired()) {
        QThread::msleep(20);
        QCoreApplication::sendPostedEvents(s.engine);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }
    QThread::msleep(quint64(s.settleLeftMs()));
    delete s.engine;
    s.engine = nullptr;
    // Deleting the engine closes its audio stream; the sound server answers that a moment later, and an
    // answer that arrives while the sound library's own clean-up at exit runs can crash it. An engine that
    // never spoke has no stream to close.
    if (s.spoke)
        QThread::msleep(quint64(kEngineSettleMs));
}

} // namespace

clsSound::clsSound(QObject* parent) : QObject(parent)
{
    VolumeTimer.setInterval(100);
    connect(&VolumeTimer, &QTimer::timeout, this, &clsSound::VolumeTimer_Timer);

    m_wave = new QSoundEffect(this);
    connect(m_wave, &QSoundEffect::playingChanged, this, &clsSound::onWavePlayingChanged);
    connect(m_wave, &QSoundEffect::statusChanged, this, &clsSound::onWaveStatusChanged);

    m_voice = sharedVoice().engine;
    if (m_voice) {
        connect(m_voice, &QTextToSpeech::stateChanged, this, &clsSound::onVoiceStateChanged);
    }
    setVoiceRate(qint16(std::clamp(textToNumber(setting(Key::VoiceRate, "0")), -10.0, 10.0)));
    // A stored voice that is not installed here (or no longer) leaves the engine's default voice.
    if (m_voice) {
        sharedVoice().pendingVoice = sharedVoice().defaultVoice;
        sharedVoice().applyPending();
    }
    setVoiceStyle(setting(Key::VoiceStyle, "Microsoft Sam"));
    m_savedVolume = -1;
}

clsSound::~clsSound()
{
    SharedVoice& shared = sharedVoice();
    StopSound();
    VolumeTimer.stop();
    // Sentences still waiting to be handed over never will be, and no report of them will come.
    shared.outstanding = qMax(0, shared.outstanding - m_pendingStarts);
    if (shared.owner == this)
        shared.owner = nullptr;
    // The wave player outlives this body and reports its state as it goes: not to this object any more.
    detachChildren(this);
}

bool clsSound::speechAvailable() const { return m_voice && !m_voice->availableVoices().isEmpty(); }

bool clsSound::speechEngineBusy() const { return sharedVoice().busy(); }

bool clsSound::IsSpeaking() const
{
    if (m_isSpeaking)
        return !expired(m_speechStartedAt, m_speechLimitMs);
    return m_speechAskedAt.isValid() && !expired(m_speechAskedAt, StartLimitMs);
}

void clsSound::setIsSpeaking(bool speaking)
{
    m_isSpeaking = speaking;
    m_speechAskedAt = QDateTime();
    m_speechStartedAt = speaking ? Clock::now() : QDateTime();
}

qint16 clsSound::VoiceRate() const
{
    if (!m_voice)
        return 0;
    const SharedVoice& shared = sharedVoice();
    return qint16(qRound((shared.pendingRate ? *shared.pendingRate : m_voice->rate()) * 10));
}

void clsSound::setVoiceRate(qint16 rate)
{
    if (!m_voice)
        return;
    sharedVoice().pendingRate = std::clamp<int>(rate, -10, 10) / 10.0;
    sharedVoice().applyPending();
}

QString clsSound::VoiceStyle() const
{
    if (!m_voice)
        return QString();
    const SharedVoice& shared = sharedVoice();
    return (shared.pendingVoice ? *shared.pendingVoice : m_voice->voice()).name();
}

void clsSound::setVoiceStyle(const QString& style)
{
    if (!m_voice)
        return;
    const QList<QVoice> voices = m_voice->availableVoices();
    for (const QVoice& v : voices) {
        if (v.name().compare(style, Qt::CaseInsensitive) == 0) {
            sharedVoice().pendingVoice = v;
            sharedVoice().applyPending();
            return;
        }
    }
}

QStringList clsSound::GetVoices() const
{
    QStringList names;
    if (m_voice) {
        const QList<QVoice> voices = m_voice->availableVoices();
        for (const QVoice& v : voices)
            names << v.name();
    }
    return names;
}

bool clsSound::IsWavePlaying() const
{
    if (!m_waveAskedAt.isValid())
        return false;
    if (!m_waveStartedAt.isValid())
        return !expired(m_waveAskedAt, StartLimitMs);
    return m_wave->isPlaying() && !expired(m_waveStartedAt, m_waveLimitMs);
}

void clsSound::StopSound()
{
    // Past its time limit a sound no longer counts as playing, but it is stopped all the same.
    // The sentence under way is let finish (see SharedVoice); from now on it is no longer ours, so its end
    // changes nothing, and the volume is put back at once.
    m_speechQueue.clear();
    setIsSpeaking(false);
    if (m_waveAskedAt.isValid())
        m_wave->stop();
    m_waveAskedAt = QDateTime();
    m_waveStartedAt = QDateTime();
    ResetVolume();
}

qint32 clsSound::presentVolume() const { return gVolume ? gVolume->WaveVolume() : 0; }

bool clsSound::overrideOn() const
{
    return m_testRunning ? m_test.overrideVolume : textToBool(setting(Key::OverrideVolume, "False"));
}

qint32 clsSound::overrideLevel() const
{
    return m_testRunning ? m_test.volumeLevel : qint32(textToNumber(setting(Key::VolumeLevel, "0")));
}

void clsSound::ResetVolume()
{
    if (overrideOn() && m_savedVolume != -1 && gVolume && presentVolume() != m_savedVolume)
        gVolume->setWaveVolume(m_savedVolume);
    m_savedVolume = -1;
}

QString clsSound::SpeechSentence(const QString& contactName, const QString& callerName, const QString& description)
{
    const QString name = (contactName.isEmpty() || contactName == kNone) ? callerName : contactName;
    QString sentence = QStringLiteral("Incoming call from ") + name;
    if (!description.isEmpty() && description != kNone)
        sentence += QStringLiteral(" at ") + description;
    return sentence;
}

QString clsSound::SpeechSentence(const clsCaller& caller)
{
    return SpeechSentence(caller.ContactName, caller.Name, caller.Number.Description);
}

void clsSound::PlaySound(const QString& path, const clsCaller& caller)
{
    PlaySound(path, caller.ContactName, caller.Name, caller.Number.Description);
}

void clsSound::PlaySound(const QString& path, const QString& contactName, const QString& callerName,
                         const QString& description)
{
    try {
        if (m_savedVolume == -1)
            m_savedVolume = presentVolume();
        if (textToBool(setting(Key::Sound, "True"))) {
            if (path != kSpeech)
                PlayWave(path);
            else
                Speak(SpeechSentence(contactName, callerName, description));
        }
        VolumeTimer.start();
    } catch (const std::exception& e) {
        SaveError(-1, QString::fromLocal8Bit(e.what()), QStringLiteral("clsSound_PlaySound"));
        ResetVolume();
    }
}

void clsSound::TestSound(const SoundTest& test)
{
    try {
        // A second test before the first has ended keeps what was there before the first.
        if (!m_testRunning) {
            m_voiceRateBeforeTest = VoiceRate();
            m_voiceStyleBeforeTest = VoiceStyle();
        }
        m_testRunning = true;
        m_test = test;
        setVoiceRate(test.voiceRate);
        setVoiceStyle(test.voiceStyle);
        if (m_savedVolume == -1)
            m_savedVolume = presentVolume();
        if (test.path != kSpeech) {
            PlayWave(test.path);
        } else {
            // The program may end while the box waits, and the sound object with it.
            const QPointer<clsSound> self(this);
            const QString typed = Prompt::input(QStringLiteral("Enter the speech to be tested."), TestSpeech);
            if (!self)
                return;
            TestSpeech = typed;
            if (!TestSpeech.isEmpty())
                Speak(TestSpeech);
        }
        VolumeTimer.start();
    } catch (const std::exception& e) {
        SaveError(-1, QString::fromLocal8Bit(e.what()), QStringLiteral("clsSound_TestSound"));
        ResetVolume();
    }
}

void clsSound::EndSoundTest()
{
    if (!m_testRunning)
        return;
    StopSound(); // puts the volume back while the test's override still counts
    VolumeTimer.stop();
    setVoiceRate(m_voiceRateBeforeTest);
    if (!m_voiceStyleBeforeTest.isEmpty())
        setVoiceStyle(m_voiceStyleBeforeTest);
    m_testRunning = false;
    m_test = SoundTest();
}

void clsSound::VolumeTimer_Timer()
{
    if (!IsWavePlaying() && !IsSpeaking()) {
        ResetVolume();
        VolumeTimer.stop();
    }
}

void clsSound::Speak(const QString& text)
{
    if (!m_voice) {
        report(QStringLiteral("Speech is not available: the speech engine could not be loaded."));
        return;
    }
    if (m_voice->availableVoices().isEmpty()) {
        report(QStringLiteral("Speech is not available: no voice is installed."));
        return;
    }
    // Without an output the engine fails, and stays failed without a word for the next sentence.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        report(QStringLiteral("Speech could not be played: no sound device."));
        return;
    }
    OverrideVolume();
    SharedVoice& shared = sharedVoice();
    if (!shared.busy()) {
        say(text);
    } else if (shared.outstanding == 0) {
        say(text, true); // the engine is only settling after the last sentence
    } else {
        m_speechQueue.append(text);
        if (!m_isSpeaking && !m_speechAskedAt.isValid())
            m_speechAskedAt = Clock::now();
    }
}

void clsSound::PlayWave(const QString& path)
{
    if (path.isEmpty())
        return;
    const PlainFile::Kind kind = PlainFile::kindOf(path);
    if (const QString why = PlainFile::notAFile(kind); !why.isEmpty()) {
        // Never handed to the player, which would wait on a pipe; said once, not at every call.
        if (!m_saidNotAFile.contains(path)) {
            m_saidNotAFile.insert(path);
            report(QStringLiteral("Sound file ") + path + QStringLiteral(" cannot be played: ") + why);
        }
        return;
    }
    if (kind != PlainFile::Kind::Plain) {
        report(QStringLiteral("Sound file not found: ") + path);
        return;
    }
    // Without an output the effect would claim to play for ever.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        report(QStringLiteral("No sound device: could not play ") + path);
        return;
    }
    OverrideVolume();
    const qint64 length = waveLengthMs(path);
    m_waveLimitMs = (length >= 0 ? length : kUnknownLengthMs) + kPlayMarginMs;
    m_wavePath = path;
    m_waveAskedAt = Clock::now();
    m_waveStartedAt = QDateTime();
    m_wave->stop();
    m_wave->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_wave->play();
    onWaveStatusChanged(); // an effect already loaded from this file starts at once
}

void clsSound::OverrideVolume()
{
    if (!overrideOn() || !gVolume || !gVolume->hasMixer())
        return;
    // The level the mixer will really take, so an out-of-range setting is not mistaken for a change.
    const qint32 level = std::clamp<qint32>(overrideLevel(), gVolume->MinWaveVolume(), gVolume->MaxWaveVolume());
    const qint32 present = presentVolume();
    if (level != present) {
        // Keep the user's own level when an announcement is already holding one.
        if (m_savedVolume == -1)
            m_savedVolume = present;
        gVolume->setWaveVolume(level);
    }
}

void clsSound::onVoiceStateChanged()
{
    const SharedVoice& shared = sharedVoice();
    const bool ended = shared.verdict == SharedVoice::Ended || shared.verdict == SharedVoice::Failed;
    if (ended && shared.owner != this && !m_speechQueue.isEmpty()) {
        say(m_speechQueue.takeFirst(), true); // another announcer's sentence held ours back
        return;
    }
    if (shared.owner != this)
        return;
    if (shared.verdict == SharedVoice::Started)
        Voice_StartStream();
    else if (ended)
        Voice_EndStream(shared.verdict == SharedVoice::Failed);
}

void clsSound::say(const QString& text, bool later)
{
    SharedVoice& shared = sharedVoice();
    m_speechText = text;
    m_speechRetried = false;
    m_speechAskedAt = Clock::now();
    m_speechStartedAt = QDateTime();
    m_isSpeaking = false;
    m_speechLimitMs = kPlayMarginMs + kSpeechMsPerChar * text.size();
    shared.reportLimit.setRemainingTime(StartLimitMs + m_speechLimitMs);
    shared.owner = this;
    ++shared.outstanding;
    auto start = [this, text] {
        SharedVoice& voice = sharedVoice();
        // Settings changed while the last sentence played take effect now, before the engine is busy again.
        --voice.outstanding;
        voice.applyPending();
        ++voice.outstanding;
        voice.spoke = true;
        m_voice->say(text);
    };
    if (!later) {
        start();
        return;
    }
    // Never from inside the engine's own report, nor before it has let go of the sentence that ended.
    ++m_pendingStarts;
    QTimer::singleShot(int(sharedVoice().settleLeftMs()), this, [this, start] {
        --m_pendingStarts;
        start();
    });
}

void clsSound::Voice_StartStream() { setIsSpeaking(true); }

void clsSound::Voice_EndStream(bool failed)
{
    if (!m_isSpeaking && !m_speechAskedAt.isValid())
        return; // stopped already
    if (failed && !m_speechRetried && !QMediaDevices::audioOutputs().isEmpty()) {
        // The engine fails a sentence now and then (the first after an interrupted one); once more is enough.
        const QString text = m_speechText;
        say(text, true);
        m_speechRetried = true;
        return;
    }
    if (!m_speechQueue.isEmpty()) {
        say(m_speechQueue.takeFirst(), true);
        return;
    }
    setIsSpeaking(false);
    if (failed)
        report(QStringLiteral("Speech could not be played."));
    // A wave sound may still be playing; VolumeTimer puts the volume back after it.
    if (!IsWavePlaying())
        ResetVolume();
}

void clsSound::onWavePlayingChanged()
{
    if (!m_wave->isPlaying() && m_waveStartedAt.isValid()) {
        m_waveAskedAt = QDateTime();
        m_waveStartedAt = QDateTime();
    }
}

void clsSound::onWaveStatusChanged()
{
    if (!m_waveAskedAt.isValid())
        return;
    switch (m_wave->status()) {
    case QSoundEffect::Ready:
        if (m_wave->isPlaying() && !m_waveStartedAt.isValid())
            m_waveStartedAt = Clock::now();
        break;
    case QSoundEffect::Error:
        m_waveAskedAt = QDateTime();
        m_waveStartedAt = QDateTime();
        report(QStringLiteral("Sound could not be played: ") + m_wavePath);
        break;
    default:
        break;
    }
}

void clsSound::report(const QString& text)
{
    AddEvent(text);
    Q_EMIT reported(text);
}
