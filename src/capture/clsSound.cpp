#include "capture/clsSound.h"

#include <algorithm>
#include <exception>

#include <QFile>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTextToSpeech>
#include <QUrl>
#include <QVoice>

#include "capture/clsVolume.h"
#include "core/clsCaller.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"

clsSound* gSound = nullptr;

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
    if (!f.open(QIODevice::ReadOnly))
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
// of network mode. Null when the engine is not installed.
struct SharedVoice {
    QTextToSpeech* engine = nullptr;
    QVoice defaultVoice; // the engine's own choice, taken before anyone changed it
};

const SharedVoice& sharedVoice()
{
    static const SharedVoice shared = [] {
        SharedVoice s;
        // Named explicitly: another installed engine could become the default and fail without its daemon.
        if (QTextToSpeech::availableEngines().contains(kEngine)) {
            s.engine = new QTextToSpeech(kEngine);
            s.defaultVoice = s.engine->voice();
        }
        return s;
    }();
    return shared;
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
        connect(m_voice, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State state) {
            if (state == QTextToSpeech::Speaking)
                Voice_StartStream();
            else if (state == QTextToSpeech::Ready)
                Voice_EndStream(false);
            else if (state == QTextToSpeech::Error)
                Voice_EndStream(true);
        });
    }
    setVoiceRate(qint16(std::clamp(textToNumber(setting(Key::VoiceRate, "0")), -10.0, 10.0)));
    // A stored voice that is not installed here (or no longer) leaves the engine's default voice.
    if (m_voice)
        m_voice->setVoice(sharedVoice().defaultVoice);
    setVoiceStyle(setting(Key::VoiceStyle, "Microsoft Sam"));
    m_savedVolume = -1;
}

clsSound::~clsSound()
{
    StopSound();
    VolumeTimer.stop();
}

bool clsSound::speechAvailable() const { return m_voice && !m_voice->availableVoices().isEmpty(); }

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

qint16 clsSound::VoiceRate() const { return m_voice ? qint16(qRound(m_voice->rate() * 10)) : 0; }

void clsSound::setVoiceRate(qint16 rate)
{
    if (m_voice)
        m_voice->setRate(std::clamp<int>(rate, -10, 10) / 10.0);
}

QString clsSound::VoiceStyle() const { return m_voice ? m_voice->voice().name() : QString(); }

void clsSound::setVoiceStyle(const QString& style)
{
    if (!m_voice)
        return;
    const QList<QVoice> voices = m_voice->availableVoices();
    for (const QVoice& v : voices) {
        if (v.name().compare(style, Qt::CaseInsensitive) == 0) {
            m_voice->setVoice(v);
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
    if (IsSpeaking() && m_voice)
        m_voice->stop();
    setIsSpeaking(false);
    if (IsWavePlaying())
        m_wave->stop();
    m_waveAskedAt = QDateTime();
    m_waveStartedAt = QDateTime();
    ResetVolume();
}

qint32 clsSound::presentVolume() const { return gVolume ? gVolume->WaveVolume() : 0; }

void clsSound::ResetVolume()
{
    if (textToBool(setting(Key::OverrideVolume, "False")) && m_savedVolume != -1 && gVolume &&
        presentVolume() != m_savedVolume)
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

void clsSound::TestSound(const QString& path)
{
    try {
        if (m_savedVolume == -1)
            m_savedVolume = presentVolume();
        if (path != kSpeech) {
            PlayWave(path);
        } else {
            TestSpeech = Prompt::input(QStringLiteral("Enter the speech to be tested."), TestSpeech);
            if (!TestSpeech.isEmpty())
                Speak(TestSpeech);
        }
        VolumeTimer.start();
    } catch (const std::exception& e) {
        SaveError(-1, QString::fromLocal8Bit(e.what()), QStringLiteral("clsSound_TestSound"));
        ResetVolume();
    }
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
    OverrideVolume();
    m_speechAskedAt = Clock::now();
    m_speechLimitMs = kPlayMarginMs + kSpeechMsPerChar * text.size();
    m_voice->say(text);
}

void clsSound::PlayWave(const QString& path)
{
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
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
    if (!textToBool(setting(Key::OverrideVolume, "False")) || !gVolume || !gVolume->hasMixer())
        return;
    // The level the mixer will really take, so an out-of-range setting is not mistaken for a change.
    const qint32 level = std::clamp<qint32>(qint32(textToNumber(setting(Key::VolumeLevel, "0"))),
                                            gVolume->MinWaveVolume(), gVolume->MaxWaveVolume());
    const qint32 present = presentVolume();
    if (level != present) {
        // Keep the user's own level when an announcement is already holding one.
        if (m_savedVolume == -1)
            m_savedVolume = present;
        gVolume->setWaveVolume(level);
    }
}

void clsSound::Voice_StartStream() { setIsSpeaking(true); }

void clsSound::Voice_EndStream(bool failed)
{
    if (!failed && m_isSpeaking && m_speechAskedAt.isValid()) {
        // The end of a sentence that a newer one replaced: the newer one still holds the volume.
        m_isSpeaking = false;
        m_speechStartedAt = QDateTime();
        return;
    }
    const bool wasAsked = m_isSpeaking || m_speechAskedAt.isValid();
    setIsSpeaking(false);
    if (failed && wasAsked)
        report(QStringLiteral("Speech could not be played (no sound device?)."));
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
